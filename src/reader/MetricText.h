#pragma once
// Metrics as monitoring systems scrape them: families of samples written in
// the Prometheus text format (version 0.0.4) or in OpenMetrics 1.0.0, which
// differ in a counter's TYPE name, in escaping HELP and in the closing line.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace q17 {

enum class TMetricFormat { Text, OpenMetrics };

enum class TMetricType { Gauge, Counter, Histogram };

struct TMetricSample {
  // Added to the family's name: "_total" for a counter's sample, "_bucket",
  // "_sum" or "_count" for a histogram's; empty for a gauge.
  std::string Suffix;
  std::vector<std::pair<std::string, std::string>> Labels;
  double Value = 0;
};

struct TMetricFamily {
  std::string Name;  // a counter's without "_total"
  std::string Help;
  TMetricType Type = TMetricType::Gauge;
  std::vector<TMetricSample> Samples;

  // A sample of this family (its suffix as the type asks for a plain value).
  TMetricFamily& Add(double value, std::vector<std::pair<std::string, std::string>> labels = {});
};

// The families one after the other, each with its HELP and TYPE lines before
// its samples; a family without samples is left out. OpenMetrics ends with
// "# EOF".
std::string WriteMetrics(const std::vector<TMetricFamily>& families, TMetricFormat format);

// A label value between its quotes: \ " and a line end escaped; bytes that
// are not UTF-8 become U+FFFD, as a scraper refuses them.
std::string EscapeLabelValue(std::string_view value);

// What the scraper asked for in its Accept header: OpenMetrics when it ranks
// it at least as high as the text format, else the text format.
TMetricFormat FormatForAccept(std::string_view accept);

// The Content-Type of a format.
const char* MetricContentType(TMetricFormat format);

}  // namespace q17
