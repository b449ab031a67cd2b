#pragma once
// q17ctl survey: every reader of an address range with its version, mode,
// tag memory times, attenuations and echo run, as tab-separated lines or as
// one JSON array.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "link/KvlInterface.h"
#include "reader/Survey.h"

namespace q17 {

struct TSurveyArgs {
  int From = 1;
  int To = 254;
  bool Json = false;
};

// Checks survey's arguments ([--json] [FROM [TO]]); returns the problem, or an empty text.
std::string ParseSurveyArgs(const std::vector<std::string>& args, TSurveyArgs& parsed);

// The header line's names, in column order.
std::string SurveyHeader();
// One reader as a tab-separated line (no line end); missing values are empty.
std::string SurveyLine(const TSurveyRecord& r);
// One reader as a JSON object with the header's names as keys; missing values are null.
std::string SurveyJson(const TSurveyRecord& r);

// Exit code: 0, or 1 when any address that answered had an error, when
// nothing answered at all, or when the device went (said on `err`).
int RunSurvey(const TSurveyArgs& args, TInterfList& link, std::ostream& out, std::ostream& err,
              const std::function<bool()>& stop);

// The survey of several buses at once, one thread per port (the lines are
// independent): the rows in port order after all are done, each with the
// port first ("port" column or key). A port that does not open, whose
// device goes, or where nothing answered is said on `err` and makes the
// exit code 1, as does any reader's error.
int RunSurveyOnPorts(const TSurveyArgs& args, const std::vector<std::string>& ports, SerialApi& serial,
                     D2xxApi& d2xx, int readTimeout, std::ostream& out, std::ostream& err,
                     const std::function<bool()>& stop);

}  // namespace q17
