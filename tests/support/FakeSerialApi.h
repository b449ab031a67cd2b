#pragma once
// A serial port whose reader side is a script; records what the link does.
#include <string>
#include <vector>

#include "platform/SerialApi.h"
#include "support/ScriptedLine.h"

namespace q17::test {

class FakeSerialApi : public SerialApi {
 public:
  std::vector<std::string> PortNames() override { return names; }

  PortHandle Open(const std::string& name, const SerialOpenArgs& args) override {
    openedName = name;
    openArgs = args;
    ++opens;
    if (failOpen != OpenFailure::None) return 0;
    isOpen = true;
    return 42;
  }
  OpenFailure LastOpenFailure() const override { return failOpen; }
  std::string LastOpenDetail() const override { return failOpen == OpenFailure::None ? "" : "scripted failure"; }
  std::string LastOpenGroup() const override { return failOpen == OpenFailure::PermissionDenied ? "dialout" : ""; }

  bool GetCommState(PortHandle, LineState& state) override {
    state = current;
    return true;
  }
  bool SetCommState(PortHandle, const LineState& state) override {
    current = state;
    return true;
  }
  bool SetCommTimeouts(PortHandle, const CommTimeouts& t) override {
    timeouts = t;
    return true;
  }

  long Read(PortHandle, std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    lastWaitMs = waitMs;
    if (gone) return kPortGone;
    if (readError) return -1;
    return static_cast<long>(line.Take(buffer, maxBytes));
  }

  long Write(PortHandle, const std::uint8_t* data, std::size_t size) override {
    if (gone) return kPortGone;
    line.OnWrite(data, size);
    if (writeError) return -1;
    return shortWrite ? static_cast<long>(size) - 1 : static_cast<long>(size);
  }

  bool Present(PortHandle) override {
    ++presentChecks;
    return !gone;
  }

  void Close(PortHandle) override {
    isOpen = false;
    ++closes;
  }

  std::vector<std::string> names;
  ScriptedLine line;
  OpenFailure failOpen = OpenFailure::None;
  bool readError = false;
  bool writeError = false;
  bool shortWrite = false;
  bool gone = false;  // the device was unplugged
  int presentChecks = 0;
  bool isOpen = false;
  int opens = 0;
  int closes = 0;
  int lastWaitMs = -1;
  std::string openedName;
  SerialOpenArgs openArgs{};
  LineState current{1200, 7, 2, 1};
  CommTimeouts timeouts{};
};

}  // namespace q17::test
