#pragma once
// A car park at once: every reader a scan finds, with its version, mode, tag
// memory times, attenuations and a short echo run, one record per reader.
// The command state of the program is not touched: each reader is read into
// a state of its own.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/KvlInterface.h"
#include "reader/AddressList.h"

namespace q17 {

inline constexpr int kSurveyEchoCount = 20;
inline constexpr int kSurveyEchoLength = 10;

struct TSurveyRecord {
  int Address = 0;
  // Each value is missing when its read failed; the version is whole, as the
  // reader sent it (UTF-8).
  std::optional<std::string> Version;
  std::optional<std::uint8_t> Mode;
  std::optional<std::uint16_t> TMT_1;
  std::optional<std::uint16_t> TMT_2;
  std::optional<std::uint8_t> ATT_1;
  std::optional<std::uint8_t> ATT_2;
  int EchoSent = 0;  // echo exchanges that went out; none: no echo figures
  int EchoErrors = 0;
  std::optional<double> EchoP95Ms;  // missing when no echo was timed
  // The code of the first step that failed (an echo exchange included); 0: none.
  int ErrorCode = 0;
};

struct TSurveyEnv {
  // Milliseconds on a steady scale, for the echo times.
  std::function<double()> NowMs;
  // Asked between steps; a reader cut short by a stop gets no record. A
  // stop that comes with the line's loss (a window closing the port of a
  // device that went) keeps the record, as the line's loss alone does.
  std::function<bool()> StopRequested;
  // Told of each address before its version read goes out (optional).
  std::function<void(int address)> Trying;
};

// The steps after the scan found the reader at `address` with `version`:
// configuration block, tag memory times, attenuations (each tried even when
// an earlier one failed), then the echo run. Nothing when stopped meanwhile.
// A device that goes meanwhile (or a port closed under it) ends the steps,
// with rcPortClosed as the error when none came before; the exchange that
// found it gone is not counted.
std::optional<TSurveyRecord> SurveyReader(TInterfList& link, int address, const std::string& version,
                                          const TSurveyEnv& env);

struct TSurveyTotals {
  int Answered = 0;  // addresses at which something answered, readers or not
  bool DeviceGone = false;
};

// Scans from..to by the rule of ScanBus and surveys each reader as it is
// found, handing its record to onRecord (false ends the survey). An address
// where something answered but the version read failed gets a record of its
// own with that failure and nothing read. Ends at a device that has gone.
TSurveyTotals Survey(TInterfList& link, int from, int to, const TSurveyEnv& env,
                     const std::function<bool(const TSurveyRecord&)>& onRecord);

// What "found" goes through after a survey: a record with a version is a
// reader, one without answered the scan not whole (its code).
TFoundReaders FoundInSurvey(const std::vector<TSurveyRecord>& records);

}  // namespace q17
