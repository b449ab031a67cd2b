#include "CtlSettings.h"

#include <cstdio>
#include <ostream>
#include <sstream>

#include "CtlOutput.h"
#include "CtlSettingsStrict.h"
#include "link/ErrMsg.h"
#include "link/OpenFailureText.h"
#include "reader/ConfigCopy.h"
#include "reader/RdrCmd.h"
#include "reader/WholeConfig.h"
#include "settings/SettingsFile.h"

namespace q17 {
namespace {

#ifdef _WIN32
constexpr bool kWindowsNames = true;
#else
constexpr bool kWindowsNames = false;
#endif

std::string HexBytes(const TConfigBytes& bytes) {
  std::string text;
  char pair[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    if (!text.empty()) text += ' ';
    text += pair;
  }
  return text;
}

void PrintConfig(const TCommandState& s, std::ostream& out) {
  out << "BLOCK=" << HexBytes(s.Config.ToBytes()) << "\n"
      << "TMT_1=" << s.TMT_1 << "\n"
      << "TMT_2=" << s.TMT_2 << "\n"
      << "ATT_1=" << int{s.ATT_1} << "\n"
      << "ATT_2=" << int{s.ATT_2} << "\n";
}

int ReadFailed(const TConfigReadResult& r, const TInterfList& link, std::ostream& err,
               const std::function<bool()>& stopRequested) {
  if (stopRequested && stopRequested() && IsCutByStop(r.Code)) {
    err << kStoppedBeforeAnswer << "\n";
    return kExitFailed;
  }
  return PrintFailure(err, r.Code, ReadFailureMessage(r.Failed), &link);
}

// Each value the pages could not show, as it was in the file and as written.
void ReportClamped(const TCommandState& before, const TCommandState& after, const std::string& file,
                   std::ostream& err) {
  auto report = [&](const std::string& name, int was, int now) {
    if (was != now) err << "q17ctl: " << file << ": " << name << "=" << was << " is out of range; writing " << now << "\n";
  };
  static constexpr const char* kTimes[] = {"WCT", "WAT", "GDT", "GOT"};
  for (std::size_t ch = 0; ch < 2; ++ch) {
    const TChannelConfig& b = before.Config.Channel[ch];
    const TChannelConfig& a = after.Config.Channel[ch];
    const std::uint8_t was[] = {b.WCT, b.WAT, b.GDT, b.GOT};
    const std::uint8_t now[] = {a.WCT, a.WAT, a.GDT, a.GOT};
    for (std::size_t k = 0; k < 4; ++k) report("CHAN_" + std::to_string(ch + 1) + "." + kTimes[k], was[k], now[k]);
  }
  report("TMT_1", before.TMT_1, after.TMT_1);
  report("TMT_2", before.TMT_2, after.TMT_2);
  report("ATT_1", before.ATT_1, after.ATT_1);
  report("ATT_2", before.ATT_2, after.ATT_2);
}

}  // namespace

int SaveConfigCmd(TCommandState& s, TInterfList& link, const std::filesystem::path& file, std::ostream& out,
                  std::ostream& err, const std::function<bool()>& stopRequested) {
  if (const TConfigReadResult r = ReadWholeConfig(s, link); r.Code != 0) return ReadFailed(r, link, err, stopRequested);
  // No tag texts of our own: a file's own stay, new files get the defaults.
  const TSettingsSave saved =
      SaveSettingsFile(file, s, s.EtalonTag, s.TestTag, CreationDateTimeText(LocalTmNow()), {}, TTagSave::WhereMissing);
  if (!saved.Ok) {
    err << "q17ctl: " << saved.Message << (saved.Reason.empty() ? "" : ": " + saved.Reason) << "\n";
    return kExitFailed;
  }
  PrintConfig(s, out);
  // The name as the system wrote it: Windows drops a trailing dot.
  out << "SAVED=" << WrittenFileName(PathText(file), kWindowsNames) << "\n";
  return kExitOk;
}

int WriteConfigCmd(TCommandState& s, TInterfList& link, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err, const std::function<bool()>& stopRequested, bool portWatchesStop) {
  static const std::function<bool()> kNoStop;
  const std::function<bool()>& cutBy = portWatchesStop ? stopRequested : kNoStop;
  // The file first, so a mistyped name or value never reaches the reader as defaults.
  const std::optional<TIniText> text = StrictSettings(file, err);
  if (!text) return kExitFailed;
  TCommandState fromFile;
  LoadSettingsText(*text, fromFile);

  // The reader's own block keeps its marker, mode and Wiegand interval. A
  // device that goes (an unplug, a server's connection dropped) ends the
  // writes as a stop does: the commands after it could not arrive.
  const TConfigCopy copy = CopyConfig(s, link, fromFile, [&stopRequested, &link] {
    return (stopRequested && stopRequested()) || link.DeviceGone();
  });
  if (copy.Verdict == TCopyVerdict::ReadFailed) return ReadFailed(copy.Read, link, err, cutBy);
  ReportClamped(copy.AsWanted, s, PathText(file), err);
  switch (copy.Verdict) {
    case TCopyVerdict::ReadFailed:
      return ReadFailed(copy.Read, link, err, cutBy);
    case TCopyVerdict::ReadBackFailed:
      // Every command was answered: the reader holds the file, unchecked.
      err << "q17ctl: written, but reading it back to check it failed\n";
      return ReadFailed(copy.Read, link, err, cutBy);
    case TCopyVerdict::Stopped:
      err << (link.DeviceGone() ? "q17ctl: the port's device went away while writing the configuration\n"
                                : "q17ctl: stopped while writing the configuration\n");
      for (const TConfigWriteStep& step : copy.Steps) {
        err << step.Name << ": " << WriteOutcomeText(step.Outcome);
        // An exchange the stop cut has no failure of its own to tell.
        const bool cut = portWatchesStop && !link.DeviceGone() && IsCutByStop(step.Code);
        if (step.Code != 0 && !cut) err << " (" << FormatResult(step.Code) << ")";
        err << "\n";
      }
      if (link.DeviceGone()) err << DeviceGoneExplanation(link) << "\n";
      return kExitFailed;
    case TCopyVerdict::WriteFailed:
      for (std::size_t i = 0; i < copy.Failures.size(); ++i) {
        // An unplug is told once, after the last failure.
        PrintFailure(err, copy.Failures[i].Code, WriteFailureMessage(copy.Failures[i].Group),
                     i + 1 == copy.Failures.size() ? &link : nullptr);
      }
      return kExitFailed;
    case TCopyVerdict::Differs:
      err << "q17ctl: the reader holds another configuration than was written\nwritten:\n";
      PrintConfig(s, err);
      err << "read back:\n";
      PrintConfig(copy.ReadBack, err);
      return kExitFailed;
    case TCopyVerdict::Verified:
      break;
  }
  PrintConfig(copy.ReadBack, out);
  return kExitOk;
}

}  // namespace q17
