// Talking to the controller: the search and transfer dialogs, the choice of
// components, the callbacks through which the library reports back during
// long operations, and the product information.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include "zephra/zephra.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TCommonInterface;

// A small animation that moves while the editor pumps its events.
class TBusyAnimation : public QWidget {
 public:
  enum class Kind { Copy, Search };
  TBusyAnimation(Kind kind, QWidget* parent);
  void Start();
  void Stop();
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Kind kind_;
  int frame_ = 0;
  QTimer* timer_;
};

// "Database Transfer": the progress of an upload or download, with Cancel.
class TTransferForm : public QDialog {
 public:
  // `workingFile` is the file an upload writes, named by the cancel question;
  // `cancelQuestion`, when given, is asked instead, and `action`, when given,
  // is shown instead of "Applying Configuration" / "Reading Configuration".
  TTransferForm(bool download, const QString& workingFile, QWidget* parent = nullptr,
                const QString& cancelQuestion = {}, const QString& action = {});
  // What moves where ("Studio.ZP3 to the control frame: the database").
  void SetWhat(const QString& what);
  void SetProgress(uint32_t position, uint32_t total);
  // The user asked to cancel and confirmed it.
  bool CancelConfirmed() const { return cancel_; }
  // "Elapsed 0:42, about 1:55 left", from the progress so far.
  static QString TimeText(qint64 elapsedMs, uint32_t position, uint32_t total);

  TBusyAnimation* FileCopyAVI;
  QLabel* Label1;
  QLabel* WhatLabel;
  QProgressBar* ProgressBar1;
  QLabel* TimeLabel;
  QPushButton* btnCancel;

 protected:
  void reject() override;  // Escape asks as Cancel does

 private:
  void AskCancel();
  bool download_;
  QString workingFile_;
  QString cancelQuestion_;
  bool cancel_ = false;
  QElapsedTimer clock_;
};

// The search for the controller while going on-line or asking its type:
// the port, the speed being tried, and Cancel, which ends the search at once.
class TSearchForm : public QDialog {
 public:
  explicit TSearchForm(const QString& port, QWidget* parent = nullptr);
  ~TSearchForm() override;
  // A stage of the search callback: 0 and 1 set the text, a speed (see
  // DBS_SEARCH_SPEED_MIN) is shown and remembered.
  void ShowStage(int stage);
  bool Cancelled() const { return cancelled_; }
  // The speeds tried, in order, each once.
  QList<int> SpeedsTried() const { return speeds_; }

  TBusyAnimation* Animate1;
  QLabel* StatusLabel;
  QLabel* PortLabel;
  QLabel* SpeedLabel;
  QPushButton* CancelButton;

 protected:
  void reject() override;  // Escape cancels as the button does

 private:
  bool cancelled_ = false;
  QList<int> speeds_;
};

// The search dialog of the moment, shown while the library looks for the
// controller (null when none); the search callback reports to it.
TSearchForm* ActiveSearch();
// The detail beneath a failed search's message: the port, the speeds tried
// and what to check.
QString SearchFailureDetail(const QString& port, const QList<int>& speeds);

// The components of a read or an apply.
class TReadApplyForm : public QDialog {
 public:
  TReadApplyForm(const QString& caption, const QString& text, QWidget* parent = nullptr);
  int Database() const;
  int SourceParams() const;
  int DestParams() const;
  int TriggerParams() const;

  QLabel* txtOptions;
  QCheckBox* DatabaseCheck;
  QCheckBox* SourceCheck;
  QCheckBox* DestCheck;
  QCheckBox* TriggerCheck;
};

// The product information, with what the library and the controller say of
// themselves at the moment it is made.
class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(TCommonInterface& ci, QWidget* parent = nullptr);
  // The lines as shown, from the application's name down.
  QStringList Lines() const;

 private:
  QStringList lines_;
};

// The lines of the product information: program, libraries, controller.
QStringList ProductInformation(TCommonInterface& ci);

// The callbacks the library calls back during on-line operations.
void ErrorCallback(uint32_t status);
void SearchStatusCallback(int32_t stage, int32_t* keepGoing);
uint32_t TransferProgressCallback(uint32_t status, uint32_t position, uint32_t total);

// The interface the callbacks report to, when one is on-line.
TCommonInterface* ActiveInterface();
// The interface that lives as long as the program: it serves the controller
// type query and takes reports when no database is on-line.
TCommonInterface& ProcessInterface();
// The interface the callbacks' reports go to: the on-line one, else the
// program's.
TCommonInterface& ReportingInterface();

// The message for a controller type the query found.
QString ControllerTypeMessage(uint16_t type);
