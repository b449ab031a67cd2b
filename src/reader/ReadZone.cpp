#include "reader/ReadZone.h"

#include "link/ErrMsg.h"
#include "reader/TagText.h"

namespace q17 {

bool TReadZoneSetup::Start(TCommandState& s, TInterfList& link) {
  FSavedTMT1.reset();
  FSavedTMT2.reset();
  FSavedMode.reset();
  if (ReadConfig(s, link) != 0) return false;
  if (ReadTagMemTime1(s, link) == 0) FSavedTMT1 = s.TMT_1;
  if (ReadTagMemTime2(s, link) == 0) FSavedTMT2 = s.TMT_2;
  if (FSavedTMT1) {
    s.TMT_1 = kTestTagMemTime;
    WriteTagMemTime1(s, link);
  }
  if (FSavedTMT2) {
    s.TMT_2 = kTestTagMemTime;
    WriteTagMemTime2(s, link);
  }
  FSavedMode = s.Config.Mode;
  s.Config.Mode = NoGate;
  WriteConfig(s, link);
  return true;
}

int TReadZoneSetup::Restore(TCommandState& s, TInterfList& link) {
  int failed = 0;
  const auto note = [&failed](int r) {
    if (failed == 0) failed = r;
  };
  if (FSavedTMT1) {
    s.TMT_1 = *FSavedTMT1;
    note(WriteTagMemTime1(s, link));
  }
  if (FSavedTMT2) {
    s.TMT_2 = *FSavedTMT2;
    note(WriteTagMemTime2(s, link));
  }
  if (FSavedMode) {
    s.Config.Mode = *FSavedMode;
    note(WriteConfig(s, link));
  }
  FSavedTMT1.reset();
  FSavedTMT2.reset();
  FSavedMode.reset();
  return failed;
}

int ReadTagCount(TCommandState& s, TInterfList& link, int channel, std::int32_t& count) {
  const int r = channel == 1 ? ReadTagCount1(s, link) : ReadTagCount2(s, link);
  count = channel == 1 ? s.TagCount1 : s.TagCount2;
  return r;
}

int ReadFirstTag(TCommandState& s, TInterfList& link, int channel, TTagCode& tag) {
  return channel == 1 ? ReadFirstTag1(s, link, tag) : ReadFirstTag2(s, link, tag);
}

int ReadNextTag(TCommandState& s, TInterfList& link, int channel, TTagCode& tag) {
  return channel == 1 ? ReadNextTag1(s, link, tag) : ReadNextTag2(s, link, tag);
}

TTagSearch FindTag(TCommandState& s, TInterfList& link, int channel, std::uint32_t number,
                   const TAfterRequest& afterRequest) {
  TTagSearch search;
  TTagCode tag{};
  int r = ReadFirstTag(s, link, channel, tag);
  ++search.Requests;
  const bool go = !afterRequest || afterRequest();
  if (r == 0 && TagMatches(number, tag)) {
    search.Found = true;
    return search;
  }
  if (!go) return search;
  // A first-tag failure still asks for the next tag; the walk ends at the
  // first failure, or at the largest field a reader can report.
  for (int i = 0; i < kMaxTagsInField; ++i) {
    r = ReadNextTag(s, link, channel, tag);
    ++search.Requests;
    const bool more = !afterRequest || afterRequest();
    if (r == 0 && TagMatches(number, tag)) {
      search.Found = true;
      break;
    }
    if (r != 0 || !more) break;
  }
  return search;
}

int ListTags(TCommandState& s, TInterfList& link, int channel, std::vector<TTagCode>& tags,
             const TAfterRequest& afterRequest) {
  tags.clear();
  TTagCode tag{};
  int r = ReadFirstTag(s, link, channel, tag);
  for (int next = 0; r == 0; ++next) {
    tags.push_back(tag);
    if (next >= kMaxTagsInField - 1 || (afterRequest && !afterRequest())) return 0;
    r = ReadNextTag(s, link, channel, tag);
  }
  return r == rcNoTag ? 0 : r;
}

}  // namespace q17
