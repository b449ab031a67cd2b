#include "reader/WholeConfig.h"

namespace q17 {
namespace {

using TOperation = int (*)(TCommandState&, TInterfList&);

struct TGroupOps {
  TConfigGroup Group;
  TOperation Channel1;  // the block has only this one
  TOperation Channel2;
};

constexpr TGroupOps kReads[] = {
    {TConfigGroup::Block, ReadConfig, nullptr},
    {TConfigGroup::TagMemTime, ReadTagMemTime1, ReadTagMemTime2},
    {TConfigGroup::Atten, ReadAtten1, ReadAtten2},
};

constexpr TGroupOps kWrites[] = {
    {TConfigGroup::Block, WriteConfig, nullptr},
    {TConfigGroup::TagMemTime, WriteTagMemTime1, WriteTagMemTime2},
    {TConfigGroup::Atten, WriteAtten1, WriteAtten2},
};

// One group: channel 2 only after channel 1 succeeded. Each code reaches the
// sink before it is judged, so a window shows every outcome in order.
int RunGroup(const TGroupOps& g, TCommandState& s, TInterfList& link, const TResultSink& onResult) {
  for (TOperation op : {g.Channel1, g.Channel2}) {
    if (op == nullptr) continue;
    const int r = op(s, link);
    if (onResult) onResult(r);
    if (r != 0) return r;
  }
  return 0;
}

}  // namespace

TConfigReadResult ReadWholeConfig(TCommandState& s, TInterfList& link, const TResultSink& onResult) {
  for (const TGroupOps& g : kReads) {
    if (const int r = RunGroup(g, s, link, onResult); r != 0) return {r, g.Group};
  }
  return {};
}

std::vector<TConfigWriteFailure> WriteWholeConfig(TCommandState& s, TInterfList& link, const TResultSink& onResult,
                                                  const TGroupFailureSink& onGroupFailed) {
  std::vector<TConfigWriteFailure> failures;
  for (const TGroupOps& g : kWrites) {
    if (const int r = RunGroup(g, s, link, onResult); r != 0) {
      failures.push_back({g.Group, r});
      if (onGroupFailed) onGroupFailed(failures.back());
    }
  }
  return failures;
}

const char* ReadFailureMessage(TConfigGroup group) {
  switch (group) {
    case TConfigGroup::Block:
      return "Ошибка получения конфигурации считыателя!";
    case TConfigGroup::TagMemTime:
      return "Ошибка получения времени памяти тага!";
    case TConfigGroup::Atten:
      return "Ошибка получения затухания канала!";
  }
  return "";
}

const char* WriteFailureMessage(TConfigGroup group) {
  switch (group) {
    case TConfigGroup::Block:
      return "Ошибка записи конфигурации считыателя!";
    case TConfigGroup::TagMemTime:
      return "Ошибка установки времени памяти тага!";
    case TConfigGroup::Atten:
      return "Ошибка установки аттенюатора!";
  }
  return "";
}

}  // namespace q17
