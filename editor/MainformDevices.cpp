// Placing panels and UMDs from the keyboard: the "Move to" menu of the tree
// and the list, which moves one device or several at once.
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTreeWidget>

#include "MainformCode.h"
#include "ResourceTree.h"

QList<TMultiDropResource*> TMainForm::SelectedDevices() const {
  QList<TMultiDropResource*> devices;
  if (!manager_ || manager_->CommonInterface.FileCount <= 0) return devices;
  if (list_->hasFocus()) {
    for (int i = 0; i < list_->count(); ++i) {
      QListWidgetItem* item = list_->item(i);
      if (!item->isSelected()) continue;
      if (auto* d = dynamic_cast<TMultiDropResource*>(TResourceList::ResourceOf(item))) devices << d;
    }
    return devices;
  }
  if (auto* d = dynamic_cast<TMultiDropResource*>(TDatabaseManager::ResourceOf(tree_->currentItem()))) devices << d;
  return devices;
}

void TMainForm::FillMoveMenu() {
  QMenu* menu = MoveToAction->menu();
  menu->clear();
  const QList<TMultiDropResource*> devices = SelectedDevices();
  for (const char* name : {"RS485-1", "RS485-2", "Storeroom"}) {
    QTreeWidgetItem* target = manager_->FindNode(name);
    if (!target) continue;
    int moving = 0;
    for (TMultiDropResource* d : devices) moving += d->GetTreeNode() && d->GetTreeNode()->parent() != target;
    QString text = name;
    bool can = moving > 0 && CanDrop(devices.value(0), target);
    if (dynamic_cast<TPortResource*>(TDatabaseManager::ResourceOf(target))) {
      const int free = 16 - target->childCount();
      text += QString("\t%1 free").arg(free);
      can = can && free >= moving;
    }
    QAction* to = menu->addAction(text);
    to->setEnabled(can);
    connect(to, &QAction::triggered, this, [this, devices, target] { MoveDevices(devices, target); });
  }
}

bool TMainForm::MoveDevices(const QList<TMultiDropResource*>& devices, QTreeWidgetItem* target, bool again) {
  QList<TMultiDropResource*> moving;
  for (TMultiDropResource* d : devices) {
    if (d->GetTreeNode() && (again || d->GetTreeNode()->parent() != target) && CanDrop(d, target)) moving << d;
  }
  if (moving.isEmpty()) return false;
  const QString what = moving.size() == 1
                           ? QString("Move %1 to %2").arg(ShownName(moving[0]->GetName()).trimmed(), target->text(0))
                           : QString("Move %1 devices to %2").arg(moving.size()).arg(target->text(0));
  QList<TMultiDropResource*> moved;
  RunStep(manager_->CommonInterface, what, [&] {
    // Each takes the next free address in turn; a port that fills up stops
    // the rest.
    for (TMultiDropResource* d : moving) {
      if (!CanDrop(d, target) || !d->MoveTo(target)) return false;
      moved << d;
    }
    return true;
  });
  if (moved.isEmpty()) return false;
  target->setExpanded(true);
  manager_->SortTree();
  // The moved items stay selected, in their new place.
  if (QTreeWidgetItem* node = moved[0]->GetTreeNode()) {
    tree_->setCurrentItem(node);
    tree_->scrollToItem(node);
  }
  FillList(tree_->currentItem());
  // Where each went: "Panel 3 at address 3", or the name alone in the
  // Storeroom.
  QStringList where;
  for (TMultiDropResource* d : moved) {
    const QString name = ShownName(d->GetName());
    where << (d->PortNumber < 0 ? name : QString("%1 at address %2").arg(name).arg(d->DropAddress));
  }
  const QString place = moved[0]->PortNumber < 0 ? QString("in the Storeroom")
                                                 : QString("on %1").arg(TPortResource::PortName(moved[0]->PortNumber + 1));
  QString text = moved.size() == 1
                     ? QString("%1 is %2").arg(ShownName(moved[0]->GetName()), place) +
                           (moved[0]->PortNumber < 0 ? QString() : QString(" at address %1").arg(moved[0]->DropAddress))
                     : QString("%1 devices are %2: %3").arg(moved.size()).arg(place, where.join(", "));
  if (moved.size() < moving.size()) text += QString("; %1 did not fit").arg(moving.size() - moved.size());
  statusBar()->showMessage(text, 8000);
  return true;
}
