// The frame every resource editor shares. A form opens on one resource of the
// tree, keeps what the user changed apart from what is stored until Apply,
// and has OK, Apply and Cancel: OK stores and closes, Apply stores and stays,
// Cancel (Escape, the window's close button) closes and stores nothing. The
// manager closes every open form, as Cancel does, before it clears the tree.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class TCommonInterface;
class TResource;

class TResourceForm : public QDialog {
  Q_OBJECT

 public:
  TResourceForm(TResource& resource, const QString& caption);
  ~TResourceForm() override;

  // The resource the form edits; null once the tree that held it has gone.
  TResource* Resource() const { return resource_; }
  TCommonInterface& Interface() const;

  QTabWidget* Pages() const { return pages_; }
  QPushButton* OkButton() const;
  QPushButton* ApplyButton() const;
  QPushButton* CancelButton() const;

  // Whether Apply has something to store; a form may count more than the
  // changes it marked (state of its own that Apply settles).
  virtual bool HasChanges() const { return changed_; }
  // The user changed something (or undid it): Apply follows.
  void MarkChanged(bool changed = true);
  // Enables Apply exactly while HasChanges().
  void UpdateApply();
  // Stores the pending changes; true when none are left pending.
  bool Apply();
  // Before an action that needs the stored state: with changes pending, asks
  // whether to apply them first. True when nothing is pending afterwards.
  bool ResolvePending();
  // Closes without storing, as Cancel does.
  void Discard();

  static const char* PendingQuestion();
  // What the undo stack calls the form's Apply.
  virtual QString StepName() const;

  // Something was written to the database, by the form or from outside it
  // (a rename or a drag in the tree, another form, an import, an undo): the
  // form reads again what it keeps of the stored state, and shows what
  // changed outside it where the user has not changed it in the form.
  virtual void ResourceChanged() {}

 protected:
  // Writes the form's working copy through the interface; false keeps the
  // changes pending (the interface or the form has said why).
  virtual bool Store() = 0;
  // The user closes the form (OK, Cancel, Escape, the close button) while its
  // resource is still there: what the form set on the resource meanwhile and
  // did not store can be put back. Not called when the manager discards it.
  virtual void Closing() {}
  // Calls `moved` for every move of the focus in the application while the
  // form is open. The watch ends when the form closes and when it goes (a
  // form that uses members of its own in `moved` ends it first thing in its
  // destructor): the application outlives every form, and a focus change
  // while a form's widgets are taken down must not reach what is left of it.
  void WatchFocus(std::function<void(QWidget* from, QWidget* to)> moved);
  void EndFocusWatch();
  // The layout above the buttons, for forms without pages.
  QVBoxLayout* Body() const { return body_; }
  // The window keeps the size its contents ask for.
  void FixSize();
  void reject() override;
  void done(int result) override;

 private:
  void Detach();

  TResource* resource_;
  QVBoxLayout* body_;
  QTabWidget* pages_;
  QDialogButtonBox* buttons_;
  std::unique_ptr<QObject> focusWatch_;  // the context of the focus watch
  bool changed_ = false;
};
