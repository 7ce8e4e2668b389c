#include "ui/main/MatrixGrid.h"
#include "ui/UiLanguage.h"

#include "app/Placement.h"
#include "document/DocumentSession.h"
#include "ui/main/CutTextTips.h"
#include "ui/main/ReadableColours.h"
#include "ui/main/TextFit.h"

#include <QHeaderView>
#include <algorithm>
#include <cmath>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace priomat {

namespace {

// The background of a fixed cell that heads the current cell's row or column.
QColor markColour(const QPalette &palette)
{
    const QColor button = palette.color(QPalette::Button);
    const QColor highlight = palette.color(QPalette::Highlight);
    return QColor((button.red() * 3 + highlight.red() * 2) / 5, (button.green() * 3 + highlight.green() * 2) / 5,
                  (button.blue() * 3 + highlight.blue() * 2) / 5);
}

// Cell text at two pixels from the left, vertically centred, on one line.
void drawCellText(QPainter *painter, const QRect &rect, const QFont &font, const QColor &colour, const QString &text)
{
    painter->save();
    painter->setFont(font);
    painter->setPen(colour);
    const QFontMetrics metrics(font);
    const int y = rect.top() + (rect.height() - metrics.height()) / 2;
    painter->drawText(QRect(rect.left() + 2, y, rect.width() - 2, metrics.height()),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

// Paints a cell as the grid wants it: the fixed colour for row and column 0, the text at two
// pixels from the left, vertically centred, bold in its colour when the Color option is on.
class CellDelegate : public QStyledItemDelegate
{
public:
    explicit CellDelegate(TMatrixGrid *grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int column = index.column();
        const int row = index.row();
        const bool fixed = column == 0 || row == 0;
        const QPalette &palette = option.palette;
        const bool marked = grid_->markedCell == QPoint(column, row);
        const bool heading = fixed && grid_->isHeaderMarked(column, row);
        painter->fillRect(option.rect, heading  ? markColour(palette)
                                       : fixed  ? palette.color(QPalette::Button)
                                       : marked ? QColor(0xFF, 0xC0, 0xC0)
                                                : palette.color(QPalette::Base));

        QFont font = option.font;
        QColor colour = palette.color(QPalette::Text);
        if (marked) {
            colour = ReadableInk(QColor(0xC0, 0, 0), QColor(0xFF, 0xC0, 0xC0));
            font.setBold(true);
        } else if (heading) {
            font.setBold(true);
        } else if (grid_->useColours && !fixed && column - 1 < grid_->colourSize && row - 1 < grid_->colourSize) {
            const quint32 value = grid_->cellColour(column, row);
            if (value) {
                // The class's hue as a light tint behind the text and in the text itself,
                // darkened as far as it takes to stay readable on that tint.
                const QColor hue = ColorFromValue(qint32(value));
                const QColor background = Blend(palette.color(QPalette::Base), hue, 0.16);
                painter->fillRect(option.rect, background);
                colour = ReadableInk(hue, background);
            } else {
                colour = ReadableInk(QColor(Qt::black), palette.color(QPalette::Base));
            }
            font.setBold(value != 0);
        }
        if (!fixed && grid_->isCompletedCell(column, row)) {
            // Filled by a completion and not edited since: italic, with a corner mark.
            font.setItalic(true);
            const int size = std::min(7, option.rect.height() / 3);
            const QPoint corner = option.rect.topRight();
            painter->save();
            painter->setPen(Qt::NoPen);
            painter->setBrush(palette.color(QPalette::Highlight));
            painter->drawPolygon(QPolygon({corner, corner + QPoint(-size, 0), corner + QPoint(0, size)}));
            painter->restore();
        }
        drawCellText(painter, option.rect, font, colour, index.data().toString());
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.rect = option.rect.adjusted(1, 1, -1, -1);
            focus.state = QStyle::State_KeyboardFocusChange;
            grid_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, grid_);
        }
    }

private:
    TMatrixGrid *grid_;
};

// The fixed row: each section drawn as the grid's cell of row 0 in that column, with the grid
// lines of a fixed cell. Dragging a section's right edge resizes the column.
class FixedRowHeader : public QHeaderView
{
public:
    explicit FixedRowHeader(TMatrixGrid *grid, QWidget *parent) : QHeaderView(Qt::Horizontal, parent), grid_(grid)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(8);
        setDefaultSectionSize(32);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (!rect.isValid() || !model())
            return;
        const bool heading = grid_->isHeaderMarked(logicalIndex, 0);
        painter->fillRect(rect, heading ? markColour(palette()) : palette().color(QPalette::Button));
        QStyleOptionViewItem option;
        option.initFrom(this);
        painter->save();
        painter->setPen(QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this))));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->restore();
        QFont font = this->font();
        font.setBold(heading);
        drawCellText(painter, rect.adjusted(0, 0, -1, -1), font, palette().color(QPalette::Text),
                     model()->index(0, logicalIndex).data().toString());
    }

