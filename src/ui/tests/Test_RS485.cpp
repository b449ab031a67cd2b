#include "ui/tests/Test_RS485.h"

#include <QBoxLayout>

#include "ui/tests/ExchangeHistogram.h"
#include "ui_Test_RS485.h"

namespace q17::ui {

TfrmCommTest::TfrmCommTest(TUiContext& ctx, QWidget* parent) : TDiagWindow(ctx, parent), FUi(new Ui::TfrmCommTest) {
  FUi->setupUi(this);
  SetUpWindow(FUi->sbrStatus, FUi->btnClose,
              {{120, tr("Тест не запущен")}, {100, QString()}, {50, tr("Статус неизвестен")}});
  SetStartButtons({FUi->btnStartTest});
  // Room for the longest texts from the start: the window keeps one size.
  const QFontMetrics metrics = FUi->lblTestTime->fontMetrics();
  FUi->lblTestTime->setMinimumWidth(metrics.horizontalAdvance(TimeText() + QStringLiteral("(\?\?\?)")));
  FUi->lblSpread->setMinimumHeight(2 * metrics.lineSpacing());
  FUi->lblSpread->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The histogram goes under the spread line.
  FHistogram = new TExchangeHistogram(this);
  auto* column = static_cast<QBoxLayout*>(layout());
  column->insertWidget(column->indexOf(FUi->lblSpread) + 1, FHistogram);
  connect(FUi->btnStartTest, &QPushButton::clicked, this, &TfrmCommTest::btnStartTestClick);
  connect(FUi->btnStopTest, &QPushButton::clicked, this, &TfrmCommTest::btnStopTestClick);
  connect(FUi->sedDataLength, &QSpinBox::valueChanged, this, &TfrmCommTest::sedDataLengthChange);
}

TfrmCommTest::~TfrmCommTest() = default;

void TfrmCommTest::FormShow() {
  FUi->btnStartTest->setEnabled(true);
  FUi->btnClose->setEnabled(true);
  FUi->btnStopTest->setEnabled(false);
  FCtx.State.PayloadLength = static_cast<std::uint16_t>(FUi->sedDataLength->value());
  FillEchoPattern(FCtx.State);
}

void TfrmCommTest::btnStartTestClick() {
  FUi->btnStartTest->setEnabled(false);
  FUi->btnClose->setEnabled(false);
  FUi->btnStopTest->setEnabled(true);
  FTally = TEchoTally{};
  FUi->lblCount->setText(QStringLiteral("0"));
  FUi->lblErrCount->setText(QStringLiteral("0"));
  FUi->lblSpread->clear();
  FHistogram->SetData(FTally.Spread, 0);
  FStartTime = std::chrono::steady_clock::now();
  SetPanel(0, tr("ТЕСТ РАБОТАЕТ..."));
  FUi->lblTestTime->setText(TimeText() + QStringLiteral("?"));
  FCtx.Idle.Install([this](bool& done) { ApplicationIdle(done); });
}

void TfrmCommTest::ApplicationIdle(bool& done) {
  const auto before = std::chrono::steady_clock::now();
  const int r = ShowResult(EchoTransaction(FCtx.State, FCtx.Link, FUi->sedDataLength->value()));
  FTally.Record(r, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
  if (r == 0) {
    FUi->lblCount->setText(QString::number(FTally.Good));
  } else {
    FUi->lblErrCount->setText(QString::number(FTally.Errors));
  }
  // The bars are redrawn ten times a second: often enough to watch, cheap at
  // any exchange rate. The error count beside them never lags the counter.
  if (const auto now = std::chrono::steady_clock::now(); now - FHistogramDrawn >= std::chrono::milliseconds(100)) {
    FHistogramDrawn = now;
    FHistogram->SetData(FTally.Spread, FTally.Errors);
  } else {
    FHistogram->SetErrors(FTally.Errors);
  }
  done = false;
}

void TfrmCommTest::btnStopTestClick() {
  FCtx.Idle.Clear();
  FHistogram->SetData(FTally.Spread, FTally.Errors);
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - FStartTime;
  SetPanel(0, tr("Тест не запущен"));
  FUi->btnStartTest->setEnabled(true);
  FUi->btnClose->setEnabled(true);
  FUi->btnStopTest->setEnabled(false);
  const auto mean = MeanMsPerExchange(elapsed.count(), FTally.Exchanges());
  FUi->lblTestTime->setText(TimeText() + (mean ? QString::number(*mean) : QStringLiteral("(\?\?\?)")));
  const TEchoSpread& spread = FTally.Spread;
  if (spread.Empty()) {
    FUi->lblSpread->clear();
  } else {
    FUi->lblSpread->setText(tr("Один обмен, мс: мин. %1, медиана %2, 95% %3, макс. %4")
                                .arg(spread.Min(), 0, 'f', 1)
                                .arg(spread.Quantile(0.5), 0, 'f', 1)
                                .arg(spread.Quantile(0.95), 0, 'f', 1)
                                .arg(spread.Max(), 0, 'f', 1));
  }
}

QString TfrmCommTest::TimeText() { return tr("Милисекунд/на обмен = "); }

void TfrmCommTest::sedDataLengthChange(int value) { FCtx.State.PayloadLength = static_cast<std::uint16_t>(value); }

}  // namespace q17::ui
