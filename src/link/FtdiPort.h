#pragma once
// An FTDI adapter through D2XX, opened by its serial number: 8 data bits,
// no parity, one stop bit, no flow control.
#include "link/Port.h"
#include "platform/D2xxApi.h"

namespace q17 {

TPortOpening OpenFtdiPort(D2xxApi& d2xx, const std::string& serialNumber, std::uint32_t baud);

}  // namespace q17
