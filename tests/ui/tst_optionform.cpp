// The options dialog: derived category tree, texts, stored width, category, font and colour, help.
#include "app/Placement.h"
#include "AppFixture.h"
#include "app/Appli.h"
#include "app/Frame.h"
#include "ui/windows/OptionForm.h"
#include "app/SettingsStore.h"
#include "TestFiles.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

using namespace priomat;
using namespace priomat::test;

namespace {

QVariant stored(const QString &section, const char *name)
{
    return ReadSetting(section, QString::fromLatin1(name), QVariant());
}

CategoryNode node(const QString &text, int page, std::vector<CategoryNode> children = {})
{
    return CategoryNode{text, page, std::move(children)};
}

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

class TestOptionForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void deriveThreePages();
    void deriveSkippedNumbersMakePlaceholders();
    void deriveNegativeNumberHasNoNode();
    void controlsAndJapaneseTexts();
    void englishCaptionOtherTextsJapanese();
    void treeNodesCarryTheirPages();
    void negativePageCannotBeReached();
    void defaultGeometryAndWidth();
    void opensOnViewWithoutLastThenOnLastCategory();
    void storedTreeWidthIsRestored();
    void cancelKeepsFontButStoresWidthAndCategory();
    void titleBarCloseActsAsCancel();
    void okStoresFontPerLanguageAndColour();
    void unwritableSettingsFileIsReported();
    void colourValueConversion();
    void helpMissingIsReportedInJapanese();
    void helpOpensAtContextThree();

private:
    std::unique_ptr<TOptionForm> open(bool japanese = true);
    std::unique_ptr<TOptionForm> reopen();

    std::unique_ptr<AppFixture> app_;
};

void TestOptionForm::init()
{
    app_ = std::make_unique<AppFixture>();
}

void TestOptionForm::cleanup()
{
    app_.reset();
}

// Starts the frame in the language and shows a new dialog.
std::unique_ptr<TOptionForm> TestOptionForm::open(bool japanese)
{
    app_->platform.system.japanese = japanese;
    FrameStartup();
    return reopen();
}

// A further opening in the same run, as the main window does it.
std::unique_ptr<TOptionForm> TestOptionForm::reopen()
{
    auto dialog = std::make_unique<TOptionForm>();
    dialog->show();
    return dialog;
}

void TestOptionForm::deriveThreePages()
{
    const auto tree = DeriveCategoryTree({{0, u8("表示")}, {1, u8("フォント")}, {10, u8("編集")}});
    const std::vector<CategoryNode> expected{node(u8("表示"), 0, {node(u8("フォント"), 1)}), node(u8("編集"), 2)};
    QVERIFY(tree == expected);
}

void TestOptionForm::deriveSkippedNumbersMakePlaceholders()
{
    const auto alone = DeriveCategoryTree({{23, QStringLiteral("C")}});
    const std::vector<CategoryNode> expected{
        node("0", -1), node("1", -1), node("2", -1, {node("21", -1), node("22", -1), node("C", 0)})};
    QVERIFY(alone == expected);

    // Later pages fill placeholders in; order of pages does not matter for the places.
    const auto filled = DeriveCategoryTree({{12, "B2"}, {0, "A"}, {10, "B"}, {30, "D"}});
    const std::vector<CategoryNode> expectedFilled{
        node("A", 1), node("B", 2, {node("11", -1), node("B2", 0)}), node("2", -1), node("D", 3)};
    QVERIFY(filled == expectedFilled);
}

void TestOptionForm::deriveNegativeNumberHasNoNode()
{
    QVERIFY(DeriveCategoryTree({{-1, "Hidden"}}).empty());
    const auto tree = DeriveCategoryTree({{-5, "Hidden"}, {0, "A"}, {-10, "Also hidden"}});
    const std::vector<CategoryNode> expected{node("A", 1)};
    QVERIFY(tree == expected);
}

