#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#endif
#include "settings/FileReplace.h"

#include "platform/DeviceNames.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

namespace fs = std::filesystem;

namespace q17 {
namespace {

std::string ErrnoText(int code) { return std::generic_category().message(code); }

constexpr char kTempLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kTempRandomLength = 8;
constexpr std::string_view kTempSuffix = ".tmp";

// A name beside the file that nothing else uses: ".NAME.xxxxxxxx.tmp".
fs::path TempName(const fs::path& target, std::mt19937& random) {
  std::string name(1, '.');
  name += PathText(target.filename());
  name += '.';
  for (std::size_t i = 0; i < kTempRandomLength; ++i) name += kTempLetters[random() % (sizeof kTempLetters - 1)];
  name += kTempSuffix;
  fs::path temp = target;
  temp.replace_filename(fs::path(std::u8string(name.begin(), name.end())));
  return temp;
}

// Whether name is one TempName gives for target's name.
bool IsTempNameOf(const std::string& name, const std::string& targetName) {
  const std::size_t head = 1 + targetName.size() + 1;
  if (name.size() != head + kTempRandomLength + kTempSuffix.size()) return false;
  if (name[0] != '.' || name.compare(1, targetName.size(), targetName) != 0 || name[head - 1] != '.') return false;
  if (name.compare(head + kTempRandomLength, kTempSuffix.size(), kTempSuffix) != 0) return false;
  const std::string_view letters(kTempLetters, sizeof kTempLetters - 1);
  for (std::size_t i = head; i < head + kTempRandomLength; ++i) {
    if (letters.find(name[i]) == std::string_view::npos) return false;
  }
  return true;
}

// A temporary's writer may be between creating it and showing that it is
// alive (POSIX: taking its lock; Windows: between closing and renaming it).
constexpr auto kTempGrace = std::chrono::seconds(30);
// Longer than any save of a small file takes, even on a slow stick.
constexpr auto kSaveLongest = std::chrono::minutes(10);

bool WriterGone(const fs::path& temp);

// Temporaries of earlier replacements of target that never reached their
// rename (the program was killed): nothing else ever reads them. Another
// program saving the same file at this moment keeps its own: only a
// temporary whose writer is gone, or one older than a save can take, goes.
void RemoveLeftovers(const fs::path& target) {
  const std::string targetName = PathText(target.filename());
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  const auto now = fs::file_time_type::clock::now();
  std::error_code ec;
  std::vector<fs::path> leftovers;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& entry = it->path();
    if (!IsTempNameOf(PathText(entry.filename()), targetName) || !it->is_regular_file(ec)) continue;
    const fs::file_time_type written = fs::last_write_time(entry, ec);
    if (ec) continue;
    const auto age = now - written;
    if (age >= kSaveLongest || (age >= kTempGrace && WriterGone(entry))) leftovers.push_back(entry);
  }
  for (const fs::path& leftover : leftovers) fs::remove(leftover, ec);
}

// At most this many links are followed, as the system itself allows.
constexpr int kMaxLinks = 40;

// The file a write really goes to: through symbolic links to their final
// target, also one that does not exist yet, so a link stays a link.
bool Resolve(const fs::path& file, fs::path& target, std::string& error) {
  target = file;
  for (int links = 0; links <= kMaxLinks; ++links) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(target, ec))) return true;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) {
      error = ec.message();
      return false;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  error = std::make_error_code(std::errc::too_many_symbolic_link_levels).message();
  return false;
}

#ifdef _WIN32

int OpenNew(const fs::path& name) {
  return _wopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const char* data, std::size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1 << 20)));
}
bool Flush(int fd) { return _commit(fd) == 0; }
int CloseFile(int fd) { return _close(fd); }
void RemoveTemp(const fs::path& name) { _wunlink(name.c_str()); }

// The system's words in UTF-8 (the narrow ones are in the ANSI code page).
std::string SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (n > 0) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(std::max(size, 0)));
    WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), text.data(), size, nullptr, nullptr);
  }
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text.empty() ? "system error " + std::to_string(code) : text;
}

// The system's words, but plain ones for a file another program holds open.
std::string WindowsErrorText(DWORD code) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return kInUseText;
  return SystemText(code);
}

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

// Why a file that would not open for reading did not.
std::string OpenForReadingFailure(const fs::path& file) {
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return WindowsErrorText(GetLastError());
  CloseHandle(h);
  return "cannot be opened";
}

// Windows opens these names as devices wherever they stand.
bool IsDeviceName(const fs::path& file) { return IsWindowsDeviceName(PathText(file)); }
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

#else

