// What the session's user does in a form: keys and text into the grids and
// fields, clicks on buttons, boxes, lists and tabs, Apply, OK, Cancel and
// Escape; and in the modal dialogs the forms open (the keypad editor, the
// keypad assignment, the salvo selector and renamer).
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "forms/DeviceForm.h"
#include "forms/FormFields.h"
#include "forms/InhibitGrid.h"
#include "forms/KeypadAssignment.h"
#include "forms/KeypadResourceForm.h"
#include "forms/KorvellResourceForm.h"
#include "forms/PanelResourceForm.h"
#include "forms/ResourceForm.h"
#include "forms/SalvoPage.h"
#include "forms/StringGrid.h"
#include "model/KeypadLayout.h"
#include "session.h"

namespace zephra::session {

namespace {

QString Title(QWidget* w) { return w->windowTitle().isEmpty() ? QString(w->metaObject()->className()) : w->windowTitle(); }

// Whether `w` lies inside a control that handles it itself.
bool Inner(QWidget* w, QWidget* root) {
  for (QWidget* at = w->parentWidget(); at && at != root; at = at->parentWidget()) {
    if (qobject_cast<QAbstractItemView*>(at) || qobject_cast<QComboBox*>(at) || qobject_cast<QDialogButtonBox*>(at) ||
        qobject_cast<QTabBar*>(at) || qobject_cast<QScrollBar*>(at)) {
      return true;
    }
  }
  return false;
}

QString KeyName(int key) {
  switch (key) {
    case Qt::Key_Up: return "Up";
    case Qt::Key_Down: return "Down";
    case Qt::Key_Left: return "Left";
    case Qt::Key_Right: return "Right";
    case Qt::Key_PageUp: return "Page Up";
    case Qt::Key_PageDown: return "Page Down";
    case Qt::Key_Home: return "Home";
    case Qt::Key_End: return "End";
    case Qt::Key_Tab: return "Tab";
    case Qt::Key_Backtab: return "Shift+Tab";
    case Qt::Key_Return: return "Return";
    case Qt::Key_Escape: return "Escape";
    case Qt::Key_F2: return "F2";
    case Qt::Key_Delete: return "Delete";
    case Qt::Key_Backspace: return "Backspace";
    default: return QString("key %1").arg(key);
  }
}

QString Describe(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) return "\"" + b->text().remove('&') + "\"";
  if (!w->objectName().isEmpty()) return w->objectName();
  return w->metaObject()->className();
}

}  // namespace

QString Session::RandomName() {
  static const std::vector<QString> names = {"STUDIO A", "CAM 1", "VT 2", "", " ", "   ", "X", "A", "Key 1",
                                             "TOOLONGNAME12345", "m1s3", "Panel 2", "UMD 1", "MON", "GALLERY",
                                             "a b", "12", "Level 1", "OUT 1", "Cam 1"};
  return OneOf(names);
}

QString Session::RandomFieldText() {
  static const std::vector<QString> texts = {"", "1", "2", "5", "8", "16", "17", "0", "-1", "99", "Unused", "Un",
                                             "abc", " ", "3x", "12", "7", "4"};
  return Chance(0.2) ? RandomName() : OneOf(texts);
}

QString Session::RandomCellText(TStringGrid* grid) {
  const TGridModel& m = grid->Model();
  const int roll = Pick(100);
  if (roll < 30 && m.Rows() > 0 && m.Columns() > 0) {
    const QString other = m.Text(Pick(m.Rows()), Pick(m.Columns()));
    if (!other.trimmed().isEmpty()) return Chance(0.15) ? other.left(1 + Pick(std::max(1, int(other.size())))) : other;
  }
  if (roll < 55) {
    static const std::vector<int> numbers = {0, 1, 2, 3, 5, 7, 9, 12, 16, 17, 31, 32, 33, 40, 999, -1};
    return QString::number(OneOf(numbers));
  }
  if (roll < 65) return QString("m1s%1").arg(1 + Pick(40));
  if (roll < 70 && m.Rows() > 0) return m.RowHeader(Pick(m.Rows())).trimmed();
  static const std::vector<QString> texts = {"CAM 1", "VT 2", "abc", "X", " ", "   ", "TOOLONGNAME12", "A",
                                             "m1s", "0x3", "1 2", "GFX"};
  return OneOf(texts);
}

