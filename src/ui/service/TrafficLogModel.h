#pragma once
// The traffic log's lines for a list view: the newest at the end, at most
// a cap of them, the oldest dropped and counted.
#include <QAbstractListModel>
#include <QString>
#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

namespace q17::ui {

inline constexpr int kTrafficLogCap = 100000;

// The newest `cap` items: once full, each new one takes the oldest one's
// place, at the same cost however many are held.
template <class T>
class TRing {
 public:
  explicit TRing(std::size_t cap) : FCap(cap < 1 ? 1 : cap) {}
  // True when the oldest item went to make room.
  bool Push(T item) {
    if (FItems.size() < FCap) {
      FItems.push_back(std::move(item));
      return false;
    }
    FItems[FHead] = std::move(item);
    FHead = (FHead + 1) % FCap;
    return true;
  }
  std::size_t Size() const { return FItems.size(); }
  bool Empty() const { return FItems.empty(); }
  // Oldest first.
  const T& operator[](std::size_t i) const { return FItems[(FHead + i) % FItems.size()]; }
  // All items, oldest first; the ring is left empty.
  std::vector<T> Take() {
    std::rotate(FItems.begin(), FItems.begin() + static_cast<std::ptrdiff_t>(FHead), FItems.end());
    FHead = 0;
    return std::exchange(FItems, {});
  }
  void Clear() {
    FItems.clear();
    FHead = 0;
  }

 private:
  std::size_t FCap;
  std::size_t FHead = 0;  // the oldest item, once full
  std::vector<T> FItems;
};

class TTrafficLogModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TTrafficLogModel(int cap = kTrafficLogCap, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void Append(std::vector<QString> lines);
  void Clear();
  int Cap() const { return FCap; }
  long long Dropped() const { return FDropped; }
  const std::deque<QString>& Lines() const { return FLines; }

 private:
  int FCap;
  long long FDropped = 0;
  std::deque<QString> FLines;
};

}  // namespace q17::ui
