#include "forms/RenameSalvoForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "forms/FormParts.h"

TRenameSalvoForm::TRenameSalvoForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("RenameSalvoForm");
  setWindowTitle("Rename Salvo");
  auto* label = new QLabel("New Salvo Name:", this);
  SalvoNameEdit = Named("SalvoNameEdit", new QLineEdit(this));
  SalvoNameEdit->setMaxLength(8);
  SalvoNameEdit->setMinimumWidth(240);
  label->setBuddy(SalvoNameEdit);
  OK = Named("OK", new QPushButton("OK", this));
  OK->setDefault(true);
  Cancel = Named("Cancel", new QPushButton("Cancel", this));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OK);
  buttons->addWidget(Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(SalvoNameEdit);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
}
