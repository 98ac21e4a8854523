// The right-hand side of the main window: the children of the selected node,
// or, for a node without children, what it stands for, or, with no database
// open, how to begin.
#pragma once

#include <QStackedWidget>

class QLabel;
class QListWidget;
class TCommonInterface;
class TResource;

class TInfoPane : public QStackedWidget {
 public:
  TInfoPane(QListWidget* list, QWidget* parent);
  void ShowList();
  void ShowFacts(TCommonInterface& ci, TResource* resource, const QString& nodeText);
  void ShowWelcome();
  QString FactsText() const;
  bool ShowingList() const;

 private:
  QListWidget* list_;
  QLabel* facts_;
  QLabel* welcome_;
};

// What a resource stands for, a line each: a level's signal, router and
// size, a device's place, a port's settings.
QStringList ResourceFacts(TCommonInterface& ci, TResource* resource, const QString& nodeText);
