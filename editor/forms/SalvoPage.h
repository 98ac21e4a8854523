// The "Salvos" page of the "Controller Data" window: one salvo at a time,
// opened by name, its rows the destination associations it switches and a
// source per level in each. Remove, Save, Clear and Rename write to the
// database at once, each a step of its own to undo; Apply and OK, and Open
// of another salvo, only ask whether an open salvo that was changed should be
// saved. Apply is enabled by the salvo page only while such a salvo is open.
//
// A stored crosspoint is found by its key (level, destination), whatever
// source the grid now shows for it: a cell emptied after it was retyped,
// Clear and Remove delete exactly the crosspoints the salvo holds.
#pragma once

#include <QHash>
#include <QWidget>
#include <vector>

#include "forms/GridResources.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class TKorvellForm;
class TStringGrid;

class TSalvoPage : public QWidget {
  Q_OBJECT

 public:
  explicit TSalvoPage(TKorvellForm& form);

  // A grid of `rows` rows and a column per level.
  void Setup(int levels, int rows);
  // An entry of the destination list: association `association` named `name`.
  void AddDestination(int association, const QString& name);
  // The list anew, entry i naming association i.
  void SetDestinations(const std::vector<QString>& names);
  // The rows' association names as the database now holds them.
  void RefreshNames();

  // A salvo is open and differs from what was last loaded or saved.
  bool IsSalvoPending() const;
  // After a change made outside the page (an undo, say): an open salvo the
  // user has not changed shows what the file holds now, and its name too.
  void TakeUpStored();
  // Before Apply goes on: offers to save a pending salvo.
  void AskPending();

  // The commands.
  void Open();
  void LoadSalvo(int number, const QString& name);
  void Insert();
  void Remove();
  // Asks about sources without a destination association, then stores the
  // salvo; false when the user chose not to.
  bool Save();
  void Clear();
  void Rename();

  // The grid's working copy: the row's association and a level's cell.
  const TDestAssocResource& RowAssociation(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  const TSourceResource& CellAt(int row, int level) const;
  uint32_t OrphanColumns(int row) const { return orphans_[static_cast<std::size_t>(row)]; }

  QButtonGroup* MacrosDisplayRadioGroup;
  TStringGrid* MacrosStringGrid;
  QListWidget* DestinationList;
  QPushButton* InsertDestButton;
  QPushButton* RemoveButton;
  QCheckBox* MacroSourceCheckBox;
  QPushButton* SalvoCopy;
  QPushButton* SalvoPaste;
  QPushButton* OpenButton;
  QPushButton* ClearButton;
  QPushButton* SaveButton;
  QPushButton* RenameButton;
  QLabel* NameLabel;

  bool SalvoOpen = false;
  bool SalvoSaved = false;
  uint16_t SalvoNumber = 0;
  int SalvoRows = 0;  // the rows of the salvo; the next one added goes below them

 private:
  using Key = QPair<int, int>;  // level, destination
  // The crosspoints the salvo holds, by key.
  QHash<Key, int> Stored();
  // Writes every row that has an association: the cells with a source are
  // set, the emptied ones deleted.
  void Store();
  void Empty();
  bool NamesDisplay() const;
  TSourceText Checks() const;
  TSourceResource& Cell(int row, int level) { return cells_[static_cast<std::size_t>(row * levels_ + level)]; }
  QString CellText(const TSourceResource& cell) const;
  // The user emptied the cell (typed, pasted or removed).
  void EmptyCell(int row, int level);
  // Gives cell (row, level) source n of its level; false when unreadable.
  bool TakeSource(int row, int level, int n, const QString& typed);
  void MarkOrphan(int row, int level, bool on);
  bool CheckCell(int row, int column);
  void PasteCells(int top, int left, const zephra::editor::CellBlock& block);
  void ShowCells();
  void ShowRow(int row);
  void Edited();
  int SelectedAssociation() const;

  TKorvellForm& form_;
  int levels_ = 0;
  std::vector<TDestAssocResource> rows_;
  std::vector<TSourceResource> cells_;
  std::vector<uint32_t> orphans_;
  std::vector<int> listAssociations_;  // the association of each list entry
  QHash<Key, int> loaded_;              // the open salvo's crosspoints when last loaded or stored
  bool storing_ = false;                // a step of the page's own is running
};
