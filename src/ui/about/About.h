#pragma once
// The about box: the program's identity from the version record of its own
// file, read once when the window is created.
#include <QDialog>
#include <memory>

#include "ui/common/UiContext.h"
#include "version/VerInf.h"

namespace Ui {
class TfrmAbout;
}

namespace q17::ui {

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmAbout() override;

  // Fills the value labels from `info`; a record that was not read leaves
  // them as they are.
  void ShowVersion(const TVersionInfo& info);

 private:
  void FormCreate();
  void OKButtonClick();

  TUiContext& FCtx;
  std::unique_ptr<Ui::TfrmAbout> FUi;
};

}  // namespace q17::ui
