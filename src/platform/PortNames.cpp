#include "platform/PortNames.h"

#include <algorithm>
#include <cctype>

namespace q17 {

std::vector<std::string> KeepComPortNames(const std::vector<std::string>& names) {
  std::vector<std::string> kept;
  for (const auto& name : names) {
    if (name.size() >= 4 && name.compare(0, 3, "COM") == 0) kept.push_back(name);
  }
  return kept;
}

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return lower(x) < lower(y); });
}

}  // namespace

void SortIgnoringCase(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
}

void SortIgnoringCase(std::vector<TSerialPortInfo>& ports) {
  std::stable_sort(ports.begin(), ports.end(),
                   [](const TSerialPortInfo& a, const TSerialPortInfo& b) { return LessIgnoringCase(a.Name, b.Name); });
}

std::vector<std::string> SplitPortList(const std::string& list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) parts.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace q17
