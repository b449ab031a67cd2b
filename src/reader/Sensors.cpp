#include "reader/Sensors.h"

#include "link/TranslateNoop.h"
#include "reader/DirectCommand.h"

namespace q17 {

TSensorState DecodeSensors(const std::uint8_t* r) { return TSensorState{r[0] != 0, r[1] != 0, r[2] != 0, r[3] != 0}; }

const char* OnOffText(bool active) {
  return active ? QT_TRANSLATE_NOOP("Sensors", "ВКЛ.") : QT_TRANSLATE_NOOP("Sensors", "выкл.");
}

int ReadSensors(TCommandState& s, TInterfList& link, TSensorState& state) {
  const int r = DirectCommand(s, link, cmd::ReadSensors, 0, kSensorReplySize);
  if (r == 0) state = DecodeSensors(s.Payload.data());
  return r;
}

int ReadSensorsTransaction(TCommandState& s, TInterfList& link, TSensorState& state, bool& statesRead) {
  const int r = TransactionOnly(s, link, cmd::ReadSensors, 0);
  statesRead = r == 0 && s.PayloadLength >= kSensorReplySize;
  if (statesRead) state = DecodeSensors(s.Payload.data());
  return r;
}

}  // namespace q17
