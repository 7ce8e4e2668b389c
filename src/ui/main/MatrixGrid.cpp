#include "ui/main/MatrixGrid.h"

#include "app/Placement.h"
#include "document/DocumentSession.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace priomat {

namespace {

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
        painter->fillRect(option.rect, fixed    ? palette.color(QPalette::Button)
                                       : marked ? QColor(0xFF, 0xC0, 0xC0)
                                                : palette.color(QPalette::Base));

        QFont font = option.font;
        QColor colour = palette.color(QPalette::Text);
        if (marked) {
            colour = QColor(0xC0, 0, 0);
            font.setBold(true);
        } else if (grid_->useColours && !fixed && column - 1 < grid_->colourSize && row - 1 < grid_->colourSize) {
            const quint32 value = grid_->cellColour(column, row);
            colour = value ? ColorFromValue(qint32(value)) : QColor(Qt::black);
            font.setBold(value != 0);
        }
        painter->save();
        painter->setFont(font);
        painter->setPen(colour);
        const QFontMetrics metrics(font);
        const int y = option.rect.top() + (option.rect.height() - metrics.height()) / 2;
        painter->drawText(QRect(option.rect.left() + 2, y, option.rect.width() - 2, metrics.height()),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
        painter->restore();
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

} // namespace

TMatrixGrid::TMatrixGrid(QWidget *parent) : QTableWidget(2, 2, parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(8);
    horizontalHeader()->setDefaultSectionSize(32);
    verticalHeader()->setDefaultSectionSize(24);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setItemDelegate(new CellDelegate(this));
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
        setItem(row, column, new QTableWidgetItem(text));
    else if (cell->text() != text)
        cell->setText(text);
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
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() >= 32 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        emit characterTyped(text.at(0));
        return;
    }
    QTableWidget::keyPressEvent(event); // arrows and the like move the current cell
}

} // namespace priomat
