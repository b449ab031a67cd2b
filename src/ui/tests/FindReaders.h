#pragma once
// The reader-search window: ReadVersion at every address of a range, one
// line per reader that answers; the reader address is put back afterwards.
#include <memory>

#include "ui/common/DiagWindow.h"

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
  // A double-click on a found reader's line makes it the reader the program
  // works with and closes the window; true when it did.
  bool memReadersDblClick(const QPoint& at);
  bool eventFilter(QObject* watched, QEvent* event) override;

  std::unique_ptr<Ui::TfrmFindReaders> FUi;
  bool FScanning = false;
};

}  // namespace q17::ui
