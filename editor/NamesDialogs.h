// The names import's report, shown before anything is written, and the list
// of differences between the open database and another one or the
// controller, grouped by family.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "model/Compare.h"
#include "model/NameImport.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TImportReportForm : public QDialog {
  Q_OBJECT

 public:
  TImportReportForm(const QString& file, const zephra::model::ImportPlan& plan, QWidget* parent = nullptr);

  QLabel* Summary;
  QTreeWidget* Rows;  // a row per issue, then per change: line, column, what
  QPushButton* ApplyButton;
  QPushButton* CancelButton;
};

class TCompareForm : public QDialog {
  Q_OBJECT

 public:
  // `open` is called for a difference the user activates.
  TCompareForm(const QString& caption, const QString& heading, std::vector<zephra::model::Difference> differences,
               std::function<void(const zephra::model::Difference&)> open, QWidget* parent = nullptr);

  const std::vector<zephra::model::Difference>& Differences() const { return differences_; }
  // The difference an item stands for; null for a family's group.
  const zephra::model::Difference* DifferenceOf(const QTreeWidgetItem* item) const;
  // The group of a family, or null when nothing of it differs.
  QTreeWidgetItem* Group(zephra::model::Family family) const;

  QLabel* Heading;
  QTreeWidget* List;

 private:
  std::vector<zephra::model::Difference> differences_;
  std::function<void(const zephra::model::Difference&)> open_;
};
