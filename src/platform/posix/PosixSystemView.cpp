// The running Linux system as the port checks see it: the process's and the
// account's groups, file modes, sysfs and /proc texts, and a trial open.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/SystemView.h"

namespace q17 {
namespace {

std::string GroupName(gid_t gid) {
  if (const struct group* g = getgrgid(gid)) return g->gr_name;
  return std::to_string(gid);
}

class PosixSystemView final : public SystemView {
 public:
  unsigned UserId() const override { return geteuid(); }

  std::vector<std::string> SessionGroups() const override {
    std::vector<std::string> names{GroupName(getegid())};
    const int n = getgroups(0, nullptr);
    if (n > 0) {
      std::vector<gid_t> ids(static_cast<std::size_t>(n));
      const int got = getgroups(n, ids.data());
      for (int i = 0; i < got; ++i) names.push_back(GroupName(ids[static_cast<std::size_t>(i)]));
    }
    return names;
  }

  std::vector<std::string> AccountGroups() const override {
    const struct passwd* pw = getpwuid(geteuid());
    if (!pw) return {};
    const std::string user = pw->pw_name;
    const gid_t primary = pw->pw_gid;
    int n = 64;
    std::vector<gid_t> ids;
    for (int tries = 0; tries < 4; ++tries) {
      ids.resize(static_cast<std::size_t>(n));
      int want = n;
      if (getgrouplist(user.c_str(), primary, ids.data(), &want) >= 0) {
        ids.resize(static_cast<std::size_t>(want));
        break;
      }
      n = std::max(want, n * 2);
      ids.clear();
    }
    std::vector<std::string> names;
    for (gid_t id : ids) names.push_back(GroupName(id));
    return names;
  }

  std::optional<TFileInfo> Info(const std::string& path) const override {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    TFileInfo info;
    info.CharDevice = S_ISCHR(st.st_mode);
    info.Mode = st.st_mode & 07777;
    info.Uid = st.st_uid;
    info.Group = GroupName(st.st_gid);
    char key[64];
    std::snprintf(key, sizeof key, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    info.LockKey = key;
    return info;
  }

  std::optional<std::string> ReadText(const std::string& path) const override {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::vector<std::string> List(const std::string& dir) const override {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (const struct dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::optional<std::string> LinkTarget(const std::string& path) const override {
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n < 0) return std::nullopt;
    return std::string(target, static_cast<std::size_t>(n));
  }

  TOpenProbe TryOpen(const std::string& path) const override {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      // Root opens past a tty's exclusive flag; the flag is what is asked about.
      int exclusive = 0;
      const bool flagged = ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
      close(fd);
      return flagged ? TOpenProbe::Busy : TOpenProbe::Opened;
    }
    switch (errno) {
      case EBUSY: return TOpenProbe::Busy;
      case EACCES:
      case EPERM: return TOpenProbe::Denied;
      case ENOENT:
      case ENODEV:
      case ENXIO: return TOpenProbe::Missing;
      default: return TOpenProbe::Other;
    }
  }
};

}  // namespace

std::unique_ptr<SystemView> MakeSystemView() { return std::make_unique<PosixSystemView>(); }

}  // namespace q17
