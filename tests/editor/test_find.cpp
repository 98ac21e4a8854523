// Find: every kind of name of the database found from one box, as the user
// types, and each hit opening the form that edits it at its row; the tree's
// filter.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "FindDialog.h"
#include "forms/SalvoPage.h"
#include "undo_session.h"

namespace {

using zephra::model::NameHit;
using zephra::model::NamePlace;
using zephra::test::NameKey;
using zephra::test::Sequence;
using zephra::test::Str;

struct FindTest : zephra::test::WindowSessionTest {
  // "Cam 7" in every kind of name, then the file opened anew.
  void Name() {
    ASSERT_EQ(dbs_SetLevelName(0, 1, Str(u"CAM 7 LV"), H()), DBS_OK);
    const TSourceIndexRecord source{0, 0, 5};
    ASSERT_EQ(dbs_SetSourceName(&source, Str(u"CAM 7   "), H()), DBS_OK);
    ASSERT_EQ(dbs_SetDestName(0, 3, Str(u"cam 7 pv"), H()), DBS_OK);
    ASSERT_EQ(dbs_SetPanelName(2, Str(u"CAM 7 OP"), H()), DBS_OK);
    ASSERT_EQ(dbs_SetUMDName(1, Str(u"CAM 7 TL"), H()), DBS_OK);
    Str shortName(u"C7  "), name(u"CAM 7 SV");
    TMacroStoreRecord salvo{1, shortName, name, 0};
    ASSERT_EQ(dbs_SetMacroStore(1, &salvo, H()), DBS_OK);
    NameKey(H(), 0, 2, u"Cam 7", 1);
    NameKey(H(), 64, 0, u"A", 0);
    Sequence s(64, {u"A"}, 3);
    s.record.presses[0].displayName = s.Keep(u"CAM 7 DN");
    ASSERT_EQ(dbs_SetEntrySequence(64, &s.record, H()), DBS_OK);
    Reopen();
    window->EnableAfterOpen();
  }
  TFindDialog* Find(const QString& text) {
    window->FindAction->trigger();
    TFindDialog* f = window->FindWindow();
    EXPECT_NE(f, nullptr);
    if (!f) return nullptr;
    f->FindEdit->clear();
    QTest::keyClicks(f->FindEdit, text);
    return f;
  }
  // The listed hit of a place (and where, when given).
  QTreeWidgetItem* Hit(TFindDialog* f, NamePlace place, const QString& where = {}) {
    for (int i = 0; i < f->HitList->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = f->HitList->topLevelItem(i);
      const NameHit* hit = f->HitOf(item);
      if (hit && hit->place == place && (where.isEmpty() || item->text(2) == where)) return item;
    }
    return nullptr;
  }
  void Activate(TFindDialog* f, QTreeWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    emit f->HitList->itemActivated(item, 0);
    QCoreApplication::processEvents();
  }
  template <class F>
  F* FormOf(const QString& node) {
    TResource* r = TDatabaseManager::ResourceOf(window->Manager().FindNode(node));
    return r ? qobject_cast<F*>(r->EditorForm.data()) : nullptr;
  }
};

TEST_F(FindTest, EveryKindOfNameIsFoundInAnyCaseAsTheUserTypes) {
  Open();
  Name();
  TFindDialog* f = Find("cAm 7");
  ASSERT_NE(f, nullptr);
  const std::pair<NamePlace, QString> wanted[] = {
      {NamePlace::Level, "level 2"},
      {NamePlace::Source, "source 6 of level 1"},
      {NamePlace::Destination, "destination 4"},
      {NamePlace::SourceAssociation, "source association 6, level 1"},
      {NamePlace::Panel, "panel 3"},
      {NamePlace::UMD, "UMD 2"},
      {NamePlace::Salvo, "salvo 2"},
      {NamePlace::Key, "key 3 of keypad 1"},
      {NamePlace::Sequence, "sequence A of keypad 65"},
  };
  for (const auto& [place, where] : wanted) EXPECT_NE(Hit(f, place, where), nullptr) << where.toStdString();
  EXPECT_EQ(f->HitList->topLevelItem(0)->text(0).left(5).toUpper(), "CAM 7");
  const int all = f->HitList->topLevelItemCount();
  EXPECT_EQ(f->CountLabel->text(), QString("%1 names").arg(all));
  // Typing on narrows the list; a text no name holds says so.
  QTest::keyClicks(f->FindEdit, " p");
  EXPECT_EQ(f->HitList->topLevelItemCount(), 1);
  EXPECT_EQ(f->HitList->topLevelItem(0)->text(0), "cam 7 pv");
  QTest::keyClicks(f->FindEdit, "q");
  EXPECT_EQ(f->HitList->topLevelItemCount(), 0);
  EXPECT_EQ(f->CountLabel->text(), "No name holds \"cAm 7 pq\"");
  // A rename is found at once: the names are read again after a step.
  window->CommitRename(window->Manager().FindNode("Panel 5"), "CAM 7 PQ");
  EXPECT_EQ(f->HitList->topLevelItemCount(), 1);
  window->UndoCommand();
  EXPECT_EQ(f->HitList->topLevelItemCount(), 0);
}

TEST_F(FindTest, AHitOpensTheFormThatEditsItAtItsRow) {
  Open();
  Name();
  TFindDialog* f = Find("cam 7");
  ASSERT_NE(f, nullptr);
  Activate(f, Hit(f, NamePlace::Source));
  auto* level = FormOf<TLevelForm>("Level 1");
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->SourcesGrid->currentIndex().row(), 5);

