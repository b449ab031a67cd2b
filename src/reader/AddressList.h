#pragma once
// Which readers a command goes to: one address, a list of addresses and
// ranges ("1,3,5-9"), or every reader a scan of the whole bus finds.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/ShownText.h"
#include "reader/RdrCmd.h"

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

// What is wrong with a list's text, and the item at fault.
struct TAddressListError {
  enum class TKind { Empty, Bad, Backwards } Kind = TKind::Empty;
  std::string Item;
};

// Parses "3", "1,3,5-9", "1, 3" (blanks around an item or its dash are
// taken) or "found" (addresses 1..255). On a bad text returns nothing and,
// when `error` is given, says what is wrong.
std::optional<TAddressList> ParseAddressList(std::string_view text, TAddressListError* error);
// The same, with the problem in q17ctl's words, which name the option.
std::optional<TAddressList> ParseAddressList(std::string_view text, std::string* problem = nullptr);
// The problem in the window's words, which name no option: in parts marked
// under the context "AddressList", and composed (Russian, UTF-8).
TShownText AddressListError(const TAddressListError& error);
std::string AddressListErrorText(const TAddressListError& error);

// The addresses as such a text, in their order, a run of ascending
// neighbours as a range: {5, 7, 8, 9} -> "5,7-9".
std::string AddressListText(const std::vector<int>& addresses);

// What "found" goes through, taken from a scan of the bus: the readers, and
// the addresses where something answered but not whole (a damaged, refused,
// late or cut reply), with that code. A reader is sent the command; an
// address that answered not whole is named with its failure and not touched,
// as what answered there may not be a reader at all.
struct TFoundReaders {
  std::vector<int> Readers;
  std::vector<std::pair<int, int>> Failed;  // address, code
  bool DeviceGone = false;

  // Every address that answered, in address order: one outcome each.
  std::vector<int> Targets() const;
  // The code of an address that answered not whole; nothing for a reader.
  std::optional<int> NotWhole(int address) const;
};

// Scans the whole bus (1..254) for "found"; a stop ends it.
TFoundReaders ScanFound(TCommandState& s, TInterfList& link, const std::function<bool()>& stop);

}  // namespace q17
