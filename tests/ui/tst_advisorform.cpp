// The advisor reached from the main window: button beside the index, Enter applies one step,
// completion warns about disconnected items.
#include "MainWindowFixture.h"
#include "app/Appli.h"
#include "app/Frame.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/windows/AdvisorForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>

using namespace priomat;
using namespace priomat::test;

class TestAdvisorForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void enterAppliesTheFirstSuggestion();
    void completionReportsDisconnectedGroups();

private:
    MainWindowFixture window_;
};

void TestAdvisorForm::init()
{
    window_.start();
}

void TestAdvisorForm::cleanup()
{
    window_.finish();
}

void TestAdvisorForm::enterAppliesTheFirstSuggestion()
{
    // Weights 9 : 3 : 1 : 1 with B against C entered the wrong way round.
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n D\r\n[Alternatives]\r\nx\r\ny\r\n"
                 "[Comparison]\r\nA\tB\t3\r\nB\tA\t1/3\r\nA\tC\t9\r\nC\tA\t1/9\r\nA\tD\t9\r\nD\tA\t1/9\r\n"
                 "B\tC\t1/3\r\nC\tB\t3\r\nB\tD\t3\r\nD\tB\t1/3\r\nC\tD\t1\r\nD\tC\t1\r\n");
    auto *button = named<QPushButton>(*window_.form, "AdvisorButton");
    QVERIFY(button->isVisible());
    QString applied;
    window_.form->advisorDialogRunner = [&](TAdvisorForm &dialog) {
        dialog.show();
        auto *list = named<QTreeWidget>(dialog, "SuggestionList");
        applied = list->topLevelItem(0)->text(0) + u'=' + list->topLevelItem(0)->text(2);
        QTest::keyClick(list, Qt::Key_Return); // the default button, once
        return 0;
    };
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(applied, QStringLiteral("B / C=3"));
    QCOMPARE(window_.form->session().undoStack()->index(), 1);
    QCOMPARE(window_.form->session().cellText(1, 2), QStringLiteral("3"));
    QCOMPARE(window_.form->session().cellText(2, 1), QStringLiteral("1/3"));
    QVERIFY(std::abs(window_.form->session().shownMatrix().consistencyIndex) < 1e-12);
    QVERIFY(!button->isVisible());
}

void TestAdvisorForm::completionReportsDisconnectedGroups()
{
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n[Alternatives]\r\nx\r\ny\r\n"
                 "[Comparison]\r\nA\tB\t2\r\nB\tA\t1/2\r\n");
    window_.app->platform.messageBox.shown.clear();
    window_.form->MenuCompleteClick();
    QCOMPARE(window_.app->platform.messageBox.shown.size(), 1);
    QVERIFY(window_.app->platform.messageBox.shown.first().text.contains("{A, B} {C}"));
    QCOMPARE(window_.form->session().undoStack()->count(), 0);
    QCOMPARE(window_.form->session().cellText(0, 2), QStringLiteral("-"));
}

QTEST_MAIN(TestAdvisorForm)
#include "tst_advisorform.moc"