  Activate(f, Hit(f, NamePlace::Destination));
  auto* controller = FormOf<TKorvellForm>("Dest Association");
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(controller->Pages()->currentIndex(), 1);
  EXPECT_EQ(controller->DestAssocsStringGrid->currentIndex().row(), 3);
  Activate(f, Hit(f, NamePlace::SourceAssociation));
  EXPECT_EQ(controller->Pages()->currentIndex(), 0);  // the same window, another page
  EXPECT_EQ(controller->SourceAssocsStringGrid->currentIndex().row(), 5);
  EXPECT_EQ(controller->SourceAssocsStringGrid->currentIndex().column(), 0);
  Activate(f, Hit(f, NamePlace::Salvo));
  EXPECT_EQ(controller->Pages()->currentIndex(), 2);
  EXPECT_TRUE(controller->Macros->SalvoOpen);
  EXPECT_EQ(controller->Macros->SalvoNumber, 1);

  Activate(f, Hit(f, NamePlace::Panel));
  EXPECT_NE(FormOf<TPanelForm>("CAM 7 OP"), nullptr);
  Activate(f, Hit(f, NamePlace::UMD));
  EXPECT_NE(FormOf<TUMDResourceForm>("CAM 7 TL"), nullptr);
  Activate(f, Hit(f, NamePlace::Key));  // keypad 1 is panel 1's
  EXPECT_NE(FormOf<TPanelForm>("Panel 1"), nullptr);
  Activate(f, Hit(f, NamePlace::Level));
  EXPECT_NE(FormOf<TLevelForm>("CAM 7 LV"), nullptr);
  EXPECT_FALSE(ui.Kinds.contains("warning")) << ui.Messages.join('|').toStdString();
}

TEST_F(FindTest, TheTreeFilterShowsTheMatchingNodesAndTheNodesAboveThem) {
  Open();
  window->CommitRename(window->Manager().FindNode("Panel 3"), "STUDIO");
  ASSERT_TRUE(window->DropOn(TDatabaseManager::ResourceOf(window->Manager().FindNode("STUDIO")),
                             window->Manager().FindNode("RS485-1")));
  const auto shown = [this] {
    QStringList out;
    for (QTreeWidgetItemIterator it(window->Tree()); *it; ++it) {
      if (!(*it)->isHidden()) out << (*it)->text(0);
    }
    return out;
  };
  QTest::keyClicks(window->TreeFilter, "stud");
  EXPECT_EQ(shown().size(), 3) << shown().join('|').toStdString();  // the frame, the port and the panel
  EXPECT_TRUE(shown().contains("STUDIO"));
  EXPECT_TRUE(shown().contains("RS485-1"));
  EXPECT_EQ(window->Tree()->currentItem()->text(0), "STUDIO");
  // An undo rebuilds the tree under the same filter.
  window->UndoCommand();
  EXPECT_TRUE(shown().contains("STUDIO"));
  EXPECT_FALSE(shown().contains("RS485-1"));
  EXPECT_TRUE(shown().contains("Storeroom"));
  window->TreeFilter->clear();
  EXPECT_GT(shown().size(), 60);
}

}  // namespace
