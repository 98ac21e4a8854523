// The panel editor on real database files through the real library.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <cstdlib>
#include <set>

#include "device_fixture.h"
#include "forms/FormFields.h"
#include "forms/KeypadAssignment.h"
#include "forms/KeypadResourceForm.h"
#include "forms/PanelResourceForm.h"
#include "model/KeypadLayout.h"
#include "model/PanelTypes.h"
#include "simulator_port.h"
#include "UndoStack.h"

namespace {

using namespace zephra::editor;
using zephra::test::Choose;
using zephra::test::DeviceTest;
using zephra::test::Retype;
using zephra::test::Str;

enum Page { kDataPage, kOperationPage, kDestinationsPage, kOverridesPage };

void Pick(TPanelForm* f, const QString& type) {
  const int index = f->TypeCombo->findText(type);
  ASSERT_GE(index, 0) << type.toStdString();
  f->TypeCombo->setCurrentIndex(index);
  emit f->TypeCombo->activated(index);
}

QString SourceName(int level, int source, DbsHandle h) {
  Str name(u"        ");
  const TSourceIndexRecord index{0, static_cast<int16_t>(level), static_cast<int16_t>(source)};
  EXPECT_EQ(dbs_GetSourceName(&index, name, h), DBS_OK);
  return ShownName(QString::fromStdU16String(name.Text()));
}

using PanelFormTest = DeviceTest;

// The controls each type leaves on, as the type rules give them.
struct TypeRow {
  std::set<int> codes;
  bool brightness, overrides, destinations, levelButtons, master, swap, allDests;
};
const TypeRow kTypeRows[] = {
    {{1, 13, 17, 21, 23, 31, 32, 35, 36, 39, 40, 44}, false, true, false, true, false, false, false},
    {{11, 14, 16, 18, 19}, false, true, false, false, false, false, false},
    {{20}, false, false, true, false, true, false, false},
    {{4, 24, 25, 26, 27, 28}, true, true, false, false, false, true, false},
    {{7}, true, false, false, false, false, true, false},
    {{3}, true, false, true, false, true, true, true},
    {{2}, false, false, true, true, false, false, false},
    {{12, 22, 33, 37, 41, 43, 45, 46}, false, false, true, true, true, false, false},
    {{15, 34, 38, 42}, false, false, true, false, true, false, false},
};

TEST_F(PanelFormTest, EveryTypeOfTheListSetsItsControls) {
  auto* f = Open<TPanelForm>(Panel(0));
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->TypeCombo->count(), 39);
  // The type in force picked again changes nothing.
  Pick(f, "Generic BPX");
  EXPECT_FALSE(f->TypeChanged);
  EXPECT_EQ(f->FormSourceKeypad, 0);
  std::set<int> covered;
  for (int i : {1, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 0}) {
    const int code = PanelTypeList[static_cast<size_t>(i)].code;
    const TypeRow* row = nullptr;
    for (const TypeRow& r : kTypeRows) row = r.codes.count(code) ? &r : row;
    ASSERT_NE(row, nullptr) << code;
    covered.insert(code);
    Pick(f, PanelTypeList[static_cast<size_t>(i)].text);
    SCOPED_TRACE(PanelTypeList[static_cast<size_t>(i)].text);
    EXPECT_EQ(f->FormPanelType, code);
    EXPECT_EQ(f->Brightness->Edit->isEnabled(), row->brightness);
    EXPECT_EQ(f->Pages()->isTabVisible(kOverridesPage), row->overrides);
    EXPECT_EQ(f->Pages()->isTabVisible(kDestinationsPage), row->destinations);
    EXPECT_EQ(IsXYPanelType(code), row->destinations);
    EXPECT_EQ(!f->NoLevelButtonsComboBox->isHidden() && f->NoLevelButtonsComboBox->isEnabled(), row->levelButtons);
    EXPECT_EQ(f->MasterPanelCheck->isEnabled(), row->master);
    EXPECT_EQ(f->MaskLevelsCheck->isEnabled(), row->master);
    EXPECT_EQ(f->SwapModeCheck->isEnabled(), row->swap);
    EXPECT_EQ(f->AllDestsButton->isEnabled(), row->allDests);
    EXPECT_TRUE(f->TypeChanged);
    EXPECT_EQ(f->FormSourceKeypad, -1);
    EXPECT_EQ(f->FormDestKeypad, -1);
    EXPECT_TRUE(IsRecognisedPanelType(code));
  }
  EXPECT_EQ(covered.size(), 39u);  // 39 entries, 39 different types
  for (int code : {0, 5, 6, 8, 9, 10, 29, 30, 47}) EXPECT_FALSE(IsRecognisedPanelType(code)) << code;
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
}

TEST_F(PanelFormTest, APanelOfAnUnknownTypeSaysSoAndShowsNoType) {
  ASSERT_EQ(dbs_SetPanelType(3, 0, H()), DBS_OK);
  Reopen();
  auto* f = Open<TPanelForm>(Panel(3));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ui.Messages, QStringList{"The Panel type is not recognised"});
  EXPECT_EQ(f->TypeCombo->currentIndex(), -1);
  EXPECT_FALSE(f->NoLevelButtonsComboBox->isHidden());
}

