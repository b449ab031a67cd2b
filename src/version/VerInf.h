#pragma once
// TVersionInfo: the version record of a program file, as the about box
// shows it. On Windows the VERSIONINFO resource, read with the system's
// version calls; elsewhere the same record, which the build stores in the
// ELF section ".q17version".
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "version/VersionRecord.h"

namespace q17 {

inline constexpr const char* kVersionSectionName = ".q17version";

class TVersionInfo {
 public:
  // Copies the name (UTF-8 on every system), then loads the record.
  explicit TVersionInfo(std::string fileName);

  const std::string& FileName() const { return FFileName; }
  // True when the record was read completely.
  bool Valid() const { return FValid; }
  // Size in bytes of the record, 0 when the file has none.
  std::int32_t RecordSize() const { return FRecordSize; }

  // The first entry of "\VarFileInfo\Translation" (language in the low half).
  std::optional<std::uint32_t> Translation() const;
  // The translation as language then code page, "041904E3"; empty without one.
  std::string TranslationKey() const;
  std::optional<TFixedFileInfo> FixedInfo() const;
  // The two file-version words of the fixed part, most significant first.
  std::optional<std::pair<std::uint32_t, std::uint32_t>> FileVersionNumbers() const;
  // The value of `key` in the string table of the translation, UTF-8; empty
  // when there is none.
  std::string StringValue(const std::string& key) const;

  std::string GetProductName() const { return StringValue("ProductName"); }
  // Falls back to the fixed part's numbers, "1.3.0.8", when the string is empty.
  std::string GetFileVersion() const;
  std::string GetLegalCopyright() const { return StringValue("LegalCopyright"); }
  std::string GetComments() const { return StringValue("Comments"); }

 private:
  void Load();

  std::string FFileName;
  bool FValid = false;
  std::int32_t FRecordSize = 0;
  std::vector<std::uint8_t> FRecord;
};

// The full path of the running program's file.
std::string RunningProgramFile();

}  // namespace q17
