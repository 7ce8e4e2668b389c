#include "ui/windows/OptionForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/Placement.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "app/SettingsStore.h"
#include "document/TextFile.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace priomat {

namespace {

const QString Section = QStringLiteral("OptionForm");
const QString ViewSection = QStringLiteral("Option\\View");

// The button-face system colour, the sample panel's colour until one is stored.
constexpr qint32 ButtonFaceColor = qint32(0x8000000Fu);

QString productName()
{
    return Appli ? Appli->ProductName : QStringLiteral("Priomat");
}

QWidget *makePage(QStackedWidget *pages, const char *name, int number, const QString &caption)
{
    auto *page = new QWidget(pages);
    page->setObjectName(QString::fromLatin1(name));
    page->setProperty(TOptionForm::PageNumberProperty, number);
    page->setWindowTitle(caption);
    pages->addWidget(page);
    return page;
}

QTreeWidgetItem *makeItem(const CategoryNode &node, const QList<QWidget *> &pages)
{
    auto *item = new QTreeWidgetItem(QStringList{node.text});
    if (node.page >= 0)
        item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<QObject *>(pages.at(node.page))));
    for (const CategoryNode &child : node.children)
        item->addChild(makeItem(child, pages));
    return item;
}

// Japanese-capable faces count as Shift-JIS; Linux fonts carry no character set of their own.
int charsetOf(const QFont &font)
{
    return QFontDatabase::writingSystems(font.family()).contains(QFontDatabase::Japanese) ? 128 : 0;
}

} // namespace

std::vector<CategoryNode> DeriveCategoryTree(const QList<CategoryPage> &pages)
{
    std::vector<CategoryNode> top;
    for (qsizetype index = 0; index < pages.size(); ++index) {
        const CategoryPage &page = pages.at(index);
        if (page.number < 0)
            continue;
        const int major = page.number / 10;
        const int minor = page.number % 10;
        // Stepping to a missing next sibling appends one named by its position.
        while (int(top.size()) <= major)
            top.push_back({QString::number(top.size()), -1, {}});
        CategoryNode *node = &top[size_t(major)];
        if (minor > 0) {
            std::vector<CategoryNode> &children = node->children;
            while (int(children.size()) < minor)
                children.push_back({QString::number(major) + QString::number(children.size() + 1), -1, {}});
            node = &children[size_t(minor - 1)];
        }
        node->text = page.caption;
        node->page = int(index);
    }
    return top;
}

