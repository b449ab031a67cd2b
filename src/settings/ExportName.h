#pragma once
// Files the program writes for people and other programs (a traffic log, an
// event list, a table): each kind has its own extensions, so that a name
// typed without one, or with a foreign one, never lands on a settings file.
#include <string>
#include <vector>

#include "link/TranslateNoop.h"

namespace q17 {

struct TExportFormat {
  std::string Description;              // what the file dialog calls the kind
  std::vector<std::string> Extensions;  // without the dot; the first is added when needed
};

// The kinds the program exports; a window shows the description translated
// under the context "ExportName".
inline const TExportFormat kCsvExport{QT_TRANSLATE_NOOP("ExportName", "Таблица CSV"), {"csv"}};
inline const TExportFormat kLogExport{QT_TRANSLATE_NOOP("ExportName", "Журнал обмена"), {"log", "txt"}};

// "Таблица CSV (*.csv)": the file dialog's filter for the kind.
std::string ExportFilter(const TExportFormat& format);

// The name an export is written under. Trailing dots and blanks of the file
// name go (Windows drops them anyway); a name that then ends in one of the
// format's extensions (any case) is kept, any other gets the first one
// appended: "victim" and "gate.set" become "victim.log" and "gate.set.log".
// Empty when no file name is left.
std::string ExportFileName(const std::string& typed, const TExportFormat& format);

}  // namespace q17
