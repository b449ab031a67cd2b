#pragma once
// The spread of the good exchanges' times drawn as a histogram, the failed
// exchanges counted beside it; redrawn as the test runs.
#include <QWidget>

#include "reader/EchoSpread.h"

namespace q17::ui {

class TExchangeHistogram : public QWidget {
  Q_OBJECT
 public:
  explicit TExchangeHistogram(QWidget* parent = nullptr);
  // Shows `spread` (copied) and `errors` from the next paint on.
  void SetData(const TEchoSpread& spread, long errors);
  // Only the count beside the bars.
  void SetErrors(long errors);
  // The drawn columns: count per column, from the fastest to the slowest.
  const std::vector<std::uint64_t>& Columns() const { return FColumns; }
  long Errors() const { return FErrors; }
  QSize sizeHint() const override { return {380, 120}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static constexpr int kColumns = 40;
  std::vector<std::uint64_t> FColumns;
  double FFromMs = 0;
  double FToMs = 0;
  long FErrors = 0;
};

}  // namespace q17::ui
