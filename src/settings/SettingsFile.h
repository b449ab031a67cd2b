#pragma once
// The settings file: a reader configuration saved on the PC in an INI file
// (Windows-1251 text), loaded into and saved from the command state.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "reader/RdrCmd.h"
#include "settings/FileReplace.h"
#include "settings/IniText.h"

namespace q17 {

// NotSettings: a text this program does not read (UTF-16).
enum class TSettingsLoad { Read, Missing, Unreadable, NotSettings };

// A number key of the file, in the order saving writes them, with the
// file's own default; ToReader when writing a file into a reader sends it.
struct TSettingsNumberKey {
  const char* Section;
  const char* Key;
  std::int32_t Default;
  bool ToReader;
};
std::span<const TSettingsNumberKey> SettingsNumberKeys();

// Takes RDR_ADDR, the two channels' block bytes 2..13, TMT_1/TMT_2,
// ETAL_TAG/TEST_TAG and ATT_1/ATT_2 into the state, each with the file's own
// default when missing or not a number. Marker, Mode and WiegandInterval are
// left as they are.
void LoadSettingsText(const TIniText& text, TCommandState& s);

// LoadSettingsText on the file's text. A missing, unreadable or UTF-16 file
// loads as all defaults; the result says which, and reason (when given) why
// it could not be read, for callers that report it.
TSettingsLoad LoadSettingsFile(const std::filesystem::path& file, TCommandState& s, std::string* reason = nullptr);

struct TSettingsSave {
  bool Ok = true;
  std::string Message;  // "Unable to write to <file>" when the file could not be written
  std::string Reason;   // what the system said, for callers that show more
};

// Always: the tag texts given replace the file's. WhereMissing: the file's
// own tag texts stay; the ones given go only where the file has none (a
// caller with no tag texts of its own).
enum class TTagSave { Always, WhereMissing };

// Writes every key in order into a new or an existing file, keeping what the
// file holds besides, with the bytes that writing them one by one would give;
// the file is replaced once, so on any failure it stays as it was. A file
// that cannot be read, a UTF-16 text and a file that is not text are not
// written. The tag texts are the radio test's fields as they stand; dateTime
// is the local time of saving as the user reads it. beforeRename lets tests
// stop a write part way.
TSettingsSave SaveSettingsFile(const std::filesystem::path& file, const TCommandState& s,
                               const std::string& etalonTag, const std::string& testTag,
                               const std::string& dateTime, const TBeforeRename& beforeRename = {},
                               TTagSave tags = TTagSave::Always);

// The moment of saving as DATE-TIME holds it: the user's short date form, a
// blank, the long time form; where the system gives no form, 2026-12-08 and
// 09:05:00, which no reader takes the wrong way round.
std::string CreationDateTimeText(const std::tm& local);

// Why a save into file would be refused before anything is written (a file
// that cannot be read, a UTF-16 text, one that is not text, a device's name
// on Windows, a file or folder that may not be written); empty when it may
// be written.
std::string SettingsSaveRefusal(const std::filesystem::path& file);

// The name a file is written under (UTF-8): with Windows names the dots and
// blanks that end it go, as Windows drops them ("gate.set." is gate.set).
std::string WrittenFileName(std::string_view name, bool windowsNames);

// The settings file that a name chosen in a file dialog (UTF-8) stands for:
// the name it is written under; a name without an extension gets ".set".
std::string SettingsFileName(std::string_view chosen, bool windowsNames);

}  // namespace q17
