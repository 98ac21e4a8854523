// The keypad editor on real database files through the real library.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>

#include "../dbs/sequence_fixture.h"
#include "device_fixture.h"
#include "forms/FormFields.h"
#include "forms/KeypadResource.h"
#include "forms/KeypadResourceForm.h"
#include "forms/PanelResourceForm.h"
#include "model/KeypadLayout.h"

namespace {

using namespace zephra::editor;
using zephra::test::DeviceTest;
using zephra::test::NameKey;
using zephra::test::Sequence;
using zephra::test::Str;

struct Key {
  QString name, altName;
  int keyType;
};

struct KeypadFormTest : DeviceTest {
  std::unique_ptr<TKeypadResource> keypads;
  std::unique_ptr<TKeypadForm> window;

  void TearDown() override {
    window.reset();  // before the main window, which is its parent
    DeviceTest::TearDown();
  }

  // Panel 0 of `type` with the two keypads, in the keypad editor.
  TKeypadForm& Edit(int type, int source, int dest) {
    EXPECT_EQ(dbs_SetPanelType(0, static_cast<uint16_t>(type), H()), DBS_OK);
    EXPECT_EQ(dbs_SetPanelKeypad(0, 1, static_cast<uint16_t>(source), H()), DBS_OK);
    EXPECT_EQ(dbs_SetPanelKeypad(0, 0, static_cast<uint16_t>(dest), H()), DBS_OK);
    window.reset();
    keypads = std::make_unique<TKeypadResource>(&form->Manager(), 0, type);
    EXPECT_TRUE(keypads->LoadSourceKeypad(source));
    EXPECT_TRUE(keypads->LoadDestKeypad(dest));
    keypads->FunctionMenu = KeyFunctionMenu(type);
    keypads->PanelName = "Panel 1";
    window = std::make_unique<TKeypadForm>(*keypads);
    EXPECT_TRUE(window->Load());
    return *window;
  }
  int At(int32_t code) const {
    const TKeypadLayout& layout = KeypadLayout(keypads->PanelType);
    for (int p = 0; p < kLayoutPositions; ++p) {
      if (layout.codes[static_cast<size_t>(p)] == code) return p;
    }
    ADD_FAILURE() << "no position has code " << code;
    return -1;
  }
  Key ReadKey(int keypad, int key) {
    Str name(u"        "), alt(u"        ");
    TKeyRecord r{};
    r.name = name;
    r.altName = alt;
    EXPECT_EQ(dbs_GetKey(static_cast<uint16_t>(keypad), static_cast<uint16_t>(key), &r, H()), DBS_OK);
    const auto shown = [](const Str& s) { return ShownName(QString::fromStdU16String(s.Text())); };
    return {shown(name), shown(alt), r.keyType};
  }
  void ShowPage(TKeypadForm& f, const QString& tab) {
    for (int i = 0; i < f.Pages()->count(); ++i) {
      if (f.Pages()->tabText(i) == tab) f.Pages()->setCurrentIndex(i);
    }
  }
  // Every sequence of a keypad as "A-B=selection".
  QStringList Sequences(int keypad) {
    QStringList out;
    Sequence s = Sequence::Empty(static_cast<uint16_t>(keypad));
    for (DbsStatus st = dbs_GetFirstSequence(static_cast<uint16_t>(keypad), &s.record, H()); st == DBS_OK;
         st = dbs_GetNextSequence(static_cast<uint16_t>(keypad), &s.record, H())) {
      const TKeyPressRecord& last = s.record.presses[s.record.count - 1];
      QString text = QString::fromStdU16String(s.Path());
      text.remove(QChar(' '));
      out << text + "=" + QString::number(last.salvo >= 0 ? 800 + last.salvo : last.selection[0]);
    }
    return out;
  }
  uint16_t Assignment(int keypad, const char16_t* name, uint32_t* salvo = nullptr) {
    uint16_t value = 0;
    uint32_t flag = 0;
    EXPECT_EQ(dbs_GetKeyAssignment(static_cast<uint16_t>(keypad), Str(name), 0, &value, &flag, H()), DBS_OK);
    if (salvo) *salvo = flag;
    return value;
  }
};

TEST_F(KeypadFormTest, APnl01XyPanelSharesItsKeysAndNamesThemOnBothKeypads) {
  TKeypadForm& f = Edit(3, 64, 72);
  EXPECT_EQ(f.windowTitle(), "Keypad for Panel:  Panel 1      of type: PNL-01 XY");
  int shown = 0;
  for (int p = 0; p < kLayoutPositions; ++p) {
    if (!f.ButtonShown(p)) continue;
    ++shown;
    EXPECT_TRUE(f.Keys[static_cast<size_t>(p)].Shared());
  }
  EXPECT_EQ(shown, 36);
  EXPECT_TRUE(f.SelectKeypadRadioGroup->isHidden());  // both are dial-up keypads
  EXPECT_TRUE(f.Pages()->isTabVisible(0));
  EXPECT_TRUE(f.Pages()->isTabVisible(1));
  EXPECT_FALSE(f.Pages()->isTabVisible(2));
  EXPECT_EQ(f.AddButton->text(), "New");
  const int key9 = At(9);  // the first key of the second row
  EXPECT_EQ(f.CaptionLine(key9, 0), "Key 10");
  // The names offered: the leading part of the names, then the digits.
  QStringList names;
  for (int i = 0; i < f.NameList->count(); ++i) names << f.NameList->item(i)->text();
  EXPECT_EQ(names, (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "m"}));

