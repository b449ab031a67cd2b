#pragma once
// Lists saved for a spreadsheet: UTF-8 with a byte-order mark, ';' between
// fields, as a Russian spreadsheet opens such a file as it stands.
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The field as it stands, or quoted (quotes doubled) when it holds a ';',
// a quote or a line break. A text a spreadsheet would take for a formula
// (beginning with '=', '+', '-', '@', a tab or a CR, and not a plain number)
// gets a leading apostrophe, so a reader's text or a file name is never run.
std::string CsvField(std::string_view text);
// The fields joined by ';', ended by CR LF.
std::string CsvRow(const std::vector<std::string>& fields);

}  // namespace q17
