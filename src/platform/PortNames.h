#pragma once
// Pure helpers for building the list of port names, shared by both systems.
#include <string>
#include <vector>

#include "platform/SerialApi.h"

namespace q17 {

// Keeps the names that begin with exactly "COM" and are at least four
// characters long (registry values of Serialcomm), in their order.
std::vector<std::string> KeepComPortNames(const std::vector<std::string>& names);

// Sorts as text, ignoring the case of ASCII letters (COM10 before COM2).
void SortIgnoringCase(std::vector<std::string>& names);
// The same, by the ports' names.
void SortIgnoringCase(std::vector<TSerialPortInfo>& ports);

// Splits a colon-separated list such as SETUPQ17_PORTS; empty parts are dropped.
std::vector<std::string> SplitPortList(const std::string& list);

}  // namespace q17
