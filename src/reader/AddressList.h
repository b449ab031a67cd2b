#pragma once
// Which readers a command goes to: one address, a list of addresses and
// ranges ("1,3,5-9"), or every reader a scan of the whole bus finds.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

inline constexpr int kMinReaderAddress = 1;
inline constexpr int kMaxReaderAddress = 255;

struct TAddressList {
  // The addresses in the order given, each once.
  std::vector<int> Addresses;
  // "found": the addresses come from a scan, not from the text.
  bool Found = false;
  // One address ("3", "3-3" or "3,3"): what a one-reader command accepts.
  bool Single = false;
};

// Parses "3", "1,3,5-9" or "found" (addresses 1..255). On a bad text returns
// nothing and, when `problem` is given, says what is wrong.
std::optional<TAddressList> ParseAddressList(std::string_view text, std::string* problem = nullptr);

// The addresses as such a text, in their order, a run of ascending
// neighbours as a range: {5, 7, 8, 9} -> "5,7-9".
std::string AddressListText(const std::vector<int>& addresses);

}  // namespace q17
