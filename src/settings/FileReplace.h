#pragma once
// Whole small files in and out. A file is replaced by writing a temporary
// file beside it, flushing it to the disk and renaming it over the old one,
// so a program or machine that stops part way leaves either the old file or
// the new one, never a cut-off mix.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace q17 {

// Settings files are a few hundred bytes; anything beyond this is not one.
inline constexpr std::size_t kMaxSmallFile = 1 << 20;

enum class TFileRead { Read, Missing, Unreadable };

// Why a file is not read or written: Windows takes its name for a device
// (CON, NUL, COM5, com5.set).
inline constexpr const char* kDeviceText = "a device, not a file";

// Reads the whole file into bytes. Missing when it does not exist;
// Unreadable when it cannot be opened or read, is not a regular file, is a
// device's name on Windows, or is larger than kMaxSmallFile (why is then in
// error).
TFileRead ReadSmallFile(const std::filesystem::path& file, std::string& bytes, std::string& error);

// Called after the temporary file is written and flushed, just before the
// rename; returning false abandons the replacement as a failed write would.
using TBeforeRename = std::function<bool()>;

// Puts bytes into file as described above. An existing file keeps its
// permission bits (and owner where allowed) and must itself be writable; a
// symbolic link is followed, also to a target yet to be made, so the link
// stays a link. Bytes beyond kMaxSmallFile are refused. Temporaries that
// earlier replacements of the file left behind (killed before their rename)
// are removed once their writer is gone or they are older than any save
// takes; another program's save of the same file keeps its own. Returns false with the reason in error, leaving the old file
// as it was and no temporary behind.
bool ReplaceWholeFile(const std::filesystem::path& file, std::string_view bytes, std::string& error,
                 const TBeforeRename& beforeRename = {});

// Why ReplaceWholeFile(file, ...) would fail before writing a byte (a
// device, not a regular file, a file that may not be replaced, a folder in
// which no file can be made: it is tried with a temporary, made and
// removed); empty when the replacement may go ahead.
std::string ReplaceRefusal(const std::filesystem::path& file);

// A path as UTF-8 text for messages, on every system.
std::string PathText(const std::filesystem::path& file);
// A path from UTF-8 text (a command line's, a file's), on every system: a
// narrow string would go through the ANSI code page on Windows.
std::filesystem::path PathFromUtf8(std::string_view text);

}  // namespace q17
