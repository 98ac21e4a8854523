#include "forms/FormFields.h"

#include <QGridLayout>

#include <QButtonGroup>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "DatabaseManager.h"
#include "Resource.h"
#include "UiService.h"
#include "forms/ResourceForm.h"

namespace {

constexpr const char* kUnused = "Unused";

class TLeaveCheck : public QObject {
 public:
  TLeaveCheck(QWidget* field, std::function<bool()> accept) : QObject(field), field_(field), accept_(std::move(accept)) {
    field->installEventFilter(this);
  }

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::FocusOut || checking_) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !field_->isVisible()) return false;
    checking_ = true;  // a message box takes the focus too
    const bool accepted = accept_();
    checking_ = false;
    if (!accepted) QTimer::singleShot(0, field_, [f = field_] { f->setFocus(Qt::OtherFocusReason); });
    return false;
  }

 private:
  QWidget* field_;
  std::function<bool()> accept_;
  bool checking_ = false;
};

std::optional<int> ParseNumber(const QString& text) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  return ok ? std::optional<int>(n) : std::nullopt;
}

QWidget* FieldWithArrows(QWidget* parent, QLineEdit* edit, TUpDown* arrows) {
  auto* w = new QWidget(parent);
  auto* row = new QHBoxLayout(w);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(1);
  row->addWidget(edit);
  row->addWidget(arrows);
  return w;
}

}  // namespace

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  for (auto [button, arrow, up] : {std::tuple{up_, Qt::UpArrow, true}, std::tuple{down_, Qt::DownArrow, false}}) {
    button->setArrowType(arrow);
    button->setFixedSize(18, 11);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    column->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, up = up] {
      if (OnStep) OnStep(up);
    });
  }
  up_->setObjectName("Up");
  down_->setObjectName("Down");
}

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent, int columns)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  columns = std::max(columns, 1);
  auto* grid = new QGridLayout(this);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    group_->addButton(button, i);
    grid->addWidget(button, i / columns, i % columns);
  }
  if (columns > 1) grid->setColumnStretch(columns, 1);
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

QAbstractButton* TRadioGroup::Button(int index) const { return group_->button(index); }

void CheckItem(QButtonGroup* group, int index) {
  const QSignalBlocker block(group);
  if (QAbstractButton* b = group->button(index)) {
    b->setChecked(true);
    return;
  }
  // An exclusive group cannot uncheck its last button.
  group->setExclusive(false);
  for (QAbstractButton* b : group->buttons()) b->setChecked(false);
  group->setExclusive(true);
}

void TRadioGroup::SetItemIndex(int index) { CheckItem(group_, index); }

bool TRadioGroup::Holds(const QWidget* w) const { return w && (w == this || isAncestorOf(w)); }

void AlignLabels(std::initializer_list<QFormLayout*> forms) {
  int width = 0;
  QList<QWidget*> labels;
  for (QFormLayout* form : forms) {
    for (int row = 0; row < form->rowCount(); ++row) {
      if (QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole); item && item->widget()) {
        labels << item->widget();
        width = std::max(width, item->widget()->sizeHint().width());
      }
    }
  }
  for (QWidget* label : labels) label->setMinimumWidth(width);
}

void CheckOnLeave(QWidget* field, std::function<bool()> accept) { new TLeaveCheck(field, std::move(accept)); }

TNumberField::TNumberField(QWidget* parent, const QString& editName, const QString& arrowsName, int min, int max)
    : Edit(new QLineEdit(parent)), Arrows(new TUpDown(parent)), min_(min), max_(max) {
  Edit->setObjectName(editName);
  Arrows->setObjectName(arrowsName);
  Edit->setMaximumWidth(60);
  Widget = FieldWithArrows(parent, Edit, Arrows);
  QObject::connect(Edit, &QLineEdit::textEdited, Edit, [this] {
    if (OnUserChange) OnUserChange();
  });
  Arrows->OnStep = [this](bool up) {
    const int from = Number().value_or(min_);
    const int to = std::clamp(from + (up ? 1 : -1), min_, max_);
    if (Number() == to) return;
    Edit->setText(QString::number(to));
    if (OnUserChange) OnUserChange();
  };
}

