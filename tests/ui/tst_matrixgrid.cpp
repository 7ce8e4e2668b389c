// The comparison matrix grid and the pairwise comparison dialog, driven like a user would.
#include "MainWindowFixture.h"
#include "app/Appli.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/main/CompareForm.h"
#include "ui/main/TextFit.h"
#include "ui/windows/GroupForm.h"
#include "model/ComputationError.h"
#include "app/Frame.h"
#include "app/Placement.h"
#include "document/RequirementTreeModel.h"

#include <QUndoStack>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QHelpEvent>
#include <QToolTip>
#include <QTreeView>

using namespace priomat;
using namespace priomat::test;

class TestMatrixGrid : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cellTableOfALeaf();
    void oneItemMatrixAndHiddenGrid();
    void keyEntryAndReciprocalPending();
    void keyEntryWithoutInverse();
    void shiftedDigitsStoreReciprocals();
    void clickOpensTheDialogOnlyOnOneMatrixCell();
    void cancelStoresNothingButRecomputes();
    void coloursAfterEnteringNine();
    void consistencyIndexColours();
    void changeShownDashesToOne();
    void unreadableValueLeavesTheDisplay();
    void dialogPrepareAndKeys();
    void dialogLabelsLineUpWithTrack();
    void dialogTextsInBothLanguages();
    void dialogShowsLongTextsInFull();
    void keysOpenTheDialogBesideTheCurrentCell();
    void fixedRowAndColumnStayWhileScrolling();
    void userColumnWidthsAcrossRefreshes();
    void currentCellHeadersAreMarked();
    void cutCaptionsShowAsToolTips();
    void pairByPairAsksEveryOpenPair();
    void groupWindowOpensTheCombinedDocument();

private:
    void select(const QString &caption);
    QPoint cellCentre(int column, int row) const;

    MainWindowFixture window_;
};

void TestMatrixGrid::init()
{
    window_.start();
}

void TestMatrixGrid::cleanup()
{
    window_.finish();
}

void TestMatrixGrid::select(const QString &caption)
{
    RequirementNode *found = nullptr;
    window_.form->session().document().tree.forEachPreOrder([&](RequirementNode *node, int) {
        if (!found && node->caption() == caption)
            found = node;
    });
    QVERIFY(found);
    named<QTreeView>(*window_.form, "TreeTree")->setCurrentIndex(window_.form->treeModel()->indexOf(found));
}

QPoint TestMatrixGrid::cellCentre(int column, int row) const
{
    return named<TMatrixGrid>(*window_.form, "MatrixGrid")->visualRect(named<TMatrixGrid>(*window_.form, "MatrixGrid")->model()->index(row, column)).center();
}

const QByteArray ThreeItems = "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n"
                              "[Alternatives]\r\nx\r\ny\r\n";

void TestMatrixGrid::cellTableOfALeaf()
{
    // At the program's own font the design widths hold (wider fonts widen the columns).
    window_.form->setFont(DefaultFontSettings(false).toFont());
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n Price \r\n[Alternatives]\r\nx\r\n y \r\nz\r\n"
                 "[AlternativesComparison]\r\nPrice\tx\ty\t3\r\n");
    select("Price");
    // A caption with blanks around it finds its entries under the trimmed name.
    window_.form->treeModel()->setData(named<QTreeView>(*window_.form, "TreeTree")->currentIndex(), QStringLiteral(" Price "));
    window_.form->RefreshComparisonPanel();
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    QVERIFY(window_.form->session().shownMatrix().items.leafShown);
    QCOMPARE(grid->columnCount(), 5);
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(grid->cellText(0, 0), QString());
    QCOMPARE(grid->cellText(2, 0), QStringLiteral("(B)"));
    QCOMPARE(grid->cellText(0, 2), QStringLiteral("(B) y"));
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("3"));
    QCOMPARE(grid->cellText(1, 2), QStringLiteral("-"));
    QCOMPARE(grid->cellText(3, 3), QStringLiteral("1"));
    QCOMPARE(grid->cellText(4, 0), QStringLiteral("Weight"));
    QCOMPARE(grid->columnWidth(1), 24);
    QVERIFY(grid->columnWidth(4) >= 128); // wider where this machine's font needs it for the weights
    QCOMPARE(grid->columnWidth(0), 96);
    QVERIFY(!grid->cellText(4, 1).isEmpty());
}

