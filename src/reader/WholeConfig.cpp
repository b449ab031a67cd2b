#include "reader/WholeConfig.h"

#include "link/ErrMsg.h"
#include "link/TranslateNoop.h"

namespace q17 {
namespace {

using TOperation = int (*)(TCommandState&, TInterfList&);

struct TGroupOps {
  TConfigGroup Group;
  TOperation Channel1;  // the block has only this one
  TOperation Channel2;
  const char* Names[2];
};

constexpr TGroupOps kReads[] = {
    {TConfigGroup::Block, ReadConfig, nullptr, {"BLOCK", nullptr}},
    {TConfigGroup::TagMemTime, ReadTagMemTime1, ReadTagMemTime2, {"TMT_1", "TMT_2"}},
    {TConfigGroup::Atten, ReadAtten1, ReadAtten2, {"ATT_1", "ATT_2"}},
};

constexpr TGroupOps kWrites[] = {
    {TConfigGroup::Block, WriteConfig, nullptr, {"BLOCK", nullptr}},
    {TConfigGroup::TagMemTime, WriteTagMemTime1, WriteTagMemTime2, {"TMT_1", "TMT_2"}},
    {TConfigGroup::Atten, WriteAtten1, WriteAtten2, {"ATT_1", "ATT_2"}},
};

// One group: channel 2 only after channel 1 succeeded. Each code reaches the
// sink before it is judged, so a window shows every outcome in order.
int RunGroup(const TGroupOps& g, TCommandState& s, TInterfList& link, const TResultSink& onResult,
             const TKeepGoing& keepGoing, bool& stopped) {
  for (TOperation op : {g.Channel1, g.Channel2}) {
    if (op == nullptr) continue;
    if (keepGoing && !keepGoing()) {
      stopped = true;
      return 0;
    }
    const int r = op(s, link);
    if (onResult) onResult(r);
    if (r != 0) return r;
  }
  return 0;
}

}  // namespace

TConfigReadResult ReadWholeConfig(TCommandState& s, TInterfList& link, const TResultSink& onResult,
                                  const TKeepGoing& keepGoing) {
  bool stopped = false;
  for (const TGroupOps& g : kReads) {
    const int r = RunGroup(g, s, link, onResult, keepGoing, stopped);
    if (stopped) return {0, g.Group, true};
    if (r != 0) return {r, g.Group};
  }
  return {};
}

const char* WriteOutcomeText(TWriteOutcome outcome) {
  switch (outcome) {
    case TWriteOutcome::Written: return "written";
    case TWriteOutcome::NotWritten: return "not written";
    case TWriteOutcome::NotKnown: return "not known";
  }
  return "";
}

TWriteOutcome JudgeWrite(TInterfList& link, const std::function<int()>& send, int& code) {
  // The link moves its packet number on exactly when a whole reply came.
  const std::uint8_t before = link.PacketNo();
  code = send();
  if (code == 0) return TWriteOutcome::Written;
  if (link.PacketNo() != before || code == rcPortClosed) return TWriteOutcome::NotWritten;
  return TWriteOutcome::NotKnown;
}

std::vector<TConfigWriteFailure> WriteWholeConfig(TCommandState& s, TInterfList& link, const TResultSink& onResult,
                                                  const TGroupFailureSink& onGroupFailed, const TKeepGoing& keepGoing,
                                                  const TWriteStepSink& onStep) {
  std::vector<TConfigWriteFailure> failures;
  bool going = true;
  for (const TGroupOps& g : kWrites) {
    int failed = 0;
    const TOperation ops[] = {g.Channel1, g.Channel2};
    for (std::size_t i = 0; i < 2; ++i) {
      if (ops[i] == nullptr) continue;
      going = going && (!keepGoing || keepGoing());
      TConfigWriteStep step{g.Names[i], TWriteOutcome::NotWritten, 0};
      if (going && failed == 0) {
        step.Outcome = JudgeWrite(link, [&] { return ops[i](s, link); }, step.Code);
        if (onResult) onResult(step.Code);
        failed = step.Code;
      }
      if (onStep) onStep(step);
    }
    if (failed != 0) {
      failures.push_back({g.Group, failed});
      if (onGroupFailed) onGroupFailed(failures.back());
    }
  }
  return failures;
}

const char* ReadFailureMessage(TConfigGroup group) {
  switch (group) {
    case TConfigGroup::Block:
      return QT_TRANSLATE_NOOP("WholeConfig", "Ошибка получения конфигурации считыателя!");
    case TConfigGroup::TagMemTime:
      return QT_TRANSLATE_NOOP("WholeConfig", "Ошибка получения времени памяти тага!");
    case TConfigGroup::Atten:
      return QT_TRANSLATE_NOOP("WholeConfig", "Ошибка получения затухания канала!");
  }
  return "";
}

const char* WriteFailureMessage(TConfigGroup group) {
  switch (group) {
    case TConfigGroup::Block:
      return QT_TRANSLATE_NOOP("WholeConfig", "Ошибка записи конфигурации считыателя!");
    case TConfigGroup::TagMemTime:
      return QT_TRANSLATE_NOOP("WholeConfig", "Ошибка установки времени памяти тага!");
    case TConfigGroup::Atten:
      return QT_TRANSLATE_NOOP("WholeConfig", "Ошибка установки аттенюатора!");
  }
  return "";
}

}  // namespace q17
