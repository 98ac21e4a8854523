// The UMD editor on real database files through the real library.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "device_fixture.h"
#include "forms/FormFields.h"
#include "forms/UMDForm.h"
#include "UndoStack.h"

namespace {

using zephra::test::Choose;
using zephra::test::DeviceTest;
using zephra::test::Retype;
using zephra::test::Str;

using UMDFormTest = DeviceTest;

TUMDRecord ReadUMD(DbsHandle h, int u, std::u16string* name = nullptr) {
  Str text(u"        ");
  TUMDRecord r{};
  r.name = text;
  EXPECT_EQ(dbs_GetUMDRecord(static_cast<uint16_t>(u), &r, h), DBS_OK);
  if (name) *name = text.Text().substr(0, text.Text().find(u'\0'));
  r.name = nullptr;
  return r;
}

TEST_F(UMDFormTest, TheTypeShowsTheSecondDisplayAndApplyStoresBothDestinations) {
  ASSERT_EQ(dbs_SetUMDPort(2, 0, 3, H()), DBS_OK);
  Reopen();
  auto* f = Open<TUMDResourceForm>(UMD(2));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "UMD 3");
  EXPECT_EQ(f->TypeCombo->currentText(), "8 Character");  // a new database's type 5 is a single line
  EXPECT_TRUE(f->Display2->isHidden());
  Choose(f->TypeCombo, 0);
  EXPECT_FALSE(f->Display2->isHidden());
  ASSERT_EQ(f->FollowDestination1->count(), 40);
  Choose(f->FollowDestination1, 3);
  Choose(f->FollowDestination2, 7);
  Choose(f->AudioParametersCombo, 1);
  Retype(f->NameEdit, "Mon 1");
  Retype(f->Address->Edit, "9");
  Retype(f->Brightness->Edit, "4");
  f->ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  std::u16string name;
  TUMDRecord r = ReadUMD(H(), 2, &name);
  EXPECT_EQ(name, u"Mon 1");
  EXPECT_EQ(r.umdType, 0);
  EXPECT_EQ(r.port, 0);
  EXPECT_EQ(r.address, 9);
  EXPECT_EQ(r.brightness, 4);
  EXPECT_EQ(r.umdFlags, 1);
  EXPECT_EQ((std::tuple{r.dests[0].matrix, r.dests[0].level, r.dests[0].number}),
            (std::tuple<int16_t, int16_t, int16_t>{0, 0, 3}));
  EXPECT_EQ(r.dests[1].number, 7);
  EXPECT_EQ(r.dests[2].number, -1);
  EXPECT_EQ(UMD(2)->GetName(), "Mon 1");

  // One line again, and nothing chosen for the second.
  Choose(f->TypeCombo, 1);
  EXPECT_TRUE(f->Display2->isHidden());
  f->FollowDestination2->setCurrentIndex(-1);
  f->OkButton()->click();
  r = ReadUMD(H(), 2);
  EXPECT_EQ(r.umdType, 2);
  EXPECT_EQ(r.dests[0].number, 3);
  EXPECT_EQ(r.dests[1].number, -1);
}

TEST_F(UMDFormTest, BrightnessTakesZeroButTheArrowsStopAtOne) {
  auto* f = Open<TUMDResourceForm>(UMD(0));
  Activate(f);
  Focus(f->Brightness->Edit);
  Retype(f->Brightness->Edit, "0");
  Focus(f->NameEdit);
  EXPECT_TRUE(ui.Messages.isEmpty());
  f->Brightness->Arrows->Down()->click();
  EXPECT_EQ(f->Brightness->Edit->text(), "1");
  f->Brightness->Arrows->Down()->click();
  EXPECT_EQ(f->Brightness->Edit->text(), "1");
  Focus(f->Brightness->Edit);
  Retype(f->Brightness->Edit, "9");
  Focus(f->NameEdit);
  EXPECT_EQ(ui.Messages, QStringList{kInvalidValue});
  Retype(f->Brightness->Edit, "0");
  f->OkButton()->click();
  EXPECT_EQ(ReadUMD(H(), 0).brightness, 0);
}

TEST_F(UMDFormTest, AnAddressAPanelUsesIsRefused) {
  ASSERT_EQ(dbs_SetPanelPort(4, 1, 1, H()), DBS_OK);
  ASSERT_EQ(dbs_SetUMDPort(0, 1, 2, H()), DBS_OK);
  Reopen();
  auto* f = Open<TUMDResourceForm>(UMD(0));
  Activate(f);
  Focus(f->Address->Edit);
  Retype(f->Address->Edit, "1");
  Focus(f->NameEdit);
  EXPECT_EQ(ui.Messages, QStringList{kInvalidValue});
  QApplication::processEvents();
  EXPECT_TRUE(f->Address->Edit->hasFocus());
  // The arrows read a number off the port as "Unused" and step from there.
  Retype(f->Address->Edit, "40");
  f->Address->Arrows->Down()->click();
  EXPECT_EQ(f->Address->Edit->text(), "Unused");
  Retype(f->Address->Edit, "2");
  f->Address->Arrows->Up()->click();
  EXPECT_EQ(f->Address->Edit->text(), "3");
}

TEST_F(UMDFormTest, AUMDDraggedWhileItsFormIsOpenStaysWhereItWent) {
  ASSERT_EQ(dbs_SetUMDPort(1, 0, 4, H()), DBS_OK);
  Reopen();
  auto* f = Open<TUMDResourceForm>(UMD(1));
  ASSERT_TRUE(form->DropOn(UMD(1), form->Manager().FindNode("Storeroom")));
  EXPECT_EQ(f->Address->Edit->text(), "Unused");
  Retype(f->NameEdit, "Spare");
  f->OkButton()->click();
  uint16_t port = 0, address = 0;
  ASSERT_EQ(dbs_GetUMDPort(1, &port, &address, H()), DBS_OK);
  EXPECT_EQ(port, 0xFFFF);
  EXPECT_EQ(address, 0xFFFF);
}

// A rename in the tree while the form is open is not undone by its Apply:
// the name field, untouched, follows the tree.
TEST_F(UMDFormTest, ARenameInTheTreeWhileTheFormIsOpenStays) {
  auto* f = Open<TUMDResourceForm>(UMD(0));
  RenameInTree(UMD(0), "Monitor");
  EXPECT_EQ(f->NameEdit->text(), "Monitor");
  EXPECT_EQ(f->windowTitle(), "Monitor");
  Retype(f->Brightness->Edit, "5");
  f->OkButton()->click();
  std::u16string name;
  const TUMDRecord r = ReadUMD(H(), 0, &name);
  EXPECT_EQ(name, u"Monitor");
  EXPECT_EQ(r.brightness, 5);
  EXPECT_EQ(UMD(0)->GetName(), "Monitor");
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
}

// A destination renamed outside the open form shows in both lines' lists,
// each keeping its choice.
TEST_F(UMDFormTest, TheDestinationListsFollowNamesChangedOutsideTheForm) {
  auto* f = Open<TUMDResourceForm>(UMD(0));
  const int chosen = f->FollowDestination1->currentIndex();
  TCommonInterface& ci = form->Manager().CommonInterface;
  ASSERT_TRUE(RunStep(ci, "Import", [&] { return dbs_SetDestName(0, 3, Str(u"PGM"), H()) == DBS_OK; }));
  EXPECT_EQ(f->FollowDestination1->itemText(3), "PGM");
  EXPECT_EQ(f->FollowDestination2->itemText(3), "PGM");
  EXPECT_EQ(f->FollowDestination1->currentIndex(), chosen);
}

}  // namespace