void TestMatrixGrid::oneItemMatrixAndHiddenGrid()
{
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n Only\r\n  Leaf\r\n[Alternatives]\r\nx\r\n");
    select("Only");
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(0, 1), QStringLiteral("(A) Leaf"));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(1, 1), QStringLiteral("1"));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(2, 1), QStringLiteral("1"));
    QCOMPARE(named<QLineEdit>(*window_.form, "ConsistencyEdit")->text(), QStringLiteral("0"));
    select("Leaf"); // one alternative: a 1 x 1 matrix too
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(2, 1), QStringLiteral("1"));

    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n Leaf\r\n");
    select("Leaf"); // no alternatives: nothing to show
    QVERIFY(named<TMatrixGrid>(*window_.form, "MatrixGrid")->isHidden());
    QCOMPARE(named<QLineEdit>(*window_.form, "ConsistencyEdit")->text(), QString());
}

void TestMatrixGrid::keyEntryAndReciprocalPending()
{
    window_.open(ThreeItems);
    select("Goal");
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    grid->setFocus();
    grid->setCurrentCell(1, 2); // row A, column B
    QTest::keyClicks(grid, "05");
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("1/5"));
    QCOMPARE(grid->cellText(1, 2), QStringLiteral("5"));
    QCOMPARE(*window_.form->session().document().RequirementComparisons.value("A\tB"), QStringLiteral("1/5"));
    QCOMPARE(*window_.form->session().document().RequirementComparisons.value("B\tA"), QStringLiteral("5"));
    QVERIFY(window_.form->session().isModified());
    // The weights follow at once: B over A by 5.
    QVERIFY(window_.form->session().document().tree.root()->child(1)->data().LocalWeight
            > window_.form->session().document().tree.root()->child(0)->data().LocalWeight);

    QTest::keyClicks(grid, "0x7"); // a letter leaves the flag set
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("1/7"));
    QTest::keyClicks(grid, "/1"); // 1 stores 1 and clears the flag
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("1"));
    QTest::keyClicks(grid, "3");
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("3"));
    QCOMPARE(grid->cellText(1, 2), QStringLiteral("1/3"));

    // The flag is cleared by a digit even where nothing can be stored.
    grid->setCurrentCell(1, 1); // the diagonal
    QTest::keyClicks(grid, "04");
    QCOMPARE(grid->cellText(1, 1), QStringLiteral("1"));
    QVERIFY(!window_.form->session().typing().ReciprocalPending);
    grid->setCurrentCell(1, 2);
    QTest::keyClicks(grid, "6");
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("6"));
}

void TestMatrixGrid::keyEntryWithoutInverse()
{
    window_.open(ThreeItems);
    select("Goal");
    named<QAction>(*window_.form, "MenuInverse")->trigger(); // off
    named<TMatrixGrid>(*window_.form, "MatrixGrid")->setCurrentCell(1, 2);
    QTest::keyClicks(named<TMatrixGrid>(*window_.form, "MatrixGrid"), "5");
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(1, 2), QStringLiteral("-"));
    QVERIFY(!window_.form->session().document().RequirementComparisons.value("B\tA"));
}

void TestMatrixGrid::shiftedDigitsStoreReciprocals()
{
    window_.open(ThreeItems);
    select("Goal");
    named<TMatrixGrid>(*window_.form, "MatrixGrid")->setCurrentCell(1, 3); // row A, column C
    QTest::keyClicks(named<TMatrixGrid>(*window_.form, "MatrixGrid"), "#");
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 1), QStringLiteral("1/3"));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(1, 3), QStringLiteral("3"));
    QTest::keyClicks(named<TMatrixGrid>(*window_.form, "MatrixGrid"), ")");
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 1), QStringLiteral("1/9"));
    QTest::keyClicks(named<TMatrixGrid>(*window_.form, "MatrixGrid"), "!");
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 1), QStringLiteral("1"));
}

