#include "reader/AddressList.h"

#include <algorithm>
#include <string>
#include <utility>

#include "link/TranslateNoop.h"
#include "reader/NumberText.h"
#include "reader/Scan.h"

namespace q17 {
namespace {

// Blanks around an item or a range's ends are a typing habit ("1, 3").
std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<int> ParseAddress(std::string_view text) {
  const auto value = ParseNumberIn(Trimmed(text), kMinReaderAddress, kMaxReaderAddress);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::optional<TAddressList> Refuse(TAddressListError* error, TAddressListError::TKind kind, std::string_view item) {
  if (error) *error = {kind, std::string(item)};
  return std::nullopt;
}

}  // namespace

std::optional<TAddressList> ParseAddressList(std::string_view text, TAddressListError* error) {
  TAddressList list;
  if (text == "found") {
    list.Found = true;
    return list;
  }
  if (Trimmed(text).empty()) return Refuse(error, TAddressListError::TKind::Empty, {});
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = Trimmed(text.substr(start, comma - start));
    const std::size_t dash = item.find('-');
    const auto low = ParseAddress(item.substr(0, dash));
    const auto high = dash == std::string_view::npos ? low : ParseAddress(item.substr(dash + 1));
    if (!low || !high) return Refuse(error, TAddressListError::TKind::Bad, item);
    if (*high < *low) return Refuse(error, TAddressListError::TKind::Backwards, item);
    for (int a = *low; a <= *high; ++a) {
      // A reader named twice is still served once: writing it twice gains nothing.
      if (std::find(list.Addresses.begin(), list.Addresses.end(), a) == list.Addresses.end())
        list.Addresses.push_back(a);
    }
    start = comma + 1;
  }
  list.Single = list.Addresses.size() == 1;
  return list;
}

std::optional<TAddressList> ParseAddressList(std::string_view text, std::string* problem) {
  TAddressListError error;
  auto list = ParseAddressList(text, &error);
  if (!list && problem) {
    const std::string bad = "--address takes 1..255, a list such as 1,3,5-9, or 'found'";
    if (error.Kind == TAddressListError::TKind::Backwards) {
      *problem = "--address: the range '" + error.Item + "' runs backwards";
    } else {
      *problem = error.Kind == TAddressListError::TKind::Empty ? bad : bad + ": '" + error.Item + "'";
    }
  }
  return list;
}

TShownText AddressListError(const TAddressListError& error) {
  const auto said = [](const char* text, std::vector<TShownText> args) {
    return TShownText::Marked("AddressList", text, std::move(args));
  };
  const TShownText item = TShownText::Plain(error.Item);
  if (error.Kind == TAddressListError::TKind::Backwards)
    return said(QT_TRANSLATE_NOOP("AddressList", "в диапазоне '%1' первый адрес больше последнего"), {item});
  const TShownText how =
      said(QT_TRANSLATE_NOOP("AddressList", "нужны адреса 1..255 через запятую, диапазоны через дефис (1,3,5-9) или found"),
           {});
  if (error.Kind == TAddressListError::TKind::Empty)
    return said(QT_TRANSLATE_NOOP("AddressList", "нет ни одного адреса; %1"), {how});
  if (error.Item.empty()) return said(QT_TRANSLATE_NOOP("AddressList", "лишняя запятая; %1"), {how});
  return said(QT_TRANSLATE_NOOP("AddressList", "'%1' — не адрес и не диапазон; %2"), {item, how});
}

std::string AddressListErrorText(const TAddressListError& error) { return ComposeText(AddressListError(error)); }

std::string AddressListText(const std::vector<int>& addresses) {
  std::string text;
  for (std::size_t i = 0; i < addresses.size();) {
    std::size_t last = i;
    while (last + 1 < addresses.size() && addresses[last + 1] == addresses[last] + 1) ++last;
    if (!text.empty()) text += ',';
    text += std::to_string(addresses[i]);
    if (last > i) text += '-' + std::to_string(addresses[last]);
    i = last + 1;
  }
  return text;
}

std::vector<int> TFoundReaders::Targets() const {
  std::vector<int> targets = Readers;
  for (const auto& failed : Failed) targets.push_back(failed.first);
  std::sort(targets.begin(), targets.end());
  return targets;
}

std::optional<int> TFoundReaders::NotWhole(int address) const {
  for (const auto& [at, code] : Failed)
    if (at == address) return code;
  return std::nullopt;
}

TFoundReaders ScanFound(TCommandState& s, TInterfList& link, const std::function<bool()>& stop) {
  TFoundReaders found;
  ScanBus(s, link, kScanFirstAddress, kScanLastAddress, [&](const TBusReply& reply) {
    switch (reply.Answer) {
      case TBusAnswer::Reader:
        found.Readers.push_back(reply.Address);
        break;
      case TBusAnswer::Failed:
        found.Failed.emplace_back(reply.Address, reply.Result);
        break;
      case TBusAnswer::LineGone:
        found.DeviceGone = true;
        break;
      case TBusAnswer::Silent:
        break;
    }
    return !(stop && stop());
  });
  return found;
}

}  // namespace q17
