#include "ui/main/PortListBox.h"

#include <QAbstractItemView>
#include <QStandardItemModel>

namespace q17::ui {
namespace {
constexpr int kActionRole = Qt::UserRole + 1;
}  // namespace

TPortListBox::TPortListBox(QWidget* parent) : QComboBox(parent) {}

void TPortListBox::AppendActionEntry(const QString& text) {
  addItem(text);
  setItemData(count() - 1, true, kActionRole);
  SetActionUsable(view()->isVisible());
}

int TPortListBox::ActionIndex() const {
  const int last = count() - 1;
  return last >= 0 && itemData(last, kActionRole).toBool() ? last : -1;
}

void TPortListBox::SetActionUsable(bool usable) {
  auto* items = qobject_cast<QStandardItemModel*>(model());
  const int action = ActionIndex();
  if (!items || action < 0) return;
  if (QStandardItem* item = items->item(action)) item->setEnabled(usable);
}

void TPortListBox::showPopup() {
  SetActionUsable(true);
  QComboBox::showPopup();
}

void TPortListBox::hidePopup() {
  QComboBox::hidePopup();
  SetActionUsable(false);
}

void TPortListBox::wheelEvent(QWheelEvent* event) {
  if (!view()->isVisible()) SetActionUsable(false);
  QComboBox::wheelEvent(event);
}

void TPortListBox::keyPressEvent(QKeyEvent* event) {
  if (!view()->isVisible()) SetActionUsable(false);
  QComboBox::keyPressEvent(event);
}

}  // namespace q17::ui