  EXPECT_TRUE(f.DropName(key9, "CAM"));
  EXPECT_EQ(f.CaptionLine(key9, 0), "CAM");
  EXPECT_EQ(f.CaptionLine(key9, 1), "Key 10");  // the old first name moves down
  EXPECT_TRUE(f.ApplyButton()->isEnabled());
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  for (int keypad : {64, 72}) {
    const Key k = ReadKey(keypad, 9);
    EXPECT_EQ(k.name, "CAM") << keypad;
    EXPECT_EQ(k.altName, "Key 10") << keypad;
    EXPECT_EQ(k.keyType, 0) << keypad;  // the shared flags are not stored
  }
  // A name another key shows is refused.
  EXPECT_FALSE(f.DropName(At(10), "CAM"));
  EXPECT_EQ(ui.Messages, QStringList{"The same name cannot be assigned to two keys"});
  EXPECT_EQ(ui.Kinds, QStringList{"information"});
}

// Names stored on "Key Names" rename or remove the sequences that press
// them: the tree shows what is stored, as the editor shows it opened again.
TEST_F(KeypadFormTest, NamesAppliedLeaveTheSequenceTreeAsStored) {
  NameKey(H(), 64, 0, u"A", 0);
  NameKey(H(), 64, 1, u"B", 0);
  for (auto keys : {std::initializer_list<std::u16string_view>{u"A"}, {u"B"}}) {
    Sequence s(64, keys, 3);
    ASSERT_EQ(dbs_SetEntrySequence(64, &s.record, H()), DBS_OK);
  }
  TKeypadForm& f = Edit(24, 64, 32);
  ASSERT_EQ(f.Tree.Root().Children().size(), 2u);
  EXPECT_TRUE(f.DropKey(At(0), At(5)));  // "A" moves on, key 0 is blank
  f.ApplyButton()->click();
  const auto stored = zephra::test::SequencePaths(H(), 64);
  QStringList shown;
  for (const auto& child : f.Tree.Root().Children()) shown << QString::fromStdU16String(child->keyName).trimmed();
  QStringList paths;
  for (const auto& p : stored) paths << QString::fromStdU16String(p).trimmed();
  EXPECT_EQ(shown, paths);
  EXPECT_EQ(f.SequenceTreeView->topLevelItem(0)->childCount(), static_cast<int>(stored.size()));
}

TEST_F(KeypadFormTest, AUniqueFunctionGoesToOneKeyAtATime) {
  TKeypadForm& f = Edit(3, 64, 72);
  const int first = At(5), second = At(6);
  EXPECT_TRUE(f.ChooseFunction(first, kFnClear));
  EXPECT_EQ(f.CaptionLine(first, 0), "Clear");
  EXPECT_FALSE(f.MenuEntryEnabled(second, kFnClear));
  EXPECT_FALSE(f.ChooseFunction(second, kFnClear));
  EXPECT_EQ(f.Keys[static_cast<size_t>(second)].Function, kFnNormal);
  const QMenu* menu = f.KeyMenu(second);
  QStringList offered;
  for (QAction* a : menu->actions()) {
    offered << a->text() + (a->isEnabled() ? "" : " (off)");
  }
  EXPECT_EQ(offered, (QStringList{"Remove", "Blank Key", "Normal", "Line-Up (off)", "Protect", "Alt. Lev.", "Next",
                                  "Previous", "Config. Aud. (off)", "Display Aud. (off)", "Clear (off)"}));
  // The first key gives it up: the second may take it.
  EXPECT_TRUE(f.ChooseFunction(first, kFnProtect));
  EXPECT_TRUE(f.ChooseFunction(second, kFnClear));
  EXPECT_TRUE(f.ChooseFunction(At(9), kFnLineUp));  // key 9 starts a row
  f.OkButton()->click();
  EXPECT_EQ(ReadKey(64, 5).keyType, kFnProtect);
  EXPECT_EQ(ReadKey(72, 6).keyType, kFnClear);
  EXPECT_EQ(ReadKey(64, 9).keyType, kFnLineUp);
}

