#include "reader/WholeConfig.h"

#include "link/ErrMsg.h"

namespace q17 {

// Placeholder until the group sequences land.
TConfigReadResult ReadWholeConfig(TCommandState&, TInterfList&, const TResultSink&) { return {rcNotSupported, TConfigGroup::Block}; }

std::vector<TConfigWriteFailure> WriteWholeConfig(TCommandState&, TInterfList&, const TResultSink&) {
  return {{TConfigGroup::Block, rcNotSupported}};
}

const char* ReadFailureMessage(TConfigGroup) { return ""; }
const char* WriteFailureMessage(TConfigGroup) { return ""; }

}  // namespace q17
