#pragma once
// q17ctl: the reader commands from a command line, over the same core as
// the windows, with the same result codes and texts.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/D2xxApi.h"
#include "platform/SerialApi.h"

namespace q17 {

// Exit codes: 0 success, 1 a failed operation, 2 bad usage.
int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err);
// The same; long-running commands end cleanly, undoing what they set up in
// the reader, once stopRequested() turns true.
int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const std::function<bool()>& stopRequested);

}  // namespace q17
