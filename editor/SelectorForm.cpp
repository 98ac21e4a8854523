#include "SelectorForm.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <functional>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A line edit that tells when it is clicked, so the list lets go of its choice.
class TFreeTextEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  std::function<void()> Clicked;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (Clicked) Clicked();
    QLineEdit::mousePressEvent(event);
  }
  // Tabbing into the box counts as clicking it.
  void focusInEvent(QFocusEvent* event) override {
    if (Clicked && (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)) Clicked();
    QLineEdit::focusInEvent(event);
  }
};

}  // namespace

TSelectorForm::TSelectorForm(const QString& caption, const QStringList& items, int maxLength, QWidget* parent,
                             const QString& freeText, const QString& hint)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), maxLength_(maxLength) {
  setWindowTitle(caption.isEmpty() ? QString("Select") : caption);
  List = new QListWidget(this);
  List->addItems(items);
  Hint = new QLabel(hint, this);
  Hint->setWordWrap(true);
  auto* edit = new TFreeTextEdit(freeText, this);
  FreeText = edit;
  OkButton = new QPushButton("OK", this);
  CancelButton = new QPushButton("Cancel", this);
  OkButton->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(List);
  layout->addWidget(Hint);
  layout->addWidget(FreeText);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(OkButton);
  row->addWidget(CancelButton);
  layout->addLayout(row);
  const bool withText = !hint.isEmpty();
  Hint->setVisible(withText);
  FreeText->setVisible(withText);
  // OK waits for an answer: a list entry, or a click into the free-text box.
  if (List->count() > 0) List->setCurrentRow(0);
  OkButton->setEnabled(List->count() > 0);
  connect(List, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    FreeText->setText(item->text());
    OkButton->setEnabled(true);
  });
  connect(List, &QListWidget::itemDoubleClicked, this, [this] { Ok(); });
  edit->Clicked = [this] {
    List->clearSelection();
    List->setCurrentRow(-1);
    OkButton->setEnabled(true);
  };
  connect(OkButton, &QPushButton::clicked, this, &TSelectorForm::Ok);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  List->setFixedSize(300, withText ? 200 : 240);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TSelectorForm::Ok() {
  const QList<QListWidgetItem*> chosen = List->selectedItems();
  if (!chosen.isEmpty()) {
    answer_ = chosen.first()->text();
    index_ = List->row(chosen.first());
  } else if (FreeText->isVisibleTo(this) && !FreeText->text().isEmpty()) {
    answer_ = FreeText->text();
    index_ = -1;
  } else {
    return;  // nothing chosen yet
  }
  if (maxLength_ > 0) answer_ = answer_.left(maxLength_);
  accept();
}
