// Reconfigure and convert through the main window, and the port and
// control-frame forms, on real files through the real library.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QApplication>
#include <QSpinBox>
#include <QTreeWidget>

#include "../dbs/config_fixtures.h"
#include "../dbs/temp_dir.h"
#include "MainformCode.h"
#include "WizardForms.h"
#include "forms/ControlFrameForm.h"
#include "forms/PortResourceForm.h"
#include "main_window_fixture.h"
#include "scripted_ui.h"

namespace {

using zephra::test::Str;

// A wizard run that takes the record's own values, or gives level 1 `sources`.
std::function<int(QDialog&)> Wizard(int sources = 0) {
  return [sources](QDialog& dialog) {
    auto& wizard = static_cast<TCreationWizardForms&>(dialog);
    wizard.Next();
    if (wizard.FormatGroup->button(2)->isVisibleTo(&wizard)) wizard.FormatGroup->button(2)->setChecked(true);
    wizard.Next();
    bool first = true;
    while (wizard.CurrentPage() == TCreationWizardForms::Level) {
      if (first && sources) wizard.Sources->setValue(sources);
      first = false;
      wizard.Next();
    }
    wizard.Next();
    return wizard.result();
  };
}

struct ReconfigureTest : MainWindowFixture {
  void New(int sources = 0) { NewWith(Wizard(sources)); }
  TConfigurationRecord Config(Str& name) {
    TConfigurationRecord c{};
    c.name = name;
    EXPECT_EQ(dbs_GetConfig(&c, H()), DBS_OK);
    return c;
  }
  QString SourceName(int16_t level, int16_t source) {
    Str name(u"........");
    const TSourceIndexRecord at{0, level, source};
    EXPECT_EQ(dbs_GetSourceName(&at, name, H()), DBS_OK);
    return QString::fromStdU16String(name.Text());
  }
};

TEST_F(ReconfigureTest, MoreSourcesKeepTheNamesAndInhibits) {
  New(32);
  const TSourceIndexRecord cam{0, 0, 5};
  ASSERT_EQ(dbs_SetSourceName(&cam, Str(u"CAM 6   "), H()), DBS_OK);
  std::vector<uint8_t> inhibits(16 * 4, 0);  // 16 destinations of 32 sources
  inhibits[4 * 3] = 0x21;
  inhibits[4 * 3 + 3] = 0x80;
  ASSERT_EQ(dbs_SetLevelInhibits(0, 0, inhibits.data(), static_cast<uint16_t>(inhibits.size()), H()), DBS_OK);
  uint16_t type = 0;
  ASSERT_EQ(dbs_GetLevelType(0, 0, &type, H()), DBS_OK);

  ui.Dialogs.enqueue(Wizard(64));
  ui.Answers.enqueue(true);  // the database's own file exists: replace it
  form->ReconfigureCommand();
  ASSERT_TRUE(ui.Messages.contains("Configuration Database Created")) << ui.Messages.join('|').toStdString();
  EXPECT_FALSE(QFileInfo::exists("~tempdb"));  // the scratch database went through and is gone
  EXPECT_EQ(form->Manager().CommonInterface.FileCount, 1);
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      Zephra.ZP3");
  Str name(u"................");
  const TConfigurationRecord c = Config(name);
  EXPECT_EQ(c.sourceCount[0][0], 64);
  EXPECT_EQ(SourceName(0, 5), "CAM 6   ");
  std::vector<uint8_t> now(16 * 8);
  uint16_t length = static_cast<uint16_t>(now.size());
  ASSERT_EQ(dbs_GetLevelInhibits(0, 0, now.data(), &length, H()), DBS_OK);
  EXPECT_EQ(now[8 * 3], 0x21);
  EXPECT_EQ(now[8 * 3 + 3], 0x80);
  EXPECT_EQ(now[8 * 3 + 4], 0);  // the new sources are not inhibited
  uint16_t after = 0;
  ASSERT_EQ(dbs_GetLevelType(0, 0, &after, H()), DBS_OK);
  EXPECT_EQ(after, type);
}

TEST_F(ReconfigureTest, ARefusedReconfigureLeavesTheOldDatabaseOpen) {
  New();
  const DbsHandle before = H();
  ui.Dialogs.enqueue(Wizard());
  // The library refuses the new configuration.
  TLibraryApi savedApi = Library();
  Library().ReconfigureFile = [](DbsString, const TConfigurationRecord*, int32_t, DbsHandle*) -> DbsStatus {
    return DBS_ERR_INVALID_CONFIG;
  };
  ui.Answers.enqueue(true);
  form->ReconfigureCommand();
  Library() = savedApi;
  EXPECT_TRUE(ui.Messages.contains("The database configuration is invalid"));
  EXPECT_TRUE(ui.Messages.contains("Cannot create the file"));
  EXPECT_EQ(H(), before);
  uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, before), DBS_OK);
  EXPECT_TRUE(form->SaveAsAction->isEnabled());
}

