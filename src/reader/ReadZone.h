#pragma once
// The read-zone test: the reader's test set-up (tag memory time 1 s on both
// channels, mode NoGate) and its restoration, and the tag walks of one
// channel's field.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "reader/RdrCmd.h"

namespace q17 {

inline constexpr std::uint16_t kTestTagMemTime = 10;  // 1 s
// A tag count reply is one byte, so no field holds more tags than this.
inline constexpr int kMaxTagsInField = 255;

class TReadZoneSetup {
 public:
  // Reads the block and both tag memory times, then puts 1 s and NoGate in
  // their place. Only values that were really read are changed, so Restore
  // can put every one of them back. False, with nothing sent after the
  // failed read, when the block cannot be read.
  bool Start(TCommandState& s, TInterfList& link);
  // Writes back what Start changed (tag memory times, then the block), each
  // write sent whatever the one before gave, none retried. Returns 0 when
  // every one was written, else the first failure's code: the reader was not
  // put back. Does nothing (and returns 0) when nothing is set up.
  int Restore(TCommandState& s, TInterfList& link);
  bool Active() const { return FSavedMode.has_value(); }

 private:
  std::optional<std::uint16_t> FSavedTMT1;
  std::optional<std::uint16_t> FSavedTMT2;
  std::optional<std::uint8_t> FSavedMode;
};

// The channel's tag count (TagCount1 / TagCount2) and its first / next tag.
int ReadTagCount(TCommandState& s, TInterfList& link, int channel, std::int32_t& count);
int ReadFirstTag(TCommandState& s, TInterfList& link, int channel, TTagCode& tag);
int ReadNextTag(TCommandState& s, TInterfList& link, int channel, TTagCode& tag);

// Called after every request of a walk (the pause between requests, and
// the window's messages); false ends the walk.
using TAfterRequest = std::function<bool()>;

struct TTagSearch {
  bool Found = false;
  int Requests = 0;
};

// First tag, then next tags until the number is found, a request fails, or
// as many next-tag requests as a field can hold tags have been sent.
TTagSearch FindTag(TCommandState& s, TInterfList& link, int channel, std::uint32_t number,
                   const TAfterRequest& afterRequest);

// Every tag in the field, in the reader's order. Returns 0 when the walk
// ended with the reader's "no tag" answer (or the bound), else the failure.
int ListTags(TCommandState& s, TInterfList& link, int channel, std::vector<TTagCode>& tags,
             const TAfterRequest& afterRequest = {});

}  // namespace q17
