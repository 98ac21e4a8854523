// The level editor, and the tree opening the grid editors, on real files
// through the real library.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>

#include "ResourceTree.h"
#include "forms/InhibitGrid.h"
#include "grid_fixture.h"

namespace zephra::test {
namespace {

constexpr uint16_t kAesWithAudio = 175;
constexpr TMatrixPointRecord kPoint = {0, 1, 5, 6};  // level 1, destination 5, source 6  // AES with the audio parameter on the E/C 128 router

// Levels of 32 x 32, 17 x 16 (a data level: its last source parks), 16 x 16
// and 32 x 32; the first carries the audio parameter.
struct LevelFormTest : GridTest {
  void OpenLevels() {
    Open([](TConfigurationRecord& c) {
      c.sourceCount[0][1] = 17;
      c.destCount[0][1] = 16;
      c.sourceCount[0][2] = c.destCount[0][2] = 16;
    });
    ASSERT_EQ(dbs_SetLevelType(0, 0, kAesWithAudio, H()), DBS_OK);
  }
  std::vector<uint8_t> Inhibits(int level, int bytes) {
    std::vector<uint8_t> out(static_cast<std::size_t>(bytes));
    uint16_t length = static_cast<uint16_t>(bytes);
    EXPECT_EQ(dbs_GetLevelInhibits(0, static_cast<uint16_t>(level), out.data(), &length, H()), DBS_OK);
    return out;
  }
  bool Inhibited(int level, int dest, int source) {
    const TMatrixPointRecord p = {0, static_cast<int16_t>(level), static_cast<int16_t>(dest),
                                  static_cast<int16_t>(source)};
    uint32_t bit = 0;
    EXPECT_EQ(dbs_GetInhibit(&p, &bit, H()), DBS_OK);
    return bit != 0;
  }
  static void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
};

TEST_F(LevelFormTest, OpeningShowsTheLevelsNameTypeAndRows) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), "Level 1");
  EXPECT_EQ(form->NameEdit->text(), "Level 1");
  EXPECT_EQ(form->LevelTypePanel->text(), "Router E/C 128  Normal");
  EXPECT_EQ(form->SignalTypePanel->text(), "AES");
  EXPECT_TRUE(form->EnableFeatures->isChecked());
  EXPECT_TRUE(form->SourceAudioList->isEnabled());
  EXPECT_FALSE(form->ParkingBox->isEnabled());
  EXPECT_FALSE(form->ReadSourceParams->isEnabled());  // off-line
  EXPECT_EQ(form->SourcesGrid->Model().Rows(), 32);
  EXPECT_EQ(form->SourcesGrid->Model().Text(4, 0), "m1s5");
  EXPECT_EQ(form->DestinationsGrid->Model().Text(2, 0), "3     m1d3");
  EXPECT_EQ(form->LevelMapping->currentText(), "1");
  EXPECT_FALSE(form->ApplyButton()->isEnabled());

  TLevelForm* data = Level(1);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->LevelTypePanel->text(), "Broadcast");
  EXPECT_EQ(data->SignalTypePanel->text(), "RS422");
  EXPECT_EQ(data->Parking->checkedId(), 1);
  EXPECT_TRUE(data->ParkSourceBox->isEnabled());
  EXPECT_EQ(data->ParkSource->currentText(), "PARK    ");
  EXPECT_FALSE(data->SourceAudioList->isEnabled());
  EXPECT_EQ(data->InhibitGrid->Model().rowCount(), 16);  // 17 sources: the park source is hidden
  EXPECT_EQ(data->InhibitGrid->Model().columnCount(), 16);
}

