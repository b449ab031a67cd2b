// Writes the program's version record for the ELF section:
//   q17_make_version_record OUT MAJOR.MINOR.RELEASE.BUILD KEY=VALUE...
// The strings go into the 041904E3 table in the order given.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "version/VersionRecordWriter.h"

namespace {

bool ParseVersion(const std::string& text, std::array<std::uint16_t, 4>& words) {
  unsigned v[4];
  char tail = 0;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &v[0], &v[1], &v[2], &v[3], &tail) != 4) return false;
  for (int k = 0; k < 4; ++k) {
    if (v[k] > 0xFFFF) return false;
    words[k] = static_cast<std::uint16_t>(v[k]);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT MAJOR.MINOR.RELEASE.BUILD KEY=VALUE...\n", argv[0]);
    return 2;
  }
  q17::TVersionRecordData data;
  if (!ParseVersion(argv[2], data.FileVersion)) {
    std::fprintf(stderr, "%s: not a four-part version of 16-bit numbers: %s\n", argv[0], argv[2]);
    return 2;
  }
  data.ProductVersion = data.FileVersion;
  for (int i = 3; i < argc; ++i) {
    const std::string pair = argv[i];
    const auto eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) {
      std::fprintf(stderr, "%s: expected KEY=VALUE: %s\n", argv[0], argv[i]);
      return 2;
    }
    data.Strings.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
  }
  try {
    const auto record = q17::BuildVersionRecord(data);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
