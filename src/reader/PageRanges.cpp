#include "reader/PageRanges.h"

#include <algorithm>

namespace q17 {

void ClampToPageRanges(TCommandState& s) {
  for (TChannelConfig& c : s.Config.Channel) {
    for (std::uint8_t* time : {&c.WCT, &c.WAT, &c.GDT, &c.GOT}) *time = ClampTimeByte(*time);
  }
  s.TMT_1 = SecondsToTagMemTime(TagMemTimeToSeconds(s.TMT_1));
  s.TMT_2 = SecondsToTagMemTime(TagMemTimeToSeconds(s.TMT_2));
  s.ATT_1 = std::min(s.ATT_1, kMaxAttenuation);
  s.ATT_2 = std::min(s.ATT_2, kMaxAttenuation);
}

}  // namespace q17