// The widget of the window being driven that has the focus (the window
// itself when the focus is elsewhere: keys go to the active window).
QWidget* Session::FocusTarget() const {
  QWidget* target = QApplication::focusWidget();
  if (acting_ && (!target || target->window() != acting_)) target = acting_;
  return target;
}

void Session::KeyToFocus(int key, Qt::KeyboardModifiers mods) {
  QWidget* target = FocusTarget();
  if (!target) return;
  QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
}

void Session::TypeText(const QString& text) {
  for (const QChar c : text) {
    QWidget* target = FocusTarget();
    if (!target) return;
    QTest::keyClick(target, c.toLatin1());
  }
}

void Session::ClickButton(QAbstractButton* b) {
  Log("click " + Describe(b));
  QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
}

void Session::TypeInto(QLineEdit* edit) {
  const QString text = RandomFieldText();
  Log(QString("type \"%1\" into %2").arg(text, Describe(edit)));
  QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
  if (!edit->hasFocus()) return;  // the field before it keeps the focus
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
  TypeText(text);
  const int then = Pick(4);
  if (then == 0) KeyToFocus(Qt::Key_Tab), Note("then Tab");
  if (then == 1) KeyToFocus(Qt::Key_Return), Note("then Return");
}

void Session::TableClick(QTableView* view) {
  QAbstractItemModel* m = view->model();
  if (!m || m->rowCount() == 0 || m->columnCount() == 0) return;
  const QModelIndex at = m->index(Pick(m->rowCount()), Pick(m->columnCount()));
  Log(QString("click cell (%1, %2) of %3").arg(at.row()).arg(at.column()).arg(Describe(view)));
  view->scrollTo(at);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(at).center());
}

void Session::GridGesture(TStringGrid* grid) {
  TGridModel& m = grid->Model();
  if (m.Rows() == 0 || m.Columns() == 0) return;
  const bool inside = QApplication::focusWidget() == grid || grid->isAncestorOf(QApplication::focusWidget());
  const QString name = Describe(grid);
  const int roll = inside ? Pick(100) : 0;
  if (roll < 14) {
    const QModelIndex at = m.index(Pick(m.Rows()), Pick(m.Columns()));
    Log(QString("click cell (%1, %2) of %3").arg(at.row()).arg(at.column()).arg(name));
    grid->scrollTo(at);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(at).center());
  } else if (roll < 18) {
    const QModelIndex at = grid->currentIndex();
    if (!at.isValid()) return;
    Log(QString("click the current cell (%1, %2) of %3 again").arg(at.row()).arg(at.column()).arg(name));
    grid->scrollTo(at);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(at).center());
  } else if (roll < 40) {
    const QString text = RandomCellText(grid);
    Log(QString("type \"%1\" in %2").arg(text, name));
    TypeText(text);
  } else if (roll < 70) {
    static const std::vector<int> keys = {Qt::Key_F2,     Qt::Key_F2,       Qt::Key_Delete, Qt::Key_Backspace,
                                          Qt::Key_Up,     Qt::Key_Down,     Qt::Key_Down,   Qt::Key_Left,
                                          Qt::Key_Right,  Qt::Key_PageUp,   Qt::Key_PageDown, Qt::Key_Tab,
                                          Qt::Key_Backtab, Qt::Key_Return,  Qt::Key_Return, Qt::Key_Escape,
                                          Qt::Key_Home,   Qt::Key_End};
    const int key = OneOf(keys);
    Log(QString("press %1 in %2").arg(KeyName(key), name));
    KeyToFocus(key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
  } else if (roll < 80) {
    const int top = Pick(m.Rows()), left = Pick(m.Columns());
    const int bottom = std::min(m.Rows() - 1, top + Pick(4)), right = std::min(m.Columns() - 1, left + Pick(3));
    Log(QString("select cells (%1, %2)-(%3, %4) of %5 and press Ctrl+C").arg(top).arg(left).arg(bottom).arg(right).arg(name));
    if (grid->Editing()) KeyToFocus(Qt::Key_Return);
    if (!grid->ValidateCurrent()) return Note("the grid keeps the user on the cell");
    grid->SelectBlock(top, left, bottom, right);
    KeyToFocus(Qt::Key_C, Qt::ControlModifier);
  } else if (roll < 92) {
    Log(QString("press Ctrl+V in %1").arg(name));
    KeyToFocus(Qt::Key_V, Qt::ControlModifier);
  } else {
    QStringList rows;
    const int height = 1 + Pick(3), width = 1 + Pick(3);
    for (int r = 0; r < height; ++r) {
      QStringList cells;
      for (int c = 0; c < width; ++c) cells << RandomCellText(grid);
      rows << cells.join('\t');
    }
    const QString text = rows.join("\r\n") + (Chance(0.5) ? "\r\n" : "");
    Log(QString("copy \"%1\" from elsewhere and press Ctrl+V in %2").arg(QString(text).replace("\t", "\\t").replace("\r\n", "\\n"), name));
    QApplication::clipboard()->setText(text);
    KeyToFocus(Qt::Key_V, Qt::ControlModifier);
  }
}

