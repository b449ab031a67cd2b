#include "version/VersionRecord.h"

#include <cstdio>
#include <vector>

#include "version/Utf16.h"

namespace q17 {
namespace {

constexpr std::size_t kHeaderSize = 6;  // wLength, wValueLength, wType
constexpr std::uint16_t kTypeText = 1;

// Offsets are aligned from the start of the record, which the system keeps
// on a 32-bit boundary.
constexpr std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

struct TNode {
  std::size_t KeyBegin = 0;  // UTF-16 code units, without the NUL
  std::size_t KeyEnd = 0;
  std::size_t ValueBegin = 0;
  std::size_t ValueEnd = 0;
  std::size_t ChildrenBegin = 0;
  std::size_t End = 0;  // one past the node's last byte
};

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The node at `at`, which must end by `limit` (its parent's end); nothing
// when its length, key or value does not fit.
std::optional<TNode> ParseNode(std::span<const std::uint8_t> b, std::size_t at, std::size_t limit) {
  if (limit > b.size() || at > limit || limit - at < kHeaderSize) return std::nullopt;
  const std::size_t length = U16(b, at);
  const std::size_t valueLength = U16(b, at + 2);
  const std::uint16_t type = U16(b, at + 4);
  if (length < kHeaderSize + 2 || length > limit - at) return std::nullopt;
  TNode n;
  n.End = at + length;
  n.KeyBegin = at + kHeaderSize;
  std::size_t p = n.KeyBegin;
  while (true) {
    if (n.End - p < 2) return std::nullopt;  // key without its NUL
    if (U16(b, p) == 0) break;
    p += 2;
  }
  n.KeyEnd = p;
  n.ValueBegin = Align4(p + 2);
  if (n.ValueBegin > n.End) n.ValueBegin = n.End;
  if (type == kTypeText) {
    // Text lengths count characters; some tools count bytes. Either way the
    // text ends at its NUL, so keep whatever lies inside the node.
    const std::size_t bytes = valueLength * 2;
    n.ValueEnd = (bytes > n.End - n.ValueBegin) ? n.End : n.ValueBegin + bytes;
  } else {
    if (valueLength > n.End - n.ValueBegin) return std::nullopt;
    n.ValueEnd = n.ValueBegin + valueLength;
  }
  n.ChildrenBegin = Align4(n.ValueEnd);
  if (n.ChildrenBegin > n.End) n.ChildrenBegin = n.End;
  return n;
}

bool KeyEquals(std::span<const std::uint8_t> b, const TNode& n, std::string_view name) {
  if ((n.KeyEnd - n.KeyBegin) / 2 != name.size()) return false;
  for (std::size_t k = 0; k < name.size(); ++k) {
    std::uint16_t u = U16(b, n.KeyBegin + 2 * k);
    auto c = static_cast<unsigned char>(name[k]);
    if (u >= 'a' && u <= 'z') u = static_cast<std::uint16_t>(u - 'a' + 'A');
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if (u != c) return false;
  }
  return true;
}

std::optional<TNode> Root(std::span<const std::uint8_t> b) {
  auto root = ParseNode(b, 0, b.size());
  if (!root || !KeyEquals(b, *root, "VS_VERSION_INFO")) return std::nullopt;
  return root;
}

// The child of `parent` named `name`. Children are visited in order and the
// walk stops at the first damaged one: what follows it cannot be located.
std::optional<TNode> Child(std::span<const std::uint8_t> b, const TNode& parent, std::string_view name) {
  std::size_t at = parent.ChildrenBegin;
  while (at < parent.End) {
    const auto child = ParseNode(b, at, parent.End);
    if (!child) return std::nullopt;
    if (KeyEquals(b, *child, name)) return child;
    at = Align4(child->End);
  }
  return std::nullopt;
}

}  // namespace

std::string TranslationKeyOf(std::uint16_t language, std::uint16_t codePage) {
  char key[9];
  std::snprintf(key, sizeof key, "%04X%04X", static_cast<unsigned>(language), static_cast<unsigned>(codePage));
  return key;
}

bool TVersionRecordView::Valid() const { return Root(FBytes).has_value(); }

std::optional<std::span<const std::uint8_t>> TVersionRecordView::Query(std::string_view path) const {
  auto node = Root(FBytes);
  while (node && !path.empty()) {
    const std::size_t sep = path.find('\\');
    const std::string_view name = path.substr(0, sep);
    path = (sep == std::string_view::npos) ? std::string_view{} : path.substr(sep + 1);
    if (!name.empty()) node = Child(FBytes, *node, name);
  }
  if (!node) return std::nullopt;
  return FBytes.subspan(node->ValueBegin, node->ValueEnd - node->ValueBegin);
}

std::optional<TFixedFileInfo> TVersionRecordView::Fixed() const {
  const auto value = Query("\\");
  if (!value || value->size() < kFixedFileInfoSize) return std::nullopt;
  std::uint32_t w[13];
  for (std::size_t k = 0; k < 13; ++k) w[k] = U32(*value, 4 * k);
  if (w[0] != kFixedFileInfoSignature) return std::nullopt;
  return TFixedFileInfo{w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12]};
}

std::optional<std::uint32_t> TVersionRecordView::Translation() const {
  const auto value = Query("\\VarFileInfo\\Translation");
  if (!value || value->size() < 4) return std::nullopt;
  return U32(*value, 0);
}

std::optional<std::string> TVersionRecordView::Text(std::string_view path) const {
  const auto value = Query(path);
  if (!value) return std::nullopt;
  return Utf16LeToUtf8(*value);
}

}  // namespace q17
