#pragma once
// The program's seams as a test answers them: message boxes, file dialogs,
// the beep and the clock, each keeping what a window asked of it.
#include <QString>
#include <QStringList>
#include <ctime>
#include <deque>
#include <functional>
#include <string>

#include "ui/common/UiContext.h"

namespace q17::test {

class FakeMessages : public ui::IMessageBox {
 public:
  void Inform(QWidget*, const QString& text) override {
    informed << text;
    texts << text;
    if (onInform) onInform();
  }
  bool Confirm(QWidget*, const QString& text) override {
    asked << text;
    texts << text;
    if (answers.empty()) return answerWhenNoneLeft;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  QStringList informed;  // what Inform showed
  QStringList asked;     // what Confirm asked
  QStringList texts;     // both, in the order shown
  std::function<void()> onInform;
  std::deque<bool> answers;  // Confirm's answers, one a question
  bool answerWhenNoneLeft = false;
};

class FakeFiles : public ui::IFileDialog {
 public:
  QString OpenFileName(QWidget*, const QString&) override { return openName; }
  QString SaveFileName(QWidget*, const QString&) override { return saveName; }
  QString ExportFileName(QWidget*, const QString& folder, const TExportFormat& format) override {
    exportFolder = folder;
    exportFilter = ExportFilter(format);
    return exportName;
  }
  QString openName;
  QString saveName;
  QString exportName;     // what the export dialog answers
  QString exportFolder;   // where it was opened
  std::string exportFilter;
};

class FakeBeep : public ui::IBeep {
 public:
  void Beep() override { ++beeps; }
  int beeps = 0;
};

class FakeClock : public ui::IClock {
 public:
  // 2026-12-31 23:59:59, a Thursday: a click just before midnight.
  FakeClock() : FakeClock(At(2026, 12, 31, 23, 59, 59, 4, 364)) {}
  explicit FakeClock(const std::tm& time) : now(time) {}
  std::tm LocalNow() override {
    ++reads;
    return now;
  }
  // month 1..12; weekday 0 = Sunday; yearDay from 0.
  static std::tm At(int year, int month, int day, int hour, int minute, int second, int weekday = 0,
                    int yearDay = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_wday = weekday;
    t.tm_yday = yearDay;
    return t;
  }
  std::tm now{};
  int reads = 0;
};

// The program's context around an interface list, every seam a fake, as
// the program's start builds it.
struct FakeContext {
  explicit FakeContext(TInterfList& link) : ctx{state, link, messages, files, beeper, clock, idle, windows} {}
  TCommandState state;
  FakeMessages messages;
  FakeFiles files;
  FakeBeep beeper;
  FakeClock clock;
  ui::TIdleSlot idle;
  ui::TWindows windows;
  ui::TUiContext ctx;
};

}  // namespace q17::test
