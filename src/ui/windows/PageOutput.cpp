#include "ui/windows/PageOutput.h"
#include "ui/UiLanguage.h"
#include "app/DialogFolder.h"
#include "document/TextFile.h"
#include "platform/MessageBox.h"

#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>
#include <QTreeWidget>

#include <new>

namespace priomat {

QStringList HeaderCells(const QTreeWidget *list)
{
    QStringList cells;
    for (int column = 0; column < list->columnCount(); ++column)
        cells.append(list->headerItem()->text(column));
    return cells;
}

QStringList RowCells(const QTreeWidgetItem *item)
{
    QStringList cells;
    for (int column = 0; column < item->columnCount(); ++column)
        cells.append(item->text(column));
    return cells;
}

void FitColumns(QTreeWidget *list)
{
    for (int column = 0; column < list->columnCount(); ++column)
        list->resizeColumnToContents(column);
}

QString SelectedRowText(std::initializer_list<const QTreeWidget *> lists)
{
    for (const QTreeWidget *list : lists) {
        if (!list)
            continue;
        const QList<QTreeWidgetItem *> selected = list->selectedItems();
        if (!selected.isEmpty())
            return RowCells(selected.constFirst()).join(u'\t');
    }
    return QString();
}

QString ListText(const QTreeWidget *list)
{
    QString text = HeaderCells(list).join(u'\t') + QStringLiteral("\r\n");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        text += RowCells(list->topLevelItem(i)).join(u'\t') + QStringLiteral("\r\n");
    return text;
}

QByteArray WidgetImage(QWidget *widget, const QString &title, const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(widget->size());
        generator.setViewBox(QRect(QPoint(0, 0), widget->size()));
        generator.setTitle(title);
        QPainter painter(&generator);
        widget->render(&painter);
        painter.end();
    } else if (!widget->grab().save(&buffer, "PNG")) {
        throw FileError(UiText(QStringLiteral("グラフの画像を作れません。"),
                               QStringLiteral("The chart could not be turned into an image.")));
    }
    buffer.close();
    return bytes;
}

void RunPageSaveAs(QWidget *dialogParent, const PageSaveAs &saving, const QString &documentPath, QString &lastSaved)
{
    const QString start = lastSaved.isEmpty() ? DialogStartFolder(documentPath) : lastSaved;
    QString path;
    if (saving.runner) {
        path = saving.runner(start);
    } else {
        QFileDialog dialog(dialogParent, QString(), start, saving.filters);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(saving.suffixes.value(0));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &saving](const QString &filter) {
            QString suffix = saving.suffixes.value(0);
            for (const QString &candidate : saving.suffixes)
                if (filter.contains(QStringLiteral("*.") + candidate))
                    suffix = candidate;
            dialog.setDefaultSuffix(suffix);
        });
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    lastSaved = path;
    RememberDialogFolder(path);
    try {
        saving.save(path);
    } catch (const FileError &error) {
        ShowMessageBox(error.message(), QStringLiteral("Error"), platform::MB_ICONHAND);
    } catch (const std::bad_alloc &) {
        ShowMessageBox(UiText(QStringLiteral("保存するメモリが足りません。"), QStringLiteral("Not enough memory to save.")),
                       QStringLiteral("Error"), platform::MB_ICONHAND);
    }
}

} // namespace priomat
