#include "reader/AddressList.h"

#include <algorithm>
#include <string>

#include "reader/NumberText.h"

namespace q17 {
namespace {

std::optional<int> ParseAddress(std::string_view text) {
  const auto value = ParseNumberIn(text, kMinReaderAddress, kMaxReaderAddress);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::optional<TAddressList> Refuse(std::string* problem, const std::string& why) {
  if (problem) *problem = why;
  return std::nullopt;
}

}  // namespace

std::optional<TAddressList> ParseAddressList(std::string_view text, std::string* problem) {
  TAddressList list;
  if (text == "found") {
    list.Found = true;
    return list;
  }
  const std::string bad = "--address takes 1..255, a list such as 1,3,5-9, or 'found'";
  if (text.empty()) return Refuse(problem, bad);
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = text.substr(start, comma - start);
    const std::size_t dash = item.find('-');
    const auto low = ParseAddress(item.substr(0, dash));
    const auto high = dash == std::string_view::npos ? low : ParseAddress(item.substr(dash + 1));
    if (!low || !high) return Refuse(problem, bad + ": '" + std::string(item) + "'");
    if (*high < *low) return Refuse(problem, "--address: the range '" + std::string(item) + "' runs backwards");
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

}  // namespace q17
