#include <iostream>

#include "Ctl.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto serial = q17::MakeSystemSerialApi();
  auto d2xx = q17::MakeSystemD2xxApi();
  return q17::RunCtl(args, *serial, *d2xx, std::cout, std::cerr);
}
