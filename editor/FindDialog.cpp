#include "FindDialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "CommonInterface.h"
#include "InterfaceRecords.h"
#include "model/Snapshot.h"

TFindDialog::TFindDialog(TCommonInterface& ci, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), ci_(ci) {
  setWindowTitle("Find");
  setObjectName("FindDialog");
  auto* layout = new QVBoxLayout(this);
  FindEdit = new QLineEdit(this);
  FindEdit->setObjectName("FindEdit");
  FindEdit->setPlaceholderText("Type part of a name");
  FindEdit->setClearButtonEnabled(true);
  layout->addWidget(FindEdit);
  HitList = new QTreeWidget(this);
  HitList->setObjectName("HitList");
  HitList->setRootIsDecorated(false);
  HitList->setUniformRowHeights(true);
  HitList->setHeaderLabels({"Name", "Field", "Where"});
  HitList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  HitList->header()->setStretchLastSection(true);
  layout->addWidget(HitList, 1);
  CountLabel = new QLabel(this);
  CountLabel->setObjectName("CountLabel");
  layout->addWidget(CountLabel);
  resize(520, 420);
  connect(FindEdit, &QLineEdit::textChanged, this, &TFindDialog::Search);
  connect(HitList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) {
    if (const zephra::model::NameHit* hit = HitOf(item)) emit Activated(*hit);
  });
  Search();
}

bool TFindDialog::ReadNames() {
  names_.clear();
  if (ci_.FileCount <= 0) return false;
  zephra::model::Snapshot db;
  TInterfaceRecords records(ci_.FileHandle);
  if (ci_.ReportError(zephra::model::ReadSnapshot(records, db)) != DBS_OK) return false;
  names_ = zephra::model::CollectNames(db);
  stale_ = false;
  return true;
}

void TFindDialog::Search() {
  HitList->clear();
  const QString text = FindEdit->text();
  if (text.isEmpty()) {
    CountLabel->setText("Every name of the database: sources, destinations, associations, panels, UMDs, salvos, keys "
                        "and sequences");
    return;
  }
  if (stale_ && !ReadNames()) {
    CountLabel->setText("The names cannot be read");
    return;
  }
  const std::vector<std::size_t> hits = zephra::model::FindNames(names_, text.toStdU16String());
  QList<QTreeWidgetItem*> items;
  for (std::size_t i = 0; i < hits.size() && items.size() < kShownHits; ++i) {
    const zephra::model::NameHit& hit = names_[hits[i]];
    auto* item = new QTreeWidgetItem({QString::fromStdU16String(hit.name), QString::fromStdString(hit.field),
                                      QString::fromStdString(hit.where)});
    item->setData(0, Qt::UserRole, static_cast<qulonglong>(hits[i]));
    items << item;
  }
  HitList->addTopLevelItems(items);
  if (!items.isEmpty()) HitList->setCurrentItem(items.first());
  const auto count = static_cast<qsizetype>(hits.size());
  CountLabel->setText(count == 0   ? QString("No name holds \"%1\"").arg(text)
                      : count == 1 ? QString("1 name")
                      : count > kShownHits
                          ? QString("%1 names, the first %2 shown").arg(count).arg(kShownHits)
                          : QString("%1 names").arg(count));
}

const zephra::model::NameHit* TFindDialog::HitOf(const QTreeWidgetItem* item) const {
  if (!item) return nullptr;
  const auto i = item->data(0, Qt::UserRole).toULongLong();
  return i < names_.size() ? &names_[i] : nullptr;
}
