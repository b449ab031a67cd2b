#include "ExporterConfig.h"

#include <yaml-cpp/yaml.h>

#include <set>
#include <sstream>

#include "TargetCheck.h"
#include "reader/AddressList.h"
#include "reader/NumberText.h"
#include "settings/ExpectedConfig.h"
#include "settings/FileReplace.h"

namespace q17 {
namespace {

// A problem at a node of the document.
struct TConfigProblem {
  int Line;
  std::string What;
};

int LineOf(const YAML::Node& node) { return node.Mark().is_null() ? 0 : node.Mark().line + 1; }

[[noreturn]] void Fail(const YAML::Node& node, std::string what) { throw TConfigProblem{LineOf(node), std::move(what)}; }

std::string Scalar(const YAML::Node& node, const std::string& what) {
  if (!node.IsScalar()) Fail(node, what + " must be a single value");
  return node.Scalar();
}

// The keys of a mapping, each once and each among `known`.
void CheckKeys(const YAML::Node& map, const std::set<std::string>& known, const std::string& where) {
  std::set<std::string> seen;
  for (const auto& entry : map) {
    const std::string key = Scalar(entry.first, "a key");
    if (!known.count(key)) {
      std::string list;
      for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
      Fail(entry.first, "unknown key '" + key + "' in " + where + " (known: " + list + ")");
    }
    if (!seen.insert(key).second) Fail(entry.first, "'" + key + "' is given twice in " + where);
  }
}

bool ModuleName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

TExporterModule ReadModule(const std::string& name, const YAML::Node& node, const std::filesystem::path& baseDir) {
  if (!node.IsMap()) Fail(node, "module '" + name + "' must be a mapping with addresses and, optionally, settings_file and timeout");
  CheckKeys(node, {"addresses", "settings_file", "timeout"}, "module '" + name + "'");
  TExporterModule module;
  const YAML::Node addresses = node["addresses"];
  if (!addresses) Fail(node, "module '" + name + "' has no addresses");
  std::string problem;
  const auto list = ParseAddressList(Scalar(addresses, "addresses"), &problem);
  if (!list) Fail(addresses, "addresses: " + problem);
  if (list->Found) Fail(addresses, "addresses: a probe asks the addresses it is given; 'found' would scan the whole bus");
  module.Addresses = list->Addresses;

  if (const YAML::Node timeout = node["timeout"]) {
    const auto ms = ParseNumberIn(Scalar(timeout, "timeout"), 20, 1000);
    if (!ms) Fail(timeout, "timeout is the milliseconds of silence per byte, 20..1000");
    module.TimeoutMs = static_cast<int>(*ms);
  }
  if (const YAML::Node file = node["settings_file"]) {
    module.SettingsFile = Scalar(file, "settings_file");
    if (module.SettingsFile.empty()) Fail(file, "settings_file names no file");
    std::filesystem::path path = PathFromUtf8(module.SettingsFile);
    if (path.is_relative()) path = baseDir / path;
    module.Expected = LoadExpectedConfig(path, problem);
    if (!module.Expected) Fail(file, "settings_file " + module.SettingsFile + ": " + problem);
  }
  return module;
}

TExporterConfig ReadConfig(const YAML::Node& root, const std::filesystem::path& baseDir) {
  if (!root.IsMap()) Fail(root, "the configuration must be a mapping with modules and targets");
  CheckKeys(root, {"modules", "targets"}, "the configuration");
  TExporterConfig config;

  const YAML::Node modules = root["modules"];
  if (!modules) Fail(root, "no modules: name at least one, with its addresses");
  if (!modules.IsMap() || modules.size() == 0) Fail(modules, "modules must map each module's name to its addresses");
  std::set<std::string> seen;
  for (const auto& entry : modules) {
    const std::string name = Scalar(entry.first, "a module's name");
    if (!ModuleName(name)) Fail(entry.first, "a module's name is letters, digits, '_' and '-': '" + name + "'");
    if (!seen.insert(name).second) Fail(entry.first, "module '" + name + "' is given twice");
    config.Modules.emplace(name, ReadModule(name, entry.second, baseDir));
  }

  const YAML::Node targets = root["targets"];
  if (!targets) Fail(root, "no targets: list the ports /probe may open");
  if (!targets.IsSequence() || targets.size() == 0) Fail(targets, "targets must list the ports /probe may open");
  for (const auto& item : targets) {
    const std::string pattern = Scalar(item, "a target");
    if (const std::string problem = PatternProblem(pattern); !problem.empty()) {
      Fail(item, "target '" + pattern + "': " + problem);
    }
    config.Targets.push_back(pattern);
  }
  return config;
}

}  // namespace

std::optional<TExporterConfig> ParseExporterConfig(std::string_view text, const std::string& name,
                                                   const std::filesystem::path& baseDir, std::string& error) {
  const auto fail = [&](int line, const std::string& what) {
    error = name + (line > 0 ? std::string(":") + std::to_string(line) : std::string()) + ": " + what;
    return std::nullopt;
  };
  if (text.size() > kMaxConfigBytes) return fail(0, "larger than a configuration can be (1 MiB)");
  try {
    const YAML::Node root = YAML::Load(std::string(text));
    if (!root || root.IsNull()) return fail(1, "the configuration is empty");
    return ReadConfig(root, baseDir);
  } catch (const TConfigProblem& problem) {
    return fail(problem.Line, problem.What);
  } catch (const YAML::Exception& e) {
    return fail(e.mark.is_null() ? 0 : e.mark.line + 1, e.msg);
  }
}

std::optional<TExporterConfig> LoadExporterConfig(const std::filesystem::path& file, std::string& error) {
  const std::string name = PathText(file);
  std::string text;
  std::string why;
  // A regular file only, of a bounded size: never a device nor a pipe that could hold the start up.
  switch (ReadSmallFile(file, text, why)) {
    case TFileRead::Read:
      return ParseExporterConfig(text, name, file.parent_path(), error);
    case TFileRead::Missing:
      error = name + ": no such file";
      break;
    case TFileRead::Unreadable:
      error = name + ": " + why;
      break;
  }
  return std::nullopt;
}

}  // namespace q17
