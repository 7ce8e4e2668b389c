#include "ui/windows/ResultModels.h"

#include <QFont>

#include <algorithm>
#include <cmath>
#include <limits>

namespace priomat {

ResultTableModel::ResultTableModel(const QStringList &headings, bool markHighest, QObject *parent)
    : QAbstractTableModel(parent), headings_(headings), markHighest_(markHighest)
{
}

void ResultTableModel::setRows(const QList<ResultRow> &rows)
{
    beginResetModel();
    rows_ = rows;
    marked_.assign(size_t(rows_.size()), false);
    if (markHighest_) {
        // Compared as shown, so rows that read the same tie.
        std::vector<double> values;
        double highest = -std::numeric_limits<double>::infinity();
        for (const ResultRow &row : rows_) {
            const double value = std::isfinite(row.value) ? ShownValue(row.value)
                                                          : std::numeric_limits<double>::quiet_NaN();
            if (!std::isnan(value))
                highest = std::max(highest, value);
            values.push_back(value);
        }
        const auto count = std::count(values.begin(), values.end(), highest);
        if (count > 0 && (count < qsizetype(values.size()) || values.size() == 1))
            for (size_t i = 0; i < values.size(); ++i)
                marked_[i] = values[i] == highest;
    }
    endResetModel();
}

int ResultTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int ResultTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant ResultTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return QVariant();
    const ResultRow &row = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? row.name : row.text();
    case Qt::FontRole:
        if (marked_[size_t(index.row())]) {
            // Only the weight is set; the view's own font gives the rest.
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headings_.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace priomat
