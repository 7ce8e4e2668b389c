#include "ui/windows/ReportList.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace priomat {

QTreeWidget *MakeReportList(QWidget *parent, const QString &name, const QStringList &headings)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setColumnCount(int(headings.size()));
    list->setHeaderLabels(headings);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    return list;
}

} // namespace priomat
