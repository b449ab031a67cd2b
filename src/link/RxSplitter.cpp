#include "link/RxSplitter.h"

#include "link/FrameCodec.h"

namespace q17 {

void TRxSplitter::Emit(TLineEvent::TKind kind, TLineObserver& observer) {
  if (FLen == 0) return;
  TLineEvent e;
  e.Kind = kind;
  e.Time = TLineClock::now();
  e.Bytes = FBuf.data();
  e.Size = FLen;
  observer.OnLineEvent(e);
  FLen = 0;
}

void TRxSplitter::Feed(const std::uint8_t* bytes, std::size_t size, TLineObserver& observer) {
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = bytes[i];
    if (b == kReplyStart) {
      // Whatever came before a start byte is noise or a frame that broke off.
      Emit(TLineEvent::RxPartial, observer);
      FInFrame = true;
    }
    if (FLen == FBuf.size()) {
      Emit(TLineEvent::RxPartial, observer);
      FInFrame = false;
    }
    FBuf[FLen++] = b;
    if (FInFrame && b == kReplyEnd) {
      Emit(TLineEvent::Rx, observer);
      FInFrame = false;
    }
  }
}

void TRxSplitter::Finish(TLineObserver& observer) {
  Emit(TLineEvent::RxPartial, observer);
  FInFrame = false;
}

}  // namespace q17
