#pragma once
// Ports behind a network serial server, over the system's sockets
// (NetSocket.h).
#include <string>

#include "platform/NetPortName.h"
#include "platform/NetSocket.h"
#include "platform/SerialApi.h"

namespace q17 {

// Connects (a few seconds at most, the name's lookup included), sets the
// server's line where the protocol can (RFC 2217) and drops what arrived
// before. `stop` is the SerialApi's signal as it is now and later; it must
// outlive the port. Every wait ends at once on a stop.
TSerialOpen OpenNetPort(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                        const StopSignal* const& stop);

// Whether a failed open reached the server: it accepted the connection and
// then declined the port settings, kept silent over them, or hung up.
bool NetOpenReachedServer(const TOpenFailure& failure);

// The same, the server's name looked up by `resolver` (the system's above).
TSerialOpen OpenNetPort(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                        const StopSignal* const& stop, net::Resolver& resolver);

}  // namespace q17
