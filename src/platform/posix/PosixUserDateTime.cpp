// The C library's %x and %X in the locale the environment names, taken
// without changing the program's own locale.
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/UserDateTime.h"

namespace q17 {
namespace {

std::string Formatted(const std::tm& local, const char* format) {
  // LC_CTYPE as well: it says how the text is encoded.
  const locale_t user = ::newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  // A locale that is named but not installed has no forms to give.
  if (user == static_cast<locale_t>(nullptr)) return {};
  char text[128];
  const std::size_t size = ::strftime_l(text, sizeof text, format, &local, user);
  const bool utf8 = std::strcmp(::nl_langinfo_l(CODESET, user), "UTF-8") == 0;
  ::freelocale(user);
  const std::string result(text, size);
  // Another encoding's letters would not be text to the rest of the program.
  const bool ascii = std::all_of(result.begin(), result.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return utf8 || ascii ? result : std::string();
}

}  // namespace

std::string UserShortDate(const std::tm& local) { return Formatted(local, "%x"); }
std::string UserLongTime(const std::tm& local) { return Formatted(local, "%X"); }

}  // namespace q17
