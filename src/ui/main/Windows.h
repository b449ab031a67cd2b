#pragma once
// The nine windows, created once in their order, the main window first; the
// others are its children and live as long as it does.
#include <QStringList>
#include <memory>

#include "ui/common/UiContext.h"
#include "ui/main/Main.h"

namespace q17::ui {

std::unique_ptr<TfrmMain> CreateWindows(TUiContext& ctx);

// The program's command line after its name (Qt's own options taken out):
// a settings file named there, as a file manager names the file
// double-clicked, is loaded as "Загрузить настройки" loads one. Options
// are not files; of several files the first counts.
void LoadArguments(TfrmMain& main, const QStringList& arguments);

}  // namespace q17::ui