TEST_F(LevelFormTest, PastedNamesFillTheNameColumnAndAnEmptyCellRefusesThemAll) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  TStringGrid* grid = form->SourcesGrid;
  Paste(grid, 0, 0, "CAM 1\tB1\r\n  NINECHARS\tB2\r\n");
  EXPECT_EQ(grid->Model().Text(0, 0), "CAM 1");
  EXPECT_EQ(grid->Model().Text(1, 0), "NINECHAR");
  EXPECT_EQ(grid->Model().Text(2, 0), "m1s3");
  EXPECT_EQ(form->ParkSource->itemText(1), "NINECHAR");
  const QStringList before = Cells(grid);
  Paste(grid, 5, 0, "ONE\r\n   \r\nTHREE\r\n");
  EXPECT_EQ(ui.Messages.last(), "You have entered an invalid value");
  EXPECT_EQ(Cells(grid), before);
  Paste(grid, 5, 0, QString("ONE\r\nTW") + QChar(0xD6) + "\r\n");  // a character a name cannot hold
  EXPECT_EQ(ui.Messages.size(), 2);
  EXPECT_EQ(Cells(grid), before);
  // The grid's own copy pastes back.
  grid->SelectBlock(0, 0, 2, 0);
  form->SourceCopy->click();
  EXPECT_EQ(QApplication::clipboard()->text(), "CAM 1\r\nNINECHAR\r\nm1s3\r\n");
  EXPECT_TRUE(form->SourcePaste->isEnabled());
  // The button follows the clipboard whoever fills or empties it, as Ctrl+V does.
  const QString copied = QApplication::clipboard()->text();
  QApplication::clipboard()->clear();
  EXPECT_FALSE(form->SourcePaste->isEnabled());
  QApplication::clipboard()->setText(copied);
  EXPECT_TRUE(form->SourcePaste->isEnabled());
  grid->SelectCell(30, 0);
  form->SourcePaste->click();
  EXPECT_EQ(grid->Model().Text(30, 0), "CAM 1");
  EXPECT_EQ(grid->Model().Text(31, 0), "NINECHAR");  // cut at the last row
  form->OkButton()->click();
  EXPECT_EQ(SourceName(H(), 0, 0), "CAM 1");
  EXPECT_EQ(SourceName(H(), 0, 1), "NINECHAR");
  EXPECT_EQ(SourceName(H(), 0, 31), "NINECHAR");
  EXPECT_EQ(SourceName(H(), 1, 0), "m1s1");  // not to lower levels unless asked
}

TEST_F(LevelFormTest, ATypedNameIsCheckedBeforeTheUserMovesOn) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  TStringGrid* grid = form->SourcesGrid;
  Type(grid, 3, 0, "   ");
  EXPECT_EQ(ui.Messages.last(), "You have entered an invalid value");
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(grid->currentIndex().row(), 3);  // the move is refused
  form->OkButton()->click();                 // and so is OK: nothing is stored, the form stays
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(SourceName(H(), 0, 3), "m1s4");
  QTest::keyClick(grid, Qt::Key_F2);
  QTest::keyClicks(Editor(grid), "  VTR 4");
  Enter(grid);
  EXPECT_EQ(grid->Model().Text(3, 0), "VTR 4");  // without its leading spaces
  EXPECT_EQ(form->ParkSource->itemText(3), "VTR 4");
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(grid->currentIndex().row(), 4);
  form->NamesToLowerLevels->click();
  form->OkButton()->click();
  EXPECT_EQ(SourceName(H(), 0, 3), "VTR 4");
  EXPECT_EQ(SourceName(H(), 1, 3), "VTR 4");
  EXPECT_EQ(SourceName(H(), 3, 3), "VTR 4");
}

TEST_F(LevelFormTest, ANameLeftOpenIsCheckedAndAnEscapedOneKeepsItsName) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  Activate(form);
  TStringGrid* grid = form->SourcesGrid;
  // Emptied in the editor and left with Down: refused, and so is OK.
  Retype(grid, 3, 0, "");
  Press(grid, Qt::Key_Down);
  EXPECT_EQ(LastMessage(), "You have entered an invalid value");
  EXPECT_EQ(grid->currentIndex().row(), 3);
  form->OkButton()->click();
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(SourceName(H(), 0, 3), "m1s4");
  Retype(grid, 3, 0, "CAM 4");
  Press(grid, Qt::Key_Up);
  EXPECT_EQ(grid->currentIndex().row(), 2);
  // Escape gives the cell, the park list and the source their name back.
  Retype(grid, 5, 0, "VTR 9");
  EXPECT_EQ(form->ParkSource->itemText(5), "VTR 9");
  Press(grid, Qt::Key_Escape);
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(grid->Editing());
  EXPECT_EQ(grid->Model().Text(5, 0), "m1s6");
  EXPECT_EQ(form->ParkSource->itemText(5), "m1s6");
  Press(grid, Qt::Key_Down);
  EXPECT_EQ(grid->currentIndex().row(), 6);
  // Typed over from the first character and left with Page Up.
  grid->SelectCell(7, 0);
  QTest::keyClick(grid, 'V');
  QTest::keyClicks(Editor(grid), "TR 8");
  Press(grid, Qt::Key_PageUp);
  EXPECT_EQ(grid->currentIndex().row(), 0);
  EXPECT_EQ(ui.Messages.size(), 2) << ui.Messages.join('|').toStdString();  // Down and OK
  form->OkButton()->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(SourceName(H(), 0, 3), "CAM 4");
  EXPECT_EQ(SourceName(H(), 0, 5), "m1s6");
  EXPECT_EQ(SourceName(H(), 0, 7), "VTR 8");
}

