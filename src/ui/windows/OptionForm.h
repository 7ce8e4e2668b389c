// The options dialog: a category tree with one page per category; the Font page's sample.
#pragma once

#include "app/Placement.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace priomat {

// One page as the category tree sees it.
struct CategoryPage
{
    int number = 0; // tens and above: top-level index; units: 0 itself, 1 to 9 its nth child
    QString caption;
};

// A node of the derived tree; `page` indexes the page list, -1 for a placeholder.
struct CategoryNode
{
    QString text;
    int page = -1;
    std::vector<CategoryNode> children;

    friend bool operator==(const CategoryNode &, const CategoryNode &) = default;
};

// The top-level nodes for the pages in order. Skipped numbers leave placeholder nodes named by
// their number; a negative number gives no node.
std::vector<CategoryNode> DeriveCategoryTree(const QList<CategoryPage> &pages);

class TOptionForm : public QDialog
{
    Q_OBJECT

public:
    explicit TOptionForm(QWidget *parent = nullptr);
    ~TOptionForm() override;

    // The dynamic property holding a page's number (an int).
    static constexpr const char *PageNumberProperty = "pageNumber";
    // Colour values as the settings keep them: 0x00BBGGRR, or a negative system colour.

    void FormShow();
    void CategoryTreeChange(QTreeWidgetItem *node);
    void FontButtonClick();
    void ColorButtonClick();
    void OkButtonClick();
    void CancelButtonClick();
    void FormClose();
    void HelpButtonClick();

    // Rebuilds the category tree from the pages of PageControl1 and their numbers.
    void FillCategoryTree();
    // The page a tree node leads to; null for a placeholder.
    static QWidget *pageOf(const QTreeWidgetItem *node);

    int treeWidth() const;
    void setTreeWidth(int width);

    const FontSettings &sampleFont() const { return sampleFont_; }
    void setSampleFont(const FontSettings &font);
    qint32 sampleColor() const { return sampleColor_; }
    void setSampleColor(qint32 color);

    // Stand-ins for the font and colour dialogs (tests, screenshots); nullopt means cancelled.
    std::function<std::optional<QFont>(const QFont &)> fontDialogRunner;
    std::function<std::optional<QColor>(const QColor &)> colorDialogRunner;

    QWidget *CategoryPanel;
    QLabel *CategoryLabel;
    QTreeWidget *CategoryTree;
    QSplitter *MainSplitter;
    QWidget *MainPanel;
    QLabel *CaptionLabel;
    QStackedWidget *PageControl1;
    QWidget *ViewPage;
    QWidget *FontPage;
    QLabel *FontLabel;
    QLabel *FontPanel;
    QWidget *FontButtonPanel;
    QPushButton *FontButton;
    QPushButton *ColorButton;
    QWidget *EditPage;
    QWidget *FooterPanel;
    QWidget *ButtonPanel;
    QPushButton *OkButton;
    QPushButton *CancelButton;
    QPushButton *HelpButton;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void FormCreate();
    void showSample();

    int treeWidth_ = 101;
    FontSettings sampleFont_;
    qint32 sampleColor_;
};

} // namespace priomat