TEST_F(PanelFormTest, AGenericBpxBecomesAnXyPanelWithDialUpKeypads) {
  auto* f = Open<TPanelForm>(Panel(0));
  EXPECT_EQ(f->FormSourceKeypad, 0);  // the keypads as stored
  EXPECT_EQ(f->FormDestKeypad, 32);
  Pick(f, "PNL-01 XY");
  EXPECT_TRUE(f->Pages()->isTabVisible(kDestinationsPage));
  EXPECT_FALSE(f->Pages()->isTabVisible(kOverridesPage));
  EXPECT_TRUE(f->Brightness->Edit->isEnabled());
  EXPECT_TRUE(f->MasterPanelCheck->isEnabled());
  EXPECT_TRUE(f->SwapModeCheck->isEnabled());
  EXPECT_TRUE(f->AllDestsButton->isEnabled());
  EXPECT_EQ(f->FormSourceKeypad, -1);
  // Every destination is controlled: the button offers none, then all.
  EXPECT_EQ(f->AllDestsButton->text(), "Control No Destinations");
  f->AllDestsButton->click();
  EXPECT_EQ(f->AllDestsButton->text(), "Control All Destinations");
  EXPECT_EQ(f->DestControlledChecks->item(39)->checkState(), Qt::Unchecked);
  f->DestControlledChecks->item(3)->setCheckState(Qt::Checked);
  EXPECT_EQ(f->AllDestsButton->text(), "Control All Destinations");  // some: the caption stays
  f->AllDestsButton->click();
  EXPECT_EQ(f->AllDestsButton->text(), "Control No Destinations");

  // The keypads wait for the type to be applied: Cancel leaves everything.
  ui.Answers.enqueue(false);
  f->ConfigureButton->click();
  EXPECT_EQ(ui.Messages.last(), TResourceForm::PendingQuestion());
  EXPECT_EQ(ui.Kinds.last(), "warning-yes-cancel");
  EXPECT_TRUE(ui.Dialogs.isEmpty());
  EXPECT_EQ(ReadPanel(0).panelType, 1);

  ui.Answers.enqueue(true);
  bool shown = false;
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto& a = static_cast<TKeypadAssignmentForm&>(d);
    EXPECT_EQ(a.CurrentMode(), TKeypadAssignmentForm::Mode::Panel);
    EXPECT_EQ(a.pnlSource->text(), "1");  // keypads 64 and 72: the first dial-up ones
    EXPECT_EQ(a.pnlDest->text(), "1");
    shown = true;
    return int(QDialog::Accepted);
  });
  const auto before = ui.Messages.size();
  f->ConfigureButton->click();
  EXPECT_TRUE(shown);
  EXPECT_EQ(ui.Messages.size(), before + 1);
  const TPanelRecord r = ReadPanel(0);
  EXPECT_EQ(r.panelType, 3);
  EXPECT_EQ(r.sourceKeypad, 64);
  EXPECT_EQ(r.destKeypad, 72);
  EXPECT_EQ(KeypadFlags(0) & 1, 0);  // the old keypads are free again
  EXPECT_EQ(KeypadFlags(32) & 1, 0);
  EXPECT_EQ(KeypadFlags(64) & 1, 1);
  EXPECT_EQ(f->SrcKeypadTypeRadioGroup->ItemIndex(), 1);
  EXPECT_EQ(f->DestKeypadTypeRadioGroup->ItemIndex(), 1);
  EXPECT_TRUE(f->EditKeypadButton->isEnabled());  // both keypads are assigned now
  EXPECT_FALSE(f->TypeChanged);
  EXPECT_EQ(Panel(0)->Image, PanelImage(3));
}

TEST_F(PanelFormTest, NoFreeKeypadIsToldAndLeavesTheKeypadUnassigned) {
  // Panel 6 shares panel 1's keypads: what panel 1 gives up stays in use,
  // and no BPS / BPD keypad is free.
  ASSERT_EQ(dbs_SetPanelKeypad(5, 1, 0, H()), DBS_OK);
  ASSERT_EQ(dbs_SetPanelKeypad(5, 0, 32, H()), DBS_OK);
  for (uint16_t k : {uint16_t{5}, uint16_t{37}}) {
    Str name(u"        ");
    TKeypadRecord r{};
    r.name = name;
    ASSERT_EQ(dbs_GetKeypad(k, &r, H()), DBS_OK);
    r.keypadFlags |= 1;
    ASSERT_EQ(dbs_SetKeypad(k, &r, H()), DBS_OK);
  }
  Reopen();
  auto* f = Open<TPanelForm>(Panel(0));
  Pick(f, "PNL-03 BPX");
  ui.Answers.enqueue(true);
  f->ConfigureButton->click();
  EXPECT_TRUE(ui.Messages.contains("There are no available source keypads. Please copy an existing panel operation"));
  EXPECT_TRUE(
      ui.Messages.contains("There are no available destination keypads. Please copy an existing panel operation"));
  EXPECT_EQ(f->FormSourceKeypad, -1);
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 0xFFFF);
}

