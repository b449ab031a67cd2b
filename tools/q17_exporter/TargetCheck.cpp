#include "TargetCheck.h"

#include "platform/NetPortName.h"

namespace q17 {
namespace {

constexpr std::size_t kMaxTargetLength = 256;

bool StarCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '+';
}

// The characters of port names: those of `*`, and the separators of paths and addresses.
bool NameCharacter(char c) { return StarCharacter(c) || c == '/' || c == '.' || c == ':' || c == '[' || c == ']'; }

bool IsWindowsComName(std::string_view name) {
  if (name.size() < 4 || name.size() > 6 || name.substr(0, 3) != "COM") return false;
  int number = 0;
  for (const char c : name.substr(3)) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return name[3] != '0' && number >= 1 && number <= 256;
}

// A path's segments: none empty, none "." or "..".
std::string PathProblem(std::string_view path) {
  if (path.rfind("/dev/", 0) != 0) return "a device path begins with /dev/";
  std::size_t start = 1;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, end - start);
    if (segment.empty()) return "an empty step in the path";
    if (segment == "." || segment == "..") return "'.' or '..' in the path";
    start = end + 1;
  }
  return {};
}

// Devices that are no reader's port: a pattern that matches any is refused.
constexpr const char* kNeverPorts[] = {
    "/dev/sda",        "/dev/sda1",       "/dev/sdb",          "/dev/nvme0n1",     "/dev/nvme0n1p1",
    "/dev/vda",        "/dev/xvda",       "/dev/hda",          "/dev/mmcblk0",     "/dev/mmcblk0p1",
    "/dev/loop0",      "/dev/dm-0",       "/dev/md0",          "/dev/sr0",         "/dev/sg0",
    "/dev/nbd0",       "/dev/mem",        "/dev/kmem",         "/dev/port",        "/dev/null",
    "/dev/zero",       "/dev/full",       "/dev/random",       "/dev/urandom",     "/dev/kmsg",
    "/dev/tty",        "/dev/tty0",       "/dev/tty1",         "/dev/tty63",       "/dev/console",
    "/dev/ptmx",       "/dev/vcs",        "/dev/vcsa",         "/dev/watchdog",    "/dev/watchdog0",
    "/dev/fuse",       "/dev/kvm",        "/dev/uinput",       "/dev/rtc0",        "/dev/hwrng",
    "/dev/tpm0",       "/dev/fb0",        "/dev/i2c-0",        "/dev/spidev0.0",   "/dev/gpiochip0",
    "/dev/hidraw0",    "/dev/input/event0", "/dev/input/mice", "/dev/net/tun",     "/dev/dri/card0",
    "/dev/snd/controlC0", "/dev/bus/usb/001/001", "/dev/cpu/0/msr", "/dev/mapper/control",
    "/dev/disk/by-id/ata-disk", "/dev/shm/file", "/dev/mqueue/queue", "/dev/hugepages/page",
    "/dev/block/8:0",  "/dev/char/4:1",   "/dev/fd/0",         "/dev/stdin",       "/dev/stdout",
    "/dev/stderr",     "/dev/core",       "/dev/log",          "/dev/initctl",     "/dev/autofs",
};

// Terminals of people logged in: named one by one they may be a simulator's,
// but a pattern over them reaches other users' sessions.
constexpr const char* kOthersTerminals[] = {"/dev/pts/0", "/dev/pts/1", "/dev/pts/9"};

bool HasWildcard(std::string_view pattern) { return pattern.find_first_of("*?") != std::string_view::npos; }

