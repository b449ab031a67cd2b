#pragma once
// The reader's whole configuration moved in one go: the block, the tag memory
// times and the attenuations, one group after the other, so that the windows
// and q17ctl pick their messages from one place.
#include <functional>
#include <vector>

#include "reader/RdrCmd.h"

namespace q17 {

enum class TConfigGroup { Block, TagMemTime, Atten };

// Receives each command's result code as soon as it is known, in the order
// the commands are sent, so a window can report every outcome.
using TResultSink = std::function<void(int code)>;

struct TConfigReadResult {
  int Code = 0;                               // 0, or the code of the first failure
  TConfigGroup Failed = TConfigGroup::Block;  // the group that failed when Code != 0
  bool Stopped = false;                       // keepGoing ended it before the last read
};

// Asked before each command; once false, no further command is sent.
using TKeepGoing = std::function<bool()>;

// Block, TMT_1, TMT_2, ATT_1, ATT_2 in that order; stops at the first failure
// and keeps what was read before it.
TConfigReadResult ReadWholeConfig(TCommandState& s, TInterfList& link, const TResultSink& onResult = {},
                                  const TKeepGoing& keepGoing = {});

struct TConfigWriteFailure {
  TConfigGroup Group;
  int Code;
};

// What became of one write command, as far as the PC can tell: written
// (answered 0), not written (refused by the reader, or never sent), or not
// known (the reply was lost or garbled, so the reader may have applied it).
enum class TWriteOutcome { Written, NotWritten, NotKnown };
const char* WriteOutcomeText(TWriteOutcome outcome);

// Sends one write command (`send` returns its result) and judges it.
TWriteOutcome JudgeWrite(TInterfList& link, const std::function<int()>& send, int& code);

struct TConfigWriteStep {
  const char* Name;  // "BLOCK", "TMT_1", "TMT_2", "ATT_1", "ATT_2"
  TWriteOutcome Outcome;
  int Code;          // 0 when written or never sent
};

using TWriteStepSink = std::function<void(const TConfigWriteStep& step)>;

// Every group is attempted, in the order block, tag memory times,
// attenuations; a channel-1 failure skips channel 2 of the same group.
// Returns the failed groups in order (empty on success); onGroupFailed hears
// of each as it happens, before the next group is sent, so a window can say
// so at that moment. onStep hears of each of the five commands, in order,
// also of those not sent (after a channel-1 failure, or once keepGoing said
// no).
using TGroupFailureSink = std::function<void(const TConfigWriteFailure& failure)>;
std::vector<TConfigWriteFailure> WriteWholeConfig(TCommandState& s, TInterfList& link,
                                                  const TResultSink& onResult = {},
                                                  const TGroupFailureSink& onGroupFailed = {},
                                                  const TKeepGoing& keepGoing = {}, const TWriteStepSink& onStep = {});

// The message a window shows for a failed group (UTF-8), translated under
// the context "WholeConfig".
const char* ReadFailureMessage(TConfigGroup group);
const char* WriteFailureMessage(TConfigGroup group);

}  // namespace q17