TOptionForm::TOptionForm(QWidget *parent) : QDialog(parent), sampleColor_(ButtonFaceColor)
{
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("Options"));
    setGeometry(70, 63, 461, 295);

    MainSplitter = new QSplitter(Qt::Horizontal, this);
    MainSplitter->setObjectName(QStringLiteral("MainSplitter"));
    MainSplitter->setHandleWidth(8);
    MainSplitter->setChildrenCollapsible(false);

    CategoryPanel = new QWidget(MainSplitter);
    CategoryPanel->setObjectName(QStringLiteral("CategoryPanel"));
    CategoryLabel = new QLabel(QStringLiteral("カテゴリ"), CategoryPanel);
    CategoryLabel->setObjectName(QStringLiteral("CategoryLabel"));
    CategoryTree = new QTreeWidget(CategoryPanel);
    CategoryTree->setObjectName(QStringLiteral("CategoryTree"));
    CategoryTree->setHeaderHidden(true);
    CategoryTree->setColumnCount(1);
    CategoryTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CategoryTree->setMinimumWidth(20);
    // The column is as wide as its captions, so the scroll bar shows only when they do not fit.
    CategoryTree->header()->setStretchLastSection(false);
    CategoryTree->header()->setMinimumSectionSize(0);
    CategoryTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    MainPanel = new QWidget(MainSplitter);
    MainPanel->setObjectName(QStringLiteral("MainPanel"));
    CaptionLabel = new QLabel(MainPanel);
    CaptionLabel->setObjectName(QStringLiteral("CaptionLabel"));
    PageControl1 = new QStackedWidget(MainPanel);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);

    ViewPage = makePage(PageControl1, "ViewPage", 0, QStringLiteral("表示"));
    FontPage = makePage(PageControl1, "FontPage", 1, QStringLiteral("フォント"));
    FontLabel = new QLabel(QStringLiteral("フォント"), FontPage);
    FontLabel->setObjectName(QStringLiteral("FontLabel"));
    FontPanel = new QLabel(QStringLiteral(" フォント見本"), FontPage);
    FontPanel->setObjectName(QStringLiteral("FontPanel"));
    FontPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FontPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FontPanel->setLineWidth(2);
    FontPanel->setFixedHeight(48);
    FontPanel->setAutoFillBackground(true);
    FontButtonPanel = new QWidget(FontPanel);
    FontButtonPanel->setObjectName(QStringLiteral("FontButtonPanel"));
    // The buttons keep the dialog's font: only the sample text shows the chosen one.
    QFont ownFont = font();
    ownFont.setResolveMask(QFont::AllPropertiesResolved);
    FontButtonPanel->setFont(ownFont);
    FontButton = new QPushButton(QStringLiteral("フォント"), FontButtonPanel);
    FontButton->setObjectName(QStringLiteral("FontButton"));
    ColorButton = new QPushButton(QStringLiteral("地色"), FontButtonPanel);
    ColorButton->setObjectName(QStringLiteral("ColorButton"));
    EditPage = makePage(PageControl1, "EditPage", 10, QStringLiteral("編集"));

    FooterPanel = new QWidget(this);
    FooterPanel->setObjectName(QStringLiteral("FooterPanel"));
    FooterPanel->setFixedHeight(32);
    ButtonPanel = new QWidget(FooterPanel);
    ButtonPanel->setObjectName(QStringLiteral("ButtonPanel"));
    OkButton = new QPushButton(QStringLiteral("ＯＫ"), ButtonPanel);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("キャンセル"), ButtonPanel);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    HelpButton = new QPushButton(QStringLiteral("ヘルプ"), ButtonPanel);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    for (QPushButton *button : {FontButton, ColorButton, OkButton, CancelButton, HelpButton}) {
        button->setMinimumWidth(75);
        button->setAutoDefault(false);
    }
    OkButton->setAutoDefault(true);

    connect(CategoryTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { CategoryTreeChange(current); });
    connect(MainSplitter, &QSplitter::splitterMoved, this,
            [this] { treeWidth_ = MainSplitter->sizes().value(0); });
    connect(FontButton, &QPushButton::clicked, this, &TOptionForm::FontButtonClick);
    connect(ColorButton, &QPushButton::clicked, this, &TOptionForm::ColorButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TOptionForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TOptionForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TOptionForm::HelpButtonClick);

    FormCreate();
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::FormCreate()
{
    const bool japanese = UiJapanese();
    setWindowTitle((japanese ? QStringLiteral("設定 / ") : QStringLiteral("Establishment / ")) + productName());

    auto *categoryLayout = new QVBoxLayout(CategoryPanel);
    categoryLayout->setContentsMargins(0, 0, 0, 0);
    categoryLayout->setSpacing(2);
    categoryLayout->addWidget(CategoryLabel);
    categoryLayout->addWidget(CategoryTree, 1);

    auto *mainLayout = new QVBoxLayout(MainPanel);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(2);
    mainLayout->addWidget(CaptionLabel);
    mainLayout->addWidget(PageControl1, 1);

    auto *fontPageLayout = new QVBoxLayout(FontPage);
    fontPageLayout->setContentsMargins(4, 4, 4, 4);
    fontPageLayout->setSpacing(2);
    fontPageLayout->addWidget(FontLabel);
    fontPageLayout->addWidget(FontPanel);
    fontPageLayout->addStretch(1);

    auto *samplePanelLayout = new QHBoxLayout(FontPanel);
    samplePanelLayout->setContentsMargins(0, 0, 4, 0);
    samplePanelLayout->addStretch(1);
    samplePanelLayout->addWidget(FontButtonPanel);
    auto *fontButtons = new QHBoxLayout(FontButtonPanel);
    fontButtons->setContentsMargins(0, 0, 0, 0);
    fontButtons->setSpacing(4);
    fontButtons->addWidget(FontButton);
    fontButtons->addWidget(ColorButton);

    auto *buttons = new QHBoxLayout(ButtonPanel);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(6);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    auto *footer = new QHBoxLayout(FooterPanel);
    footer->setContentsMargins(4, 3, 6, 3);
    footer->addStretch(1);
    footer->addWidget(ButtonPanel);

    MainSplitter->addWidget(CategoryPanel);
    MainSplitter->addWidget(MainPanel);
    MainSplitter->setStretchFactor(0, 0);
    MainSplitter->setStretchFactor(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(0);
    layout->addWidget(MainSplitter, 1);
    layout->addWidget(FooterPanel);
    setTreeWidth(treeWidth_);

    RestoreWindowPlacement(this, Section);
    FillCategoryTree();
    showSample();
}

void TOptionForm::FillCategoryTree()
{
    QList<CategoryPage> numbers;
    QList<QWidget *> pages;
    for (int index = 0; index < PageControl1->count(); ++index) {
        QWidget *page = PageControl1->widget(index);
        numbers.append({page->property(PageNumberProperty).toInt(), page->windowTitle()});
        pages.append(page);
    }
    const QSignalBlocker blocker(CategoryTree);
    CategoryTree->clear();
    for (const CategoryNode &node : DeriveCategoryTree(numbers))
        CategoryTree->addTopLevelItem(makeItem(node, pages));
    CategoryTree->expandAll();
}

QWidget *TOptionForm::pageOf(const QTreeWidgetItem *node)
{
    return node ? qobject_cast<QWidget *>(node->data(0, Qt::UserRole).value<QObject *>()) : nullptr;
}

void TOptionForm::FormShow()
{
    setTreeWidth(ReadSetting(Section, QStringLiteral("TreeWidth"), treeWidth()).toInt());
    QTreeWidgetItem *selected = CategoryTree->topLevelItem(0);
    const QString last = ReadSetting(Section, QStringLiteral("Last"), QString()).toString();
    for (QTreeWidgetItemIterator it(CategoryTree); *it; ++it) {
        if ((*it)->text(0) == last) {
            selected = *it;
            break;
        }
    }
    CategoryTree->setCurrentItem(selected);
    CategoryTreeChange(selected);
    CategoryTree->setFocus();
    LoadFontSettings(ViewSection, sampleFont_);
    sampleColor_ = ReadSetting(ViewSection, QStringLiteral("Color"), sampleColor_).toInt();
    showSample();
}

void TOptionForm::CategoryTreeChange(QTreeWidgetItem *node)
{
    if (!node)
        return;
    // A placeholder has no page: the page on display stays.
    if (QWidget *page = pageOf(node))
        PageControl1->setCurrentWidget(page);
    CaptionLabel->setText(node->text(0));
}

void TOptionForm::FontButtonClick()
{
    const QFont current = sampleFont_.toFont();
    std::optional<QFont> chosen;
    if (fontDialogRunner) {
        chosen = fontDialogRunner(current);
    } else {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, current, this);
        if (ok)
            chosen = font;
    }
    if (!chosen)
        return;
    FontSettings font = FontSettings::fromFont(*chosen, sampleFont_.color);
    font.charset = charsetOf(*chosen);
    setSampleFont(font);
}

