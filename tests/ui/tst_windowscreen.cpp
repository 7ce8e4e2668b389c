// What the screen shows is readable and in reach: the consistency states and the coloured cells
// measured from rendered pixels, auxiliary windows inside the work area at a size that shows
// their content, and the Window menu bringing a covered window forward.
#include "MainWindowFixture.h"
#include "app/Placement.h"
#include "app/SettingsStore.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/main/ReadableColours.h"
#include "ui/windows/AlternativesForm.h"
#include "ui/windows/ResultForm.h"
#include "ui/windows/SensitivityPage.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace priomat;
using namespace priomat::test;

namespace {

// The contrast of the text in `area` of a rendering: the background is the colour at
// `backgroundAt`, the text the pixel that stands out from it most.
double textContrast(const QImage &image, const QRect &area, QPoint backgroundAt)
{
    const QColor background = image.pixelColor(backgroundAt);
    double best = 1.0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, ContrastRatio(image.pixelColor(x, y), background));
    return best;
}

} // namespace

class TestWindowScreen : public QObject
{
    Q_OBJECT

private slots:
    void init() { window_.start(); }
    void cleanup() { window_.finish(); }
    void consistencyStatesAreReadable();
    void ratioBesideTheIndex();
    void colouredCellsAreReadable();
    void auxiliaryWindowsOpenInsideTheWorkArea();
    void windowMenuRaisesACoveredWindow();

private:
    MainWindowFixture window_;
};

void TestWindowScreen::consistencyStatesAreReadable()
{
    // Two items with "a" entered one way only give CI = √a − 1: OK, check, inconsistent, and
    // a value that cannot be computed.
    for (const char *value : {"1.1025", "1.2544", "1.44", "abc"}) {
        window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n[Comparison]\r\nA\tB\t" + QByteArray(value)
                     + "\r\n");
        auto *edit = named<QLineEdit>(*window_.form, "ConsistencyEdit");
        const QImage image = edit->grab().toImage();
        // The text lies right of the warning sign, when there is one.
        int left = 2;
        for (const QToolButton *sign : edit->findChildren<QToolButton *>())
            if (sign->isVisible())
                left = std::max(left, sign->geometry().right() + 2);
        const QRect text(left, 3, edit->width() / 2 - left, edit->height() - 6);
        const double ratio = textContrast(image, text, QPoint(edit->width() - 6, edit->height() / 2));
        QVERIFY2(ratio >= ReadableContrast, qPrintable(QStringLiteral("%1: %2").arg(value).arg(ratio)));
    }
}

void TestWindowScreen::ratioBesideTheIndex()
{
    // 2, 2 and 1 around three items, RI(3) = 0.58.
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n[Comparison]\r\n"
                 "A\tB\t2\r\nB\tA\t1/2\r\nB\tC\t2\r\nC\tB\t1/2\r\nA\tC\t1\r\nC\tA\t1\r\n");
    auto *ratio = named<QLabel>(*window_.form, "ConsistencyRatio");
    const double ci = window_.form->session().shownMatrix().consistencyIndex;
    QVERIFY(ci > 0.0);
    QCOMPARE(ratio->text(), QStringLiteral("CR ") + QString::number(ci / 0.58, 'f', 2));
    QVERIFY(ratio->toolTip().contains(QStringLiteral("CR ≤ 0.1")));
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n[Comparison]\r\nA\tB\t3\r\n");
    QCOMPARE(ratio->text(), QStringLiteral("CR \u2013"));
}