TEST_F(PanelFormTest, ApplyStoresEveryField) {
  ASSERT_EQ(dbs_SetPanelPort(1, 0, 1, H()), DBS_OK);
  ASSERT_EQ(dbs_SetPanelType(1, 12, H()), DBS_OK);  // an X-Y panel with level buttons and a master
  Reopen();
  auto* f = Open<TPanelForm>(Panel(1));
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(f->ApplyButton()->isEnabled());
  Retype(f->NameEdit, "Studio A");
  Retype(f->Address->Edit, "5");
  f->MasterPanelCheck->click();
  EXPECT_TRUE(f->SalvoOverrideCheck->isEnabled());
  f->SalvoOverrideCheck->click();
  f->MaskLevelsCheck->click();
  ASSERT_EQ(f->LevelsControlledCheck->count(), 4);
  f->LevelsControlledCheck->item(1)->setCheckState(Qt::Unchecked);
  Choose(f->NoLevelButtonsComboBox, 3);
  ASSERT_EQ(f->DestControlledChecks->count(), 40);
  for (int d = 0; d < 40; ++d) f->DestControlledChecks->item(d)->setCheckState(d == 3 || d == 17 ? Qt::Checked : Qt::Unchecked);
  Choose(f->OverrideSourceLevelComboBox, 2);
  ASSERT_EQ(f->OverrideCombos[0]->count(), 33);  // "Unused" and level 2's 32 sources
  Choose(f->OverrideCombos[0], 6);
  Choose(f->OverrideCombos[4], 32);
  f->KeySwitchCheckBox->click();
  EXPECT_FALSE(f->OverrideCombos[15]->isEnabled());
  ASSERT_TRUE(f->ApplyButton()->isEnabled());
  f->ApplyButton()->click();
  EXPECT_FALSE(f->ApplyButton()->isEnabled());
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();

  std::u16string name;
  TPanelRecord r = ReadPanel(1, &name);
  EXPECT_EQ(name, u"Studio A");
  EXPECT_EQ(r.port, 0);
  EXPECT_EQ(r.address, 5);
  EXPECT_EQ(r.panelType, 12);
  EXPECT_EQ(r.mode, 3);
  EXPECT_EQ(r.flags, kFlagMasterPanel | kFlagSalvoOverride | kFlagMaskLevels | kFlagKeySwitch);
  EXPECT_EQ(r.levels[0], 0x0D);
  EXPECT_EQ(r.brightness, 6);
  EXPECT_EQ(r.sourceKeypad, 1);
  EXPECT_EQ(r.destKeypad, 33);
  TXYRecord xy{};
  xy.destCount = 40;
  ASSERT_EQ(dbs_GetXY_ControlledDests(1, 0, &xy, H()), DBS_OK);
  EXPECT_EQ(xy.destMap[0], 0x08);
  EXPECT_EQ(xy.destMap[1], 0x00);
  EXPECT_EQ(xy.destMap[2], 0x02);
  const TOverrideRecord o0 = ReadOverride(1, 0), o4 = ReadOverride(1, 4), o1 = ReadOverride(1, 1);
  EXPECT_EQ((std::tuple{o0.matrix, o0.level, o0.source}), (std::tuple<int16_t, int16_t, int16_t>{0, 1, 5}));
  EXPECT_EQ((std::tuple{o4.matrix, o4.level, o4.source}), (std::tuple<int16_t, int16_t, int16_t>{0, 1, 31}));
  EXPECT_EQ(o1.source, -1);
  EXPECT_EQ(Panel(1)->GetName(), "Studio A");
  EXPECT_EQ(Panel(1)->DropAddress, 5);
  EXPECT_EQ(f->windowTitle(), "Studio A");

  // A type with brightness and swap mode, and no level buttons.
  Pick(f, "PNL-01 1/2 Bus");
  f->Brightness->Arrows->Up()->click();
  EXPECT_EQ(f->Brightness->Edit->text(), "7");
  f->SwapModeCheck->click();
  f->OkButton()->click();
  r = ReadPanel(1);
  EXPECT_EQ(r.panelType, 24);
  EXPECT_EQ(r.brightness, 7);
  EXPECT_EQ(r.mode, 0);
  EXPECT_TRUE(r.flags & kFlagSwapMode);
  EXPECT_EQ(r.sourceKeypad, 0xFFFF);  // the new type has not been given keypads yet
  EXPECT_EQ(r.destKeypad, 0xFFFF);
}

TEST_F(PanelFormTest, OnlyControlledDestinationTypesStoreTheirDestinations) {
  auto* f = Open<TPanelForm>(Panel(0));  // a Generic BPX: its destinations page is hidden
  f->AllDestsButton->click();            // unchecks them all
  Choose(f->OverrideCombos[2], 4);       // overrides are stored for every type
  f->ApplyButton()->click();
  TXYRecord xy{};
  xy.destCount = 40;
  ASSERT_EQ(dbs_GetXY_ControlledDests(0, 0, &xy, H()), DBS_OK);
  EXPECT_EQ(xy.destMap[0], 0xFF);
  EXPECT_EQ(ReadOverride(0, 2).source, -1);  // no override level chosen: none stored
  Choose(f->OverrideSourceLevelComboBox, 1);
  EXPECT_EQ(f->OverrideCombos[2]->currentIndex(), 4);  // the refilled list keeps its place
  f->ApplyButton()->click();
  EXPECT_EQ(ReadOverride(0, 2).source, 3);
  EXPECT_EQ(ReadOverride(0, 2).level, 0);
}

TEST_F(PanelFormTest, AnAddressInUseIsRefusedAndTheArrowsSkipIt) {
  for (int p = 0; p < 3; ++p) ASSERT_EQ(dbs_SetPanelPort(static_cast<uint16_t>(p), 0, static_cast<uint16_t>(p + 1), H()), DBS_OK);
  ASSERT_EQ(dbs_SetUMDPort(0, 0, 5, H()), DBS_OK);
  ASSERT_EQ(dbs_SetUMDPort(1, 1, 4, H()), DBS_OK);  // another port: does not count
  Reopen();
  auto* f = Open<TPanelForm>(Panel(0));
  Activate(f);
  QLineEdit* edit = f->Address->Edit;
  Focus(edit);
  Retype(edit, "3");
  EXPECT_EQ(Panel(0)->DropAddress, 3);  // typed: taken at once
  Focus(f->NameEdit);
  EXPECT_EQ(ui.Messages, QStringList{kInvalidValue});
  QApplication::processEvents();
  EXPECT_TRUE(edit->hasFocus());  // the focus came back

  Retype(edit, "1");
  QToolButton* up = f->Address->Arrows->Up();
  QToolButton* down = f->Address->Arrows->Down();
  up->click();
  EXPECT_EQ(edit->text(), "4");  // 2 and 3 are taken
  up->click();
  EXPECT_EQ(edit->text(), "6");  // the UMD has 5
  down->click();
  EXPECT_EQ(edit->text(), "4");
  down->click();
  EXPECT_EQ(edit->text(), "1");
  down->click();
  EXPECT_EQ(edit->text(), "1");
  EXPECT_EQ(Panel(0)->DropAddress, 1);

  // "Unused" can be typed letter by letter; other text is refused at once.
  Retype(edit, "Unus");
  EXPECT_EQ(ui.Messages.size(), 1);
  QTest::keyClicks(edit, "ed");
  EXPECT_EQ(Panel(0)->DropAddress, -1);
  Retype(edit, "x");
  EXPECT_EQ(ui.Messages.size(), 2);
  Retype(edit, "16");
  Focus(f->NameEdit);
  EXPECT_EQ(ui.Messages.size(), 2);
  f->OkButton()->click();
  uint16_t port = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(0, &port, &address, H()), DBS_OK);
  EXPECT_EQ(address, 16);
}