TEST_F(KeypadFormTest, ASequenceIsBuiltPressByPressUpToFourPresses) {
  TKeypadForm& f = Edit(3, 64, 72);
  ShowPage(f, "Sequences");
  EXPECT_EQ(f.CurrentPage(), TKeypadForm::SequencesPage);
  EXPECT_EQ(f.AddButton->text(), "Add");
  for (int key : {1, 2, 3}) f.KeyClicked(At(key));
  TSequenceNode* third = f.CurrentNode();
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->Depth(), 3);
  // The last press selects source association 5, the second destination 7.
  f.SourceBox->setCurrentRow(5);
  f.SourceCheck->click();
  TSequenceNode* second = third->Parent();
  f.SelectNode(second);
  EXPECT_FALSE(f.SourceCheck->isChecked());
  f.DestBox->setCurrentRow(7);
  f.DestCheck->click();
  EXPECT_EQ(f.SequenceTreeView->topLevelItem(0)->text(0), "Key Sequences");
  // A fourth press, and no fifth.
  f.SelectNode(third);
  f.KeyClicked(At(4));
  EXPECT_EQ(f.CurrentNode()->Depth(), 4);
  f.KeyClicked(At(5));
  EXPECT_EQ(ui.Messages, QStringList{"You already have the maximum number of keys in this sequence"});
  EXPECT_EQ(f.CurrentNode()->Depth(), 4);
  // Pressing a key the current node already has goes to it.
  f.AddButton->click();
  EXPECT_EQ(f.CurrentNode(), nullptr);
  f.KeyClicked(At(1));
  EXPECT_EQ(f.CurrentNode(), second->Parent());

  // Only presses that select something are stored, with the path to them.
  f.SelectNode(third->Children().front().get());
  f.SourceBox->setCurrentRow(9);
  f.SourceCheck->click();
  f.ApplyButton()->click();
  EXPECT_EQ(ui.Messages.size(), 1);
  EXPECT_EQ(Sequences(64), (QStringList{"Key2-Key3-Key4=5", "Key2-Key3-Key4-Key5=9"}));
  EXPECT_EQ(Sequences(72), (QStringList{"Key2-Key3=7"}));

  // A function key is no press.
  EXPECT_TRUE(f.Pages()->currentIndex() == 1);
  f.Keys[static_cast<size_t>(At(0))].Function = kFnClear;
  f.KeyClicked(At(0));
  EXPECT_EQ(ui.Messages.last(), "This key type cannot be used in an entry sequence");
}

TEST_F(KeypadFormTest, ASalvoNodeHasNoChildren) {
  TKeypadForm& f = Edit(24, 64, 32);  // a dial-up source keypad, a button-per destination one
  EXPECT_FALSE(f.SelectKeypadRadioGroup->isHidden());
  EXPECT_EQ(f.SelectKeypadRadioGroup->ItemIndex(), 0);
  ShowPage(f, "Sequences");
  f.KeyClicked(At(1));
  f.MacroBox->setCurrentRow(2);
  QMenu* popup = f.SequencePopup();
  ASSERT_TRUE(f.AssignSalvoAction->isEnabled());
  EXPECT_FALSE(f.RemoveSalvoAction->isEnabled());
  emit popup->triggered(f.AssignSalvoAction);
  EXPECT_TRUE(f.CurrentNode()->IsSalvo());
  EXPECT_TRUE(f.MacroCheck->isChecked());
  f.KeyClicked(At(2));
  EXPECT_EQ(ui.Messages, QStringList{"A key sequence defined as a salvo cannot have any children nodes"});
  EXPECT_EQ(f.CurrentNode()->Depth(), 1);
  // A node with children cannot become one either.
  f.AddButton->click();
  f.KeyClicked(At(3));
  f.KeyClicked(At(4));
  f.SelectNode(f.CurrentNode()->Parent());
  f.SequencePopup();
  EXPECT_FALSE(f.AssignSalvoAction->isEnabled());
  f.MacroCheck->click();
  EXPECT_FALSE(f.MacroCheck->isChecked());
  EXPECT_EQ(ui.Messages.size(), 2);
  EXPECT_EQ(ui.Messages.last(), "A key sequence defined as a salvo cannot have any children nodes");
  // Destinations are not this keypad's.
  f.DestCheck->setEnabled(true);
  f.DestCheck->click();
  EXPECT_EQ(ui.Messages.last(), "This key type cannot select destinations");
  f.ApplyButton()->click();
  EXPECT_EQ(Sequences(64), QStringList{"Key2=802"});
}

TEST_F(KeypadFormTest, RemovingANodeWithChildrenAsksTwiceAndLeavesASoundTree) {
  NameKey(H(), 64, 0, u"A", 0);
  NameKey(H(), 64, 1, u"B", 0);
  NameKey(H(), 64, 2, u"C", 0);
  NameKey(H(), 64, 3, u"D", 0);
  for (auto keys : {std::initializer_list<std::u16string_view>{u"A"}, {u"A", u"B"}, {u"A", u"C", u"D"}, {u"D"}}) {
    Sequence s(64, keys, 4);
    ASSERT_EQ(dbs_SetEntrySequence(64, &s.record, H()), DBS_OK);
  }
  TKeypadForm& f = Edit(24, 64, 32);
  ShowPage(f, "Sequences");
  ASSERT_EQ(f.Tree.Root().Children().size(), 2u);
  TSequenceNode* a = f.Tree.Root().Children().front().get();
  EXPECT_EQ(a->Children().size(), 2u);
  f.SelectNode(a);
  // No to the second question keeps everything.
  ui.Answers << true << false;
  f.RemoveButton->click();
  EXPECT_EQ(ui.Messages, (QStringList{"This action will update the database. Are you sure you want to continue ?",
                                      "Removing this node will remove all its child nodes also. Are you sure you "
                                      "want to continue ?"}));
  EXPECT_EQ(ui.Kinds, (QStringList{"information", "question"}));
  EXPECT_EQ(Sequences(64).size(), 4);
  f.SelectNode(f.Tree.Root().Children().front().get());
  ui.Answers << true << true;
  f.RemoveButton->click();
  EXPECT_EQ(Sequences(64), QStringList{"D=4"});
  ASSERT_EQ(f.Tree.Root().Children().size(), 1u);
  EXPECT_EQ(f.SequenceTreeView->topLevelItem(0)->childCount(), 1);
  EXPECT_FALSE(f.ApplyButton()->isEnabled());  // written at once

  // The file's trees and free lists are as the library's checker wants them.
  window.reset();
  ASSERT_TRUE(form->Manager().CommonInterface.CloseDatabase(H()));
  const std::string verify = std::string(ZEPHRA_DB_PROGRAM) + " verify Test.ZP3 > verify.txt 2>&1";
  EXPECT_EQ(std::system(verify.c_str()), 0);
}

