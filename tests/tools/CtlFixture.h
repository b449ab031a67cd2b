#pragma once
// q17ctl run in-process against a scripted line: each reply is queued for
// the next request, numbered as the requests go.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "Ctl.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"
#include "support/Frames.h"

namespace q17::test {

class CtlFixture : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunCtl(args, serial, d2xx, out, err);
  }
  void Reply(std::uint16_t answer, const std::vector<std::uint8_t>& data = {}) {
    serial.line.AnswerNextWrite(ReplyFrame(nextPacketNo++, 1, answer, data));
  }

  FakeSerialApi serial;
  FakeD2xxApi d2xx;
  std::ostringstream out, err;
  std::uint8_t nextPacketNo = 0;
};

}  // namespace q17::test