void TOptionForm::ColorButtonClick()
{
    const QColor current = ColorFromValue(sampleColor_);
    std::optional<QColor> chosen;
    if (colorDialogRunner) {
        chosen = colorDialogRunner(current);
    } else {
        const QColor color = QColorDialog::getColor(current, this);
        if (color.isValid())
            chosen = color;
    }
    if (chosen && chosen->isValid())
        setSampleColor(ValueFromColor(*chosen));
}

void TOptionForm::OkButtonClick()
{
    SaveFontSettings(ViewSection, sampleFont_);
    WriteSetting(ViewSection, QStringLiteral("Color"), sampleColor_);
    accept();
}

void TOptionForm::CancelButtonClick()
{
    reject();
}

void TOptionForm::FormClose()
{
    WriteSetting(Section, QStringLiteral("TreeWidth"), treeWidth());
    if (QTreeWidgetItem *selected = CategoryTree->currentItem())
        WriteSetting(Section, QStringLiteral("Last"), selected->text(0));
    SaveWindowPlacement(this, Section);
    try {
        SaveSettings();
    } catch (const FileError &error) {
        ShowMessageBox(error.message(), QStringLiteral("Error"), platform::MB_ICONHAND);
    }
}

void TOptionForm::HelpButtonClick()
{
    if (!Appli)
        return;
    const QFileInfo help(Appli->HelpFile);
    const bool exists = help.exists() && !help.isDir();
    if (exists && platform::services().helpViewer->open(Appli->HelpFile, 3))
        return;
    // This dialog's own wording, Japanese in both languages, in a box it owns.
    platform::services().messageBox->show(
        this, exists ? Appli->NoBrowserText() : Appli->HelpFile + QStringLiteral(" が見つかりません。"),
        Appli->ProductName, platform::MB_OK | platform::MB_ICONWARNING);
}

void TOptionForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Coming back from minimised is no new opening.
    if (!event->spontaneous())
        FormShow();
}

void TOptionForm::done(int result)
{
    // OK, Cancel, Esc and the title bar all end here.
    FormClose();
    QDialog::done(result);
}

int TOptionForm::treeWidth() const
{
    return treeWidth_;
}

void TOptionForm::setTreeWidth(int width)
{
    treeWidth_ = qMax(0, width);
    const int rest = qMax(1, MainSplitter->width() - treeWidth_ - MainSplitter->handleWidth());
    MainSplitter->setSizes({treeWidth_, rest});
}

void TOptionForm::setSampleFont(const FontSettings &font)
{
    sampleFont_ = font;
    showSample();
}

void TOptionForm::setSampleColor(qint32 color)
{
    sampleColor_ = color;
    showSample();
}

void TOptionForm::showSample()
{
    FontPanel->setFont(sampleFont_.toFont());
    QPalette palette = FontPanel->palette();
    palette.setColor(QPalette::Window, ColorFromValue(sampleColor_));
    palette.setColor(QPalette::WindowText, sampleFont_.toColor());
    FontPanel->setPalette(palette);
}

} // namespace priomat
