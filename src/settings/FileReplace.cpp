#include "settings/FileReplace.h"

#include <cerrno>
#include <chrono>
#include <fstream>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/FileCalls.h"

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
    if (age >= kSaveLongest || (age >= kTempGrace && filecalls::WriterGone(entry))) leftovers.push_back(entry);
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

std::string TooLargeText() { return "larger than " + std::to_string(kMaxSmallFile / 1024) + " KiB"; }

bool WriteAll(int fd, std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const int n = filecalls::WriteSome(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? ErrnoText(errno) : "nothing written";
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// What a replacement of file checks before it writes: the file it really
// goes to, whether that exists, or why it may not be replaced.
bool PrepareReplace(const fs::path& file, fs::path& target, bool& exists, std::string& error) {
  if (!Resolve(file, target, error)) return false;
  if (filecalls::OpensAsDevice(file) || filecalls::OpensAsDevice(target)) {
    error = kDeviceText;
    return false;
  }
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  exists = status.type() != fs::file_type::not_found;
  if (!exists) return true;
  if (ec) {
    error = ec.message();
    return false;
  }
  if (status.type() != fs::file_type::regular) {
    error = "not a regular file";
    return false;
  }
  return filecalls::PrepareOver(target, error);
}

// A new temporary beside target: its descriptor, or -1 with errno.
int OpenTemp(const fs::path& target, fs::path& temp) {
  std::mt19937 random(std::random_device{}());
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempName(target, random);
    fd = filecalls::OpenNew(temp);
    if (fd < 0 && errno != EEXIST) break;
  }
  return fd;
}

}  // namespace

fs::path PathFromUtf8(std::string_view text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string PathText(const fs::path& file) {
  const std::u8string text = file.u8string();
  return std::string(text.begin(), text.end());
}

TFileRead ReadSmallFile(const fs::path& file, std::string& bytes, std::string& error) {
  bytes.clear();
  if (filecalls::OpensAsDevice(file)) {
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
    error = filecalls::OpenForReadingFailure(file);
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
  bool exists = false;
  if (!PrepareReplace(file, target, exists, error)) return false;

  RemoveLeftovers(target);
  fs::path temp;
  const int fd = OpenTemp(target, temp);
  if (fd < 0) {
    error = ErrnoText(errno);
    return false;
  }

  const int held = filecalls::HoldWriter(fd);
  if (exists) filecalls::KeepModeOpen(target, fd);
  bool ok = WriteAll(fd, bytes, error);
  if (ok && !filecalls::Flush(fd)) {
    error = ErrnoText(errno);
    ok = false;
  }
  if (filecalls::Close(fd) != 0 && ok) {
    error = ErrnoText(errno);
    ok = false;
  }
  if (ok && exists) filecalls::KeepModeClosed(target, temp);
  if (ok && beforeRename && !beforeRename()) {
    error = "interrupted";
    ok = false;
  }
  if (ok) ok = filecalls::RenameOver(temp, target, error);
  if (!ok) filecalls::RemoveTemp(temp);
  filecalls::ReleaseWriter(held);
  if (!ok) return false;
  filecalls::FlushFolder(target.parent_path());
  return true;
}

std::string ReplaceRefusal(const fs::path& file) {
  fs::path target;
  bool exists = false;
  std::string error;
  if (!PrepareReplace(file, target, exists, error)) return error;
  // The folder is asked the way the replacement will ask it.
  fs::path temp;
  const int fd = OpenTemp(target, temp);
  if (fd < 0) return ErrnoText(errno);
  filecalls::Close(fd);
  filecalls::RemoveTemp(temp);
  return {};
}

}  // namespace q17
