#include "ui/common/SpinEdit.h"

#include <QCoreApplication>
#include <QLabel>
#include <QRegularExpression>

namespace q17::ui {

namespace {
// Enough digits for any range a reader field has; more would only overflow.
const QRegularExpression& NumberShape() {
  static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]{0,9}$"));
  return re;
}
}  // namespace

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
  setKeyboardTracking(true);
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int TSpinEdit::InterpretText(const QString& text, int min, int max) {
  bool ok = false;
  const qlonglong v = text.trimmed().toLongLong(&ok);
  if (!ok) return min;
  if (v < min) return min;
  if (v > max) return max;
  return static_cast<int>(v);
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
  // Every digit string is acceptable: its value is clamped, so an
  // out-of-range or empty field still stands for a value of the range.
  return NumberShape().match(input.trimmed()).hasMatch() ? QValidator::Acceptable : QValidator::Invalid;
}

int TSpinEdit::valueFromText(const QString& text) const { return InterpretText(text, minimum(), maximum()); }

void TSpinEdit::fixup(QString& input) const { input = QString::number(InterpretText(input, minimum(), maximum())); }

std::optional<std::pair<int, int>> TypedRange(TSpinEdit& start, TSpinEdit& end, QLabel& error,
                                              const QString& undone) {
  start.interpretText();
  end.interpretText();
  const int from = start.value();
  const int to = end.value();
  if (to < from) {
    error.setText(QCoreApplication::translate(
                      "SpinEdit", "Конечный адрес (%1) меньше начального (%2): %3. Исправьте диапазон адресов.")
                      .arg(to)
                      .arg(from)
                      .arg(undone));
    error.show();
    return std::nullopt;
  }
  error.hide();
  return std::make_pair(from, to);
}

}  // namespace q17::ui
