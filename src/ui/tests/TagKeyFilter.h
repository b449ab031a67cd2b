#pragma once
// The hexadecimal entry filter on a tag field's typed characters, and the
// field's 12-character limit on pasted text.
#include <QLineEdit>
#include <QObject>

namespace q17::ui {

class TTagKeyFilter : public QObject {
  Q_OBJECT
 public:
  // Filters the typing and pasting of `edit`; owned by it.
  static void Attach(QLineEdit* edit);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
  QString FBefore;  // the field's text before the change being made
};

}  // namespace q17::ui
