#include "UiService.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

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

void TQtUiService::Warning(const QString& text) { QMessageBox::warning(parent_, QApplication::applicationName(), text); }

void TQtUiService::Information(const QString& text) {
  QMessageBox::information(parent_, QApplication::applicationName(), text);
}

bool TQtUiService::Confirm(const QString& text) {
  return QMessageBox::question(parent_, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

bool TQtUiService::WarningYesNo(const QString& text) {
  return QMessageBox::warning(parent_, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

QString TQtUiService::OpenFileName(const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(parent_, QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(defaultSuffix);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString TQtUiService::SaveFileName(const QString& filter, const QString& defaultSuffix, bool askBeforeOverwrite) {
  QFileDialog dialog(parent_, QString(), QString(), filter);
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
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  notice_ = dialog;
  QObject::connect(dialog, &QObject::destroyed, [this] { notice_ = nullptr; });
  dialog->show();
}

void TQtUiService::CloseNotice() {
  if (notice_) static_cast<TNoticeDialog*>(notice_)->Dismiss();
}
