#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#endif
#include "settings/FileReplace.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

namespace fs = std::filesystem;

namespace q17 {
namespace {

std::string ErrnoText(int code) { return std::generic_category().message(code); }

// A name beside the file that nothing else uses.
fs::path TempName(const fs::path& target, std::mt19937& random) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name(1, '.');
  name += PathText(target.filename());
  name += '.';
  for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  name += ".tmp";
  fs::path temp = target;
  temp.replace_filename(fs::path(std::u8string(name.begin(), name.end())));
  return temp;
}

// The file a write really goes to: through a symbolic link to its target.
fs::path Resolve(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(file, ec))) return file;
  const fs::path target = fs::weakly_canonical(file, ec);
  return ec ? file : target;
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

// A read-only file stays unwritten, as an in-place write would leave it.
bool PrepareOver(const fs::path& target, std::string& error) {
  if (_waccess(target.c_str(), 2) != 0) {
    error = ErrnoText(errno);
    return false;
  }
  return true;
}
void KeepModeOpen(const fs::path&, int) {}
void KeepModeClosed(const fs::path& target, const fs::path& temp) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(temp.c_str(), attributes);
}
bool RenameOver(const fs::path& temp, const fs::path& target, std::string& error) {
  if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  error = std::system_category().message(static_cast<int>(GetLastError()));
  return false;
}
void FlushFolder(const fs::path&) {}

#else

int OpenNew(const fs::path& name) { return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
int WriteSome(int fd, const char* data, std::size_t size) { return static_cast<int>(write(fd, data, std::min<std::size_t>(size, 1 << 20))); }
bool Flush(int fd) { return fsync(fd) == 0; }
int CloseFile(int fd) { return close(fd); }
void RemoveTemp(const fs::path& name) { unlink(name.c_str()); }

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

#endif

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
    error = errno != 0 ? ErrnoText(errno) : "cannot be opened";
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
    error = "larger than " + std::to_string(kMaxSmallFile / 1024) + " KiB";
    return TFileRead::Unreadable;
  }
  return TFileRead::Read;
}

bool ReplaceWholeFile(const fs::path& file, std::string_view bytes, std::string& error,
                 const TBeforeRename& beforeRename) {
  const fs::path target = Resolve(file);
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
  if (!ok) {
    RemoveTemp(temp);
    return false;
  }
  FlushFolder(target.parent_path());
  return true;
}

}  // namespace q17
