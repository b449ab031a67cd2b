#pragma once
// One set-up copied into one reader, judged as a whole: the reader's own
// block is read first (its marker, mode and Wiegand interval stay), the
// channels, tag memory times and attenuations wanted go over it, brought
// into the ranges the pages allow, and everything written is read back and
// compared. q17ctl's write-config and the window's write to many readers
// both go through here, so they judge a reader alike.
#include <functional>
#include <string>
#include <vector>

#include "link/ShownText.h"
#include "reader/RdrCmd.h"
#include "reader/WholeConfig.h"

namespace q17 {

enum class TCopyVerdict {
  Verified,        // written, read back and the same
  ReadFailed,      // the reader's own block could not be read: nothing was sent
  WriteFailed,     // a group failed (Failures); the others were still tried
  Stopped,         // a stop came while writing or reading back: Steps say what became of each command
  ReadBackFailed,  // written, but the read-back failed (Read)
  Differs,         // the reader holds another configuration than was written
};

struct TConfigCopy {
  TCopyVerdict Verdict = TCopyVerdict::Verified;
  TConfigReadResult Read;                     // ReadFailed, ReadBackFailed: what failed
  TCommandState AsWanted;                     // the reader's block with the wanted values, before the ranges
  std::vector<TConfigWriteStep> Steps;        // the five write commands, sent or not
  std::vector<TConfigWriteFailure> Failures;  // WriteFailed
  TCommandState ReadBack;                     // Verified, Differs: what the reader holds
};

// The same configuration: block, tag memory times and attenuations.
bool SameConfig(const TCommandState& a, const TCommandState& b);

// Copies wanted's channels, tag memory times and attenuations into the
// reader at s.ReaderAddress; s ends holding what was written. Once
// stopRequested, no further command goes out (the one in progress is still
// answered) and nothing is read back. onResult hears every command's code
// as it comes, reads and writes alike.
TConfigCopy CopyConfig(TCommandState& s, TInterfList& link, const TCommandState& wanted,
                       const std::function<bool()>& stopRequested = {}, const TResultSink& onResult = {});

// One reader's outcome in a line of its own: written and verified, silent,
// not written, refused with its code, not known, or what a stop left. In
// parts marked under the context "ConfigCopy" for a window; ...Text is the
// core's own (UTF-8).
TShownText CopyOutcome(const TConfigCopy& copy);
std::string CopyOutcomeText(const TConfigCopy& copy);
// A reader a stop or an unplug left before anything was sent to it.
TShownText UntouchedOutcome(bool deviceGone);
std::string UntouchedText(bool deviceGone);
// An address of "found" that answered the scan, but not whole: never written.
TShownText NotWholeOutcome(int code);
std::string NotWholeText(int code);

}  // namespace q17
