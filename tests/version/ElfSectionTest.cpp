#include "version/ElfSection.h"

#include <gtest/gtest.h>

#include <functional>

#include "version/ElfImage.h"

namespace q17 {
namespace {

using test::MakeElf;
using test::TElfImage;

const std::vector<std::uint8_t> kPayload{'r', 'e', 'c', 'o', 'r', 'd'};

TElfImage Sample(bool is64 = true, bool bigEndian = false) {
  return MakeElf({{".text", {0x90, 0x90}}, {".q17version", kPayload}, {".q17versionX", {1}}}, is64, bigEndian);
}

TEST(ElfSection, FindsTheNamedSectionInEveryClassAndByteOrder) {
  for (const bool is64 : {false, true}) {
    for (const bool big : {false, true}) {
      SCOPED_TRACE(testing::Message() << "64-bit " << is64 << ", big-endian " << big);
      const auto found = ReadElfSection(Sample(is64, big).Bytes, ".q17version", 1024);
      EXPECT_EQ(found.Error, TElfError::None);
      EXPECT_EQ(found.Data, kPayload);
    }
  }
}

TEST(ElfSection, NamesMatchWhole) {
  const auto img = Sample();
  EXPECT_EQ(ReadElfSection(img.Bytes, ".q17", 1024).Error, TElfError::NotFound);
  EXPECT_EQ(ReadElfSection(img.Bytes, ".q17versionX", 1024).Data, std::vector<std::uint8_t>{1});
  EXPECT_EQ(ReadElfSection(img.Bytes, ".q17versionXY", 1024).Error, TElfError::NotFound);
}

TEST(ElfSection, ManySectionsFormKeepsCountAndNameTableInSectionZero) {
  auto img = Sample();
  img.Put(img.SecSize(0), 8, 5);
  img.Put(img.SecLink(0), 4, 4);
  img.Put(img.ShNumField(), 2, 0);
  img.Put(img.ShStrNdxField(), 2, 0xFFFF);
  EXPECT_EQ(ReadElfSection(img.Bytes, ".q17version", 1024).Data, kPayload);
}

struct TDamage {
  const char* Name;
  std::function<void(TElfImage&)> Apply;
  TElfError Expected;
};

TEST(ElfSection, DamagedFilesGiveAnErrorNeverACrash) {
  const std::vector<TDamage> cases = {
      {"empty file", [](TElfImage& i) { i.Bytes.clear(); }, TElfError::NotElf},
      {"wrong magic", [](TElfImage& i) { i.Bytes[1] = 'X'; }, TElfError::NotElf},
      {"unknown class", [](TElfImage& i) { i.Bytes[4] = 3; }, TElfError::NotElf},
      {"unknown byte order", [](TElfImage& i) { i.Bytes[5] = 0; }, TElfError::NotElf},
      {"header cut short", [](TElfImage& i) { i.Bytes.resize(40); }, TElfError::BadHeaders},
      {"no section table", [](TElfImage& i) { i.Put(i.ShOffField(), 8, 0); }, TElfError::NotFound},
      {"table past the end", [](TElfImage& i) { i.Put(i.ShOffField(), 8, i.Bytes.size()); }, TElfError::BadHeaders},
      {"table offset overflows", [](TElfImage& i) { i.Put(i.ShOffField(), 8, ~0ull - 8); }, TElfError::BadHeaders},
      {"file cut inside the table", [](TElfImage& i) { i.Bytes.resize(i.SecName(3)); }, TElfError::BadHeaders},
      {"entries too small", [](TElfImage& i) { i.Put(i.ShEntSizeField(), 2, 10); }, TElfError::BadHeaders},
      {"name table index out of range", [](TElfImage& i) { i.Put(i.ShStrNdxField(), 2, 5); }, TElfError::BadHeaders},
      {"name table past the end", [](TElfImage& i) { i.Put(i.SecOffset(4), 8, i.Bytes.size() + 1); },
       TElfError::BadHeaders},
      {"name table size overflows", [](TElfImage& i) { i.Put(i.SecSize(4), 8, ~0ull); }, TElfError::BadHeaders},
      {"name table holds no bytes", [](TElfImage& i) { i.Put(i.SecType(4), 4, 8); }, TElfError::BadHeaders},
      {"count from an empty section zero", [](TElfImage& i) { i.Put(i.ShNumField(), 2, 0); }, TElfError::BadHeaders},
      {"name offset past the name table", [](TElfImage& i) { i.Put(i.SecName(2), 4, 0xFFFFFFF0); },
       TElfError::NotFound},
      {"section past the end", [](TElfImage& i) { i.Put(i.SecOffset(2), 8, i.Bytes.size() - 2); },
       TElfError::BadSection},
      {"section size overflows", [](TElfImage& i) { i.Put(i.SecSize(2), 8, ~0ull); }, TElfError::BadSection},
      {"section holds no bytes", [](TElfImage& i) { i.Put(i.SecType(2), 4, 8); }, TElfError::BadSection},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto img = Sample();
    c.Apply(img);
    const auto found = ReadElfSection(img.Bytes, ".q17version", 1024);
    EXPECT_EQ(found.Error, c.Expected);
    EXPECT_TRUE(found.Data.empty());
  }
}

TEST(ElfSection, RefusesSectionsLongerThanTheCallerAccepts) {
  EXPECT_EQ(ReadElfSection(Sample().Bytes, ".q17version", kPayload.size() - 1).Error, TElfError::TooLarge);
  EXPECT_EQ(ReadElfSection(Sample().Bytes, ".q17version", kPayload.size()).Error, TElfError::None);
}

TEST(ElfSection, ReadsFromAFileAndSaysWhenItCannot) {
  const std::string path = testing::TempDir() + "elf_section_test.bin";
  Sample().Save(path);
  EXPECT_EQ(ReadElfSectionFromFile(path, ".q17version", 1024).Data, kPayload);
  EXPECT_EQ(ReadElfSectionFromFile(path + ".missing", ".q17version", 1024).Error, TElfError::CannotRead);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace q17
