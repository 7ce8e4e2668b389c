#include "ui/main/TextFit.h"

#include "model/ComparisonValue.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionMenuItem>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

#include <algorithm>

namespace priomat {

QSize TextButtonSize(const QAbstractButton *button, QSize design)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QStyle *style = button->style();
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    return design.expandedTo(text + QSize(margin + 2 * frame, margin + 2 * frame));
}

int CellTextWidth(const QFont &bold, const QString &text, int indent)
{
    return CellTextWidth(QFontMetrics(bold), text, indent);
}

int CellTextWidth(const QFontMetrics &bold, const QString &text, int indent)
{
    return indent + bold.horizontalAdvance(text) + 1;
}

QFont BoldFont(QFont font)
{
    font.setBold(true);
    return font;
}

const QStringList &ComparisonCellTexts()
{
    static const QStringList texts = [] {
        QStringList list{QStringLiteral("-")};
        for (int position = ScaleFirstPosition; position <= ScaleLastPosition; ++position)
            list << ScaleText(position);
        return list;
    }();
    return texts;
}

std::vector<QRect> PlaceOnGrid(const std::vector<GridPlace> &places, int spacing)
{
    int columns = 0;
    int rows = 0;
    for (const GridPlace &place : places) {
        columns = std::max(columns, place.column + std::max(1, place.columnSpan));
        rows = std::max(rows, place.row + 1);
    }
    std::vector<int> widths(size_t(columns), 0);
    std::vector<int> heights(size_t(rows), 0);
    for (const GridPlace &place : places) {
        heights[size_t(place.row)] = std::max(heights[size_t(place.row)], place.needed.height());
        if (place.columnSpan <= 1)
            widths[size_t(place.column)] = std::max(widths[size_t(place.column)], place.needed.width());
    }
    for (const GridPlace &place : places) {
        const int span = place.columnSpan;
        if (span <= 1)
            continue;
        int have = (span - 1) * spacing;
        for (int c = place.column; c < place.column + span; ++c)
            have += widths[size_t(c)];
        for (int c = place.column, more = place.needed.width() - have; more > 0 && c < place.column + span; ++c) {
            const int share = (more + (place.column + span - c) - 1) / (place.column + span - c);
            widths[size_t(c)] += share;
            more -= share;
        }
    }
    auto offset = [spacing](const std::vector<int> &sizes, int index) {
        int at = 0;
        for (int i = 0; i < index; ++i)
            at += sizes[size_t(i)] + spacing;
        return at;
    };
    std::vector<QRect> rects;
    rects.reserve(places.size());
    for (const GridPlace &place : places) {
        const int span = std::max(1, place.columnSpan);
        const int left = offset(widths, place.column);
        const int right = offset(widths, place.column + span) - spacing;
        rects.emplace_back(left, offset(heights, place.row), right - left, heights[size_t(place.row)]);
    }
    return rects;
}

ButtonGridLayout::ButtonGridLayout(QWidget *parent, int spacing, QMargins margins) : QLayout(parent)
{
    setSpacing(spacing);
    setContentsMargins(margins);
    if (parent)
        parent->setSizePolicy(parent->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
}

ButtonGridLayout::~ButtonGridLayout()
{
    for (const Entry &entry : std::as_const(entries_))
        delete entry.item;
}

void ButtonGridLayout::addButton(QAbstractButton *button, int row, int column, int columnSpan, QSize design)
{
    addChildWidget(button);
    entries_.append({new QWidgetItem(button), {row, column, columnSpan, design}, design});
    invalidate();
    // As high as the buttons already before the layout first runs.
    parentWidget()->resize(parentWidget()->width(), sizeHint().height());
}

void ButtonGridLayout::addItem(QLayoutItem *item)
{
    int row = 0;
    for (const Entry &entry : std::as_const(entries_))
        row = std::max(row, entry.place.row + 1);
    entries_.append({item, {row, 0, 1, item->sizeHint()}, item->sizeHint()});
    invalidate();
}

QLayoutItem *ButtonGridLayout::itemAt(int index) const
{
    return index >= 0 && index < entries_.size() ? entries_.at(index).item : nullptr;
}

QLayoutItem *ButtonGridLayout::takeAt(int index)
{
    if (index < 0 || index >= entries_.size())
        return nullptr;
    QLayoutItem *item = entries_.takeAt(index).item;
    invalidate();
    return item;
}

int ButtonGridLayout::count() const
{
    return int(entries_.size());
}

std::vector<QRect> ButtonGridLayout::placements() const
{
    std::vector<GridPlace> places;
    places.reserve(size_t(entries_.size()));
    for (const Entry &entry : entries_) {
        GridPlace place = entry.place;
        const auto *button = qobject_cast<const QAbstractButton *>(entry.item->widget());
        place.needed = button ? TextButtonSize(button, entry.design) : entry.item->sizeHint().expandedTo(entry.design);
        places.push_back(place);
    }
    return PlaceOnGrid(places, spacing());
}

QSize ButtonGridLayout::sizeHint() const
{
    QRect all;
    for (const QRect &rect : placements())
        all = all.united(rect);
    const QMargins margins = contentsMargins();
    return QSize(all.right() + 1 + margins.left() + margins.right(), all.bottom() + 1 + margins.top() + margins.bottom());
}

QSize ButtonGridLayout::minimumSize() const
{
    return sizeHint();
}

void ButtonGridLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const QRect inner = rect.marginsRemoved(contentsMargins());
    const std::vector<QRect> rects = placements();
    // Placed directly: a button's item would keep it to its size hint's height.
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const QRect place(rects[size_t(i)].topLeft() + inner.topLeft(), rects[size_t(i)].size());
        if (QWidget *widget = entries_.at(i).item->widget())
            widget->setGeometry(place);
        else
            entries_.at(i).item->setGeometry(place);
    }
}

int MenuBarWidth(const QMenuBar *bar)
{
    const QStyle *style = bar->style();
    int width = 2 * (style->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, bar)
                     + style->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, bar));
    const int spacing = style->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, bar);
    for (QAction *action : bar->actions()) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        QStyleOptionMenuItem option;
        option.initFrom(bar);
        option.menuItemType = QStyleOptionMenuItem::Normal;
        option.text = action->text();
        option.font = action->font().resolve(bar->font());
        const QSize text = QFontMetrics(option.font).size(Qt::TextShowMnemonic, action->text());
        width += style->sizeFromContents(QStyle::CT_MenuBarItem, &option, text, bar).width() + spacing;
    }
    return width;
}

QSize ScrollShortfall(const QAbstractScrollArea *view, QSize content)
{
    const QSize room = view->maximumViewportSize();
    const int bar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    return QSize(std::max(0, content.width() + bar - room.width()), std::max(0, content.height() - room.height()));
}

void ShowTreeTextWhole(QTreeView *tree)
{
    tree->setTextElideMode(Qt::ElideNone);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void KeepTabsWhole(QTabWidget *tabs)
{
    tabs->setElideMode(Qt::ElideNone);
    tabs->setUsesScrollButtons(false);
}

} // namespace priomat
