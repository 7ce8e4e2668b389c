// The result window's certainty page on a live session: a run to its end, a change during a
// run, Cancel, and a document that cannot be evaluated.
#include "AppFixture.h"
#include "RecordingHost.h"
#include "app/Frame.h"
#include "document/CertaintyRun.h"
#include "document/DocumentSession.h"
#include "ui/windows/CertaintyPage.h"
#include "ui/windows/ResultForm.h"

#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

using namespace priomat;
using namespace priomat::test;

namespace {

constexpr int RunTimeout = 30000;

// The row of an alternative in the rank table.
QStringList rankRow(const CertaintyPage *page, const QString &name)
{
    for (int i = 0; i < page->RankList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = page->RankList->topLevelItem(i);
        if (item->text(0) == name) {
            QStringList cells;
            for (int column = 0; column < item->columnCount(); ++column)
                cells.append(item->text(column));
            return cells;
        }
    }
    return {};
}

// Every run the page started has ended and said what it had to say.
void settle(CertaintyPage *page)
{
    QTRY_VERIFY_WITH_TIMEOUT(!page->isRunning() && page->findChildren<QThread *>().isEmpty(), RunTimeout);
    QCoreApplication::processEvents();
}

struct Setup
{
    Setup()
    {
        app.platform.system.japanese = false;
        FrameStartup();
        session.setHost(&host);
        session.setJapanese(false);
        session.open(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp"));
        form.attachSession(&session);
        page = form.Certainty;
    }
    void show()
    {
        form.PageControl1->setCurrentWidget(page);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    AppFixture app;
    RecordingHost host;
    DocumentSession session;
    TResultForm form;
    CertaintyPage *page = nullptr;
};

} // namespace

class TestCertaintyPage : public QObject
{
    Q_OBJECT

private slots:
    void runsWhenShownAndChoosesJudgements();
    void changeDuringRunRestartsAndCancelStops();
    void failingDocumentSaysWhyOnce();
};

void TestCertaintyPage::runsWhenShownAndChoosesJudgements()
{
    Setup setup;
    CertaintyPage *page = setup.page;
    QSignalSpy shown(page, &CertaintyPage::resultShown);
    page->SpreadCombo->setCurrentIndex(2); // three steps: some draws change the winner
    QCoreApplication::processEvents();
    QVERIFY(!page->isRunning()); // hidden: nothing runs
    setup.show();
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, RunTimeout);
    QCOMPARE(page->RankList->topLevelItemCount(), 2);
    double sum = 0.0;
    for (const QString &car : {QStringLiteral("Car A"), QStringLiteral("Car B")})
        sum += rankRow(page, car).value(3).toDouble();
    QVERIFY(qAbs(sum - 1.0) < 0.0015); // three decimals each
    QCOMPARE(rankRow(page, QStringLiteral("Car B")).value(2), QStringLiteral("1"));
    QCOMPARE(page->MethodList->topLevelItemCount(), 2);
    QVERIFY(page->BestChart->accessibleDescription().contains(QStringLiteral("Car B: ")));
    QVERIFY(page->allText().startsWith(QStringLiteral("Alternative\tPoints\tRank\tP(best)")));

    // Choosing a judgement names the matrix that holds it.
    QVERIFY(page->JudgementList->topLevelItemCount() > 0);
    QSignalSpy chosen(page, &CertaintyPage::judgementChosen);
    page->JudgementList->setCurrentItem(page->JudgementList->topLevelItem(0));
    QCOMPARE(chosen.count(), 1);
    const auto judgement = chosen.at(0).at(0).value<JudgementInfluence>();
    const RequirementNode *node = JudgementNode(setup.session.document(), judgement);
    QVERIFY(node);
    QCOMPARE(node->caption(), judgement.owner);
}

void TestCertaintyPage::changeDuringRunRestartsAndCancelStops()
{
    Setup setup;
    CertaintyPage *page = setup.page;
    setup.show();
    QSignalSpy shown(page, &CertaintyPage::resultShown);
    page->DrawsSpin->setValue(100000);
    QVERIFY(page->isRunning() && page->Progress->isVisible());
    // Cost against Comfort at 1/5: Car A is best now. The run of the old judgements never shows.
    setup.session.enterValue({2, 1, QStringLiteral("1/5"), QStringLiteral("5")});
    settle(page);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(rankRow(page, QStringLiteral("Car A")).value(2), QStringLiteral("1"));

    QTest::mouseClick(page->RunButton, Qt::LeftButton);
    QVERIFY(page->isRunning() && page->CancelButton->isEnabled());
    QTest::mouseClick(page->CancelButton, Qt::LeftButton);
    QVERIFY(!page->isRunning());
    settle(page);
    QCOMPARE(shown.count(), 1);
    QVERIFY(page->Content->isHidden());
    QVERIFY(page->NoteLabel->text().startsWith(QStringLiteral("Cancelled")));
    QVERIFY(page->RunButton->isEnabled());
}

void TestCertaintyPage::failingDocumentSaysWhyOnce()
{
    Setup setup;
    CertaintyPage *page = setup.page;
    Document &document = setup.session.editableDocument();
    document.RequirementComparisons.store(requirementKey(QStringLiteral("Seats"), QStringLiteral("Noise")),
                                          QStringLiteral("x"));
    setup.session.reinstall();
    setup.show();
    QTRY_VERIFY_WITH_TIMEOUT(page->NoteLabel->text().contains(QStringLiteral("fails")), RunTimeout);
    settle(page);
    const QString note = page->NoteLabel->text();
    QVERIFY2(note.contains(QStringLiteral("Comfort")) && note.contains(QStringLiteral("x")), qPrintable(note));
    QVERIFY(page->Content->isHidden());
    // Shown again: the same note, and never a message box from the page.
    setup.form.PageControl1->setCurrentIndex(0);
    setup.form.PageControl1->setCurrentWidget(page);
    settle(page);
    QCOMPARE(page->NoteLabel->text(), note);
    QVERIFY(setup.app.platform.messageBox.shown.isEmpty());
}

QTEST_MAIN(TestCertaintyPage)
#include "tst_certaintypage.moc"
