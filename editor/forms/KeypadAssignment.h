// TKeypadAssignmentForm: every panel with its source and destination
// keypads. As an overview it only shows them; opened for one panel it also
// gives that panel the keypads of a compatible panel ("&Use Keypads") or
// copies another panel's keypads onto the panel's own ("Copy &Keypads").
// Both write to the database at once.
#pragma once

#include <QDialog>

#include "zephra/zephra.h"

class QLabel;
class QPushButton;
class QTableWidget;
class TCommonInterface;

class TKeypadAssignmentForm : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { Overview = 0, Panel = 1 };

  TKeypadAssignmentForm(TCommonInterface& ci, QWidget* parent);

  // For one panel: reads its record; the overview when it cannot be read.
  void Setup(Mode mode, int panel);
  Mode CurrentMode() const { return mode_; }
  // What activating the window does: the list filled anew, the panel's own
  // keypads chosen.
  void Refresh();
  // The keypads the panel has once the window closes.
  int ChosenDestKeypad() const { return chosenDest_; }
  int ChosenSourceKeypad() const { return chosenSource_; }

  // A click on a cell of the list, as the user makes it.
  void CellClicked(int row, int column);
  void UseKeypads();
  void CopyKeypads();

  QLabel* pnlPanel;
  QLabel* pnlSource;
  QLabel* pnlDest;
  QTableWidget* DataGrid;
  QLabel* lblCopy;
  QLabel* lblUse;
  QPushButton* OkButton;
  QPushButton* UseKeypadsButton;
  QPushButton* CopyKeypadsButton;

 protected:
  bool event(QEvent* event) override;

 private:
  void FillGrid();
  void RefreshLabels();
  void Select(int row, int first, int last);
  void ShowKept(QLabel* panel, int keypad, int& kept);
  bool ReadPanel();

  TCommonInterface& ci_;
  Mode mode_ = Mode::Overview;
  int panel_ = -1;
  TPanelRecord record_{};  // the panel's, its name apart
  QString panelName_;
  bool linked_ = false;  // both of the panel's keypads are dial-up ones
  int keptSource_ = -1, keptDest_ = -1;
  int chosenSource_ = -1, chosenDest_ = -1;
  QList<QWidget*> panelOnly_;  // what only the one-panel window shows
};
