#include "reader/ConfigCopy.h"

#include "reader/PageRanges.h"

namespace q17 {

bool SameConfig(const TCommandState& a, const TCommandState& b) {
  return a.Config == b.Config && a.TMT_1 == b.TMT_1 && a.TMT_2 == b.TMT_2 && a.ATT_1 == b.ATT_1 &&
         a.ATT_2 == b.ATT_2;
}

TConfigCopy CopyConfig(TCommandState& s, TInterfList& link, const TCommandState& wanted,
                       const std::function<bool()>& stopRequested) {
  TConfigCopy copy;
  if (const int r = ReadConfig(s, link); r != 0) {
    copy.Verdict = TCopyVerdict::ReadFailed;
    copy.Read = {r, TConfigGroup::Block};
    return copy;
  }
  s.Config.Channel = wanted.Config.Channel;
  s.TMT_1 = wanted.TMT_1;
  s.TMT_2 = wanted.TMT_2;
  s.ATT_1 = wanted.ATT_1;
  s.ATT_2 = wanted.ATT_2;
  copy.AsWanted = s;
  ClampToPageRanges(s);

  const auto stopped = [&stopRequested] { return stopRequested && stopRequested(); };
  copy.Failures = WriteWholeConfig(
      s, link, {}, {}, [&] { return !stopped(); }, [&](const TConfigWriteStep& step) { copy.Steps.push_back(step); });
  // Only what the reader answered counts as written; unchecked, it is not verified.
  if (stopped()) {
    copy.Verdict = TCopyVerdict::Stopped;
    return copy;
  }
  if (!copy.Failures.empty()) {
    copy.Verdict = TCopyVerdict::WriteFailed;
    return copy;
  }
  copy.ReadBack.ReaderAddress = s.ReaderAddress;
  copy.Read = ReadWholeConfig(copy.ReadBack, link);
  if (copy.Read.Code != 0) {
    copy.Verdict = TCopyVerdict::ReadBackFailed;
  } else if (!SameConfig(copy.ReadBack, s)) {
    copy.Verdict = TCopyVerdict::Differs;
  }
  return copy;
}

}  // namespace q17
