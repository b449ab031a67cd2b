// Writes q17ctl's manual page at build time: the template's line
// "@COMMANDS@" becomes the command list, made from the same table of
// commands as the program's usage text, so the two never disagree.
//   q17ctl-manpage TEMPLATE OUTPUT
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "Ctl.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: q17ctl-manpage TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "q17ctl-manpage: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream page;
  bool listed = false;
  for (std::string line; std::getline(in, line);) {
    if (line == "@COMMANDS@") {
      page << q17::CtlManCommands();
      listed = true;
    } else {
      page << line << "\n";
    }
  }
  if (!listed) {
    std::cerr << "q17ctl-manpage: no line @COMMANDS@ in " << argv[1] << "\n";
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << page.str();
  out.close();
  if (!out) {
    std::cerr << "q17ctl-manpage: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
