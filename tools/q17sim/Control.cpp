// Control lines of the simulated bus: the physical world around the
// readers (tags, sensors, cars), their answers, line faults, state queries.
// Every line gets exactly one answer line, so a driver can write a line and
// wait for its answer instead of sleeping.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "ReaderBus.h"
#include "reader/Cp1251.h"

namespace q17::sim {
namespace {

constexpr std::size_t kMaxLine = 4096;

constexpr const char* kHelp =
    "ok commands: help | quit | select ADDR | reader add|remove ADDR | reader list"
    " | [@ADDR] tag add|remove CH TAG | [@ADDR] tag clear|list CH | [@ADDR] sensor car|gate CH on|off"
    " | [@ADDR] event CODE CH TAG | [@ADDR] pass CH TAG | [@ADDR] audit on|off|clear"
    " | [@ADDR] answer CODE [COUNT] | [@ADDR] answer off | [@ADDR] radio-counts REF TEST"
    " | [@ADDR] version TEXT | [@ADDR] clock YYYY-MM-DD hh:mm:ss [DOW] | [@ADDR] reset | [@ADDR] state"
    " | stats | fault KIND on|off|next N | fault random K SEED [KIND...] | fault random off | fault off"
    " | faults | delay MS (KIND: noise badcrc packetno oversize flags11 noreply cut delay)";

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

}  // namespace

std::string ReaderBus::StateLine(const SimReader& reader) const {
  const ReaderState& s = reader.state;
  const DateTime now = s.clock.Now(NowMs());
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
  const std::string_view cmd = t[0].text;
  const std::size_t n = t.size();
  const std::int64_t now = NowMs();

  // Bus-wide commands.
  auto busWide = [&]() -> std::optional<std::string> {
    if (cmd == "help") return std::string(kHelp);
    if (cmd == "quit") {
      quit_ = true;
      return std::string("ok bye");
    }
    if (cmd == "select") {
      std::uint64_t a;
      if (n != 2 || !ParseNumber(t[1].text, 1, 255, a)) return Error("usage: select ADDR");
      if (!Reader(static_cast<std::uint8_t>(a))) return Error("no reader at " + std::to_string(a));
      selected_ = static_cast<std::uint8_t>(a);
      return "ok reader " + std::to_string(a) + " selected";
    }
    if (cmd == "reader") {
      if (n == 2 && t[1].text == "list") {
        std::string out = "ok";
        for (std::uint8_t a : Addresses()) out += " " + std::to_string(a);
        return out;
      }
      std::uint64_t a;
      if (n != 3 || !ParseNumber(t[2].text, 1, 255, a)) return Error("usage: reader add|remove ADDR, reader list");
      if (t[1].text == "add") {
        if (!AddReader(static_cast<std::uint8_t>(a))) return Error("address " + std::to_string(a) + " is taken");
        return "ok reader " + std::to_string(a) + " added";
      }
      if (t[1].text == "remove") {
        if (!RemoveReader(static_cast<std::uint8_t>(a))) return Error("no reader at " + std::to_string(a));
        return "ok reader " + std::to_string(a) + " removed";
      }
      return Error("usage: reader add|remove ADDR, reader list");
    }
    if (cmd == "stats") {
      return "ok requests=" + std::to_string(stats_.requests) + " unanswered=" + std::to_string(stats_.unanswered) +
             " badcrc=" + std::to_string(stats_.badCrc) + " malformed=" + std::to_string(stats_.malformed) +
             " replies=" + std::to_string(stats_.replies);
    }
    if (cmd == "faults") {
      std::string out = "ok replies=" + std::to_string(faults_.Replies()) +
                        " injected=" + std::to_string(faults_.InjectedTotal());
      for (int i = 0; i < kFaultKindCount; ++i) {
        const auto k = static_cast<FaultKind>(i);
        out += std::string(" ") + FaultName(k) + "=" + std::to_string(faults_.Injected(k));
      }
      return out + " active=" + faults_.Describe();
    }
    if (cmd == "delay") {
      std::uint64_t ms;
      if (n != 2 || !ParseNumber(t[1].text, 0, 60000, ms)) return Error("usage: delay MS (0..60000)");
      faults_.SetDelayMs(static_cast<std::uint32_t>(ms));
      return "ok delay " + std::to_string(ms) + " ms";
    }
    if (cmd == "fault") {
      const std::string usage =
          "usage: fault KIND on|off|next N, fault random K SEED [KIND...], fault random off, fault off";
      if (n == 2 && t[1].text == "off") {
        faults_.AllOff();
        return std::string("ok all faults off");
      }
      if (n >= 2 && t[1].text == "random") {
        if (n == 3 && t[2].text == "off") {
          faults_.RandomOff();
          return std::string("ok random faults off");
        }
        std::uint64_t every, seed;
        if (n < 4 || !ParseNumber(t[2].text, 1, 1000000, every) || !ParseNumber(t[3].text, 0, 0xFFFFFFFFu, seed))
          return Error(usage);
        std::vector<FaultKind> kinds;
        for (std::size_t i = 4; i < n; ++i) {
          std::string_view list = t[i].text;
          while (!list.empty()) {
            const std::size_t comma = list.find(',');
            const std::string_view name = list.substr(0, comma);
            if (!name.empty()) {
              const auto kind = ParseFaultKind(name);
              if (!kind) return Error("unknown fault " + std::string(name));
              kinds.push_back(*kind);
            }
            if (comma == std::string_view::npos) break;
            list.remove_prefix(comma + 1);
          }
        }
        if (kinds.empty()) kinds = Faults::DefaultRandomKinds();
        faults_.SetRandom(static_cast<unsigned>(every), static_cast<std::uint32_t>(seed), kinds);
        return "ok one fault in every " + std::to_string(every) + " replies, seed " + std::to_string(seed);
      }
      if (n < 3) return Error(usage);
      const auto kind = ParseFaultKind(t[1].text);
      if (!kind) return Error("unknown fault " + std::string(t[1].text));
      const std::string name = FaultName(*kind);
      if (n == 3 && t[2].text == "on") {
        faults_.SetOn(*kind, true);
        return "ok " + name + " on";
      }
      if (n == 3 && t[2].text == "off") {
        faults_.SetOn(*kind, false);
        return "ok " + name + " off";
      }
      std::uint64_t count;
      if (n == 4 && t[2].text == "next" && ParseNumber(t[3].text, 1, 1000000, count)) {
        faults_.SetNext(*kind, static_cast<unsigned>(count));
        return "ok " + name + " on the next " + std::to_string(count) + " replies";
      }
      return Error(usage);
    }
    return std::nullopt;
  };
  if (auto answer = busWide()) {
    if (target) return Error(std::string(cmd) + " does not take @ADDR");
    return *answer;
  }

  // Commands for one reader.
  std::uint8_t address = target.value_or(selected_);
  if (cmd == "state" && !target && n == 2) {
    std::uint64_t a;
    if (!ParseNumber(t[1].text, 1, 255, a)) return Error("usage: state [ADDR]");
    address = static_cast<std::uint8_t>(a);
  }
  static const std::vector<std::string_view> kReaderCommands = {
      "tag", "sensor", "event", "pass", "audit", "answer", "radio-counts", "version", "clock", "reset", "state"};
  if (std::find(kReaderCommands.begin(), kReaderCommands.end(), cmd) == kReaderCommands.end())
    return Error("unknown command " + std::string(cmd) + " (try help)");
  SimReader* reader = Reader(address);
  if (!reader) return Error("no reader at " + std::to_string(address));
  ReaderState& s = reader->state;

  if (cmd == "state") {
    if (n > 2 || (target && n == 2)) return Error("usage: state [ADDR], or @ADDR state");
    return StateLine(*reader);
  }
  if (cmd == "reset") {
    if (n != 1) return Error("usage: reset");
    reader->Reset(now);
    return "ok reader " + std::to_string(address) + " reset";
  }
  if (cmd == "tag") {
    const std::string usage = "usage: tag add|remove CH TAG, tag clear|list CH";
    int ch;
    if (n < 3 || !ParseChannel(t, 2, ch)) return Error(usage);
    const std::string chText = " channel " + std::to_string(ch);
    if (t[1].text == "clear" && n == 3) {
      reader->ClearTags(ch, now);
      return "ok" + chText + " empty";
    }
    if (t[1].text == "list" && n == 3) {
      std::string out = "ok";
      for (std::uint32_t tag : s.tags[static_cast<std::size_t>(ch - 1)]) out += " " + TagHex(tag);
      return out;
    }
    std::uint32_t tag;
    if (!ParseTag(t, 3, tag)) return Error(usage);
    if (t[1].text == "add") {
      if (!reader->AddTag(ch, tag, now)) {
        return Error(s.tags[static_cast<std::size_t>(ch - 1)].size() >= kMaxTagsPerChannel
                         ? "channel " + std::to_string(ch) + " is full"
                         : "tag " + TagHex(tag) + " is already in" + chText);
      }
      return "ok tag " + TagHex(tag) + " in" + chText + " (" +
             std::to_string(s.tags[static_cast<std::size_t>(ch - 1)].size()) + " tags)";
    }
    if (t[1].text == "remove") {
      if (!reader->RemoveTag(ch, tag, now)) return Error("tag " + TagHex(tag) + " is not in" + chText);
      return "ok tag " + TagHex(tag) + " left" + chText + " (" +
             std::to_string(s.tags[static_cast<std::size_t>(ch - 1)].size()) + " tags)";
    }
    return Error(usage);
  }
  if (cmd == "sensor") {
    int ch;
    if (n != 4 || (t[1].text != "car" && t[1].text != "gate") || !ParseChannel(t, 2, ch) ||
        (t[3].text != "on" && t[3].text != "off"))
      return Error("usage: sensor car|gate CH on|off");
    reader->SetSensor(ch, t[1].text == "car" ? 1 : 0, t[3].text == "on", now);
    return "ok channel " + std::to_string(ch) + " " + std::string(t[1].text) + " " + std::string(t[3].text);
  }
  if (cmd == "event") {
    std::uint64_t code;
    int ch;
    std::uint32_t tag;
    if (n < 4 || !ParseNumber(t[1].text, 0, 0xFFFF, code) || !ParseChannel(t, 2, ch) || !ParseTag(t, 3, tag))
      return Error("usage: event CODE CH TAG");
    reader->QueueEvent(static_cast<std::uint16_t>(code), ch, tag, now);
    return "ok 1 event queued (" + std::to_string(s.audit.size()) + " waiting)";
  }
  if (cmd == "pass") {
    int ch;
    std::uint32_t tag;
    if (n < 3 || !ParseChannel(t, 1, ch) || !ParseTag(t, 2, tag)) return Error("usage: pass CH TAG");
    const int count = reader->QueuePassage(ch, tag, now);
    return "ok " + std::to_string(count) + " events queued (" + std::to_string(s.audit.size()) + " waiting)";
  }
  if (cmd == "audit") {
    if (n == 2 && (t[1].text == "on" || t[1].text == "off")) {
      s.auditMode = t[1].text == "on";
      return "ok audit " + std::string(t[1].text);
    }
    if (n == 2 && t[1].text == "clear") {
      s.audit.clear();
      return std::string("ok audit store empty");
    }
    return Error("usage: audit on|off|clear");
  }
  if (cmd == "answer") {
    if (n == 2 && t[1].text == "off") {
      s.forcedAnswer = 0;
      s.forcedCount = -1;
      return std::string("ok normal answers");
    }
    std::uint64_t code, count = 0;
    if (n < 2 || n > 3 || !ParseNumber(t[1].text, 1, 255, code) ||
        (n == 3 && !ParseNumber(t[2].text, 1, 1000000, count)))
      return Error("usage: answer CODE [COUNT] (CODE 1..255), answer off");
    s.forcedAnswer = static_cast<std::uint16_t>(code);
    s.forcedCount = n == 3 ? static_cast<int>(count) : -1;
    return "ok reader " + std::to_string(address) + " answers " + std::to_string(code) +
           (n == 3 ? " to the next " + std::to_string(count) + " requests" : std::string(" to every request"));
  }
  if (cmd == "radio-counts") {
    std::uint64_t ref, test;
    if (n != 3 || !ParseNumber(t[1].text, 0, 0xFFFF, ref) || !ParseNumber(t[2].text, 0, 0xFFFF, test))
      return Error("usage: radio-counts REF TEST (0..65535)");
    s.radio.referenceCount = static_cast<std::uint16_t>(ref);
    s.radio.testCount = static_cast<std::uint16_t>(test);
    return "ok counts " + std::to_string(ref) + " " + std::to_string(test);
  }
  if (cmd == "version") {
    // The text is the rest of the line after one separator, blanks kept.
    const std::size_t after = t[0].pos + cmd.size();
    const std::string_view text = after < line.size() ? line.substr(after + 1) : std::string_view{};
    std::string bytes = Utf8ToCp1251(text);
    if (bytes.size() > 128) return Error("version text longer than 128 bytes");
    s.version = std::move(bytes);
    return "ok version of " + std::to_string(s.version.size()) + " bytes";
  }
  if (cmd == "clock") {
    DateTime v;
    std::uint64_t dow = 0;
    if (n < 3 || n > 4 || !ParseDateTime(t[1].text, t[2].text, v) || (n == 4 && !ParseNumber(t[3].text, 1, 7, dow)))
      return Error("usage: clock YYYY-MM-DD hh:mm:ss [DOW 1=Sunday..7]");
    if (n == 3) {
      const std::chrono::year_month_day ymd{std::chrono::year{v.year}, std::chrono::month{static_cast<unsigned>(v.month)},
                                            std::chrono::day{static_cast<unsigned>(v.day)}};
      dow = ymd.ok() ? std::chrono::weekday{std::chrono::sys_days{ymd}}.c_encoding() + 1 : 1;
    }
    v.dayOfWeek = static_cast<int>(dow);
    if (!s.clock.Set(v, now)) return Error("no such date or time in 2000..2099");
    return "ok clock " + DateText(v) + " " + TimeText(v) + " dow " + std::to_string(v.dayOfWeek);
  }
  return Error("unknown command " + std::string(cmd));
}

}  // namespace q17::sim
