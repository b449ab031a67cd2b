#include "ui/tests/Test_Radio.h"

#include "link/ErrMsg.h"
#include "reader/RadioTest.h"
#include "reader/TagText.h"
#include "ui/tests/TagKeyFilter.h"
#include "ui_Test_Radio.h"

namespace q17::ui {

QString ConversionErrorText(const QString& tagText) {
  return TfrmRadioTest::tr(
             "Номер тага «%1» не является шестнадцатеричным числом.\n"
             "Введите байты тага парами шестнадцатеричных цифр через пробел, например «00 FF FF 01».")
      .arg(tagText);
}

TfrmRadioTest::TfrmRadioTest(TUiContext& ctx, QWidget* parent)
    : TDiagWindow(ctx, parent), FUi(new Ui::TfrmRadioTest) {
  FUi->setupUi(this);
  SetUpWindow(FUi->sbrStatus, FUi->btnClose,
              {{120, tr("Тест не запущен")}, {100, QString()}, {50, tr("Статус неизвестен")}});
  SetStartButtons({FUi->btnStartTest});
  TTagKeyFilter::Attach(FUi->edtEtalonTag);
  TTagKeyFilter::Attach(FUi->edtTestTag);
  connect(FUi->btnStartTest, &QPushButton::clicked, this, &TfrmRadioTest::btnStartTestClick);
  connect(FUi->btnStopTest, &QPushButton::clicked, this, &TfrmRadioTest::btnStopTestClick);
  FUi->btnStopTest->setEnabled(false);
  LoadTagTexts();
}

TfrmRadioTest::~TfrmRadioTest() = default;

void TfrmRadioTest::LoadTagTexts() {
  q17::LoadTagTexts(FCtx.State);
  FUi->edtEtalonTag->setText(QString::fromStdString(FCtx.State.EtalonTag));
  FUi->edtTestTag->setText(QString::fromStdString(FCtx.State.TestTag));
}

QString TfrmRadioTest::EtalonTagText() const { return FUi->edtEtalonTag->text(); }

QString TfrmRadioTest::TestTagText() const { return FUi->edtTestTag->text(); }

void TfrmRadioTest::SetStarted(bool started) {
  FUi->btnStartTest->setEnabled(!started);
  FUi->btnClose->setEnabled(!started);
  FUi->rgrChannelNumber->setEnabled(!started);
  FUi->edtEtalonTag->setEnabled(!started);
  FUi->edtTestTag->setEnabled(!started);
  FUi->btnStopTest->setEnabled(started);
}

void TfrmRadioTest::btnStartTestClick() {
  SetStarted(true);
  FUi->lblEtalonCount->setText(QStringLiteral("---"));
  FUi->lblTestCount->setText(QStringLiteral("---"));
  const int channel = FUi->rbnChannel1->isChecked() ? 1 : 2;
  TRadioStartPayload payload{};
  QLineEdit* converting = FUi->edtEtalonTag;
  try {
    const std::string etalon = FUi->edtEtalonTag->text().toStdString();
    TagPayloadBytes(etalon);
    converting = FUi->edtTestTag;
    payload = RadioStartPayload(channel, etalon, FUi->edtTestTag->text().toStdString());
  } catch (const TConversionError&) {
    // Nothing sent; Stop brings the window back.
    FCtx.Messages.Inform(this, ConversionErrorText(converting->text()));
    return;
  }
  const int r = ShowResult(StartRadioTestTransaction(FCtx.State, FCtx.Link, payload));
  if (r == 0) {
    SetPanel(0, tr("ТЕСТ РАБОТАЕТ..."));
    return;
  }
  SetStarted(false);
  // The start may have reached the reader although its reply was lost:
  // never leave it counting. Panel 2 keeps the start's code.
  if (r != rcPortClosed) {
    TRadioCounts ignored;
    bool read = false;
    if (const int stop = StopRadioTestTransaction(FCtx.State, FCtx.Link, ignored, read); stop != 0) {
      emit ReaderNotPutBack(stop);
    }
  }
  FCtx.Messages.Inform(this, tr("ОШИБКА запуска радиотеста - проверьте подключение считывателя"));
}

void TfrmRadioTest::btnStopTestClick() {
  FCtx.Idle.Clear();
  SetPanel(0, tr("Тест не запущен"));
  TRadioCounts counts;
  bool countsRead = false;
  if (const int r = ShowResult(StopRadioTestTransaction(FCtx.State, FCtx.Link, counts, countsRead)); r == 0) {
    if (countsRead) {
      FUi->lblEtalonCount->setText(QString::number(counts.Etalon));
      FUi->lblTestCount->setText(QString::number(counts.Test));
    }
  } else {
    emit ReaderNotPutBack(r);
    FCtx.Messages.Inform(this, tr("ОШИБКА остановки радиотеста - проверьте подключение считывателя"));
  }
  SetStarted(false);
}

}  // namespace q17::ui
