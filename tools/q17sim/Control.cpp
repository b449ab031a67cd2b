// Control lines of the simulated bus: the physical world around the
// readers (tags, sensors, cars), their answers, line faults, state queries.
// Every line gets exactly one answer line, so a driver can write a line and
// wait for its answer instead of sleeping.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string_view>

#include "ReaderBus.h"
#include "reader/Cp1251.h"

namespace q17::sim {
namespace {

constexpr std::size_t kMaxLine = 4096;

struct Token {
  std::string_view text;
  std::size_t pos;  // offset in the line
};

std::vector<Token> Tokenize(std::string_view line) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back({line.substr(start, i - start), start});
  }
  return out;
}

// Decimal, or hexadecimal after 0x; nothing else, no sign, no blanks.
bool ParseNumber(std::string_view s, std::uint64_t min, std::uint64_t max, std::uint64_t& out) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty() || s.size() > 16) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
  }
  if (v < min || v > max) return false;
  out = v;
  return true;
}

// A tag code: 1..8 hexadecimal digits, most significant first, blanks
// between the groups allowed ("00 A1 02 28" or 00A10228), 0x optional.
bool ParseTag(const std::vector<Token>& tokens, std::size_t from, std::uint32_t& out) {
  if (from >= tokens.size()) return false;
  std::string digits;
  for (std::size_t i = from; i < tokens.size(); ++i) digits += tokens[i].text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t v = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::toupper(c) - 'A' + 10);
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  out = v;
  return true;
}

bool ParseChannel(const std::vector<Token>& t, std::size_t i, int& out) {
  if (i >= t.size() || (t[i].text != "1" && t[i].text != "2")) return false;
  out = t[i].text == "1" ? 1 : 2;
  return true;
}

std::string TagHex(std::uint32_t tag) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", tag);
  return buf;
}

std::string BlockHex(const Block& b) {
  std::string s = HexBytes(b.data(), b.size());
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  return s;
}

std::string Two(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string DateText(const DateTime& t) {
  return std::to_string(t.year) + "-" + Two(t.month) + "-" + Two(t.day);
}

std::string TimeText(const DateTime& t) { return Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second); }

// "2024-03-05" and "14:07:09".
bool ParseDateTime(std::string_view date, std::string_view time, DateTime& out) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 8 || time[2] != ':' ||
      time[5] != ':')
    return false;
  std::uint64_t y, mo, d, h, mi, s;
  if (!ParseNumber(date.substr(0, 4), 0, 9999, y) || !ParseNumber(date.substr(5, 2), 0, 99, mo) ||
      !ParseNumber(date.substr(8, 2), 0, 99, d) || !ParseNumber(time.substr(0, 2), 0, 99, h) ||
      !ParseNumber(time.substr(3, 2), 0, 99, mi) || !ParseNumber(time.substr(6, 2), 0, 99, s))
    return false;
  out.year = static_cast<int>(y);
  out.month = static_cast<int>(mo);
  out.day = static_cast<int>(d);
  out.hour = static_cast<int>(h);
  out.minute = static_cast<int>(mi);
  out.second = static_cast<int>(s);
  return true;
}

std::string Error(const std::string& text) { return "error " + text; }

