// The record from the program's own ELF section, queried with the core's
// bounds-checked reader.
#include <unistd.h>

#include "version/ElfSection.h"
#include "version/VerInf.h"

namespace q17 {

void TVersionInfo::Load() {
  FValid = false;
  FRecordSize = 0;
  FRecord.clear();
  TElfSection section = ReadElfSectionFromFile(FFileName, kVersionSectionName, kMaxVersionRecordSize);
  if (section.Error != TElfError::None || section.Data.empty()) return;
  FRecord = std::move(section.Data);
  FRecordSize = static_cast<std::int32_t>(FRecord.size());
  // A record cut short or not a version record at all is not read completely.
  FValid = TVersionRecordView(FRecord).Valid();
}

std::optional<std::uint32_t> TVersionInfo::Translation() const {
  if (!FValid) return std::nullopt;
  return TVersionRecordView(FRecord).Translation();
}

std::optional<TFixedFileInfo> TVersionInfo::FixedInfo() const {
  if (!FValid) return std::nullopt;
  return TVersionRecordView(FRecord).Fixed();
}

std::string TVersionInfo::StringValue(const std::string& key) const {
  if (!FValid) return {};
  const std::string tk = TranslationKey();
  if (tk.empty()) return {};
  return TVersionRecordView(FRecord).Text("\\StringFileInfo\\" + tk + "\\" + key).value_or(std::string{});
}

std::string RunningProgramFile() {
  // The link itself names the running program even after its file was
  // replaced, but the path is what the user recognises.
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return "/proc/self/exe";
  path.resize(static_cast<std::size_t>(n));
  return path;
}

}  // namespace q17
