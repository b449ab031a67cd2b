#include "ui/common/IdleSlot.h"

namespace q17::ui {

TIdleSlot::TIdleSlot(QObject* parent) : QObject(parent) {}

void TIdleSlot::Install(THandler handler) { FHandler = std::move(handler); }

void TIdleSlot::Clear() { FHandler = nullptr; }

bool TIdleSlot::Empty() const { return !FHandler; }

}  // namespace q17::ui
