// The tool bar's read and write of the whole configuration.
#include "reader/WholeConfig.h"
#include "ui/common/Language.h"
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
  // A read that failed part way still replaced what came before the failure:
  // the pages show it, so what they show is what the next write sends.
  RedrawPagesKeepingMode();
  if (r.Code != 0) {
    FCtx.Messages.Inform(this, CoreText("WholeConfig", ReadFailureMessage(r.Failed)));
    return;
  }
  ShowReaderMode();
}

void TfrmMain::tbnLoadToReaderClick() {
  // Each failed group is reported before the next one is sent.
  const std::vector<TConfigWriteFailure> failures = WriteWholeConfig(
      FCtx.State, FCtx.Link, [this](int code) { ShowResult(code); },
      [this](const TConfigWriteFailure& f) { FCtx.Messages.Inform(this, CoreText("WholeConfig", WriteFailureMessage(f.Group))); });
  ShowReaderMode();
  // A later group's success must not leave "OK" as the last word of a write
  // that failed.
  if (!failures.empty()) ShowResult(failures.front().Code);
}

}  // namespace q17::ui