std::string StateLine(const ReaderBus& bus, const SimReader& reader) {
  const ReaderState& s = reader.state;
  const DateTime now = s.clock.Now(bus.NowMs());
  auto tags = [](const std::vector<std::uint32_t>& list) {
    if (list.empty()) return std::string("-");
    std::string out;
    for (std::uint32_t t : list) {
      if (!out.empty()) out += ',';
      out += TagHex(t);
    }
    return out;
  };
  std::string answer = "none";
  if (s.forcedAnswer != 0) {
    answer = std::to_string(s.forcedAnswer);
    if (s.forcedCount > 0) answer += "x" + std::to_string(s.forcedCount);
    if (s.forcedCommand != 0) answer += "@cmd" + std::to_string(s.forcedCommand);
  }
  std::string line = "ok ADDR=" + std::to_string(reader.Address());
  line += " BLOCK=" + BlockHex(s.block);
  line += " TMT=" + std::to_string(s.tmt[0]) + "," + std::to_string(s.tmt[1]);
  line += " ATT=" + std::to_string(s.att[0]) + "," + std::to_string(s.att[1]);
  line += " DATE=" + DateText(now) + " TIME=" + TimeText(now) + " DOW=" + std::to_string(now.dayOfWeek);
  line += " PROFILE1=" + BlockHex(s.profiles[0]) + " PROFILE2=" + BlockHex(s.profiles[1]);
  line += " TAGS1=" + tags(s.tags[0]) + " TAGS2=" + tags(s.tags[1]);
  line += " SENSORS=";
  for (std::uint8_t v : s.sensors) line += v ? '1' : '0';
  line += std::string(" AUDIT=") + (s.auditMode ? "on" : "off") + " EVENTS=" + std::to_string(s.audit.size());
  line += std::string(" RADIO=") + (s.radio.running ? "on" : "off") + " RADIOCH=" + std::to_string(s.radio.channel) +
          " REF=" + TagHex(s.radio.referenceTag) + " TEST=" + TagHex(s.radio.testTag) +
          " COUNTS=" + std::to_string(s.radio.referenceCount) + "," + std::to_string(s.radio.testCount);
  line += " ANSWER=" + answer;
  line += " VERSION=\"" + Cp1251ToUtf8(s.version) + "\"";
  return line;
}

// One control line on its way to a handler: the words after the command's
// name, and the reader it acts on (none for a command of the whole bus).
struct Call {
  ReaderBus& bus;
  SimReader* reader;
  const std::vector<Token>& t;  // t[0] is the command's name
  std::string_view line;
  std::int64_t now;
  std::size_t n() const { return t.size(); }
  std::string_view arg(std::size_t i) const { return i < t.size() ? t[i].text : std::string_view{}; }
  std::string Address() const { return std::to_string(reader->Address()); }
};

using Handler = std::string (*)(Call&);

enum class Scope {
  Bus,     // the whole bus: refuses @ADDR
  Reader,  // [@ADDR]: one reader, the selected one without @ADDR
};

struct ControlCommand {
  std::string_view name;
  std::string_view usage;  // what follows the name, for help
  Scope scope;
  Handler handler;
};

// ---- the whole bus ----

std::string Help(Call&);

std::string Quit(Call& c) {
  if (c.n() != 1) return Error("usage: quit");
  c.bus.RequestQuit();
  return "ok bye";
}

std::string Select(Call& c) {
  std::uint64_t a;
  if (c.n() != 2 || !ParseNumber(c.arg(1), 1, 255, a)) return Error("usage: select ADDR");
  if (!c.bus.Select(static_cast<std::uint8_t>(a))) return Error("no reader at " + std::to_string(a));
  return "ok reader " + std::to_string(a) + " selected";
}

std::string ReaderCmd(Call& c) {
  const std::string usage = "usage: reader add|remove ADDR, reader list";
  if (c.n() == 2 && c.arg(1) == "list") {
    std::string out = "ok";
    for (std::uint8_t a : c.bus.Addresses()) out += " " + std::to_string(a);
    return out;
  }
  std::uint64_t a;
  if (c.n() != 3 || !ParseNumber(c.arg(2), 1, 255, a)) return Error(usage);
  const std::string address = std::to_string(a);
  if (c.arg(1) == "add") {
    if (!c.bus.AddReader(static_cast<std::uint8_t>(a))) return Error("address " + address + " is taken");
    return "ok reader " + address + " added";
  }
  if (c.arg(1) == "remove") {
    if (!c.bus.RemoveReader(static_cast<std::uint8_t>(a))) return Error("no reader at " + address);
    return "ok reader " + address + " removed";
  }
  return Error(usage);
}