void Session::WidgetGesture(QWidget* form) {
  std::vector<QWidget*> controls;
  auto* resourceForm = qobject_cast<TResourceForm*>(form);
  for (QWidget* w : form->findChildren<QWidget*>()) {
    if (!w->isVisible() || !w->isEnabled() || Inner(w, form)) continue;
    if (resourceForm && (w == resourceForm->OkButton() || w == resourceForm->ApplyButton() ||
                         w == resourceForm->CancelButton())) {
      continue;
    }
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
        qobject_cast<QAbstractItemView*>(w)) {
      controls.push_back(w);
    }
  }
  if (controls.empty()) return;
  // The grids get more of the user's attention than any one button.
  std::vector<QWidget*> grids;
  for (QWidget* w : controls) {
    if (qobject_cast<TStringGrid*>(w)) grids.push_back(w);
  }
  QWidget* w = !grids.empty() && Chance(0.6) ? OneOf(grids) : OneOf(controls);
  if (auto* grid = qobject_cast<TStringGrid*>(w)) {
    if (!grid->hasFocus() && !grid->isAncestorOf(QApplication::focusWidget())) {
      // Into the grid with a click, as the user goes there.
      const QModelIndex at = grid->Model().index(Pick(grid->Model().Rows()), Pick(grid->Model().Columns()));
      if (!at.isValid()) return;
      Log(QString("click cell (%1, %2) of %3").arg(at.row()).arg(at.column()).arg(Describe(grid)));
      grid->scrollTo(at);
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(at).center());
    } else {
      GridGesture(grid);
    }
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    ClickButton(b);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    if (c->count() == 0) return;
    if (Chance(0.4)) {
      const int key = OneOf(std::vector<int>{Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End});
      Log(QString("press %1 in the list %2").arg(KeyName(key), Describe(c)));
      c->setFocus(Qt::TabFocusReason);
      QApplication::processEvents();
      if (c->hasFocus()) QTest::keyClick(c, static_cast<Qt::Key>(key));
    } else {
      const int i = Pick(c->count());
      Log(QString("choose \"%1\" in the list %2").arg(c->itemText(i), Describe(c)));
      c->setFocus(Qt::MouseFocusReason);
      QApplication::processEvents();
      if (!c->hasFocus()) return Note("the field before it keeps the focus");
      c->setCurrentIndex(i);
      emit c->activated(i);
    }
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    TypeInto(e);
  } else if (auto* l = qobject_cast<QListWidget*>(w)) {
    if (l->count() == 0) return;
    QListWidgetItem* item = l->item(Pick(l->count()));
    if (item->data(Qt::CheckStateRole).isValid() && Chance(0.6)) {
      Log(QString("tick \"%1\" in %2").arg(item->text(), Describe(l)));
      l->setFocus(Qt::MouseFocusReason);
      item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    } else {
      Log(QString("click \"%1\" in %2").arg(item->text(), Describe(l)));
      l->scrollToItem(item);
      QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(item).center());
    }
  } else if (auto* t = qobject_cast<QTreeWidget*>(w)) {
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItemIterator it(t); *it; ++it) items.push_back(*it);
    if (items.empty()) return;
    QTreeWidgetItem* item = OneOf(items);
    Log(QString("click \"%1\" in %2").arg(item->text(0), Describe(t)));
    t->scrollToItem(item);
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(item).center());
  } else if (auto* v = qobject_cast<QTableView*>(w)) {
    TableClick(v);
  }
}