TEST_F(KeypadFormTest, ClearAllRemovesEverySequence) {
  NameKey(H(), 64, 0, u"A", 0);
  NameKey(H(), 64, 1, u"B", 0);
  for (auto keys : {std::initializer_list<std::u16string_view>{u"A", u"B"}, {u"B"}}) {
    Sequence s(64, keys, 1);
    ASSERT_EQ(dbs_SetEntrySequence(64, &s.record, H()), DBS_OK);
  }
  TKeypadForm& f = Edit(4, 64, 32);
  ShowPage(f, "Sequences");
  ui.Answers << false;
  f.ClearAllButton->click();
  EXPECT_EQ(Sequences(64).size(), 2);
  ui.Answers << true;
  f.ClearAllButton->click();
  EXPECT_EQ(ui.Messages.last(),
            "Are you sure you want to remove all the data for this keypad. Note this action will update the database");
  EXPECT_TRUE(Sequences(64).isEmpty());
  EXPECT_TRUE(f.Tree.Root().Children().empty());
}

TEST_F(KeypadFormTest, ButtonPerAssignmentsAreStoredUnderTheKeyNames) {
  TKeypadForm& f = Edit(1, 0, 32);  // a Generic BPX
  EXPECT_TRUE(f.Pages()->isTabVisible(2));
  EXPECT_FALSE(f.Pages()->isTabVisible(0));
  EXPECT_FALSE(f.AddButton->isEnabled());
  EXPECT_EQ(f.BPSourceListBox->currentRow(), -1);
  EXPECT_EQ(f.BPSourceListBox->item(0)->text(), "m1s1");
  EXPECT_EQ(f.BPSourceListBox->item(20)->text(), "21, m1s21");  // no level-1 source of that number
  EXPECT_TRUE(f.DropSource(At(0), 3));
  EXPECT_TRUE(f.DropSource(At(1), 20));
  EXPECT_TRUE(f.DropSalvo(At(2), 2));
  EXPECT_TRUE(f.DropDest(At(1000), 4));
  EXPECT_FALSE(f.DropDest(At(3), 4));  // not a destination key
  EXPECT_EQ(f.CaptionLine(At(0), 0), "m1s4");
  EXPECT_EQ(f.CaptionLine(At(1), 0), "[m1s21]");
  EXPECT_EQ(f.CaptionLine(At(2), 0), "Salvo 3");
  EXPECT_EQ(f.CaptionLine(At(1000), 1), "m1d5");
  // Normal keeps what the key selects.
  EXPECT_TRUE(f.ChooseFunction(At(0), kFnNormal));
  EXPECT_EQ(f.CaptionLine(At(0), 0), "m1s4");
  // A dropped list entry reaches the key as the drag carries it.
  QMimeData dropped;
  dropped.setData(TKeypadForm::kSourceFormat, "7");
  emit f.KeyButtons[static_cast<size_t>(At(5))]->Dropped(At(5), &dropped);
  f.OkButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  uint32_t salvo = 9;
  EXPECT_EQ(Assignment(0, u"Key 1", &salvo), 3);
  EXPECT_EQ(salvo, 0u);
  EXPECT_EQ(Assignment(0, u"Key 2"), 20);
  EXPECT_EQ(Assignment(0, u"Key 3", &salvo), 2);
  EXPECT_EQ(salvo, 1u);
  EXPECT_EQ(Assignment(0, u"Key 6"), 7);
  EXPECT_EQ(Assignment(0, u"Key 4"), 0xFFFF);
  EXPECT_EQ(Assignment(32, u"Dest 1"), 4);
  EXPECT_EQ(ReadKey(0, 0).keyType, kFnNormal);

  // Opened again, the keys show what they select; Remove clears a key.
  TKeypadForm& again = Edit(1, 0, 32);
  EXPECT_EQ(again.CaptionLine(At(2), 0), "Salvo 3");
  EXPECT_EQ(again.CaptionLine(At(1000), 1), "m1d5");
  EXPECT_TRUE(again.ChooseFunction(At(2), kFnRemove));
  EXPECT_EQ(again.CaptionLine(At(2), 0), "");
  again.ApplyButton()->click();
  EXPECT_EQ(Assignment(0, u"Key 3", &salvo), 0xFFFF);
  EXPECT_EQ(ReadKey(0, 2).name, "Key 3");  // a button-per key keeps the name it is stored under
  ui.Answers << true;
  again.ClearAllButton->click();
  EXPECT_EQ(ui.Messages.last(), "Are you sure you want to remove all the data for this keypad.");
  again.ApplyButton()->click();
  EXPECT_EQ(Assignment(32, u"Dest 1"), 0xFFFF);
}

