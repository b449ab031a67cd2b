#pragma once
// The gate automation sensors of both channels, as command 182 reports them.
#include <cstdint>

#include "reader/RdrCmd.h"

namespace q17 {

struct TSensorState {
  bool DC1 = false;   // channel 1 gate sensor
  bool CAR1 = false;  // channel 1 car sensor
  bool DC2 = false;
  bool CAR2 = false;
  bool operator==(const TSensorState&) const = default;
};

// Reply bytes 0..3: gate 1, car 1, gate 2, car 2; non-zero is active.
TSensorState DecodeSensors(const std::uint8_t* reply);

// "ВКЛ." when active, "выкл." when not; a window shows it translated under
// the context "Sensors".
const char* OnOffText(bool active);

inline constexpr std::uint16_t kSensorReplySize = 4;

// Command 182: the link's result, else the answer code, else rcDataError for
// a reply of fewer than four bytes. `state` changes only on 0.
int ReadSensors(TCommandState& s, TInterfList& link, TSensorState& state);

// The sensor window's rule: only the transaction decides. The states are
// taken from a reply of at least four bytes whatever its answer code; a
// shorter reply leaves statesRead false (and `state` as it was) rather than
// showing bytes the reader never sent.
int ReadSensorsTransaction(TCommandState& s, TInterfList& link, TSensorState& state, bool& statesRead);

}  // namespace q17