void TestMatrixGrid::clickOpensTheDialogOnlyOnOneMatrixCell()
{
    window_.open(ThreeItems);
    select("Goal");
    int opened = 0;
    window_.dialogs.compare = [&opened](TCompareForm &dialog) {
        ++opened;
        dialog.Label1Click(13); // " 5": row item strongly more important
        return int(dialog.result());
    };
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cellCentre(3, 1));
    QCOMPARE(opened, 0);
    for (const QPoint &cell : {QPoint(1, 1), QPoint(0, 1), QPoint(2, 0), QPoint(4, 1)}) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(cell.x(), cell.y()));
        QCOMPARE(opened, 0);
    }
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, cellCentre(2, 1));
    QCOMPARE(opened, 1);
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("5"));
    QCOMPARE(grid->cellText(1, 2), QStringLiteral("1/5"));
}

void TestMatrixGrid::cancelStoresNothingButRecomputes()
{
    window_.open(ThreeItems);
    select("Goal");
    // Weights that the document's entries do not give, to see them recomputed.
    window_.form->session().document().tree.root()->child(0)->data().LocalWeight = 0.9;
    window_.dialogs.compare = [](TCompareForm &dialog) {
        dialog.TrackBar1->setValue(17);
        dialog.reject();
        return int(dialog.result());
    };
    QTest::mouseClick(named<TMatrixGrid>(*window_.form, "MatrixGrid")->viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(2, 1), QStringLiteral("-"));
    QVERIFY(window_.form->session().document().RequirementComparisons.isEmpty());
    QCOMPARE(window_.form->session().document().tree.root()->child(0)->data().LocalWeight, 1.0 / 3.0);
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(4, 1), QStringLiteral("0.333333333333333"));
}

void TestMatrixGrid::coloursAfterEnteringNine()
{
    window_.open(ThreeItems);
    select("Goal");
    named<TMatrixGrid>(*window_.form, "MatrixGrid")->setCurrentCell(1, 2);
    QTest::keyClicks(named<TMatrixGrid>(*window_.form, "MatrixGrid"), "9");
    const TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    QCOMPARE(grid->cellColour(2, 1), 0x0000FFu); // A over B: red
    QCOMPARE(grid->cellColour(1, 2), 0xFF0000u); // B over A: blue
    for (const QPoint &cell : {QPoint(3, 1), QPoint(1, 3), QPoint(3, 2), QPoint(2, 3), QPoint(1, 1)})
        QCOMPARE(grid->cellColour(cell.x(), cell.y()), 0u); // "-" cells and the diagonal
    // The colours are kept whether or not they are drawn.
    QVERIFY(!grid->useColours);
    named<QAction>(*window_.form, "MenuColor")->trigger();
    QVERIFY(grid->useColours);
    named<QAction>(*window_.form, "MenuColor")->trigger();
    QVERIFY(!grid->useColours);
}

void TestMatrixGrid::consistencyIndexColours()
{
    // Two items with "a" entered one way only give CI = √a − 1: 0.05, 0.12 and 0.2. A warning
    // state's colour is the badge behind the index (red a little lightened).
    const struct
    {
        const char *value;
        QColor colour;
    } cases[] = {{"1.1025", QApplication::palette().color(QPalette::Window)},
                 {"1.2544", QColor(255, 255, 0)},
                 {"1.44", QColor(255, 77, 77)}};
    for (const auto &c : cases) {
        window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n[Comparison]\r\nA\tB\t"
                     + QByteArray(c.value) + "\r\n");
        select("Goal");
        const double ci = window_.form->session().document().tree.root()->data().ConsistencyIndex;
        const QLineEdit *edit = named<QLineEdit>(*window_.form, "ConsistencyEdit");
        QCOMPARE(edit->palette().color(QPalette::Base), c.colour);
        QVERIFY2((c.colour == QColor(255, 77, 77)) == (ci > 0.15), qPrintable(QString::number(ci)));
        // The state is read with the number, not only shown by colour.
        QCOMPARE(edit->accessibleDescription(), ci > 0.15  ? QStringLiteral("The consistency index is above 0.15")
                                                : ci > 0.1 ? QStringLiteral("The consistency index is above 0.1 (acceptable up to 0.15 in some cases)")
                                                           : QStringLiteral("The consistency index is 0.1 or less: acceptable"));
    }
}