void Session::FormGesture(TResourceForm* form) {
  QPointer<TResourceForm> f(form);
  TResource* resource = form->Resource();
  const QString title = Title(form);
  acting_ = form;
  if (!Activate(form)) Note("the form does not become the active window");
  const int roll = Pick(100);
  if (roll < 8) return CloseGesture(form, 0);
  if (roll < 12) return CloseGesture(form, 1);
  if (roll < 14) return CloseGesture(form, 2);
  if (roll < 16) return CloseGesture(form, 3);
  if (roll < 21) {
    const bool back = Chance(0.3);
    Log(QString("press %1 in \"%2\"").arg(back ? "Shift+Tab" : "Tab", title));
    KeyToFocus(back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
  } else if (auto* panel = qobject_cast<TPanelForm*>(form); panel && roll < 30) {
    // The keypads: the keypad editor, or the assignment of another panel's.
    QPushButton* button = Chance(0.75) ? panel->EditKeypadButton : panel->ConfigureButton;
    if (!button->isVisible()) {
      for (int i = 0; i < panel->Pages()->count(); ++i) {
        if (panel->Pages()->widget(i)->isAncestorOf(button)) panel->Pages()->setCurrentIndex(i);
      }
      Log(QString("go to the page \"%1\" of \"%2\"").arg(panel->Pages()->tabText(panel->Pages()->currentIndex()), title));
    }
    if (button->isVisible() && button->isEnabled()) ClickButton(button);
  } else if (roll < 30) {
    auto* bar = form->Pages()->findChild<QTabBar*>();
    std::vector<int> tabs;
    for (int i = 0; bar && i < bar->count(); ++i) {
      if (bar->isTabVisible(i) && bar->isTabEnabled(i)) tabs.push_back(i);
    }
    if (tabs.empty() || !bar->isVisible()) return;
    const int i = OneOf(tabs);
    Log(QString("go to the page \"%1\" of \"%2\"").arg(bar->tabText(i), title));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
  } else {
    Log(QString("in \"%1\":").arg(title));
    WidgetGesture(form);
  }
  // Return in a field presses OK.
  if (f && !f->isVisible() && f->result() == QDialog::Accepted && resource) {
    Note("the form closed as OK closes it");
    CompareWithFresh(f, resource);
  }
}

void Session::CloseGesture(TResourceForm* form, int how) {
  static const char* names[] = {"Apply", "OK", "Cancel", "Escape"};
  QPointer<TResourceForm> f(form);
  TResource* resource = form->Resource();
  Log(QString("%1 in \"%2\"").arg(names[how], Title(form)));
  // Closing with changes not applied asks: the user discards them or keeps
  // editing (Apply there is the Apply gesture's).
  if (how >= 2 && form->HasChanges()) {
    const bool discard = Chance(0.5);
    Note(discard ? "answers Discard to the changes not applied" : "answers Keep Editing");
    ui_.Choices.enqueue(discard ? 1 : 2);
  }
  switch (how) {
    case 0: QTest::mouseClick(form->ApplyButton(), Qt::LeftButton); break;
    case 1: QTest::mouseClick(form->OkButton(), Qt::LeftButton); break;
    case 2: form->CancelButton()->click(); break;
    default: KeyToFocus(Qt::Key_Escape); break;
  }
  ui_.Choices.clear();  // an Escape a field took for itself asked nothing
  if (!f || how >= 2 || !resource) return;
  const bool closed = !f->isVisible();
  if (how == 0 && !closed && !f->ApplyButton()->isEnabled() && !f->HasChanges()) {
    CompareWithFresh(f, resource);
  } else if (closed && f->result() == QDialog::Accepted) {
    CompareWithFresh(f, resource);
  } else {
    Note(closed ? "the form closed" : "the form keeps changes pending");
  }
}

void Session::CompareWithFresh(TResourceForm* form, TResource* resource) {
  // What either form holds unstored, or shows as the user's view, is left
  // out of both pictures.
  QList<const QWidget*> skip = ViewOnly(form);
  if (auto* k = qobject_cast<TKorvellForm*>(form); k && k->Macros->IsSalvoPending()) {
    skip << k->Macros->MacrosStringGrid;
  }
  const bool editing = resource->Editing;
  const QPointer<TResourceForm> registered = resource->EditorForm;
  std::unique_ptr<TResourceForm> fresh = FreshForm(*form, *resource);
  resource->Editing = editing;
  resource->EditorForm = registered;
  if (!fresh) return Fail("the form cannot be opened afresh");
  const QList<const QWidget*> freshOwn = ViewOnly(fresh.get());
  const QList<const QWidget*> freshSkip = freshOwn + Counterparts(skip, form, fresh.get());
  skip += Counterparts(freshOwn, fresh.get(), form);
  const Dump old = DumpWindow(form, skip);
  const Dump again = DumpWindow(fresh.get(), freshSkip);
  fresh.reset();
  resource->Editing = editing;
  resource->EditorForm = registered;
  if (old.lines != again.lines) {
    Fail(QString("\"%1\" opened afresh shows otherwise than after Apply:\n%2").arg(Title(form), DumpDifference(old, again)));
  }
}

// ------------------------------------------------------------ modal dialogs

int Session::DriveModal(QDialog& dialog) {
  // What the gesture did before the dialog opened is checked first.
  if (outer_ && !Failed()) AfterGesture(outer_, false);
  ++depth_;
  int result = QDialog::Rejected;
  if (auto* k = qobject_cast<TKeypadForm*>(&dialog)) {
    result = DriveKeypadEditor(*k);
  } else if (auto* a = qobject_cast<TKeypadAssignmentForm*>(&dialog)) {
    result = DriveAssignment(*a);
  } else {
    result = DriveGeneric(dialog);
  }
  --depth_;
  // What the dialog did, before the gesture goes on.
  if (outer_ && !Failed()) AfterGesture(outer_, false);
  stepsBefore_ = Manager().Steps().UndoCount();
  redoBefore_ = Manager().Steps().CanRedo();
  return result;
}

int Session::DriveGeneric(QDialog& dialog) {
  Note("the dialog \"" + Title(&dialog) + "\" opens");
  for (QListWidget* l : dialog.findChildren<QListWidget*>()) {
    if (l->count() > 0 && Chance(0.85)) {
      const int row = Pick(l->count());
      l->setCurrentRow(row);
      Note("chooses \"" + l->item(row)->text() + "\"");
    }
  }
  for (QLineEdit* e : dialog.findChildren<QLineEdit*>()) {
    if (!e->isHidden() && e->isEnabled() && Chance(0.5)) {
      const QString text = RandomName();
      e->setText(text);
      Note("types \"" + text + "\"");
    }
  }
  QPushButton* ok = nullptr;
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
    if (b->text().remove('&').compare("OK", Qt::CaseInsensitive) == 0) ok = b;
  }
  if (!ok) {
    if (auto* box = dialog.findChild<QDialogButtonBox*>()) ok = box->button(QDialogButtonBox::Ok);
  }
  if (ok && Chance(0.8)) {
    Note("presses OK");
    ok->click();
  } else {
    Note("cancels");
  }
  if (dialog.isVisible() || dialog.result() != QDialog::Accepted) dialog.reject();
  return dialog.result();
}

