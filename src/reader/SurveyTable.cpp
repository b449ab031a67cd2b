#include "reader/SurveyTable.h"

#include <cstdio>

#include "link/ErrMsg.h"
#include "link/TranslateNoop.h"
#include "reader/Csv.h"
#include "reader/ReaderConfig.h"
#include "reader/VisibleText.h"

namespace q17 {
namespace {

template <typename T>
std::string NumberOrEmpty(const std::optional<T>& value) {
  return value ? std::to_string(+*value) : std::string();
}

std::string Milliseconds(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", ms);
  return text;
}

}  // namespace

const std::vector<std::string>& SurveyColumnNames() {
  static const std::vector<std::string> kNames = {QT_TRANSLATE_NOOP("SurveyTable", "Адрес"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Версия"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Режим"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Время памяти 1, 0,1 с"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Время памяти 2, 0,1 с"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Затухание 1"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Затухание 2"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Ошибки эха"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Эхо 95 %, мс"),
                                                  QT_TRANSLATE_NOOP("SurveyTable", "Ошибка")};
  return kNames;
}

std::vector<std::string> SurveyFields(const TSurveyRecord& r) {
  return {std::to_string(r.Address),
          VisibleText(r.Version.value_or("")),
          r.Mode ? ModeStatusText(*r.Mode) : std::string(),
          NumberOrEmpty(r.TMT_1),
          NumberOrEmpty(r.TMT_2),
          NumberOrEmpty(r.ATT_1),
          NumberOrEmpty(r.ATT_2),
          r.EchoSent > 0 ? std::to_string(r.EchoErrors) : std::string(),
          r.EchoP95Ms ? Milliseconds(*r.EchoP95Ms) : std::string(),
          r.ErrorCode != 0 ? FormatResult(r.ErrorCode) : std::string()};
}

std::string SurveyCsv(const std::vector<TSurveyRecord>& records) {
  std::string text(kUtf8Bom);
  text += CsvRow(SurveyColumnNames());
  for (const TSurveyRecord& r : records) text += CsvRow(SurveyFields(r));
  return text;
}

}  // namespace q17
