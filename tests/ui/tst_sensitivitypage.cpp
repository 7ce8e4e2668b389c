// The result window's sensitivity page on a live session: it follows entries, copies its
// tables, saves its chart as PNG or SVG and falls back to a note without a decision to analyse.
#include "AppFixture.h"
#include "RecordingHost.h"
#include "app/Frame.h"
#include "document/DocumentSession.h"
#include "ui/windows/ResultForm.h"
#include "model/Sensitivity.h"
#include "ui/windows/SensitivityPage.h"

#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>

using namespace priomat;
using namespace priomat::test;

namespace {

QStringList rowTexts(const QTreeWidget *list, int row)
{
    QStringList texts;
    const QTreeWidgetItem *item = list->topLevelItem(row);
    for (int column = 0; item && column < item->columnCount(); ++column)
        texts.append(item->text(column));
    return texts;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSensitivityPage : public QObject
{
    Q_OBJECT

private slots:
    void followsEntriesCopiesAndSaves();
};

void TestSensitivityPage::followsEntriesCopiesAndSaves()
{
    AppFixture app;
    app.platform.system.japanese = false;
    FrameStartup();
    RecordingHost host;
    DocumentSession session;
    session.setHost(&host);
    session.setJapanese(false);
    QVERIFY(session.open(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp")));
    session.setCurrentNode(session.document().tree.root());

    TResultForm form;
    form.attachSession(&session);
    form.PageControl1->setCurrentWidget(form.Sensitivity);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    SensitivityPage *page = form.Sensitivity;
    const QString dash = NoChange;
    QCOMPARE(rowTexts(page->TippingList, 0), (QStringList{"Cost", "0.75", "Car B", "0.2", "Car A", dash, dash}));
    QCOMPARE(page->WeightChart->chart()->series().size(), 4); // two cars, the marker, one crossing

    // Cost against Comfort at 1/5: Cost weighs 1/6 and Car A wins. The page follows at once. At
    // 1/4 the cars tie, so 1/3, two steps up, is the nearest value that gives Car B back.
    session.enterValue({2, 1, QStringLiteral("1/5"), QStringLiteral("5")});
    QTRY_COMPARE(rowTexts(page->TippingList, 0).mid(1, 2), (QStringList{"0.166666666666667", "Car A"}));
    QCOMPARE(rowTexts(page->JudgementList, 0).mid(0, 7),
             (QStringList{"Cost", "Comfort", "1/5", dash, dash, dash, "1/3"}));
    QCOMPARE(rowTexts(page->JudgementList, 0).last(), QStringLiteral("!"));

    page->TippingList->setCurrentItem(page->TippingList->topLevelItem(1));
    form.MenuCopyClick();
    QCOMPARE(QGuiApplication::clipboard()->text(), rowTexts(page->TippingList, 1).join(u'\t'));
    form.MenuCopyAllClick();
    const QString all = QGuiApplication::clipboard()->text();
    QVERIFY2(all.startsWith(QStringLiteral("Child\tWeight\tBest\t")) && all.contains(QStringLiteral("\r\n\r\nRow\tColumn\t"))
                 && all.endsWith(QStringLiteral("\r\n")),
             qPrintable(all));

    for (const QString &name : {QStringLiteral("chart.png"), QStringLiteral("chart.SVG")}) {
        const QString path = app.environment.path(name);
        page->saveDialogRunner = [path](const QString &) { return path; };
        form.MenuSaveAsClick();
        const QByteArray bytes = fileBytes(path);
        QVERIFY2(name.endsWith(u'g') ? bytes.startsWith("\x89PNG") : bytes.contains("<svg"), qPrintable(name));
    }
    // A folder that does not exist: an error box, no file.
    page->saveDialogRunner = [&app](const QString &) { return app.environment.path("missing/chart.png"); };
    form.MenuSaveAsClick();
    QCOMPARE(app.platform.messageBox.shown.size(), 1);
    QVERIFY(!QFile::exists(app.environment.path("missing/chart.png")));

    // A value that cannot be read: the session reports it once, the page only shows why.
    session.enterValue({2, 1, QStringLiteral("abc"), QStringLiteral("abc")});
    QTRY_VERIFY(page->Content->isHidden());
    QVERIFY(page->NoteLabel->text().contains(QStringLiteral("abc")));
    QCOMPARE(host.errors.size(), 1);
    session.undoStack()->undo();
    QTRY_VERIFY(!page->Content->isHidden());

    session.setAlternativesText(QStringLiteral("Car A"));
    QTRY_VERIFY(page->Content->isHidden());
    QVERIFY(page->NoteLabel->text().contains(QStringLiteral("two or more alternatives")));
}

QTEST_MAIN(TestSensitivityPage)
#include "tst_sensitivitypage.moc"
