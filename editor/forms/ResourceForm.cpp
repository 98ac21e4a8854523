#include "forms/ResourceForm.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "DatabaseManager.h"
#include "Resource.h"
#include "UiService.h"
#include "UndoStack.h"

TResourceForm::TResourceForm(TResource& resource, const QString& caption)
    : QDialog(resource.Manager->Window(), Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      resource_(&resource) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  body_ = new QVBoxLayout;
  layout->addLayout(body_, 1);
  pages_ = new QTabWidget(this);
  body_->addWidget(pages_);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons_);
  OkButton()->setDefault(true);
  OkButton()->setObjectName("OK");
  ApplyButton()->setObjectName("Apply");
  CancelButton()->setObjectName("Cancel");
  ApplyButton()->setEnabled(false);
  // Cancel never takes the focus, so leaving a field for it never checks the
  // field: the user is throwing the change away.
  CancelButton()->setFocusPolicy(Qt::NoFocus);
  connect(OkButton(), &QPushButton::clicked, this, [this] {
    if (Apply()) accept();
  });
  connect(ApplyButton(), &QPushButton::clicked, this, [this] { Apply(); });
  connect(CancelButton(), &QPushButton::clicked, this, &TResourceForm::reject);
}

TResourceForm::~TResourceForm() {
  EndFocusWatch();
  Detach();
}

void TResourceForm::WatchFocus(std::function<void(QWidget*, QWidget*)> moved) {
  focusWatch_ = std::make_unique<QObject>();
  connect(qApp, &QApplication::focusChanged, focusWatch_.get(), std::move(moved));
}

void TResourceForm::EndFocusWatch() { focusWatch_.reset(); }

const char* TResourceForm::PendingQuestion() {
  return "All changes must be applied/cancelled before proceeding. Apply changes?";
}

TCommonInterface& TResourceForm::Interface() const { return resource_->Manager->CommonInterface; }

QPushButton* TResourceForm::OkButton() const { return buttons_->button(QDialogButtonBox::Ok); }
QPushButton* TResourceForm::ApplyButton() const { return buttons_->button(QDialogButtonBox::Apply); }
QPushButton* TResourceForm::CancelButton() const { return buttons_->button(QDialogButtonBox::Cancel); }

void TResourceForm::MarkChanged(bool changed) {
  changed_ = changed;
  UpdateApply();
}

QString TResourceForm::StepName() const {
  if (!resource_) return "Apply";
  const QString name = ShownName(resource_->GetName()).trimmed();
  const QString type = resource_->GetTypeName();
  return name.isEmpty() || name == type ? "Apply " + type : QString("Apply %1 %2").arg(type, name);
}

void TResourceForm::UpdateApply() { ApplyButton()->setEnabled(HasChanges()); }

bool TResourceForm::Apply() {
  if (!resource_) return false;
  if (!HasChanges()) return true;
  // One Apply is one step to undo, however many records it writes.
  if (!RunStep(Interface(), StepName(), [this] { return Store(); })) return false;
  MarkChanged(false);
  return true;
}

bool TResourceForm::ResolvePending() {
  if (!HasChanges()) return true;
  if (!Ui().WarningYesCancel(PendingQuestion())) return false;
  return Apply();
}

void TResourceForm::reject() {
  // Cancel, Escape and the close button: changes not applied are not thrown
  // away without a word.
  if (resource_ && HasChanges()) {
    enum { kApply, kDiscard, kKeep };
    const int answer = Ui().Choose(
        TUiService::Kind::Question, QString("%1 has changes that are not applied.").arg(windowTitle()),
        "Apply stores them and closes the window; Discard closes it without them; Keep Editing goes back to it.",
        {"Apply", "Discard", "Keep Editing"}, kApply, kKeep);
    if (answer == kKeep || (answer == kApply && !Apply())) return;
  }
  QDialog::reject();  // closes, and so frees the form
}

void TResourceForm::done(int result) {
  EndFocusWatch();  // a closed form has nothing to watch
  if (resource_) Closing();
  Detach();
  QDialog::done(result);
}

void TResourceForm::FixSize() { layout()->setSizeConstraint(QLayout::SetFixedSize); }

void TResourceForm::Discard() {
  EndFocusWatch();
  Detach();
  hide();
  deleteLater();
}

// The edit is over: the resource may open a new form.
void TResourceForm::Detach() {
  if (!resource_) return;
  if (resource_->EditorForm == this) resource_->EditorForm = nullptr;
  resource_->Editing = false;
  resource_ = nullptr;
}
