// The read-only, row-selecting lists of the result window's pages.
#pragma once

#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QTreeView;
class QTreeWidget;
class QWidget;

namespace priomat {

// A flat list with one column per heading: single row selection, no editing, no sorting, and
// columns that keep the widths they are given, the last one included.
QTreeWidget *MakeReportList(QWidget *parent, const QString &name, const QStringList &headings);
// The same list over `model`, whose header gives the headings.
QTreeView *MakeReportView(QWidget *parent, const QString &name, QAbstractItemModel *model);

} // namespace priomat
