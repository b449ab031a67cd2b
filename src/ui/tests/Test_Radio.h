#pragma once
#include <QDialog>
#include <QLineEdit>

#include "ui/common/UiContext.h"

namespace q17::ui {

class TfrmRadioTest : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmRadioTest(TUiContext& ctx, QWidget* parent = nullptr);

  // Takes the command state's two tag texts into the fields, each that does
  // not convert replaced by its default (used by the settings-file load).
  void LoadTagTexts();
  // The fields' texts as they stand (what the settings-file save writes).
  QString EtalonTagText() const;
  QString TestTagText() const;

 private:
  TUiContext& FCtx;
  QLineEdit* edtEtalonTag;
  QLineEdit* edtTestTag;
};

}  // namespace q17::ui