// A place another panel's open editor is moving away from is still that
// panel's until it is applied: neither the arrows nor typing take it, so no
// Apply sends the other panel to the storeroom.
TEST_F(PanelFormTest, AnAddressAnotherEditorIsLeavingStaysTakenUntilApplied) {
  for (int p = 0; p < 2; ++p) ASSERT_EQ(dbs_SetPanelPort(static_cast<uint16_t>(p), 0, static_cast<uint16_t>(p + 1), H()), DBS_OK);
  Reopen();
  auto* second = Open<TPanelForm>(Panel(1));
  second->Address->Arrows->Up()->click();
  ASSERT_EQ(second->Address->Edit->text(), "3");
  auto* first = Open<TPanelForm>(Panel(0));
  first->Address->Arrows->Up()->click();
  EXPECT_EQ(first->Address->Edit->text(), "4");  // 2 is the file's, 3 the editor's
  Retype(first->Address->Edit, "2");
  EXPECT_FALSE(first->Address->Acceptable());
  Retype(first->Address->Edit, "4");
  first->OkButton()->click();
  uint16_t port = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(1, &port, &address, H()), DBS_OK);
  EXPECT_EQ(port, 0);
  EXPECT_EQ(address, 2);
  second->OkButton()->click();
  ASSERT_EQ(dbs_GetPanelPort(1, &port, &address, H()), DBS_OK);
  EXPECT_EQ(address, 3);
  ASSERT_EQ(dbs_GetPanelPort(0, &port, &address, H()), DBS_OK);
  EXPECT_EQ(address, 4);
}

TEST_F(PanelFormTest, AnAddressTypedAndCancelledIsNotKept) {
  ASSERT_EQ(dbs_SetPanelPort(0, 0, 1, H()), DBS_OK);
  Reopen();
  auto* f = Open<TPanelForm>(Panel(0));
  Retype(f->Address->Edit, "7");
  EXPECT_EQ(Panel(0)->DropAddress, 7);
  ui.Choices.enqueue(1);  // Discard
  f->CancelButton()->click();
  EXPECT_EQ(Panel(0)->DropAddress, 1);  // what is stored
  // A device dropped on the port takes the first address no device holds.
  ASSERT_TRUE(form->DropOn(Panel(5), form->Manager().FindNode("RS485-1")));
  EXPECT_EQ(Panel(5)->DropAddress, 2);
}

// Picking a type writes the stored record back. Were that the record as the
// form first read it, a name applied meanwhile would be undone.
TEST_F(PanelFormTest, PickingATypeKeepsWhatWasApplied) {
  auto* f = Open<TPanelForm>(Panel(0));
  Retype(f->NameEdit, "Studio");
  f->ApplyButton()->click();
  Pick(f, "Generic Multi-Output");
  std::u16string name;
  ReadPanel(0, &name);
  EXPECT_EQ(name, u"Studio");
}

// A rename in the tree while the form is open: picking a type writes the
// stored record back, which must be the record as it is now, and the name
// field, untouched, follows the tree; Cancel takes none of it back.
TEST_F(PanelFormTest, ARenameInTheTreeWhileTheFormIsOpenStays) {
  auto* f = Open<TPanelForm>(Panel(0));
  RenameInTree(Panel(0), "Renamed");
  EXPECT_EQ(f->NameEdit->text(), "Renamed");
  EXPECT_EQ(f->windowTitle(), "Renamed");
  Pick(f, "Generic Multi-Output");
  std::u16string name;
  ReadPanel(0, &name);
  EXPECT_EQ(name, u"Renamed");
  if (f->HasChanges()) ui.Choices.enqueue(1);  // Discard
  f->CancelButton()->click();
  const qsizetype said = ui.Messages.size();  // at most the question about the changes not applied
  ReadPanel(0, &name);
  EXPECT_EQ(name, u"Renamed");
  EXPECT_EQ(Panel(0)->GetName(), "Renamed");

  // A name the user is typing stays theirs; OK stores it.
  f = Open<TPanelForm>(Panel(1));
  Retype(f->NameEdit, "Mine");
  RenameInTree(Panel(1), "Tree");
  EXPECT_EQ(f->NameEdit->text(), "Mine");
  Choose(f->NoLevelButtonsComboBox, 3);
  f->OkButton()->click();
  ReadPanel(1, &name);
  EXPECT_EQ(name, u"Mine");
  EXPECT_EQ(ReadPanel(1).mode, 3);
  EXPECT_EQ(ui.Messages.size(), said) << ui.Messages.join('|').toStdString();
}

// Leaving a keypad kind group gives the keypad up only when the kind chosen
// there has changed: passing through keeps it.
TEST_F(PanelFormTest, PassingThroughTheKeypadKindsKeepsTheKeypad) {
  ASSERT_EQ(dbs_SetPanelType(0, 4, H()), DBS_OK);
  Reopen();
  auto* f = Open<TPanelForm>(Panel(0));
  f->Pages()->setCurrentIndex(kOperationPage);
  Activate(f);
  TRadioGroup* source = f->SrcKeypadTypeRadioGroup;
  EXPECT_TRUE(source->isEnabled());
  EXPECT_EQ(source->ItemIndex(), 0);  // BPS: keypad 0
  EXPECT_FALSE(f->DestKeypadTypeRadioGroup->isEnabled());
  Focus(source->Button(0));
  Focus(f->SwapModeCheck);
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 0);
  EXPECT_EQ(f->FormSourceKeypad, 0);

  Focus(source->Button(1));
  source->Button(1)->click();
  Focus(f->SwapModeCheck);
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 0xFFFF);
  EXPECT_EQ(f->FormSourceKeypad, -1);
  EXPECT_EQ(KeypadFlags(0) & 1, 0);
  ui.Dialogs.enqueue([](QDialog&) { return int(QDialog::Accepted); });
  f->ConfigureButton->click();  // a dial-up keypad, as chosen
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 64);
  EXPECT_EQ(ReadPanel(0).destKeypad, 32);
  EXPECT_EQ(source->ItemIndex(), 1);
}

