// Linux hands over and shows bytes: UTF-8 passes through untouched.
#include <unistd.h>

#include "platform/Console.h"

namespace q17 {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  if (argc < 1 || argv == nullptr) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

long WriteStandardText(int fd, const char* data, std::size_t size) {
  return static_cast<long>(::write(fd, data, size));
}

}  // namespace q17
