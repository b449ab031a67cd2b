#pragma once
// Cuts the bytes read during an exchange into reply frames (start byte to
// end byte) and the runs between them, for a line observer.
#include <array>
#include <cstddef>
#include <cstdint>

#include "link/LineObserver.h"

namespace q17 {

class TRxSplitter {
 public:
  // Reports each whole frame, and the noise before it, as soon as it ends.
  void Feed(const std::uint8_t* bytes, std::size_t size, TLineObserver& observer);
  // What is left (a cut frame, trailing noise) goes out as partial.
  void Finish(TLineObserver& observer);

 private:
  void Emit(TLineEvent::TKind kind, TLineObserver& observer);

  // Longer noise is reported in pieces of this size.
  std::array<std::uint8_t, 512> FBuf{};
  std::size_t FLen = 0;
  bool FInFrame = false;
};

}  // namespace q17
