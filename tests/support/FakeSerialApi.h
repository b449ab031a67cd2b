#pragma once
// A serial port whose reader side is a script; records what the link does.
#include <string>
#include <vector>

#include "platform/SerialApi.h"
#include "support/ScriptedLine.h"

namespace q17::test {

class FakeSerialApi : public SerialApi {
 public:
  std::vector<TSerialPortInfo> ListSerialPorts() override {
    std::vector<TSerialPortInfo> ports;
    for (const std::string& name : names) ports.push_back({name, std::nullopt});
    return ports;
  }

  TSerialOpen Open(const std::string& name, const TLineSettings& settings) override {
    openedName = name;
    openedLine = settings;
    ++opens;
    TSerialOpen result;
    if (failOpen != OpenFailure::None) {
      result.Failure.Reason = failOpen;
      result.Failure.Detail = "scripted failure";
      if (failOpen == OpenFailure::PermissionDenied) result.Failure.Group = "dialout";
      return result;
    }
    isOpen = true;
    result.Port = std::make_unique<Port>(*this);
    return result;
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
  int allowanceMs = 0;  // what the port adds to a reply's wait
  bool network = false;  // the port is behind a serial server
  std::string openedName;
  TLineSettings openedLine{1200, 7, TParity::Even, 2, 0, 0};

 private:
  class Port final : public SerialPort {
   public:
    explicit Port(FakeSerialApi& api) : api_(api) {}
    ~Port() override {
      api_.isOpen = false;
      ++api_.closes;
    }
    long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
      api_.lastWaitMs = waitMs;
      if (api_.gone) return kPortGone;
      if (api_.readError) return kPortError;
      return static_cast<long>(api_.line.Take(buffer, maxBytes));
    }
    long Write(const std::uint8_t* data, std::size_t size) override {
      if (api_.gone) return kPortGone;
      api_.line.OnWrite(data, size);
      if (api_.writeError) return kPortError;
      return api_.shortWrite ? static_cast<long>(size) - 1 : static_cast<long>(size);
    }
    int ReplyAllowanceMs() const override { return api_.allowanceMs; }
    bool IsNetwork() const override { return api_.network; }
    bool Present() override {
      ++api_.presentChecks;
      return !api_.gone;
    }

   private:
    FakeSerialApi& api_;
  };
};

}  // namespace q17::test
