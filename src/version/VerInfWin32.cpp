// The VERSIONINFO resource of a file, through the system's version calls.
#include <windows.h>

#include <cstring>
#include <string>

#include "version/VerInf.h"

namespace q17 {
namespace {

// VerQueryValueA hands out text in the ANSI code page.
std::string AnsiToUtf8(const char* text, std::size_t length) {
  if (length == 0) return {};
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
  if (wide <= 0) return {};
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), w.data(), wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

// File names are UTF-8 inside the program; the system takes them as UTF-16
// (the ANSI calls would lose every letter outside the code page).
std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string Utf8(const wchar_t* text, std::size_t length) {
  if (length == 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

bool Query(const std::vector<std::uint8_t>& record, const std::string& path, void** value, UINT* length) {
  *value = nullptr;
  *length = 0;
  return VerQueryValueA(record.data(), path.c_str(), value, length) != 0 && *value != nullptr;
}

}  // namespace

void TVersionInfo::Load() {
  FValid = false;
  FRecord.clear();
  DWORD handle = 0;
  const std::wstring file = Wide(FFileName);
  if (file.empty()) {
    FRecordSize = 0;
    return;
  }
  FRecordSize = static_cast<std::int32_t>(GetFileVersionInfoSizeW(file.c_str(), &handle));
  if (FRecordSize <= 0) {
    FRecordSize = 0;
    return;
  }
  FRecord.resize(static_cast<std::size_t>(FRecordSize));
  FValid = GetFileVersionInfoW(file.c_str(), handle, static_cast<DWORD>(FRecordSize), FRecord.data()) != 0;
}

std::optional<std::uint32_t> TVersionInfo::Translation() const {
  void* value = nullptr;
  UINT length = 0;
  if (!FValid || !Query(FRecord, "\\VarFileInfo\\Translation", &value, &length) || length < 4) return std::nullopt;
  std::uint32_t t = 0;
  std::memcpy(&t, value, 4);
  return t;
}

std::optional<TFixedFileInfo> TVersionInfo::FixedInfo() const {
  void* value = nullptr;
  UINT length = 0;
  if (!FValid || !Query(FRecord, "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
  VS_FIXEDFILEINFO f;
  std::memcpy(&f, value, sizeof f);
  if (f.dwSignature != kFixedFileInfoSignature) return std::nullopt;
  return TFixedFileInfo{f.dwSignature,      f.dwStrucVersion,    f.dwFileVersionMS, f.dwFileVersionLS, f.dwProductVersionMS,
                        f.dwProductVersionLS, f.dwFileFlagsMask, f.dwFileFlags,     f.dwFileOS,        f.dwFileType,
                        f.dwFileSubtype,    f.dwFileDateMS,      f.dwFileDateLS};
}

std::string TVersionInfo::StringValue(const std::string& key) const {
  const std::string tk = TranslationKey();
  void* value = nullptr;
  UINT length = 0;
  if (!FValid || tk.empty() || !Query(FRecord, "\\StringFileInfo\\" + tk + "\\" + key, &value, &length)) return {};
  const char* text = static_cast<const char*>(value);
  return AnsiToUtf8(text, strnlen(text, length));
}

std::string RunningProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return Utf8(path.data(), n);
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace q17
