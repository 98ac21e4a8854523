// TKorvellForm: the "Controller Data" window, what belongs to the whole of
// matrix 0 rather than to one level: the source associations (which source
// of each level belongs to association n), the destination associations with
// their names, the salvos (the "Salvos" page, SalvoPage.h) and the trigger
// switch points. The association grids and the trigger settings are written
// only by Apply or OK; the salvo commands write at once.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <vector>

#include "forms/GridResources.h"
#include "forms/ResourceForm.h"

class QButtonGroup;
class QCheckBox;
class QPushButton;
class TKorvellControllerResource;
class TSalvoPage;
class TStringGrid;

class TKorvellForm : public TResourceForm {
  Q_OBJECT

 public:
  explicit TKorvellForm(TKorvellControllerResource& resource);
  // Fills the form from the database, on the page the tree node `node`
  // stands for; false when the configuration cannot be read.
  bool Load(const QString& node);

  // Apply also settles an open salvo that was not saved.
  bool HasChanges() const override;
  // A change made outside the form: what the user has not changed follows
  // the file.
  void ResourceChanged() override;

  int Levels() const { return levels_; }
  int SourceCount(int level) const { return level >= 0 && level < DBS_MAX_LEVELS ? sourceCount_[level] : 0; }
  int DestCount(int level) const { return level >= 0 && level < DBS_MAX_LEVELS ? destCount_[level] : 0; }
  // The working copy: association `a`'s member of `level`, and row `a` of
  // the destination grid.
  const TSourceResource& SourceCell(int a, int level) const;
  const TDestAssocResource& DestRow(int a) const { return destRows_[static_cast<std::size_t>(a)]; }
  bool NamesDisplay() const;

  QWidget* SourceAssociations;
  QCheckBox* OneToOneCheck;
  TStringGrid* SourceAssocsStringGrid;
  QButtonGroup* SourcesDisplayRadioGroup;
  QPushButton* SrcCopy;
  QPushButton* SrcPaste;
  QWidget* DestinationAssociations;
  TStringGrid* DestAssocsStringGrid;
  QCheckBox* OneToOneDests;
  QPushButton* DestCopy;
  QPushButton* DestPaste;
  TSalvoPage* Macros;
  QWidget* TabSheet1;
  QButtonGroup* RG625Trig;
  QButtonGroup* RG525Trig;
  QButtonGroup* RGHDTrig;

 protected:
  bool Store() override;

 private:
  // A page of an association grid, with the page's own controls beside it
  // above Copy and Paste.
  QWidget* AssociationPage(const char* name, const QString& title, TStringGrid*& grid, const QList<QWidget*>& side,
                           QPushButton*& copy, QPushButton*& paste);
  QWidget* BuildSourcePage();
  QWidget* BuildDestPage();
  QWidget* BuildTriggerPage();
  void LoadSources();
  void LoadDests();
  void LoadTriggers();
  // Association `a`'s members as stored, a cell per level; false when the
  // association cannot be read.
  bool ReadSourceRow(int a, std::vector<TSourceResource>& cells);
  // The trigger choices as stored.
  std::array<int, 3> StoredTriggers();
  // Reads the file again: `adoptAll` (after the form's own Apply) shows
  // what it holds throughout; otherwise what the user changed since the
  // last reading is kept.
  void TakeUpStored(bool adoptAll);
  TSourceResource& Cell(int a, int level) { return sourceCells_[static_cast<std::size_t>(a * levels_ + level)]; }
  // The text a source cell shows in the display chosen.
  QString CellText(const TSourceResource& cell) const;
  void ShowSourceCells();
  // Gives association `a`'s member of `level` the source `n` (read from the
  // database); false when it cannot be read.
  bool TakeSource(int a, int level, int n, const QString& typed);
  bool CheckSourceCell(int row, int column);
  bool CheckDestCell(int row, int column);
  void PasteSources(int top, int left, const zephra::editor::CellBlock& block);
  void PasteDests(int top, int left, const zephra::editor::CellBlock& block);

  int levels_ = 0;
  int sourceAssocs_ = 0, destAssocs_ = 0, salvoCount_ = 0;
  std::array<int, DBS_MAX_LEVELS> sourceCount_{}, destCount_{};
  std::vector<TSourceResource> sourceCells_;  // association by level
  std::vector<TSourceResource> storedCells_;  // the same as last read from the file
  // Each destination association as last read; the grid holds the working
  // copy of its name and members.
  std::vector<TDestAssocResource> destRows_;
  std::array<int, 3> storedTriggers_{};
};
