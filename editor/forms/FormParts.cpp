#include "forms/FormParts.h"

#include <QGridLayout>
#include <QRadioButton>

QGroupBox* RadioGroup(const QString& title, const QStringList& items, QButtonGroup*& group, QWidget* parent,
                      int columns) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QGridLayout(box);
  group = new QButtonGroup(box);
  columns = std::max(columns, 1);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], box);
    group->addButton(button, i);
    layout->addWidget(button, i / columns, i % columns);
  }
  layout->setColumnStretch(columns, 1);
  return box;
}

QLabel* ValuePanel(QWidget* parent, const QString& objectName) {
  auto* panel = new QLabel(parent);
  panel->setObjectName(objectName);
  // Drawn as a read-only field: a whole border round the field's colour.
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setBackgroundRole(QPalette::Base);
  panel->setAutoFillBackground(true);
  panel->setMargin(2);
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
