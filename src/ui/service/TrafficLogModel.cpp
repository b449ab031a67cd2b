#include "ui/service/TrafficLogModel.h"

#include <algorithm>

namespace q17::ui {
namespace {

constexpr int kTabColumns = 8;

int NextTabStop(int column) { return (column / kTabColumns + 1) * kTabColumns; }

// The columns `line` (UTF-8) takes once its tabs are set out.
int Columns(const std::string& line) {
  int column = 0;
  for (const char c : line) {
    if (c == '\t') {
      column = NextTabStop(column);
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {  // not a character's continuation byte
      ++column;
    }
  }
  return column;
}

}  // namespace

TTrafficLogModel::TTrafficLogModel(int cap, QObject* parent)
    : QAbstractListModel(parent), FCap(cap < 1 ? 1 : cap), FLines(static_cast<std::size_t>(FCap)) {}

int TTrafficLogModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FRows; }

QVariant TTrafficLogModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= FRows) return {};
  const long long line = FFirstRow + index.row();
  if (line < FDropped) return QString();
  return Displayed(FLines[static_cast<std::size_t>(line - FDropped)]);
}

QString TTrafficLogModel::Displayed(const std::string& line) {
  const QString text = QString::fromStdString(line);
  if (!text.contains(u'\t')) return text;
  QString shown;
  shown.reserve(text.size() + 4 * kTabColumns);
  for (const QChar c : text) {
    if (c == u'\t') {
      shown.append(QString(NextTabStop(static_cast<int>(shown.size())) - static_cast<int>(shown.size()), u' '));
    } else {
      shown.append(c);
    }
  }
  return shown;
}

void TTrafficLogModel::Add(std::string line) {
  if (FLines.Push(std::move(line))) ++FDropped;
}

int TTrafficLogModel::Show(bool newLines) {
  const int gone = static_cast<int>(std::clamp<long long>(FDropped - FFirstRow, 0, FRows));
  if (gone > 0) {
    beginRemoveRows({}, 0, gone - 1);
    FFirstRow += gone;
    FRows -= gone;
    endRemoveRows();
  }
  // With no row left, the rows begin at the oldest line held.
  if (FRows == 0) FFirstRow = FDropped;
  if (newLines) {
    const auto waiting = static_cast<int>(FDropped + static_cast<long long>(FLines.Size()) - (FFirstRow + FRows));
    if (waiting > 0) {
      // Measured only here: a line that goes while it waits is never shown.
      for (std::size_t i = FLines.Size() - static_cast<std::size_t>(waiting); i < FLines.Size(); ++i) {
        if (const int columns = Columns(FLines[i]); columns > FWidestColumns) {
          FWidestColumns = columns;
          FWidest = FLines[i];
        }
      }
      beginInsertRows({}, FRows, FRows + waiting - 1);
      FRows += waiting;
      endInsertRows();
    }
  }
  return gone;
}

void TTrafficLogModel::Clear() {
  beginResetModel();
  FLines.Clear();
  FDropped = 0;
  FFirstRow = 0;
  FRows = 0;
  FWidest.clear();
  FWidestColumns = 0;
  endResetModel();
}

}  // namespace q17::ui
