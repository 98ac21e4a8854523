// The session's picture of a window: every value its controls show, by a
// path of control names, for comparing a form with one opened afresh; and
// the file's own checks.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>

#include "dbs/checker.h"
#include "dbs/damage.h"
#include "dbs/layout.h"
#include "forms/KeypadResourceForm.h"
#include "forms/KorvellResourceForm.h"
#include "forms/LevelResourceForm.h"
#include "forms/PanelResourceForm.h"
#include "forms/PortResourceForm.h"
#include "forms/SalvoPage.h"
#include "forms/StringGrid.h"
#include "forms/UMDForm.h"
#include "forms/FormFields.h"
#include "session.h"

namespace zephra::session {

namespace {

// A control's place: the names (or kind and rank) of the controls from the
// window down to it.
QString PathOf(const QWidget* w, const QWidget* root) {
  QStringList parts;
  for (const QWidget* at = w; at && at != root; at = at->parentWidget()) {
    QString part = at->objectName();
    // A page of a stack by its place (showing a page raises it among its
    // siblings).
    if (auto* stack = qobject_cast<const QStackedWidget*>(at->parentWidget()); stack && part.isEmpty()) {
      part = QString("page#%1").arg(stack->indexOf(const_cast<QWidget*>(at)));
    }
    if (part.isEmpty()) {
      int rank = 0;
      if (const QWidget* parent = at->parentWidget()) {
        for (const QObject* sibling : parent->children()) {
          if (sibling == at) break;
          if (sibling->metaObject() == at->metaObject()) ++rank;
        }
      }
      part = QString("%1#%2").arg(at->metaObject()->className()).arg(rank);
    }
    parts.prepend(part);
  }
  return parts.join('/');
}

// Whether the user sees `w` when its page is shown: nothing on the way up
// was hidden on purpose (a page of a tab widget counts as shown while its
// tab is).
bool Shown(const QWidget* w, const QWidget* root) {
  for (const QWidget* at = w; at && at != root; at = at->parentWidget()) {
    const QWidget* parent = at->parentWidget();
    if (auto* stack = qobject_cast<const QStackedWidget*>(parent)) {
      if (auto* tabs = qobject_cast<const QTabWidget*>(stack->parentWidget())) {
        const int index = tabs->indexOf(const_cast<QWidget*>(at));
        if (index >= 0 && !tabs->isTabVisible(index)) return false;
        continue;
      }
    }
    if (at->testAttribute(Qt::WA_WState_ExplicitShowHide) && at->testAttribute(Qt::WA_WState_Hidden)) return false;
  }
  return true;
}

bool Within(const QWidget* w, const QList<const QWidget*>& skip, const QWidget* root) {
  for (const QWidget* at = w; at && at != root; at = at->parentWidget()) {
    if (skip.contains(at)) return true;
  }
  return false;
}

QString Check(Qt::CheckState s) { return s == Qt::Checked ? "[x]" : s == Qt::PartiallyChecked ? "[-]" : "[ ]"; }

void DumpTreeItem(QStringList& out, const QString& path, QTreeWidgetItem* item, const QString& indent) {
  out << QString("%1: %2%3%4").arg(path, indent, item->text(0), item->isSelected() ? " (selected)" : "");
  for (int i = 0; i < item->childCount(); ++i) DumpTreeItem(out, path, item->child(i), indent + "  ");
}

void DumpTable(QStringList& out, const QString& path, QTableView* view) {
  QAbstractItemModel* m = view->model();
  if (!m) return;
  const auto* grid = qobject_cast<TStringGrid*>(view);
  // An edit the grid has not checked yet is the user's, not the file's.
  const QModelIndex unchecked =
      grid && const_cast<TStringGrid*>(grid)->HasUncheckedEdit() ? view->currentIndex() : QModelIndex();
  for (int r = 0; r < m->rowCount(); ++r) {
    QStringList row;
    for (int c = 0; c < m->columnCount(); ++c) {
      const QModelIndex i = m->index(r, c);
      if (i == unchecked) {
        row << "<unchecked>";
        continue;
      }
      // Trailing blanks do not show.
      QString cell = m->data(i, Qt::DisplayRole).toString();
      while (cell.endsWith(' ')) cell.chop(1);
      const QVariant check = m->data(i, Qt::CheckStateRole);
      if (check.isValid()) cell += Check(static_cast<Qt::CheckState>(check.toInt()));
      row << cell;
    }
    // A salvo row without any source stores nothing: which association the
    // user put there is the user's layout of the page.
    const bool emptySalvoRow = view->objectName() == "MacrosStringGrid" &&
                               std::all_of(row.begin(), row.end(), [](const QString& c) { return c.isEmpty(); });
    const QString header = emptySalvoRow ? QString() : m->headerData(r, Qt::Vertical).toString();
    out << QString("%1 row %2 [%3]: %4").arg(path).arg(r).arg(header, row.join('|'));
  }
}

}  // namespace

Dump DumpWindow(QWidget* root, const QList<const QWidget*>& skip) {
  Dump d;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!Shown(w, root) || Within(w, skip, root)) continue;
    // The editors inside a view or a combo box are shown by their owner.
    bool owned = false;
    for (QWidget* at = w->parentWidget(); at && at != root; at = at->parentWidget()) {
      owned = owned || qobject_cast<QAbstractItemView*>(at) || qobject_cast<QComboBox*>(at);
    }
    if (owned) continue;
    const QString path = PathOf(w, root);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      d.lines << path + ": '" + e->text() + "'";
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      d.lines << QString("%1: %2 '%3' of %4").arg(path).arg(c->currentIndex()).arg(c->currentText()).arg(c->count());
    } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
      d.lines << path + ": " + Check(b->checkState());
    } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
      d.lines << path + ": " + (r->isChecked() ? "(o)" : "( )");
    } else if (auto* k = qobject_cast<TKeyButton*>(w)) {
      d.lines << QString("%1: '%2' '%3'").arg(path, k->Line1, k->Line2);
    } else if (auto* l = qobject_cast<QListWidget*>(w)) {
      // Where the user is in a list of check boxes is not what it holds.
      bool checkable = false;
      for (int i = 0; i < l->count(); ++i) checkable = checkable || l->item(i)->data(Qt::CheckStateRole).isValid();
      const bool selection = !skip.contains(l->viewport()) && !checkable;
      for (int i = 0; i < l->count(); ++i) {
        QListWidgetItem* item = l->item(i);
        QString line = QString("%1 item %2: '%3'").arg(path).arg(i).arg(item->text());
        if (item->data(Qt::CheckStateRole).isValid()) line += " " + Check(item->checkState());
        if (selection && item->isSelected()) line += " (selected)";
        d.lines << line;
      }
    } else if (auto* t = qobject_cast<QTreeWidget*>(w)) {
      for (int i = 0; i < t->topLevelItemCount(); ++i) DumpTreeItem(d.lines, path, t->topLevelItem(i), "");
    } else if (auto* v = qobject_cast<QTableView*>(w)) {
      DumpTable(d.lines, path, v);
    }
  }
  // A salvo's cells in rows without a destination association are never
  // stored.
  d.lines.removeIf([](const QString& line) { return line.contains(QRegularExpression("MacrosStringGrid row \\d+ \\[\\]")); });
  // Raising a control reorders its siblings: the picture is a set of lines.
  d.lines.sort();
  return d;
}

