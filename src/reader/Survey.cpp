#include "reader/Survey.h"

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
  const int r = read(s, link);
  if (r == 0) {
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

  TEchoSpread times;
  for (int i = 0; i < kSurveyEchoCount; ++i) {
    // The reply overwrites the front of the payload; put the pattern back.
    FillEchoPattern(s);
    const double before = env.NowMs();
    const int r = EchoExchange(s, link, kSurveyEchoLength);
    if (Stopped(env)) return std::nullopt;
    times.Add(env.NowMs() - before);
    if (r != 0) {
      ++record.EchoErrors;
      if (record.ErrorCode == 0) record.ErrorCode = r;
    }
  }
  if (!times.Empty()) record.EchoP95Ms = times.Quantile(0.95);
  return record;
}

int Survey(TInterfList& link, int from, int to, const TSurveyEnv& env,
           const std::function<bool(const TSurveyRecord&)>& onRecord) {
  TCommandState scan;
  int surveyed = 0;
  const auto tryNext = [&](int address) {
    if (env.Trying && address < to) env.Trying(address + 1);
    return true;
  };
  if (env.Trying && from <= to) env.Trying(from);
  ScanReaders(scan, link, from, to, [&](int address, int result, const std::string& text) {
    if (Stopped(env)) return false;
    if (result != 0) return tryNext(address);
    const auto record = SurveyReader(link, address, text, env);
    if (!record) return false;
    ++surveyed;
    return onRecord(*record) && !Stopped(env) && tryNext(address);
  });
  return surveyed;
}

}  // namespace q17
