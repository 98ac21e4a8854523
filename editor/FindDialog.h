// TFindDialog: Edit > Find. Every name of the open database, searched as the
// user types, each hit with where it is; activating a hit opens the form
// that edits it.
#pragma once

#include <QDialog>
#include <vector>

#include "model/NameSearch.h"

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class TCommonInterface;

class TFindDialog : public QDialog {
  Q_OBJECT

 public:
  TFindDialog(TCommonInterface& ci, QWidget* parent);

  // The database changed (a step made or taken back): the names are read
  // again for the next search.
  void MarkStale() { stale_ = true; }
  // Lists the hits of the text in the box.
  void Search();
  const zephra::model::NameHit* HitOf(const QTreeWidgetItem* item) const;

  QLineEdit* FindEdit;
  QTreeWidget* HitList;
  QLabel* CountLabel;

  // At most so many hits are listed.
  static constexpr int kShownHits = 1000;

 signals:
  void Activated(const zephra::model::NameHit& hit);

 private:
  bool ReadNames();

  TCommonInterface& ci_;
  std::vector<zephra::model::NameHit> names_;
  bool stale_ = true;
};
