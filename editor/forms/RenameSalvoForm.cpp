#include "forms/RenameSalvoForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Widgets.h"

TRenameSalvoForm::TRenameSalvoForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("RenameSalvoForm");
  setWindowTitle("Rename Salvo");
  auto* label = new QLabel("New Salvo Name:", this);
  SalvoNameEdit = Named("SalvoNameEdit", new QLineEdit(this));
  SalvoNameEdit->setMaxLength(8);
  SalvoNameEdit->setMinimumWidth(240);
  label->setBuddy(SalvoNameEdit);
  QDialogButtonBox* buttons = OkCancelButtons(this);
  OK = Named("OK", buttons->button(QDialogButtonBox::Ok));
  Cancel = Named("Cancel", buttons->button(QDialogButtonBox::Cancel));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(SalvoNameEdit);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
