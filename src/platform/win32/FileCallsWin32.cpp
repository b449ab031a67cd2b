#include "platform/FileCalls.h"

#include <algorithm>
#include <string_view>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/DeviceNames.h"
#include "platform/win32/SystemText.h"

namespace fs = std::filesystem;

namespace q17::filecalls {
namespace {

// The system's words, but plain ones for a file another program holds open.
std::string WindowsErrorText(DWORD code) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return "in use by another program";
  return win32::SystemErrorText(code);
}

}  // namespace

// Windows opens these names as devices wherever they stand.
bool OpensAsDevice(const fs::path& file) {
  const std::u8string text = file.u8string();
  return IsWindowsDeviceName(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

int OpenNew(const fs::path& name) {
  return _wopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const char* data, std::size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1 << 20)));
}
bool Flush(int fd) { return _commit(fd) == 0; }
int Close(int fd) { return _close(fd); }
void RemoveTemp(const fs::path& name) { _wunlink(name.c_str()); }

// A read-only file stays unwritten, as an in-place write would leave it; one
// that another program holds open without leave to replace it is named so.
bool PrepareOver(const fs::path& target, std::string& error) {
  const HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = WindowsErrorText(GetLastError());
    return false;
  }
  CloseHandle(h);
  return true;
}

std::string OpenForReadingFailure(const fs::path& file) {
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return WindowsErrorText(GetLastError());
  CloseHandle(h);
  return "cannot be opened";
}

void KeepModeOpen(const fs::path&, int) {}
void KeepModeClosed(const fs::path& target, const fs::path& temp) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(temp.c_str(), attributes);
}
bool RenameOver(const fs::path& temp, const fs::path& target, std::string& error) {
  if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  error = WindowsErrorText(GetLastError());
  return false;
}
void FlushFolder(const fs::path&) {}
// The writer has its temporary open without leave to delete it until just
// before the rename, so a delete fails by itself while the writer lives.
bool WriterGone(const fs::path&) { return true; }
int HoldWriter(int) { return -1; }
void ReleaseWriter(int) {}

}  // namespace q17::filecalls
