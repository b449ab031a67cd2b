// Writes q17ctl's documents at build time from a template, whose marker
// lines become text made from the same table of commands as the program's
// usage text, so that they never disagree:
//   q17ctl-docs man TEMPLATE OUTPUT    the manual page (@COMMANDS@)
//   q17ctl-docs bash TEMPLATE OUTPUT   the bash completion (@COMMANDS@,
//                                      @OPTION_VALUES@, @COMMAND_ARGUMENTS@)
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "Completion.h"
#include "Ctl.h"

int main(int argc, char** argv) {
  const std::string kind = argc == 4 ? argv[1] : "";
  std::map<std::string, std::string> markers;
  if (kind == "man") {
    markers = {{"@COMMANDS@", q17::CtlManCommands()}};
  } else if (kind == "bash") {
    const auto commands = q17::CtlSynopses();
    markers = {{"@COMMANDS@", q17::BashCommandNames(commands)},
               {"@OPTION_VALUES@", q17::BashOptionValues(commands)},
               {"@COMMAND_ARGUMENTS@", q17::BashCommandArguments(commands)}};
  } else {
    std::cerr << "usage: q17ctl-docs man|bash TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::cerr << "q17ctl-docs: cannot read " << argv[2] << "\n";
    return 1;
  }
  std::ostringstream text;
  for (std::string line; std::getline(in, line);) {
    const auto marker = markers.find(line);
    if (marker == markers.end()) {
      text << line << "\n";
      continue;
    }
    text << marker->second;
    markers.erase(marker);
  }
  if (!markers.empty()) {
    std::cerr << "q17ctl-docs: no line " << markers.begin()->first << " in " << argv[2] << "\n";
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out << text.str();
  out.close();
  if (!out) {
    std::cerr << "q17ctl-docs: cannot write " << argv[3] << "\n";
    return 1;
  }
  return 0;
}
