#pragma once
// A value "NAME=value" out of a q17sim control answer ("ok ... NAME=value ...").
#include <string>

namespace q17::test {

inline std::string ControlField(const std::string& answer, const std::string& name) {
  const std::string key = " " + name + "=";
  const auto at = answer.find(key);
  if (at == std::string::npos) return {};
  const auto start = at + key.size();
  return answer.substr(start, answer.find(' ', start) - start);
}

}  // namespace q17::test
