// The Actions menu's service commands, each reported in panel 3.
#include <QLabel>
#include <string>

#include "ui/main/Main.h"

namespace q17::ui {

void TfrmMain::miGetVersionClick() {
  Panel(2)->clear();
  std::string version;
  if (ShowResult(ReadVersion(FCtx.State, FCtx.Link, version)) == 0) Panel(2)->setText(QString::fromStdString(version));
}

void TfrmMain::miDateTimeSetClick() {
  // One reading: the date and the time sent must belong to the same moment.
  ShowResult(SetDateTime(FCtx.State, FCtx.Link, MomentFromTm(FCtx.Clock.LocalNow())));
}

void TfrmMain::miRFConfigRestoreClick() {
  // Two lines apart, so that the line end stays CR LF in every language.
  if (!FCtx.Messages.Confirm(this, tr("Все настройки радиоканала будут установлены для доступного профиля.") +
                                       QStringLiteral("\r\n") +
                                       tr("Вы уверены, что этот профиль используется в вашей системе?")))
    return;
  ShowResult(SetRadioProfile(FCtx.State, FCtx.Link, RadioProfile, 1));
  ShowResult(SetRadioProfile(FCtx.State, FCtx.Link, RadioProfile, 2));
}

}  // namespace q17::ui
