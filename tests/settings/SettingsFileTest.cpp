#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "platform/TempDir.h"
#include "support/FileBytes.h"
#ifndef _WIN32
#include "support/RussianLocale.h"
#endif

namespace q17 {
namespace {

namespace fs = std::filesystem;

using test::Put;
using test::Slurp;

std::string WithLineEnd(std::string text, const std::string& eol) {
  std::string out;
  for (char c : text) out += c == '\n' ? eol : std::string(1, c);
  return out;
}

TSettingsSave Save(const std::string& file, const TCommandState& s, const TBeforeRename& hook = {}) {
  return SaveSettingsFile(file, s, s.EtalonTag, s.TestTag, "07.12.2026 22:40:00", hook);
}

TEST(SettingsFile, ANewFileHoldsEverySectionAndKeyInOrder) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  TCommandState s;
  s.ReaderAddress = 12;
  const TSettingsSave r = SaveSettingsFile(dir / "new.set", s, "00 A1 02 28", "Тест", "07.12.2026 22:40:00");
  EXPECT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(Slurp(dir / "new.set"),
            "[CREATION]\r\nDATE-TIME=07.12.2026 22:40:00\r\n"
            "[COMMON]\r\nRDR_ADDR=12\r\n"
            "[CHAN_1]\r\nWCT=10\r\nWAT=5\r\nGDT=20\r\nGOT=30\r\nTST=30\r\nOPT=8\r\n"
            "[CHAN_2]\r\nWCT=10\r\nWAT=5\r\nGDT=20\r\nGOT=30\r\nTST=30\r\nOPT=8\r\n"
            "[MEMORY]\r\nTMT_1=100\r\nTMT_2=100\r\n"
            "[R_TEST]\r\nETAL_TAG=00 A1 02 28\r\nTEST_TAG=\xD2\xE5\xF1\xF2\r\n"
            "[ATTEN]\r\nATT_1=0\r\nATT_2=0\r\n");
}

TEST(SettingsFile, SavedValuesLoadBackAndLoadingKeepsMarkerModeAndWiegand) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  TCommandState s;
  s.ReaderAddress = 200;
  s.Config.Channel[0] = {1, 2, 3, 4, 5, 0xFF};
  s.Config.Channel[1] = {255, 254, 253, 252, 0, 0x80};
  s.TMT_1 = 2400;
  s.TMT_2 = 65535;
  s.ATT_1 = 31;
  s.ATT_2 = 255;
  s.EtalonTag = "00 A1 02 28";
  s.TestTag = "не тег";
  ASSERT_TRUE(Save(dir / "a.set", s).Ok);

  TCommandState t;
  t.Config.Marker = {1, 2};
  t.Config.Mode = 7;
  t.Config.WiegandInterval = 99;
  EXPECT_EQ(LoadSettingsFile(dir / "a.set", t), TSettingsLoad::Read);
  EXPECT_EQ(t.ReaderAddress, 200);
  EXPECT_EQ(t.Config.Channel, s.Config.Channel);
  EXPECT_EQ(t.Config.Marker, (std::array<std::uint8_t, 2>{1, 2}));
  EXPECT_EQ(t.Config.Mode, 7);
  EXPECT_EQ(t.Config.WiegandInterval, 99);
  EXPECT_EQ(std::tie(t.TMT_1, t.TMT_2, t.ATT_1, t.ATT_2), std::tie(s.TMT_1, s.TMT_2, s.ATT_1, s.ATT_2));
  EXPECT_EQ(t.EtalonTag, s.EtalonTag);
  EXPECT_EQ(t.TestTag, s.TestTag);
}

TEST(SettingsFile, ForeignFilesKeepWhatTheProgramDoesNotName) {
  // Odd case, hexadecimal values, Windows-1251 bytes, a comment, a key the
  // program does not know and blank lines between sections.
  const std::string before =
      "; by hand\n"
      "[creation]\n"
      "date-time=old\n"
      "[\xC2\xF5\xEE\xE4]\n"                          // [Вход]
      "\xC2\xEE\xF0\xEE\xF2\xE0=\xD1\xE5\xE2\xE5\xF0\n"  // Ворота=Север
      "[chan_1]\n"
      "wct = 0x1E\n"
      "Extra=keep me\n"
      "\n"
      "[Atten]\n"
      "att_1=$1F\n";
  const std::string after =
      "; by hand\n"
      "[creation]\n"
      "date-time=07.12.2026 22:40:00\n"
      "[\xC2\xF5\xEE\xE4]\n"
      "\xC2\xEE\xF0\xEE\xF2\xE0=\xD1\xE5\xE2\xE5\xF0\n"
      "[chan_1]\n"
      "wct = 30\n"
      "Extra=keep me\n"
      "WAT=5\nGDT=20\nGOT=30\nTST=10\nOPT=8\n"
      "\n"
      "[Atten]\n"
      "att_1=31\n"
      "ATT_2=0\n"
      "[COMMON]\nRDR_ADDR=1\n"
      "[CHAN_2]\nWCT=10\nWAT=5\nGDT=20\nGOT=30\nTST=10\nOPT=8\n"
      "[MEMORY]\nTMT_1=10\nTMT_2=10\n"
      "[R_TEST]\nETAL_TAG=00 FF FF 01\nTEST_TAG=00 FF FF 02\n";
  for (const std::string eol : {"\n", "\r\n"}) {
    test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    Put(dir / "f.set", WithLineEnd(before, eol));
    TCommandState s;
    ASSERT_EQ(LoadSettingsFile(dir / "f.set", s), TSettingsLoad::Read);
    EXPECT_EQ(s.Config.Channel[0].WCT, 30);
    EXPECT_EQ(s.ATT_1, 31);
    ASSERT_TRUE(Save(dir / "f.set", s).Ok);
    EXPECT_EQ(Slurp(dir / "f.set"), WithLineEnd(after, eol)) << (eol == "\n" ? "LF" : "CR LF");
  }
}