private:
    TMatrixGrid *grid_;
};

// A cell that tells assistive technology which pair it compares: "Cost compared with
// Location: 2".
class MatrixCell : public QTableWidgetItem
{
public:
    using QTableWidgetItem::QTableWidgetItem;

    QVariant data(int role) const override
    {
        if (role != Qt::AccessibleDescriptionRole || !tableWidget() || row() < 1 || column() < 1)
            return QTableWidgetItem::data(role);
        const QTableWidgetItem *rowName = tableWidget()->item(row(), 0);
        const QTableWidgetItem *columnName = tableWidget()->item(0, column());
        const QString a = rowName ? rowName->text() : QString();
        const QString b = columnName ? columnName->text() : QString();
        return UiText(QStringLiteral("%1 と %2 の比較: %3"), QStringLiteral("%1 compared with %2: %3")).arg(a, b, text());
    }
};

} // namespace

TMatrixGrid::TMatrixGrid(QWidget *parent) : QTableWidget(2, 2, parent)
{
    setHorizontalHeader(new FixedRowHeader(this, this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(24);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setFixedHeight(verticalHeader()->defaultSectionSize());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setItemDelegate(new CellDelegate(this));
    // Per pixel, so that the matrix slides under the fixed column without a jump.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    nameColumn_ = new QTableView(this);
    nameColumn_->setObjectName(QStringLiteral("MatrixGridNames"));
    nameColumn_->setModel(model());
    nameColumn_->setHorizontalHeader(new FixedRowHeader(this, nameColumn_));
    nameColumn_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    nameColumn_->verticalHeader()->hide();
    nameColumn_->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    nameColumn_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    nameColumn_->setItemDelegate(itemDelegate());
    nameColumn_->setFocusPolicy(Qt::NoFocus);
    nameColumn_->setFrameShape(QFrame::NoFrame);
    nameColumn_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    nameColumn_->setSelectionMode(QAbstractItemView::NoSelection);
    nameColumn_->setTextElideMode(Qt::ElideNone);
    nameColumn_->setWordWrap(false);
    nameColumn_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    nameColumn_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    nameColumn_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->stackUnder(nameColumn_);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, nameColumn_->verticalScrollBar(), &QScrollBar::setValue);
    connect(nameColumn_->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section != 0 || columnCount() == 0)
            return;
        nameWidth_ = size;
        nameColumn_->setColumnWidth(0, size);
        placeNameColumn();
    });
    // The user resizes column 0 on the fixed column's header.
    connect(nameColumn_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section == 0 && columnCount() > 0)
            setColumnWidth(0, size);
    });
    connect(model(), &QAbstractItemModel::rowsInserted, this, &TMatrixGrid::hideFixedCells);
    connect(model(), &QAbstractItemModel::columnsInserted, this, [this](const QModelIndex &, int first) {
        if (first == 0)
            setColumnWidth(0, nameWidth_);
        hideFixedCells();
    });
    hideFixedCells();
    fitRowHeight();
    new CutTextTips(this, 2);
    new CutTextTips(nameColumn_, 2);
    new CutTextTips(horizontalHeader(), [this](int section) { return cellText(section, 0); }, 2);
}

