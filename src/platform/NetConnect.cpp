// The system-neutral half of a TCP connect: the name's lookup on a thread
// that a deadline or a stop may leave behind, and the addresses tried as
// RFC 8305 ("Happy Eyeballs") has it, over the system's ConnectAttempts.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/NetSocket.h"

namespace q17::net {
namespace {

// How often a wait that has no descriptor to watch looks for a stop.
constexpr auto kStopSlice = std::chrono::milliseconds(20);

TResolved LookupFailed(ResolveFault fault, int code, std::string text) {
  TResolved result;
  result.Fault = fault;
  result.Error = {code, std::move(text)};
  return result;
}

TConnected Failed(ConnectFault fault, TSocketError error) {
  TConnected result;
  result.Fault = fault;
  result.Error = std::move(error);
  return result;
}

bool Stopping(const StopSignal* stop) { return stop && stop->Requested(); }

}  // namespace

std::string AddressText(const TNetAddress& a) {
  char text[64];
  if (!a.V6) {
    std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", a.Bytes[0], a.Bytes[1], a.Bytes[2], a.Bytes[3], a.Port);
    return text;
  }
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = static_cast<unsigned>(a.Bytes[2 * i] << 8 | a.Bytes[2 * i + 1]);
  // The longest run of two or more zero groups becomes "::" (RFC 5952).
  int runAt = -1;
  int runLength = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > runLength) {
      runAt = i;
      runLength = j - i;
    }
    i = j == i ? i + 1 : j;
  }
  std::string out = "[";
  for (int i = 0; i < 8; ++i) {
    if (i == runAt) {
      out += "::";
      i += runLength - 1;
      continue;
    }
    if (!out.empty() && out.back() != '[' && out.back() != ':') out += ':';
    std::snprintf(text, sizeof text, "%x", groups[i]);
    out += text;
  }
  return out + "]:" + std::to_string(a.Port);
}

TResolved ResolveOnThread(std::function<TResolved()> lookup, Clock::time_point deadline, const StopSignal* stop) {
  // Shared with the thread, which may outlive this wait.
  struct Shared {
    std::mutex lock;
    std::condition_variable ready;
    bool done = false;
    TResolved result;
  };
  const auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, lookup = std::move(lookup)] {
      TResolved result = lookup();
      const std::lock_guard<std::mutex> hold(shared->lock);
      shared->result = std::move(result);
      shared->done = true;
      shared->ready.notify_all();
    }).detach();
  } catch (const std::system_error& e) {
    return LookupFailed(ResolveFault::Other, e.code().value(), "no thread for the name's lookup");
  }
  std::unique_lock<std::mutex> hold(shared->lock);
  for (;;) {
    if (shared->done) return std::move(shared->result);
    if (Stopping(stop)) return LookupFailed(ResolveFault::Stopped, 0, "stopped");
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return LookupFailed(ResolveFault::TimedOut, 0, "no answer from the name's lookup");
    shared->ready.wait_until(hold, stop ? std::min<Clock::time_point>(deadline, now + kStopSlice) : deadline);
  }
}

std::vector<TNetAddress> InterleaveFamilies(const std::vector<TNetAddress>& addresses) {
  if (addresses.empty()) return {};
  std::vector<TNetAddress> first;
  std::vector<TNetAddress> other;
  for (const TNetAddress& a : addresses) (a.V6 == addresses.front().V6 ? first : other).push_back(a);
  std::vector<TNetAddress> order;
  for (std::size_t i = 0; i < std::max(first.size(), other.size()); ++i) {
    if (i < first.size()) order.push_back(first[i]);
    if (i < other.size()) order.push_back(other[i]);
  }
  return order;
}

TConnected ConnectTcp(Resolver& resolver, const std::string& host, std::uint16_t port, int timeoutMs,
                      const StopSignal* const& stop) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  TResolved found = resolver.Resolve(host, port, deadline, stop);
  switch (found.Fault) {
    case ResolveFault::None:
      break;
    case ResolveFault::TimedOut:
      return Failed(ConnectFault::LookupTimedOut, found.Error);
    case ResolveFault::Stopped:
      return Failed(ConnectFault::Stopped, found.Error);
    case ResolveFault::UnknownHost:
    case ResolveFault::Other:
      return Failed(ConnectFault::UnknownHost, found.Error);
  }
  const std::vector<TNetAddress> order = InterleaveFamilies(found.Addresses);
  if (order.empty()) return Failed(ConnectFault::UnknownHost, {0, "no address"});

  const std::unique_ptr<ConnectAttempts> attempts = MakeConnectAttempts(stop);
  std::vector<Clock::time_point> began;
  Clock::time_point nextAt = Clock::now();
  std::optional<TSocketError> refused;
  TSocketError lastError{0, "no connection"};
  auto note = [&](const ConnectAttempts::TEvent& failed) {
    lastError = failed.Error;
    if (failed.Refused && !refused) refused = failed.Error;
    nextAt = Clock::now();  // the next address at once
  };
  for (;;) {
    if (Stopping(stop)) return Failed(ConnectFault::Stopped, {0, "stopped"});
    if (began.size() < order.size() && Clock::now() >= nextAt) {
      began.push_back(Clock::now());
      const ConnectAttempts::TEvent started = attempts->Start(order[began.size() - 1]);
      if (started.What == ConnectAttempts::TEvent::Failed) {
        note(started);
        continue;
      }
      nextAt = began.back() + std::chrono::milliseconds(kStaggerMs);
    }
    if (attempts->Pending() == 0) {
      if (began.size() < order.size()) continue;
      break;  // every address failed
    }
    if (MillisLeft(deadline) == 0) return Failed(ConnectFault::TimedOut, {0, "no connection"});
    const ConnectAttempts::TEvent event =
        attempts->Wait(began.size() < order.size() ? std::min(nextAt, deadline) : deadline);
    switch (event.What) {
      case ConnectAttempts::TEvent::Connected: {
        TConnected result;
        result.Socket = attempts->Take(event.Index);
        result.ElapsedMs = MillisSince(began[event.Index]);
        return result;
      }
      case ConnectAttempts::TEvent::Failed:
        note(event);
        break;
      case ConnectAttempts::TEvent::Stopped:
        return Failed(ConnectFault::Stopped, {0, "stopped"});
      case ConnectAttempts::TEvent::Deadline:
        break;
    }
  }
  if (refused) return Failed(ConnectFault::Refused, *refused);
  return Failed(ConnectFault::Other, lastError);
}

}  // namespace q17::net
