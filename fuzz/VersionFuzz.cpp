// Version records and the ELF files that carry them: any bytes, at most a
// failed query.
#include <string>

#include "version/ElfSection.h"
#include "version/VersionRecord.h"

namespace {

void QueryAll(std::span<const std::uint8_t> bytes) {
  const q17::TVersionRecordView view(bytes);
  (void)view.Valid();
  (void)view.Fixed();
  (void)view.Translation();
  for (const char* key : {"ProductName", "FileVersion", "LegalCopyright", "Comments"}) {
    (void)view.Text(std::string("\\StringFileInfo\\041904E3\\") + key);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  QueryAll(bytes);
  const auto section = q17::ReadElfSection(bytes, ".q17version", q17::kMaxVersionRecordSize);
  if (section.Error == q17::TElfError::None) QueryAll(section.Data);
  return 0;
}
