#pragma once
// The traffic log's lines for a list view: the newest at the end, at most
// a cap of them, the oldest dropped and counted.
#include <QAbstractListModel>
#include <QString>
#include <deque>
#include <vector>

namespace q17::ui {

inline constexpr int kTrafficLogCap = 100000;

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
