#pragma once
// Who may probe now: at most so many probes at once, and one at a time per
// port, so that two probes never interleave their frames on one line.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace q17 {

class TPortGate {
 public:
  explicit TPortGate(int maxProbes) : maxProbes_(maxProbes) {}

  // A probe's place, held until it is destroyed.
  class Slot {
   public:
    Slot(Slot&& other) noexcept : gate_(other.gate_) { other.gate_ = nullptr; }
    Slot& operator=(Slot&&) = delete;
    ~Slot();

   private:
    friend class TPortGate;
    explicit Slot(TPortGate* gate) : gate_(gate) {}
    TPortGate* gate_;
  };
  // A slot, or nothing when maxProbes probes run already.
  std::optional<Slot> TakeSlot();

  // The port `key`, held until destroyed.
  class Hold {
   public:
    Hold(Hold&& other) noexcept : gate_(other.gate_), key_(std::move(other.key_)) { other.gate_ = nullptr; }
    Hold& operator=(Hold&&) = delete;
    ~Hold();

   private:
    friend class TPortGate;
    Hold(TPortGate* gate, std::string key) : gate_(gate), key_(std::move(key)) {}
    TPortGate* gate_;
    std::string key_;
  };
  // The port, once no other probe holds it; nothing when `until` comes first
  // or stopped() says so (asked whenever the gate is woken).
  std::optional<Hold> HoldPort(const std::string& key, std::chrono::steady_clock::time_point until,
                               const std::function<bool()>& stopped);

  // Wakes every wait, so that a stop is seen at once.
  void WakeAll();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::set<std::string> held_;
  int running_ = 0;
  int maxProbes_;
};

// The key under which a port is held: a local device by its device number,
// so that two names of one device (/dev/ttyUSB0 and its /dev/serial/by-id
// link) are one port; a network port by its name.
std::string PortKey(const std::string& target);

}  // namespace q17
