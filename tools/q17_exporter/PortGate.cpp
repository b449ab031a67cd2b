#include "PortGate.h"

#include <sys/stat.h>

namespace q17 {

TPortGate::Slot::~Slot() {
  if (!gate_) return;
  const std::lock_guard lock(gate_->mutex_);
  --gate_->running_;
}

std::optional<TPortGate::Slot> TPortGate::TakeSlot() {
  const std::lock_guard lock(mutex_);
  if (running_ >= maxProbes_) return std::nullopt;
  ++running_;
  return Slot(this);
}

TPortGate::Hold::~Hold() {
  if (!gate_) return;
  {
    const std::lock_guard lock(gate_->mutex_);
    gate_->held_.erase(key_);
  }
  gate_->changed_.notify_all();
}

std::optional<TPortGate::Hold> TPortGate::HoldPort(const std::string& key,
                                                   std::chrono::steady_clock::time_point until,
                                                   const std::function<bool()>& stopped) {
  std::unique_lock lock(mutex_);
  const bool free = changed_.wait_until(lock, until, [&] { return !held_.count(key) || (stopped && stopped()); });
  if (!free || (stopped && stopped())) return std::nullopt;
  held_.insert(key);
  return Hold(this, key);
}

void TPortGate::WakeAll() {
  { const std::lock_guard lock(mutex_); }
  changed_.notify_all();
}

std::string PortKey(const std::string& target) {
#ifndef _WIN32
  struct stat st {};
  if (!target.empty() && target.front() == '/' && ::stat(target.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
    return std::string("device ") + std::to_string(static_cast<unsigned long long>(st.st_rdev));
  }
#endif
  return target;
}

}  // namespace q17
