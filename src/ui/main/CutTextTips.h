// Tooltips that show an item's or a header section's text in full when the view cuts it.
#pragma once

#include <QObject>

#include <functional>

class QAbstractItemView;
class QHeaderView;

namespace priomat {

class CutTextTips : public QObject
{
public:
    // `indent`: pixels between the cell's left edge and its text.
    CutTextTips(QAbstractItemView *view, int indent);
    // For a header whose sections show `textOf(section)`.
    CutTextTips(QHeaderView *header, std::function<QString(int)> textOf, int indent);

    // Whether `text` starting `indent` pixels into [left, right) of a viewport `width` wide is cut.
    static bool isCut(int textWidth, int indent, int left, int right, int width);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractItemView *view_ = nullptr;
    QHeaderView *header_ = nullptr;
    std::function<QString(int)> textOf_;
    int indent_ = 0;
};

} // namespace priomat
