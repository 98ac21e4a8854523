#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "CommonInterface.h"
#include "LevelTypeTable.h"
#include "WizardForms.h"
#include "model/DefaultConfiguration.h"
#include "scripted_ui.h"

namespace {

TEST(LevelTypeTable, CodesOfTheTable) {
  EXPECT_EQ(LevelTypeCode(Signal::SdvHd, false, "Router A 32/64", Operation::DualSplit, 0), 9);
  EXPECT_EQ(LevelTypeCode(Signal::Rs422, false, "One to One", Operation::Normal, 1), 49);
  EXPECT_EQ(LevelTypeCode(Signal::Rs422, false, "Broadcast", Operation::Normal, 0), 40);
  EXPECT_EQ(LevelTypeCode(Signal::SdvHd, false, "Router D24", Operation::TripleSplit, 0), kNoLevelType);
  EXPECT_EQ(LevelTypeCode(Signal::SdvHd, false, "Router D24", Operation::DualOutput, 0), 136 + 1 + 24);
  EXPECT_EQ(LevelTypeCode(Signal::Aes, true, "Router E/C 128", Operation::Normal, 0), 168 + 7);
  EXPECT_EQ(LevelTypeCode(Signal::SdvHd, false, "Router B series", Operation::Normal, 0), 249);
  EXPECT_EQ(LevelTypeCode(Signal::AnalogueVideo, false, "Router E 128", Operation::Normal, 0), 264);
  EXPECT_EQ(LevelTypeCode(Signal::Timecode, false, "Router E/C 128", Operation::Normal, 0), 256);
  EXPECT_EQ(LevelTypeCode(Signal::AudioMix, false, "Router G", Operation::Normal, 0), 312 + 5);
  EXPECT_EQ(LevelTypeCode(Signal::AudioMix, true, "Router G", Operation::Normal, 0), kNoLevelType);
  LevelSelection sel;
  ASSERT_TRUE(FindLevelType(9, sel));
  EXPECT_EQ(sel.model, "Router A 32/64");
  EXPECT_EQ(sel.op, Operation::DualSplit);
  EXPECT_FALSE(FindLevelType(kNoLevelType, sel));
}

TEST(LevelTypeTable, BiggerRoutersOnlyForNewerFormats) {
  EXPECT_FALSE(ModelNames(Signal::SdvHd, false, 0, 2).contains("Router C Gold"));
  EXPECT_TRUE(ModelNames(Signal::SdvHd, false, 0, 3).contains("Router C Gold"));
  EXPECT_TRUE(ModelNames(Signal::SdvHd, false, 0, 4).contains("Router G"));
  EXPECT_FALSE(ModelNames(Signal::SdvHd, false, 5, 4).contains("Router G"));
  EXPECT_TRUE(ModelNames(Signal::SdvHd, false, 5, 4).contains("Router F"));
}

struct WizardTest : ::testing::Test {
  TScriptedUi ui;
  TLibString name{QString(16, ' ')};
  TConfigurationRecord record{};
  std::unique_ptr<TCreationWizardForms> wizard;
  void SetUp() override {
    record.name = name;
    zephra::editor::FillDefaultConfig(record, DBS_TYPE_V1);
    wizard = std::make_unique<TCreationWizardForms>(record, TCreationWizardForms::Mode::Creation);
    wizard->Next();  // to the general page
  }
  void ToLevels(int format = 2) {
    wizard->FormatGroup->button(format)->setChecked(true);
    wizard->Next();
    ASSERT_EQ(wizard->CurrentPage(), TCreationWizardForms::Level);
  }
  void Pick(Signal signal, const QString& model) {
    wizard->SignalGroup->button(static_cast<int>(signal))->click();
    for (QAbstractButton* b : wizard->ModelGroup->buttons()) {
      if (b->text() == model) b->click();
    }
  }
};

TEST_F(WizardTest, LevelCountsOutsideOneToEightAreRefused) {
  for (int count : {0, 9}) {
    wizard->LevelCount->setValue(count);
    wizard->Next();
    EXPECT_EQ(wizard->CurrentPage(), TCreationWizardForms::General);
    EXPECT_EQ(ui.Messages.last(), "Invalid Value for Number of Levels");
  }
  wizard->LevelCount->setValue(2);
  wizard->Next();  // the format question, answered No
  EXPECT_TRUE(ui.Messages.last().startsWith("An ZP1 format database will be created."));
  EXPECT_EQ(wizard->CurrentPage(), TCreationWizardForms::Level);
  EXPECT_EQ(record.levelCount[0], 2);
}

TEST_F(WizardTest, ALevelsCodeAndSize) {
  ToLevels();
  Pick(Signal::SdvHd, "Router A 32/64");
  wizard->OperationGroup->button(1)->click();  // Dual Split
  EXPECT_EQ(wizard->MaxSources(), 32);
  EXPECT_EQ(wizard->MaxDests(), 32);
  wizard->Sources->setValue(32);
  wizard->Dests->setValue(32);
  wizard->Next();
  EXPECT_EQ(wizard->LevelTypes()[0], 9);
  EXPECT_EQ(wizard->CurrentLevel(), 1);
  EXPECT_EQ(record.configType, DBS_TYPE_V3);
  EXPECT_EQ(QString::fromUtf16(record.version, 8), "ZP300.00");
}

TEST_F(WizardTest, AnRs422LevelStoresItsParkSource) {
  ToLevels();
  Pick(Signal::Rs422, "One to One");
  wizard->ParkGroup->button(1)->click();  // Auto
  EXPECT_EQ(wizard->MaxSources(), 64);
  wizard->Sources->setValue(10);
  wizard->Next();
  EXPECT_EQ(wizard->LevelTypes()[0], 49);
  EXPECT_EQ(record.sourceCount[0][0], 11);
  wizard->Back();
  EXPECT_EQ(wizard->Sources->value(), 10);
}

TEST_F(WizardTest, CountsRoundToWholeMultiplesOfFour) {
  ToLevels();
  Pick(Signal::SdvHd, "Router A 32/64");  // 64 sources
  wizard->Sources->setValue(30);
  emit wizard->Sources->editingFinished();
  EXPECT_EQ(wizard->Sources->value(), 32);
  wizard->Sources->setValue(70);
  emit wizard->Sources->editingFinished();
  EXPECT_EQ(wizard->Sources->value(), 64);
  wizard->Sources->setValue(0);
  wizard->Next();
  EXPECT_EQ(ui.Messages.last(), "Invalid Value for Number of Sources");
}

TEST_F(WizardTest, TheArrowsStepInTheRoutersUnits) {
  ToLevels();
  Pick(Signal::SdvHd, "Router D24");  // 24 sources
  wizard->Sources->setValue(24);
  wizard->Sources->stepBy(-1);
  EXPECT_EQ(wizard->Sources->value(), 12);
  wizard->Sources->stepBy(-1);
  EXPECT_EQ(wizard->Sources->value(), 8);
  Pick(Signal::SdvHd, "Router C 256");
  wizard->Sources->setValue(40);
  wizard->Sources->stepBy(1);
  EXPECT_EQ(wizard->Sources->value(), 48);
}

TEST_F(WizardTest, NoRouterLargerThanTheFormatAllows) {
  ToLevels(2);  // V3
  wizard->LevelCount->setValue(6);
  wizard->Back();
  wizard->LevelCount->setValue(6);
  wizard->Next();
  for (int l = 0; l < 4; ++l) wizard->Next();
  ASSERT_EQ(wizard->CurrentLevel(), 4);
  Pick(Signal::Aes, "Router F");  // 272 sources, but V3 levels 5-8 hold 257
  EXPECT_EQ(wizard->MaxSources(), 257);
  EXPECT_EQ(wizard->MaxDests(), 256);
}

TEST_F(WizardTest, TheNameIsFittedToSixteen) {
  ToLevels();
  for (int l = 0; l < 4; ++l) wizard->Next();
  ASSERT_EQ(wizard->CurrentPage(), TCreationWizardForms::Name);
  EXPECT_EQ(wizard->NextButton->text(), "&Finish");
  wizard->NameEdit->setText("");
  wizard->Next();
  EXPECT_EQ(ui.Messages.last(), "The configuration name is invalid");
  wizard->NameEdit->setText("A name of twenty uni");
  wizard->Next();
  EXPECT_EQ(wizard->result(), QDialog::Accepted);
  EXPECT_EQ(QString::fromUtf16(record.name, 16), "A name of twenty");
}

TEST_F(WizardTest, TheArrowsOfASmallRouterStepByOneWithoutRounding) {
  ToLevels();
  Pick(Signal::SdvHd, "Router D16");  // 16 sources: steps of one
  wizard->Sources->setValue(16);
  wizard->Sources->stepBy(-1);
  EXPECT_EQ(wizard->Sources->value(), 15);
  wizard->Sources->stepBy(-1);
  EXPECT_EQ(wizard->Sources->value(), 14);
  wizard->Sources->stepBy(1);
  EXPECT_EQ(wizard->Sources->value(), 15);
  wizard->Sources->setValue(9);
  wizard->Sources->stepBy(-3);
  EXPECT_EQ(wizard->Sources->value(), 8);  // never below eight
  wizard->Sources->setValue(13);
  emit wizard->Sources->editingFinished();  // leaving the edit rounds
  EXPECT_EQ(wizard->Sources->value(), 16);
}

TEST_F(WizardTest, TheLevelCountStepsBetweenOneAndEight) {
  wizard->LevelCount->setValue(8);
  wizard->LevelCount->stepBy(1);
  EXPECT_EQ(wizard->LevelCount->value(), 8);
  wizard->LevelCount->setValue(1);
  wizard->LevelCount->stepBy(-1);
  EXPECT_EQ(wizard->LevelCount->value(), 1);
  wizard->LevelCount->setValue(0);
  wizard->LevelCount->stepBy(1);
  EXPECT_EQ(wizard->LevelCount->value(), 1);
}

TEST_F(WizardTest, EnterInTheNameEditFinishesOnce) {
  ToLevels();
  for (int l = 0; l < 4; ++l) wizard->Next();
  ASSERT_EQ(wizard->CurrentPage(), TCreationWizardForms::Name);
  wizard->show();
  wizard->NameEdit->setText("");
  wizard->NameEdit->setFocus();
  const auto before = ui.Messages.size();
  QTest::keyClick(wizard->NameEdit, Qt::Key_Return);
  EXPECT_EQ(ui.Messages.size(), before + 1);
  EXPECT_EQ(ui.Messages.last(), "The configuration name is invalid");
  wizard->NameEdit->setText("Studio");
  QTest::keyClick(wizard->NameEdit, Qt::Key_Return);
  EXPECT_EQ(wizard->result(), QDialog::Accepted);
}

TEST_F(WizardTest, TheFormatQuestionIsAWarning) {
  wizard->Next();
  ASSERT_TRUE(ui.Messages.last().startsWith("An ZP1 format database will be created."));
  EXPECT_EQ(ui.Kinds.last(), "warning-yes-no");
}

TEST_F(WizardTest, AnotherFormatKeepsALevelsSignalAndOperation) {
  ToLevels(2);  // V3
  Pick(Signal::AudioMix, "Router A 32/64");
  wizard->AudioParam->click();
  Pick(Signal::AudioMix, "Router F");
  wizard->OperationGroup->button(3)->click();  // Quad Split
  wizard->Next();
  ASSERT_EQ(wizard->LevelTypes()[0], 352 + 6 + 16);
  wizard->Back();
  wizard->Back();  // the general page
  wizard->FormatGroup->button(1)->setChecked(true);  // V2 has no "Router F"
  wizard->Next();
  ASSERT_EQ(wizard->CurrentLevel(), 0);
  EXPECT_EQ(wizard->SignalGroup->checkedId(), static_cast<int>(Signal::AudioMix));
  EXPECT_TRUE(wizard->AudioParam->isChecked());
  EXPECT_EQ(wizard->OperationGroup->checkedId(), 3);
  EXPECT_EQ(wizard->ModelGroup->checkedButton()->text(), "Router A 32/64");  // the first model offered
}

TEST(WizardReconfiguration, KeepsTheDatabasesFormatAndAssociationCounts) {
  TScriptedUi ui;
  TLibString name{QString(16, ' ')};
  TConfigurationRecord record{};
  record.name = name;
  zephra::editor::FillDefaultConfig(record, DBS_TYPE_V2);
  record.sourceAssocCount[0] = 500;
  record.destAssocCount[0] = 600;
  TCreationWizardForms wizard(record, TCreationWizardForms::Mode::Reconfiguration);
  wizard.Next();
  EXPECT_FALSE(wizard.FormatGroup->buttons().first()->isVisibleTo(&wizard));
  wizard.Next();  // no format question when reconfiguring
  while (wizard.CurrentPage() == TCreationWizardForms::Level) wizard.Next();
  wizard.Next();
  ASSERT_EQ(wizard.result(), QDialog::Accepted);
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  EXPECT_EQ(record.configType, DBS_TYPE_V2);
  EXPECT_EQ(QString::fromUtf16(record.version, 8), "ZP201.00");
  EXPECT_EQ(record.sourceAssocCount[0], 500);
  EXPECT_EQ(record.destAssocCount[0], 600);
}

}  // namespace