void TestMatrixGrid::changeShownDashesToOne()
{
    window_.open(ThreeItems);
    select("Goal");
    invoke(*window_.form, "MenuToolClick");
    QVERIFY(named<QAction>(*window_.form, "MenuChangeShown1")->isEnabled());
    named<QAction>(*window_.form, "MenuChangeShown1")->trigger();
    for (int row = 1; row <= 3; ++row)
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(column, row), QStringLiteral("1"));
    QCOMPARE(window_.form->session().document().RequirementComparisons.size(), 6);
    invoke(*window_.form, "MenuToolClick");
    QVERIFY(!named<QAction>(*window_.form, "MenuChangeShown1")->isEnabled());
}

void TestMatrixGrid::unreadableValueLeavesTheDisplay()
{
    // A value that cannot be read: no weights, no index, the cell marked, the error once; and
    // selecting another matrix and back never shows numbers from elsewhere.
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n L\r\n M\r\n[Alternatives]\r\nx\r\ny\r\n"
                 "[AlternativesComparison]\r\nL\tx\ty\t2\r\nM\tx\ty\t3\r\n");
    select("L");
    QVERIFY(!named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 1).isEmpty());
    window_.app->platform.messageBox.shown.clear();
    window_.form->session().editableDocument().AlternativeComparisons.store("L\tx\ty", "abc");
    window_.form->session().refreshShown();
    QCOMPARE(window_.app->platform.messageBox.shown.size(), 1);
    QVERIFY(window_.app->platform.messageBox.shown.at(0).text.contains("'abc'"));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(2, 1), QStringLiteral("abc"));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->markedCell, QPoint(2, 1));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 1), QString());
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 2), QString());
    QCOMPARE(named<QLineEdit>(*window_.form, "ConsistencyEdit")->text(), QStringLiteral("cannot be computed"));

    select("M");
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->markedCell, QPoint(-1, -1));
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 1), QStringLiteral("0.633974596215561")); // √3 / (√3 + 1)
    select("L");
    QCOMPARE(window_.app->platform.messageBox.shown.size(), 2); // said again on selection
    QCOMPARE(named<TMatrixGrid>(*window_.form, "MatrixGrid")->cellText(3, 1), QString());
    QCOMPARE(named<QLineEdit>(*window_.form, "ConsistencyEdit")->text(), QStringLiteral("cannot be computed"));
}

void TestMatrixGrid::dialogPrepareAndKeys()
{
    TCompareForm dialog;
    dialog.Prepare("", "A", "B", "-");
    QCOMPARE(dialog.TrackBar1->value(), 9);
    QCOMPARE(dialog.ValueText, QStringLiteral("1"));
    dialog.Prepare("", "A", "B", "1/3");
    QCOMPARE(dialog.TrackBar1->value(), 7);
    QCOMPARE(dialog.ReciprocalText, QStringLiteral("3"));
    dialog.Prepare("", "A", "B", "5");
    QCOMPARE(dialog.TrackBar1->value(), 13);
    dialog.Prepare("", "A", "B", "12");
    QCOMPARE(dialog.TrackBar1->value(), 17);
    QCOMPARE(dialog.ValueText, QStringLiteral("12")); // kept until the bar moves
    QVERIFY_THROWS_EXCEPTION(ComputationError, dialog.Prepare("", "A", "B", "2.5"));

    dialog.TrackBar1->setValue(1);
    QCOMPARE(dialog.ValueText, QStringLiteral("1/9"));
    QCOMPARE(dialog.ReciprocalText, QStringLiteral("9"));
    dialog.TrackBar1->setValue(17);
    QCOMPARE(dialog.ValueText, QStringLiteral("9"));
    QCOMPARE(dialog.ReciprocalText, QStringLiteral("1/9"));

    TCompareForm keyed;
    keyed.Prepare("", "A", "B", "-");
    QTest::keyClick(&keyed, Qt::Key_7);
    QCOMPARE(keyed.result(), int(QDialog::Accepted));
    QCOMPARE(keyed.ValueText, QStringLiteral("7"));
    QCOMPARE(keyed.ReciprocalText, QStringLiteral("1/7"));

    TCompareForm clicked;
    clicked.Prepare("", "A", "B", "-");
    QTest::mouseClick(clicked.Labels[7], Qt::LeftButton);
    QCOMPARE(clicked.result(), int(QDialog::Accepted));
    QCOMPARE(clicked.ValueText, QStringLiteral("1/2"));
    QCOMPARE(clicked.ReciprocalText, QStringLiteral("2"));

    TCompareForm escaped;
    escaped.Prepare("", "A", "B", "-");
    escaped.show();
    QTest::keyClick(&escaped, Qt::Key_Escape);
    QCOMPARE(escaped.result(), int(QDialog::Rejected));

    TCompareForm credit;
    window_.app->platform.messageBox.shown.clear();
    QTest::mouseClick(credit.TitleLabel, Qt::LeftButton);
    QCOMPARE(window_.app->platform.messageBox.shown.at(0).text, QStringLiteral("Programed by Tarvek."));
    QCOMPARE(window_.app->platform.messageBox.shown.at(0).caption, QStringLiteral("Programer"));
}