// Another form's Apply and an import change what an open form shows where
// its user changed nothing, and its Apply no longer writes back what it read.
TEST_F(LevelFormTest, AnOpenFormFollowsChangesMadeOutsideItAndKeepsItsOwn) {
  OpenLevels();
  TLevelForm* lower = Level(1);
  ASSERT_NE(lower, nullptr);
  Type(lower->SourcesGrid, 3, 0, "VTR 4");
  Press(lower->SourcesGrid, Qt::Key_Down);
  emit lower->InhibitGrid->Toggled(0, 0);

  TLevelForm* upper = Level(0);
  ASSERT_NE(upper, nullptr);
  Type(upper->SourcesGrid, 2, 0, "CAM 3");
  Press(upper->SourcesGrid, Qt::Key_Down);
  upper->NamesToLowerLevels->click();
  upper->OkButton()->click();
  ASSERT_EQ(SourceName(H(), 1, 2), "CAM 3");
  // A step of its own outside any form, as an import is.
  ASSERT_TRUE(RunStep(Ci(), "Import", [&] { return dbs_SetInhibit(&kPoint, 1, H()) == DBS_OK; }));

  EXPECT_EQ(lower->SourcesGrid->Model().Text(2, 0), "CAM 3");
  EXPECT_EQ(lower->ParkSource->itemText(2), "CAM 3");
  EXPECT_EQ(lower->SourcesGrid->Model().Text(3, 0), "VTR 4");  // the user's own
  EXPECT_TRUE(lower->Inhibits().Get(0, 0));                      // the user's
  EXPECT_TRUE(lower->Inhibits().Get(kPoint.destination, kPoint.source));  // the file's
  lower->ApplyButton()->click();
  EXPECT_EQ(SourceName(H(), 1, 2), "CAM 3");
  EXPECT_EQ(SourceName(H(), 1, 3), "VTR 4");
  EXPECT_TRUE(Inhibited(1, kPoint.destination, kPoint.source));
  EXPECT_TRUE(Inhibited(1, 0, 0));

  // Applied, the form's names are the file's: another change from outside
  // shows, and the next Apply leaves it.
  upper = Level(0);
  ASSERT_NE(upper, nullptr);
  Type(upper->SourcesGrid, 3, 0, "CAM 4");
  Press(upper->SourcesGrid, Qt::Key_Down);
  upper->NamesToLowerLevels->click();
  upper->OkButton()->click();
  EXPECT_EQ(lower->SourcesGrid->Model().Text(3, 0), "CAM 4");
  Choose(lower->TriggerList, 2);
  lower->ApplyButton()->click();
  EXPECT_EQ(SourceName(H(), 1, 3), "CAM 4");
}

