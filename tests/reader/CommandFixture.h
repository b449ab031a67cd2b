#pragma once
// A command state and an open link whose reader is a script: each Reply or
// Silence answers the next request.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "link/ErrMsg.h"
#include "reader/RdrCmd.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"
#include "support/Frames.h"

namespace q17::test {

using Frame = std::vector<std::uint8_t>;

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    serial.names = {"COM1"};
    list.Refresh();
    ASSERT_EQ(list.Open(0, 0), rcOk);
  }
  // The reader's answer to the next request (for the current packet number).
  void Reply(std::uint16_t answer, const Frame& data = {}) {
    serial.line.AnswerNextWrite(ReplyFrame(nextPacketNo++, 1, answer, data));
  }
  void Silence() { serial.line.AnswerNextWrite(std::vector<test::LineStep>{}); }
  // Request i as sent: command code and data (flags 0), escapes undone.
  std::pair<int, Frame> Request(std::size_t i) const {
    const Frame& f = serial.line.writes.at(i);
    Frame body;
    for (std::size_t k = 1; k + 1 < f.size(); ++k) {
      body.push_back(f[k] == 0xFA ? static_cast<std::uint8_t>(f[++k] + 0xF0) : f[k]);
    }
    const std::size_t n = body.at(4);
    return {body.at(3), Frame(body.begin() + 5, body.begin() + 5 + static_cast<long>(n))};
  }
  std::size_t Sent() const { return serial.line.writes.size(); }

  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  TCommandState s;
  std::uint8_t nextPacketNo = 0;  // a well-formed reply moves it on, whatever its answer code
};

}  // namespace q17::test