// Keys named "Key 1", "Key 10" and "Key 11", and "Key 1" without a
// sequence node of its own (its name was taken away and given back): each
// key's assignment stays its own.
TEST_F(KeypadFormTest, AnAssignmentStaysOnItsKeyWhenAnotherKeysNameBeginsWithItsName) {
  TKeypadForm& f = Edit(1, 0, 32);  // a Generic BPX
  ASSERT_EQ(ReadKey(0, 0).name, "Key 1");
  ASSERT_EQ(ReadKey(0, 10).name, "Key 11");
  EXPECT_TRUE(f.DropSource(At(10), 5));
  f.OkButton()->click();
  // A blank name takes the key's node away; the name comes back without one.
  Str name(u"        "), alt(u"        ");
  TKeyRecord key{};
  key.name = name;
  key.altName = alt;
  ASSERT_EQ(dbs_GetKey(0, 0, &key, H()), DBS_OK);
  Str blank(u"        "), again1(u"Key 1");
  key.name = blank;
  ASSERT_EQ(dbs_SetKey(0, 0, &key, H()), DBS_OK);
  key.name = again1;
  ASSERT_EQ(dbs_SetKey(0, 0, &key, H()), DBS_OK);

  TKeypadForm& again = Edit(1, 0, 32);
  EXPECT_EQ(again.CaptionLine(At(0), 0), "");
  EXPECT_TRUE(again.DropSalvo(At(0), 2));
  again.OkButton()->click();
  uint32_t salvo = 9;
  EXPECT_EQ(Assignment(0, u"Key 11", &salvo), 5);
  EXPECT_EQ(salvo, 0u);
  EXPECT_EQ(Assignment(0, u"Key 1", &salvo), 2);
  EXPECT_EQ(salvo, 1u);
  EXPECT_EQ(Assignment(0, u"Key 10", &salvo), 0xFFFF);
  TKeypadForm& third = Edit(1, 0, 32);
  EXPECT_EQ(third.CaptionLine(At(0), 0), "Salvo 3");
  EXPECT_EQ(third.CaptionLine(At(9), 0), "");
  EXPECT_EQ(third.CaptionLine(At(10), 0), "m1s6");
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
}

TEST_F(KeypadFormTest, MarkedDestinationKeysAreStored) {
  // A PNL-02-2: outputs, their alternative destinations (marked) and the
  // positions that follow those ("?").
  TKeypadForm& f = Edit(25, 0, 32);
  const int output = At(1000), alternative = At(11002), follower = At(21004);
  EXPECT_FALSE(f.ButtonShown(alternative));
  EXPECT_FALSE(f.ButtonShown(follower));
  EXPECT_TRUE(f.ChooseFunction(At(0), kFnAltDest));
  EXPECT_EQ(f.CaptionLine(At(0), 0), "Alt.");
  EXPECT_TRUE(f.ButtonShown(alternative));
  EXPECT_TRUE(f.ButtonShown(follower));
  EXPECT_EQ(f.CaptionLine(follower, 0), "?");
  EXPECT_FALSE(f.DropDest(follower, 1));  // a "?" takes no assignment of its own
  EXPECT_TRUE(f.DropDest(output, 6));
  EXPECT_TRUE(f.ChooseFunction(alternative, kFnNormal));  // stored as type 1 by default
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  EXPECT_EQ(ReadKey(32, 2).keyType, kFnNormal);
  EXPECT_EQ(Assignment(32, u"Dest 1"), 6);
  EXPECT_EQ(Assignment(32, u"Dest 5"), 6);  // the "?" follows the last assigned key before it
  EXPECT_EQ(Assignment(32, u"Dest 3"), 0xFFFF);
  // Giving Alt. Dest. up hides them again.
  EXPECT_TRUE(f.ChooseFunction(At(0), kFnNormal));
  EXPECT_FALSE(f.ButtonShown(alternative));
}

TEST_F(KeypadFormTest, SetKeyTakesTheKeyNumberFromAMarkedCode) {
  TCommonInterface& ci = form->Manager().CommonInterface;
  Str name(u"ALT"), alt(u"");
  TKeyRecord r{};
  r.name = name;
  r.altName = alt;
  r.keyType = kFnNormal | kDestKeyFlag;
  for (const auto& [code, key] : {std::pair{21004, 4}, std::pair{11007, 7}, std::pair{1003, 3}, std::pair{12, 12}}) {
    r.key = static_cast<uint16_t>(code);
    EXPECT_TRUE(ci.SetKey(32, r, H())) << code;
    EXPECT_EQ(ReadKey(32, key).keyType, 0) << code;  // the editor's flags are cleared
    r.name = alt;  // the other keys keep their names (a name lives on one key)
  }
  EXPECT_EQ(ReadKey(32, 4).name, "ALT");
  EXPECT_TRUE(ui.Messages.isEmpty());
}