// A change made outside the form while the user is typing in a cell leaves
// the typing alone: the cell's editor keeps every character typed.
TEST_F(LevelFormTest, TypingGoesOnAcrossAChangeMadeOutsideTheForm) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  TStringGrid* grid = form->SourcesGrid;
  grid->SelectCell(0, 0);
  QTest::keyClick(grid, 'C');
  ASSERT_NE(Editor(grid), nullptr);
  QTest::keyClicks(Editor(grid), "AM 1");
  const TSourceIndexRecord source5{0, 0, 4};
  ASSERT_TRUE(RunStep(Ci(), "Import", [&] { return dbs_SetSourceName(&source5, TLibString("VTR 5"), H()) == DBS_OK; }));
  ASSERT_NE(Editor(grid), nullptr);
  EXPECT_EQ(Editor(grid)->text(), "CAM 1");
  EXPECT_EQ(grid->Model().Text(4, 0), "VTR 5");
  Enter(grid);
  EXPECT_EQ(grid->Model().Text(0, 0), "CAM 1");
  form->OkButton()->click();
  EXPECT_EQ(SourceName(H(), 0, 0), "CAM 1");
  EXPECT_EQ(SourceName(H(), 0, 4), "VTR 5");
}

TEST_F(LevelFormTest, DiagonalRunsFromThePressedCellAcrossTheSelection) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  form->Pages()->setCurrentIndex(3);
  TInhibitGrid* grid = form->InhibitGrid;
  grid->resize(400, 400);
  const QRect cell = grid->visualRect(grid->Model().index(2, 2));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(grid->Anchor(), QPoint(2, 2));
  grid->SelectBlock(2, 2, 5, 10);
  form->DiagonalButton->click();
  form->OkButton()->click();
  for (int i = 2; i <= 5; ++i) EXPECT_TRUE(Inhibited(0, i, i)) << i;
  EXPECT_FALSE(Inhibited(0, 6, 6));
  EXPECT_FALSE(Inhibited(0, 10, 5));
}

TEST_F(LevelFormTest, InhibitsGoToEveryLowerLevelWithinItsSize) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  TInhibitGrid* grid = form->InhibitGrid;
  grid->SelectBlock(0, 10, 3, 20);  // sources 0-3 on destinations 10-20
  form->InhibitButton->click();
  grid->SelectBlock(1, 12, 1, 12);
  form->ClearButton->click();
  emit grid->Toggled(30, 30);
  form->InhibitsToLowerLevels->click();
  form->OkButton()->click();
  EXPECT_TRUE(Inhibited(0, 10, 0));
  EXPECT_TRUE(Inhibited(0, 20, 3));
  EXPECT_FALSE(Inhibited(0, 12, 1));
  EXPECT_TRUE(Inhibited(0, 30, 30));
  // Level 2 has 16 destinations and 17 sources; level 3 16 of each.
  EXPECT_TRUE(Inhibited(1, 15, 3));
  EXPECT_FALSE(Inhibited(1, 12, 1));
  EXPECT_EQ(Inhibits(1, 16 * 3)[9 * 3], 0);  // destination 9 is clear
  EXPECT_TRUE(Inhibited(2, 11, 2));
  EXPECT_TRUE(Inhibited(3, 20, 3));
  EXPECT_TRUE(Inhibited(3, 30, 30));
  // From the last level nothing goes anywhere else.
  TLevelForm* last = Level(3);
  ASSERT_NE(last, nullptr);
  last->InhibitGrid->SelectBlock(0, 0, 31, 31);
  last->ClearButton->click();
  last->InhibitsToLowerLevels->click();
  last->OkButton()->click();
  EXPECT_FALSE(Inhibited(3, 20, 3));
  EXPECT_TRUE(Inhibited(0, 20, 3));
  EXPECT_TRUE(Inhibited(2, 11, 2));
}

