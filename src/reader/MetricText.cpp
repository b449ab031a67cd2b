#include "reader/MetricText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace q17 {
namespace {

// The length of the UTF-8 character at text[i], or 0 when none starts there.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = at(i);
  std::size_t n = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  }
  return n;
}

std::string Escape(std::string_view text, bool quotes) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' && quotes) {
      out += "\\\"";
    } else {
      const std::size_t n = Utf8Length(text, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
        continue;
      }
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    ++i;
  }
  return out;
}

std::string Number(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : "NaN";
}

const char* TypeName(TMetricType type) {
  switch (type) {
    case TMetricType::Counter:
      return "counter";
    case TMetricType::Histogram:
      return "histogram";
    case TMetricType::Gauge:
      break;
  }
  return "gauge";
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

TMetricFamily& TMetricFamily::Add(double value, std::vector<std::pair<std::string, std::string>> labels) {
  Samples.push_back({Type == TMetricType::Counter ? "_total" : "", std::move(labels), value});
  return *this;
}

std::string EscapeLabelValue(std::string_view value) { return Escape(value, true); }

std::string WriteMetrics(const std::vector<TMetricFamily>& families, TMetricFormat format) {
  const bool om = format == TMetricFormat::OpenMetrics;
  std::string text;
  for (const TMetricFamily& family : families) {
    if (family.Samples.empty()) continue;
    // The text format names a counter by its samples' name, OpenMetrics by the family's.
    const std::string typeName = !om && family.Type == TMetricType::Counter ? family.Name + "_total" : family.Name;
    // Piece by piece: fewer temporaries, and none that GCC 12 misjudges.
    text.append("# HELP ").append(typeName).append(" ").append(Escape(family.Help, om)).append("\n");
    text.append("# TYPE ").append(typeName).append(" ").append(TypeName(family.Type)).append("\n");
    for (const TMetricSample& sample : family.Samples) {
      text.append(family.Name).append(sample.Suffix);
      if (!sample.Labels.empty()) {
        text += '{';
        for (std::size_t i = 0; i < sample.Labels.size(); ++i) {
          if (i > 0) text += ',';
          text.append(sample.Labels[i].first).append("=\"").append(EscapeLabelValue(sample.Labels[i].second)).append("\"");
        }
        text += '}';
      }
      text.append(" ").append(Number(sample.Value)).append("\n");
    }
  }
  if (om) text += "# EOF\n";
  return text;
}

TMetricFormat FormatForAccept(std::string_view accept) {
  double openMetrics = 0;
  double plain = 0;
  while (!accept.empty()) {
    const std::size_t comma = accept.find(',');
    std::string_view range = accept.substr(0, comma);
    accept = comma == std::string_view::npos ? std::string_view{} : accept.substr(comma + 1);
    const std::size_t semi = range.find(';');
    const std::string_view type = Trim(range.substr(0, semi));
    double q = 1;
    bool versionOk = true;
    for (std::string_view params = semi == std::string_view::npos ? std::string_view{} : range.substr(semi + 1);
         !params.empty();) {
      const std::size_t next = params.find(';');
      const std::string_view param = Trim(params.substr(0, next));
      params = next == std::string_view::npos ? std::string_view{} : params.substr(next + 1);
      const std::size_t eq = param.find('=');
      if (eq == std::string_view::npos) continue;
      const std::string_view name = Trim(param.substr(0, eq));
      const std::string_view value = Trim(param.substr(eq + 1));
      if (SameWord(name, "q")) {
        const std::string number(value);
        char* end = nullptr;
        const double parsed = std::strtod(number.c_str(), &end);
        q = end != number.c_str() && parsed >= 0 && parsed <= 1 ? parsed : 0;
      } else if (SameWord(name, "version")) {
        versionOk = value == "1.0.0";
      }
    }
    if (SameWord(type, "application/openmetrics-text")) {
      if (versionOk && q > openMetrics) openMetrics = q;
    } else if (SameWord(type, "text/plain") || SameWord(type, "*/*") || SameWord(type, "text/*")) {
      if (q > plain) plain = q;
    }
  }
  return openMetrics > 0 && openMetrics >= plain ? TMetricFormat::OpenMetrics : TMetricFormat::Text;
}

const char* MetricContentType(TMetricFormat format) {
  return format == TMetricFormat::OpenMetrics ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
                                              : "text/plain; version=0.0.4; charset=utf-8";
}

}  // namespace q17
