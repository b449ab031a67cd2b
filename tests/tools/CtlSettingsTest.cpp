// q17ctl's settings-file commands against a scripted line: what goes to the
// reader, and what the user is told.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "CtlFixture.h"
#include "platform/TempDir.h"
#include "support/FileBytes.h"

namespace q17 {
namespace {

using test::Bytes;
using test::ReplyFrame;

class CtlSettings : public test::CtlFixture {
 protected:
  void SetUp() override {
    serial.names = {"/dev/ttyUSB0"};
    ASSERT_TRUE(dir.ok());
  }
  void ReplyConfig(const std::vector<std::uint8_t>& block, int tmt1, int tmt2, int att1, int att2) {
    Reply(0, block);
    Reply(0, Bytes({tmt1 & 0xFF, tmt1 >> 8}));
    Reply(0, Bytes({tmt2 & 0xFF, tmt2 >> 8}));
    Reply(0, Bytes({att1}));
    Reply(0, Bytes({att2}));
  }
  std::string File(const std::string& name, const std::string& text) {
    const std::string path = dir / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // The payload of a request frame whose bytes need no escaping.
  static std::vector<std::uint8_t> Payload(const std::vector<std::uint8_t>& frame) {
    return {frame.begin() + 6, frame.begin() + 6 + frame[5]};
  }

  test::TempDir dir;
};

// The reader's own marker 12 34, mode 3 and Wiegand interval 7.
const std::vector<std::uint8_t> kReaderBlock =
    Bytes({0x12, 0x34, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x03, 0x07});

// Every setting a reader gets, at the file's defaults.
const char* const kEveryKey =
    "[CHAN_1]\nWCT=10\nWAT=5\nGDT=20\nGOT=30\nTST=10\nOPT=8\n"
    "[CHAN_2]\nWCT=10\nWAT=5\nGDT=20\nGOT=30\nTST=10\nOPT=8\n"
    "[MEMORY]\nTMT_1=50\nTMT_2=50\n[ATTEN]\nATT_1=0\nATT_2=0\n";

TEST_F(CtlSettings, WriteConfigKeepsTheReadersOwnBytesAndClampsWhatNoPageCouldShow) {
  const std::string file = File("a.set",
                                "[COMMON]\nRDR_ADDR=9\n"
                                "[CHAN_1]\nWCT=0\nWAT=2\nGDT=3\nGOT=4\nTST=5\nOPT=$C1\n"
                                "[MEMORY]\nTMT_1=105\nTMT_2=300\n[ATTEN]\nATT_1=7\nATT_2=40\n");
  const auto written = Bytes({0x12, 0x34, 1, 2, 3, 4, 5, 0xC1, 10, 5, 20, 30, 10, 8, 0x03, 0x07});
  Reply(0, kReaderBlock);
  for (int i = 0; i < 5; ++i) Reply(0);
  ReplyConfig(written, 100, 300, 7, 31);
  EXPECT_EQ(Run({"write-config", file}), 0) << err.str();
  // What the file lacks is named with the default it takes.
  const std::string missing[][2] = {{"WCT", "10"}, {"WAT", "5"}, {"GDT", "20"}, {"GOT", "30"}, {"TST", "10"}, {"OPT", "8"}};
  std::string absent;
  for (const auto& [key, value] : missing) absent += "q17ctl: " + file + ": no " + key + " in [CHAN_2]; writing the default " + value + "\n";
  EXPECT_EQ(err.str(),
            absent +
            "q17ctl: " + file + ": CHAN_1.WCT=0 is out of range; writing 1\n"
            "q17ctl: " + file + ": TMT_1=105 is out of range; writing 100\n"
            "q17ctl: " + file + ": ATT_2=40 is out of range; writing 31\n");
  EXPECT_EQ(out.str(),
            "BLOCK=12 34 01 02 03 04 05 C1 0A 05 14 1E 0A 08 03 07\n"
            "TMT_1=100\nTMT_2=300\nATT_1=7\nATT_2=31\n");

  const auto& w = serial.line.writes;
  ASSERT_EQ(w.size(), 11u);
  const int codes[] = {151, 150, 25, 26, 12, 13, 151, 27, 28, 18, 19};
  for (std::size_t i = 0; i < w.size(); ++i) {
    EXPECT_EQ(w[i][2], 1) << "the file's RDR_ADDR does not redirect the request";
    EXPECT_EQ(w[i][4], codes[i]) << i;
  }
  EXPECT_EQ(Payload(w[1]), written);
  EXPECT_EQ(Payload(w[2]), Bytes({100, 0}));
  EXPECT_EQ(Payload(w[5]), Bytes({31}));
}

TEST_F(CtlSettings, WriteConfigFailsWhenTheReaderHoldsSomethingElse) {
  const std::string file = File("a.set", "[ATTEN]\nATT_1=7\n");
  Reply(0, kReaderBlock);
  for (int i = 0; i < 5; ++i) Reply(0);
  ReplyConfig(kReaderBlock, 100, 100, 6, 0);  // the file's channels are not the reader's either
  EXPECT_EQ(Run({"write-config", file}), 1);
  EXPECT_NE(err.str().find("q17ctl: the reader holds another configuration than was written\n"), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("read back:\n"), std::string::npos);
  EXPECT_EQ(out.str(), "");
}

TEST_F(CtlSettings, FailedExchangesAndFilesNameWhatWentWrong) {
  // A refused tag memory time skips channel 2 of that group; the attenuations
  // are still written, and nothing is read back.
  const std::string file = File("a.set", kEveryKey);
  Reply(0, kReaderBlock);
  Reply(0);
  Reply(20);
  Reply(0);
  Reply(0);
  EXPECT_EQ(Run({"write-config", file}), 1);
  EXPECT_EQ(err.str(), "Код = 20 / Недопустимый параметр\nОшибка установки времени памяти тага!\n");
  EXPECT_EQ(serial.line.writes.size(), 5u);

  // Every command answered, the read-back refused: the reader holds the
  // file, unchecked, and is not reported as left untouched.
  nextPacketNo = 0;
  Reply(0, kReaderBlock);
  for (int i = 0; i < 5; ++i) Reply(0);
  Reply(20);
  EXPECT_EQ(Run({"write-config", file}), 1);
  EXPECT_EQ(err.str().rfind("q17ctl: written, but reading it back to check it failed\nКод = 20 ", 0), 0u) << err.str();

  serial.line.writes.clear();
  EXPECT_EQ(Run({"write-config", dir / "none.set"}), 1);
  EXPECT_EQ(err.str(), "q17ctl: " + (dir / "none.set") + ": no such file\n");
  EXPECT_TRUE(serial.line.writes.empty()) << "nothing reaches a reader from a file that is not there";

  // A folder that takes no file: refused before the reader is asked.
  EXPECT_EQ(Run({"save-config", dir / "no/folder.set"}), 1);
  EXPECT_EQ(err.str().rfind("q17ctl: Unable to write to " + (dir / "no/folder.set") + ": ", 0), 0u) << err.str();
  EXPECT_TRUE(serial.line.writes.empty());

  for (const std::vector<std::string>& args : {std::vector<std::string>{"save-config"},
                                              std::vector<std::string>{"save-config", ""},
                                              std::vector<std::string>{"write-config", "a", "b"}}) {
    EXPECT_EQ(Run(args), 2);
  }

  // A program named by mistake gets no settings appended, and the reader is not asked.
  serial.line.writes.clear();
  const std::string program("MZ\x90\0\x03\0\0\0", 8);
  test::Put(dir / "tool.exe", program);
  EXPECT_EQ(Run({"save-config", dir / "tool.exe"}), 1);
  EXPECT_EQ(err.str(), "q17ctl: Unable to write to " + (dir / "tool.exe") + ": not a text file\n");
  EXPECT_TRUE(serial.line.writes.empty());
  EXPECT_EQ(test::Slurp(dir / "tool.exe"), program);
}

TEST_F(CtlSettings, WriteConfigRefusesAFileWithoutSettingsOrWithANumberItCannotReadWhole) {
  // Each file alone would have gone in as defaults or as a cut-off number.
  static constexpr char kUtf16Le[] = "\xFF\xFE[\0C\0H\0A\0N\0_\0001\0]\0\r\0\n\0W\0C\0T\0=\0001\0\r\0\n\0";
  static constexpr char kUtf16Be[] = "\xFE\xFF\0[\0C\0H";
  const struct {
    const char* name;
    std::string text;
    std::string says;  // after "q17ctl: "; FILE is the file's name
  } table[] = {
      {"empty", "", "no settings of this program in FILE"},
      {"random bytes", std::string("\x8F\x00\xC3=\x1B[2J\n\x01\xFE", 11), "no settings of this program in FILE"},
      {"only the address and the tag texts", "[COMMON]\nRDR_ADDR=5\n[R_TEST]\nETAL_TAG=00 01\n",
       "no settings of this program in FILE"},
      {"a misspelt section", "[ATEN]\nATT_1=3\n", "no settings of this program in FILE"},
      {"UTF-16, little-endian", std::string(kUtf16Le, sizeof kUtf16Le - 1), "FILE: UTF-16 text, not a settings file of this program"},
      {"UTF-16, big-endian", std::string(kUtf16Be, sizeof kUtf16Be - 1), "FILE: UTF-16 text, not a settings file of this program"},
      {"a system file", "/proc/self/status", "no settings of this program in FILE"},
  };
  for (const auto& row : table) {
    const std::string file = row.text.starts_with("/proc/") ? row.text : File("f.set", row.text);
    std::string says = row.says;
    says.replace(says.find("FILE"), 4, file);
    EXPECT_EQ(Run({"write-config", file}), 1) << row.name;
    EXPECT_EQ(err.str(), "q17ctl: " + says + "\n") << row.name;
  }

  // Every number that is not whole by the file's rules is named; a key the
  // reader never gets counts as well.
  const std::string file = File("typos.set",
                                "[COMMON]\nRDR_ADDR=one\n"
                                "[CHAN_1]\nWCT=1O\nWAT=5 sec\nGDT=20,5\nGOT=\nTST=0x\nOPT=$1B\n"
                                "[MEMORY]\nTMT_1=12.5\nTMT_2=99999999999\n"
                                "[ATTEN]\nATT_1=\x1B[31m\n");
  EXPECT_EQ(Run({"write-config", file}), 1);
  const std::string p = "q17ctl: " + file + ": ";
  EXPECT_EQ(err.str(), p + "RDR_ADDR=one in [COMMON] is not a whole number\n" +
                       p + "WCT=1O in [CHAN_1] is not a whole number\n" +
                       p + "WAT=5 sec in [CHAN_1] is not a whole number\n" +
                       p + "GDT=20,5 in [CHAN_1] is not a whole number\n" +
                       p + "GOT= in [CHAN_1] is not a whole number\n" +
                       p + "TST=0x in [CHAN_1] is not a whole number\n" +
                       p + "TMT_1=12.5 in [MEMORY] is not a whole number\n" +
                       p + "TMT_2=99999999999 in [MEMORY] is too large a number\n" +
                       p + "ATT_1=\\x1B[31m in [ATTEN] is not a whole number\n");
  EXPECT_TRUE(serial.line.writes.empty()) << "nothing reaches a reader from a file refused";
}

TEST_F(CtlSettings, SaveConfigKeepsTheTagTextsOfAnExistingFile) {
  const std::string file = File("a.set", "[R_TEST]\r\nETAL_TAG=\"00 A1 02 28\"\r\nTEST_TAG=00 A1 02 29\r\n");
  ReplyConfig(kReaderBlock, 100, 100, 0, 0);
  ASSERT_EQ(Run({"save-config", file}), 0) << err.str();
  const std::string saved = test::Slurp(file);
  EXPECT_EQ(saved.rfind("[R_TEST]\r\nETAL_TAG=\"00 A1 02 28\"\r\nTEST_TAG=00 A1 02 29\r\n[CREATION]", 0), 0u) << saved;
  EXPECT_EQ(saved.find("00 B1 FF"), std::string::npos) << saved;

  nextPacketNo = 0;
  ReplyConfig(kReaderBlock, 100, 100, 0, 0);
  ASSERT_EQ(Run({"save-config", dir / "new.set"}), 0) << err.str();
  EXPECT_NE(test::Slurp(dir / "new.set").find("[R_TEST]\r\nETAL_TAG=00 B1 FF 01\r\nTEST_TAG=00 B1 FF 03\r\n"),
            std::string::npos);
}

// SAVED= names the file as the system wrote it: Windows drops a trailing dot.
TEST_F(CtlSettings, SaveConfigNamesTheFileItWrote) {
#ifdef _WIN32
  const std::string written = dir / "gate.set";
#else
  const std::string written = dir / "gate.set.";
#endif
  ReplyConfig(kReaderBlock, 100, 100, 0, 0);
  ASSERT_EQ(Run({"save-config", dir / "gate.set."}), 0) << err.str();
  EXPECT_NE(out.str().find("\nSAVED=" + written + "\n"), std::string::npos) << out.str();
  EXPECT_TRUE(std::filesystem::exists(written));
}

}  // namespace
}  // namespace q17
