#include "platform/Rfc2217.h"

namespace q17::telnet {
namespace {

// No COM-PORT answer is longer than a baud rate; a longer subnegotiation is
// kept only up to here, so a hostile server cannot grow it without bound.
constexpr std::size_t kMaxSub = 64;

bool Wanted(std::uint8_t option) { return option == kOptBinary || option == kOptSga; }

}  // namespace

void AppendEscaped(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(data[i]);
    if (data[i] == kIac) out.push_back(kIac);
  }
}

void AppendNegotiation(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option) {
  out.insert(out.end(), {kIac, verb, option});
}

void AppendComPort(std::vector<std::uint8_t>& out, ComCmd command, const std::uint8_t* value, std::size_t size) {
  out.insert(out.end(), {kIac, kSb, kOptComPort, static_cast<std::uint8_t>(command)});
  AppendEscaped(out, value, size);
  out.insert(out.end(), {kIac, kSe});
}

void AppendSetBaudRate(std::vector<std::uint8_t>& out, std::uint32_t baud) {
  const std::uint8_t value[4] = {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                 static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
  AppendComPort(out, ComCmd::SetBaudRate, value, sizeof value);
}

void AppendComPortByte(std::vector<std::uint8_t>& out, ComCmd command, std::uint8_t value) {
  AppendComPort(out, command, &value, 1);
}

TClientDecoder::TClientDecoder() { FSub.reserve(kMaxSub); }

void TClientDecoder::NoteSent(std::uint8_t verb, std::uint8_t option) {
  if (verb == kWill) FWeWill[option] = true;
  if (verb == kDo) FTheyWill[option] = true;
}

void TClientDecoder::Feed(const std::uint8_t* in, std::size_t size, std::vector<std::uint8_t>& data) {
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = in[i];
    switch (FState) {
      case State::Data:
        if (b == kIac) {
          FState = State::Iac;
        } else {
          data.push_back(b);
        }
        break;
      case State::Iac:
        if (b == kIac) {
          data.push_back(kIac);
          FState = State::Data;
        } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
          FVerb = b;
          FState = State::Verb;
        } else if (b == kSb) {
          FSub.clear();
          FState = State::Sub;
        } else {
          // NOP, GA, a stray SE and the rest carry nothing for a serial line.
          FState = State::Data;
        }
        break;
      case State::Verb:
        OnVerb(FVerb, b);
        FState = State::Data;
        break;
      case State::Sub:
        if (b == kIac) {
          FState = State::SubIac;
        } else if (FSub.size() < kMaxSub) {
          FSub.push_back(b);
        }
        break;
      case State::SubIac:
        if (b == kSe) {
          OnSub();
          FState = State::Data;
        } else {
          // IAC IAC is a 0xFF of the value; anything else after IAC inside a
          // subnegotiation is a broken server: keep the byte, as most ends do.
          if (FSub.size() < kMaxSub) FSub.push_back(b);
          FState = State::Sub;
        }
        break;
    }
  }
}

void TClientDecoder::OnVerb(std::uint8_t verb, std::uint8_t option) {
  switch (verb) {
    case kDo:
      if (option == kOptComPort || Wanted(option)) {
        if (!FWeWill[option]) {
          FWeWill[option] = true;
          AppendNegotiation(FOut, kWill, option);
        }
      } else {
        AppendNegotiation(FOut, kWont, option);
      }
      break;
    case kDont:
      if (option == kOptComPort) FComPortRefused = true;
      if (FWeWill[option]) {
        FWeWill[option] = false;
        AppendNegotiation(FOut, kWont, option);
      }
      break;
    case kWill:
      if (Wanted(option)) {
        if (!FTheyWill[option]) {
          FTheyWill[option] = true;
          AppendNegotiation(FOut, kDo, option);
        }
      } else {
        // Above all ECHO: a server echoing our requests would feed them
        // back to us as the reader's reply.
        AppendNegotiation(FOut, kDont, option);
      }
      break;
    case kWont:
      if (FTheyWill[option]) {
        FTheyWill[option] = false;
        AppendNegotiation(FOut, kDont, option);
      }
      break;
    default:
      break;
  }
}

void TClientDecoder::OnSub() {
  if (FSub.size() < 2 || FSub[0] != kOptComPort) return;
  const std::uint8_t command = FSub[1];
  const std::uint8_t* value = FSub.data() + 2;
  const std::size_t size = FSub.size() - 2;
  if (command < kServerOffset) return;
  const auto cmd = static_cast<ComCmd>(command - kServerOffset);
  if (cmd == ComCmd::SetBaudRate) {
    if (size == 4) {
      FReplies.Baud = (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) |
                      (std::uint32_t{value[2]} << 8) | std::uint32_t{value[3]};
    }
    return;
  }
  if (size != 1) return;
  switch (cmd) {
    case ComCmd::SetDataSize:
      FReplies.DataSize = value[0];
      break;
    case ComCmd::SetParity:
      FReplies.Parity = value[0];
      break;
    case ComCmd::SetStopSize:
      FReplies.StopSize = value[0];
      break;
    case ComCmd::SetControl:
      FReplies.Control = value[0];
      break;
    case ComCmd::PurgeData:
      FReplies.Purge = value[0];
      break;
    case ComCmd::NotifyLineState:
      FReplies.LineState = value[0];
      break;
    case ComCmd::NotifyModemState:
      FReplies.ModemState = value[0];
      break;
    default:
      break;
  }
}

}  // namespace q17::telnet
