// The user's date and time forms from the regional settings, through the
// system's own formatting: the C run time's locale knows only its defaults.
#include "platform/win32/WindowsApi.h"

#include <string>

#include "platform/UserDateTime.h"

namespace q17 {
namespace {

SYSTEMTIME SystemTimeOf(const std::tm& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.tm_year + 1900);
  st.wMonth = static_cast<WORD>(t.tm_mon + 1);
  st.wDayOfWeek = static_cast<WORD>(t.tm_wday);
  st.wDay = static_cast<WORD>(t.tm_mday);
  st.wHour = static_cast<WORD>(t.tm_hour);
  st.wMinute = static_cast<WORD>(t.tm_min);
  st.wSecond = static_cast<WORD>(t.tm_sec > 59 ? 59 : t.tm_sec);  // a leap second
  return st;
}

std::string Utf8(const wchar_t* text, int size) {
  // size counts the terminating zero.
  if (size <= 1) return {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, size - 1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, size - 1, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace

std::string UserShortDate(const std::tm& local) {
  const SYSTEMTIME st = SystemTimeOf(local);
  wchar_t text[128];
  const int size = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 128, nullptr);
  return Utf8(text, size);
}

std::string UserLongTime(const std::tm& local) {
  const SYSTEMTIME st = SystemTimeOf(local);
  wchar_t text[128];
  const int size = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, text, 128);
  return Utf8(text, size);
}

}  // namespace q17