int Session::DriveAssignment(TKeypadAssignmentForm& form) {
  Note("the keypad assignment opens for \"" + form.pnlPanel->text() + "\"");
  const int clicks = Pick(4);
  for (int i = 0; i < clicks && form.DataGrid->rowCount() > 0; ++i) {
    const int row = Pick(form.DataGrid->rowCount()), column = Pick(form.DataGrid->columnCount());
    Note(QString("clicks cell (%1, %2)").arg(row).arg(column));
    form.CellClicked(row, column);
  }
  for (QPushButton* b : {form.UseKeypadsButton, form.CopyKeypadsButton}) {
    if (!b->isHidden() && b->isEnabled() && Chance(0.3)) {
      Note("presses " + Describe(b));
      b->click();
      if (Failed()) break;
    }
  }
  Note("presses OK");
  form.OkButton->click();
  return form.result();
}

int Session::DriveKeypadEditor(TKeypadForm& form) {
  Note("the keypad editor opens: " + form.windowTitle());
  const QPointer<QWidget> outerWindow = acting_;
  acting_ = &form;
  if (!Activate(&form)) Note("the keypad editor does not become the active window");
  const int gestures = 2 + Pick(30);
  for (int i = 0; i < gestures && form.isVisible() && !Failed() && step_ < steps_; ++i) {
    ++step_;
    stepsBefore_ = Manager().Steps().UndoCount();
    redoBefore_ = Manager().Steps().CanRedo();
    TResource* resource = form.Resource();
    const Allowed allowed = ScopeOf(&form);
    const int roll = Pick(100);
    if (roll < 7) {
      CloseGesture(&form, 0);
    } else if (roll < 10) {
      CloseGesture(&form, 1);
    } else if (roll < 12) {
      CloseGesture(&form, Chance(0.5) ? 2 : 3);
    } else {
      KeypadGesture(form);
      if (!form.isVisible() && form.result() == QDialog::Accepted && resource) {
        CompareWithFresh(&form, resource);
      }
    }
    ++done_;
    if (!Failed()) AfterGesture(allowed, false);
  }
  if (form.isVisible() && !Failed()) {
    ++step_;
    Log("Cancel in the keypad editor, discarding what it holds");
    if (form.HasChanges()) ui_.Choices.enqueue(1);
    form.CancelButton()->click();
    ui_.Choices.clear();
  }
  acting_ = outerWindow;
  return form.result();
}

