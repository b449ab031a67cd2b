#include "version/ElfSection.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>

namespace q17 {
namespace {

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint16_t kShnXindex = 0xFFFF;
// More sections than any linker writes; bounds the walk over a hostile table.
constexpr std::uint64_t kMaxSections = 1u << 20;

class TBufferSource final : public IByteSource {
 public:
  explicit TBufferSource(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}
  std::uint64_t Size() const override { return FBytes.size(); }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset > FBytes.size() || out.size() > FBytes.size() - offset) return false;
    std::copy_n(FBytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
  }

 private:
  std::span<const std::uint8_t> FBytes;
};

class TFileSource final : public IByteSource {
 public:
  explicit TFileSource(const std::string& path) : FIn(path, std::ios::binary) {
    if (FIn) {
      FIn.seekg(0, std::ios::end);
      const auto end = FIn.tellg();
      if (end >= 0) FSize = static_cast<std::uint64_t>(end);
    }
  }
  bool IsOpen() const { return static_cast<bool>(FIn); }
  std::uint64_t Size() const override { return FSize; }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset > FSize || out.size() > FSize - offset) return false;
    FIn.clear();
    FIn.seekg(static_cast<std::streamoff>(offset));
    FIn.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return FIn.gcount() == static_cast<std::streamsize>(out.size());
  }

 private:
  std::ifstream FIn;
  std::uint64_t FSize = 0;
};

// The field layout of one ELF class.
struct TLayout {
  bool Is64;
  bool BigEndian;
  std::size_t HeaderSize, ShOff, ShEntSize, ShNum, ShStrNdx;      // in the file header
  std::size_t SecSize, SecName, SecType, SecOffset, SecSizeField, SecLink;  // in a section header
  std::size_t Word;  // width of offsets and sizes
};

constexpr TLayout kElf32{false, false, 52, 0x20, 0x2E, 0x30, 0x32, 40, 0, 4, 16, 20, 24, 4};
constexpr TLayout kElf64{true, false, 64, 0x28, 0x3A, 0x3C, 0x3E, 64, 0, 4, 24, 32, 40, 8};

std::uint64_t Field(const TLayout& l, std::span<const std::uint8_t> b, std::size_t at, std::size_t width) {
  std::uint64_t v = 0;
  for (std::size_t k = 0; k < width; ++k) {
    const std::size_t i = l.BigEndian ? k : width - 1 - k;
    v = (v << 8) | b[at + i];
  }
  return v;
}

struct TSectionHeader {
  std::uint32_t Name = 0;
  std::uint32_t Type = 0;
  std::uint64_t Offset = 0;
  std::uint64_t Size = 0;
  std::uint32_t Link = 0;
};

class TElfReader {
 public:
  TElfReader(IByteSource& source, const TLayout& layout) : FSource(source), FL(layout) {}

  TElfSection Find(std::string_view name, std::size_t maxSize) {
    std::vector<std::uint8_t> header(FL.HeaderSize);
    if (!FSource.ReadAt(0, header)) return {TElfError::BadHeaders, {}};
    FShOff = Field(FL, header, FL.ShOff, FL.Word);
    FShEntSize = Field(FL, header, FL.ShEntSize, 2);
    std::uint64_t count = Field(FL, header, FL.ShNum, 2);
    std::uint64_t strIndex = Field(FL, header, FL.ShStrNdx, 2);
    if (FShOff == 0) return {TElfError::NotFound, {}};
    if (FShEntSize < FL.SecSize) return {TElfError::BadHeaders, {}};
    // Files with very many sections keep the count and the name table's index
    // in section 0.
    if (count == 0 || strIndex == kShnXindex) {
      const auto zero = Section(0);
      if (!zero) return {TElfError::BadHeaders, {}};
      if (count == 0) count = zero->Size;
      if (strIndex == kShnXindex) strIndex = zero->Link;
    }
    if (count > kMaxSections || strIndex >= count) return {TElfError::BadHeaders, {}};
    const auto names = Section(strIndex);
    if (!names || names->Type == kShtNobits || !Inside(names->Offset, names->Size)) return {TElfError::BadHeaders, {}};
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto s = Section(i);
      if (!s) return {TElfError::BadHeaders, {}};
      if (!NameIs(*names, s->Name, name)) continue;
      if (s->Type == kShtNobits || !Inside(s->Offset, s->Size)) return {TElfError::BadSection, {}};
      if (s->Size > maxSize) return {TElfError::TooLarge, {}};
      TElfSection found{TElfError::None, std::vector<std::uint8_t>(static_cast<std::size_t>(s->Size))};
      if (!FSource.ReadAt(s->Offset, found.Data)) return {TElfError::CannotRead, {}};
      return found;
    }
    return {TElfError::NotFound, {}};
  }

 private:
  bool Inside(std::uint64_t offset, std::uint64_t size) const {
    return offset <= FSource.Size() && size <= FSource.Size() - offset;
  }

  std::optional<TSectionHeader> Section(std::uint64_t index) {
    if (index > (UINT64_MAX - FShOff) / FShEntSize) return std::nullopt;
    std::vector<std::uint8_t> b(FL.SecSize);
    if (!FSource.ReadAt(FShOff + index * FShEntSize, b)) return std::nullopt;
    TSectionHeader s;
    s.Name = static_cast<std::uint32_t>(Field(FL, b, FL.SecName, 4));
    s.Type = static_cast<std::uint32_t>(Field(FL, b, FL.SecType, 4));
    s.Offset = Field(FL, b, FL.SecOffset, FL.Word);
    s.Size = Field(FL, b, FL.SecSizeField, FL.Word);
    s.Link = static_cast<std::uint32_t>(Field(FL, b, FL.SecLink, 4));
    return s;
  }

  // Whether the name table holds `name` followed by its NUL at `at`.
  bool NameIs(const TSectionHeader& names, std::uint32_t at, std::string_view name) {
    if (at >= names.Size || name.size() + 1 > names.Size - at) return false;
    std::vector<std::uint8_t> b(name.size() + 1);
    if (!FSource.ReadAt(names.Offset + at, b)) return false;
    return b.back() == 0 && std::memcmp(b.data(), name.data(), name.size()) == 0;
  }

  IByteSource& FSource;
  const TLayout FL;
  std::uint64_t FShOff = 0;
  std::uint64_t FShEntSize = 0;
};

}  // namespace

TElfSection ReadElfSection(IByteSource& source, std::string_view name, std::size_t maxSize) {
  std::uint8_t ident[6];
  if (!source.ReadAt(0, ident)) return {TElfError::NotElf, {}};
  if (ident[0] != 0x7F || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F') return {TElfError::NotElf, {}};
  if ((ident[4] != 1 && ident[4] != 2) || (ident[5] != 1 && ident[5] != 2)) return {TElfError::NotElf, {}};
  TLayout layout = ident[4] == 2 ? kElf64 : kElf32;
  layout.BigEndian = ident[5] == 2;
  return TElfReader(source, layout).Find(name, maxSize);
}

TElfSection ReadElfSection(std::span<const std::uint8_t> file, std::string_view name, std::size_t maxSize) {
  TBufferSource source(file);
  return ReadElfSection(source, name, maxSize);
}

TElfSection ReadElfSectionFromFile(const std::string& path, std::string_view name, std::size_t maxSize) {
  TFileSource source(path);
  if (!source.IsOpen()) return {TElfError::CannotRead, {}};
  return ReadElfSection(source, name, maxSize);
}

}  // namespace q17
