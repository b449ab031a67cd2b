#include "ui/common/Pause.h"

#include <QCoreApplication>
#include <QThread>

namespace q17::ui {

void PauseWithMessages(int slices, int sliceMs) {
  for (int i = 0; i < slices; ++i) {
    QThread::msleep(static_cast<unsigned long>(sliceMs));
    QCoreApplication::processEvents();
  }
}

}  // namespace q17::ui
