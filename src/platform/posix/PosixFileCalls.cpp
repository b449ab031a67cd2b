#include "platform/FileCalls.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace q17::filecalls {
namespace {

std::string ErrnoText(int code) { return std::generic_category().message(code); }

}  // namespace

// "CON" or "com5.set" are files like any other here.
bool OpensAsDevice(const fs::path&) { return false; }

int OpenNew(const fs::path& name) { return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
int WriteSome(int fd, const char* data, std::size_t size) {
  return static_cast<int>(write(fd, data, std::min<std::size_t>(size, 1 << 20)));
}
bool Flush(int fd) { return fsync(fd) == 0; }
int Close(int fd) { return close(fd); }
void RemoveTemp(const fs::path& name) { unlink(name.c_str()); }

std::string OpenForReadingFailure(const fs::path&) { return errno != 0 ? ErrnoText(errno) : "cannot be opened"; }

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

}  // namespace q17::filecalls
