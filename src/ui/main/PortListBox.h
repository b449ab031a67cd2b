#pragma once
// The list of ports in the tool bar, whose last entry is an action ("add a
// network port") rather than a port. The wheel and the arrow keys over the
// closed box step over that entry: it is chosen on purpose only, from the
// open list (a click, or the keys and Enter) or by typing its text.
#include <QComboBox>

namespace q17::ui {

class TPortListBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TPortListBox(QWidget* parent = nullptr);
  // The action entry, after the ports.
  void AppendActionEntry(const QString& text);
  // Its index; -1 when the last entry is a port.
  int ActionIndex() const;
  void showPopup() override;
  void hidePopup() override;

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // A disabled entry is one the wheel and the keys step over.
  void SetActionUsable(bool usable);
};

}  // namespace q17::ui
