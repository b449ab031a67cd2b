#pragma once
// The names of the reader's command codes, for logs.
#include <cstdint>

namespace q17 {

// The command's name, or nullptr for a code this program does not send.
const char* CommandName(std::uint16_t code);

}  // namespace q17