TEST_F(ReconfigureTest, AFailedCopyFromTheScratchDatabaseReopensTheOriginal) {
  New();
  const auto original = QFileInfo("Zephra.ZP3").size();
  TLibraryApi savedApi = Library();
  Library().SaveFile = [](DbsString, int32_t, DbsHandle*) -> DbsStatus { return DBS_SYS_ACCESS_DENIED; };
  ui.Dialogs.enqueue(Wizard(32));
  ui.Answers.enqueue(true);
  form->ReconfigureCommand();
  Library() = savedApi;
  EXPECT_TRUE(ui.Messages.contains("Access to the file is denied"));
  EXPECT_FALSE(QFileInfo::exists("~tempdb"));
  EXPECT_EQ(QFileInfo("Zephra.ZP3").size(), original);
  EXPECT_EQ(form->Manager().CommonInterface.FileCount, 1);
  Str name(u"................");
  EXPECT_EQ(Config(name).sourceCount[0][0], 16);  // the original, open and valid
}

TEST_F(ReconfigureTest, OldFormatsConvertAndTheWindowEndsEmpty) {
  ASSERT_EQ(std::system((std::string(KV1_WRITER) + " " + dir.File("Old.KV1") + " 33:32:32 7:16:16").c_str()), 0);
  ui.FileNames.enqueue(QDir::current().filePath("Old.KV1"));
  form->ConvertCommand(DBS_TYPE_V3);
  EXPECT_TRUE(ui.Messages.contains("Database converted and saved as Old.ZP3")) << ui.Messages.join('|').toStdString();
  EXPECT_TRUE(QFileInfo::exists("Old.ZP3"));
  EXPECT_EQ(form->Tree()->topLevelItemCount(), 0);
  EXPECT_FALSE(form->SaveAsAction->isEnabled());

  // A V2 database: shown meanwhile, converted, closed.
  ASSERT_EQ(std::system((std::string(ZEPHRA_DB_PROGRAM) + " create Mid.ZP2 --format v2 > /dev/null").c_str()), 0);
  ui.FileNames.enqueue(QDir::current().filePath("Mid.ZP2"));
  form->ConvertCommand(DBS_TYPE_V3);
  EXPECT_TRUE(ui.Messages.contains("Database converted and saved as Mid.ZP3"));
  DbsHandle h = -1;
  ASSERT_EQ(dbs_OpenFile(Str(QDir::current().filePath("Mid.ZP3").toStdU16String()), 0, &h), DBS_OK);
  Str name(u"................");
  TConfigurationRecord c{};
  c.name = name;
  ASSERT_EQ(dbs_GetConfig(&c, h), DBS_OK);
  EXPECT_EQ(c.configType, DBS_TYPE_V3);
  EXPECT_EQ(c.levelCount[0], 4);
  EXPECT_EQ(dbs_CloseFile(h), DBS_OK);

  // An extension in lower case is not one of the formats.
  QFile::copy("Mid.ZP2", "Low.zp2");
  ui.FileNames.enqueue(QDir::current().filePath("Low.zp2"));
  form->ConvertCommand(DBS_TYPE_V3);
  EXPECT_EQ(ui.Messages.last(), "Attempting to convert invalid database format");
  EXPECT_FALSE(QFileInfo::exists("Low.ZP3"));
}

