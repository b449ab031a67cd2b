#include "reader/ConfigCopy.h"

#include "link/ErrMsg.h"
#include "reader/PageRanges.h"

namespace q17 {

bool SameConfig(const TCommandState& a, const TCommandState& b) {
  return a.Config == b.Config && a.TMT_1 == b.TMT_1 && a.TMT_2 == b.TMT_2 && a.ATT_1 == b.ATT_1 &&
         a.ATT_2 == b.ATT_2;
}

TConfigCopy CopyConfig(TCommandState& s, TInterfList& link, const TCommandState& wanted,
                       const std::function<bool()>& stopRequested, const TResultSink& onResult) {
  TConfigCopy copy;
  const int r = ReadConfig(s, link);
  if (onResult) onResult(r);
  if (r != 0) {
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
      s, link, onResult, {}, [&] { return !stopped(); },
      [&](const TConfigWriteStep& step) { copy.Steps.push_back(step); });
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
  copy.Read = ReadWholeConfig(copy.ReadBack, link, onResult, [&] { return !stopped(); });
  if (copy.Read.Stopped) {
    // Written, but what the reader holds was not all read: not verified.
    copy.Verdict = TCopyVerdict::Stopped;
  } else if (copy.Read.Code != 0) {
    copy.Verdict = TCopyVerdict::ReadBackFailed;
  } else if (!SameConfig(copy.ReadBack, s)) {
    copy.Verdict = TCopyVerdict::Differs;
  }
  return copy;
}

std::string CopyOutcomeText(const TConfigCopy& copy) {
  switch (copy.Verdict) {
    case TCopyVerdict::Verified:
      return "записана и проверена";
    case TCopyVerdict::ReadFailed:
      if (copy.Read.Code == rcTimeout) return "не отвечает: " + FormatResult(copy.Read.Code);
      return "не записана, конфигурация не считана: " + FormatResult(copy.Read.Code);
    case TCopyVerdict::WriteFailed: {
      // The first failure tells whether the reader refused or its answer was lost.
      for (const TConfigWriteStep& step : copy.Steps) {
        if (step.Code == 0) continue;
        const std::string why = FormatResult(step.Code) + " (" + WriteFailureMessage(copy.Failures.front().Group) + ")";
        return step.Outcome == TWriteOutcome::NotKnown ? "неизвестно: " + why : "отказ: " + why;
      }
      return "не записана";
    }
    case TCopyVerdict::Stopped: {
      int written = 0;
      for (const TConfigWriteStep& step : copy.Steps) written += step.Outcome == TWriteOutcome::Written ? 1 : 0;
      int notWritten = 0;
      for (const TConfigWriteStep& step : copy.Steps) notWritten += step.Outcome == TWriteOutcome::NotWritten ? 1 : 0;
      if (notWritten == static_cast<int>(copy.Steps.size())) return "не записана (остановлено)";
      if (written == static_cast<int>(copy.Steps.size())) return "записана, не проверена (остановлено)";
      std::string text = "неизвестно (остановлено):";
      for (const TConfigWriteStep& step : copy.Steps) {
        text += std::string(" ") + step.Name + " ";
        text += step.Outcome == TWriteOutcome::Written ? "записано"
                : step.Outcome == TWriteOutcome::NotKnown ? "неизвестно"
                                                          : "не записано";
        if (&step != &copy.Steps.back()) text += ",";
      }
      return text;
    }
    case TCopyVerdict::ReadBackFailed:
      return "записана, проверка не удалась: " + FormatResult(copy.Read.Code);
    case TCopyVerdict::Differs:
      return "записана, но считана другая конфигурация";
  }
  return {};
}

std::string UntouchedText(bool deviceGone) {
  return deviceGone ? "не тронут (устройство отключено)" : "не тронут (остановлено)";
}

std::string NotWholeText(int code) { return "не тронут (ответил обзору не целиком): " + FormatResult(code); }

}  // namespace q17
