// The telnet / COM-PORT-CONTROL codec against the byte layouts of RFC 2217.
#include "platform/Rfc2217.h"

#include <gtest/gtest.h>

#include <vector>

namespace q17::telnet {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Rfc2217Test, CommandsAreLaidOutAsTheRfcShowsThem) {
  Bytes out;
  AppendSetBaudRate(out, 9600);
  EXPECT_EQ(out, (Bytes{255, 250, 44, 1, 0x00, 0x00, 0x25, 0x80, 255, 240}));

  // A value byte of 0xFF is doubled inside the subnegotiation too.
  out.clear();
  AppendSetBaudRate(out, 0x0000FFFF);
  EXPECT_EQ(out, (Bytes{255, 250, 44, 1, 0, 0, 255, 255, 255, 255, 255, 240}));

  out.clear();
  AppendComPortByte(out, ComCmd::SetDataSize, 8);
  AppendComPortByte(out, ComCmd::SetParity, kParityNone);
  AppendComPortByte(out, ComCmd::SetStopSize, 1);
  AppendComPortByte(out, ComCmd::SetControl, kControlNoFlow);
  AppendComPortByte(out, ComCmd::PurgeData, kPurgeBoth);
  EXPECT_EQ(out, (Bytes{255, 250, 44, 2, 8, 255, 240, 255, 250, 44, 3, 1, 255, 240, 255, 250, 44, 4, 1, 255, 240,
                        255, 250, 44, 5, 1, 255, 240, 255, 250, 44, 12, 3, 255, 240}));

  out.clear();
  AppendNegotiation(out, kWill, kOptComPort);
  EXPECT_EQ(out, (Bytes{255, 251, 44}));
}

TEST(Rfc2217Test, DataIsEscapedAndUnescapedBothWays) {
  const Bytes line{0x01, 0xFF, 0xFF, 0x7E, 0xFF};
  Bytes wire;
  AppendEscaped(wire, line.data(), line.size());
  EXPECT_EQ(wire, (Bytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7E, 0xFF, 0xFF}));

  // Split anywhere, even between the two halves of a doubled 0xFF.
  for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
    TClientDecoder decoder;
    Bytes data;
    decoder.Feed(wire.data(), cut, data);
    decoder.Feed(wire.data() + cut, wire.size() - cut, data);
    EXPECT_EQ(data, line) << "cut at " << cut;
    EXPECT_TRUE(decoder.Outgoing().empty());
  }
}

TEST(Rfc2217Test, ServerAnswersAreRecordedAndNotificationsKeptApartFromData) {
  TClientDecoder decoder;
  const Bytes wire{0x41,
                   255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240,  // baud 9600
                   255, 250, 44, 102, 8, 255, 240,                 // 8 data bits
                   255, 250, 44, 103, 1, 255, 240,                 // no parity
                   255, 250, 44, 104, 1, 255, 240,                 // 1 stop bit
                   255, 250, 44, 105, 1, 255, 240,                 // no flow control
                   255, 250, 44, 112, 3, 255, 240,                 // purged both
                   255, 250, 44, 106, 0x60, 255, 240,              // line state
                   255, 250, 44, 107, 0x30, 255, 240,              // modem state
                   0x42};
  Bytes data;
  decoder.Feed(wire.data(), wire.size(), data);
  EXPECT_EQ(data, (Bytes{0x41, 0x42}));
  const TComReplies& r = decoder.Replies();
  EXPECT_EQ(r.Baud, 9600u);
  EXPECT_EQ(r.DataSize, 8);
  EXPECT_EQ(r.Parity, kParityNone);
  EXPECT_EQ(r.StopSize, 1);
  EXPECT_EQ(r.Control, kControlNoFlow);
  EXPECT_EQ(r.Purge, kPurgeBoth);
  EXPECT_EQ(r.LineState, 0x60);
  EXPECT_EQ(r.ModemState, 0x30);
}

TEST(Rfc2217Test, NegotiationIsAnsweredOnceAndEchoDeclined) {
  TClientDecoder decoder;
  decoder.NoteSent(kWill, kOptComPort);
  decoder.NoteSent(kDo, kOptBinary);
  Bytes data;
  // The server agrees to what we asked, asks for binary from us, and offers echo.
  const Bytes wire{255, 253, 44, 255, 251, 0, 255, 253, 0, 255, 251, 1, 255, 253, 24};
  decoder.Feed(wire.data(), wire.size(), data);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(decoder.Outgoing(), (Bytes{255, 251, 0, 255, 254, 1, 255, 252, 24}));
  decoder.Outgoing().clear();
  // Asked again: nothing more to say.
  decoder.Feed(wire.data(), 9, data);
  EXPECT_TRUE(decoder.Outgoing().empty());
  EXPECT_FALSE(decoder.ComPortRefused());

  const Bytes refuse{255, 254, 44};
  decoder.Feed(refuse.data(), refuse.size(), data);
  EXPECT_TRUE(decoder.ComPortRefused());
  EXPECT_EQ(decoder.Outgoing(), (Bytes{255, 252, 44}));
}

TEST(Rfc2217Test, MalformedAnswersAreIgnoredAndALongSubnegotiationBounded) {
  TClientDecoder decoder;
  Bytes wire{255, 250, 44, 101, 0, 0x25, 0x80, 255, 240,  // a baud rate of three bytes
             255, 250, 44, 102, 255, 240,                 // a data size without a value
             255, 250, 45, 102, 8, 255, 240};             // another option
  wire.insert(wire.end(), {255, 250, 44, 106});
  wire.insert(wire.end(), 10000, 0x11);
  wire.insert(wire.end(), {255, 240, 0x55});
  Bytes data;
  decoder.Feed(wire.data(), wire.size(), data);
  EXPECT_EQ(data, (Bytes{0x55}));
  EXPECT_FALSE(decoder.Replies().Baud);
  EXPECT_FALSE(decoder.Replies().DataSize);
  EXPECT_FALSE(decoder.Replies().LineState);
}

}  // namespace
}  // namespace q17::telnet
