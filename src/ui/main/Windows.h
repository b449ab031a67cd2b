#pragma once
// The nine windows, created once in their order, the main window first; the
// others are its children and live as long as it does.
#include <memory>

#include "ui/common/UiContext.h"
#include "ui/main/Main.h"

namespace q17::ui {

std::unique_ptr<TfrmMain> CreateWindows(TUiContext& ctx);

}  // namespace q17::ui
