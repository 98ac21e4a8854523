// Small pieces the editor's dialogs share.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

// OK and Cancel for a dialog: OK is the default button, Escape cancels.
inline QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  box->button(QDialogButtonBox::Ok)->setDefault(true);
  return box;
}

// A list of fixed choices, named for the tests that look for it.
inline QComboBox* ChoiceCombo(const QStringList& items, QWidget* parent, const QString& name) {
  auto* combo = new QComboBox(parent);
  combo->addItems(items);
  combo->setObjectName(name);
  return combo;
}

// Shows `text` in a choice list; with `addMissing`, a value the list lacks
// is added rather than shown as another.
inline void ShowChoice(QComboBox* combo, const QString& text, bool addMissing = false) {
  int i = combo->findText(text);
  if (i < 0 && addMissing) {
    combo->addItem(text);
    i = combo->count() - 1;
  }
  if (i >= 0) combo->setCurrentIndex(i);
}

// The "Characteristics" of a serial line: speed, data bits, parity and stop
// bits, offered as `bauds`.
struct TLineCharacteristics {
  QGroupBox* Group;
  QComboBox* BaudRate;
  QComboBox* DataBits;
  QComboBox* Parity;
  QComboBox* StopBits;

  TLineCharacteristics(const QStringList& bauds, QWidget* parent) {
    Group = new QGroupBox("Characteristics", parent);
    auto* form = new QFormLayout(Group);
    BaudRate = ChoiceCombo(bauds, Group, "BaudRateCombo");
    DataBits = ChoiceCombo({"7", "8"}, Group, "DataBitsCombo");
    Parity = ChoiceCombo({"Even", "Odd", "None"}, Group, "ParityCombo");
    StopBits = ChoiceCombo({"1", "2"}, Group, "StopBitsCombo");
    form->addRow("Baud Rate :", BaudRate);
    form->addRow("Data Bits :", DataBits);
    form->addRow("Parity :", Parity);
    form->addRow("Stop Bits :", StopBits);
  }
};

// A widget with the object name tests and pictures find it by.
template <class W>
W* Named(const char* name, W* widget) {
  widget->setObjectName(name);
  return widget;
}


// A read-only panel showing a value, drawn as a read-only field: framed,
// on the window's colour, so that it does not pass for a field to type in.
inline QLabel* ValuePanel(QWidget* parent, const QString& objectName) {
  auto* panel = new QLabel(parent);
  panel->setObjectName(objectName);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setBackgroundRole(QPalette::Window);
  panel->setAutoFillBackground(true);
  panel->setMargin(2);
  panel->setMinimumWidth(60);
  panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return panel;
}