// Another type gives the keypads up; once it is applied the keypad kinds
// show what they show when the form opens on the panel again.
TEST_F(PanelFormTest, AfterAnotherTypeIsAppliedTheKeypadKindsShowThePanelAsStored) {
  ASSERT_EQ(dbs_SetPanelType(0, 4, H()), DBS_OK);
  Reopen();
  for (const char* type : {"PNL-06 BPX", "PNL-01 XY"}) {
    auto* f = Open<TPanelForm>(Panel(0));
    ASSERT_NE(f, nullptr);
    f->Pages()->setCurrentIndex(kOperationPage);
    Pick(f, type);
    f->ApplyButton()->click();
    ASSERT_FALSE(f->HasChanges());
    TPanelForm fresh(*Panel(0));
    ASSERT_TRUE(fresh.Load());
    EXPECT_EQ(f->SrcKeypadTypeRadioGroup->ItemIndex(), fresh.SrcKeypadTypeRadioGroup->ItemIndex()) << type;
    EXPECT_EQ(f->DestKeypadTypeRadioGroup->ItemIndex(), fresh.DestKeypadTypeRadioGroup->ItemIndex()) << type;
    EXPECT_EQ(f->SrcKeypadTypeRadioGroup->isEnabled(), fresh.SrcKeypadTypeRadioGroup->isEnabled()) << type;
    f->CancelButton()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// A brightness typed and then shut off by another type is not a number to
// store: once applied, the field shows the brightness the panel keeps, as
// the form shows it when it opens.
TEST_F(PanelFormTest, AfterApplyTheBrightnessShowsWhatIsStored) {
  ASSERT_EQ(dbs_SetPanelType(0, 4, H()), DBS_OK);
  Reopen();
  auto* f = Open<TPanelForm>(Panel(0));
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(f->Brightness->Edit->isEnabled());
  const QString stored = f->Brightness->Edit->text();
  Retype(f->Brightness->Edit, "a b");
  Pick(f, "Generic BPX");
  EXPECT_FALSE(f->Brightness->Edit->isEnabled());
  f->ApplyButton()->click();
  ASSERT_FALSE(f->HasChanges());
  EXPECT_EQ(f->Brightness->Edit->text(), stored);
  TPanelForm fresh(*Panel(0));
  ASSERT_TRUE(fresh.Load());
  EXPECT_EQ(f->Brightness->Edit->text(), fresh.Brightness->Edit->text());
}

// A kind chosen, another window visited and the form come back to: the
// focus returning to the group is no new entry, so leaving it gives the
// keypad up, and Configure then gives the panel one of the kind chosen.
TEST_F(PanelFormTest, AKeypadKindChosenIsKeptAcrossAVisitToAnotherWindow) {
  ASSERT_EQ(dbs_SetPanelType(0, 4, H()), DBS_OK);
  Reopen();
  auto* f = Open<TPanelForm>(Panel(0));
  f->Pages()->setCurrentIndex(kOperationPage);
  Activate(f);
  TRadioGroup* source = f->SrcKeypadTypeRadioGroup;
  Focus(source->Button(0));
  QTest::keyClick(source->Button(0), Qt::Key_Down);  // Dial-up
  ASSERT_EQ(source->ItemIndex(), 1);
  ASSERT_TRUE(source->Button(1)->hasFocus());
  Activate(form.get());
  Focus(form->Tree());
  Activate(f);
  QApplication::processEvents();
  ASSERT_TRUE(source->Button(1)->hasFocus());  // back where it was
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 0);
  Focus(f->SwapModeCheck);
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 0xFFFF);
  EXPECT_EQ(f->FormSourceKeypad, -1);
  ui.Dialogs.enqueue([](QDialog&) { return int(QDialog::Accepted); });
  f->ConfigureButton->click();
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 64);
  EXPECT_EQ(source->ItemIndex(), 1);
}

// A brightness the field shut off by another type still holds is not
// stored when it is out of range: the tree would put such a value right
// outside any step when it is built again after an undo, and so drop every
// step there is.
TEST_F(PanelFormTest, AnOutOfRangeBrightnessInAFieldShutOffIsNotStoredAndUndoKeepsItsSteps) {
  ASSERT_EQ(dbs_SetPanelType(0, 4, H()), DBS_OK);
  Reopen();
  form->EnableAfterOpen();
  const uint8_t stored = ReadPanel(0).brightness;
  auto* f = Open<TPanelForm>(Panel(0));
  ASSERT_NE(f, nullptr);
  Retype(f->Brightness->Edit, "0");
  Pick(f, "Generic BPX");
  f->OkButton()->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(ReadPanel(0).brightness, stored);
  ASSERT_TRUE(form->UndoAction->isEnabled());
  form->UndoAction->trigger();
  EXPECT_TRUE(form->RedoAction->isEnabled());
  form->RedoAction->trigger();
  EXPECT_EQ(ReadPanel(0).panelType, 1);  // Generic BPX again
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
}

