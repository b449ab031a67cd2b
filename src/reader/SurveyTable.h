#pragma once
// The survey's records as a table, a spreadsheet file and q17ctl's survey
// lines: one text per column (the version with its control characters
// escaped, tag memory times in tenths of a second, the echo time in
// milliseconds with three decimals, the first failure as "Код = N / text");
// a missing value is empty, and so are the echo figures when no echo went out.
#include <string>
#include <vector>

#include "reader/Survey.h"

namespace q17 {

// The columns' names, in order (UTF-8); a window shows them translated under
// the context "SurveyTable", and the spreadsheet file keeps them as they are.
const std::vector<std::string>& SurveyColumnNames();
std::vector<std::string> SurveyFields(const TSurveyRecord& r);

// The whole table for a spreadsheet: byte-order mark, the names, then one
// row per record in the order given.
std::string SurveyCsv(const std::vector<TSurveyRecord>& records);

}  // namespace q17
