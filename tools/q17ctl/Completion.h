#pragma once
// q17ctl's bash completion, the part of it that comes from the table of
// commands: the template (packaging/completion) keeps the shell's logic and
// the global options; the lines below take the places of its marker lines.
#include <string>
#include <vector>

#include "Ctl.h"

namespace q17 {

// A command's arguments, read from its synopsis: "[--channel 1|2] --seconds S
// [FILE]" has the options --channel (values 1 and 2) and --seconds (a value
// S, nothing to offer) and the argument FILE.
struct TCtlArguments {
  struct Option {
    std::string Name;
    std::string Value;  // "" for a switch; a placeholder ("N") or choices ("1|2")
  };
  std::vector<Option> Options;
  std::vector<std::string> Arguments;  // placeholders: FILE, PORT, FROM
};
TCtlArguments ReadSynopsis(const std::string& synopsis);

// @COMMANDS@: the line that sets `commands`, every command's name.
std::string BashCommandNames(const std::vector<TCtlSynopsis>& commands);
// @OPTION_VALUES@: `case $prev` arms for the commands' options that take a
// value: choices are offered, a placeholder's value is left to the user.
std::string BashOptionValues(const std::vector<TCtlSynopsis>& commands);
// @COMMAND_ARGUMENTS@: `case $command` arms: the command's options in
// `options`; a settings FILE completes as a file, a PORT as an entry of the
// interface list.
std::string BashCommandArguments(const std::vector<TCtlSynopsis>& commands);

}  // namespace q17
