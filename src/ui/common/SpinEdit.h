#pragma once
// The program's one spin edit. Unlike a plain QSpinBox, a typed value beyond
// the range counts as the nearest bound and a text that is not a number
// (an empty field, a lone sign) counts as the minimum, at once, while the
// user types; the field shows the bound once it loses focus. valueChanged
// fires only when the value really changes, whoever changed it.
#include <QSpinBox>
#include <optional>
#include <utility>

class QLabel;

namespace q17::ui {

class TSpinEdit : public QSpinBox {
  Q_OBJECT
 public:
  explicit TSpinEdit(QWidget* parent = nullptr);

  // The value a text stands for within [min, max].
  static int InterpretText(const QString& text, int min, int max);

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  int valueFromText(const QString& text) const override;
  void fixup(QString& input) const override;
};

// The address range typed into two spin edits, each brought to its bounds
// as on leaving the field. An end below the start is said in `error`
// ("... меньше начального (S): <undone>. ...") and gives no range.
std::optional<std::pair<int, int>> TypedRange(TSpinEdit& start, TSpinEdit& end, QLabel& error,
                                              const QString& undone);

}  // namespace q17::ui
