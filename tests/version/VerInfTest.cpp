#include "version/VerInf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "version/ElfImage.h"
#include "version/Utf16.h"
#include "version/VersionRecordWriter.h"

namespace q17 {
namespace {

TVersionRecordData Data(std::vector<std::pair<std::string, std::string>> strings) {
  TVersionRecordData d;
  d.FileVersion = {1, 3, 0, 8};
  d.Strings = std::move(strings);
  return d;
}

// A program file holding `record` in its version section.
std::string ProgramWith(const std::vector<std::uint8_t>& record, const char* name) {
  const std::string path = testing::TempDir() + name;
  test::MakeElf({{".text", {0xC3}}, {kVersionSectionName, record}}).Save(path);
  return path;
}

struct TCase {
  const char* Name;
  std::vector<std::uint8_t> Record;
  std::string Key, Product, Version, Copyright, Comments;
};

TEST(VersionInfo, ShowsWhatTheRecordHoldsAndFallsBackOnlyForTheVersion) {
  TVersionNode fixedOnly = BinaryNode("VS_VERSION_INFO", {});
  fixedOnly.Children.push_back({"VarFileInfo", 1, {}, 0, {BinaryNode("Translation", {0x19, 0x04, 0xE3, 0x04})}});
  auto english = Data({{"ProductName", "Other"}});
  english.Language = 0x0409;
  english.CodePage = 1252;
  // The translation table is the record's last child: cut the record before it.
  auto noTranslation = BuildVersionRecord(Data({{"ProductName", "SetupQ17"}}));
  const auto vars = Utf8ToUtf16Le("VarFileInfo");
  noTranslation.resize(static_cast<std::size_t>(
      std::search(noTranslation.begin(), noTranslation.end(), vars.begin(), vars.end()) - noTranslation.begin() - 6));
  noTranslation[0] = static_cast<std::uint8_t>(noTranslation.size());
  noTranslation[1] = static_cast<std::uint8_t>(noTranslation.size() >> 8);

  const std::vector<TCase> cases = {
      {"every string",
       BuildVersionRecord(Data({{"ProductName", "SetupQ17"},
                                {"FileVersion", "1.3.0.8"},
                                {"LegalCopyright", "(C) 2026"},
                                {"Comments", "Настройка"}})),
       "041904E3", "SetupQ17", "1.3.0.8", "(C) 2026", "Настройка"},
      {"version from the fixed part", BuildVersionRecord(Data({{"ProductName", "SetupQ17"}})), "041904E3",
       "SetupQ17", "1.3.0.8", "", ""},
      {"version string differs from the fixed part", BuildVersionRecord(Data({{"FileVersion", "2.0 beta"}})),
       "041904E3", "", "2.0 beta", "", ""},
      {"empty version string", BuildVersionRecord(Data({{"FileVersion", ""}})), "041904E3", "", "1.3.0.8", "", ""},
      {"another translation", BuildVersionRecord(english), "040904E4", "Other", "1.3.0.8", "", ""},
      {"no translation table", noTranslation, "", "", "1.3.0.8", "", ""},
      {"neither version string nor fixed part", EncodeVersionNode(fixedOnly), "041904E3", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = ProgramWith(c.Record, "verinf_case");
    const TVersionInfo info(path);
    EXPECT_TRUE(info.Valid());
    EXPECT_EQ(info.RecordSize(), static_cast<std::int32_t>(c.Record.size()));
    EXPECT_EQ(info.TranslationKey(), c.Key);
    EXPECT_EQ(info.GetProductName(), c.Product);
    EXPECT_EQ(info.GetFileVersion(), c.Version);
    EXPECT_EQ(info.GetLegalCopyright(), c.Copyright);
    EXPECT_EQ(info.GetComments(), c.Comments);
    std::remove(path.c_str());
  }
}

TEST(VersionInfo, FilesWithoutAReadableRecordAreNotValidAndShowNothing) {
  auto cut = BuildVersionRecord(Data({{"ProductName", "SetupQ17"}}));
  cut.resize(cut.size() / 2);
  const std::string noSection = testing::TempDir() + "verinf_nosection";
  test::MakeElf({{".text", {0xC3}}}).Save(noSection);
  const std::string cutShort = ProgramWith(cut, "verinf_cut");
  const std::string notElf = testing::TempDir() + "verinf_text";
  { std::FILE* f = std::fopen(notElf.c_str(), "w"); std::fputs("#!/bin/sh\n", f); std::fclose(f); }

  const struct {
    std::string Path;
    std::int32_t Size;
  } cases[] = {{noSection, 0}, {cutShort, static_cast<std::int32_t>(cut.size())}, {notElf, 0},
               {testing::TempDir() + "verinf_missing", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    const TVersionInfo info(c.Path);
    EXPECT_FALSE(info.Valid());
    EXPECT_EQ(info.RecordSize(), c.Size);
    EXPECT_EQ(info.TranslationKey(), "");
    EXPECT_FALSE(info.FixedInfo());
    EXPECT_EQ(info.GetProductName(), "");
    EXPECT_EQ(info.GetFileVersion(), "");
  }
  for (const auto& p : {noSection, cutShort, notElf}) std::remove(p.c_str());
}

}  // namespace
}  // namespace q17