std::string Stats(Call& c) {
  if (c.n() != 1) return Error("usage: stats");
  const BusStats& s = c.bus.Stats();
  return "ok requests=" + std::to_string(s.requests) + " unanswered=" + std::to_string(s.unanswered) +
         " badcrc=" + std::to_string(s.badCrc) + " malformed=" + std::to_string(s.malformed) +
         " replies=" + std::to_string(s.replies);
}

std::string FaultsCmd(Call& c) {
  if (c.n() != 1) return Error("usage: faults");
  const Faults& f = c.bus.GetFaults();
  std::string out = "ok replies=" + std::to_string(f.Replies()) + " injected=" + std::to_string(f.InjectedTotal());
  for (int i = 0; i < kFaultKindCount; ++i) {
    const auto k = static_cast<FaultKind>(i);
    out += std::string(" ") + FaultName(k) + "=" + std::to_string(f.Injected(k));
  }
  return out + " active=" + f.Describe();
}

std::string Delay(Call& c) {
  std::uint64_t ms;
  if (c.n() != 2 || !ParseNumber(c.arg(1), 0, 60000, ms)) return Error("usage: delay MS (0..60000)");
  c.bus.GetFaults().SetDelayMs(static_cast<std::uint32_t>(ms));
  return "ok delay " + std::to_string(ms) + " ms";
}

