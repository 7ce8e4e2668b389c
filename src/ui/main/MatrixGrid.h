// The comparison matrix grid: a string grid with one fixed row and column, cells painted by
// the inconsistency colours, and the mouse and key events the entry works from.
#pragma once

#include <QFontMetrics>
#include <QPoint>
#include <QTableWidget>

#include <vector>

namespace priomat {

class TMatrixGrid : public QTableWidget
{
    Q_OBJECT

public:
    explicit TMatrixGrid(QWidget *parent = nullptr);

    // The text of cell (column, row), empty when it has none.
    QString cellText(int column, int row) const;
    // Writes a cell only when its text changes, so unchanged cells are never rebuilt.
    void setCellText(int column, int row, const QString &text);
    // Where cell (column, row) is on the screen.
    QRect cellRectOnScreen(int column, int row) const;
    // Sets a column `designWidth` wide, or wider where its texts (and with `roomForValues`, every
    // value of the scale) need it. Setting a text later widens its column too when the text
    // needs it (column 0 within a quarter of the screen).
    void fitColumn(int column, int designWidth, bool roomForValues = false);

    // Colour values 0x00BBGGRR of the matrix cells, indexed by (column − 1, row − 1); 0 is none.
    std::vector<quint32> CellColours;
    int colourSize = 0;
    quint32 cellColour(int column, int row) const;
    void resetCellColours(int n);
    void setCellColour(int columnIndex, int rowIndex, quint32 colour);

    // Cells filled by a completion, row-major (row − 1, column − 1), drawn italic and marked.
    void setCompletedCells(std::vector<unsigned char> rowMajor, int n);
    bool isCompletedCell(int column, int row) const;

    // Whether drawing uses the colours (the Color option).
    bool useColours = false;
    // The cell (column, row) whose value stops the computation, drawn marked; (-1, -1): none.
    QPoint markedCell{-1, -1};

    // Row 0 is drawn by the horizontal header and column 0 by this view laid over the grid's
    // left edge, so both stay in place while the matrix scrolls. Its header's only section is
    // the top-left cell, whose right edge resizes column 0.
    QTableView *nameColumn() const { return nameColumn_; }
    // Whether a fixed cell is drawn marked as the header of the current cell's row or column.
    bool isHeaderMarked(int column, int row) const;

signals:
    void cellMouseDown(int column, int row);
    void cellMouseUp(int column, int row);
    void characterTyped(QChar character);
    // Enter, Space or F2: the comparison dialog for the current cell.
    void openRequested(int column, int row);
    // Delete or Backspace: the current cell's pair back to not entered.
    void clearRequested(int column, int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void updateGeometries() override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void hideFixedCells();
    void placeNameColumn();
    int textWidth(int column, int row, const QString &text) const;
    bool fitsAsNumber(const QString &text, int width) const;
    void fitRowHeight();

    QTableView *nameColumn_ = nullptr;
    std::vector<unsigned char> completedCells_;
    int completedSize_ = 0;
    // Column 0's width, given back when the column is created again after the grid was emptied.
    int nameWidth_ = 96;
    // The fonts of the cells, the fixed row and the fixed column in bold, as texts are measured,
    // and the width the widest comparison value takes.
    QFont cellFont_, headerFont_, nameFont_;
    QFontMetrics cellMetrics_{QFont()}, headerMetrics_{QFont()}, nameMetrics_{QFont()};
    int valueWidth_ = 0;
    // The widest advance among the characters numbers are written with, in the cells' font.
    static constexpr QStringView NumberCharacters = u"0123456789./-+eE";
    qreal numberAdvance_ = 0;
};

} // namespace priomat
