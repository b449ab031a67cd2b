#pragma once
// The traffic log's lines for a list view: the newest at the end, at most
// a cap of them, the oldest dropped and counted. Lines come in as the
// formatter wrote them and become rows when the window shows them, so a
// pause holds the list still; shown or waiting, the lines together never
// pass the cap, so a pause costs no memory beyond it.
#include <QAbstractListModel>
#include <QString>
#include <string>
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
  // The rows shown; a row whose line went for the cap reads empty until
  // the next Show() removes it.
  int rowCount(const QModelIndex& parent = {}) const override;
  // A row's text with its tabs set out as blanks to every eighth column (as
  // a terminal shows the same file), so that in a fixed-pitch font the
  // longest line is the widest.
  QVariant data(const QModelIndex& index, int role) const override;

  // Takes a line in, waiting until the next Show(true). With the cap full
  // the oldest line goes, waiting or shown.
  void Add(std::string line);
  // Removes the rows whose lines went for the cap and, with `newLines`,
  // adds the waiting lines as rows. Returns the number of rows removed.
  int Show(bool newLines);
  void Clear();

  int Cap() const { return FCap; }
  long long Dropped() const { return FDropped; }
  // The lines held, shown or waiting, oldest first.
  std::size_t Size() const { return FLines.Size(); }
  const std::string& Line(std::size_t i) const { return FLines[i]; }
  // The widest line shown since the last Clear(), as its row shows it.
  QString Widest() const { return Displayed(FWidest); }

  static QString Displayed(const std::string& line);

 private:
  int FCap;
  TRing<std::string> FLines;
  long long FDropped = 0;   // lines gone for the cap; the oldest held is line number FDropped
  long long FFirstRow = 0;  // the line number of row 0
  int FRows = 0;
  std::string FWidest;
  int FWidestColumns = 0;
};

}  // namespace q17::ui