TEST(SettingsFile, MissingAndBadValuesTakeTheFilesOwnDefaults) {
  const TChannelConfig fileDefaults{10, 5, 20, 30, 10, 8};
  const struct {
    const char* name;
    const char* text;
    std::int32_t address;
    TChannelConfig channel1;
    std::uint16_t tmt1;
    std::uint8_t att2;
  } table[] = {
      {"only the address", "[COMMON]\r\nRDR_ADDR=5\r\n", 5, fileDefaults, 10, 0},
      {"numbers and their low bits",
       "[common]\nrdr_addr=-3\n[CHAN_1]\nWCT=0x1E\nWAT=$1E\nGDT=abc\nGOT=300\nOPT=-1\nTST=0x\n"
       "[MEMORY]\nTMT_1=70000\n[ATTEN]\nATT_2=0X20\n",
       -3, {30, 30, 20, 44, 10, 255}, 4464, 32},
      {"not a settings file at all", "\x7F" "ELF\x02\x01\x01\0\0\0", 1, fileDefaults, 10, 0},
  };
  for (const auto& row : table) {
    test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    Put(dir / "f.set", std::string(row.text, std::char_traits<char>::length(row.text)));
    TCommandState s;
    s.Config.Channel[1] = {1, 1, 1, 1, 1, 1};
    s.ATT_1 = 9;
    s.TMT_2 = 9;
    EXPECT_EQ(LoadSettingsFile(dir / "f.set", s), TSettingsLoad::Read) << row.name;
    EXPECT_EQ(s.ReaderAddress, row.address) << row.name;
    EXPECT_EQ(s.Config.Channel[0], row.channel1) << row.name;
    EXPECT_EQ(s.Config.Channel[1], fileDefaults) << row.name;
    EXPECT_EQ(s.TMT_1, row.tmt1) << row.name;
    EXPECT_EQ(s.TMT_2, 10) << row.name;
    EXPECT_EQ(s.ATT_1, 0) << row.name;
    EXPECT_EQ(s.ATT_2, row.att2) << row.name;
    EXPECT_EQ(s.EtalonTag, "00 FF FF 01") << row.name;
    EXPECT_EQ(s.TestTag, "00 FF FF 02") << row.name;
  }
}

TEST(SettingsFile, FilesThatCannotBeReadOrAreUtf16LoadAsDefaultsAndSayWhy) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  TCommandState s;
  s.ReaderAddress = 9;
  std::string reason;
  EXPECT_EQ(LoadSettingsFile(dir / "none.set", s, &reason), TSettingsLoad::Missing);
  EXPECT_EQ(reason, "no such file");
  EXPECT_EQ(s.ReaderAddress, 1);
  s.ReaderAddress = 9;
  EXPECT_EQ(LoadSettingsFile(dir.path(), s, &reason), TSettingsLoad::Unreadable);
  EXPECT_EQ(reason, "not a regular file");
  EXPECT_EQ(s.ReaderAddress, 1);
  EXPECT_EQ(s.TMT_1, 10);

  // Notepad's "Unicode": loads as defaults, and no save mixes other text into it.
  const std::string utf16("\xFF\xFE[\0C\0O\0M\0M\0O\0N\0]\0\n\0R\0D\0R\0_\0A\0D\0D\0R\0=\0009\0", 40);
  Put(dir / "u.set", utf16);
  s.ReaderAddress = 9;
  EXPECT_EQ(LoadSettingsFile(dir / "u.set", s, &reason), TSettingsLoad::NotSettings);
  EXPECT_EQ(reason, "UTF-16 text, not a settings file of this program");
  EXPECT_EQ(s.ReaderAddress, 1);
  const TSettingsSave saved = Save(dir / "u.set", s);
  EXPECT_FALSE(saved.Ok);
  EXPECT_EQ(saved.Reason, "UTF-16 text, not a settings file of this program");
  EXPECT_EQ(Slurp(dir / "u.set"), utf16);
}

