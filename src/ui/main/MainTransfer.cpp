// The tool bar's read and write of the whole configuration.
#include "reader/WholeConfig.h"
#include "ui/main/ConfigPages.h"
#include "ui/main/Main.h"

namespace q17::ui {

// Pages drawn from new values without changing the mode they carry: three
// of the redraws select their own mode on the way.
void TfrmMain::RedrawPagesKeepingMode() {
  const std::uint8_t savedMode = FCtx.State.Config.Mode;
  FPages->RedrawPages();
  FCtx.State.Config.Mode = savedMode;
}

void TfrmMain::tbnGetFromReaderClick() {
  const TConfigReadResult r = ReadWholeConfig(FCtx.State, FCtx.Link, [this](int code) { ShowResult(code); });
  if (r.Code != 0) {
    FCtx.Messages.Inform(this, QString::fromUtf8(ReadFailureMessage(r.Failed)));
    return;
  }
  RedrawPagesKeepingMode();
  ShowReaderMode();
}

void TfrmMain::tbnLoadToReaderClick() {
  // Each failed group is reported before the next one is sent.
  WriteWholeConfig(
      FCtx.State, FCtx.Link, [this](int code) { ShowResult(code); },
      [this](const TConfigWriteFailure& f) { FCtx.Messages.Inform(this, QString::fromUtf8(WriteFailureMessage(f.Group))); });
  ShowReaderMode();
}

}  // namespace q17::ui
