// The main window's menu of the car park: the survey of the bus and one
// set-up written to many readers, beside the one-reader commands.
#include <QMenu>
#include <QMenuBar>

#include "ui/main/Main.h"
#include "ui/fleet/FleetSurvey.h"
#include "ui/fleet/FleetWrite.h"
#include "ui_Main.h"

namespace q17::ui {

void TfrmMain::AddFleetMenu() {
  auto* menu = new QMenu(tr("Считыватели"), this);
  menu->setObjectName(QStringLiteral("miFleet"));
  menu->setProperty("Tag", 2);
  QAction* survey = menu->addAction(tr("Обзор считывателей"));
  survey->setObjectName(QStringLiteral("miFleetSurvey"));
  QAction* write = menu->addAction(tr("Записать в несколько считывателей..."));
  write->setObjectName(QStringLiteral("miFleetWrite"));
  ui->mnuMainMenu->insertMenu(ui->miHelp->menuAction(), menu);
  menu->menuAction()->setEnabled(FCtx.Link.Opened());
  // A double-click in the survey picks the reader the commands go to.
  connect(survey, &QAction::triggered, this, [this] {
    if (FCtx.Windows.FleetSurvey) FCtx.Windows.FleetSurvey->exec();
    ShowReaderAddress();
  });
  // The write window takes "found" from the survey window itself.
  connect(write, &QAction::triggered, this, [this] {
    if (FCtx.Windows.FleetWrite) FCtx.Windows.FleetWrite->exec();
    ShowReaderAddress();
  });
}

}  // namespace q17::ui
