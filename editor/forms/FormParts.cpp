#include "forms/FormParts.h"

#include <QBoxLayout>
#include <QRadioButton>

QGroupBox* RadioGroup(const QString& title, const QStringList& items, QButtonGroup*& group, QWidget* parent,
                      bool horizontal) {
  auto* box = new QGroupBox(title, parent);
  QBoxLayout* layout = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(box)) : new QVBoxLayout(box);
  group = new QButtonGroup(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], box);
    group->addButton(button, i);
    layout->addWidget(button);
  }
  if (horizontal) layout->addStretch(1);
  return box;
}

QLabel* ValuePanel(QWidget* parent, const QString& objectName) {
  auto* panel = new QLabel(parent);
  panel->setObjectName(objectName);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setMinimumWidth(60);
  panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return panel;
}

void CheckRadio(QButtonGroup* group, int id) {
  const QSignalBlocker block(group);
  if (QAbstractButton* b = group->button(id)) {
    b->setChecked(true);
    return;
  }
  // No item: an exclusive group must let go of its checked button.
  group->setExclusive(false);
  for (QAbstractButton* b : group->buttons()) b->setChecked(false);
  group->setExclusive(true);
}
