#include "settings/ExportName.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace q17 {

std::string ExportFilter(const TExportFormat& format) {
  std::string patterns;
  for (const std::string& ext : format.Extensions) patterns += (patterns.empty() ? "*." : " *.") + ext;
  return format.Description + " (" + patterns + ")";
}

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  const auto from = text.end() - static_cast<std::ptrdiff_t>(tail.size());
  return std::equal(tail.begin(), tail.end(), from, [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

std::string ExportFileName(const std::string& typed, const TExportFormat& format) {
  std::string name = typed;
  const std::size_t folderEnd = name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1;
  while (name.size() > folderEnd && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.size() == folderEnd || format.Extensions.empty()) return {};
  const std::string file = name.substr(folderEnd);
  for (const std::string& ext : format.Extensions) {
    // ".log" alone is a hidden file's name, not an extension.
    if (file.size() > ext.size() + 1 && EndsWithNoCase(file, "." + ext)) return name;
  }
  return name + "." + format.Extensions.front();
}

}  // namespace q17
