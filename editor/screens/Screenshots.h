// The picture taker behind `zephra-editor --screenshots FOLDER`: a picture of
// every window, page and dialog of the editor, over a demo database made in a
// scratch folder. Each group of windows has a function of its own, listed in
// Screenshots.cpp.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "UiService.h"

class QAction;
class QMainWindow;
class QTabWidget;
class QWidget;
class TMainForm;

// The UI service while pictures are taken: boxes are answered with the
// answer that changes nothing, modal dialogs are shown to the picture taker.
class TPictureUi : public TUiService {
 public:
  QMessageBox::StandardButton Message(Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                                      const QString& detail, QMessageBox::StandardButton defaultButton) override;
  int Choose(Kind kind, const QString& text, const QString& detail, const QStringList& buttons, int defaultButton,
             int escapeButton) override;
  QString OpenFileName(const QString&, const QString&) override { return {}; }
  QString SaveFileName(const QString&, const QString&, bool) override { return {}; }
  // A modal dialog is handed to `Modal` when set, else cancelled.
  int RunModal(QDialog& dialog) override { return Modal ? Modal(dialog) : QDialog::Rejected; }
  void ShowNotice(const QStringList&) override {}
  void CloseNotice() override {}

  std::function<int(QDialog&)> Modal;
  // The last message box, drawn when a picture of it is wanted.
  QString LastText, LastDetail;
  Kind LastKind = Kind::Information;
  QMessageBox::StandardButtons LastButtons = QMessageBox::Ok;
  QMessageBox::StandardButton LastDefault = QMessageBox::NoButton;
  QStringList LastChoices;  // a choice's buttons, else empty
  int LastChoiceDefault = -1, LastChoiceEscape = -1;
};

class TScreenshots {
 public:
  explicit TScreenshots(const QString& folder);
  ~TScreenshots();

  // Saves a picture of `w` as `name`.png; a window that cannot be drawn (or
  // draws as one flat colour) is a failure.
  bool Save(QWidget& w, const QString& name);
  // A picture of every page of `pages`: `name`-1-<tab>.png, ...
  void SavePages(QWidget& w, QTabWidget& pages, const QString& name);
  // A picture of `window` with the menu of `menuAction` open over it.
  void SaveMenu(QMainWindow& window, QAction& menuAction, const QString& name);

  // The main window, with the demo database open (V3, devices on both
  // multi-drop ports); the current folder is the scratch folder meanwhile.
  TMainForm& Window() { return *window_; }
  TPictureUi& PictureUi() { return ui_; }
  QString Folder() const { return folder_; }
  QStringList Failures() const { return failures_; }

 private:
  QString folder_;
  QString savedFolder_;
  TPictureUi ui_;
  std::unique_ptr<class QTemporaryDir> scratch_;
  std::unique_ptr<TMainForm> window_;
  QStringList failures_;
};

// Every group of pictures; answers 0 when every picture was taken.
int TakeScreenshots(const QString& folder);

// The groups (one file each in editor/screens/).
void MainWindowShots(TScreenshots& shots);
void WizardShots(TScreenshots& shots);
void DeviceShots(TScreenshots& shots);
void OnlineShots(TScreenshots& shots);
void PortFormShots(TScreenshots& shots);
void KeypadShots(TScreenshots& shots);
void GridEditorShots(TScreenshots& shots);
void NamesShots(TScreenshots& shots);
void UndoFindShots(TScreenshots& shots);
