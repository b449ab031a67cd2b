#pragma once
// A file's bytes read and written whole, for tests that check files byte for byte.
#include <fstream>
#include <iterator>
#include <string>

namespace q17::test {

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace q17::test
