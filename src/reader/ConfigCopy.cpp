#include "reader/ConfigCopy.h"

#include <utility>

#include "link/ErrMsg.h"
#include "link/TranslateNoop.h"
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

namespace {

TShownText Said(const char* text, std::vector<TShownText> args = {}) {
  return TShownText::Marked("ConfigCopy", text, std::move(args));
}

TShownText StepOutcome(TWriteOutcome outcome) {
  switch (outcome) {
    case TWriteOutcome::Written:
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "записано"));
    case TWriteOutcome::NotKnown:
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "неизвестно"));
    case TWriteOutcome::NotWritten:
      break;
  }
  return Said(QT_TRANSLATE_NOOP("ConfigCopy", "не записано"));
}

}  // namespace

TShownText CopyOutcome(const TConfigCopy& copy) {
  switch (copy.Verdict) {
    case TCopyVerdict::Verified:
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "записана и проверена"));
    case TCopyVerdict::ReadFailed:
      if (copy.Read.Code == rcTimeout)
        return Said(QT_TRANSLATE_NOOP("ConfigCopy", "не отвечает: %1"), {ResultShownText(copy.Read.Code)});
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "не записана, конфигурация не считана: %1"),
                  {ResultShownText(copy.Read.Code)});
    case TCopyVerdict::WriteFailed: {
      // The first failure tells whether the reader refused or its answer was lost.
      for (const TConfigWriteStep& step : copy.Steps) {
        if (step.Code == 0) continue;
        std::vector<TShownText> why{ResultShownText(step.Code),
                                    TShownText::Marked("WholeConfig", WriteFailureMessage(copy.Failures.front().Group))};
        return step.Outcome == TWriteOutcome::NotKnown
                   ? Said(QT_TRANSLATE_NOOP("ConfigCopy", "неизвестно: %1 (%2)"), std::move(why))
                   : Said(QT_TRANSLATE_NOOP("ConfigCopy", "отказ: %1 (%2)"), std::move(why));
      }
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "не записана"));
    }
    case TCopyVerdict::Stopped: {
      int written = 0;
      for (const TConfigWriteStep& step : copy.Steps) written += step.Outcome == TWriteOutcome::Written ? 1 : 0;
      int notWritten = 0;
      for (const TConfigWriteStep& step : copy.Steps) notWritten += step.Outcome == TWriteOutcome::NotWritten ? 1 : 0;
      if (notWritten == static_cast<int>(copy.Steps.size()))
        return Said(QT_TRANSLATE_NOOP("ConfigCopy", "не записана (остановлено)"));
      if (written == static_cast<int>(copy.Steps.size()))
        return Said(QT_TRANSLATE_NOOP("ConfigCopy", "записана, не проверена (остановлено)"));
      // Each command by its name, what became of it in words.
      std::vector<TShownText> steps;
      for (const TConfigWriteStep& step : copy.Steps) {
        steps.push_back(TShownText::Plain(std::string(" ") + step.Name + " "));
        steps.push_back(StepOutcome(step.Outcome));
        if (&step != &copy.Steps.back()) steps.push_back(TShownText::Plain(","));
      }
      //: %1: each command's name and what became of it, each after a blank, commas between
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "неизвестно (остановлено):%1"),
                  {TShownText::Joined(std::move(steps))});
    }
    case TCopyVerdict::ReadBackFailed:
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "записана, проверка не удалась: %1"),
                  {ResultShownText(copy.Read.Code)});
    case TCopyVerdict::Differs:
      return Said(QT_TRANSLATE_NOOP("ConfigCopy", "записана, но считана другая конфигурация"));
  }
  return TShownText::Plain({});
}

std::string CopyOutcomeText(const TConfigCopy& copy) { return ComposeText(CopyOutcome(copy)); }

TShownText UntouchedOutcome(bool deviceGone) {
  return deviceGone ? Said(QT_TRANSLATE_NOOP("ConfigCopy", "не тронут (устройство отключено)"))
                    : Said(QT_TRANSLATE_NOOP("ConfigCopy", "не тронут (остановлено)"));
}

std::string UntouchedText(bool deviceGone) { return ComposeText(UntouchedOutcome(deviceGone)); }

TShownText NotWholeOutcome(int code) {
  return Said(QT_TRANSLATE_NOOP("ConfigCopy", "не тронут (ответил обзору не целиком): %1"), {ResultShownText(code)});
}

std::string NotWholeText(int code) { return ComposeText(NotWholeOutcome(code)); }

}  // namespace q17
