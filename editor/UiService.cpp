#include "UiService.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
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

QMessageBox* MakeMessageBox(TUiService::Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                            const QString& detail, QWidget* parent) {
  using Kind = TUiService::Kind;
  const QMessageBox::Icon icon = kind == Kind::Warning    ? QMessageBox::Warning
                                 : kind == Kind::Question ? QMessageBox::Question
                                                          : QMessageBox::Information;
  auto* box = new QMessageBox(icon, QApplication::applicationName(), text, buttons, parent);
  if (!detail.isEmpty()) box->setInformativeText(detail);
  // Enter takes the first button offered, Escape the one that changes nothing.
  if (buttons & QMessageBox::Yes) box->setDefaultButton(QMessageBox::Yes);
  if (buttons & QMessageBox::Cancel) {
    box->setEscapeButton(QMessageBox::Cancel);
  } else if (buttons & QMessageBox::No) {
    box->setEscapeButton(QMessageBox::No);
  }
  // A box at least as wide as its title reads whole, and a detail (a path,
  // what was found) reads on few lines.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    const int width = std::max(box->fontMetrics().horizontalAdvance(box->windowTitle()) + 120,
                               detail.isEmpty() ? 300 : 460);
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  return box;
}

QMessageBox::StandardButton TQtUiService::Message(Kind kind, const QString& text,
                                                QMessageBox::StandardButtons buttons, const QString& detail) {
  std::unique_ptr<QMessageBox> box(MakeMessageBox(kind, text, buttons, detail, parent_));
  return static_cast<QMessageBox::StandardButton>(box->exec());
}

int TQtUiService::RunModal(QDialog& dialog) { return dialog.exec(); }

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
  layout->setSizeConstraint(QLayout::SetFixedSize);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  notice_ = dialog;
  QObject::connect(dialog, &QObject::destroyed, [this] { notice_ = nullptr; });
  dialog->show();
}

void TQtUiService::CloseNotice() {
  if (notice_) static_cast<TNoticeDialog*>(notice_)->Dismiss();
}