void TestOptionForm::controlsAndJapaneseTexts()
{
    auto dialog = open(true);
    for (const char *name : {"CategoryPanel", "CategoryLabel", "CategoryTree", "MainSplitter", "MainPanel",
                             "CaptionLabel", "PageControl1", "ViewPage", "FontPage", "FontLabel", "FontPanel",
                             "FontButtonPanel", "FontButton", "ColorButton", "EditPage", "FooterPanel",
                             "ButtonPanel", "OkButton", "CancelButton", "HelpButton"})
        QVERIFY2(dialog->findChild<QWidget *>(QString::fromLatin1(name)), name);
    QCOMPARE(dialog->windowTitle(), u8("設定 / Priomat"));
    QCOMPARE(dialog->FontPanel->text(), u8(" フォント見本"));
    QCOMPARE(dialog->FontPanel->height(), 48);
    QCOMPARE(dialog->FooterPanel->height(), 32);
    QCOMPARE(dialog->MainSplitter->handleWidth(), 8);
    QVERIFY(dialog->OkButton->isDefault());
    QCOMPARE(dialog->CategoryTree->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(dialog->focusWidget(), dialog->CategoryTree);
    // The buttons keep the dialog's font whatever the sample shows.
    dialog->setSampleFont(FontSettings{QStringLiteral("DejaVu Serif"), 0, 30});
    QCOMPARE(dialog->FontPanel->font().pointSize(), 30);
    QCOMPARE(dialog->FontButton->font().pointSize(), dialog->font().pointSize());
}

void TestOptionForm::englishCaptionOtherTextsJapanese()
{
    auto dialog = open(false);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Establishment / Priomat"));
    QCOMPARE(dialog->CategoryLabel->text(), u8("カテゴリ"));
    QCOMPARE(dialog->FontLabel->text(), u8("フォント"));
    QCOMPARE(dialog->FontPanel->text(), u8(" フォント見本"));
    QCOMPARE(dialog->FontButton->text(), u8("フォント"));
    QCOMPARE(dialog->ColorButton->text(), u8("地色"));
    QCOMPARE(dialog->OkButton->text(), u8("ＯＫ"));
    QCOMPARE(dialog->CancelButton->text(), u8("キャンセル"));
    QCOMPARE(dialog->HelpButton->text(), u8("ヘルプ"));
    QCOMPARE(dialog->CategoryTree->topLevelItem(0)->text(0), u8("表示"));
    QCOMPARE(dialog->CaptionLabel->text(), u8("表示"));
}

void TestOptionForm::treeNodesCarryTheirPages()
{
    auto dialog = open();
    QTreeWidget *tree = dialog->CategoryTree;
    QCOMPARE(tree->topLevelItemCount(), 2);
    QTreeWidgetItem *view = tree->topLevelItem(0);
    QTreeWidgetItem *edit = tree->topLevelItem(1);
    QCOMPARE(view->childCount(), 1);
    QTreeWidgetItem *font = view->child(0);
    QCOMPARE(font->text(0), u8("フォント"));
    QCOMPARE(edit->text(0), u8("編集"));
    QVERIFY(view->isExpanded());
    QCOMPARE(TOptionForm::pageOf(view), dialog->ViewPage);
    QCOMPARE(TOptionForm::pageOf(font), dialog->FontPage);
    QCOMPARE(TOptionForm::pageOf(edit), dialog->EditPage);

    // Choosing a node in the tree turns the page and the caption.
    tree->setCurrentItem(edit);
    QCOMPARE(dialog->PageControl1->currentWidget(), dialog->EditPage);
    QCOMPARE(dialog->CaptionLabel->text(), u8("編集"));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(font).center());
    QCOMPARE(dialog->PageControl1->currentWidget(), dialog->FontPage);
    QCOMPARE(dialog->CaptionLabel->text(), u8("フォント"));
}

void TestOptionForm::negativePageCannotBeReached()
{
    auto dialog = open();
    auto *hidden = new QWidget;
    hidden->setProperty(TOptionForm::PageNumberProperty, -1);
    hidden->setWindowTitle(QStringLiteral("Hidden"));
    dialog->PageControl1->addWidget(hidden);
    auto *far = new QWidget;
    far->setProperty(TOptionForm::PageNumberProperty, 23);
    far->setWindowTitle(QStringLiteral("Far"));
    dialog->PageControl1->addWidget(far);
    dialog->FillCategoryTree();

    QStringList texts;
    for (QTreeWidgetItemIterator it(dialog->CategoryTree); *it; ++it) {
        texts << (*it)->text(0);
        QVERIFY(TOptionForm::pageOf(*it) != hidden);
    }
    QCOMPARE(texts, (QStringList{u8("表示"), u8("フォント"), u8("編集"), "2", "21", "22", "Far"}));
}

void TestOptionForm::defaultGeometryAndWidth()
{
    app_->platform.system.japanese = true;
    FrameStartup();
    TOptionForm dialog;
    QCOMPARE(dialog.geometry(), QRect(70, 63, 461, 295));
    QCOMPARE(dialog.treeWidth(), 101);
    dialog.show();
    QCOMPARE(dialog.MainSplitter->sizes().value(0), 101);
    dialog.CancelButtonClick();
    QCOMPARE(stored("OptionForm", "Left").toInt(), 70);
    QCOMPARE(stored("OptionForm", "Width").toInt(), 461);
    QCOMPARE(stored("OptionForm", "State").toString(), QStringLiteral("Normal"));
}

