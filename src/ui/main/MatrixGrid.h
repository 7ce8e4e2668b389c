// The comparison matrix grid: a string grid with one fixed row and column, cells painted by
// the inconsistency colours, and the mouse and key events the entry works from.
#pragma once

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

    // Colour values 0x00BBGGRR of the matrix cells, indexed by (column − 1, row − 1); 0 is none.
    std::vector<quint32> CellColours;
    int colourSize = 0;
    quint32 cellColour(int column, int row) const;
    void resetCellColours(int n);
    void setCellColour(int columnIndex, int rowIndex, quint32 colour);

    // Whether drawing uses the colours (the Color option).
    bool useColours = false;
    // The cell (column, row) whose value stops the computation, drawn marked; (-1, -1): none.
    QPoint markedCell{-1, -1};

signals:
    void cellMouseDown(int column, int row);
    void cellMouseUp(int column, int row);
    void characterTyped(QChar character);
    // Enter, Space or F2: the comparison dialog for the current cell.
    void openRequested(int column, int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace priomat
