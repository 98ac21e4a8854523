#include "UiService.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace {

TUiService* installed = nullptr;

// The notice stays until the transfer is over: Escape does not dismiss it,
// only the editor closes it.
class TNoticeDialog : public QDialog {
 public:
  using QDialog::QDialog;
  void reject() override {
    if (dismissed_) QDialog::reject();
  }
  void Dismiss() {
    dismissed_ = true;
    close();
  }

 private:
  bool dismissed_ = false;
};

}  // namespace

TUiService& Ui() {
  static TQtUiService fallback;
  return installed ? *installed : fallback;
}

void SetUi(TUiService* service) { installed = service; }

namespace {

QMessageBox* MakeBox(TUiService::Kind kind, const QString& text, const QString& detail, QWidget* parent) {
  using Kind = TUiService::Kind;
  const QMessageBox::Icon icon = kind == Kind::Warning    ? QMessageBox::Warning
                                 : kind == Kind::Question ? QMessageBox::Question
                                                          : QMessageBox::Information;
  auto* box = new QMessageBox(icon, QApplication::applicationName(), text, QMessageBox::NoButton, parent);
  if (!detail.isEmpty()) box->setInformativeText(detail);
  // Over a window that stays on top (a transfer's progress) the box must too.
  if (parent && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
  }
  return box;
}

// A box at least as wide as its title reads whole, and a detail (a path,
// what was found) reads on few lines.
void Widen(QMessageBox& box, bool detailed) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int width = std::max(box.fontMetrics().horizontalAdvance(box.windowTitle()) + 120, detailed ? 460 : 300);
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
}

}  // namespace

QMessageBox* MakeMessageBox(TUiService::Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                            const QString& detail, QWidget* parent, QMessageBox::StandardButton defaultButton) {
  QMessageBox* box = MakeBox(kind, text, detail, parent);
  box->setStandardButtons(buttons);
  // Enter takes the button asked for, else Yes; Escape the one that changes
  // nothing.
  if (defaultButton != QMessageBox::NoButton && (buttons & defaultButton)) {
    box->setDefaultButton(defaultButton);
  } else if (buttons & QMessageBox::Yes) {
    box->setDefaultButton(QMessageBox::Yes);
  }
  if (buttons & QMessageBox::Cancel) {
    box->setEscapeButton(QMessageBox::Cancel);
  } else if (buttons & QMessageBox::No) {
    box->setEscapeButton(QMessageBox::No);
  }
  Widen(*box, !detail.isEmpty());
  return box;
}

QMessageBox* MakeChoiceBox(TUiService::Kind kind, const QString& text, const QString& detail,
                           const QStringList& buttons, int defaultButton, int escapeButton, QWidget* parent) {
  QMessageBox* box = MakeBox(kind, text, detail, parent);
  for (int i = 0; i < buttons.size(); ++i) {
    // The roles only place the buttons; the box answers by index.
    QPushButton* b = box->addButton(buttons[i], i == escapeButton ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    b->setProperty("choice", i);
    if (i == defaultButton) box->setDefaultButton(b);
    if (i == escapeButton) box->setEscapeButton(b);
  }
  Widen(*box, !detail.isEmpty());
  return box;
}

QWidget* TQtUiService::Owner() const {
  QWidget* modal = QApplication::activeModalWidget();
  return modal ? modal : parent_;
}

QMessageBox::StandardButton TQtUiService::Message(Kind kind, const QString& text,
                                                QMessageBox::StandardButtons buttons, const QString& detail,
                                                QMessageBox::StandardButton defaultButton) {
  std::unique_ptr<QMessageBox> box(MakeMessageBox(kind, text, buttons, detail, Owner(), defaultButton));
  return static_cast<QMessageBox::StandardButton>(box->exec());
}

int TQtUiService::Choose(Kind kind, const QString& text, const QString& detail, const QStringList& buttons,
                         int defaultButton, int escapeButton) {
  std::unique_ptr<QMessageBox> box(
      MakeChoiceBox(kind, text, detail, buttons, defaultButton, escapeButton, Owner()));
  box->exec();
  QAbstractButton* pressed = box->clickedButton();
  return pressed ? pressed->property("choice").toInt() : escapeButton;
}

int TQtUiService::RunModal(QDialog& dialog) { return dialog.exec(); }

QString TQtUiService::OpenFileName(const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(Owner(), QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(defaultSuffix);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString TQtUiService::SaveFileName(const QString& filter, const QString& defaultSuffix, bool askBeforeOverwrite) {
  QFileDialog dialog(Owner(), QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultSuffix);
  if (!askBeforeOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void TQtUiService::ShowNotice(const QStringList& lines) {
  if (notice_) return;
  auto* dialog = new TNoticeDialog(parent_, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* memo = new QPlainTextEdit(lines.join('\n'), dialog);
  memo->setReadOnly(true);
  memo->setFrameShape(QFrame::NoFrame);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(memo);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  notice_ = dialog;
  QObject::connect(dialog, &QObject::destroyed, [this] { notice_ = nullptr; });
  dialog->show();
}

void TQtUiService::CloseNotice() {
  if (notice_) static_cast<TNoticeDialog*>(notice_)->Dismiss();
}