void TestMatrixGrid::dialogLabelsLineUpWithTrack()
{
    TCompareForm dialog;
    dialog.Prepare("", "A", "B", "-");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    int previous = -1;
    for (int n = 1; n <= 17; ++n) {
        const int centre = dialog.Labels[size_t(n - 1)]->geometry().center().y();
        QVERIFY(std::abs(centre - dialog.trackPositionY(n)) <= 1);
        QVERIFY(centre > previous);
        previous = centre;
    }
}

void TestMatrixGrid::dialogTextsInBothLanguages()
{
    TCompareForm english;
    english.Prepare("Price", "Car A", "Car B", "-");
    QCOMPARE(english.windowTitle(), QStringLiteral("Compare / Priomat"));
    QCOMPARE(english.TitleLabel->text(), QStringLiteral("Compare \"Car A\" and \"Car B\" for \"Price\"."));
    QCOMPARE(english.Labels[0]->text(), QStringLiteral("1/9  \"Car B\" has absolute importance"));
    QCOMPARE(english.Labels[8]->text(), QStringLiteral(" 1   equal importance"));
    QCOMPARE(english.Labels[16]->text(), QStringLiteral(" 9   \"Car A\" has absolute importance"));
    QCOMPARE(english.Labels[1]->text(), QString());
    QCOMPARE(english.OKButton->text(), QStringLiteral("OK"));

    Appli->Japanese = true;
    TCompareForm japanese;
    japanese.Prepare("", "A", "B", "-");
    QCOMPARE(japanese.windowTitle(), QString::fromUtf8("一対比較 / Priomat"));
    QCOMPARE(japanese.TitleLabel->text(), QString::fromUtf8("「A」と「B」との比較"));
    QCOMPARE(japanese.Labels[6]->text(), QString::fromUtf8("1/3  「B」の方がやや重要(weak importance)"));
    QCOMPARE(japanese.Labels[10]->text(), QString::fromUtf8(" 3   「A」の方がやや重要(weak importance)"));
    QCOMPARE(japanese.CancelButton->text(), QString::fromUtf8("キャンセル"));
    japanese.Prepare("L", "A", "B", "-");
    QCOMPARE(japanese.TitleLabel->text(), QString::fromUtf8("「L」に関する「A」と「B」との比較"));
}

void TestMatrixGrid::dialogShowsLongTextsInFull()
{
    for (const bool japanese : {false, true}) {
        Appli->Japanese = japanese;
        TCompareForm dialog;
        dialog.Prepare("Commute time to the office", "Riverside Tower", "Old Town Loft", "-");
        QVERIFY(!dialog.TitleLabel->wordWrap());
        QVERIFY(dialog.TitleLabel->width() >= dialog.TitleLabel->sizeHint().width());
        QVERIFY(dialog.TitleLabel->geometry().right() < dialog.width());
        for (const ClickableLabel *label : dialog.Labels) {
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            QVERIFY(label->height() >= label->sizeHint().height());
            QVERIFY(label->geometry().right() < dialog.width());
        }

        // A question wider than the screen wraps within it, above the scale.
        const QString longName = QStringLiteral("very long name ").repeated(40);
        dialog.Prepare(longName, "A", "B", "-");
        const QRect area = dialog.screen()->availableGeometry();
        QVERIFY(dialog.width() <= area.width());
        QVERIFY(dialog.TitleLabel->wordWrap());
        QVERIFY(dialog.TitleLabel->height() >= dialog.TitleLabel->heightForWidth(dialog.TitleLabel->width()));
        QVERIFY(dialog.TitleLabel->geometry().bottom() < dialog.TrackBar1->y());
        QVERIFY(dialog.Labels[0]->y() > dialog.TitleLabel->geometry().bottom());
        QVERIFY(dialog.TrackBar1->geometry().bottom() < dialog.Panel1->y());
    }
}