// The port form of a node, opened as Properties opens it.
TPortForm* OpenPort(TMainForm& form, const QString& port) {
  form.Tree()->setCurrentItem(form.Manager().FindNode(port));
  EXPECT_TRUE(form.PropertiesAction->isEnabled());
  form.PropertiesCommand();
  auto* resource = TDatabaseManager::ResourceOf(form.Manager().FindNode(port));
  return qobject_cast<TPortForm*>(resource->EditorForm.data());
}

void Choose(QComboBox* combo, const QString& text) {
  const int i = combo->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

TEST_F(ReconfigureTest, ThePortFormMapsEveryControlToTheRecord) {
  New();
  TGeneralPortRecord r{};
  r.port = 2;
  ASSERT_EQ(dbs_GetGeneralPort(2, &r, H()), DBS_OK);
  r.protocol = 5;  // not one the form knows: shown as "General Switcher"
  r.stopBits = 1;
  ASSERT_EQ(dbs_SetGeneralPort(2, &r, H()), DBS_OK);
  TPortForm* f = OpenPort(*form, "RS485-2");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "RS485-2");
  EXPECT_EQ(f->ProtocolCombo->currentText(), "General Switcher");
  EXPECT_EQ(f->StopBitsCombo->currentText(), "0.5");
  EXPECT_FALSE(f->HandshakingCombo->isEnabled());  // only RS232-1 has handshaking
  EXPECT_FALSE(f->ApplyButton()->isEnabled());
  // A second Properties raises the same form.
  form->PropertiesCommand();
  EXPECT_EQ(OpenPort(*form, "RS485-2"), f);
  Choose(f->BaudRateCombo, "19200");
  Choose(f->ParityCombo, "Odd");
  Choose(f->DataBitsCombo, "7");
  f->InhibitsGroup->button(0)->click();  // Apply
  ASSERT_TRUE(f->ApplyButton()->isEnabled());
  f->ApplyButton()->click();
  EXPECT_FALSE(f->ApplyButton()->isEnabled());
  TGeneralPortRecord back{};
  ASSERT_EQ(dbs_GetGeneralPort(2, &back, H()), DBS_OK);
  EXPECT_EQ(back.protocol, 2);
  EXPECT_EQ(back.baudRate, 19200u);
  EXPECT_EQ(back.parity, 1);
  EXPECT_EQ(back.dataBits, 7);
  EXPECT_EQ(back.stopBits, 1);  // unchanged, saved as it was
  EXPECT_NE(back.routeInhibits, 0u);
  Choose(f->StopBitsCombo, "2");
  Choose(f->ProtocolCombo, "OEM");
  Choose(f->ProtocolCombo, "Multi-Drop");
  EXPECT_TRUE(f->DuplexCombo->isEnabled());
  EXPECT_FALSE(f->InhibitsBox->isEnabled());
  Choose(f->DuplexCombo, "Half ( 2 Wire )");
  f->OkButton()->click();
  ASSERT_EQ(dbs_GetGeneralPort(2, &back, H()), DBS_OK);
  EXPECT_EQ(back.stopBits, 4);
  EXPECT_EQ(back.protocol, 6);
  EXPECT_EQ(back.duplex, 1);
}

TEST_F(ReconfigureTest, OnTheControllersOwnPortOnlyTheInhibitsChange) {
  New();
  TPortForm* f = OpenPort(*form, "RS232-1");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->ProtocolCombo->count(), 2);
  for (QWidget* w : std::initializer_list<QWidget*>{f->ProtocolCombo, f->BaudRateCombo, f->DataBitsCombo,
                                                    f->ParityCombo, f->StopBitsCombo, f->HandshakingCombo,
                                                    f->DuplexCombo, f->MiscellaneousBox}) {
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  }
  EXPECT_TRUE(f->InhibitsBox->isEnabled());
  // While on-line a change resets the controller: the user is asked first.
  form->Manager().CommonInterface.OnlineStatus = true;
  ASSERT_EQ(f->InhibitsGroup->checkedId(), 1);  // "Ignore", as stored
  f->InhibitsGroup->button(0)->click();
  ui.Answers.enqueue(false);
  f->OkButton()->click();
  EXPECT_EQ(ui.Messages.last(), "This will reset the controller. Do you want to continue?");
  EXPECT_EQ(ui.Kinds.last(), "warning-yes-cancel");
  EXPECT_TRUE(f->isVisible());
  TGeneralPortRecord back{};
  ASSERT_EQ(dbs_GetGeneralPort(0, &back, H()), DBS_OK);
  EXPECT_EQ(back.routeInhibits, 0u);  // nothing written
  form->Manager().CommonInterface.OnlineStatus = false;
  f->CancelButton()->click();
}

