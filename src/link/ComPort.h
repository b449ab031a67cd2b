#pragma once
// A serial port: 8 data bits, no parity, one stop bit, reads that return
// what has arrived and wait only for the first byte.
#include "link/Port.h"
#include "platform/SerialApi.h"

namespace q17 {

TPortOpening OpenComPort(SerialApi& serial, const std::string& name, std::uint32_t baud);

}  // namespace q17
