#include "ui/main/CutTextTips.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

namespace priomat {

CutTextTips::CutTextTips(QAbstractItemView *view, int indent) : QObject(view), view_(view), indent_(indent)
{
    view->viewport()->installEventFilter(this);
}

CutTextTips::CutTextTips(QHeaderView *header, std::function<QString(int)> textOf, int indent)
    : QObject(header), header_(header), textOf_(std::move(textOf)), indent_(indent)
{
    header->viewport()->installEventFilter(this);
}

bool CutTextTips::isCut(int textWidth, int indent, int left, int right, int width)
{
    return left < 0 || left + indent + textWidth > qMin(right, width);
}

bool CutTextTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    auto *help = static_cast<QHelpEvent *>(event);
    auto *viewport = static_cast<QWidget *>(watched);
    QString text;
    QRect rect;
    QFont font = viewport->font();
    if (header_) {
        const int section = header_->logicalIndexAt(help->pos());
        if (section >= 0) {
            text = textOf_(section);
            rect = QRect(header_->sectionViewportPosition(section), 0, header_->sectionSize(section), viewport->height());
        }
    } else {
        const QModelIndex index = view_->indexAt(help->pos());
        if (index.isValid()) {
            text = index.data(Qt::DisplayRole).toString();
            rect = view_->visualRect(index);
            const QVariant itemFont = index.data(Qt::FontRole);
            if (itemFont.canConvert<QFont>())
                font = itemFont.value<QFont>();
        }
    }
    const int textWidth = QFontMetrics(font).horizontalAdvance(text);
    if (text.isEmpty() || !isCut(textWidth, indent_, rect.left(), rect.left() + rect.width(), viewport->width())) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(help->globalPos(), text, viewport, rect);
    return true;
}

} // namespace priomat
