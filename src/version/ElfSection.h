#pragma once
// Reads one named section of an ELF file (32 or 64 bit, either byte order)
// with every offset and length checked against the file, reading only the
// headers, the name and the section itself.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

enum class TElfError {
  None,
  CannotRead,   // the file does not open or a read fails
  NotElf,       // no ELF identification
  BadHeaders,   // the header or section table does not fit the file
  NotFound,     // no section of that name
  BadSection,   // the section holds no bytes in the file or lies past its end
  TooLarge,     // the section is longer than the caller accepts
};

struct TElfSection {
  TElfError Error = TElfError::CannotRead;
  std::vector<std::uint8_t> Data;
};

// Random access to the bytes of a file or a buffer.
class IByteSource {
 public:
  virtual ~IByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` from `offset`; false unless every byte was read.
  virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

TElfSection ReadElfSection(IByteSource& source, std::string_view name, std::size_t maxSize);
TElfSection ReadElfSection(std::span<const std::uint8_t> file, std::string_view name, std::size_t maxSize);
TElfSection ReadElfSectionFromFile(const std::string& path, std::string_view name, std::size_t maxSize);

}  // namespace q17
