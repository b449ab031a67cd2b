#pragma once
// Pictures drawn by the program where the style has none that fits.
#include <QIcon>

namespace q17::ui {

// A red cross: "close the port". Coloured, so its dimmed form reads as dimmed.
QIcon ClosePortIcon();
// A gate post with its barrier: the standard mode with sensors.
QIcon BarrierIcon();

}  // namespace q17::ui
