#pragma once
#include <QObject>

namespace q17::ui {

class IdleSlotTest : public QObject {
  Q_OBJECT
 private slots:
  void DoneFalseRunsAgainUntilCleared();
  void DoneTrueWaitsForTheNextMessage();
  void InstallOverwritesAndNeverNests();
  void BeepIsHarmlessWithoutASoundDevice();
};

}  // namespace q17::ui