void TestWindowScreen::colouredCellsAreReadable()
{
    // Entries far from and near the ratios the weights imply: every class of colour.
    QSet<quint32> classes;
    for (const char *entries : {"A\tB\t9\r\nB\tA\t1/9\r\nB\tC\t9\r\nC\tB\t1/9\r\nA\tC\t1/9\r\nC\tA\t9\r\n",
                                "A\tB\t2\r\nB\tA\t1/2\r\nB\tC\t2\r\nC\tB\t1/2\r\nA\tC\t1\r\nC\tA\t1\r\n"}) {
        window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n[Comparison]\r\n" + QByteArray(entries));
        if (!window_.form->colorOption())
            named<QAction>(*window_.form, "MenuColor")->trigger();
        auto *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
        const QImage image = grid->viewport()->grab().toImage();
        for (int row = 1; row <= 3; ++row) {
            for (int column = 1; column <= 3; ++column) {
                const quint32 colour = grid->cellColour(column, row);
                if (row == column || !colour)
                    continue;
                classes.insert(colour);
                const QRect cell = grid->visualRect(grid->model()->index(row, column));
                const double ratio = textContrast(image, cell.adjusted(1, 1, -2, -2), cell.bottomRight() - QPoint(3, 3));
                QVERIFY2(ratio >= ReadableContrast,
                         qPrintable(QStringLiteral("colour %1: %2").arg(colour, 6, 16, QChar(u'0')).arg(ratio)));
            }
        }
    }
    QVERIFY2(classes.size() == 4, qPrintable(QString::number(classes.size())));
}

void TestWindowScreen::auxiliaryWindowsOpenInsideTheWorkArea()
{
    window_.app->platform.system.screen = QSize(1366, 768);
    window_.app->platform.system.work = QRect(0, 0, 1366, 740);
    const QRect work = window_.app->platform.system.work;
    {
        // First start: every tab of the result window in view, the sensitivity page unscrolled.
        TResultForm result;
        result.show();
        QVERIFY(QTest::qWaitForWindowExposed(&result));
        QVERIFY(work.contains(result.frameGeometry()));
        QVERIFY(result.PageControl1->tabBar()->sizeHint().width() <= result.PageControl1->width());
        result.PageControl1->setCurrentWidget(result.Sensitivity);
        QVERIFY(result.Sensitivity->height() >= result.Sensitivity->contentSize().height());
        TAlternativesForm alternatives;
        alternatives.show();
        QVERIFY(work.contains(alternatives.frameGeometry()));
        QVERIFY(alternatives.AlternativesLabel->width() >= alternatives.AlternativesLabel->sizeHint().width());
    }
    // A stored place past the right edge (the history window's 1342 on 1366 pixels) is kept
    // inside, as is a window larger than the work area.
    WriteSetting("ResultForm", "Left", 1342);
    WriteSetting("ResultForm", "Top", 500);
    WriteSetting("ResultForm", "Width", 2000);
    WriteSetting("ResultForm", "Height", 300);
    TResultForm result;
    result.show();
    QVERIFY(QTest::qWaitForWindowExposed(&result));
    QVERIFY2(work.contains(result.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(result.x()).arg(result.y()).arg(result.width()).arg(result.height())));
    QCOMPARE(result.height(), 300);
    QCOMPARE(KeepInsideWorkArea(QRect(1342, 100, 260, 300), work, true), QRect(1106, 100, 260, 300));
}

void TestWindowScreen::windowMenuRaisesACoveredWindow()
{
    TAlternativesForm alternatives;
    window_.form->setAuxiliaryWindows(&alternatives, nullptr);
    auto *item = named<QAction>(*window_.form, "MenuAlternatives");
    invoke(*window_.form, "MenuWindowClick");
    item->trigger(); // shown
    QVERIFY(QTest::qWaitForWindowExposed(&alternatives));
    alternatives.move(window_.form->pos());
    window_.form->activateWindow();
    QTRY_VERIFY(window_.form->isActiveWindow());
    invoke(*window_.form, "MenuWindowClick");
    item->trigger(); // covered: comes forward, stays shown
    QVERIFY(alternatives.isVisible());
    QTRY_VERIFY(alternatives.isActiveWindow());
    invoke(*window_.form, "MenuWindowClick");
    item->trigger(); // in front: hidden
    QVERIFY(!alternatives.isVisible());
    window_.form->setAuxiliaryWindows(nullptr, nullptr);
}

QTEST_MAIN(TestWindowScreen)
#include "tst_windowscreen.moc"