TEST_F(KeypadFormTest, NamesMoveFromKeyToKey) {
  TKeypadForm& f = Edit(3, 64, 72);
  const int from = At(1), to = At(2), same = At(3);
  EXPECT_TRUE(f.DropKey(from, to));
  EXPECT_EQ(f.CaptionLine(to, 0), "Key 2");
  EXPECT_EQ(f.CaptionLine(from, 0), "");
  EXPECT_TRUE(f.DropKey(same, same));  // onto itself: the two names change places
  EXPECT_EQ(f.CaptionLine(same, 1), "Key 4");
  // A name from the list, removed from the list again, leaves the keys.
  f.NameEdit->setText("VTR");
  f.AddButton->click();
  EXPECT_EQ(f.NameEdit->text(), "");
  ASSERT_EQ(f.NameList->findItems("VTR", Qt::MatchExactly).size(), 1);
  EXPECT_TRUE(f.DropName(At(4), "VTR"));
  f.NameList->setCurrentItem(f.NameList->findItems("VTR", Qt::MatchExactly).front());
  f.RemoveButton->click();
  EXPECT_EQ(f.CaptionLine(At(4), 0), "");
  EXPECT_EQ(f.CaptionLine(At(4), 1), "Key 5");
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  for (int keypad : {64, 72}) {
    EXPECT_EQ(ReadKey(keypad, 2).name, "Key 2") << keypad;  // taken from key 1, which gave it up first
    EXPECT_EQ(ReadKey(keypad, 1).name, "") << keypad;
    EXPECT_EQ(ReadKey(keypad, 3).altName, "Key 4") << keypad;
  }
  // Clear All blanks every key.
  ui.Answers << true;
  f.ClearAllButton->click();
  EXPECT_EQ(f.CaptionLine(At(7), 0), "");
}

TEST_F(KeypadFormTest, LeavingAPageWithChangesAsksFirst) {
  TKeypadForm& f = Edit(4, 64, 32);  // dial-up source, button-per destination
  EXPECT_TRUE(f.DropName(At(1), "CAM"));
  ui.Answers << false;
  ShowPage(f, "Sequences");
  EXPECT_EQ(ui.Messages.last(), "All changes must be applied/cancelled before proceeding. Apply changes?");
  EXPECT_EQ(f.CurrentPage(), TKeypadForm::KeyNamesPage);
  EXPECT_EQ(f.Pages()->currentIndex(), 0);
  // Dest shows the destination keypad's page once the change is applied.
  ui.Answers << true;
  f.SelectKeypadRadioGroup->Button(1)->click();
  EXPECT_EQ(ReadKey(64, 1).name, "CAM");
  EXPECT_EQ(f.CurrentPage(), TKeypadForm::ButtonPerPage);
  EXPECT_TRUE(f.BPDestListBox->isEnabled());
  EXPECT_FALSE(f.BPSourceListBox->isEnabled());
  EXPECT_EQ(f.CaptionLine(At(1), 0), "");  // the source keypad's captions are not shown
  EXPECT_TRUE(f.DropDest(At(1008), 2));
}

TEST_F(KeypadFormTest, EditKeypadOpensTheEditorFromThePanelEditor) {
  auto* panel = Open<TPanelForm>(Panel(0));
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->EditKeypadButton->isEnabled());
  QString caption;
  int keys = 0;
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto& k = static_cast<TKeypadForm&>(d);
    caption = k.windowTitle();
    for (int p = 0; p < kLayoutPositions; ++p) keys += k.ButtonShown(p);
    return int(QDialog::Rejected);
  });
  panel->EditKeypadButton->click();
  EXPECT_TRUE(ui.Dialogs.isEmpty());
  EXPECT_EQ(caption, "Keypad for Panel:  Panel 1      of type: Generic BPX");
  EXPECT_EQ(keys, 64 + 8);
}


// A "PNL-01 XY" whose two keypads are of different kinds: each keypad's keys
// keep their own types, and the hidden keypad's names and assignments stay.
struct MixedPanelTest : KeypadFormTest {
  void ShowDest(TKeypadForm& f) {
    f.SelectKeypadRadioGroup->Button(1)->click();
    ASSERT_EQ(f.CurrentPage(), f.Keypads()->DestDialUp() ? TKeypadForm::KeyNamesPage : TKeypadForm::ButtonPerPage);
  }
  std::vector<int> KeyTypes(int keypad) {
    std::vector<int> types;
    for (int k = 0; k < 36; ++k) types.push_back(ReadKey(keypad, k).keyType);
    return types;
  }
};

