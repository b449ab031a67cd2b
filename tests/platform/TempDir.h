#pragma once
// A scratch directory for one test, removed with everything in it.
#include <filesystem>
#include <random>
#include <string>

namespace q17::test {

class TempDir {
 public:
  // A new directory of the user's own, on every system (mkdtemp is POSIX only).
  TempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    std::random_device random;
    for (int i = 0; i < 100 && path_.empty() && !ec; ++i) {
      const fs::path candidate = base / ("q17plat." + std::to_string(random()));
      if (fs::create_directory(candidate, ec)) {
        fs::permissions(candidate, fs::perms::owner_all, ec);
        path_ = candidate.string();
      }
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace q17::test
