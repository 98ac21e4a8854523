// Fields the resource editors share: arrows beside a field, a group of
// radio buttons that may have none chosen, a check made when the focus
// leaves a field, a small number field, and the drop address of a panel or
// UMD.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QToolButton;
class TMultiDropResource;
class TResourceForm;

inline constexpr const char* kInvalidValue = "You have entered an invalid value";

// A 16-bit record field read as signed (0xFFFF is -1, "none").
inline int Signed16(uint16_t v) { return static_cast<int16_t>(v); }

// Up and down arrows beside a field; the field decides what a step does.
class TUpDown : public QWidget {
 public:
  explicit TUpDown(QWidget* parent = nullptr);
  QToolButton* Up() const { return up_; }
  QToolButton* Down() const { return down_; }

  std::function<void(bool up)> OnStep;

 private:
  QToolButton* up_;
  QToolButton* down_;
};

// Checks item `index` of `group` (-1: none) without running what a click
// runs.
void CheckItem(QButtonGroup* group, int index);

// Radio buttons in a titled group (in `columns` columns), of which one or
// none is chosen.
class TRadioGroup : public QGroupBox {
 public:
  TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr, int columns = 1);
  // The chosen item, -1 for none.
  int ItemIndex() const;
  // Chooses an item (-1: none) without running what a click runs.
  void SetItemIndex(int index);
  // idClicked tells what the user chose.
  QButtonGroup* Buttons() const { return group_; }
  QAbstractButton* Button(int index) const;
  // Whether `w` is this group or one of its buttons.
  bool Holds(const QWidget* w) const;

 private:
  QButtonGroup* group_;
};

// A radio group whose buttons the form keeps in `buttons`.
inline TRadioGroup* Radios(TRadioGroup* box, QButtonGroup*& buttons) {
  buttons = box->Buttons();
  return box;
}

// Gives the label columns of several form layouts (one per group box,
// say) one width, so their fields line up.
void AlignLabels(std::initializer_list<class QFormLayout*> forms);

// Each time the focus leaves `field` for another control of its window,
// `accept` checks it (and says why it refuses); a refused field takes the
// focus back. Going to another window is not leaving.
void CheckOnLeave(QWidget* field, std::function<bool()> accept);

// A whole number typed into a field, with arrows that step it within
// [min, max] (a text that is not a number steps from min).
class TNumberField {
 public:
  TNumberField(QWidget* parent, const QString& editName, const QString& arrowsName, int min, int max);
  QWidget* Widget;  // the field and its arrows
  QLineEdit* Edit;
  TUpDown* Arrows;

  std::optional<int> Number() const;
  void Show(std::optional<int> number);
  void SetEnabled(bool enabled);
  // Whether the field holds a number within [low, high].
  bool Holds(int low, int high) const;

  std::function<void()> OnUserChange;  // typed or stepped

 private:
  int min_, max_;
};

// The drop address of a panel or UMD: "Unused", or 1-16 on the device's
// port. Typing a number moves the device to it at once (the tree orders by
// it); the arrows step to the next address no other device on the port has;
// leaving the field refuses an address that is not free.
class TAddressField {
 public:
  // `outOfRangeIsUnused`: the arrows read a number outside 1-16 as "Unused"
  // (UMDs); else they step from it (panels).
  TAddressField(TResourceForm& form, QWidget* parent, const QString& arrowsName, bool outOfRangeIsUnused);
  QLabel* Label;    // "Multi-Drop Address :"
  QWidget* Widget;  // the field and its arrows
  QLineEdit* Edit;
  TUpDown* Arrows;

  // -1 shows "Unused" and disables the field, its label and its arrows.
  void Show(int address);
  // The number in the field; -1 for "Unused" or a text that is no number.
  int Value() const;
  // What leaving the field accepts: "Unused", or an address free on the port.
  bool Acceptable() const;

  std::function<void()> OnUserChange;

 private:
  TMultiDropResource* Device() const;
  void Typed(const QString& text);
  void Step(bool up);
  bool Leave();

  TResourceForm& form_;
  bool outOfRangeIsUnused_;
};
