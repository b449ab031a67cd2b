#include "ui/tests/Test_Radio.h"

namespace q17::ui {

TfrmRadioTest::TfrmRadioTest(TUiContext& ctx, QWidget* parent)
    : QDialog(parent), FCtx(ctx), edtEtalonTag(new QLineEdit(this)), edtTestTag(new QLineEdit(this)) {
  setObjectName("TfrmRadioTest");
  edtEtalonTag->setObjectName("edtEtalonTag");
  edtTestTag->setObjectName("edtTestTag");
  LoadTagTexts();
}

void TfrmRadioTest::LoadTagTexts() {
  edtEtalonTag->setText(QString::fromStdString(FCtx.State.EtalonTag));
  edtTestTag->setText(QString::fromStdString(FCtx.State.TestTag));
}

QString TfrmRadioTest::EtalonTagText() const { return edtEtalonTag->text(); }

QString TfrmRadioTest::TestTagText() const { return edtTestTag->text(); }

}  // namespace q17::ui
