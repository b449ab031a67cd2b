#pragma once
// Which ports an HTTP caller may have the exporter open: only those the
// configuration's `targets` patterns name. This is the exporter's security
// boundary, so a name is first held to the plain form a port name has (no
// blanks, no "..", no escapes), then matched whole, case and all.
//
// In a pattern, `*` stands for any run of letters, digits, '_', '-' and '+'
// (never '/', '.' or ':', so it cannot climb out of a folder or stretch an
// address into another host), `?` for one such character.
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

// Why `target` is no port name the exporter takes ("" when it is one): a
// device path under /dev/, a serial server's tcp://HOST:PORT or
// rfc2217://HOST:PORT as the program writes it, or COM1..COM256 on Windows.
std::string TargetNameProblem(std::string_view target);

// Whether the whole of `name` matches `pattern`.
bool PatternMatches(std::string_view pattern, std::string_view name);

// Why a `targets` pattern is refused ("" when it is taken): malformed, or so
// wide that it would let a caller open what is no reader's port (a disk,
// memory, a console, other users' terminals, any host, any TCP port).
std::string PatternProblem(std::string_view pattern);

enum class TTargetVerdict { Allowed, BadName, NotListed };

struct TTargetCheck {
  TTargetVerdict Verdict = TTargetVerdict::NotListed;
  std::string Reason;  // for the caller, when not allowed
};

// The verdict on a target an HTTP caller asked for.
TTargetCheck CheckTarget(std::string_view target, const std::vector<std::string>& patterns);

}  // namespace q17
