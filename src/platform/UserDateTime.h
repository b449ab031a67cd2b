#pragma once
// A moment as this user reads dates and times: the forms chosen in the
// system's regional settings (Windows), or those of the locale that LC_ALL,
// LC_TIME or LANG name (elsewhere), as UTF-8 text.
#include <ctime>
#include <string>

namespace q17 {

// The user's short date form ("08.12.2026" in Russia), or an empty text when
// the system gives none.
std::string UserShortDate(const std::tm& local);
// The user's long time form, with seconds ("9:05:00"), or an empty text.
std::string UserLongTime(const std::tm& local);

}  // namespace q17