TEST_F(LevelFormTest, AudioAndTriggerCodesAreStoredForTheirSourcesAndDestinations) {
  OpenLevels();
  TDestIndexRecord mono = {0, 0, 7};
  ASSERT_EQ(dbs_SetAudioDestParam(&mono, 1, H()), DBS_OK);  // "Left to Both": no destination item
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  form->TriggerSetAll->button(0)->click();      // "625 PAL"
  form->SourceAudioSetAll->button(3)->click();  // "Swap"
  form->SourcesGrid->SelectCell(2, 0);
  EXPECT_EQ(form->TriggerList->currentText(), "625 PAL");
  EXPECT_EQ(form->SourceAudioList->currentText(), "Swap Left to Right");
  Choose(form->TriggerList, 3);  // "HD"
  form->SourcesGrid->SelectCell(5, 0);
  Choose(form->SourceAudioList, 1);
  form->DestAudioSetAll->button(1)->click();  // "Mono/Sum "
  form->DestinationsGrid->SelectCell(3, 0);
  Choose(form->DestAudioList, 2);
  form->DestinationsGrid->SelectCell(7, 0);
  EXPECT_EQ(form->DestAudioList->currentText(), "Mono or Sum");
  form->OkButton()->click();
  const auto source = [&](int s) {
    TSourceValues v;
    EXPECT_TRUE(ReadSource(Ci(), 0, s, v));
    return std::pair<int, int>(v.trigger, v.audioParam);
  };
  EXPECT_EQ(source(0), (std::pair<int, int>(1, 3)));
  EXPECT_EQ(source(2), (std::pair<int, int>(3, 3)));
  EXPECT_EQ(source(5), (std::pair<int, int>(1, 1)));
  const auto dest = [&](int d) {
    TDestinationRecord r{0, 0, static_cast<int16_t>(d), 0, 0};
    EXPECT_EQ(dbs_GetDestData(&r, H()), DBS_OK);
    return int(r.audioParam);
  };
  EXPECT_EQ(dest(0), 5);
  EXPECT_EQ(dest(3), 3);
  EXPECT_EQ(dest(7), 5);  // "Set all" reached it before it was selected
}

TEST_F(LevelFormTest, ACodeTheListCannotShowIsKept) {
  OpenLevels();
  TDestIndexRecord dest = {0, 0, 4};
  ASSERT_EQ(dbs_SetAudioDestParam(&dest, 2, H()), DBS_OK);  // "Right to Both"
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  form->DestinationsGrid->SelectCell(4, 0);
  EXPECT_EQ(form->DestAudioList->currentIndex(), -1);
  form->NamesToLowerLevels->click();
  form->OkButton()->click();
  TDestinationRecord r{0, 0, 4, 0, 0};
  ASSERT_EQ(dbs_GetDestData(&r, H()), DBS_OK);
  EXPECT_EQ(r.audioParam, 2);
}

TEST_F(LevelFormTest, AMappingOutsideTheLevelsShowsTheLevelItselfForOKToStore) {
  OpenLevels();
  ASSERT_EQ(dbs_SetPhysicalLevel(2, 9, H()), DBS_OK);
  TLevelForm* form = Level(2);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->LevelMapping->currentText(), "3");
  EXPECT_EQ(form->LevelMapping->count(), 4);
  EXPECT_TRUE(form->ApplyButton()->isEnabled());
  form->OkButton()->click();
  uint16_t physical = 0;
  ASSERT_EQ(dbs_GetPhysicalLevel(2, &physical, H()), DBS_OK);
  EXPECT_EQ(physical, 2);
}

TEST_F(LevelFormTest, AManualBroadcastLevelTurnedAutomaticIsStoredAs41) {
  OpenLevels();
  ASSERT_EQ(dbs_SetLevelType(0, 1, 40, H()), DBS_OK);
  TLevelForm* form = Level(1);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Parking->checkedId(), 0);
  form->Parking->button(1)->click();
  form->OkButton()->click();
  uint16_t type = 0;
  ASSERT_EQ(dbs_GetLevelType(0, 1, &type, H()), DBS_OK);
  EXPECT_EQ(type, 41);
}

TEST_F(LevelFormTest, ADestinationOutsideEveryAssociationShowsNoName) {
  OpenLevels();
  TDestinationAssociationRecord assoc{};
  ASSERT_EQ(dbs_GetDestAssn(0, 3, &assoc, H()), DBS_OK);
  assoc.members[0] = {-1, -1, -1};
  ASSERT_EQ(dbs_SetDestAssn(0, 3, &assoc, H()), DBS_OK);
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->DestinationsGrid->Model().Text(3, 0), "4");
  EXPECT_EQ(form->DestinationsGrid->Model().Text(4, 0), "5     m1d5");
  emit form->InhibitGrid->Hovered(3, 1);
  EXPECT_EQ(form->SourcePanel->text(), "m1s2");
  EXPECT_EQ(form->DestPanel->text(), "4");
  emit form->InhibitGrid->Hovered(4, 1);
  EXPECT_EQ(form->DestPanel->text(), "m1d5");
}

