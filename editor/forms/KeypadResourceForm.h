// TKeypadForm: the keypad editor (modal). It shows a panel's keys as the
// panel lays them out and edits, for the panel's two keypads, each key's
// function, the key names and entry sequences of dial-up keypads and the
// direct assignments of button-per keypads. Each page stores what it shows
// on Apply (or OK); removing entry sequences writes at once.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <array>

#include "forms/KeypadResource.h"
#include "forms/ResourceForm.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QMimeData;
class QScrollArea;
class QTreeWidget;
class QTreeWidgetItem;
class TRadioGroup;

// A button of the panel: two caption lines (or a picture), a drop target for
// names, keys and assignments, and a key that can itself be dragged.
class TKeyButton : public QPushButton {
  Q_OBJECT

 public:
  TKeyButton(int position, QWidget* parent);
  const int Position;
  QString Line1, Line2;
  bool Draggable = false;  // the key may be dragged onto another

 signals:
  void Dropped(int position, const QMimeData* mime);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QPoint pressedAt_;
};

// A list whose entries are dragged as `format`, carrying their row.
class TDragList : public QListWidget {
 public:
  TDragList(const QString& format, QWidget* parent);

 protected:
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
  QStringList mimeTypes() const override { return {format_}; }

 private:
  QString format_;
};

class TKeypadForm : public TResourceForm {
  Q_OBJECT

 public:
  enum Page { KeyNamesPage, SequencesPage, ButtonPerPage };
  enum Display { KeyPresses, SourcePartEntry, DestPartEntry, Salvos };
  // What is dragged onto a key.
  static const char* const kNameFormat;
  static const char* const kKeyFormat;
  static const char* const kSourceFormat;
  static const char* const kDestFormat;
  static const char* const kSalvoFormat;

  explicit TKeypadForm(TKeypadResource& keypads);
  ~TKeypadForm() override;

  // Reads everything the window shows; false when the keys cannot be read.
  bool Load();
  TKeypadResource* Keypads() const;
  Page CurrentPage() const { return page_; }

  // The key function menu of a position: its entries, and whether each is
  // enabled; choosing one (false when the entry is disabled or refused).
  QMenu* KeyMenu(int position);
  bool MenuEntryEnabled(int position, int function) const;
  bool ChooseFunction(int position, int function);
  // What the user drops onto a key; false when the key does not take it.
  bool DropName(int position, const QString& name);
  bool DropKey(int from, int to);
  bool DropSource(int position, int index);
  bool DropDest(int position, int index);
  bool DropSalvo(int position, int index);
  // A click on a key: a press of the sequence being built on "Sequences".
  void KeyClicked(int position);

  // The sequence tree: the node shown as current (the root when none).
  zephra::editor::TSequenceNode* CurrentNode() const { return current_; }
  void SelectNode(zephra::editor::TSequenceNode* node);
  QTreeWidgetItem* ItemOf(const zephra::editor::TSequenceNode* node) const;
  // The tree's pop-up menu, its entries enabled for the current node.
  QMenu* SequencePopup();
  // A node's text as the user typed it in the tree.
  void NodeTextEdited(zephra::editor::TSequenceNode* node, const QString& text);

  // The caption lines of a position as its button shows them.
  QString CaptionLine(int position, int line) const { return Line(position, line); }
  bool ButtonShown(int position) const;

  TKeyResources Keys;
  zephra::editor::TSequenceTree Tree;

  // The controls, by the names the editor gives them.
  QScrollArea* KeyBox;
  std::array<TKeyButton*, zephra::editor::kLayoutPositions> KeyButtons{};
  QGroupBox* FunctionsGroup;
  QPushButton* AddButton;
  QPushButton* RemoveButton;
  QPushButton* ClearAllButton;
  TRadioGroup* SelectKeypadRadioGroup;
  QCheckBox* cbLockLists;
  QLineEdit* NameEdit;
  QListWidget* NameList;
  QCheckBox* SourceCheck;
  QListWidget* SourceBox;
  QCheckBox* DestCheck;
  QListWidget* DestBox;
  QTreeWidget* SequenceTreeView;
  TRadioGroup* DisplayGroup;
  QCheckBox* MacroCheck;
  QListWidget* MacroBox;
  QListWidget* BPSourceListBox;
  QListWidget* BPDestListBox;
  QListWidget* BPMacroListBox;
  QAction* AssignSalvoAction;
  QAction* RemoveSalvoAction;
  QAction* RemoveSourceAction;
  QAction* RemoveDestAction;
  QAction* NameDisplayAction;

 protected:
  bool Store() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildKeyBox();
  QWidget* BuildFunctions();
  QWidget* BuildNamesPage();
  QWidget* BuildSequencesPage();
  QWidget* BuildButtonPerPage();
  void FillLists(const TKeypadLists& lists);

  // Which keypads the window shows: both, unless "Keypad" chooses one.
  bool ShowsSource() const;
  bool ShowsDest() const;
  // Whether the shown keypad that holds the key on `dest`'s side is dial-up.
  bool DialUpSide(bool dest) const;
  // The side of a key the window shows: its destination side when only that
  // one is shown or the key is a destination key.
  bool ShownSideIsDest(const TKeyResource& key) const;
  bool ShowsKey(const TKeyResource& key) const;
  // Whether the key's names on `dest`'s side are the window's: that keypad
  // is a dial-up keypad the window shows, and the key is one of its keys.
  bool NamesShownOn(const TKeyResource& key, bool dest) const;
  // The record whose names the key's button shows.
  TKeyValues& ShownNames(TKeyResource& key) const { return ShownSideIsDest(key) ? key.Dest : key.Source; }
  bool TakenByOther(int position, int function) const;
  bool AltDestChosen() const;

  // Pages.
  void PageChanged(int index);
  void KeypadChosen(int id);
  void ArriveAt(Page page);
  void ShowPagesForKeypad();
  void RefreshFunctions();

  // Keys.
  void RefreshKeys();
  QString Line(int position, int line) const;
  QString SourceText(int index) const;
  void SetNames(TKeyResource& key, const QString& name, const QString& altName);
  void BlankKey(TKeyResource& key);
  int ShowingName(const QString& name, int except) const;
  void TakeNameFromOthers(const QString& name, int position);
  void KeyDropped(int position, const QMimeData* mime);
  void KeyMenuRequested(int position, const QPoint& at);

  // The functions group on each page.
  void AddPressed();
  void RemovePressed();
  void ClearAllPressed();

  // Sequences.
  void RebuildTree();
  void AddItems(QTreeWidgetItem* parent, zephra::editor::TSequenceNode& node);
  QString NodeText(const zephra::editor::TSequenceNode& node) const;
  QIcon NodeIcon(const zephra::editor::TSequenceNode& node) const;
  bool NodeAllows(const zephra::editor::TSequenceNode* node, int side) const;
  void ShowSelections();
  void SelectionChecked(int side, bool salvo);
  void ListChosen(int side, bool salvo);
  void PopupChosen(QAction* action);
  void RemoveNode(zephra::editor::TSequenceNode& node);
  void RefreshNodeTexts();

  Page page_ = KeyNamesPage;
  int keypadChoice_ = 0;  // 0 source, 1 destination, while "Keypad" is shown
  zephra::editor::TSequenceNode* current_ = nullptr;
  TKeypadLists lists_;
  bool filling_ = false;  // the window sets its own controls
  QMenu* keyMenu_ = nullptr;
  QMenu* sequenceMenu_ = nullptr;
  QWidget* namesPage_;
  QWidget* sequencesPage_;
  QWidget* buttonPerPage_;
};
