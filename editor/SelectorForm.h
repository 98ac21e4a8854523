// "Select": a list to choose from, with an optional free-text box for an
// answer the list does not hold.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TSelectorForm : public QDialog {
 public:
  // `maxLength` cuts the answer; `freeText` shows the free-text box with
  // that text and `hint` above it (an empty `hint` hides both).
  TSelectorForm(const QString& caption, const QStringList& items, int maxLength, QWidget* parent = nullptr,
                const QString& freeText = {}, const QString& hint = {});

  // The answer once accepted, and the list entry it came from (-1: typed).
  QString Answer() const { return answer_; }
  int AnswerIndex() const { return index_; }

  QListWidget* List;
  QLineEdit* FreeText;
  QLabel* Hint;
  QPushButton* OkButton;
  QPushButton* CancelButton;

 private:
  void Ok();
  int maxLength_;
  QString answer_;
  int index_ = -1;
};
