#pragma once
// The PC's reply receiver, written again for the tests from the link's
// rules: it tells what result the PC gets from the bytes a reader sent, so
// each fault can be checked by its effect and not only by its bytes. The end
// of the given bytes stands for a silent line.
#include <cstdint>
#include <vector>

#include "link/Crc16A.h"

namespace q17::sim::test {

struct PcReply {
  int result = 6;
  std::uint16_t code = 0;
  std::uint8_t address = 0;
  std::vector<std::uint8_t> data;
  std::size_t consumed = 0;  // bytes taken from the line
};

inline PcReply PcReceive(const std::vector<std::uint8_t>& line, std::uint8_t packetNo) {
  enum State { WaitStart, PacketNo, Address, Flags, Code, Length, Data, Crc };
  PcReply r;
  State state = WaitStart;
  std::uint8_t escape = 0;
  std::uint16_t crc = CrcInit;
  std::uint8_t flags = 0;
  int fieldBytes = 0;
  unsigned length = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    std::uint8_t c = line[i];
    r.consumed = i + 1;
    if (c == 0xFC) {
      r.data.clear();
      crc = CrcInit;
      state = PacketNo;
      continue;
    }
    if (c == 0xFE) {
      if (crc == 0) {
        r.result = 0;
        return r;
      }
      state = WaitStart;
      continue;
    }
    if (c == 0xFA) {
      escape = 0xF0;
      if (state != Crc) CrcUpdate(crc, 0xFA);
      continue;
    }
    if (state != Crc) CrcUpdate(crc, c);
    if (escape) {
      c = static_cast<std::uint8_t>(c + escape);
      escape = 0;
    }
    if (state == Crc) CrcUpdate(crc, c);
    switch (state) {
      case WaitStart:
      case Crc:
        break;
      case PacketNo:
        if (c != packetNo) {
          r.result = 9;
          r.consumed = line.size();  // drained until silence
          return r;
        }
        state = Address;
        break;
      case Address:
        r.address = c;
        state = Flags;
        break;
      case Flags:
        flags = c;
        fieldBytes = 0;
        state = Code;
        break;
      case Code:
        if ((flags & 0x10) && fieldBytes == 0) {
          r.code = c;
          fieldBytes = 1;
        } else {
          r.code = (flags & 0x10) ? static_cast<std::uint16_t>(r.code | (c << 8)) : c;
          fieldBytes = 0;
          state = Length;
        }
        break;
      case Length:
        if ((flags & 0x01) && fieldBytes == 0) {
          length = c;
          fieldBytes = 1;
          break;
        }
        length = (flags & 0x01) ? (length | (static_cast<unsigned>(c) << 8)) : c;
        if (length > 128) {
          r.result = 8;
          r.data.clear();
          return r;
        }
        state = length == 0 ? Crc : Data;
        break;
      case Data:
        r.data.push_back(c);
        if (r.data.size() == length) state = Crc;
        break;
    }
  }
  r.result = 6;
  return r;
}

}  // namespace q17::sim::test