void TestOptionForm::opensOnViewWithoutLastThenOnLastCategory()
{
    auto dialog = open();
    QCOMPARE(dialog->CategoryTree->currentItem()->text(0), u8("表示"));
    QCOMPARE(dialog->PageControl1->currentWidget(), dialog->ViewPage);
    QCOMPARE(dialog->CaptionLabel->text(), u8("表示"));
    dialog->CategoryTree->setCurrentItem(dialog->CategoryTree->topLevelItem(0)->child(0));
    dialog->OkButtonClick();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(stored("OptionForm", "Last").toString(), u8("フォント"));

    dialog = reopen();
    QCOMPARE(dialog->PageControl1->currentWidget(), dialog->FontPage);
    QCOMPARE(dialog->CaptionLabel->text(), u8("フォント"));
    QCOMPARE(dialog->CategoryTree->currentItem()->text(0), u8("フォント"));
}

void TestOptionForm::storedTreeWidthIsRestored()
{
    app_->platform.system.japanese = true;
    FrameStartup();
    WriteSetting("OptionForm", "TreeWidth", 150);
    auto dialog = reopen();
    QCOMPARE(dialog->treeWidth(), 150);
    QCOMPARE(dialog->MainSplitter->sizes().value(0), 150);
    // Dragging the splitter is what the next opening gets.
    dialog->MainSplitter->setSizes({120, 300});
    emit dialog->MainSplitter->splitterMoved(120, 1);
    dialog->CancelButtonClick();
    QCOMPARE(stored("OptionForm", "TreeWidth").toInt(), 120);
}

void TestOptionForm::cancelKeepsFontButStoresWidthAndCategory()
{
    auto dialog = open(true);
    dialog->CategoryTree->setCurrentItem(dialog->CategoryTree->topLevelItem(1));
    // Dialogs closed without a choice change nothing.
    dialog->fontDialogRunner = [](const QFont &) { return std::optional<QFont>(); };
    dialog->colorDialogRunner = [](const QColor &) { return std::optional<QColor>(); };
    dialog->FontButtonClick();
    dialog->ColorButtonClick();
    QCOMPARE(dialog->sampleFont(), DefaultFontSettings(true));
    QCOMPARE(dialog->sampleColor(), qint32(0x8000000Fu));

    QFont offered;
    dialog->fontDialogRunner = [&offered](const QFont &font) -> std::optional<QFont> {
        offered = font;
        return QFont(QStringLiteral("DejaVu Serif"), 20);
    };
    dialog->FontButtonClick();
    QCOMPARE(offered.family(), u8("ＭＳ Ｐゴシック"));
    QCOMPARE(offered.pointSize(), 9);
    QCOMPARE(dialog->sampleFont().name, QStringLiteral("DejaVu Serif"));
    QCOMPARE(dialog->sampleFont().size, 20);
    QCOMPARE(dialog->FontPanel->font().pointSize(), 20);

    dialog->CancelButtonClick();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!stored("Option\\View\\Font\\Japanese", "Name").isValid());
    QVERIFY(!stored("Option\\View", "Color").isValid());
    QCOMPARE(stored("OptionForm", "TreeWidth").toInt(), 101);
    QCOMPARE(stored("OptionForm", "Last").toString(), u8("編集"));
    const QByteArray file = readBytes(app_->environment.path("priomat.ini"));
    QVERIFY(file.contains("TreeWidth"));
    QVERIFY(file.contains(u8("編集").toUtf8()));
    QVERIFY(!file.contains("DejaVu"));

    dialog = reopen();
    QCOMPARE(dialog->sampleFont(), DefaultFontSettings(true));
}

void TestOptionForm::titleBarCloseActsAsCancel()
{
    auto dialog = open();
    dialog->CategoryTree->setCurrentItem(dialog->CategoryTree->topLevelItem(1));
    dialog->setSampleColor(0x0000FF);
    QVERIFY(dialog->close());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(stored("OptionForm", "Last").toString(), u8("編集"));
    QVERIFY(!stored("Option\\View", "Color").isValid());
    QVERIFY(QFile::exists(app_->environment.path("priomat.ini")));
}

