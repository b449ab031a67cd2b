#pragma once
// A serial port at the readers' line setting (8 data bits, no parity, one
// stop bit, writes given 100 ms plus 1 ms a byte): reads that return what
// has arrived and wait only for the first byte.
#include "link/Port.h"
#include "platform/SerialApi.h"

namespace q17 {

TPortOpening OpenComPort(SerialApi& serial, const std::string& name, std::uint32_t baud);

}  // namespace q17
