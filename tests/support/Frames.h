#pragma once
// Reply frames as a reader builds them: the simulator's encoder, which
// shares no code with the link's decoder the tests check it against.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "Frame.h"

namespace q17::test {

using sim::PutEscaped;

inline std::vector<std::uint8_t> ReplyFrame(std::uint8_t packetNo, std::uint8_t address, std::uint16_t code,
                                            const std::vector<std::uint8_t>& data, std::uint8_t flags = 0,
                                            int lengthOverride = -1) {
  return sim::EncodeReply({.packetNo = packetNo, .address = address, .flags = flags, .code = code, .data = data,
                           .announcedLength = lengthOverride});
}

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

}  // namespace q17::test