QList<const QWidget*> Counterparts(const QList<const QWidget*>& widgets, QWidget* from, QWidget* to) {
  QStringList paths;
  for (const QWidget* w : widgets) {
    if (w && from->isAncestorOf(w)) paths << PathOf(w, from);
  }
  QList<const QWidget*> out;
  if (paths.isEmpty()) return out;
  for (const QWidget* w : to->findChildren<QWidget*>()) {
    if (paths.contains(PathOf(w, to))) out << w;
  }
  return out;
}

QString DumpDifference(const Dump& a, const Dump& b) {
  QStringList out;
  QStringList onlyA = a.lines, onlyB = b.lines;
  for (const QString& line : a.lines) {
    if (onlyB.removeOne(line)) onlyA.removeOne(line);
  }
  for (const QString& line : onlyA.mid(0, 16)) out << "    shown:  " + line;
  for (const QString& line : onlyB.mid(0, 16)) out << "    afresh: " + line;
  if (out.isEmpty()) out << "    (the same lines in another order)";
  return out.join('\n');
}

QList<const QWidget*> ViewOnly(QWidget* form) {
  QList<const QWidget*> out;
  if (auto* f = qobject_cast<TLevelForm*>(form)) {
    // Options of the next action, never stored.
    out << f->NamesToLowerLevels << f->InhibitsToLowerLevels;
    for (QButtonGroup* g : {f->TriggerSetAll, f->SourceAudioSetAll, f->DestAudioSetAll}) {
      for (QAbstractButton* b : g->buttons()) out << b;
    }
  } else if (auto* k = qobject_cast<TKorvellForm*>(form)) {
    out << k->Macros->MacroSourceCheckBox << k->Macros->DestinationList->viewport() << k->OneToOneCheck
        << k->OneToOneDests;
    for (TStringGrid* g : {k->SourceAssocsStringGrid, k->DestAssocsStringGrid, k->Macros->MacrosStringGrid}) {
      out << g->viewport();
    }
  } else if (auto* panel = qobject_cast<TPanelForm*>(form)) {
    // The override level chooses the sources the lists offer. Sources chosen
    // while no level is (the lists then offer the first level's) are the
    // user's choice until a level is chosen: Apply stores no override for
    // them and the lists keep them. The level is stored only with a source.
    bool any = false;
    for (QComboBox* c : panel->OverrideCombos) any = any || (c && c->currentIndex() > 0);
    if (panel->OverrideSourceLevelComboBox->currentIndex() == 0) {
      for (QComboBox* c : panel->OverrideCombos) out << c;
      any = false;
    }
    if (!any) out << panel->OverrideSourceLevelComboBox;
  } else if (auto* p = qobject_cast<TKeypadForm*>(form)) {
    // A sequence being built (presses without a selection yet) is not
    // stored, nor one left so after "Add" started another: the tree, and
    // what shows the current node's selections when it is such a one.
    using zephra::editor::TSequenceNode;
    const auto unstored = [](const TSequenceNode& n) {
      return !n.IsRoot() && n.Children().empty() && !n.sides[0].ToStore() && !n.sides[1].ToStore() && !n.IsSalvo();
    };
    bool building = false;
    for (const TSequenceNode* node = p->CurrentNode(); node && !node->IsRoot(); node = node->Parent()) {
      building = building || unstored(*node);
    }
    const std::function<bool(const TSequenceNode&)> anyUnstored = [&](const TSequenceNode& n) {
      if (unstored(n)) return true;
      for (const auto& child : n.Children()) {
        if (anyUnstored(*child)) return true;
      }
      return false;
    };
    if (building || anyUnstored(p->Tree.Root())) out << p->SequenceTreeView;
    if (building) out << p->SourceCheck << p->SourceBox << p->DestCheck << p->DestBox << p->MacroCheck << p->MacroBox;
    // The name list offers names to drop on keys: "New" and "Remove" change
    // it, and it is made anew from the names stored when the editor opens.
    out << p->NameEdit << p->cbLockLists << p->NameList << p->BPSourceListBox->viewport()
        << p->BPDestListBox->viewport() << p->BPMacroListBox->viewport();
    // An entry chosen in a list whose box is not ticked is the one the next
    // tick assigns: the current node holds nothing there.
    for (const auto& [check, list] : {std::pair{p->SourceCheck, p->SourceBox}, {p->DestCheck, p->DestBox},
                                      {p->MacroCheck, p->MacroBox}}) {
      if (!check->isChecked()) out << list;
    }
  }
  return out;
}

