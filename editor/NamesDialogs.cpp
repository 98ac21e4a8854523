#include "NamesDialogs.h"

#include <QDialogButtonBox>
#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/NameText.h"

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QString Count(std::size_t n, const char* one, const char* many) {
  return QString("%1 %2").arg(n).arg(n == 1 ? one : many);
}

}  // namespace

TImportReportForm::TImportReportForm(const QString& file, const zephra::model::ImportPlan& plan, QWidget* parent)
    : QDialog(parent) {
  using zephra::model::Describe;
  setObjectName("ImportReport");
  setWindowTitle("Import Names");
  Summary = new QLabel(this);
  Summary->setObjectName("Summary");
  Summary->setWordWrap(true);
  const std::size_t applied = plan.rows - plan.refusedRows;
  QString summary = QString("<b>%1</b><br>%2 read: %3 to apply (%4 to change, %5 unchanged), %6 warned, %7 refused.")
                        .arg(file.toHtmlEscaped(), Count(plan.rows, "row", "rows"))
                        .arg(applied)
                        .arg(plan.changes.size())
                        .arg(plan.unchanged)
                        .arg(plan.warnedRows)
                        .arg(plan.refusedRows);
  if (plan.changes.empty()) {
    summary += "<br>No name would change.";
  } else if (!plan.Sound()) {
    summary += "<br>Apply writes only the sound rows; the refused ones are left out.";
  }
  Summary->setText(summary);

  Rows = new QTreeWidget(this);
  Rows->setObjectName("Rows");
  Rows->setRootIsDecorated(false);
  Rows->setAlternatingRowColors(true);
  Rows->setHeaderLabels({"Line", "Column", "Row", "What"});
  for (const zephra::model::ImportIssue& issue : plan.issues) {
    auto* item = new QTreeWidgetItem(Rows);
    item->setText(0, QString::number(issue.line));
    item->setText(1, issue.column ? QString("%1 (%2)").arg(issue.column).arg(Text(issue.columnName)) : QString());
    item->setText(2, issue.refused ? "refused" : "warned");
    item->setText(3, Text(issue.message));
    item->setToolTip(3, Text(Describe(issue)));
    item->setForeground(2, issue.refused ? QColor(0xB0, 0x20, 0x20) : QColor(0x90, 0x60, 0x00));
  }
  for (const zephra::model::NameChange& change : plan.changes) {
    auto* item = new QTreeWidgetItem(Rows);
    item->setText(0, QString::number(change.line));
    item->setText(2, "applied");
    item->setText(3, Text(Describe(change)));
  }
  // In line order, the issues of a line before its change.
  QList<QTreeWidgetItem*> items = Rows->invisibleRootItem()->takeChildren();
  std::stable_sort(items.begin(), items.end(),
                   [](QTreeWidgetItem* a, QTreeWidgetItem* b) { return a->text(0).toULongLong() < b->text(0).toULongLong(); });
  Rows->addTopLevelItems(items);
  for (int c = 0; c < 3; ++c) Rows->resizeColumnToContents(c);
  Rows->header()->setStretchLastSection(true);

  auto* buttons = new QDialogButtonBox(this);
  ApplyButton = buttons->addButton(plan.Sound() ? "Apply" : "Apply Sound Rows", QDialogButtonBox::AcceptRole);
  ApplyButton->setObjectName("Apply");
  ApplyButton->setEnabled(!plan.changes.empty());
  CancelButton = buttons->addButton(QDialogButtonBox::Cancel);
  CancelButton->setObjectName("Cancel");
  CancelButton->setDefault(!plan.Sound());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Summary);
  layout->addWidget(Rows, 1);
  layout->addWidget(buttons);
  resize(720, 360);
}

TCompareForm::TCompareForm(const QString& caption, const QString& heading,
                           std::vector<zephra::model::Difference> differences,
                           std::function<void(const zephra::model::Difference&)> open, QWidget* parent)
    : QDialog(parent), differences_(std::move(differences)), open_(std::move(open)) {
  setObjectName("CompareForm");
  setWindowTitle(caption);
  Heading = new QLabel(heading, this);
  Heading->setObjectName("Heading");
  Heading->setWordWrap(true);
  List = new QTreeWidget(this);
  List->setObjectName("Differences");
  List->setHeaderHidden(true);
  List->setUniformRowHeights(true);
  for (std::size_t i = 0; i < differences_.size(); ++i) {
    const zephra::model::Difference& d = differences_[i];
    QTreeWidgetItem* group = Group(d.family);
    if (!group) {
      group = new QTreeWidgetItem(List);
      group->setData(0, Qt::UserRole + 1, static_cast<int>(d.family));
      group->setFlags(Qt::ItemIsEnabled);
      QFont bold = group->font(0);
      bold.setBold(true);
      group->setFont(0, bold);
    }
    auto* item = new QTreeWidgetItem(group);
    item->setText(0, Text(zephra::model::Describe(d)));
    item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
    item->setToolTip(0, "Double Click the item to Edit the properties");
  }
  for (int g = 0; g < List->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = List->topLevelItem(g);
    const auto family = static_cast<zephra::model::Family>(group->data(0, Qt::UserRole + 1).toInt());
    QString word = Text(std::string(zephra::model::FamilyWord(family)));
    if (!word.isEmpty()) word[0] = word[0].toUpper();
    group->setText(0, QString("%1 (%2)").arg(word).arg(group->childCount()));
  }
  List->expandAll();
  connect(List, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) {
    if (const zephra::model::Difference* d = DifferenceOf(item); d && open_) open_(*d);
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading);
  layout->addWidget(List, 1);
  layout->addWidget(buttons);
  resize(640, 400);
}

const zephra::model::Difference* TCompareForm::DifferenceOf(const QTreeWidgetItem* item) const {
  if (!item || !item->parent()) return nullptr;
  const auto i = item->data(0, Qt::UserRole).toULongLong();
  return i < differences_.size() ? &differences_[i] : nullptr;
}

QTreeWidgetItem* TCompareForm::Group(zephra::model::Family family) const {
  for (int g = 0; g < List->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = List->topLevelItem(g);
    if (group->data(0, Qt::UserRole + 1).toInt() == static_cast<int>(family)) return group;
  }
  return nullptr;
}
