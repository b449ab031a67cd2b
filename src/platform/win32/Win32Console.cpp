// The command line as UTF-16 from the system and text on a console through
// WriteConsoleW: the ANSI forms would pass Russian file names and texts
// through the code page and garble them.
#include "platform/win32/WindowsApi.h"
#include <shellapi.h>

#include <io.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/Console.h"

namespace q17 {
namespace {

std::string Utf8FromWide(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(size - 1));  // the terminating zero
  return out;
}

bool ClosedPipe(unsigned long systemError) {
  return systemError == ERROR_BROKEN_PIPE || systemError == ERROR_NO_DATA || systemError == ERROR_PIPE_NOT_CONNECTED;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    // Out of memory: the ANSI arguments are better than none.
    if (argc < 1 || argv == nullptr) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
  }
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return args;
}

long WriteStandardText(int fd, const char* data, std::size_t size) {
  // The C run time's invalid-parameter handler would end the program on a
  // descriptor that is not open; a closed output is a failed write here.
  if (fd < 0) {
    errno = EBADF;
    return -1;
  }
  // A file or a pipe gets the UTF-8 bytes as they are.
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) {
    const int n = ::_write(fd, data, static_cast<unsigned>(size > 65536 ? 65536 : size));
    // The C run time says EINVAL for a pipe whose reader has gone; it is the
    // closed pipe that EPIPE names everywhere else.
    if (n < 0 && ClosedPipe(_doserrno)) errno = EPIPE;
    return n;
  }
  const int take = static_cast<int>(size > 65536 ? 65536 : size);
  if (take == 0) return 0;
  const int wideSize = ::MultiByteToWideChar(CP_UTF8, 0, data, take, nullptr, 0);
  if (wideSize <= 0) {
    errno = EILSEQ;
    return -1;
  }
  std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, data, take, wide.data(), wideSize);
  std::size_t done = 0;
  while (done < wide.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 16384));
    if (!::WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) {
      errno = EIO;
      return -1;
    }
    done += written;
  }
  return take;
}

}  // namespace q17
