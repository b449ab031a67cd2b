#include "version/VersionRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "version/Utf16.h"
#include "version/VersionRecordWriter.h"

namespace q17 {
namespace {

const char* const kProduct = "\\StringFileInfo\\041904E3\\ProductName";
const char* const kComments = "\\StringFileInfo\\041904E3\\Comments";

TVersionRecordData SampleData() {
  TVersionRecordData d;
  d.FileVersion = {1, 3, 0, 8};
  d.ProductVersion = {1, 3, 0, 8};
  d.Strings = {{"ProductName", "SetupQ17"},
               {"FileVersion", "1.3.0.8"},
               {"LegalCopyright", "(C) 2026"},
               {"Comments", "Настройка считывателей"}};
  return d;
}

// Offset of the first occurrence of `key` as a UTF-16 node key.
std::size_t KeyOffset(const std::vector<std::uint8_t>& record, const std::string& key) {
  const auto k = Utf8ToUtf16Le(key);
  const auto it = std::search(record.begin(), record.end(), k.begin(), k.end());
  return static_cast<std::size_t>(it - record.begin());
}

// The header of the node whose key is `key`, which starts 6 bytes before it.
std::size_t NodeOf(const std::vector<std::uint8_t>& record, const std::string& key) {
  return KeyOffset(record, key) - 6;
}

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TEST(VersionRecord, ReadsEveryPartOfAGoodRecord) {
  const auto record = BuildVersionRecord(SampleData());
  const TVersionRecordView view(record);
  ASSERT_TRUE(view.Valid());
  ASSERT_TRUE(view.Fixed());
  EXPECT_EQ(view.Fixed()->FileVersionMS, 0x00010003u);
  EXPECT_EQ(view.Fixed()->FileVersionLS, 0x00000008u);
  EXPECT_EQ(view.Translation(), 0x04E30419u);
  EXPECT_EQ(view.Text(kProduct), "SetupQ17");
  EXPECT_EQ(view.Text("\\StringFileInfo\\041904E3\\LegalCopyright"), "(C) 2026");
  EXPECT_EQ(view.Text(kComments), "Настройка считывателей");
  EXPECT_EQ(view.Text("\\STRINGFILEINFO\\041904e3\\productname"), "SetupQ17");
  EXPECT_EQ(view.Text("\\StringFileInfo\\040904E4\\ProductName"), std::nullopt);
  EXPECT_EQ(view.Text("\\StringFileInfo\\041904E3\\Product"), std::nullopt);
}

TEST(VersionRecord, KeysAndValuesOfEveryLengthStayAligned) {
  // Keys and values of 1..9 characters put every child at each of the
  // possible offsets modulo 4 before padding.
  TVersionRecordData d = SampleData();
  d.Strings.clear();
  for (int n = 1; n <= 9; ++n) d.Strings.emplace_back(std::string(n, 'K'), std::string(10 - n, 'v'));
  const auto record = BuildVersionRecord(d);
  const TVersionRecordView view(record);
  for (int n = 1; n <= 9; ++n) {
    EXPECT_EQ(view.Text("\\StringFileInfo\\041904E3\\" + std::string(n, 'K')), std::string(10 - n, 'v')) << n;
  }
  EXPECT_EQ(view.Translation(), 0x04E30419u);
}

TEST(VersionRecord, RecordsWithoutTablesAnswerWhatTheyHold) {
  const std::vector<std::uint8_t> fixed(kFixedFileInfoSize, 0);
  auto fixedWithSignature = fixed;
  fixedWithSignature[0] = 0xBD, fixedWithSignature[1] = 0x04, fixedWithSignature[2] = 0xEF, fixedWithSignature[3] = 0xFE;

  TVersionNode bare = BinaryNode("VS_VERSION_INFO", {});
  const auto bareRecord = EncodeVersionNode(bare);
  EXPECT_TRUE(TVersionRecordView(bareRecord).Valid());
  EXPECT_FALSE(TVersionRecordView(bareRecord).Fixed());
  EXPECT_FALSE(TVersionRecordView(bareRecord).Translation());

  TVersionNode wrongSignature = BinaryNode("VS_VERSION_INFO", fixed);
  EXPECT_FALSE(TVersionRecordView(EncodeVersionNode(wrongSignature)).Fixed());

  TVersionNode shortFixed = BinaryNode("VS_VERSION_INFO", {fixedWithSignature.begin(), fixedWithSignature.end() - 4});
  EXPECT_FALSE(TVersionRecordView(EncodeVersionNode(shortFixed)).Fixed());

  TVersionNode shortTranslation = BinaryNode("VS_VERSION_INFO", fixedWithSignature);
  TVersionNode vars{"VarFileInfo", 1, {}, 0, {BinaryNode("Translation", {0x19, 0x04})}};
  shortTranslation.Children.push_back(vars);
  const auto shortRecord = EncodeVersionNode(shortTranslation);
  EXPECT_TRUE(TVersionRecordView(shortRecord).Fixed());
  EXPECT_FALSE(TVersionRecordView(shortRecord).Translation());
  EXPECT_FALSE(TVersionRecordView(shortRecord).Text(kProduct));
}

TEST(VersionRecord, TextLengthsInBytesOrWithoutTheNulStillRead) {
  TVersionNode table{"041904E3", 1, {}, 0, {TextNode("ProductName", "SetupQ17"), TextNode("Comments", "abc")}};
  table.Children[0].ValueLength = static_cast<std::uint16_t>(table.Children[0].Value.size());  // bytes, not characters
  table.Children[1].Value.resize(table.Children[1].Value.size() - 2);  // no NUL
  TVersionNode root = BinaryNode("VS_VERSION_INFO", {});
  root.Children.push_back({"StringFileInfo", 1, {}, 0, {table}});
  const auto record = EncodeVersionNode(root);
  EXPECT_EQ(TVersionRecordView(record).Text(kProduct), "SetupQ17");
  EXPECT_EQ(TVersionRecordView(record).Text(kComments), "abc");
}

TEST(VersionRecord, EveryTruncationIsRefusedWhole) {
  const auto record = BuildVersionRecord(SampleData());
  for (std::size_t n = 0; n < record.size(); ++n) {
    const std::vector<std::uint8_t> cut(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(n));
    const TVersionRecordView view(cut);
    EXPECT_FALSE(view.Valid()) << n;
    EXPECT_FALSE(view.Query("\\")) << n;
  }
}

struct TDamage {
  const char* Name;
  std::function<void(std::vector<std::uint8_t>&)> Apply;
  bool Fixed, Translation, Product, Comments;
};

TEST(VersionRecord, DamageLosesOnlyWhatCannotBeLocated) {
  const std::vector<TDamage> cases = {
      {"root named otherwise", [](auto& r) { r[KeyOffset(r, "VS_VERSION_INFO")] = 'W'; }, false, false, false, false},
      {"root shorter than its header", [](auto& r) { Put16(r, 0, 4); }, false, false, false, false},
      {"fixed part past the root's end", [](auto& r) { Put16(r, 2, 0xFFF0); }, false, false, false, false},
      {"root key without its NUL", [](auto& r) { Put16(r, 0, 20); }, false, false, false, false},
      {"string table past its parent's end", [](auto& r) { Put16(r, NodeOf(r, "StringFileInfo"), 0xFFF0); },
       true, false, false, false},
      {"string table of zero length", [](auto& r) { Put16(r, NodeOf(r, "StringFileInfo"), 0); },
       true, false, false, false},
      {"first string past the table's end", [](auto& r) { Put16(r, NodeOf(r, "ProductName"), 0x2000); },
       true, true, false, false},
      {"last string past the table's end", [](auto& r) { Put16(r, NodeOf(r, "Comments"), 0x2000); },
       true, true, true, false},
      {"translation value past its node", [](auto& r) { Put16(r, NodeOf(r, "Translation") + 2, 0x100); },
       true, false, true, true},
      // The fixed part starts at 40, after the root's padded key.
      {"fixed part's signature wrong", [](auto& r) { r[40] ^= 0xFF; },
       false, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto record = BuildVersionRecord(SampleData());
    c.Apply(record);
    const TVersionRecordView view(record);
    EXPECT_EQ(view.Fixed().has_value(), c.Fixed);
    EXPECT_EQ(view.Translation().has_value(), c.Translation);
    EXPECT_EQ(view.Text(kProduct).has_value(), c.Product);
    EXPECT_EQ(view.Text(kComments).has_value(), c.Comments);
  }
}

TEST(VersionRecordWriter, RefusesNodesLongerThanSixteenBits) {
  TVersionRecordData d = SampleData();
  d.Strings.emplace_back("Comments", std::string(40000, 'x'));
  EXPECT_THROW(BuildVersionRecord(d), std::length_error);
}

}  // namespace
}  // namespace q17
