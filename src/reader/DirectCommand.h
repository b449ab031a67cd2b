#pragma once
// A command the diagnostic windows send through the command state with its
// request already in Payload. A reader that refuses, or a reply too short to
// hold what the caller reads from it, is a failure like a lost reply, so no
// caller shows numbers the reader never sent.
#include <cstdint>

#include "link/ErrMsg.h"
#include "reader/RdrCmd.h"

namespace q17 {

// The link's result, else the answer code, else rcDataError when the reply
// holds fewer than replyMin bytes.
inline int DirectCommand(TCommandState& s, TInterfList& link, std::uint16_t code, std::uint16_t length,
                         std::uint16_t replyMin = 0) {
  s.CommandCode = code;
  s.PayloadLength = length;
  if (const int r = Exchange(s, link); r != 0) return r;
  return s.PayloadLength < replyMin ? rcDataError : 0;
}

// The windows' rule for the commands they send themselves: the link's
// result alone; the reader's answer code stays in CommandCode, unexamined.
inline int TransactionOnly(TCommandState& s, TInterfList& link, std::uint16_t code, std::uint16_t length) {
  s.CommandCode = code;
  s.PayloadLength = length;
  return link.Transaction(s.ReaderAddress, s.Payload.data(), s.CommandCode, s.PayloadLength);
}

}  // namespace q17