TEST_F(LevelFormTest, TheReadButtonsWorkOnlyOnLineAndReadTheirComponentOnly) {
  OpenLevels();
  EXPECT_FALSE(Level(2)->ReadTriggerParams->isEnabled());
  Level(2)->CancelButton()->click();
  static std::vector<int> flags;
  static auto real = Library().UploadWithOptions;
  Library().UploadWithOptions = [](DbsHandle h, DbsTransferProgressCallback, uint16_t database, uint16_t sources,
                                   uint16_t dests, uint16_t triggers) -> DbsStatus {
    flags = {database, sources, dests, triggers};
    const TSourceIndexRecord s = {0, 0, 0};
    return dbs_SetAudioSourceParam(&s, 2, h);  // what the controller held
  };
  Ci().OnlineStatus = true;
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->ReadSourceParams->isEnabled());
  EXPECT_TRUE(form->ReadTriggerParams->isEnabled());
  EXPECT_TRUE(form->ReadDestParams->isEnabled());
  form->ReadSourceParams->click();
  EXPECT_EQ(flags, (std::vector<int>{0, 1, 0, 0}));
  EXPECT_EQ(ui.Messages.last(), "Database components read from control frame");
  EXPECT_EQ(form->SourceAudioList->currentText(), "Right to Both");
  EXPECT_EQ(QFileInfo(window->Manager().DatabaseFileName).fileName(), "CURR_SYS.ZP3");
  form->ReadTriggerParams->click();
  EXPECT_EQ(flags, (std::vector<int>{0, 0, 0, 1}));
  form->ReadDestParams->click();
  EXPECT_EQ(flags, (std::vector<int>{0, 0, 1, 0}));
  Library().UploadWithOptions = real;
  // A level without the audio parameter reads its triggers only.
  TLevelForm* plain = Level(2);
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(plain->ReadSourceParams->isEnabled());
  EXPECT_TRUE(plain->ReadTriggerParams->isEnabled());
  EXPECT_FALSE(plain->ReadDestParams->isEnabled());
}

TEST_F(LevelFormTest, TheTreeOpensTheGridFormsByEnterDoubleClickAndProperties) {
  OpenLevels();
  QTreeWidget* tree = window->Tree();
  const auto node = [&](const char* text) { return window->Manager().FindNode(text); };
  const auto form = [&](const char* text) { return TDatabaseManager::ResourceOf(node(text))->EditorForm.data(); };
  tree->setCurrentItem(node("Level 2"));
  QTest::keyClick(tree, Qt::Key_Return);
  ASSERT_NE(qobject_cast<TLevelForm*>(form("Level 2")), nullptr);
  tree->setCurrentItem(node("Salvos"));
  QTest::keyClick(tree, Qt::Key_Enter);
  auto* controller = qobject_cast<TKorvellForm*>(form("Salvos"));
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(controller->Pages()->currentIndex(), 2);
  controller->CancelButton()->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  window->show();
  const QRect r = tree->visualItemRect(node("Dest Association"));
  // A double-click on the node's label, as the window system delivers it.
  const QPoint at(r.left() + 8, r.center().y());
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
  QMouseEvent twice(QEvent::MouseButtonDblClick, at, tree->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    {});
  QApplication::sendEvent(tree->viewport(), &twice);
  controller = qobject_cast<TKorvellForm*>(form("Dest Association"));
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(controller->Pages()->currentWidget(), controller->DestinationAssociations);
  controller->CancelButton()->click();
  TKorvellForm* triggers = Controller("Trigger Positions");
  ASSERT_NE(triggers, nullptr);
  EXPECT_EQ(triggers->Pages()->currentWidget(), triggers->TabSheet1);
  EXPECT_TRUE(window->PropertiesAction->isEnabled());
}

QString StoredLevelName(DbsHandle h, int level) {
  TLibString name(QString(8, ' '));
  TLevelRecord r{};
  r.name = name;
  EXPECT_EQ(dbs_GetLevelData(0, static_cast<uint16_t>(level), &r, h), DBS_OK);
  return name.Text().trimmed();
}

