#include "settings/ExportName.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(ExportName, AnExportNeverTakesASettingsFilesName) {
  const struct {
    const char* typed;
    const TExportFormat* format;
    const char* written;
  } table[] = {
      {"victim", &kLogExport, "victim.log"},
      {"/home/u/gate.set", &kCsvExport, "/home/u/gate.set.csv"},
      {"gate.SET", &kLogExport, "gate.SET.log"},
      {"trace.txt", &kLogExport, "trace.txt"},  // either of the log's extensions
      {"trace.LOG", &kLogExport, "trace.LOG"},
      {"events.csv. ", &kCsvExport, "events.csv"},  // Windows drops trailing dots and blanks
      {"gate.set. ", &kCsvExport, "gate.set.csv"},  // never "gate.set" once Windows has dropped them
      {"C:\\data.d\\events", &kCsvExport, "C:\\data.d\\events.csv"},  // a dot in a folder is no extension
      {"/tmp/.csv", &kCsvExport, "/tmp/.csv.csv"},
      {"", &kCsvExport, ""},
      {"/tmp/..", &kCsvExport, ""},
  };
  for (const auto& row : table) EXPECT_EQ(ExportFileName(row.typed, *row.format), row.written) << row.typed;
  EXPECT_EQ(ExportFilter(kLogExport), "Журнал обмена (*.log *.txt)");
}

}  // namespace
}  // namespace q17
