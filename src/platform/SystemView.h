#pragma once
// A read-only view of what the system says about this user and its devices
// (groups, files, directories, links, processes), for explaining a port that
// will not open. The checks themselves are plain code over this view, so a
// test hands them a system of its own.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace q17 {

struct TFileInfo {
  bool CharDevice = false;
  unsigned Mode = 0;  // permission bits, as in 0660
  unsigned Uid = 0;
  std::string Group;    // the owning group's name (its number when it has none)
  std::string LockKey;  // "MM:mm:inode", as /proc/locks names the file
};

enum class TOpenProbe { Opened, Busy, Denied, Missing, Other };

class SystemView {
 public:
  virtual ~SystemView() = default;
  virtual unsigned UserId() const = 0;
  // The groups this process runs with; groups given to the account since the
  // session began are missing until the next login.
  virtual std::vector<std::string> SessionGroups() const = 0;
  // The groups the group database gives the account.
  virtual std::vector<std::string> AccountGroups() const = 0;
  virtual std::optional<TFileInfo> Info(const std::string& path) const = 0;
  // A small text file (sysfs, /proc), whole; nothing when it cannot be read.
  virtual std::optional<std::string> ReadText(const std::string& path) const = 0;
  // The names in a directory, without "." and "..".
  virtual std::vector<std::string> List(const std::string& dir) const = 0;
  // Where a symbolic link points; nothing when it is none.
  virtual std::optional<std::string> LinkTarget(const std::string& path) const = 0;
  // Opens the device for reading and writing without waiting and closes it
  // again. Busy: refused as busy, or opened only because root passes a
  // tty's exclusive flag.
  virtual TOpenProbe TryOpen(const std::string& path) const = 0;
};

// The running system's view; nothing where the checks have nothing to look at (Windows).
std::unique_ptr<SystemView> MakeSystemView();

}  // namespace q17