// A level's name is edited where it is shown: in its form (at most its
// eight characters can be typed) and by Rename in the tree, which an open
// form takes up unless the user is typing one of their own.
TEST_F(LevelFormTest, ALevelIsRenamedInItsFormAndInTheTree) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  form->NameEdit->selectAll();
  QTest::keyClicks(form->NameEdit, "CAMERAS OF STUDIO");
  EXPECT_EQ(form->NameEdit->text(), "CAMERAS ");
  EXPECT_TRUE(form->ApplyButton()->isEnabled());
  form->ApplyButton()->click();
  EXPECT_EQ(StoredLevelName(H(), 0), "CAMERAS");
  EXPECT_EQ(form->windowTitle(), "CAMERAS ");
  EXPECT_TRUE(window->Manager().FindNode("CAMERAS "));
  // An emptied name is refused, with the field to put right.
  form->NameEdit->selectAll();
  QTest::keyClick(form->NameEdit, Qt::Key_Delete);
  form->ApplyButton()->click();
  EXPECT_EQ(ui.Messages.last(), "You have entered an invalid value");
  EXPECT_EQ(StoredLevelName(H(), 0), "CAMERAS");

  // The tree renames level 2; its open form follows.
  TLevelForm* second = Level(1);
  ASSERT_NE(second, nullptr);
  QTreeWidgetItem* node = window->Manager().FindNode("Level 2");
  ASSERT_NE(node, nullptr);
  EXPECT_TRUE(node->flags() & Qt::ItemIsEditable);
  window->CommitRename(node, "VTR");
  EXPECT_EQ(StoredLevelName(H(), 1), "VTR");
  EXPECT_EQ(second->NameEdit->text(), "VTR");
  EXPECT_EQ(window->UndoAction->text(), "&Undo Rename Level 2");
  // A name of spaces is refused there too and the node keeps its name.
  window->CommitRename(window->Manager().FindNode("VTR"), "   ");
  EXPECT_EQ(ui.Messages.last(), "You have entered an invalid value");
  EXPECT_EQ(StoredLevelName(H(), 1), "VTR");
  EXPECT_TRUE(window->Manager().FindNode("VTR"));
  form->close();
  second->close();
}

// Cancel, Escape or the close button with changes not applied asks; Keep
// Editing stays, Apply stores and closes, Discard closes without them.
TEST_F(LevelFormTest, ClosingWithChangesNotAppliedAsks) {
  OpenLevels();
  TLevelForm* form = Level(0);
  ASSERT_NE(form, nullptr);
  form->CancelButton()->click();  // nothing changed: closes at once
  EXPECT_TRUE(ui.Messages.isEmpty());
  form = Level(0);
  // Escape in an open cell editor gives the cell back and asks nothing.
  TStringGrid* grid = form->SourcesGrid;
  grid->SelectCell(4, 0);
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_F2);
  ASSERT_NE(Editor(grid), nullptr);
  QTest::keyClicks(Editor(grid), "X");
  QTest::keyClick(Editor(grid), Qt::Key_Escape);
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(grid->Model().Text(4, 0), "m1s5");
  Type(form->SourcesGrid, 2, 0, "KEEP");
  const QString question = "Level 1 has changes that are not applied.";
  form->CancelButton()->click();  // the box closed: Keep Editing
  EXPECT_EQ(ui.Messages.last(), question);
  EXPECT_EQ(ui.Buttons.last(), "Apply|Discard|Keep Editing");
  EXPECT_EQ(ui.Defaults.last(), "Apply");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(SourceName(H(), 0, 2), "m1s3");
  ui.Choices.enqueue(0);
  QTest::keyClick(form, Qt::Key_Escape);
  EXPECT_EQ(ui.Messages.count(question), 2);
  EXPECT_EQ(SourceName(H(), 0, 2), "KEEP");
  form = Level(0);
  ASSERT_NE(form, nullptr);
  Type(form->SourcesGrid, 2, 0, "GONE");
  ui.Choices.enqueue(1);
  form->close();
  EXPECT_EQ(SourceName(H(), 0, 2), "KEEP");
  EXPECT_EQ(ui.Messages.count(question), 3);
}

}  // namespace
}  // namespace zephra::test
