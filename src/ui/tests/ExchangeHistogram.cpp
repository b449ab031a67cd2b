#include "ui/tests/ExchangeHistogram.h"

#include <QPainter>
#include <algorithm>

namespace q17::ui {

TExchangeHistogram::TExchangeHistogram(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pbxSpread"));
  setMinimumSize(sizeHint());
}

void TExchangeHistogram::SetData(const TEchoSpread& spread, long errors) {
  FErrors = errors;
  FColumns.assign(spread.Empty() ? 0 : kColumns, 0);
  FFromMs = spread.Min();
  FToMs = spread.Max();
  if (!spread.Empty()) {
    // The used range in kColumns equal steps; one bucket's width at the least.
    const double width = std::max((FToMs - FFromMs) / kColumns, TEchoSpread::kBucketMs);
    for (const auto& [upper, count] : spread.Buckets()) {
      if (count == 0) continue;
      const double mid = std::clamp(upper - TEchoSpread::kBucketMs / 2, FFromMs, FToMs);
      const int column = std::min(kColumns - 1, static_cast<int>((mid - FFromMs) / width));
      FColumns[static_cast<std::size_t>(column)] += count;
    }
  }
  update();
}

void TExchangeHistogram::SetErrors(long errors) {
  if (errors == FErrors) return;
  FErrors = errors;
  update();
}

void TExchangeHistogram::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  const QFontMetrics fm = p.fontMetrics();
  const int textH = fm.height();
  // Errors to the right of the bars, in a column of their own.
  const QString errors = tr("Ошибок: %1").arg(FErrors);
  const int errorsW = fm.horizontalAdvance(errors) + 12;
  const QRect bars(6, 4, width() - errorsW - 12, height() - textH - 10);
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(bars.adjusted(0, 0, -1, -1));
  p.setPen(FErrors > 0 ? QColor(200, 0, 0) : palette().color(QPalette::Text));
  p.drawText(QRect(bars.right() + 8, bars.top(), errorsW, bars.height()), Qt::AlignVCenter | Qt::AlignLeft, errors);
  p.setPen(palette().color(QPalette::Text));
  if (FColumns.empty()) {
    p.drawText(bars, Qt::AlignCenter,
               FErrors > 0 ? tr("Нет удачных обменов") : tr("Нет обменов"));
    return;
  }
  const std::uint64_t highest = *std::max_element(FColumns.begin(), FColumns.end());
  const double columnW = static_cast<double>(bars.width() - 2) / static_cast<double>(FColumns.size());
  for (std::size_t i = 0; i < FColumns.size(); ++i) {
    if (FColumns[i] == 0) continue;
    const int h = std::max(1, static_cast<int>((bars.height() - 4) * static_cast<double>(FColumns[i]) /
                                               static_cast<double>(highest)));
    const int x = bars.left() + 1 + static_cast<int>(columnW * static_cast<double>(i));
    const int w = std::max(1, static_cast<int>(columnW) - 1);
    p.fillRect(QRect(x, bars.bottom() - h, w, h), QColor(40, 110, 200));
  }
  const int axisY = bars.bottom() + 2;
  const QString from = tr("%1 мс").arg(FFromMs, 0, 'f', 1);
  const QString to = tr("%1 мс").arg(FToMs, 0, 'f', 1);
  p.drawText(QRect(bars.left(), axisY, bars.width(), textH), Qt::AlignLeft, from);
  p.drawText(QRect(bars.left(), axisY, bars.width(), textH), Qt::AlignRight, to);
}

}  // namespace q17::ui
