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
  f.Apply();
  f.SelectNode(f.Tree.Root().Children().front()->Children().front().get());
}

void ButtonPerContent(TKeypadForm& f, int type) {
  for (int i = 0; i < 6; ++i) f.DropSource(PositionOf(type, i), i);
  f.DropSource(PositionOf(type, 6), 40);
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
    if (every) {
      if (keypads->SourceDialUp()) {
        DialUpContent(*form, type);
      } else {
        ButtonPerContent(*form, type);
      }
      shots.SavePages(*form, *form->Pages(), name);
    } else {
      if (type >= 25 && type <= 28) form->ChooseFunction(PositionOf(type, 3), kFnAltDest);  // its marked keys
      shots.Save(*form, name);
    }
    if (type == 3) {
      form->Pages()->setCurrentIndex(0);
      const int key = PositionOf(type, 5);
      SaveWithMenu(shots, *form, form->KeyMenu(key), form->KeyButtons[static_cast<size_t>(key)],
                   "keypad-03-key-function-menu");
      form->Pages()->setCurrentIndex(1);
      form->DisplayGroup->SetItemIndex(TKeypadForm::SourcePartEntry);
      emit form->DisplayGroup->Buttons()->idClicked(TKeypadForm::SourcePartEntry);
      SaveWithMenu(shots, *form, form->SequencePopup(), form->SequenceTreeView->viewport(),
                   "keypad-03-sequence-menu");
    }
    form->close();
  }
}
