#pragma once
// The program-wide command state and one operation per reader command.
// Each operation fills the state's payload, runs one transaction with the
// reader at ReaderAddress and returns the link result if non-zero, else the
// reader's answer code if non-zero, else rcDataError when a read's reply is
// too short for what it reads, else 0 (having stored the reply).
#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "link/KvlInterface.h"
#include "reader/ReaderConfig.h"

namespace q17 {

// Command codes.
namespace cmd {
inline constexpr std::uint16_t SetRadioProfile1 = 10;
inline constexpr std::uint16_t SetRadioProfile2 = 11;
inline constexpr std::uint16_t WriteAtten1 = 12;
inline constexpr std::uint16_t WriteAtten2 = 13;
inline constexpr std::uint16_t ReadAtten1 = 18;
inline constexpr std::uint16_t ReadAtten2 = 19;
inline constexpr std::uint16_t WriteTagMemTime1 = 25;
inline constexpr std::uint16_t WriteTagMemTime2 = 26;
inline constexpr std::uint16_t ReadTagMemTime1 = 27;
inline constexpr std::uint16_t ReadTagMemTime2 = 28;
inline constexpr std::uint16_t ChangeAddress = 30;
inline constexpr std::uint16_t ReadVersion = 40;
inline constexpr std::uint16_t ReadTagCount1 = 80;
inline constexpr std::uint16_t ReadFirstTag1 = 81;
inline constexpr std::uint16_t ReadNextTag1 = 82;
inline constexpr std::uint16_t ReadTagCount2 = 83;
inline constexpr std::uint16_t ReadFirstTag2 = 84;
inline constexpr std::uint16_t ReadNextTag2 = 85;
inline constexpr std::uint16_t AuditClear = 120;
inline constexpr std::uint16_t AuditReadEvent = 122;
inline constexpr std::uint16_t WriteConfig = 150;
inline constexpr std::uint16_t ReadConfig = 151;
inline constexpr std::uint16_t AuditMode = 181;
inline constexpr std::uint16_t ReadSensors = 182;
inline constexpr std::uint16_t RadioTestStart = 183;
inline constexpr std::uint16_t RadioTestStop = 184;
inline constexpr std::uint16_t Echo = 200;
inline constexpr std::uint16_t SetTime = 201;
inline constexpr std::uint16_t SetDate = 202;
}  // namespace cmd

// The radio-channel profile the restore command sends to both channels.
inline constexpr std::array<std::uint8_t, 16> RadioProfile = {
    0x30, 0x30, 0x00, 0x00, 0x00, 0x00, 0x35, 0x00, 0x00, 0x00, 0x00, 0x35, 0x23, 0x6C, 0x65, 0x00};

struct TCommandState {
  std::int32_t ReaderAddress = 1;
  std::array<std::uint8_t, kMaxData> Payload{};
  std::uint16_t PayloadLength = 0;
  std::uint16_t CommandCode = 0;
  TReaderConfig Config{};
  std::uint16_t TMT_1 = kDefaultTagMemTime;
  std::uint16_t TMT_2 = kDefaultTagMemTime;
  std::uint8_t ATT_1 = kDefaultAttenuation;
  std::uint8_t ATT_2 = kDefaultAttenuation;
  std::int32_t TagCount1 = 0;
  std::int32_t TagCount2 = 0;
  std::string EtalonTag = "00 B1 FF 01";
  std::string TestTag = "00 B1 FF 03";
};

// A moment as the reader's clock takes it; DayOfWeek 1 = Sunday .. 7 = Saturday.
struct TReaderMoment {
  int Year = 2000;
  int Month = 1;
  int Day = 1;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int DayOfWeek = 7;
};
// One reading of the PC's local clock.
std::tm LocalTmNow();
TReaderMoment MomentFromTm(const std::tm& local);
TReaderMoment LocalMomentNow();

using TTagCode = std::array<std::uint8_t, 4>;

// Runs the transaction of the state's CommandCode / PayloadLength / Payload.
// Returns the link result, else the answer code.
int Exchange(TCommandState& s, TInterfList& link);

int ReadConfig(TCommandState& s, TInterfList& link);
int WriteConfig(TCommandState& s, TInterfList& link);
int ReadTagMemTime1(TCommandState& s, TInterfList& link);
int ReadTagMemTime2(TCommandState& s, TInterfList& link);
int WriteTagMemTime1(TCommandState& s, TInterfList& link);
int WriteTagMemTime2(TCommandState& s, TInterfList& link);
int ReadAtten1(TCommandState& s, TInterfList& link);
int ReadAtten2(TCommandState& s, TInterfList& link);
int WriteAtten1(TCommandState& s, TInterfList& link);
int WriteAtten2(TCommandState& s, TInterfList& link);
// The version text as the reader sends it, in Windows-1251 bytes.
int ReadVersionBytes(TCommandState& s, TInterfList& link, std::string& version);
// The version text converted to UTF-8 for display.
int ReadVersion(TCommandState& s, TInterfList& link, std::string& version);
int SetDateTime(TCommandState& s, TInterfList& link, const TReaderMoment& moment);
int SetRadioProfile(TCommandState& s, TInterfList& link, const std::array<std::uint8_t, 16>& profile,
                    int channelNo);
int ReadTagCount1(TCommandState& s, TInterfList& link);
int ReadTagCount2(TCommandState& s, TInterfList& link);
int ReadFirstTag1(TCommandState& s, TInterfList& link, TTagCode& tag);
int ReadNextTag1(TCommandState& s, TInterfList& link, TTagCode& tag);
int ReadFirstTag2(TCommandState& s, TInterfList& link, TTagCode& tag);
int ReadNextTag2(TCommandState& s, TInterfList& link, TTagCode& tag);

// Addresses a reader can be moved to.
inline constexpr int kMinNewAddress = 1;
inline constexpr int kMaxNewAddress = 127;

// Command 30: moves the reader at ReaderAddress to newAddress (payload n,
// 255 - n). On 0 ReaderAddress follows the reader to newAddress; an address
// outside 1..127 is refused with rcBadParameter before anything is sent.
int ChangeAddress(TCommandState& s, TInterfList& link, int newAddress);

}  // namespace q17
