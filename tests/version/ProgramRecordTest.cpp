// The record lives in the program file: a changed record is what the
// program reads at its next start.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "version/VersionRecordWriter.h"

namespace q17 {
namespace {

std::string RunCommand(const std::string& command) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    EXPECT_EQ(pclose(p), 0) << command;
  }
  return out;
}

TEST(ProgramRecord, ReplacingTheRecordTakesEffectAtTheNextStart) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(testing::TempDir()) / "program_record";
  fs::create_directories(dir);
  const fs::path program = dir / "probe";
  fs::copy_file(VERSION_PROBE_PATH, program, fs::copy_options::overwrite_existing);

  EXPECT_EQ(RunCommand(program.string()), std::string("1\n") + Q17_PRODUCT_NAME + "\n" + Q17_FILE_VERSION + "\n" +
                                       Q17_LEGAL_COPYRIGHT + "\n" + Q17_COMMENTS + "\n");

  TVersionRecordData d;
  d.FileVersion = {2, 5, 1, 77};
  d.Strings = {{"ProductName", "Renamed"}, {"LegalCopyright", "Someone else"}, {"Comments", "Другой текст"}};
  const auto record = BuildVersionRecord(d);
  const fs::path recordFile = dir / "record.bin";
  std::ofstream(recordFile, std::ios::binary)
      .write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
  RunCommand(std::string(OBJCOPY_PATH) + " --update-section .q17version=" + recordFile.string() + " " + program.string());

  EXPECT_EQ(RunCommand(program.string()), "1\nRenamed\n2.5.1.77\nSomeone else\nДругой текст\n");

  // Without the section the program still starts and reads no record.
  RunCommand(std::string(OBJCOPY_PATH) + " --remove-section .q17version " + program.string());
  EXPECT_EQ(RunCommand(program.string()), "0\n\n\n\n\n");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace q17
