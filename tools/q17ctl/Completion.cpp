#include "Completion.h"

#include <algorithm>

namespace q17 {
namespace {

bool IsPlaceholder(const std::string& word) {
  return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::string Joined(const std::vector<std::string>& words, const std::string& between) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : between) + w;
  return text;
}

}  // namespace

TCtlArguments ReadSynopsis(const std::string& synopsis) {
  TCtlArguments read;
  std::string word;
  bool bracketBefore = false;  // a '[' or ']' since the word before
  bool valueMayFollow = false;  // the word before was an option
  for (std::size_t k = 0; k <= synopsis.size(); ++k) {
    const char c = k < synopsis.size() ? synopsis[k] : ' ';
    if (c != ' ' && c != '[' && c != ']') {
      word += c;
      continue;
    }
    if (!word.empty()) {
      const bool option = word.rfind("--", 0) == 0;
      if (option) {
        read.Options.push_back({word, ""});
      } else if (valueMayFollow && !bracketBefore) {
        read.Options.back().Value = word;
      } else {
        read.Arguments.push_back(word);
      }
      valueMayFollow = option;
      bracketBefore = false;
      word.clear();
    }
    if (c == '[' || c == ']') bracketBefore = true;
  }
  return read;
}

std::string BashCommandNames(const std::vector<TCtlSynopsis>& commands) {
  std::vector<std::string> names;
  for (const TCtlSynopsis& c : commands) names.push_back(c.Name);
  return "    local commands=\"" + Joined(names, " ") + "\"\n";
}

std::string BashOptionValues(const std::vector<TCtlSynopsis>& commands) {
  std::vector<std::string> seen;
  std::vector<std::string> free;  // options whose value is the user's own
  std::string choices;
  for (const TCtlSynopsis& c : commands) {
    for (const TCtlArguments::Option& o : ReadSynopsis(c.Synopsis).Options) {
      if (o.Value.empty() || std::find(seen.begin(), seen.end(), o.Name) != seen.end()) continue;
      seen.push_back(o.Name);
      if (IsPlaceholder(o.Value)) {
        free.push_back(o.Name);
        continue;
      }
      std::string words = o.Value;
      std::replace(words.begin(), words.end(), '|', ' ');
      choices += "        " + o.Name + ")\n            COMPREPLY=($(compgen -W \"" + words +
                 "\" -- \"$cur\"))\n            return\n            ;;\n";
    }
  }
  std::string text;
  if (!free.empty()) text += "        " + Joined(free, " | ") + ")\n            return\n            ;;\n";
  return text + choices;
}

std::string BashCommandArguments(const std::vector<TCtlSynopsis>& commands) {
  std::string text;
  for (const TCtlSynopsis& c : commands) {
    const TCtlArguments read = ReadSynopsis(c.Synopsis);
    std::vector<std::string> options;
    for (const TCtlArguments::Option& o : read.Options) options.push_back(o.Name);
    const bool file = std::find(read.Arguments.begin(), read.Arguments.end(), "FILE") != read.Arguments.end();
    const bool port = std::find(read.Arguments.begin(), read.Arguments.end(), "PORT") != read.Arguments.end();
    if (!file && !port) {
      if (!options.empty()) text += "        " + c.Name + ") options=\"" + Joined(options, " ") + "\" ;;\n";
      continue;
    }
    text += "        " + c.Name + ")\n";
    if (file) text += "            _filedir set\n            return\n";
    if (port) text += "            if [[ $cur != -* ]]; then\n                _q17ctl_ports\n                return\n            fi\n";
    if (!options.empty()) text += "            options=\"" + Joined(options, " ") + "\"\n";
    text += "            ;;\n";
  }
  return text;
}

}  // namespace q17
