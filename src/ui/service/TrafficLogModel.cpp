#include "ui/service/TrafficLogModel.h"

namespace q17::ui {

TTrafficLogModel::TTrafficLogModel(int cap, QObject* parent) : QAbstractListModel(parent), FCap(cap < 1 ? 1 : cap) {}

int TTrafficLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FLines.size());
}

QVariant TTrafficLogModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return FLines[static_cast<std::size_t>(index.row())];
}

void TTrafficLogModel::Append(std::vector<QString> lines) {
  if (lines.empty()) return;
  const auto cap = static_cast<std::size_t>(FCap);
  // More new lines than the cap: only the last of them can stay.
  if (lines.size() > cap) {
    FDropped += static_cast<long long>(lines.size() - cap);
    lines.erase(lines.begin(), lines.end() - static_cast<long>(cap));
  }
  const std::size_t overflow = FLines.size() + lines.size() > cap ? FLines.size() + lines.size() - cap : 0;
  if (overflow > 0) {
    beginRemoveRows({}, 0, static_cast<int>(overflow) - 1);
    FLines.erase(FLines.begin(), FLines.begin() + static_cast<long>(overflow));
    FDropped += static_cast<long long>(overflow);
    endRemoveRows();
  }
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
  for (QString& line : lines) FLines.push_back(std::move(line));
  endInsertRows();
}

void TTrafficLogModel::Clear() {
  beginResetModel();
  FLines.clear();
  FDropped = 0;
  endResetModel();
}

}  // namespace q17::ui
