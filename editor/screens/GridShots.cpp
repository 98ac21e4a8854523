// Pictures of the level editor and of the "Controller Data" window with its
// salvo page, every page, on the largest V3 database (eight levels at the
// format's limits), with some names, inhibits and a salvo filled in.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QListWidget>
#include <QTabWidget>
#include <QTreeWidget>

#include "MainformCode.h"
#include "forms/GridResources.h"
#include "forms/InhibitGrid.h"
#include "forms/KorvellResourceForm.h"
#include "forms/LevelResourceForm.h"
#include "forms/SalvoPage.h"
#include "forms/StringGrid.h"
#include "model/InhibitTable.h"
#include "model/LargestConfiguration.h"
#include "screens/Screenshots.h"

namespace {

constexpr uint16_t kAesWithAudio = 175;  // AES with the audio parameter on the E/C 128 router
constexpr uint16_t kSdvRouterG = 313;

// The database of the pictures: a few studio names, inhibits, a salvo.
void FillLargest(TCommonInterface& ci) {
  ci.SetLevelType(0, 0, kAesWithAudio, ci.FileHandle);
  ci.SetLevelType(0, 2, kSdvRouterG, ci.FileHandle);
  const char* cameras[] = {"CAM 1", "CAM 2", "CAM 3", "CAM 4", "VTR A", "VTR B", "GFX 1", "CLOCK"};
  for (int level = 0; level < 3; ++level) {
    for (int s = 0; s < 8; ++s) {
      TSourceValues v;
      if (!ReadSource(ci, level, s, v)) continue;
      v.names[1] = FitName(cameras[s], 8);
      if (level == 0) v.audioParam = static_cast<uint8_t>(s % 4);
      WriteSource(ci, level, v);
    }
  }
  const char* outputs[] = {"TX 1", "TX 2", "MON 1", "MON 2", "REC 1", "REC 2"};
  for (int d = 0; d < 6; ++d) ci.SetDestName(0, static_cast<uint16_t>(d), outputs[d], ci.FileHandle);
  TConfigurationRecord config{};
  ReadConfig(ci, config);
  zephra::editor::InhibitTable inhibits(config.sourceCount[0][0], config.destCount[0][0]);
  inhibits.Fill(2, 5, 4, 7, true);
  for (int i = 0; i < 12; ++i) inhibits.Set(8 + i, 10 + i, true);
  ci.SetLevelInhibits(0, 0, inhibits.Bytes(), static_cast<uint16_t>(inhibits.Bytes().size()), ci.FileHandle);
  TLibString shortName(QString("NEWS")), name(FitName("NEWS", 8));
  const TMacroStoreRecord salvo = {0, shortName, name, 0};
  ci.SetMacroStore(0, salvo, ci.FileHandle);
  for (int d = 0; d < 4; ++d) {
    for (int level = 0; level < 3; ++level) {
      const TMacroXPRecord xp = {0, static_cast<int16_t>(level), static_cast<int16_t>(d), static_cast<int16_t>(d + 4)};
      ci.SetMacroXP(0, xp, ci.FileHandle);
    }
  }
}

template <class Form>
Form* OpenNode(TMainForm& window, const QString& text) {
  window.Tree()->setCurrentItem(window.Manager().FindNode(text));
  window.PropertiesCommand();
  TResource* r = TDatabaseManager::ResourceOf(window.Manager().FindNode(text));
  return r ? qobject_cast<Form*>(r->EditorForm.data()) : nullptr;
}

void Close(TResourceForm* form) {
  form->Discard();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

void GridEditorShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  const QString demo = window.Manager().DatabaseFileName;
  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  zephra::editor::FillLargestConfig(config, DBS_TYPE_V3);
  std::copy_n(u"Largest   ", 10, config.name);
  if (!window.Manager().CreateNewDatabase(config)) return;
  FillLargest(window.Manager().CommonInterface);
  window.Manager().OpenDatabaseFile(window.Manager().DatabaseFileName, {2, 3, 4});
  window.EnableAfterOpen();

  if (auto* level = OpenNode<TLevelForm>(window, "Level 1")) {
    level->SourcesGrid->SelectCell(2, 0);
    level->InhibitGrid->SelectBlock(8, 8, 13, 13);
    emit level->InhibitGrid->Hovered(3, 5);
    shots.SavePages(*level, *level->Pages(), "level-editor");
    Close(level);
  }
  if (auto* data = OpenNode<TLevelForm>(window, "Level 2")) {
    shots.Save(*data, "level-editor-rs422");
    Close(data);
  }
  if (auto* form = OpenNode<TKorvellForm>(window, "Zephra Configuration")) {
    form->SourceAssocsStringGrid->SelectBlock(2, 1, 4, 2);
    TSalvoPage* salvos = form->Macros;
    // The selector of Open, and the salvo it opens.
    shots.PictureUi().Modal = [&shots](QDialog& dialog) {
      shots.Save(dialog, "salvo-select");
      return int(QDialog::Rejected);
    };
    form->Pages()->setCurrentWidget(salvos);
    salvos->Open();
    salvos->LoadSalvo(0, "NEWS");
    salvos->DestinationList->setCurrentRow(5);
    shots.SavePages(*form, *form->Pages(), "controller-data");
    form->SourcesDisplayRadioGroup->button(1)->click();
    form->Pages()->setCurrentIndex(0);
    shots.Save(*form, "controller-data-numbers");
    shots.PictureUi().Modal = [&shots](QDialog& dialog) {
      shots.Save(dialog, "salvo-rename");
      return int(QDialog::Rejected);
    };
    salvos->Rename();
    shots.PictureUi().Modal = nullptr;
    Close(form);
  }
  window.Manager().OpenDatabaseFile(demo, {2, 3, 4});
  window.EnableAfterOpen();
}