// The form's keypads start as stored: Apply writes them back, so starting
// from "none" would give both keypads up.
TEST_F(PanelFormTest, ApplyKeepsTheStoredKeypads) {
  auto* f = Open<TPanelForm>(Panel(0));
  Retype(f->NameEdit, "Desk");
  f->OkButton()->click();
  const TPanelRecord r = ReadPanel(0);
  EXPECT_EQ(r.sourceKeypad, 0);
  EXPECT_EQ(r.destKeypad, 32);
  EXPECT_EQ(KeypadFlags(0) & 1, 1);
}

// The override lists show the sources of the level the overrides use (the
// first level has only 16); an override they cannot show is kept as stored.
TEST_F(PanelFormTest, OverridesTheListsCannotShowAreKept) {
  const TOverrideRecord second{0, 1, 20}, third{0, 2, 5};
  ASSERT_EQ(dbs_SetOverrideSource(1, 0, &second, H()), DBS_OK);
  ASSERT_EQ(dbs_SetOverrideSource(2, 0, &second, H()), DBS_OK);
  ASSERT_EQ(dbs_SetOverrideSource(2, 1, &third, H()), DBS_OK);
  auto* f = Open<TPanelForm>(Panel(1));
  EXPECT_EQ(f->OverrideSourceLevelComboBox->currentText(), "Level 2");
  EXPECT_EQ(f->OverrideCombos[0]->currentText(), SourceName(1, 20, H()));
  Retype(f->NameEdit, "One");
  f->OkButton()->click();
  EXPECT_EQ(ReadOverride(1, 0).source, 20);
  EXPECT_EQ(ReadOverride(1, 0).level, 1);

  // Two levels: the lists follow the last; the other override stays.
  f = Open<TPanelForm>(Panel(2));
  EXPECT_EQ(f->OverrideSourceLevelComboBox->currentText(), "Level 3");
  EXPECT_EQ(f->OverrideCombos[1]->currentText(), SourceName(2, 5, H()));
  EXPECT_EQ(f->OverrideCombos[0]->currentIndex(), -1);
  Retype(f->NameEdit, "Two");
  f->ApplyButton()->click();
  EXPECT_EQ(ReadOverride(2, 0).level, 1);
  EXPECT_EQ(ReadOverride(2, 0).source, 20);
  EXPECT_EQ(ReadOverride(2, 1).level, 2);
  EXPECT_EQ(ReadOverride(2, 1).source, 5);
  // Once the user changes that list, it is stored as shown.
  Choose(f->OverrideCombos[0], 0);
  f->ApplyButton()->click();
  EXPECT_EQ(ReadOverride(2, 0).source, -1);
  EXPECT_EQ(ReadOverride(2, 1).source, 5);
}

// Names and sets changed outside an open form (an import, another window)
// show where the user changed nothing; Apply writes them back unchanged.
TEST_F(PanelFormTest, WhatAnOpenFormShowsFollowsChangesMadeOutsideIt) {
  auto* f = Open<TPanelForm>(Panel(1));
  Pick(f, "PNL-01 XY");
  Choose(f->OverrideSourceLevelComboBox, 1);
  Choose(f->OverrideCombos[0], 4);
  f->ApplyButton()->click();
  ASSERT_EQ(ReadOverride(1, 0).source, 3);
  QListWidgetItem* mine = f->DestControlledChecks->item(1);
  mine->setCheckState(mine->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  const Qt::CheckState chosen = mine->checkState();

  TXYRecord xy{};
  xy.destCount = 40;
  ASSERT_EQ(dbs_GetXY_ControlledDests(1, 0, &xy, H()), DBS_OK);
  xy.destMap[0] = static_cast<uint8_t>(xy.destMap[0] ^ 0x10);  // destination 5 from outside
  const TOverrideRecord other{0, 0, 6};
  const TSourceIndexRecord source3{0, 0, 3};
  TCommonInterface& ci = form->Manager().CommonInterface;
  ASSERT_TRUE(RunStep(ci, "Import", [&] {
    return dbs_SetDestName(0, 2, Str(u"MON 3"), H()) == DBS_OK &&
           dbs_SetSourceName(&source3, Str(u"CAM 4"), H()) == DBS_OK &&
           dbs_SetOverrideSource(1, 1, &other, H()) == DBS_OK && dbs_SetXY_ControlledDests(1, 0, &xy, H()) == DBS_OK;
  }));
  EXPECT_EQ(f->DestControlledChecks->item(2)->text(), "MON 3");
  EXPECT_EQ(f->DestControlledChecks->item(4)->checkState(), xy.destMap[0] & 0x10 ? Qt::Checked : Qt::Unchecked);
  EXPECT_EQ(mine->checkState(), chosen);  // the user's own
  EXPECT_EQ(f->OverrideCombos[0]->currentText(), "CAM 4");
  EXPECT_EQ(f->OverrideCombos[1]->currentIndex(), 7);

  f->OkButton()->click();
  ASSERT_EQ(dbs_GetXY_ControlledDests(1, 0, &xy, H()), DBS_OK);
  EXPECT_EQ((xy.destMap[0] & 0x02) != 0, chosen == Qt::Checked);
  EXPECT_EQ(xy.destMap[0] & 0x10, f->DestControlledChecks->item(4)->checkState() == Qt::Checked ? 0x10 : 0);
  EXPECT_EQ(ReadOverride(1, 1).source, 6);
  EXPECT_EQ(ReadOverride(1, 0).source, 3);
}

// A keypad taken from the panel outside its open form (as another panel's
// assignment window takes it) is not given back by the form's Apply.
TEST_F(PanelFormTest, AKeypadTakenOutsideTheOpenFormStaysTaken) {
  auto* f = Open<TPanelForm>(Panel(0));
  ASSERT_EQ(ReadPanel(0).destKeypad, 32);
  TCommonInterface& ci = form->Manager().CommonInterface;
  ASSERT_TRUE(RunStep(ci, "Use Keypads", [&] { return dbs_SetPanelKeypad(0, 0, 0xFFFF, H()) == DBS_OK; }));
  EXPECT_EQ(f->FormDestKeypad, -1);
  Retype(f->NameEdit, "Desk");
  f->OkButton()->click();
  EXPECT_EQ(ReadPanel(0).destKeypad, 0xFFFF);
  EXPECT_EQ(KeypadFlags(32) & 1, 0);
}

TEST_F(PanelFormTest, APanelDraggedWhileItsFormIsOpenStaysWhereItWent) {
  ASSERT_EQ(dbs_SetPanelPort(0, 0, 1, H()), DBS_OK);
  Reopen();
  auto* f = Open<TPanelForm>(Panel(0));
  QTreeWidgetItem* storeroom = form->Manager().FindNode("Storeroom");
  ASSERT_TRUE(form->DropOn(Panel(0), storeroom));
  EXPECT_EQ(f->Address->Edit->text(), "Unused");
  EXPECT_FALSE(f->Address->Edit->isEnabled());
  Retype(f->NameEdit, "Moved");
  f->ApplyButton()->click();
  uint16_t port = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(0, &port, &address, H()), DBS_OK);
  EXPECT_EQ(port, 0xFFFF);
  EXPECT_EQ(address, 0xFFFF);
  EXPECT_EQ(Panel(0)->GetTreeNode()->parent(), storeroom);

  ASSERT_TRUE(form->DropOn(Panel(0), form->Manager().FindNode("RS485-2")));
  EXPECT_EQ(f->Address->Edit->text(), "1");
  Retype(f->NameEdit, "Again");
  f->OkButton()->click();
  ASSERT_EQ(dbs_GetPanelPort(0, &port, &address, H()), DBS_OK);
  EXPECT_EQ(port, 1);
  EXPECT_EQ(address, 1);
}

