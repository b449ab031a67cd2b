#include "reader/Csv.h"

namespace q17 {
namespace {

// "-5", "+3", "-0,5": a number, which a spreadsheet reads as one and runs nothing.
bool PlainNumber(std::string_view text) {
  std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if ((c == '.' || c == ',') && digits && !point) {
      point = true;
      digits = false;
    } else {
      return false;
    }
  }
  return digits;
}

bool TakenForFormula(std::string_view text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text[0]) == std::string_view::npos) return false;
  return !PlainNumber(text);
}

}  // namespace

std::string CsvField(std::string_view text) {
  std::string field;
  if (TakenForFormula(text)) field += '\'';
  field.append(text);
  if (field.find_first_of(";\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string CsvRow(const std::vector<std::string>& fields) {
  std::string row;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) row += ';';
    row += CsvField(fields[i]);
  }
  return row + "\r\n";
}

}  // namespace q17
