#pragma once
// The radio-test window: the reader counts the reads of a reference and a
// test tag on one channel between Start and Stop. Its two tag fields are
// also the program's working copy of both tag texts.
#include <memory>

#include "ui/common/DiagWindow.h"

namespace Ui {
class TfrmRadioTest;
}

namespace q17::ui {

class TfrmRadioTest : public TDiagWindow {
  Q_OBJECT
 public:
  explicit TfrmRadioTest(TUiContext& ctx, QWidget* parent = nullptr);
  ~TfrmRadioTest() override;

  // Takes the command state's two tag texts into the fields, each that does
  // not convert replaced by its default (used by the settings-file load).
  void LoadTagTexts();
  // The fields' texts as they stand (what the settings-file save writes).
  QString EtalonTagText() const;
  QString TestTagText() const;

 protected:
  void StopForDeviceGone() override;

 private:
  void btnStartTestClick();
  void btnStopTestClick();
  void SetStarted(bool started);

  std::unique_ptr<Ui::TfrmRadioTest> FUi;
};

// The message for a tag text that is not hexadecimal.
QString ConversionErrorText(const QString& tagText);

}  // namespace q17::ui
