// Pictures of the keypad editor: every panel type's layout, and every page
// with keys named, sequences and assignments for the types the layouts
// begin with.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTreeWidget>

#include "MainformCode.h"
#include "forms/FormFields.h"
#include "forms/KeypadResource.h"
#include "forms/KeypadResourceForm.h"
#include "model/KeypadLayout.h"
#include "screens/Screenshots.h"

using namespace zephra::editor;

namespace {

// The panel type's text, as a file name shows it.
QString Slug(int type) {
  const char* text = PanelTypeText(type);
  QString s = text ? QString(text).toLower() : QString("undefined");
  s.replace(QRegularExpression("[^a-z0-9]+"), "-");
  return s.remove(QRegularExpression("-$"));
}

int PositionOf(int type, int32_t code) {
  const TKeypadLayout& layout = KeypadLayout(type);
  for (int p = 0; p < kLayoutPositions; ++p) {
    if (layout.codes[static_cast<size_t>(p)] == code) return p;
  }
  return -1;
}

// The keypads a panel of the type has in the demo: dial-up ones where the
// panel offers them, each type with keypads of its own where it has keys
// named or assigned.
std::unique_ptr<TKeypadResource> Keypads(TMainForm& window, int type) {
  auto keypads = std::make_unique<TKeypadResource>(&window.Manager(), -1, type);
  static const QList<int> dialUp = {3, 4, 7, 24, 25, 26, 27, 28};
  const int d = static_cast<int>(dialUp.indexOf(type));
  const int own = type == 1 || type == 2 ? type : 0;
  keypads->LoadSourceKeypad(d >= 0 ? 64 + d : own);
  keypads->LoadDestKeypad(type == 3 ? 72 : type == 7 ? 73 : 32 + own);
  keypads->FunctionMenu = KeyFunctionMenu(type);
  keypads->PanelName = "Studio A";
  return keypads;
}

// Names, functions and sequences a user might have given a dial-up panel.
void DialUpContent(TKeypadForm& f, int type) {
  const QStringList names = {"CAM", "VTR", "GFX", "SAT", "LINE", "MIC", "STU", "OB"};
  for (int i = 0; i < names.size(); ++i) f.DropName(PositionOf(type, 1 + i), names[i]);
  for (int i = 1; i <= 8; ++i) f.DropName(PositionOf(type, 18 + i), QString::number(i));
  f.ChooseFunction(PositionOf(type, 0), kFnClear);
  f.ChooseFunction(PositionOf(type, 9), kFnLineUp);
  f.ChooseFunction(PositionOf(type, 18), kFnNext);
  f.ChooseFunction(PositionOf(type, 27), kFnPrevious);
  f.ChooseFunction(PositionOf(type, 35), kFnProtect);
  f.Apply();
  f.Pages()->setCurrentIndex(1);
  // CAM 1, CAM 2, VTR 1 and a salvo on SAT.
  for (auto [keys, source] : {std::pair{std::vector<int>{1, 19}, 0}, {{1, 20}, 1}, {{2, 19}, 4}}) {
    f.AddButton->click();
    for (int k : keys) f.KeyClicked(PositionOf(type, k));
    f.SourceBox->setCurrentRow(source);
    f.SourceCheck->click();
  }
  f.AddButton->click();
  f.KeyClicked(PositionOf(type, 4));
  f.MacroBox->setCurrentRow(1);
  f.MacroCheck->click();
  // What the panel shows after the first press of CAM and of VTR.
  f.DisplayGroup->SetItemIndex(TKeypadForm::SourcePartEntry);
  for (const auto& top : f.Tree.Root().Children()) {
    if (!top->IsSalvo()) f.NodeTextEdited(top.get(), QString::fromStdU16String(top->keyName) + " ..");
  }
  f.DisplayGroup->SetItemIndex(TKeypadForm::KeyPresses);
  f.Apply();
}

// The pages of a dial-up panel: the names, then the sequences with a press
// chosen, shown by its keys and by what it selects.
void SaveDialUpPages(TScreenshots& shots, TKeypadForm& f, const QString& name) {
  f.Pages()->setCurrentIndex(0);
  shots.Save(f, name + "-1-key-names");
  f.Pages()->setCurrentIndex(1);
  f.SelectNode(f.Tree.Root().Children().front()->Children().back().get());
  shots.Save(f, name + "-2-sequences");
  f.DisplayGroup->SetItemIndex(TKeypadForm::SourcePartEntry);
  emit f.DisplayGroup->Buttons()->idClicked(TKeypadForm::SourcePartEntry);
  shots.Save(f, name + "-2-sequences-part-entry");
}

void ButtonPerContent(TKeypadForm& f, int type) {
  for (int i = 0; i < 6; ++i) f.DropSource(PositionOf(type, i), i);
  f.DropSource(PositionOf(type, 6), 9);
  f.DropSalvo(PositionOf(type, 7), 0);
  for (int d = 0; d < 4; ++d) f.DropDest(PositionOf(type, 1000 + d), d + 2);
  f.Apply();
}

// The window with `menu` drawn over it at `position`'s button.
void SaveWithMenu(TScreenshots& shots, TKeypadForm& f, QMenu* menu, QWidget* at, const QString& name) {
  f.show();
  QApplication::processEvents();
  menu->popup(at->mapToGlobal(at->rect().center()));
  QApplication::processEvents();
  QPixmap picture = f.grab();
  QPainter painter(&picture);
  painter.drawPixmap(f.mapFromGlobal(menu->pos()), menu->grab());
  painter.end();
  menu->hide();
  if (!picture.save(QDir(shots.Folder()).filePath(name + ".png"))) shots.Save(f, name);
}

}  // namespace

void KeypadShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  for (int type = 0; type < kPanelTypes; ++type) {
    auto keypads = Keypads(window, type);
    auto form = std::make_unique<TKeypadForm>(*keypads);
    if (!form->Load()) continue;
    const QString name = QString("keypad-%1-%2").arg(type, 2, 10, QChar('0')).arg(Slug(type));
    const bool every = type == 1 || type == 2 || type == 3 || type == 24;
    if (every && keypads->SourceDialUp()) {
      DialUpContent(*form, type);
      SaveDialUpPages(shots, *form, name);
      if (type == 24) {
        // Its destination keypad is a button-per one.
        form->SelectKeypadRadioGroup->Button(1)->click();
        for (int d = 0; d < 2; ++d) form->DropDest(PositionOf(type, 1000 + 8 * d), d);
        shots.Save(*form, name + "-3-button-per-dest");
      }
    } else if (every) {
      ButtonPerContent(*form, type);
      shots.SavePages(*form, *form->Pages(), name);
    } else {
      if (type >= 25 && type <= 28) {
        // Its outputs with their alternative destinations, shown with Alt. Dest.
        form->ChooseFunction(PositionOf(type, 3), kFnAltDest);
        form->Apply();
        form->SelectKeypadRadioGroup->Button(1)->click();
        const int outputs = 2 * (type - 24);
        for (int d = 0; d < outputs; ++d) {
          form->DropDest(PositionOf(type, 1000 + d), d);
          form->DropDest(PositionOf(type, 11000 + outputs + d), 8 + d);
        }
      }
      if (!keypads->SourceDialUp()) {
        // Each key shows the association of its own number, so its place in
        // the keypad reads off the picture.
        for (int p = 0; p < kLayoutPositions; ++p) {
          const TKeyResource& k = form->Keys[static_cast<size_t>(p)];
          if (k.OnSourceKeypad()) form->DropSource(p, k.KeyNumber());
          if (k.OnDestKeypad()) form->DropDest(p, k.KeyNumber());
        }
      }
      shots.Save(*form, name);
    }
    if (type == 3) {
      form->Pages()->setCurrentIndex(0);
      const int key = PositionOf(type, 5);
      SaveWithMenu(shots, *form, form->KeyMenu(key), form->KeyButtons[static_cast<size_t>(key)],
                   "keypad-03-key-function-menu");
      form->Pages()->setCurrentIndex(1);
      SaveWithMenu(shots, *form, form->SequencePopup(), form->SequenceTreeView->viewport(),
                   "keypad-03-sequence-menu");
    }
    form->close();
  }
}