void Session::KeypadGesture(TKeypadForm& form) {
  std::vector<int> shown;
  for (int p = 0; p < editor::kLayoutPositions; ++p) {
    if (form.ButtonShown(p)) shown.push_back(p);
  }
  const int roll = Pick(100);
  if (shown.empty() || roll >= 62) {
    if (roll < 70) {
      auto* bar = form.Pages()->findChild<QTabBar*>();
      std::vector<int> tabs;
      for (int i = 0; bar && i < bar->count(); ++i) {
        if (bar->isTabVisible(i)) tabs.push_back(i);
      }
      if (tabs.empty()) return;
      const int i = OneOf(tabs);
      Log(QString("go to the page \"%1\" of the keypad editor").arg(bar->tabText(i)));
      QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
      return;
    }
    if (roll < 75 && !form.SelectKeypadRadioGroup->isHidden()) {
      const int id = Pick(2);
      Log(QString("choose keypad %1 in \"Keypad\"").arg(id == 0 ? "Source" : "Destination"));
      ClickButton(form.SelectKeypadRadioGroup->Button(id));
      return;
    }
    if (roll < 80 && form.CurrentNode() && !form.CurrentNode()->IsRoot()) {
      const QString text = RandomName();
      Log(QString("rename the current sequence node to \"%1\"").arg(text));
      form.NodeTextEdited(form.CurrentNode(), text);
      return;
    }
    Log("in the keypad editor:");
    WidgetGesture(&form);
    return;
  }
  const int p = OneOf(shown);
  const QString key = QString("key %1 (\"%2\")").arg(p).arg(form.CaptionLine(p, 0));
  // Names are dragged from the list of names, keys that may be dragged onto
  // others, assignments from the lists of "Button Per ": what the page shows.
  if (roll < 15 && !form.NameList->isVisible()) return KeypadGesture(form);
  if (roll >= 15 && roll < 23 && !form.KeyButtons[static_cast<std::size_t>(p)]->Draggable) return KeypadGesture(form);
  if (roll >= 23 && roll < 33 && !form.BPSourceListBox->isVisible()) return KeypadGesture(form);
  if (roll < 15) {
    QString name;
    if (form.NameList->count() > 0 && Chance(0.7)) {
      name = form.NameList->item(Pick(form.NameList->count()))->text();
    } else {
      name = RandomName();
    }
    const bool took = form.DropName(p, name);
    Log(QString("drop the name \"%1\" onto %2%3").arg(name, key, took ? "" : " (refused)"));
  } else if (roll < 23) {
    const int to = OneOf(shown);
    const bool took = form.DropKey(p, to);
    Log(QString("drag %1 onto key %2%3").arg(key).arg(to).arg(took ? "" : " (refused)"));
  } else if (roll < 33) {
    const int kind = Pick(3);
    QListWidget* list = kind == 0 ? form.BPSourceListBox : kind == 1 ? form.BPDestListBox : form.BPMacroListBox;
    if (list->count() == 0 || !list->isEnabled()) return;
    const int index = Pick(list->count());
    const bool took = kind == 0 ? form.DropSource(p, index) : kind == 1 ? form.DropDest(p, index) : form.DropSalvo(p, index);
    Log(QString("drop \"%1\" onto %2%3").arg(list->item(index)->text(), key, took ? "" : " (refused)"));
  } else if (roll < 45) {
    const auto& menu = form.Keypads()->FunctionMenu;
    if (menu.empty()) return;
    const auto& function = OneOf(menu);
    const bool took = form.ChooseFunction(p, function.code);
    Log(QString("choose \"%1\" for %2%3").arg(function.text, key, took ? "" : " (refused)"));
  } else {
    ClickButton(form.KeyButtons[static_cast<std::size_t>(p)]);
  }
}

}  // namespace zephra::session
