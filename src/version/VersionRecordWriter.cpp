#include "version/VersionRecordWriter.h"

#include <stdexcept>

#include "version/Utf16.h"
#include "version/VersionRecord.h"

namespace q17 {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void Pad4(std::vector<std::uint8_t>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

std::uint32_t Pair(std::uint16_t high, std::uint16_t low) { return (std::uint32_t{high} << 16) | low; }

}  // namespace

TVersionNode TextNode(const std::string& key, const std::string& utf8Value) {
  TVersionNode n;
  n.Key = key;
  n.Type = 1;
  n.Value = Utf8ToUtf16Le(utf8Value);
  n.Value.push_back(0);
  n.Value.push_back(0);
  n.ValueLength = static_cast<std::uint16_t>(n.Value.size() / 2);
  return n;
}

TVersionNode BinaryNode(const std::string& key, std::vector<std::uint8_t> value) {
  TVersionNode n;
  n.Key = key;
  n.Type = 0;
  n.ValueLength = static_cast<std::uint16_t>(value.size());
  n.Value = std::move(value);
  return n;
}

std::vector<std::uint8_t> EncodeVersionNode(const TVersionNode& node) {
  // Every node starts on a 32-bit boundary of the record, so alignment here
  // (relative to the node) is alignment in the record.
  std::vector<std::uint8_t> out(6, 0);
  const auto key = Utf8ToUtf16Le(node.Key);
  out.insert(out.end(), key.begin(), key.end());
  Put16(out, 0);
  Pad4(out);
  out.insert(out.end(), node.Value.begin(), node.Value.end());
  for (const auto& child : node.Children) {
    Pad4(out);
    const auto bytes = EncodeVersionNode(child);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  if (out.size() > kMaxVersionRecordSize) throw std::length_error("version record node too long: " + node.Key);
  out[0] = static_cast<std::uint8_t>(out.size() & 0xFF);
  out[1] = static_cast<std::uint8_t>(out.size() >> 8);
  out[2] = static_cast<std::uint8_t>(node.ValueLength & 0xFF);
  out[3] = static_cast<std::uint8_t>(node.ValueLength >> 8);
  out[4] = static_cast<std::uint8_t>(node.Type);
  out[5] = 0;
  return out;
}

std::vector<std::uint8_t> BuildVersionRecord(const TVersionRecordData& data) {
  std::vector<std::uint8_t> fixed;
  Put32(fixed, kFixedFileInfoSignature);
  Put32(fixed, 0x00010000);  // structure version 1.0
  Put32(fixed, Pair(data.FileVersion[0], data.FileVersion[1]));
  Put32(fixed, Pair(data.FileVersion[2], data.FileVersion[3]));
  Put32(fixed, Pair(data.ProductVersion[0], data.ProductVersion[1]));
  Put32(fixed, Pair(data.ProductVersion[2], data.ProductVersion[3]));
  Put32(fixed, 0x3F);        // flags mask
  Put32(fixed, 0);           // flags
  Put32(fixed, 0x00040004);  // VOS_NT_WINDOWS32
  Put32(fixed, 1);           // VFT_APP
  Put32(fixed, 0);
  Put32(fixed, 0);
  Put32(fixed, 0);

  TVersionNode table;
  table.Key = TranslationKeyOf(data.Language, data.CodePage);
  table.Type = 1;
  for (const auto& [key, value] : data.Strings) table.Children.push_back(TextNode(key, value));
  TVersionNode strings;
  strings.Key = "StringFileInfo";
  strings.Type = 1;
  strings.Children.push_back(std::move(table));

  std::vector<std::uint8_t> translation;
  Put16(translation, data.Language);
  Put16(translation, data.CodePage);
  TVersionNode vars;
  vars.Key = "VarFileInfo";
  vars.Type = 1;
  vars.Children.push_back(BinaryNode("Translation", std::move(translation)));

  TVersionNode root = BinaryNode("VS_VERSION_INFO", std::move(fixed));
  root.Children.push_back(std::move(strings));
  root.Children.push_back(std::move(vars));
  return EncodeVersionNode(root);
}

}  // namespace q17
