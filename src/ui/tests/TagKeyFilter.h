#pragma once
// The hexadecimal entry filter on a tag field's typed characters.
#include <QLineEdit>
#include <QObject>

namespace q17::ui {

class TTagKeyFilter : public QObject {
  Q_OBJECT
 public:
  // Filters the typing of `edit`; owned by it.
  static void Attach(QLineEdit* edit);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
};

}  // namespace q17::ui
