#pragma once
// The reader-search window: ReadVersion at every address of a range, one
// line per reader that answers; the reader address is put back afterwards.
#include <memory>

#include "ui/tests/DiagWindow.h"

namespace Ui {
class TfrmFindReaders;
}

namespace q17::ui {

class TfrmFindReaders : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmFindReaders(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmFindReaders() override;

 protected:
  void FormShow() override;
  void FormHide() override;

 private:
  void btnStartFindClick();
  void SetScanning(bool scanning);

  std::unique_ptr<Ui::TfrmFindReaders> FUi;
};

}  // namespace q17::ui
