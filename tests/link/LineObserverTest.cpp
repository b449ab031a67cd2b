#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"
#include "support/Frames.h"

namespace q17 {
namespace {

using Frame = std::vector<std::uint8_t>;

struct Seen {
  TLineEvent::TKind Kind;
  Frame Bytes;
  int Result;
  bool operator==(const Seen&) const = default;
};

class Recorder : public TLineObserver {
 public:
  void OnLineEvent(const TLineEvent& e) override {
    events.push_back({e.Kind, Frame(e.Bytes, e.Bytes + e.Size), e.Result});
    if (e.Kind == TLineEvent::Done) duration = e.Duration;
  }
  std::vector<Seen> events;
  TLineClock::duration duration{-1};
};

struct ObserverCase {
  const char* name;
  std::vector<test::LineStep> line;  // what the reader sends after the request
  std::vector<Seen> expected;        // after the request frame
};

TEST(LineObserver, ReportsTheRequestTheBytesReadAndTheOutcome) {
  const Frame reply = test::ReplyFrame(0, 1, 0, {0x20, 0xFB});
  const Frame cut(reply.begin(), reply.begin() + 5);
  const Frame noise = {0x11, 0x22};
  Frame noiseThenReply = noise;
  noiseThenReply.insert(noiseThenReply.end(), reply.begin(), reply.end());
  const ObserverCase cases[] = {
      {"whole reply", {{reply}}, {{TLineEvent::Rx, reply, 0}, {TLineEvent::Done, {}, rcOk}}},
      {"noise before the reply",
       {{noiseThenReply}},
       {{TLineEvent::RxPartial, noise, 0}, {TLineEvent::Rx, reply, 0}, {TLineEvent::Done, {}, rcOk}}},
      {"reply in pieces", {{cut}, {Frame(reply.begin() + 5, reply.end())}},
       {{TLineEvent::Rx, reply, 0}, {TLineEvent::Done, {}, rcOk}}},
      {"reply cut off", {{cut}, {}}, {{TLineEvent::RxPartial, cut, 0}, {TLineEvent::Done, {}, rcTimeout}}},
      {"silence", {{}}, {{TLineEvent::Done, {}, rcTimeout}}},
  };
  for (const ObserverCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeSerialApi serial;
    test::FakeD2xxApi d2xx;
    serial.names = {"COM1"};
    TInterfList list{serial, d2xx};
    list.Refresh();
    ASSERT_EQ(list.Open(0, 0), rcOk);
    Recorder recorder;
    list.SetObserver(&recorder);
    serial.line.AnswerNextWrite(c.line);
    std::array<std::uint8_t, kMaxData> payload{};
    std::uint16_t code = 200, length = 0;
    list.Transaction(1, payload.data(), code, length);
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(recorder.events.front(), (Seen{TLineEvent::Tx, serial.line.writes.at(0), 0}));
    EXPECT_EQ(std::vector<Seen>(recorder.events.begin() + 1, recorder.events.end()), c.expected);
    EXPECT_GE(recorder.duration.count(), 0);
  }
}

TEST(LineObserver, AClosedPortReportsOnlyTheOutcomeAndADetachedObserverNothing) {
  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  Recorder recorder;
  list.SetObserver(&recorder);
  std::array<std::uint8_t, kMaxData> payload{};
  std::uint16_t code = 40, length = 0;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcPortClosed);
  EXPECT_EQ(recorder.events, (std::vector<Seen>{{TLineEvent::Done, {}, rcPortClosed}}));
  list.SetObserver(nullptr);
  list.Transaction(1, payload.data(), code, length);
  EXPECT_EQ(recorder.events.size(), 1u);
}

}  // namespace
}  // namespace q17