TEST_F(MixedPanelTest, ApplyKeepsEachKeypadsOwnKeyTypesUntilTheUserPicksAFunction) {
  // Panel 1 shares the button-per destination keypad.
  ASSERT_EQ(dbs_SetPanelKeypad(1, 0, 32, H()), DBS_OK);
  ASSERT_EQ(dbs_SetKeyAssignment(32, Str(u"Dest 3"), 0, 5, 0, H()), DBS_OK);
  TKeypadForm& f = Edit(3, 64, 32);
  EXPECT_FALSE(f.SelectKeypadRadioGroup->isHidden());
  EXPECT_TRUE(f.DropName(At(1), "CAM"));
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  EXPECT_EQ(KeyTypes(64), std::vector<int>(36, kFnNormal));
  EXPECT_EQ(KeyTypes(32), std::vector<int>(36, kFnSource));
  EXPECT_EQ(ReadKey(64, 1).name, "CAM");
  EXPECT_EQ(ReadKey(32, 1).name, "Dest 2");

  // A function the user picks goes to both keypads; Blank Key and Remove too.
  EXPECT_TRUE(f.ChooseFunction(At(5), kFnClear));
  EXPECT_TRUE(f.ChooseFunction(At(7), kFnBlank));
  f.ApplyButton()->click();
  std::vector<int> source(36, kFnNormal), dest(36, kFnSource);
  source[5] = dest[5] = kFnClear;
  dest[7] = kFnNormal;
  EXPECT_EQ(KeyTypes(64), source);
  EXPECT_EQ(KeyTypes(32), dest);

  // Apply on the destination keypad's page leaves the source keypad's types.
  ShowDest(f);
  EXPECT_TRUE(f.DropDest(At(3), 9));
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  EXPECT_EQ(KeyTypes(64), source);
  EXPECT_EQ(KeyTypes(32), dest);
  EXPECT_EQ(Assignment(32, u"Dest 3"), 5);
  EXPECT_EQ(Assignment(32, u"Dest 4"), 9);
  EXPECT_EQ(ReadPanel(1).destKeypad, 32);
}

TEST_F(MixedPanelTest, RemovingANameLeavesTheHiddenButtonPerKeypad) {
  ASSERT_EQ(dbs_SetKeyAssignment(0, Str(u"Key 8"), 0, 7, 0, H()), DBS_OK);
  TKeypadForm& f = Edit(3, 0, 72);  // a button-per source keypad, a dial-up destination keypad
  EXPECT_EQ(f.CurrentPage(), TKeypadForm::ButtonPerPage);
  ShowDest(f);
  f.NameEdit->setText("Key 8");
  f.AddButton->click();
  f.NameList->setCurrentItem(f.NameList->findItems("Key 8", Qt::MatchExactly).front());
  f.RemoveButton->click();
  EXPECT_EQ(f.CaptionLine(At(7), 0), "");
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  EXPECT_EQ(ReadKey(72, 7).name, "");
  EXPECT_EQ(ReadKey(0, 7).name, "Key 8");
  EXPECT_EQ(Assignment(0, u"Key 8"), 7);
}

TEST_F(MixedPanelTest, NamesAreDroppedAndDraggedOnTheShownKeypadsKeys) {
  NameKey(H(), 0, 3, u"SAT");  // a name of the hidden button-per keypad only
  TKeypadForm& f = Edit(3, 0, 72);
  ShowDest(f);
  const int key = At(5);
  EXPECT_TRUE(f.DropName(key, "CAM"));
  EXPECT_TRUE(f.DropName(key, "VTR"));
  EXPECT_EQ(f.CaptionLine(key, 0), "VTR");
  EXPECT_EQ(f.CaptionLine(key, 1), "CAM");
  EXPECT_TRUE(f.DropKey(key, key));
  EXPECT_TRUE(f.DropName(At(4), "SAT"));
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  // A name the shown keypad has on another key is still refused.
  EXPECT_FALSE(f.DropName(At(6), "Key 1"));
  f.ApplyButton()->click();
  EXPECT_EQ(ReadKey(72, 5).name, "CAM");
  EXPECT_EQ(ReadKey(72, 5).altName, "VTR");
  EXPECT_EQ(ReadKey(72, 4).name, "SAT");
  EXPECT_EQ(ReadKey(0, 5).name, "Key 6");
  EXPECT_EQ(ReadKey(0, 3).name, "SAT");
}

TEST_F(MixedPanelTest, BlankKeyAndRemoveLeaveTheHiddenKeypadsNamesAndAssignments) {
  NameKey(H(), 72, 7, u"SAT", 0);
  Sequence s(72, {u"SAT"}, 3);
  ASSERT_EQ(dbs_SetEntrySequence(72, &s.record, H()), DBS_OK);
  ASSERT_EQ(dbs_SetKeyAssignment(0, Str(u"Key 9"), 0, 4, 0, H()), DBS_OK);
  TKeypadForm& f = Edit(3, 0, 72);
  // On the button-per page: the dial-up keypad's names stay.
  EXPECT_TRUE(f.ChooseFunction(At(7), kFnBlank));
  f.ApplyButton()->click();
  EXPECT_EQ(ReadKey(72, 7).name, "SAT");
  EXPECT_EQ(Sequences(72), QStringList{"SAT=3"});
  // On the dial-up keypad's page: the button-per keypad's assignment stays.
  ShowDest(f);
  EXPECT_TRUE(f.ChooseFunction(At(8), kFnRemove));
  f.ApplyButton()->click();
  EXPECT_EQ(ReadKey(72, 8).name, "");
  f.SelectKeypadRadioGroup->Button(0)->click();
  EXPECT_EQ(f.CaptionLine(At(8), 0), "m1s5");
  EXPECT_TRUE(f.DropSource(At(2), 1));
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  EXPECT_EQ(Assignment(0, u"Key 9"), 4);
  EXPECT_EQ(Assignment(0, u"Key 3"), 1);
}

