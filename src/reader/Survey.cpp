#include "reader/Survey.h"

#include "link/ErrMsg.h"
#include "reader/Echo.h"
#include "reader/EchoSpread.h"
#include "reader/RdrCmd.h"
#include "reader/Scan.h"

namespace q17 {
namespace {

bool Stopped(const TSurveyEnv& env) { return env.StopRequested && env.StopRequested(); }

// Runs one read; its value is kept on success, its code noted as the
// record's error when it is the first failure.
template <typename T, typename Read, typename Value>
void Step(TSurveyRecord& record, std::optional<T>& field, TCommandState& s, TInterfList& link, Read read,
          Value value) {
  if (link.DeviceGone()) return;
  const int r = read(s, link);
  if (link.DeviceGone()) {
    if (record.ErrorCode == 0) record.ErrorCode = rcPortClosed;
  } else if (r == 0) {
    field = value(s);
  } else if (record.ErrorCode == 0) {
    record.ErrorCode = r;
  }
}

}  // namespace

std::optional<TSurveyRecord> SurveyReader(TInterfList& link, int address, const std::string& version,
                                          const TSurveyEnv& env) {
  TSurveyRecord record;
  record.Address = address;
  record.Version = version;
  TCommandState s;
  s.ReaderAddress = address;

  Step(record, record.Mode, s, link, ReadConfig, [](const TCommandState& st) { return st.Config.Mode; });
  if (Stopped(env)) return std::nullopt;
  Step(record, record.TMT_1, s, link, ReadTagMemTime1, [](const TCommandState& st) { return st.TMT_1; });
  if (Stopped(env)) return std::nullopt;
  Step(record, record.TMT_2, s, link, ReadTagMemTime2, [](const TCommandState& st) { return st.TMT_2; });
  if (Stopped(env)) return std::nullopt;
  Step(record, record.ATT_1, s, link, ReadAtten1, [](const TCommandState& st) { return st.ATT_1; });
  if (Stopped(env)) return std::nullopt;
  Step(record, record.ATT_2, s, link, ReadAtten2, [](const TCommandState& st) { return st.ATT_2; });
  if (Stopped(env)) return std::nullopt;

  TEchoTally echoes;
  for (int i = 0; i < kSurveyEchoCount && !link.DeviceGone(); ++i) {
    // The reply overwrites the front of the payload; put the pattern back.
    FillEchoPattern(s);
    const double before = env.NowMs();
    const int r = EchoExchange(s, link, kSurveyEchoLength);
    if (Stopped(env)) return std::nullopt;
    if (link.DeviceGone()) {
      if (record.ErrorCode == 0) record.ErrorCode = rcPortClosed;
      break;
    }
    ++record.EchoSent;
    echoes.Record(r, env.NowMs() - before);
    if (r != 0 && record.ErrorCode == 0) record.ErrorCode = r;
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
    if (reply.Answer == TBusAnswer::LineGone) totals.DeviceGone = true;
    if (Stopped(env)) return false;
    if (reply.Answer == TBusAnswer::Silent) {
      tryNext(reply.Address);
      return true;
    }
    if (reply.Answer == TBusAnswer::LineGone) return false;
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
    if (link.DeviceGone()) {
      totals.DeviceGone = true;
      return false;
    }
    if (!more || Stopped(env)) return false;
    tryNext(reply.Address);
    return true;
  });
  return totals;
}

}  // namespace q17
