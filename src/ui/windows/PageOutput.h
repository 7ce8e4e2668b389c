// What the result window's analysis pages share to copy and save their tables and charts.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace priomat {

QStringList HeaderCells(const QTreeWidget *list);
QStringList RowCells(const QTreeWidgetItem *item);
void FitColumns(QTreeWidget *list);
// The first selected row of the first list that has one, tab-separated; empty when none has.
QString SelectedRowText(std::initializer_list<const QTreeWidget *> lists);
// The list's header and rows, tab-separated, each line ending in CR LF.
QString ListText(const QTreeWidget *list);
// `widget` drawn as SVG when `path` ends in .svg, else as PNG. Throws FileError when no image is made.
QByteArray WidgetImage(QWidget *widget, const QString &title, const QString &path);

// Save As for a page: asks for a path (through `runner` when set) offering `filters`, whose
// suffixes follow the chosen filter (the first is the default), then calls `save`. A failed
// write is shown, never reported as saved; `lastSaved` is where the next dialog starts.
struct PageSaveAs
{
    QString filters;
    QStringList suffixes;
    std::function<QString(const QString &startPath)> runner;
    std::function<void(const QString &path)> save;
};
void RunPageSaveAs(QWidget *dialogParent, const PageSaveAs &saving, const QString &documentPath, QString &lastSaved);

} // namespace priomat