void TMatrixGrid::hideFixedCells()
{
    setRowHidden(0, true);
    nameColumn_->setRowHidden(0, true);
    for (int column = 1; column < columnCount(); ++column)
        nameColumn_->setColumnHidden(column, true);
    if (columnCount() > 0)
        nameColumn_->setColumnWidth(0, columnWidth(0));
}

void TMatrixGrid::placeNameColumn()
{
    const int width = columnCount() > 0 ? columnWidth(0) : 0;
    nameColumn_->setGeometry(frameWidth(), frameWidth(), qMin(width, viewport()->width()),
                             horizontalHeader()->height() + viewport()->height());
}

void TMatrixGrid::resizeEvent(QResizeEvent *event)
{
    QTableWidget::resizeEvent(event);
    placeNameColumn();
}

void TMatrixGrid::changeEvent(QEvent *event)
{
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitRowHeight();
}

void TMatrixGrid::fitRowHeight()
{
    cellFont_ = BoldFont(font());
    headerFont_ = BoldFont(horizontalHeader()->font());
    nameFont_ = BoldFont(nameColumn_->font());
    cellMetrics_ = QFontMetrics(cellFont_);
    headerMetrics_ = QFontMetrics(headerFont_);
    nameMetrics_ = QFontMetrics(nameFont_);
    valueWidth_ = 0;
    for (const QString &text : ComparisonCellTexts())
        valueWidth_ = std::max(valueWidth_, CellTextWidth(cellMetrics_, text, 2));
    numberAdvance_ = 0;
    const QFontMetricsF fractional(cellFont_);
    for (const QChar c : NumberCharacters)
        numberAdvance_ = std::max(numberAdvance_, fractional.horizontalAdvance(c));
    // 24 pixels, or higher where the font needs more room around its text.
    const int height = std::max({24, cellMetrics_.height() + 6, headerMetrics_.height() + 6, nameMetrics_.height() + 6});
    for (QTableView *view : {static_cast<QTableView *>(this), nameColumn_}) {
        view->verticalHeader()->setDefaultSectionSize(height);
        view->horizontalHeader()->setFixedHeight(height);
    }
}

bool TMatrixGrid::fitsAsNumber(const QString &text, int width) const
{
    for (const QChar c : text) {
        if (!NumberCharacters.contains(c))
            return false;
    }
    return 2 + int(std::ceil(text.size() * numberAdvance_)) + 1 <= width;
}

int TMatrixGrid::textWidth(int column, int row, const QString &text) const
{
    return CellTextWidth(row == 0 ? headerMetrics_ : column == 0 ? nameMetrics_ : cellMetrics_, text, 2);
}

void TMatrixGrid::fitColumn(int column, int designWidth, bool roomForValues)
{
    // The scale's values were measured when the font was set; a number that surely fits is not
    // measured again.
    int width = std::max(designWidth, roomForValues ? valueWidth_ : 0);
    for (int row = 0; row < rowCount(); ++row) {
        const QString text = cellText(column, row);
        if (row == 0 || column == 0 || !fitsAsNumber(text, width))
            width = std::max(width, textWidth(column, row, text));
    }
    setColumnWidth(column, width);
}

void TMatrixGrid::updateGeometries()
{
    QTableWidget::updateGeometries();
    if (nameColumn_)
        placeNameColumn();
}

bool TMatrixGrid::isHeaderMarked(int column, int row) const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return false;
    return (row == 0 && column > 0 && column == current.column()) || (column == 0 && row > 0 && row == current.row());
}

void TMatrixGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableWidget::currentChanged(current, previous);
    horizontalHeader()->viewport()->update();
    nameColumn_->viewport()->update();
}

QModelIndex TMatrixGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // The current cell stays out of the fixed column.
    QModelIndex index = QTableWidget::moveCursor(cursorAction, modifiers);
    if (index.isValid() && index.column() == 0 && columnCount() > 1)
        index = model()->index(index.row(), 1);
    return index;
}

void TMatrixGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QTableWidget::scrollTo(index, hint);
    // A cell scrolled into view must not stay under the fixed column.
    if (!index.isValid() || index.column() == 0 || columnCount() == 0)
        return;
    const int hidden = columnWidth(0) - visualRect(index).left();
    if (hidden > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - hidden);
}

