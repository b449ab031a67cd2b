#pragma once
// The texts of the reader's audit event codes.
#include <cstdint>

namespace q17 {

// The row the program itself adds for a failed poll; readers never send it.
inline constexpr std::uint16_t kEventExchangeError = 0x0150;

// "Неизвестная транзакция" for a code the reader is not known to send. A
// window shows the text translated under the context "Transact".
const char* EventText(std::uint16_t code);

}  // namespace q17