void TestMatrixGrid::keysOpenTheDialogBesideTheCurrentCell()
{
    window_.open(ThreeItems);
    select("Goal");
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    QStringList questions;
    QList<QRect> places;
    window_.dialogs.compare = [&](TCompareForm &dialog) {
        questions << dialog.TitleLabel->text();
        places << dialog.frameGeometry();
        dialog.Label1Click(13); // " 5"
        return int(dialog.result());
    };
    const std::pair<Qt::Key, QPoint> cases[] = {
        {Qt::Key_Return, {2, 1}}, {Qt::Key_Space, {3, 1}}, {Qt::Key_F2, {3, 2}}};
    for (const auto &[key, cell] : cases) {
        grid->setCurrentCell(cell.y(), cell.x());
        QTest::keyClick(grid, key);
        QCOMPARE(grid->cellText(cell.x(), cell.y()), QStringLiteral("5"));
        QCOMPARE(grid->cellText(cell.y(), cell.x()), QStringLiteral("1/5"));
        // The first time, without a stored placement, the dialog stands next to the cell, not
        // over it; afterwards it keeps the placement it was closed with.
        if (places.size() == 1) {
            const QRect onScreen = grid->cellRectOnScreen(cell.x(), cell.y());
            QVERIFY(!places.last().intersects(onScreen));
            QVERIFY(places.last().top() <= onScreen.bottom() && places.last().bottom() >= onScreen.top());
        } else {
            QCOMPARE(places.last().topLeft(), places.first().topLeft());
        }
    }
    QCOMPARE(questions, (QStringList{"Compare \"A\" and \"B\".", "Compare \"A\" and \"C\".",
                                     "Compare \"B\" and \"C\"."}));
    // The diagonal and the weight column open nothing.
    for (const QPoint &cell : {QPoint(1, 1), QPoint(4, 1)}) {
        grid->setCurrentCell(cell.y(), cell.x());
        QTest::keyClick(grid, Qt::Key_F2);
    }
    QCOMPARE(questions.size(), 3);
}

namespace {

QByteArray manyItems(int n, const QString &prefix)
{
    QByteArray content = "Priomat - Data File\r\n[Tree]\r\nGoal\r\n";
    for (int i = 1; i <= n; ++i)
        content += " " + (prefix + QString::number(i)).toUtf8() + "\r\n";
    return content;
}

QColor pixel(const QImage &image, const QPoint &point)
{
    return image.pixelColor(point);
}

} // namespace

void TestMatrixGrid::fixedRowAndColumnStayWhileScrolling()
{
    window_.open(manyItems(40, QStringLiteral("Item ")));
    select("Goal");
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    QHeaderView *header = grid->horizontalHeader();
    QTableView *names = grid->nameColumn();
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    QVERIFY(grid->horizontalScrollBar()->maximum() > 0 && grid->verticalScrollBar()->maximum() > 0);

    // The name column stands at the left edge, as wide as column 0, over the header and the
    // cells, and is seen whole; the row of column headers is seen whole beside it, above the cells.
    QCOMPARE(names->geometry().topLeft(), QPoint(grid->frameWidth(), grid->frameWidth()));
    QCOMPARE(names->width(), grid->columnWidth(0));
    QCOMPARE(names->viewport()->visibleRegion(), QRegion(names->viewport()->rect()));
    const QRegion headerBeside(QRect(names->width(), 0, header->width() - names->width(), header->height()));
    QCOMPARE(header->viewport()->visibleRegion().intersected(headerBeside), headerBeside);
    QCOMPARE(header->geometry().bottom() + 1, grid->viewport()->geometry().top());
    // Beside it, the headers and names belong to the cells the scroll brought into view.
    const QPoint inside(grid->columnWidth(0) + 5, grid->viewport()->height() / 2);
    const int column = grid->columnAt(inside.x());
    const int row = grid->rowAt(inside.y());
    QVERIFY(column > 1 && row > 1);
    QCOMPARE(header->logicalIndexAt(inside.x()), column);
    QCOMPARE(names->rowAt(inside.y()), row);
    QCOMPARE(names->indexAt(QPoint(5, inside.y())).data().toString(), grid->cellText(0, row));

    // Going left with the keyboard brings column 1 out from under the names, never into them.
    grid->setFocus();
    grid->setCurrentCell(row, column);
    for (int i = 0; i < column + 2; ++i)
        QTest::keyClick(grid, Qt::Key_Left);
    QCOMPARE(grid->currentColumn(), 1);
    QCOMPARE(grid->visualRect(grid->model()->index(row, 1)).left(), grid->columnWidth(0));
}