TEST(SettingsFile, ASaveReplacesTheFileOnceAndAFailureLeavesTheOldFileWhole) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string file = dir / "f.set";
  const std::string old = "[R_TEST]\r\nETAL_TAG=x\r\n[COMMON]\r\nRDR_ADDR=7\r\n";
  Put(file, old);
  TCommandState s;
  int replacements = 0;
  const TSettingsSave r = Save(file, s, [&] { return ++replacements > 1; });
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, "Unable to write to " + file);
  EXPECT_EQ(replacements, 1);
  EXPECT_EQ(Slurp(file), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  ASSERT_TRUE(Save(file, s, [&] { return ++replacements > 1; }).Ok);
  EXPECT_EQ(replacements, 2);

  const TSettingsSave nowhere = Save(dir / "no/such/folder.set", s);
  EXPECT_FALSE(nowhere.Ok);
  EXPECT_EQ(nowhere.Message, "Unable to write to " + (dir / "no/such/folder.set"));
  EXPECT_FALSE(nowhere.Reason.empty());

  // A program or a picture chosen by mistake gets no settings appended.
  const std::string program("MZ\x90\0\x03\0\0\0\x04\0", 10);
  Put(dir / "tool.exe", program);
  const TSettingsSave notText = Save(dir / "tool.exe", s);
  EXPECT_FALSE(notText.Ok);
  EXPECT_EQ(notText.Reason, "not a text file");
  EXPECT_EQ(Slurp(dir / "tool.exe"), program);
}

TEST(SettingsFile, ANameFromTheDialogFollowsTheSystemsNamingRules) {
  const struct {
    const char* chosen;
    const char* windows;
    const char* elsewhere;
  } table[] = {
      {"gate", "gate.set", "gate.set"},
      {"gate.set", "gate.set", "gate.set"},
      {"gate.set.", "gate.set", "gate.set."},
      {"C:\\Users\\me\\gate. .", "C:\\Users\\me\\gate.set", "C:\\Users\\me\\gate. ."},
      {"C:/my.folder/gate", "C:/my.folder/gate.set", "C:/my.folder/gate.set"},
      {"gate.txt", "gate.txt", "gate.txt"},
      {"..", "..", ".."},
  };
  for (const auto& row : table) {
    EXPECT_EQ(SettingsFileName(row.chosen, true), row.windows) << row.chosen;
    EXPECT_EQ(SettingsFileName(row.chosen, false), row.elsewhere) << row.chosen;
  }
}

#ifdef _WIN32
TEST(SettingsFile, WindowsDevicesAndFilesInUseAreNamedAsSuch) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  TCommandState s;
  std::string reason;
  for (const char* device : {"com5.set", "NUL", "CON"}) {
    const TSettingsSave saved = Save(dir / device, s);
    EXPECT_FALSE(saved.Ok) << device;
    EXPECT_EQ(saved.Reason, "a device, not a file") << device;
    EXPECT_EQ(LoadSettingsFile(dir / device, s, &reason), TSettingsLoad::Unreadable) << device;
    EXPECT_EQ(reason, "a device, not a file") << device;
  }

  // As a spreadsheet holds the file it has open.
  const std::string file = dir / "held.set";
  Put(file, "[COMMON]\r\nRDR_ADDR=3\r\n");
  const HANDLE held = CreateFileW(fs::path(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Save(file, s).Reason, "in use by another program");
  EXPECT_EQ(LoadSettingsFile(file, s, &reason), TSettingsLoad::Unreadable);
  EXPECT_EQ(reason, "in use by another program");
  CloseHandle(held);
  EXPECT_EQ(Slurp(file), "[COMMON]\r\nRDR_ADDR=3\r\n");
}
#endif

#ifndef _WIN32
// The moment of saving in the user's forms, day first where the user reads
// it so; where the environment names a locale the system lacks, a form that
// no reader takes the wrong way round. (On Windows, the regional settings'
// forms: q17ctl's end-to-end test under Wine.)
TEST(SettingsFile, TheMomentOfSavingIsWrittenInTheUsersForms) {
  const std::string locales = test::RussianLocalePath();
  if (locales.empty()) GTEST_SKIP() << "no ru_RU locale could be made (localedef and the locales package)";
  std::tm moment{};
  moment.tm_year = 126;
  moment.tm_mon = 11;
  moment.tm_mday = 8;
  moment.tm_hour = 9;
  moment.tm_min = 5;
  moment.tm_wday = 2;
  const struct {
    const char* locale;
    const char* text;
  } table[] = {
      {test::kRussianLocale, "08.12.2026 09:05:00"},
      {"C", "12/08/26 09:05:00"},
      {"xx_XX.UTF-8", "2026-12-08 09:05:00"},
  };
  const auto keep = [](const char* name) { return std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt; };
  const auto put = [](const char* name, const std::optional<std::string>& value) {
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  };
  const auto allWas = keep("LC_ALL");
  const auto pathWas = keep("LOCPATH");
  setenv("LOCPATH", locales.c_str(), 1);
  for (const auto& row : table) {
    setenv("LC_ALL", row.locale, 1);
    EXPECT_EQ(CreationDateTimeText(moment), row.text) << row.locale;
  }
  put("LC_ALL", allWas);
  put("LOCPATH", pathWas);
}
#endif

}  // namespace
}  // namespace q17