// "cut,noreply" or "cut noreply" from word `from` on; nothing when one is unknown.
std::optional<std::vector<FaultKind>> FaultKinds(const Call& c, std::size_t from, std::string& unknown) {
  std::vector<FaultKind> kinds;
  for (std::size_t i = from; i < c.n(); ++i) {
    std::string_view list = c.arg(i);
    while (!list.empty()) {
      const std::size_t comma = list.find(',');
      const std::string_view name = list.substr(0, comma);
      if (!name.empty()) {
        const auto kind = ParseFaultKind(name);
        if (!kind) {
          unknown = name;
          return std::nullopt;
        }
        kinds.push_back(*kind);
      }
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
  }
  return kinds;
}

std::string Fault(Call& c) {
  const std::string usage =
      "usage: fault KIND on|off|next N, fault random K SEED [KIND...], fault random off, fault off";
  Faults& faults = c.bus.GetFaults();
  if (c.n() == 2 && c.arg(1) == "off") {
    faults.AllOff();
    return "ok all faults off";
  }
  if (c.n() >= 2 && c.arg(1) == "random") {
    if (c.n() == 3 && c.arg(2) == "off") {
      faults.RandomOff();
      return "ok random faults off";
    }
    std::uint64_t every, seed;
    if (c.n() < 4 || !ParseNumber(c.arg(2), 1, 1000000, every) || !ParseNumber(c.arg(3), 0, 0xFFFFFFFFu, seed))
      return Error(usage);
    std::string unknown;
    auto kinds = FaultKinds(c, 4, unknown);
    if (!kinds) return Error("unknown fault " + unknown);
    if (kinds->empty()) kinds = Faults::DefaultRandomKinds();
    faults.SetRandom(static_cast<unsigned>(every), static_cast<std::uint32_t>(seed), *kinds);
    return "ok one fault in every " + std::to_string(every) + " replies, seed " + std::to_string(seed);
  }
  if (c.n() < 3) return Error(usage);
  const auto kind = ParseFaultKind(c.arg(1));
  if (!kind) return Error("unknown fault " + std::string(c.arg(1)));
  const std::string name = FaultName(*kind);
  if (c.n() == 3 && (c.arg(2) == "on" || c.arg(2) == "off")) {
    faults.SetOn(*kind, c.arg(2) == "on");
    return "ok " + name + " " + std::string(c.arg(2));
  }
  std::uint64_t count;
  if (c.n() == 4 && c.arg(2) == "next" && ParseNumber(c.arg(3), 1, 1000000, count)) {
    faults.SetNext(*kind, static_cast<unsigned>(count));
    return "ok " + name + " on the next " + std::to_string(count) + " replies";
  }
  return Error(usage);
}

// ---- one reader ----

std::string State(Call& c) {
  // "state ADDR" names the reader itself; the dispatcher has found it.
  if (c.n() > 2) return Error("usage: state [ADDR], or @ADDR state");
  return StateLine(c.bus, *c.reader);
}

std::string Reset(Call& c) {
  if (c.n() != 1) return Error("usage: reset");
  c.reader->Reset(c.now);
  return "ok reader " + c.Address() + " reset";
}

std::string Tag(Call& c) {
  const std::string usage = "usage: tag add|remove CH TAG, tag clear|list CH";
  int ch;
  if (c.n() < 3 || !ParseChannel(c.t, 2, ch)) return Error(usage);
  const std::string chText = " channel " + std::to_string(ch);
  const std::vector<std::uint32_t>& field = c.reader->state.tags[static_cast<std::size_t>(ch - 1)];
  if (c.arg(1) == "clear" && c.n() == 3) {
    c.reader->ClearTags(ch, c.now);
    return "ok" + chText + " empty";
  }
  if (c.arg(1) == "list" && c.n() == 3) {
    std::string out = "ok";
    for (std::uint32_t tag : field) out += " " + TagHex(tag);
    return out;
  }
  std::uint32_t tag;
  if (!ParseTag(c.t, 3, tag)) return Error(usage);
  if (c.arg(1) == "add") {
    if (!c.reader->AddTag(ch, tag, c.now)) {
      return Error(field.size() >= kMaxTagsPerChannel ? "channel " + std::to_string(ch) + " is full"
                                                      : "tag " + TagHex(tag) + " is already in" + chText);
    }
    return "ok tag " + TagHex(tag) + " in" + chText + " (" + std::to_string(field.size()) + " tags)";
  }
  if (c.arg(1) == "remove") {
    if (!c.reader->RemoveTag(ch, tag, c.now)) return Error("tag " + TagHex(tag) + " is not in" + chText);
    return "ok tag " + TagHex(tag) + " left" + chText + " (" + std::to_string(field.size()) + " tags)";
  }
  return Error(usage);
}

std::string Sensor(Call& c) {
  int ch;
  if (c.n() != 4 || (c.arg(1) != "car" && c.arg(1) != "gate") || !ParseChannel(c.t, 2, ch) ||
      (c.arg(3) != "on" && c.arg(3) != "off"))
    return Error("usage: sensor car|gate CH on|off");
  c.reader->SetSensor(ch, c.arg(1) == "car" ? 1 : 0, c.arg(3) == "on", c.now);
  return "ok channel " + std::to_string(ch) + " " + std::string(c.arg(1)) + " " + std::string(c.arg(3));
}

std::string Event(Call& c) {
  std::uint64_t code;
  int ch;
  std::uint32_t tag;
  if (c.n() < 4 || !ParseNumber(c.arg(1), 0, 0xFFFF, code) || !ParseChannel(c.t, 2, ch) || !ParseTag(c.t, 3, tag))
    return Error("usage: event CODE CH TAG");
  c.reader->QueueEvent(static_cast<std::uint16_t>(code), ch, tag, c.now);
  return "ok 1 event queued (" + std::to_string(c.reader->state.audit.size()) + " waiting)";
}

std::string Pass(Call& c) {
  int ch;
  std::uint32_t tag;
  if (c.n() < 3 || !ParseChannel(c.t, 1, ch) || !ParseTag(c.t, 2, tag)) return Error("usage: pass CH TAG");
  const int count = c.reader->QueuePassage(ch, tag, c.now);
  return "ok " + std::to_string(count) + " events queued (" + std::to_string(c.reader->state.audit.size()) +
         " waiting)";
}

std::string Audit(Call& c) {
  if (c.n() == 2 && (c.arg(1) == "on" || c.arg(1) == "off")) {
    c.reader->SetAuditMode(c.arg(1) == "on");
    return "ok audit " + std::string(c.arg(1));
  }
  if (c.n() == 2 && c.arg(1) == "clear") {
    c.reader->ClearAudit();
    return "ok audit store empty";
  }
  return Error("usage: audit on|off|clear");
}

std::string Answer(Call& c) {
  if (c.n() == 2 && c.arg(1) == "off") {
    c.reader->NormalAnswers();
    return "ok normal answers";
  }
  // "cmd N" at the end limits the answer to requests of command N.
  std::uint64_t code, count = 0, command = 0;
  std::size_t n = c.n();
  const bool oneCommand = n >= 4 && c.arg(n - 2) == "cmd";
  if (oneCommand) n -= 2;
  if (n < 2 || n > 3 || !ParseNumber(c.arg(1), 1, 255, code) || (n == 3 && !ParseNumber(c.arg(2), 1, 1000000, count)) ||
      (oneCommand && !ParseNumber(c.arg(c.n() - 1), 1, 65535, command)))
    return Error("usage: answer CODE [COUNT] [cmd N] (CODE 1..255), answer off");
  c.reader->ForceAnswer(static_cast<std::uint16_t>(code), n == 3 ? static_cast<int>(count) : -1,
                        static_cast<std::uint16_t>(command));
  const std::string ofCommand = oneCommand ? " of command " + std::to_string(command) : "";
  return "ok reader " + c.Address() + " answers " + std::to_string(code) +
         (n == 3 ? " to the next " + std::to_string(count) + " requests" : std::string(" to every request")) + ofCommand;
}

std::string Slow(Call& c) {
  std::uint64_t ms;
  if (c.n() != 2 || !ParseNumber(c.arg(1), 0, 60000, ms)) return Error("usage: slow MS (0..60000; 0: in time)");
  c.reader->state.slowMs = static_cast<std::uint32_t>(ms);
  return "ok reader " + c.Address() + " answers " + std::to_string(ms) + " ms late";
}

std::string RadioCounts(Call& c) {
  std::uint64_t ref, test;
  if (c.n() != 3 || !ParseNumber(c.arg(1), 0, 0xFFFF, ref) || !ParseNumber(c.arg(2), 0, 0xFFFF, test))
    return Error("usage: radio-counts REF TEST (0..65535)");
  c.reader->SetRadioCounts(static_cast<std::uint16_t>(ref), static_cast<std::uint16_t>(test));
  return "ok counts " + std::to_string(ref) + " " + std::to_string(test);
}

std::string Version(Call& c) {
  // The text is the rest of the line after one separator, blanks kept.
  const std::size_t after = c.t[0].pos + c.t[0].text.size();
  const std::string_view text = after < c.line.size() ? c.line.substr(after + 1) : std::string_view{};
  std::string bytes = Utf8ToCp1251(text);
  const std::size_t size = bytes.size();
  if (!c.reader->SetVersion(std::move(bytes))) return Error("version text longer than 128 bytes");
  return "ok version of " + std::to_string(size) + " bytes";
}

std::string Clock(Call& c) {
  DateTime v;
  std::uint64_t dow = 0;
  if (c.n() < 3 || c.n() > 4 || !ParseDateTime(c.arg(1), c.arg(2), v) ||
      (c.n() == 4 && !ParseNumber(c.arg(3), 1, 7, dow)))
    return Error("usage: clock YYYY-MM-DD hh:mm:ss [DOW 1=Sunday..7]");
  if (c.n() == 3) {
    const std::chrono::year_month_day ymd{std::chrono::year{v.year}, std::chrono::month{static_cast<unsigned>(v.month)},
                                          std::chrono::day{static_cast<unsigned>(v.day)}};
    dow = ymd.ok() ? std::chrono::weekday{std::chrono::sys_days{ymd}}.c_encoding() + 1 : 1;
  }
  v.dayOfWeek = static_cast<int>(dow);
  if (!c.reader->SetClock(v, c.now)) return Error("no such date or time in 2000..2099");
  return "ok clock " + DateText(v) + " " + TimeText(v) + " dow " + std::to_string(v.dayOfWeek);
}

constexpr ControlCommand kCommands[] = {
    {"help", "", Scope::Bus, Help},
    {"quit", "", Scope::Bus, Quit},
    {"select", "ADDR", Scope::Bus, Select},
    {"reader", "add|remove ADDR, reader list", Scope::Bus, ReaderCmd},
    {"tag", "add|remove CH TAG, tag clear|list CH", Scope::Reader, Tag},
    {"sensor", "car|gate CH on|off", Scope::Reader, Sensor},
    {"event", "CODE CH TAG", Scope::Reader, Event},
    {"pass", "CH TAG", Scope::Reader, Pass},
    {"audit", "on|off|clear", Scope::Reader, Audit},
    {"answer", "CODE [COUNT] [cmd N], answer off", Scope::Reader, Answer},
    {"slow", "MS", Scope::Reader, Slow},
    {"radio-counts", "REF TEST", Scope::Reader, RadioCounts},
    {"version", "TEXT", Scope::Reader, Version},
    {"clock", "YYYY-MM-DD hh:mm:ss [DOW]", Scope::Reader, Clock},
    {"reset", "", Scope::Reader, Reset},
    {"state", "[ADDR]", Scope::Reader, State},
    {"stats", "", Scope::Bus, Stats},
    {"fault", "KIND on|off|next N, fault random K SEED [KIND...], fault random off, fault off", Scope::Bus, Fault},
    {"faults", "", Scope::Bus, FaultsCmd},
    {"delay", "MS", Scope::Bus, Delay},
};

std::string Help(Call& c) {
  if (c.n() != 1) return Error("usage: help");
  std::string out = "ok commands:";
  const char* separator = " ";
  for (const ControlCommand& command : kCommands) {
    out += separator;
    if (command.scope == Scope::Reader) out += "[@ADDR] ";
    out += command.name;
    if (!command.usage.empty()) {
      out += ' ';
      out += command.usage;
    }
    separator = " | ";
  }
  out += " (KIND:";
  for (int i = 0; i < kFaultKindCount; ++i) {
    out += ' ';
    out += FaultName(static_cast<FaultKind>(i));
  }
  return out + ")";
}

const ControlCommand* FindCommand(std::string_view name) {
  for (const ControlCommand& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace

std::string ReaderBus::ApplyControl(const std::string& raw) {
  if (raw.size() > kMaxLine) return Error("line too long");
  std::string_view line(raw);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  std::vector<Token> t = Tokenize(line);
  if (t.empty() || t[0].text[0] == '#') return "ok";

  // An optional "@ADDR" picks the reader; otherwise the selected one.
  std::optional<std::uint8_t> target;
  if (t[0].text[0] == '@') {
    std::uint64_t a;
    if (!ParseNumber(t[0].text.substr(1), 1, 255, a)) return Error("bad reader address " + std::string(t[0].text));
    target = static_cast<std::uint8_t>(a);
    t.erase(t.begin());
    if (t.empty()) return Error("command missing after " + std::string(raw.substr(0, raw.find_first_of(" \t"))));
  }
  const ControlCommand* command = FindCommand(t[0].text);
  if (!command) return Error("unknown command " + std::string(t[0].text) + " (try help)");

  // Who the line is for is settled before anything changes.
  SimReader* reader = nullptr;
  if (command->scope == Scope::Bus) {
    if (target) return Error(std::string(command->name) + " does not take @ADDR");
  } else {
    std::uint8_t address = target.value_or(selected_);
    if (command->name == "state" && t.size() == 2) {
      std::uint64_t a;
      if (target || !ParseNumber(t[1].text, 1, 255, a)) return Error("usage: state [ADDR], or @ADDR state");
      address = static_cast<std::uint8_t>(a);
    }
    reader = Reader(address);
    if (!reader) return Error("no reader at " + std::to_string(address));
  }
  Call call{*this, reader, t, line, NowMs()};
  return command->handler(call);
}

}  // namespace q17::sim
