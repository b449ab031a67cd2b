#include "reader/RadioTest.h"

#include <algorithm>

#include "reader/DirectCommand.h"
#include "reader/TagText.h"

namespace q17 {

TRadioStartPayload RadioStartPayload(int channel, const std::string& etalonText, const std::string& testText) {
  const TTagCode etalon = TagPayloadBytes(etalonText);
  const TTagCode test = TagPayloadBytes(testText);
  TRadioStartPayload p{};
  p[0] = channel == 1 ? 1 : 2;
  std::copy(etalon.begin(), etalon.end(), p.begin() + 1);
  std::copy(test.begin(), test.end(), p.begin() + 5);
  return p;
}

TRadioCounts DecodeRadioCounts(const std::uint8_t* r) {
  return TRadioCounts{static_cast<std::uint16_t>(r[0] | (r[1] << 8)), static_cast<std::uint16_t>(r[2] | (r[3] << 8))};
}

int StartRadioTest(TCommandState& s, TInterfList& link, const TRadioStartPayload& payload) {
  std::copy(payload.begin(), payload.end(), s.Payload.begin());
  return DirectCommand(s, link, cmd::RadioTestStart, static_cast<std::uint16_t>(payload.size()));
}

int StopRadioTest(TCommandState& s, TInterfList& link, TRadioCounts& counts) {
  const int r = DirectCommand(s, link, cmd::RadioTestStop, 0, kRadioCountsSize);
  if (r == 0) counts = DecodeRadioCounts(s.Payload.data());
  return r;
}

int StartRadioTestTransaction(TCommandState& s, TInterfList& link, const TRadioStartPayload& payload) {
  std::copy(payload.begin(), payload.end(), s.Payload.begin());
  s.CommandCode = cmd::RadioTestStart;
  s.PayloadLength = static_cast<std::uint16_t>(payload.size());
  return link.Transaction(s.ReaderAddress, s.Payload.data(), s.CommandCode, s.PayloadLength);
}

int StopRadioTestTransaction(TCommandState& s, TInterfList& link, TRadioCounts& counts, bool& countsRead) {
  s.CommandCode = cmd::RadioTestStop;
  s.PayloadLength = 0;
  const int r = link.Transaction(s.ReaderAddress, s.Payload.data(), s.CommandCode, s.PayloadLength);
  countsRead = r == 0 && s.PayloadLength >= kRadioCountsSize;
  if (countsRead) counts = DecodeRadioCounts(s.Payload.data());
  return r;
}

}  // namespace q17