TEST_F(KeypadFormTest, ANameHeldOnlyByAFunctionKeyMayGoToAnotherKey) {
  TKeypadForm& f = Edit(3, 64, 72);
  EXPECT_TRUE(f.ChooseFunction(At(5), kFnClear));
  f.ApplyButton()->click();
  EXPECT_EQ(ReadKey(64, 5).name, "Key 6");  // a function key keeps its names, unseen
  EXPECT_TRUE(f.DropName(At(6), "Key 6"));
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  EXPECT_EQ(f.CaptionLine(At(6), 0), "Key 6");
  EXPECT_EQ(f.CaptionLine(At(5), 0), "Clear");
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  for (int keypad : {64, 72}) {
    EXPECT_EQ(ReadKey(keypad, 6).name, "Key 6") << keypad;
    EXPECT_EQ(ReadKey(keypad, 6).altName, "Key 7") << keypad;
    EXPECT_EQ(ReadKey(keypad, 5).name, "") << keypad;  // a keypad keeps a name on one key
    EXPECT_EQ(ReadKey(keypad, 5).keyType, kFnClear) << keypad;
  }
  // A name a name key shows is still refused.
  EXPECT_FALSE(f.DropName(At(8), "Key 7"));
  EXPECT_EQ(ui.Messages, QStringList{"The same name cannot be assigned to two keys"});
}

TEST_F(KeypadFormTest, ClearingAPartEntryDisplayNameIsStored) {
  NameKey(H(), 64, 0, u"A", 0);
  NameKey(H(), 64, 1, u"B", 0);
  NameKey(H(), 64, 2, u"C", 0);
  Sequence s(64, {u"A", u"B"}, 5);
  s.record.presses[0].displayName = s.Keep(u"CAMS");
  ASSERT_EQ(dbs_SetEntrySequence(64, &s.record, H()), DBS_OK);
  Sequence c(64, {u"C"});
  c.record.presses[0].displayName = c.Keep(u"SATS");
  ASSERT_EQ(dbs_SetEntrySequence(64, &c.record, H()), DBS_OK);
  const auto displayNames = [&] {
    QStringList out;
    Sequence walk = Sequence::Empty(64);
    for (DbsStatus st = dbs_GetFirstSequence(64, &walk.record, H()); st == DBS_OK;
         st = dbs_GetNextSequence(64, &walk.record, H())) {
      const TKeyPressRecord& first = walk.record.presses[0];
      out << ShownName(QString::fromStdU16String(std::u16string(first.displayName, 16))).trimmed();
    }
    return out;
  };
  ASSERT_EQ(displayNames(), (QStringList{"CAMS", "SATS"}));

  TKeypadForm& f = Edit(24, 64, 32);
  ShowPage(f, "Sequences");
  f.DisplayGroup->Button(TKeypadForm::SourcePartEntry)->click();
  for (const auto& top : f.Tree.Root().Children()) {
    QTreeWidgetItem* item = f.ItemOf(top.get());
    ASSERT_EQ(item->text(0), SameKeyName(top->keyName, u"A") ? "CAMS" : "SATS");
    f.SequenceTreeView->setCurrentItem(item);
    f.SequenceTreeView->editItem(item);
    auto* editor = f.SequenceTreeView->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the tree takes the text once the key is handled
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(item->text(0), "");
  }
  EXPECT_TRUE(f.ApplyButton()->isEnabled());
  f.ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join("; ").toStdString();
  EXPECT_EQ(displayNames(), (QStringList{"", ""}));
}

TEST_F(KeypadFormTest, ANameTheLibraryKeepsOnAKeyWithoutAButtonIsReported) {
  // Key 20 of the destination keypad has no button on this panel.
  NameKey(H(), 72, 20, u"SAT", 0);
  TKeypadForm& f = Edit(24, 64, 72);
  const int dest = At(1000);
  EXPECT_TRUE(f.DropName(dest, "SAT"));
  f.ApplyButton()->click();
  EXPECT_EQ(ReadKey(72, 0).name, "Key 1");
  ASSERT_EQ(ui.Messages, QStringList{"The same name cannot be assigned to two keys"});
  EXPECT_EQ(ui.Kinds, QStringList{"warning"});
  EXPECT_TRUE(ui.Details.front().contains("SAT")) << ui.Details.front().toStdString();
  EXPECT_EQ(f.CaptionLine(dest, 0), "Key 1");  // the window shows what is stored
  EXPECT_TRUE(f.ApplyButton()->isEnabled());
}

}  // namespace
