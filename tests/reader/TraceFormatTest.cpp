#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "link/ErrMsg.h"
#include "reader/TraceFormat.h"
#include "support/Frames.h"

namespace q17 {
namespace {

using Frame = std::vector<std::uint8_t>;

TLineEvent Event(TLineEvent::TKind kind, const Frame& bytes, int result = 0) {
  TLineEvent e;
  e.Kind = kind;
  e.Bytes = bytes.data();
  e.Size = bytes.size();
  e.Result = result;
  return e;
}

TEST(TraceFormat, LinesOfFramesNoiseAndFailures) {
  // The worked example: WriteTagMemTime1 with 100 to address 1, packet 5.
  const Frame request = {0xFB, 0x05, 0x01, 0x00, 0x19, 0x02, 0x64, 0x00, 0x82, 0x18, 0xFD};
  const Frame escaped = test::ReplyFrame(0xFB, 1, 0, {0xFA, 0x20});
  Frame badCrc = test::ReplyFrame(3, 1, 0, {0x01});
  badCrc[badCrc.size() - 2] ^= 0x01;
  const Frame cut(escaped.begin(), escaped.begin() + 4);
  const Frame noise = {0x00, 0xFE};
  struct Case {
    const char* name;
    TLineEvent event;
    std::string line;
  } cases[] = {
      {"request", Event(TLineEvent::Tx, request),
       "1.250\tTX\tFB 05 01 00 19 02 64 00 82 18 FD\tpkt=5\taddr=1\tcode=25 (WriteTagMemTime1)\tlen=2\tdata=64 00"},
      {"reply with escaped bytes", Event(TLineEvent::Rx, escaped),
       "1.250\tRX\t" + WireHex(escaped.data(), escaped.size()) +
           "\tpkt=251\taddr=1\tcode=0 (OK !)\tlen=2\tdata=FA 20"},
      {"bad CRC", Event(TLineEvent::Rx, badCrc),
       "1.250\tRX\t" + WireHex(badCrc.data(), badCrc.size()) + "\tpkt=3\taddr=1\tcode=0 (OK !)\tlen=1\tdata=01\tcrc=bad"},
      {"cut reply", Event(TLineEvent::RxPartial, cut), "1.250\tRX\tFC FA 0B 01\tpartial"},
      {"noise", Event(TLineEvent::RxPartial, noise), "1.250\tRX\t00 FE\tpartial"},
      {"failed exchange", Event(TLineEvent::Done, {}, rcTimeout), "1.250\tERR\tКод = 6 / Таймаут обмена"},
      {"good exchange", Event(TLineEvent::Done, {}, rcOk), ""},
  };
  EXPECT_EQ(WireHex(escaped.data(), 3), "FC FA 0B");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TraceLine(1.2504, c.event), c.line);
  }
}

TEST(TraceFormat, WriterTimesLinesFromItsStart) {
  std::ostringstream out;
  const TLineClock::time_point start{};
  TTraceWriter writer(out, start);
  const Frame noise = {0x55};
  TLineEvent e = Event(TLineEvent::RxPartial, noise);
  e.Time = start + std::chrono::milliseconds(2500);
  writer.OnLineEvent(e);
  writer.OnLineEvent(Event(TLineEvent::Done, {}, rcOk));
  EXPECT_EQ(out.str(), "2.500\tRX\t55\tpartial\n");
}

}  // namespace
}  // namespace q17
