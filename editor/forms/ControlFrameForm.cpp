#include "forms/ControlFrameForm.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "Resource.h"

namespace {

QLabel* Panel(QWidget* parent, const QString& name, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = new QLabel(parent);
  label->setAlignment(alignment);
  label->setObjectName(name);
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMinimumWidth(48);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

TKorvellControlFrameForm::TKorvellControlFrameForm(TKorvellControlFrameResource& frame)
    : TResourceForm(frame, "Zephra Configuration") {
  setObjectName("ControlFrameForm");
  Pages()->hide();
  ApplyButton()->hide();
  CancelButton()->hide();
  OkButton()->setObjectName("OKButton");
  TitlePanel = Panel(this, "TitlePanel", Qt::AlignCenter);
  QFont big = TitlePanel->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 3);
  TitlePanel->setFont(big);
  Body()->addWidget(TitlePanel);

  auto* levels = new QGroupBox("Levels", this);
  auto* grid = new QGridLayout(levels);
  grid->addWidget(new QLabel("Number Of Levels :", levels), 0, 0, 1, 2);
  pnNumberOfLevelsEdit = Panel(levels, "pnNumberOfLevelsEdit", Qt::AlignCenter);
  grid->addWidget(pnNumberOfLevelsEdit, 0, 2);
  grid->addWidget(new QLabel("Level Name", levels), 1, 1);
  grid->addWidget(new QLabel("Sources", levels), 1, 2, Qt::AlignCenter);
  grid->addWidget(new QLabel("Dests.", levels), 1, 4, Qt::AlignCenter);
  for (int i = 0; i < 8; ++i) {
    grid->addWidget(new QLabel(QString::number(i + 1), levels), i + 2, 0);
    pnEditLevel[i] = Panel(levels, QString("pnEditLevel%1").arg(i + 1));
    pnEditLevel[i]->setMinimumWidth(110);
    pnLevelSource[i] = Panel(levels, QString("pnLevel%1Source").arg(i + 1), Qt::AlignCenter);
    pnLevelDest[i] = Panel(levels, QString("pnLevel%1Dest").arg(i + 1), Qt::AlignCenter);
    grid->addWidget(pnEditLevel[i], i + 2, 1);
    grid->addWidget(pnLevelSource[i], i + 2, 2);
    grid->addWidget(new QLabel("X", levels), i + 2, 3, Qt::AlignCenter);
    grid->addWidget(pnLevelDest[i], i + 2, 4);
  }
  Body()->addWidget(levels);
  auto* switches = new QGroupBox("Switch Settings", this);
  switches->setMinimumHeight(48);
  Body()->addWidget(switches);
  FixSize();

  TCommonInterface& ci = Interface();
  TLibString name(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = name;
  if (!ci.GetConfig(config, ci.FileHandle)) return;
  TitlePanel->setText(ShownName(name.Text()));
  pnNumberOfLevelsEdit->setText(QString::number(config.levelCount[0]));
  for (int i = 0; i < std::min<int>(config.levelCount[0], 8); ++i) {
    TLibString levelName(QString(8, ' '));
    TLevelRecord level{};
    level.name = levelName;
    if (ci.GetLevelData(0, static_cast<uint16_t>(i), level, ci.FileHandle)) pnEditLevel[i]->setText(levelName.Text());
    pnLevelSource[i]->setText(QString::number(config.sourceCount[0][i]));
    pnLevelDest[i]->setText(QString::number(config.destCount[0][i]));
  }
  filled_ = true;
}
