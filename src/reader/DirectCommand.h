#pragma once
// A command the diagnostic windows send through the command state with its
// request already in Payload: only the link's result counts, the answer code
// of a well-formed reply is left to the caller.
#include <cstdint>

#include "reader/RdrCmd.h"

namespace q17 {

inline int DirectCommand(TCommandState& s, TInterfList& link, std::uint16_t code, std::uint16_t length) {
  s.CommandCode = code;
  s.PayloadLength = length;
  return link.Transaction(s.ReaderAddress, s.Payload.data(), s.CommandCode, s.PayloadLength);
}

}  // namespace q17