std::optional<int> TNumberField::Number() const { return ParseNumber(Edit->text()); }

void TNumberField::Show(std::optional<int> number) { Edit->setText(number ? QString::number(*number) : QString()); }

void TNumberField::SetEnabled(bool enabled) { Widget->setEnabled(enabled); }

bool TNumberField::Holds(int low, int high) const {
  const auto n = Number();
  return n && *n >= low && *n <= high;
}

TAddressField::TAddressField(TResourceForm& form, QWidget* parent, const QString& arrowsName, bool outOfRangeIsUnused)
    : Label(new QLabel("Multi-Drop Address :", parent)),
      Edit(new QLineEdit(parent)),
      Arrows(new TUpDown(parent)),
      form_(form),
      outOfRangeIsUnused_(outOfRangeIsUnused) {
  Edit->setObjectName("AddressEdit");
  Edit->setMaximumWidth(60);
  Arrows->setObjectName(arrowsName);
  Label->setBuddy(Edit);
  Widget = FieldWithArrows(parent, Edit, Arrows);
  QObject::connect(Edit, &QLineEdit::textEdited, Edit, [this](const QString& text) { Typed(text); });
  Arrows->OnStep = [this](bool up) { Step(up); };
  CheckOnLeave(Edit, [this] { return Leave(); });
}

TMultiDropResource* TAddressField::Device() const { return dynamic_cast<TMultiDropResource*>(form_.Resource()); }

void TAddressField::Show(int address) {
  const bool placed = address != -1;
  Edit->setText(placed ? QString::number(address) : QString(kUnused));
  for (QWidget* w : {static_cast<QWidget*>(Label), static_cast<QWidget*>(Edit), static_cast<QWidget*>(Arrows)}) {
    w->setEnabled(placed);
  }
}

int TAddressField::Value() const { return ParseNumber(Edit->text()).value_or(-1); }

bool TAddressField::Acceptable() const {
  const QString text = Edit->text();
  if (text == kUnused) return true;
  const auto n = ParseNumber(text);
  TMultiDropResource* d = Device();
  if (!n || *n < 1 || *n > 16 || !d) return false;
  return !d->Manager->AddressInUse(*n, d->PortNumber, d->Number, d->IsPanel());
}

// A number moves the device to that address at once and "Unused" takes it
// off; a text that can still become one of them waits for the user to
// finish typing, anything else is refused at once.
void TAddressField::Typed(const QString& text) {
  if (OnUserChange) OnUserChange();
  TMultiDropResource* d = Device();
  if (!d) return;
  if (const auto n = ParseNumber(text)) {
    d->DropAddress = *n;
  } else if (text == kUnused) {
    d->DropAddress = -1;
  } else if (!text.isEmpty() && !QString(kUnused).startsWith(text)) {
    Ui().Warning(kInvalidValue);
  }
}

void TAddressField::Step(bool up) {
  TMultiDropResource* d = Device();
  if (!d) return;
  const QString text = Edit->text();
  const auto n = ParseNumber(text);
  int address = n.value_or(1);
  if (text == kUnused || (outOfRangeIsUnused_ && n && (*n < 1 || *n > 16))) address = -1;
  d->Manager->FindFreeAddress(address, d->PortNumber, d->Number, d->IsPanel(), up);
  const QString shown = address == -1 ? QString(kUnused) : QString::number(address);
  if (shown == text) return;
  Edit->setText(shown);
  Typed(shown);
}

bool TAddressField::Leave() {
  if (!Device()) return true;
  if (Edit->text().isEmpty()) return false;  // the focus stays until something is typed
  if (Acceptable()) return true;
  Ui().Warning(kInvalidValue);
  return false;
}
