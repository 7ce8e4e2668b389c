// Sizes that follow the font: buttons, grid columns, trees and tab bars at least their design
// size and as large as their texts need, so that no text is cut at a larger font or scale.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QLayout>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

class QAbstractButton;
class QAbstractScrollArea;
class QMenuBar;

class QTabWidget;
class QTreeView;

namespace priomat {

// The size a button needs to show its text whole: the text plus the style's frame and button
// margin, at least `design`. (Unlike the style's size hint, without a minimum width for text
// buttons, so that small buttons keep their design size where the text fits.)
QSize TextButtonSize(const QAbstractButton *button, QSize design);

// The width a grid cell needs for `text` drawn `indent` pixels from its left edge, with its
// grid line, in the font `bold`: the grid's font made bold
// (BoldFont), the widest way the grid draws a text.
int CellTextWidth(const QFont &bold, const QString &text, int indent);
int CellTextWidth(const QFontMetrics &bold, const QString &text, int indent);
QFont BoldFont(QFont font);
// The texts a comparison cell can show: every step of the scale and "-".
const QStringList &ComparisonCellTexts();

// A place on a grid of columns and rows: the cell's row and column, the number of columns it
// spans and the size its content needs.
struct GridPlace
{
    int row = 0;
    int column = 0;
    int columnSpan = 1;
    QSize needed;
};
// Where each place lies, relative to the grid's top left: a column as wide as its widest place,
// a row as high as its highest; a place spanning columns widens them evenly when it needs more.
std::vector<QRect> PlaceOnGrid(const std::vector<GridPlace> &places, int spacing);

// Buttons on such a grid, each at least its design size and as wide as its text needs. Its
// parent widget keeps the height of the buttons.
class ButtonGridLayout : public QLayout
{
public:
    ButtonGridLayout(QWidget *parent, int spacing, QMargins margins);
    ~ButtonGridLayout() override;

    void addButton(QAbstractButton *button, int row, int column, int columnSpan, QSize design);

    void addItem(QLayoutItem *item) override; // placed on a row of its own
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    struct Entry
    {
        QLayoutItem *item;
        GridPlace place;
        QSize design;
    };
    std::vector<QRect> placements() const;

    QList<Entry> entries_;
};

// The width a menu bar needs to show all its menus on one row, without its extension button.
int MenuBarWidth(const QMenuBar *bar);

// How much larger `view` must grow to show `content` without scrolling. The width keeps room
// for a vertical scroll bar, so that two scroll bars cannot hold each other up when the content
// just fits.
QSize ScrollShortfall(const QAbstractScrollArea *view, QSize content);

// A tree whose only column is as wide as its widest item, scrolled sideways rather than elided.
void ShowTreeTextWhole(QTreeView *tree);
// A tab widget whose tabs show their captions whole, without scroll arrows: the widget (and so
// its window) is then never narrower than all its tabs.
void KeepTabsWhole(QTabWidget *tabs);

} // namespace priomat
