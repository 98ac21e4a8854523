// Small building blocks the resource forms share.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>

// A titled group of radio buttons, one per item in `columns` columns, their
// ids the item positions; none is checked until the form or the user checks
// one.
QGroupBox* RadioGroup(const QString& title, const QStringList& items, QButtonGroup*& group, QWidget* parent,
                      int columns = 1);
// A widget with the object name tests and pictures find it by.
template <class W>
W* Named(const char* name, W* widget) {
  widget->setObjectName(name);
  return widget;
}
// A read-only panel showing a value.
QLabel* ValuePanel(QWidget* parent, const QString& objectName);
// Checks the button of `id` in `group` (none for -1) without a signal.
void CheckRadio(QButtonGroup* group, int id);