// However the addresses and the nodes of a port came apart, a drop that
// finds no free address is refused and stores nothing.
TEST_F(PanelFormTest, ADropOnAPortWithoutAFreeAddressIsRefused) {
  for (int p = 1; p <= 15; ++p) ASSERT_EQ(dbs_SetPanelPort(static_cast<uint16_t>(p), 0, static_cast<uint16_t>(p), H()), DBS_OK);
  Reopen();
  Panel(20)->PortNumber = 0;  // holds address 16 of the port without being under it
  Panel(20)->DropAddress = 16;
  EXPECT_FALSE(form->DropOn(Panel(0), form->Manager().FindNode("RS485-1")));
  uint16_t port = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(0, &port, &address, H()), DBS_OK);
  EXPECT_EQ(port, 0xFFFF);
  EXPECT_EQ(address, 0xFFFF);
}

TEST_F(PanelFormTest, EnterDoubleClickAndPropertiesOpenTheEditors) {
  Activate(form.get());
  QTreeWidget* tree = form->Tree();
  tree->setCurrentItem(Panel(0)->GetTreeNode());
  Focus(tree);
  EXPECT_TRUE(form->PropertiesAction->isEnabled());
  QTest::keyClick(tree, Qt::Key_Return);
  QPointer<TResourceForm> first = Panel(0)->EditorForm;
  ASSERT_TRUE(qobject_cast<TPanelForm*>(first.data()));
  form->PropertiesAction->trigger();  // the open one comes forward: no second
  EXPECT_EQ(Panel(0)->EditorForm, first);
  first->close();

  Activate(form.get());
  tree->setCurrentItem(form->Manager().FindNode("Storeroom"));
  QListWidget* list = form->List();
  list->setCurrentRow(2);
  Focus(list);
  EXPECT_TRUE(form->PropertiesAction->isEnabled());
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_TRUE(qobject_cast<TPanelForm*>(Panel(2)->EditorForm.data()));
  Activate(form.get());
  Focus(list);
  list->setCurrentRow(33);  // UMD 2, after the 32 panels
  form->PropertiesAction->trigger();
  EXPECT_TRUE(UMD(1)->EditorForm);
  emit list->itemDoubleClicked(list->item(3));
  EXPECT_TRUE(qobject_cast<TPanelForm*>(Panel(3)->EditorForm.data()));
  // The storeroom has no editor.
  tree->setCurrentItem(form->Manager().FindNode("Storeroom"));
  Focus(tree);
  EXPECT_FALSE(form->PropertiesAction->isEnabled());
}

TEST_F(PanelFormTest, OpeningAnotherDatabaseClosesTheFormsStoringNothing) {
  auto* f = Open<TPanelForm>(Panel(0));
  QPointer<TPanelForm> open = f;
  Retype(f->NameEdit, "Lost");
  Reopen();
  EXPECT_TRUE(!open || open->Resource() == nullptr);
  std::u16string name;
  ReadPanel(0, &name);
  EXPECT_EQ(name, u"Panel 1");
}