void TestMatrixGrid::userColumnWidthsAcrossRefreshes()
{
    // At the program's own font the design widths hold (wider fonts widen the columns).
    window_.form->setFont(DefaultFontSettings(false).toFont());
    window_.open(ThreeItems);
    select("Goal");
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    const int weightWidth = grid->columnWidth(4);
    QVERIFY(weightWidth >= 128);
    // The user drags the edges: column 0 on the name column's header, the others on the row above.
    grid->nameColumn()->horizontalHeader()->resizeSection(0, 180);
    grid->horizontalHeader()->resizeSection(2, 60);
    QCOMPARE(grid->columnWidth(0), 180);
    QCOMPARE(grid->columnWidth(2), 60);
    QCOMPARE(grid->nameColumn()->width(), 180);
    // Entries keep them; a value wider than its column widens it, and every text stays whole.
    grid->setCurrentCell(1, 2);
    QTest::keyClicks(grid, "7");
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("7"));
    QCOMPARE(grid->columnWidth(2), 60);
    window_.form->session().editableDocument().RequirementComparisons.store(requirementKey("A", "C"), "0.3333333333");
    window_.form->session().refreshShown();
    QCOMPARE(grid->cellText(3, 1), QStringLiteral("0.3333333333"));
    const QFontMetrics bold(BoldFont(grid->font()));
    for (int column = 1; column < grid->columnCount(); ++column)
        for (int row = 0; row < grid->rowCount(); ++row)
            QVERIFY2(bold.horizontalAdvance(grid->cellText(column, row)) + 3 <= grid->columnWidth(column),
                     qPrintable(grid->cellText(column, row)));
    // Other nodes, one with no grid at all (a leaf without alternatives), and back.
    window_.open(QByteArray(ThreeItems).replace("[Alternatives]\r\nx\r\ny\r\n", ""));
    select("A");
    QVERIFY(grid->isHidden());
    select("Goal");
    QCOMPARE(grid->columnWidth(0), 180);
    QCOMPARE(grid->nameColumn()->width(), 180);
    QCOMPARE(grid->columnWidth(2), 24);
    QCOMPARE(grid->columnWidth(4), weightWidth);
}

void TestMatrixGrid::currentCellHeadersAreMarked()
{
    window_.open(ThreeItems);
    select("Goal");
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    QHeaderView *header = grid->horizontalHeader();
    QTableView *names = grid->nameColumn();
    // A point in the blank right part of a header section and of a name cell, in grid coordinates.
    auto sectionPoint = [&](int column) {
        return header->geometry().topLeft() + QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) - 3, 3);
    };
    auto namePoint = [&](int row) {
        const QRect cell = names->visualRect(names->model()->index(row, 0));
        return names->geometry().topLeft() + names->viewport()->geometry().topLeft() + QPoint(cell.right() - 3, cell.top() + 3);
    };
    for (const QPoint &current : {QPoint(3, 2), QPoint(1, 3)}) {
        grid->setCurrentCell(current.y(), current.x());
        const QImage image = grid->grab().toImage();
        for (int i = 1; i <= 3; ++i) {
            const int other = i % 3 + 1;
            QCOMPARE(pixel(image, sectionPoint(i)) != pixel(image, sectionPoint(other)), i == current.x() || other == current.x());
            QCOMPARE(pixel(image, namePoint(i)) != pixel(image, namePoint(other)), i == current.y() || other == current.y());
        }
        QVERIFY(grid->isHeaderMarked(current.x(), 0) && grid->isHeaderMarked(0, current.y()));
    }
}

