// The main window's Find and the tree's filter: from a name to the form that
// edits it.
#include <QLineEdit>
#include <functional>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "FindDialog.h"
#include "MainformCode.h"
#include "ResourceTree.h"
#include "forms/DeviceForm.h"
#include "forms/KorvellResourceForm.h"
#include "forms/LevelResourceForm.h"
#include "forms/SalvoPage.h"
#include "forms/StringGrid.h"

using zephra::model::NameHit;
using zephra::model::NamePlace;

namespace {

// The first resource of the tree of type R and number `number`, or null.
template <class R>
R* ResourceNumbered(QTreeWidget* tree, int number, QTreeWidgetItem** node = nullptr) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    if (auto* r = dynamic_cast<R*>(TDatabaseManager::ResourceOf(*it)); r && r->Number == number) {
      if (node) *node = *it;
      return r;
    }
  }
  return nullptr;
}

}  // namespace

TFindDialog* TMainForm::FindWindow() const { return find_; }

void TMainForm::FindCommand() {
  if (manager_->CommonInterface.FileCount <= 0) return;
  if (!find_) {
    find_ = new TFindDialog(manager_->CommonInterface, this);
    find_->setAttribute(Qt::WA_DeleteOnClose);
    connect(find_, &TFindDialog::Activated, this, [this](const NameHit& hit) { OpenNameHit(hit); });
    connect(&manager_->Steps(), &TUndoStack::Changed, find_, [this] {
      find_->MarkStale();
      if (find_->isVisible()) find_->Search();
    });
  }
  find_->show();
  find_->raise();
  find_->activateWindow();
  find_->FindEdit->setFocus();
  find_->FindEdit->selectAll();
}

bool TMainForm::OpenNameHit(const NameHit& hit) {
  const auto openOn = [this](QTreeWidgetItem* node) -> TResourceForm* {
    if (!node) return nullptr;
    if (!TreeFilter->text().isEmpty()) TreeFilter->clear();  // the node must be there to be chosen
    tree_->setCurrentItem(node);
    TResource* r = TDatabaseManager::ResourceOf(node);
    EditResource(r);
    return r ? r->EditorForm.data() : nullptr;
  };
  // The controller's window on the page of `node`, even when it was open on
  // another.
  const auto controller = [&](const char* node, int page) -> TKorvellForm* {
    auto* f = qobject_cast<TKorvellForm*>(openOn(manager_->FindNode(node)));
    if (f) f->Pages()->setCurrentIndex(page);
    return f;
  };
  if (hit.at.matrix > 0) {  // the editor shows matrix 0 only
    statusBar()->showMessage(QString("No form of this editor shows %1").arg(QString::fromStdString(hit.where)), 8000);
    return false;
  }
  switch (hit.place) {
    case NamePlace::Title:
    case NamePlace::Matrix:
      return openOn(tree_->topLevelItem(0)) != nullptr;
    case NamePlace::Level:
    case NamePlace::Source: {
      QTreeWidgetItem* node = nullptr;
      ResourceNumbered<TLevelResource>(tree_, hit.at.level, &node);
      auto* f = qobject_cast<TLevelForm*>(openOn(node));
      if (f && hit.place == NamePlace::Source) f->SourcesGrid->SelectCell(hit.at.number, 0);
      return f != nullptr;
    }
    case NamePlace::SourceAssociation: {
      TKorvellForm* f = controller("Source Association", 0);
      if (f) f->SourceAssocsStringGrid->SelectCell(hit.at.number, hit.at.level);
      return f != nullptr;
    }
    case NamePlace::Destination: {
      TKorvellForm* f = controller("Dest Association", 1);
      if (f) f->DestAssocsStringGrid->SelectCell(hit.at.number, 0);
      return f != nullptr;
    }
    case NamePlace::Salvo: {
      TKorvellForm* f = controller("Salvos", 2);
      if (f && !f->Macros->IsSalvoPending()) f->Macros->LoadSalvo(hit.at.number, QString::fromStdU16String(hit.name));
      return f != nullptr;
    }
    case NamePlace::Panel:
    case NamePlace::UMD: {
      QTreeWidgetItem* node = nullptr;
      if (hit.place == NamePlace::Panel) {
        ResourceNumbered<TPanelResource>(tree_, hit.at.number, &node);
      } else {
        ResourceNumbered<TUMDResource>(tree_, hit.at.number, &node);
      }
      auto* f = qobject_cast<TDeviceForm*>(openOn(node));
      if (f && f->NameEdit && hit.field == "name") {
        f->NameEdit->setFocus();
        f->NameEdit->selectAll();
      }
      return f != nullptr;
    }
    case NamePlace::Keypad:
    case NamePlace::Key:
    case NamePlace::Sequence: {
      // A keypad is edited from the form of a panel that uses it.
      TCommonInterface& ci = manager_->CommonInterface;
      for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        auto* panel = dynamic_cast<TPanelResource*>(TDatabaseManager::ResourceOf(*it));
        if (!panel) continue;
        TLibString name(QString(8, ' '));
        TPanelRecord r{};
        r.name = name;
        if (!ci.GetPanelRecord(static_cast<uint16_t>(panel->Number), r, ci.FileHandle)) continue;
        if (r.sourceKeypad == hit.at.number || r.destKeypad == hit.at.number) return openOn(*it) != nullptr;
      }
      statusBar()->showMessage(QString("No panel uses keypad %1").arg(hit.at.number + 1), 8000);
      return false;
    }
  }
  return false;
}

void TMainForm::ApplyTreeFilter() {
  const QString text = TreeFilter->text().trimmed();
  // A node shows when it or a node below it holds the text: in its name or,
  // for a panel or UMD, in its number and address.
  const auto holds = [&](QTreeWidgetItem* node) {
    if (node->text(0).contains(text, Qt::CaseInsensitive)) return true;
    auto* device = dynamic_cast<TMultiDropResource*>(TDatabaseManager::ResourceOf(node));
    return device && device->Identity().contains(text, Qt::CaseInsensitive);
  };
  std::function<bool(QTreeWidgetItem*)> show = [&](QTreeWidgetItem* node) {
    bool any = text.isEmpty() || holds(node);
    for (int i = 0; i < node->childCount(); ++i) any = show(node->child(i)) || any;
    node->setHidden(!any);
    if (any && !text.isEmpty()) node->setExpanded(true);
    return any;
  };
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) show(tree_->topLevelItem(i));
  // The current node, hidden now, gives way to the first match.
  QTreeWidgetItem* current = tree_->currentItem();
  if (current && current->isHidden()) {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
      if (!(*it)->isHidden() && holds(*it)) {
        tree_->setCurrentItem(*it);
        break;
      }
    }
  }
}