TEST_F(ReconfigureTest, APortThatStopsBeingMultiDropSendsItsDevicesToTheStoreroom) {
  New();
  QTreeWidgetItem* port = form->Manager().FindNode("RS485-1");
  QTreeWidgetItem* storeroom = form->Manager().FindNode("Storeroom");
  ASSERT_TRUE(form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("Panel 1")), port));
  ASSERT_TRUE(form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("UMD 1")), port));
  TPortForm* f = OpenPort(*form, "RS485-1");
  ASSERT_NE(f, nullptr);
  Choose(f->ProtocolCombo, "General Switcher");
  // The user is told which devices go, and Cancel (the default) keeps the
  // form open with nothing written.
  ui.Answers.enqueue(false);
  const qsizetype before = ui.Messages.size();
  f->OkButton()->click();
  ASSERT_EQ(ui.Messages.size(), before + 1);
  EXPECT_EQ(ui.Messages.last(),
            "RS485-1 is no longer a Multi-Drop port: its 2 panels and UMDs go to the Storeroom. Do you want to continue?");
  EXPECT_EQ(ui.Defaults.last(), "Cancel");
  EXPECT_TRUE(ui.Details.last().contains("Panel 1 (no. 1, address 1)")) << ui.Details.last().toStdString();
  EXPECT_TRUE(ui.Details.last().contains("UMD 1 (no. 1, address")) << ui.Details.last().toStdString();
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(port->childCount(), 2);
  TGeneralPortRecord kept{};
  ASSERT_EQ(dbs_GetGeneralPort(1, &kept, H()), DBS_OK);
  EXPECT_EQ(kept.protocol, 6);
  ui.Answers.enqueue(true);
  f->OkButton()->click();
  EXPECT_EQ(port->childCount(), 0);
  EXPECT_EQ(storeroom->childCount(), 64);
  uint16_t p = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(0, &p, &address, H()), DBS_OK);
  EXPECT_EQ(p, 0xFFFF);
  ASSERT_EQ(dbs_GetUMDPort(0, &p, &address, H()), DBS_OK);
  EXPECT_EQ(p, 0xFFFF);
  auto* panel = dynamic_cast<TMultiDropResource*>(TDatabaseManager::ResourceOf(form->Manager().FindNode("Panel 1")));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->PortNumber, -1);
  EXPECT_EQ(panel->DropAddress, -1);
  // Nothing may be dropped on it now.
  EXPECT_FALSE(form->DropOn(panel, port));
}

TEST_F(ReconfigureTest, TheControlFrameSummaryShowsTheConfiguration) {
  New();
  form->Tree()->setCurrentItem(form->Manager().FindNode("Zephra"));
  form->PropertiesCommand();
  auto* frame = TDatabaseManager::ResourceOf(form->Manager().FindNode("Zephra"));
  auto* f = qobject_cast<TKorvellControlFrameForm*>(frame->EditorForm.data());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "Zephra Configuration");
  EXPECT_EQ(f->pnNumberOfLevelsEdit->text(), "4");
  EXPECT_EQ(f->pnLevelSource[0]->text(), "16");
  EXPECT_EQ(f->pnLevelDest[3]->text(), "16");
  EXPECT_EQ(f->pnLevelSource[4]->text(), "");
  // Opening another database closes it first.
  form->ResetToEmpty();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form->Manager().OpenFormCount(), 0);
}

}  // namespace
