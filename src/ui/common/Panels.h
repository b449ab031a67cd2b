#pragma once
// Status panels and track bars as the windows use them.
#include <QLabel>
#include <QSlider>
#include <QStatusBar>
#include <vector>

namespace q17::ui {

// "Код = N / text" in the panel; returns the code so a caller reports and
// tests a result in one step.
int ShowResultIn(QLabel& panel, int code);

// A status bar of fixed-width panels, left to right; a width of 0 takes the
// rest of the bar. Panels show plain text only: they also carry texts that
// came from a reader.
std::vector<QLabel*> MakeStatusPanels(QStatusBar& bar, const std::vector<int>& widths);

// What a panel's tool tip shows: the whole text when the panel cuts it,
// followed by the panel's own tip, if it has one.
QString PanelTip(const QLabel& panel);

// Makes the panel show PanelTip as its tool tip.
void ShowCutTextAsTip(QLabel& panel);

// A horizontal track bar with ticks below it.
void SetupTrackBar(QSlider& bar, int min, int max, int tickInterval);

}  // namespace q17::ui
