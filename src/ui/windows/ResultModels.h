// The result window's lists as item models: rows of the session's results, drawn as the
// window shows them (name, number as text, the highest number in bold).
#pragma once

#include "model/Evaluation.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace priomat {

class ResultTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // `markHighest`: the rows with the highest number are bold, unless every row has it.
    ResultTableModel(const QStringList &headings, bool markHighest, QObject *parent = nullptr);

    void setRows(const QList<ResultRow> &rows);
    const QList<ResultRow> &rows() const { return rows_; }
    bool isMarked(int row) const { return marked_.at(size_t(row)); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList headings_;
    bool markHighest_;
    QList<ResultRow> rows_;
    std::vector<bool> marked_;
};

} // namespace priomat
