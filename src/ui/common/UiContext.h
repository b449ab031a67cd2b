#pragma once
// Everything a window works with, created once at the program's start and
// handed to each window by reference; tests build the same graph with the
// simulated bus and fake seams.
#include <filesystem>

#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"
#include "ui/common/IdleSlot.h"
#include "ui/common/Seams.h"

namespace q17::ui {

class TfrmMain;
class TfrmAbout;
class TfrmCommTest;
class TfrmRadioTest;
class TfrmAudit;
class TfrmSensors;
class TfrmAddrChange;
class TfrmAudio;
class TfrmFindReaders;
class TfrmTrafficLog;
class TfrmFleetSurvey;
class TfrmFleetWrite;

// The nine windows, filled in as the program's start creates them.
struct TWindows {
  TfrmMain* Main = nullptr;
  TfrmAbout* About = nullptr;
  TfrmCommTest* CommTest = nullptr;
  TfrmRadioTest* RadioTest = nullptr;
  TfrmAudit* Audit = nullptr;
  TfrmSensors* Sensors = nullptr;
  TfrmAddrChange* AddrChange = nullptr;
  TfrmAudio* Audio = nullptr;
  TfrmFindReaders* FindReaders = nullptr;
  TfrmTrafficLog* TrafficLog = nullptr;
  // The car park: a survey of the bus, one set-up written to many readers.
  TfrmFleetSurvey* FleetSurvey = nullptr;
  TfrmFleetWrite* FleetWrite = nullptr;
};

struct TUiContext {
  TCommandState& State;
  TInterfList& Link;
  IMessageBox& Messages;
  IFileDialog& Files;
  IBeep& Beeper;
  IClock& Clock;
  TIdleSlot& Idle;
  TWindows& Windows;
  // The user's file of network ports opened; empty: none remembered (tests).
  std::filesystem::path RecentPortsFile{};
};

}  // namespace q17::ui