int OpenNew(const fs::path& name) { return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
int WriteSome(int fd, const char* data, std::size_t size) { return static_cast<int>(write(fd, data, std::min<std::size_t>(size, 1 << 20))); }
bool Flush(int fd) { return fsync(fd) == 0; }
int CloseFile(int fd) { return close(fd); }
void RemoveTemp(const fs::path& name) { unlink(name.c_str()); }

std::string OpenForReadingFailure(const fs::path&) { return errno != 0 ? ErrnoText(errno) : "cannot be opened"; }
// "CON" or "com5.set" are files like any other here.
bool IsDeviceName(const fs::path&) { return false; }

bool PrepareOver(const fs::path& target, std::string& error) {
  // A file the user made read-only stays unwritten, as an in-place write would.
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = ErrnoText(errno);
    return false;
  }
  close(fd);
  return true;
}
void KeepModeOpen(const fs::path& target, int fd) {
  struct stat st {};
  if (stat(target.c_str(), &st) != 0) return;
  // Owner first: changing it may clear set-id bits that the mode then puts back.
  if (fchown(fd, st.st_uid, st.st_gid) != 0) {
    // Only root may give a file away; the mode still follows.
  }
  fchmod(fd, st.st_mode & 07777);
}
void KeepModeClosed(const fs::path&, const fs::path&) {}
bool RenameOver(const fs::path& temp, const fs::path& target, std::string& error) {
  if (rename(temp.c_str(), target.c_str()) == 0) return true;
  error = ErrnoText(errno);
  return false;
}
// The rename itself reaches the disk only with its folder.
void FlushFolder(const fs::path& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
// The writer holds a lock on its temporary from creating it to its rename;
// the system drops it when the writer ends, however it ends.
bool WriterGone(const fs::path& temp) {
  const int fd = open(temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  const bool gone = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return gone;
}
// The lock lives on a second descriptor, so the file can be closed (and its
// close checked) before the rename while the lock stays until after it.
int HoldWriter(int fd) {
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return -1;  // no locks here: the age rule alone protects it
  return fcntl(fd, F_DUPFD_CLOEXEC, 0);
}
void ReleaseWriter(int held) {
  if (held >= 0) close(held);
}

#endif

std::string TooLargeText() { return "larger than " + std::to_string(kMaxSmallFile / 1024) + " KiB"; }

bool WriteAll(int fd, std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const int n = WriteSome(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? ErrnoText(errno) : "nothing written";
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

fs::path PathFromUtf8(std::string_view text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string PathText(const fs::path& file) {
  const std::u8string text = file.u8string();
  return std::string(text.begin(), text.end());
}

TFileRead ReadSmallFile(const fs::path& file, std::string& bytes, std::string& error) {
  bytes.clear();
  if (IsDeviceName(file)) {
    error = kDeviceText;
    return TFileRead::Unreadable;
  }
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return TFileRead::Missing;
  if (ec) {
    error = ec.message();
    return TFileRead::Unreadable;
  }
  if (status.type() != fs::file_type::regular) {
    error = "not a regular file";
    return TFileRead::Unreadable;
  }
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = OpenForReadingFailure(file);
    return TFileRead::Unreadable;
  }
  // Read one byte past the limit so a file that grows meanwhile is caught too.
  bytes.resize(kMaxSmallFile + 1);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) {
    bytes.clear();
    error = "read error";
    return TFileRead::Unreadable;
  }
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > kMaxSmallFile) {
    bytes.clear();
    error = TooLargeText();
    return TFileRead::Unreadable;
  }
  return TFileRead::Read;
}

bool ReplaceWholeFile(const fs::path& file, std::string_view bytes, std::string& error,
                 const TBeforeRename& beforeRename) {
  // A file too large to be read again is not written at all.
  if (bytes.size() > kMaxSmallFile) {
    error = "would be " + TooLargeText() + ", the largest settings file this program reads";
    return false;
  }
  fs::path target;
  if (!Resolve(file, target, error)) return false;
  if (IsDeviceName(file) || IsDeviceName(target)) {
    error = kDeviceText;
    return false;
  }
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  const bool exists = status.type() != fs::file_type::not_found;
  if (exists) {
    if (ec) {
      error = ec.message();
      return false;
    }
    if (status.type() != fs::file_type::regular) {
      error = "not a regular file";
      return false;
    }
    if (!PrepareOver(target, error)) return false;
  }

  RemoveLeftovers(target);
  std::mt19937 random(std::random_device{}());
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempName(target, random);
    fd = OpenNew(temp);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = ErrnoText(errno);
    return false;
  }

  const int held = HoldWriter(fd);
  if (exists) KeepModeOpen(target, fd);
  bool ok = WriteAll(fd, bytes, error);
  if (ok && !Flush(fd)) {
    error = ErrnoText(errno);
    ok = false;
  }
  if (CloseFile(fd) != 0 && ok) {
    error = ErrnoText(errno);
    ok = false;
  }
  if (ok && exists) KeepModeClosed(target, temp);
  if (ok && beforeRename && !beforeRename()) {
    error = "interrupted";
    ok = false;
  }
  if (ok) ok = RenameOver(temp, target, error);
  if (!ok) RemoveTemp(temp);
  ReleaseWriter(held);
  if (!ok) return false;
  FlushFolder(target.parent_path());
  return true;
}

}  // namespace q17
