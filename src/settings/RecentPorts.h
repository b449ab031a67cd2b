#pragma once
// The network ports a user has opened, most recent first, kept in a small
// text file of the user's own so that they are offered again next time.
// One port a line: its name, then "auto" (the network allowance measured at
// opening) or a fixed allowance in milliseconds, e.g.
//   rfc2217://gate-3:4001 auto
//   tcp://10.0.0.7:4001 150
// Lines starting with '#' and blank lines are comments. A line that is not
// one of these (a hand edit gone wrong) is skipped, never fatal.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

inline constexpr std::size_t kMaxRecentPorts = 8;

struct TRecentPort {
  std::string Name;                  // as FormatNetPortName writes it
  std::optional<int> AllowanceMs;    // none: measured at opening
  bool operator==(const TRecentPort&) const = default;
};

// The ports of a file's text: bad lines skipped, a name seen again dropped,
// at most kMaxRecentPorts.
std::vector<TRecentPort> ParseRecentPorts(std::string_view text);
std::string FormatRecentPorts(const std::vector<TRecentPort>& ports);
// `ports` with `used` at the front (its allowance the one just used), no
// other entry of the same name, at most kMaxRecentPorts. A name that is not
// a network port's leaves the list as it was.
std::vector<TRecentPort> WithRecentPort(std::vector<TRecentPort> ports, const TRecentPort& used);

// The file's ports; none when it is missing or cannot be read.
std::vector<TRecentPort> LoadRecentPorts(const std::filesystem::path& file);
// Writes the file whole, making its folder first; false with why in error.
bool SaveRecentPorts(const std::filesystem::path& file, const std::vector<TRecentPort>& ports, std::string& error);

}  // namespace q17