namespace {

void ClickSame(QButtonGroup* like, QButtonGroup* fresh) {
  const int id = like->checkedId();
  if (id >= 0 && fresh->button(id) && fresh->checkedId() != id) fresh->button(id)->click();
}

void SameCell(TStringGrid* like, TStringGrid* fresh) {
  const QModelIndex at = like->currentIndex();
  if (at.isValid()) fresh->SelectCell(at.row(), at.column());
}

zephra::editor::TSequenceNode* NodeAt(zephra::editor::TSequenceTree& tree, const std::vector<std::u16string>& path) {
  zephra::editor::TSequenceNode* node = &tree.Root();
  for (const std::u16string& key : path) {
    zephra::editor::TSequenceNode* next = nullptr;
    for (const auto& child : node->Children()) {
      if (zephra::editor::SameKeyName(child->keyName, key)) next = child.get();
    }
    if (!next) return node;
    node = next;
  }
  return node;
}

}  // namespace

std::unique_ptr<TResourceForm> FreshForm(TResourceForm& like, TResource& resource) {
  if (auto* old = qobject_cast<TLevelForm*>(&like)) {
    auto f = std::make_unique<TLevelForm>(static_cast<TLevelResource&>(resource));
    if (!f->Load()) return nullptr;
    SameCell(old->SourcesGrid, f->SourcesGrid);
    SameCell(old->DestinationsGrid, f->DestinationsGrid);
    return f;
  }
  if (auto* old = qobject_cast<TKorvellForm*>(&like)) {
    auto f = std::make_unique<TKorvellForm>(static_cast<TKorvellControllerResource&>(resource));
    if (!f->Load(QString())) return nullptr;
    ClickSame(old->SourcesDisplayRadioGroup, f->SourcesDisplayRadioGroup);
    ClickSame(old->Macros->MacrosDisplayRadioGroup, f->Macros->MacrosDisplayRadioGroup);
    if (old->Macros->SalvoOpen) f->Macros->LoadSalvo(old->Macros->SalvoNumber, old->Macros->NameLabel->text());
    return f;
  }
  if (qobject_cast<TPanelForm*>(&like)) {
    auto f = std::make_unique<TPanelForm>(static_cast<TPanelResource&>(resource));
    if (!f->Load()) return nullptr;
    return f;
  }
  if (qobject_cast<TUMDResourceForm*>(&like)) {
    auto f = std::make_unique<TUMDResourceForm>(static_cast<TUMDResource&>(resource));
    if (!f->Load()) return nullptr;
    return f;
  }
  if (qobject_cast<TPortForm*>(&like)) return std::make_unique<TPortForm>(static_cast<TPortResource&>(resource));
  if (auto* old = qobject_cast<TKeypadForm*>(&like)) {
    auto f = std::make_unique<TKeypadForm>(static_cast<TKeypadResource&>(resource));
    if (!f->Load()) return nullptr;
    f->Pages()->setCurrentIndex(old->Pages()->currentIndex());
    if (!old->SelectKeypadRadioGroup->isHidden()) {
      const int id = old->SelectKeypadRadioGroup->ItemIndex();
      if (id >= 0 && id != f->SelectKeypadRadioGroup->ItemIndex()) f->SelectKeypadRadioGroup->Button(id)->click();
    }
    ClickSame(old->DisplayGroup->Buttons(), f->DisplayGroup->Buttons());
    if (old->CurrentNode()) f->SelectNode(NodeAt(f->Tree, old->CurrentNode()->Path()));
    return f;
  }
  return nullptr;
}

bool HoldsUnstored(TResourceForm& form) {
  if (form.HasChanges()) return true;
  if (auto* k = qobject_cast<TKorvellForm*>(&form)) return k->Macros->IsSalvoPending();
  return false;
}

QStringList VerifyFile(const std::vector<std::uint8_t>& bytes) {
  QStringList out;
  const Damage damage = DescribeDamage(bytes);
  if (!damage.summary.empty()) {
    out << QString::fromStdString(damage.summary);
    return out;
  }
  ConfigImage config;
  std::memcpy(&config, bytes.data(), sizeof config);
  const FormatInfo* format = FindFormat(config.configType);
  if (!format) return {"no format"};
  const ImageLayout layout = ComputeLayout(config, *format);
  for (const std::string& p : CheckStructures(config, layout, bytes)) out << QString::fromStdString(p);
  return out;
}

}  // namespace zephra::session