void TestOptionForm::okStoresFontPerLanguageAndColour()
{
    auto dialog = open(false);
    QCOMPARE(dialog->sampleFont(), DefaultFontSettings(false)); // "Arial", 9 points
    QFont chosen(QStringLiteral("DejaVu Sans Mono"), 15);
    chosen.setBold(true);
    chosen.setItalic(true);
    dialog->fontDialogRunner = [&chosen](const QFont &) -> std::optional<QFont> { return chosen; };
    QColor offeredColour;
    dialog->colorDialogRunner = [&offeredColour](const QColor &colour) -> std::optional<QColor> {
        offeredColour = colour;
        return QColor(0x12, 0x34, 0x56);
    };
    dialog->FontButtonClick();
    dialog->ColorButtonClick();
    QCOMPARE(offeredColour, QApplication::palette().color(QPalette::Window)); // button face
    QCOMPARE(dialog->FontPanel->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
    QVERIFY(dialog->FontPanel->autoFillBackground());
    dialog->OkButtonClick();

    const QString english = QStringLiteral("Option\\View\\Font\\English");
    QCOMPARE(stored(english, "Name").toString(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(stored(english, "Size").toInt(), 15);
    QCOMPARE(stored(english, "Bold").toBool(), true);
    QCOMPARE(stored(english, "Italic").toBool(), true);
    QCOMPARE(stored(english, "Underline").toBool(), false);
    QCOMPARE(stored(english, "Color").toInt(), -2147483640);
    QCOMPARE(stored("Option\\View", "Color").toInt(), 0x563412);
    QVERIFY(!stored("Option\\View\\Font\\Japanese", "Name").isValid());

    // The next opening shows them again.
    dialog = reopen();
    QCOMPARE(dialog->sampleFont().name, QStringLiteral("DejaVu Sans Mono"));
    QVERIFY(dialog->sampleFont().bold);
    QCOMPARE(dialog->FontPanel->font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(dialog->FontPanel->font().pointSize(), 15);
    QCOMPARE(dialog->sampleColor(), 0x563412);
    QCOMPARE(dialog->FontPanel->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
    dialog->CancelButtonClick();

    // A Japanese run keeps its own font.
    FrameShutdown();
    dialog = open(true);
    QCOMPARE(dialog->sampleFont(), DefaultFontSettings(true));
    QCOMPARE(dialog->sampleColor(), 0x563412);
}

void TestOptionForm::unwritableSettingsFileIsReported()
{
    auto dialog = open();
    // A folder that cannot be made: "priomat" is the program file.
    Settings().setFileName(app_->environment.path("priomat/priomat.ini"));
    dialog->CancelButtonClick();
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QCOMPARE(app_->platform.messageBox.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(app_->platform.messageBox.shown[0].flags, 0x10u);
    QVERIFY(app_->platform.messageBox.shown[0].text.contains(QStringLiteral("priomat.ini")));
    QVERIFY(!dialog->isVisible());
}

void TestOptionForm::colourValueConversion()
{
    QCOMPARE(ColorFromValue(0x00FF8000), QColor(0x00, 0x80, 0xFF));
    QCOMPARE(ValueFromColor(QColor(0x00, 0x80, 0xFF)), 0x00FF8000);
    QCOMPARE(ValueFromColor(QColor(0xAB, 0xCD, 0xEF, 0x10)), 0x00EFCDAB);
    QCOMPARE(ValueFromColor(ColorFromValue(0x00123456)), 0x00123456);
    const QPalette palette = QApplication::palette();
    QCOMPARE(ColorFromValue(qint32(0x8000000Fu)), palette.color(QPalette::Window));
    QCOMPARE(ColorFromValue(qint32(0x80000005u)), palette.color(QPalette::Base));
    QCOMPARE(ColorFromValue(qint32(0x8000000Du)), palette.color(QPalette::Highlight));
}

void TestOptionForm::helpMissingIsReportedInJapanese()
{
    auto dialog = open(false);
    QVERIFY(!QFile::exists(Appli->HelpFile));
    dialog->HelpButtonClick();
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QCOMPARE(app_->platform.messageBox.shown[0].text, Appli->HelpFile + u8(" が見つかりません。"));
    QCOMPARE(app_->platform.messageBox.shown[0].caption, QStringLiteral("Priomat"));
    QCOMPARE(app_->platform.messageBox.shown[0].flags, 0x30u);
    QVERIFY(app_->platform.helpViewer.opened.isEmpty());
}

void TestOptionForm::helpOpensAtContextThree()
{
    auto dialog = open();
    QFile help(Appli->HelpFile);
    QVERIFY(help.open(QIODevice::WriteOnly));
    help.close();
    QTest::mouseClick(dialog->HelpButton, Qt::LeftButton);
    QCOMPARE(app_->platform.helpViewer.opened.size(), 1);
    QCOMPARE(app_->platform.helpViewer.opened[0].first, Appli->HelpFile);
    QCOMPARE(app_->platform.helpViewer.opened[0].second, 3);
    QVERIFY(app_->platform.messageBox.shown.isEmpty());
    QVERIFY(dialog->isVisible());
}

QTEST_MAIN(TestOptionForm)
#include "tst_optionform.moc"