// The keypad editor opened from the panel editor and closed with OK after a
// name dropped, a page changed (applying) and a key pressed. The panel
// editor then goes while its OK button still holds the focus, as it does
// when the window system reports the focus leaving only after the window has
// gone: nothing of the panel editor may be called once it is being taken
// down.
TEST_F(PanelFormTest, ThePanelEditorGoesCleanlyAfterEditingItsKeypads) {
  ASSERT_EQ(dbs_SetPanelType(0, 3, H()), DBS_OK);
  ASSERT_EQ(dbs_SetPanelKeypad(0, 1, 64, H()), DBS_OK);
  ASSERT_EQ(dbs_SetPanelKeypad(0, 0, 72, H()), DBS_OK);
  ASSERT_EQ(dbs_SetPanelPort(0, 0, 1, H()), DBS_OK);
  Reopen();
  QPointer<TPanelForm> f = Open<TPanelForm>(Panel(0));
  ASSERT_NE(f, nullptr);
  Activate(f);
  f->Pages()->setCurrentIndex(kOperationPage);
  Focus(f->EditKeypadButton);
  const auto at = [](int32_t code) {
    const TKeypadLayout& layout = KeypadLayout(3);
    for (int p = 0; p < kLayoutPositions; ++p) {
      if (layout.codes[static_cast<size_t>(p)] == code) return p;
    }
    return -1;
  };
  bool edited = false;
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto& k = static_cast<TKeypadForm&>(d);
    Activate(&k);
    EXPECT_TRUE(k.DropName(at(9), "CAM"));
    ui.Answers << true;  // the names are applied before the page changes
    k.Pages()->setCurrentIndex(TKeypadForm::SequencesPage);
    EXPECT_EQ(k.CurrentPage(), TKeypadForm::SequencesPage);
    QTest::mouseClick(k.KeyButtons[static_cast<size_t>(at(1))], Qt::LeftButton);
    QTest::mouseClick(k.OkButton(), Qt::LeftButton);
    edited = k.result() == QDialog::Accepted;
    return k.result();
  });
  QTest::mouseClick(f->EditKeypadButton, Qt::LeftButton);
  EXPECT_TRUE(edited);
  EXPECT_EQ(ui.Messages, QStringList{TResourceForm::PendingQuestion()});
  Activate(f);
  Focus(f->OkButton());
  ASSERT_TRUE(f->OkButton()->hasFocus());
  delete f.data();
  QApplication::processEvents();
  EXPECT_EQ(Panel(0)->EditorForm, nullptr);
  EXPECT_FALSE(Panel(0)->Editing);
  const TPanelRecord r = ReadPanel(0);
  EXPECT_EQ(r.sourceKeypad, 64);
  EXPECT_EQ(r.destKeypad, 72);
}

// The panel editor on-line: each of its writes goes to the controller too.
struct PanelOnlineTest : OnlineWindowTest {
  static int Tool(const std::string& args) {
    return std::system((std::string(ZEPHRA_DB_PROGRAM) + " " + args + " > /dev/null 2>&1").c_str());
  }
  // A default V3 database whose panel 1 is a "Generic Multi-Output" at
  // address 1 of "RS485-1", on a controller that holds it, on-line.
  void GoOnline() {
    ASSERT_EQ(Tool("create Studio.ZP3 --format v3"), 0);
    const QString path = QDir::current().filePath("Studio.ZP3");
    ASSERT_TRUE(form->Manager().OpenDatabaseFile(path, {2, 3, 4}));
    ASSERT_EQ(dbs_SetPanelType(0, 4, H()), DBS_OK);
    ASSERT_EQ(dbs_SetPanelPort(0, 0, 1, H()), DBS_OK);
    form->ResetToEmpty();
    ASSERT_EQ(Tool("controller-image Studio.ZP3 memory.bin"), 0);
    ASSERT_TRUE(sim.Load(dir.File("memory.bin")));
    ASSERT_TRUE(form->Manager().OpenDatabaseFile(QDir::current().filePath("Studio.ZP3"), {2, 3, 4}));
    form->EnableAfterOpen();
    ASSERT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
  }
  TPanelResource* Panel(int n) {
    for (QTreeWidgetItemIterator it(form->Tree()); *it; ++it) {
      if (auto* r = dynamic_cast<TPanelResource*>(TDatabaseManager::ResourceOf(*it)); r && r->Number == n) return r;
    }
    return nullptr;
  }
  DbsHandle H() { return form->Manager().CommonInterface.FileHandle; }
};

// A live update refused on the fourth override: every other override and the
// controlled destinations are still written, the failure is told once, and
// the changes stay pending so that Apply may send them again.
TEST_F(PanelOnlineTest, AFailedOverrideWriteLeavesTheRestWrittenAndTheChangesPending) {
  GoOnline();
  auto* f = qobject_cast<TPanelForm*>((Panel(0)->Edit(form->Manager().CommonInterface), Panel(0)->EditorForm.data()));
  ASSERT_NE(f, nullptr);
  Choose(f->OverrideSourceLevelComboBox, 1);
  f->ApplyButton()->click();  // the record as the form writes it
  ASSERT_FALSE(f->ApplyButton()->isEnabled());
  ASSERT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  for (int i = 0; i < 16; ++i) Choose(f->OverrideCombos[static_cast<size_t>(i)], i + 2);
  for (int d : {0, 5, 9}) f->DestControlledChecks->item(d)->setCheckState(Qt::Unchecked);
  // The link's writes, one for each override: the fourth and the eighth are
  // refused every time they are tried.
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 3, 5});
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 3 + 5 + 3, 5});
  f->ApplyButton()->click();
  // Told once: what the first failure says (the link's report and the
  // library's answer are one message), nothing of the second.
  ASSERT_FALSE(ui.Messages.isEmpty());
  const int told = static_cast<int>(ui.Messages.size());
  EXPECT_EQ(ui.Messages.join('|').toStdString(), "Control frame timed out");
  EXPECT_TRUE(f->ApplyButton()->isEnabled());
  EXPECT_TRUE(f->HasChanges());
  for (uint16_t i = 0; i < 16; ++i) {
    TOverrideRecord o{};
    ASSERT_EQ(dbs_GetOverrideSource(0, i, &o, H()), DBS_OK);
    EXPECT_EQ(o.level, 0) << i;
    EXPECT_EQ(o.source, i + 1) << i;
  }
  TXYRecord xy{};
  xy.destCount = 40;
  ASSERT_EQ(dbs_GetXY_ControlledDests(0, 0, &xy, H()), DBS_OK);
  EXPECT_EQ(xy.destMap[0], 0xDE);
  EXPECT_EQ(xy.destMap[1], 0xFD);
  // OK tries again; nothing fails now, and the form closes.
  sim.ClearFaults();
  f->OkButton()->click();
  EXPECT_EQ(ui.Messages.size(), told) << ui.Messages.join('|').toStdString();
  EXPECT_EQ(Panel(0)->EditorForm, nullptr);
}

}  // namespace