void TestMatrixGrid::cutCaptionsShowAsToolTips()
{
    const QString longName = QStringLiteral("A requirement with a caption far too long for the panel");
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n " + longName.toUtf8() + "\r\n Short\r\n");
    select("Goal");
    window_.form->setTreeWidth(120);
    QTreeView *tree = named<QTreeView>(*window_.form, "TreeTree");
    TMatrixGrid *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    auto tipAt = [](QWidget *viewport, const QPoint &point) {
        QToolTip::hideText();
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
            return QStringLiteral("(a tooltip stayed up)");
        QHelpEvent event(QEvent::ToolTip, point, viewport->mapToGlobal(point));
        QApplication::sendEvent(viewport, &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    auto treePoint = [&](int row) {
        return tree->visualRect(window_.form->treeModel()->indexOf(window_.form->session().document().tree.root()->child(row))).center();
    };
    QCOMPARE(tipAt(tree->viewport(), treePoint(0)), longName);
    QCOMPARE(tipAt(tree->viewport(), treePoint(1)), QString());
    QTableView *names = grid->nameColumn();
    auto namePoint = [&](int row) { return names->visualRect(names->model()->index(row, 0)).center(); };
    QCOMPARE(tipAt(names->viewport(), namePoint(1)), "(A) " + longName);
    QCOMPARE(tipAt(names->viewport(), namePoint(2)), QString());
    QHeaderView *header = grid->horizontalHeader();
    header->resizeSection(1, 10);
    QCOMPARE(tipAt(header->viewport(), QPoint(header->sectionViewportPosition(1) + 5, 5)), QStringLiteral("(A)"));
    QCOMPARE(tipAt(header->viewport(), QPoint(header->sectionViewportPosition(2) + 5, 5)), QString());
    QToolTip::hideText();
}

void TestMatrixGrid::pairByPairAsksEveryOpenPair()
{
    window_.open(ThreeItems);
    QStringList questions;
    window_.dialogs.compare = [&questions](TCompareForm &dialog) {
        questions.append(dialog.TitleLabel->text());
        if (questions.size() == 5) {
            dialog.reject(); // Escape
            return int(dialog.result());
        }
        dialog.TrackBar1->setValue(11);
        dialog.accept();
        return int(dialog.result());
    };
    named<QAction>(*window_.form, "MenuPairByPair")->trigger();
    // The requirement matrix first, its owner named, then each leaf's alternatives.
    QCOMPARE(questions.size(), 5);
    QVERIFY2(questions.first().startsWith("Pair 1 of 6") && questions.first().contains("for \"Goal\""),
             qPrintable(questions.first()));
    QVERIFY2(questions.at(3).startsWith("Pair 4 of 6") && questions.at(3).contains("\"x\" and \"y\" for \"A\""),
             qPrintable(questions.at(3)));
    const Document &document = window_.form->session().document();
    QCOMPARE(document.RequirementComparisons.size(), 6);
    QCOMPARE(document.AlternativeComparisons.size(), 2);
    QCOMPARE(*document.RequirementComparisons.value(requirementKey("B", "C")), QStringLiteral("3"));
    QCOMPARE(window_.form->session().undoStack()->count(), 4);
}

void TestMatrixGrid::groupWindowOpensTheCombinedDocument()
{
    const QString folder = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/group/");
    named<QAction>(*window_.form, "MenuGroup")->trigger();
    TGroupForm *group = window_.form->groupWindow();
    QVERIFY(group && group->isVisible());
    group->addFiles({folder + "anna.ahp", folder + "ben.ahp", folder + "chika.ahp"});
    group->waitForResult();
    QTRY_VERIFY(group->result());
    QCOMPARE(group->result()->participantNames.size(), 3);
    QVERIFY(named<QLabel>(*group, "StatusLabel")->text().contains("ben.ahp"));

    named<QPushButton>(*group, "OpenButton")->click();
    const DocumentSession &session = window_.form->session();
    QVERIFY(session.fileName().isEmpty());
    QVERIFY(session.isModified());
    QCOMPARE(*session.document().RequirementComparisons.value(requirementKey("Cost", "Access")),
             QStringLiteral("1.14471424255333"));
    QCOMPARE(session.results().alternatives.last().text(), QStringLiteral("0.414418308266645"));
}

QTEST_MAIN(TestMatrixGrid)
#include "tst_matrixgrid.moc"
