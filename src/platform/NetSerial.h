#pragma once
// Ports behind a network serial server, over the system's sockets
// (NetSocket.h).
#include <string>

#include "platform/NetPortName.h"
#include "platform/SerialApi.h"

namespace q17 {

// Connects (a few seconds at most), sets the server's line where the
// protocol can (RFC 2217) and drops what arrived before. `stop` is the
// SerialApi's signal as it is now and later; it must outlive the port.
TSerialOpen OpenNetPort(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                        const StopSignal* const& stop);

}  // namespace q17
