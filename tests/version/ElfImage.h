#pragma once
// Small ELF files for tests: a header, the sections' bytes, the name table
// and the section table, in either class and byte order, with the offsets of
// the fields that damage tests patch.
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace q17::test {

struct TElfImage {
  bool Is64 = true;
  bool BigEndian = false;
  std::vector<std::uint8_t> Bytes;
  std::size_t ShOff = 0;       // where the section table starts
  std::size_t ShEntSize = 0;

  // Field offsets in the file header.
  std::size_t ShOffField() const { return Is64 ? 0x28 : 0x20; }
  std::size_t ShEntSizeField() const { return Is64 ? 0x3A : 0x2E; }
  std::size_t ShNumField() const { return Is64 ? 0x3C : 0x30; }
  std::size_t ShStrNdxField() const { return Is64 ? 0x3E : 0x32; }
  std::size_t Word() const { return Is64 ? 8 : 4; }
  // Field offsets of section `i`'s header.
  std::size_t SecName(std::size_t i) const { return ShOff + i * ShEntSize; }
  std::size_t SecType(std::size_t i) const { return SecName(i) + 4; }
  std::size_t SecOffset(std::size_t i) const { return SecName(i) + (Is64 ? 24 : 16); }
  std::size_t SecSize(std::size_t i) const { return SecName(i) + (Is64 ? 32 : 20); }
  std::size_t SecLink(std::size_t i) const { return SecName(i) + (Is64 ? 40 : 24); }

  void Put(std::size_t at, std::size_t width, std::uint64_t v) {
    for (std::size_t k = 0; k < width; ++k) {
      const std::size_t i = BigEndian ? width - 1 - k : k;
      Bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * k));
    }
  }

  void Save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  }
};

// Section 0 is the null section, then `sections` in order, then ".shstrtab".
inline TElfImage MakeElf(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& sections,
                         bool is64 = true, bool bigEndian = false) {
  TElfImage img;
  img.Is64 = is64;
  img.BigEndian = bigEndian;
  const std::size_t header = is64 ? 64 : 52;
  img.ShEntSize = is64 ? 64 : 40;
  img.Bytes.assign(header, 0);
  img.Bytes[0] = 0x7F, img.Bytes[1] = 'E', img.Bytes[2] = 'L', img.Bytes[3] = 'F';
  img.Bytes[4] = is64 ? 2 : 1;
  img.Bytes[5] = bigEndian ? 2 : 1;
  img.Bytes[6] = 1;

  std::vector<std::uint8_t> names{0};
  std::vector<std::pair<std::size_t, std::size_t>> places;  // offset, size
  std::vector<std::size_t> nameAt;
  for (const auto& [name, data] : sections) {
    nameAt.push_back(names.size());
    names.insert(names.end(), name.begin(), name.end());
    names.push_back(0);
    places.emplace_back(img.Bytes.size(), data.size());
    img.Bytes.insert(img.Bytes.end(), data.begin(), data.end());
  }
  nameAt.push_back(names.size());
  const std::string own = ".shstrtab";
  names.insert(names.end(), own.begin(), own.end());
  names.push_back(0);
  places.emplace_back(img.Bytes.size(), names.size());
  img.Bytes.insert(img.Bytes.end(), names.begin(), names.end());
  while (img.Bytes.size() % 8) img.Bytes.push_back(0);

  img.ShOff = img.Bytes.size();
  const std::size_t count = sections.size() + 2;
  img.Bytes.resize(img.ShOff + count * img.ShEntSize, 0);
  img.Put(img.ShOffField(), img.Word(), img.ShOff);
  img.Put(img.ShEntSizeField(), 2, img.ShEntSize);
  img.Put(img.ShNumField(), 2, count);
  img.Put(img.ShStrNdxField(), 2, count - 1);
  for (std::size_t i = 1; i < count; ++i) {
    img.Put(img.SecName(i), 4, nameAt[i - 1]);
    img.Put(img.SecType(i), 4, i + 1 == count ? 3 : 1);  // SHT_STRTAB, SHT_PROGBITS
    img.Put(img.SecOffset(i), img.Word(), places[i - 1].first);
    img.Put(img.SecSize(i), img.Word(), places[i - 1].second);
  }
  return img;
}

}  // namespace q17::test
