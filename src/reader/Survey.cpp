#include "reader/Survey.h"

#include <algorithm>

#include "link/ErrMsg.h"
#include "reader/Echo.h"
#include "reader/EchoSpread.h"
#include "reader/RdrCmd.h"
#include "reader/Scan.h"

namespace q17 {
namespace {

bool Stopped(const TSurveyEnv& env) { return env.StopRequested && env.StopRequested(); }

// The device went, or the port was closed under the survey: nothing more
// can be asked.
bool LineLost(const TInterfList& link) { return link.DeviceGone() || !link.Opened(); }

// Runs one read; its value is kept on success, its code noted as the
// record's error when it is the first failure.
template <typename T, typename Read, typename Value>
void Step(TSurveyRecord& record, std::optional<T>& field, TCommandState& s, TInterfList& link, Read read,
          Value value) {
  const int r = read(s, link);
  if (LineLost(link)) {
    if (record.ErrorCode == 0) record.ErrorCode = rcPortClosed;
  } else if (r == 0) {
    field = value(s);
  } else if (record.ErrorCode == 0) {
    record.ErrorCode = r;
  }
}

// A reader's steps ended early: a lost line keeps what was learnt, a stop
// leaves no record.
std::optional<TSurveyRecord> CutShort(TSurveyRecord& record, const TInterfList& link) {
  if (!LineLost(link)) return std::nullopt;
  if (record.ErrorCode == 0) record.ErrorCode = rcPortClosed;
  return record;
}

}  // namespace

std::optional<TSurveyRecord> SurveyReader(TInterfList& link, int address, const std::string& version,
                                          const TSurveyEnv& env) {
  TSurveyRecord record;
  record.Address = address;
  record.Version = version;
  TCommandState s;
  s.ReaderAddress = address;
  const auto ended = [&] { return LineLost(link) || Stopped(env); };

  if (ended()) return CutShort(record, link);
  Step(record, record.Mode, s, link, ReadConfig, [](const TCommandState& st) { return st.Config.Mode; });
  if (ended()) return CutShort(record, link);
  Step(record, record.TMT_1, s, link, ReadTagMemTime1, [](const TCommandState& st) { return st.TMT_1; });
  if (ended()) return CutShort(record, link);
  Step(record, record.TMT_2, s, link, ReadTagMemTime2, [](const TCommandState& st) { return st.TMT_2; });
  if (ended()) return CutShort(record, link);
  Step(record, record.ATT_1, s, link, ReadAtten1, [](const TCommandState& st) { return st.ATT_1; });
  if (ended()) return CutShort(record, link);
  Step(record, record.ATT_2, s, link, ReadAtten2, [](const TCommandState& st) { return st.ATT_2; });
  if (ended()) return CutShort(record, link);

  TEchoTally echoes;
  for (int i = 0; i < kSurveyEchoCount; ++i) {
    // The reply overwrites the front of the payload; put the pattern back.
    FillEchoPattern(s);
    const double before = env.NowMs();
    const int r = EchoExchange(s, link, kSurveyEchoLength);
    const double after = env.NowMs();
    const bool lost = LineLost(link);
    if (!lost) {
      ++record.EchoSent;
      echoes.Record(r, after - before);
      if (r != 0 && record.ErrorCode == 0) record.ErrorCode = r;
    }
    if (lost || Stopped(env)) {
      if (!LineLost(link)) return std::nullopt;
      if (record.ErrorCode == 0) record.ErrorCode = rcPortClosed;
      break;
    }
  }
  record.EchoErrors = static_cast<int>(echoes.Errors);
  // Of good echoes only: missing when none was good.
  if (!echoes.Spread.Empty()) record.EchoP95Ms = echoes.Spread.Quantile(0.95);
  return record;
}

TSurveyTotals Survey(TInterfList& link, int from, int to, const TSurveyEnv& env,
                     const std::function<bool(const TSurveyRecord&)>& onRecord) {
  TCommandState scan;
  TSurveyTotals totals;
  // The progress of a window: the address the scan asks next.
  const auto tryNext = [&](int address) {
    if (env.Trying && address < to) env.Trying(address + 1);
  };
  if (env.Trying && from <= to) env.Trying(from);
  ScanBus(scan, link, from, to, [&](const TBusReply& reply) {
    if (reply.Answer == TBusAnswer::LineGone) {
      totals.DeviceGone = true;
      return false;
    }
    // A stop asked for here may be the window closing the port of a device
    // that went: what answered before it is still listed.
    const bool stopped = Stopped(env);
    const bool lost = LineLost(link);
    if (reply.Answer == TBusAnswer::Silent || (stopped && !lost)) {
      totals.DeviceGone = lost;
      if (stopped || lost) return false;
      tryNext(reply.Address);
      return true;
    }
    ++totals.Answered;
    std::optional<TSurveyRecord> record;
    if (reply.Answer == TBusAnswer::Reader) {
      record = SurveyReader(link, reply.Address, reply.Version, env);
    } else {
      record.emplace();
      record->Address = reply.Address;
      record->ErrorCode = reply.Result;
    }
    if (!record) return false;
    const bool more = onRecord(*record);
    if (LineLost(link)) {
      totals.DeviceGone = true;
      return false;
    }
    if (!more || Stopped(env)) return false;
    tryNext(reply.Address);
    return true;
  });
  return totals;
}

TFoundReaders FoundInSurvey(const std::vector<TSurveyRecord>& records) {
  TFoundReaders found;
  for (const TSurveyRecord& r : records) {
    if (r.Version) {
      found.Readers.push_back(r.Address);
    } else {
      found.Failed.emplace_back(r.Address, r.ErrorCode);
    }
  }
  std::sort(found.Readers.begin(), found.Readers.end());
  std::sort(found.Failed.begin(), found.Failed.end());
  return found;
}

}  // namespace q17
