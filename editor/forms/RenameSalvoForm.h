// TRenameSalvoForm: the modal box that asks for a salvo's new name.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class TRenameSalvoForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRenameSalvoForm(QWidget* parent = nullptr);

  QLineEdit* SalvoNameEdit;  // at most 8 characters
  QPushButton* OK;
  QPushButton* Cancel;
};