QString TMatrixGrid::cellText(int column, int row) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

void TMatrixGrid::setCellText(int column, int row, const QString &text)
{
    QTableWidgetItem *cell = item(row, column);
    if (!cell)
        setItem(row, column, new MatrixCell(text));
    else if (cell->text() != text)
        cell->setText(text);
    else
        return; // its header and its column's width already follow it
    // The names are the table's headers too, where assistive technology looks for them.
    if ((row == 0) != (column == 0)) {
        const int section = row == 0 ? column : row;
        QTableWidgetItem *header = row == 0 ? horizontalHeaderItem(section) : verticalHeaderItem(section);
        if (!header)
            row == 0 ? setHorizontalHeaderItem(section, new QTableWidgetItem(text))
                     : setVerticalHeaderItem(section, new QTableWidgetItem(text));
        else if (header->text() != text)
            header->setText(text);
    }
    // A text wider than its column widens it. A number is only measured when its widest possible
    // glyphs would not fit: the values and weights of every edit mostly do.
    if (column >= columnCount() || (row > 0 && column > 0 && fitsAsNumber(text, columnWidth(column))))
        return;
    const int needed = textWidth(column, row, text);
    if (needed <= columnWidth(column))
        return;
    if (column > 0)
        setColumnWidth(column, needed);
    else if (const int limit = screen() ? screen()->availableGeometry().width() / 4 : 256; columnWidth(0) < limit)
        setColumnWidth(0, std::min(needed, limit));
}

void TMatrixGrid::setCompletedCells(std::vector<unsigned char> rowMajor, int n)
{
    completedCells_ = std::move(rowMajor);
    completedSize_ = completedCells_.empty() ? 0 : n;
}

bool TMatrixGrid::isCompletedCell(int column, int row) const
{
    const int i = row - 1;
    const int j = column - 1;
    if (i < 0 || j < 0 || i >= completedSize_ || j >= completedSize_)
        return false;
    return completedCells_[size_t(i) * size_t(completedSize_) + size_t(j)] != 0;
}

quint32 TMatrixGrid::cellColour(int column, int row) const
{
    const int i = column - 1;
    const int j = row - 1;
    if (i < 0 || j < 0 || i >= colourSize || j >= colourSize)
        return 0;
    return CellColours[size_t(i) * size_t(colourSize) + size_t(j)];
}

void TMatrixGrid::resetCellColours(int n)
{
    // The grid never shows a matrix beyond the session's limit; no table for one either.
    if (n < 0 || n > DocumentSession::GridLimit)
        n = 0;
    colourSize = n;
    CellColours.assign(size_t(n) * size_t(n), 0);
}

void TMatrixGrid::setCellColour(int columnIndex, int rowIndex, quint32 colour)
{
    if (columnIndex < colourSize && rowIndex < colourSize)
        CellColours[size_t(columnIndex) * size_t(colourSize) + size_t(rowIndex)] = colour;
}

void TMatrixGrid::mousePressEvent(QMouseEvent *event)
{
    QTableWidget::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    emit cellMouseDown(index.isValid() ? index.column() : -1, index.isValid() ? index.row() : -1);
}

void TMatrixGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableWidget::mouseReleaseEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    emit cellMouseUp(index.isValid() ? index.column() : -1, index.isValid() ? index.row() : -1);
}

QRect TMatrixGrid::cellRectOnScreen(int column, int row) const
{
    const QRect rect = visualRect(model()->index(row, column));
    return QRect(viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

void TMatrixGrid::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space || key == Qt::Key_F2)
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        emit openRequested(currentColumn(), currentRow());
        return;
    }
    if ((key == Qt::Key_Delete || key == Qt::Key_Backspace)
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        emit clearRequested(currentColumn(), currentRow());
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() >= 32 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        emit characterTyped(text.at(0));
        return;
    }
    QTableWidget::keyPressEvent(event); // arrows and the like move the current cell
}

} // namespace priomat