std::string NetPatternProblem(std::string_view pattern) {
  const std::size_t scheme = pattern.find("://");
  const std::string_view rest = pattern.substr(scheme + 3);
  const std::size_t colon = rest.rfind(':');
  const std::size_t close = rest.rfind(']');
  if (colon == std::string_view::npos || (close != std::string_view::npos && close > colon)) {
    return "a serial server's pattern is tcp://HOST:PORT or rfc2217://HOST:PORT";
  }
  const std::string_view host = rest.substr(0, colon);
  const std::string_view port = rest.substr(colon + 1);
  if (HasWildcard(port)) return "a wildcard in the TCP port would let callers reach any service of the host";
  if (host.find_first_not_of("*?[]") == std::string_view::npos) {
    return "a host of wildcards alone would let callers reach any host";
  }
  // With its wildcards taken as one letter, it must be a name the program takes.
  std::string sample(pattern);
  for (char& c : sample) {
    if (c == '*' || c == '?') c = 'x';
  }
  const auto parsed = ParseNetPortName(sample);
  if (!parsed || FormatNetPortName(*parsed) != sample) return "not a serial server's name as tcp://HOST:PORT writes it";
  return {};
}

}  // namespace

std::string TargetNameProblem(std::string_view target) {
  if (target.empty()) return "the target is empty";
  if (target.size() > kMaxTargetLength) return "the target is longer than any port name";
  for (const char c : target) {
    if (!NameCharacter(c)) return "the target holds a character no port name has";
  }
  if (target.front() == '/') return PathProblem(target);
  if (target.find("://") != std::string_view::npos) {
    const std::string name(target);
    const auto parsed = ParseNetPortName(name);
    if (!parsed) return "not a serial server's name (tcp://HOST:PORT or rfc2217://HOST:PORT)";
    if (FormatNetPortName(*parsed) != name) return std::string("a serial server's name is written ") + FormatNetPortName(*parsed);
    return {};
  }
  if (IsWindowsComName(target)) return {};
  return "not a port name (/dev/..., tcp://HOST:PORT, rfc2217://HOST:PORT or COMn)";
}

bool PatternMatches(std::string_view pattern, std::string_view name) {
  // Backtracking on the last '*' only: linear enough for names of 256 characters.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starP = std::string_view::npos;
  std::size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' ? StarCharacter(name[n]) : pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos && StarCharacter(name[starN])) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string PatternProblem(std::string_view pattern) {
  if (pattern.empty()) return "an empty pattern";
  if (pattern.size() > kMaxTargetLength) return "a pattern longer than any port name";
  for (const char c : pattern) {
    if (!NameCharacter(c) && c != '*' && c != '?') return "a character no port name has";
  }
  if (pattern.front() == '/') {
    std::string sample(pattern);
    for (char& c : sample) {
      if (c == '*' || c == '?') c = 'x';
    }
    if (const std::string problem = PathProblem(sample); !problem.empty()) return problem;
    for (const char* device : kNeverPorts) {
      if (PatternMatches(pattern, device)) {
        return std::string("it would let callers open ") + device + ", which is no reader's port";
      }
    }
    if (HasWildcard(pattern)) {
      for (const char* terminal : kOthersTerminals) {
        if (PatternMatches(pattern, terminal)) {
          return std::string("it would let callers open other users' terminals such as ") + terminal +
                 "; name a terminal on its own";
        }
      }
    }
    return {};
  }
  if (pattern.rfind("tcp://", 0) == 0 || pattern.rfind("rfc2217://", 0) == 0) return NetPatternProblem(pattern);
  if (pattern.rfind("COM", 0) == 0 && pattern.size() > 3 &&
      pattern.substr(3).find_first_not_of("0123456789*?") == std::string_view::npos) {
    return {};
  }
  return "not a port pattern (/dev/..., tcp://HOST:PORT, rfc2217://HOST:PORT or COMn)";
}

TTargetCheck CheckTarget(std::string_view target, const std::vector<std::string>& patterns) {
  if (std::string problem = TargetNameProblem(target); !problem.empty()) {
    return {TTargetVerdict::BadName, std::move(problem)};
  }
  for (const std::string& pattern : patterns) {
    if (PatternMatches(pattern, target)) return {TTargetVerdict::Allowed, {}};
  }
  return {TTargetVerdict::NotListed, "the target is not among the configuration's targets"};
}

}  // namespace q17
