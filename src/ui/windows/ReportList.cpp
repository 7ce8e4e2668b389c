#include "ui/windows/ReportList.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace priomat {

namespace {

void setUpList(QTreeView *list, const QString &name)
{
    list->setObjectName(name);
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
}

} // namespace

QTreeWidget *MakeReportList(QWidget *parent, const QString &name, const QStringList &headings)
{
    auto *list = new QTreeWidget(parent);
    list->setColumnCount(int(headings.size()));
    list->setHeaderLabels(headings);
    setUpList(list, name);
    return list;
}

QTreeView *MakeReportView(QWidget *parent, const QString &name, QAbstractItemModel *model)
{
    auto *list = new QTreeView(parent);
    list->setModel(model);
    setUpList(list, name);
    return list;
}

} // namespace priomat
