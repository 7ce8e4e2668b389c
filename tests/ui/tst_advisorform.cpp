// The advisor reached from the main window: button beside the index, Enter applies one step,
// completion warns about disconnected items.
#include "MainWindowFixture.h"
#include "app/Appli.h"
#include "app/Frame.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/windows/AdvisorForm.h"
#include "ui/windows/CompletionForm.h"

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
    void completionPreviewsAndMarksItsCells();

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
    window_.dialogs.advisor = [&](TAdvisorForm &dialog) {
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
    invoke(*window_.form, "MenuCompleteClick");
    QCOMPARE(window_.app->platform.messageBox.shown.size(), 1);
    QVERIFY(window_.app->platform.messageBox.shown.first().text.contains("{A, B} {C}"));
    QCOMPARE(window_.form->session().undoStack()->count(), 0);
    QCOMPARE(window_.form->session().cellText(0, 2), QStringLiteral("-"));
}

void TestAdvisorForm::completionPreviewsAndMarksItsCells()
{
    // A and B against C decide the missing pair: B / A = 2 / 3, nearest step 1/2 (A / B 2).
    window_.open("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n[Alternatives]\r\nx\r\ny\r\n"
                 "[Comparison]\r\nA\tC\t3\r\nC\tA\t1/3\r\nB\tC\t2\r\nC\tB\t1/2\r\n");
    DocumentSession &session = window_.form->session();
    QStringList rows;
    QString index;
    int answer = QDialog::Rejected;
    window_.dialogs.completion = [&](TCompletionForm &dialog) {
        for (int i = 0; i < dialog.CellList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = dialog.CellList->topLevelItem(i);
            rows.append(item->text(0) + u'/' + item->text(1) + u'=' + item->text(2));
        }
        index = dialog.IndexLabel->text();
        return answer;
    };
    invoke(*window_.form, "MenuCompleteClick");
    QCOMPARE(rows, QStringList{QStringLiteral("B/A=1/2")});
    QVERIFY2(index.contains(QStringLiteral("→")), qPrintable(index));
    QCOMPARE(session.undoStack()->count(), 0); // cancelled: nothing entered
    QCOMPARE(session.cellText(0, 1), QStringLiteral("-"));

    answer = QDialog::Accepted;
    invoke(*window_.form, "MenuCompleteClick");
    QCOMPARE(session.cellText(0, 1), QStringLiteral("2"));
    auto *grid = named<TMatrixGrid>(*window_.form, "MatrixGrid");
    QVERIFY(grid->isCompletedCell(2, 1) && grid->isCompletedCell(1, 2));
    QVERIFY(!grid->isCompletedCell(3, 1)); // entered by the user

    // Editing the cell takes its marks off (the mirror too, with Inverse); undo puts them back.
    session.enterValue({2, 1, QStringLiteral("3"), QStringLiteral("1/3")});
    QVERIFY(!grid->isCompletedCell(2, 1) && !grid->isCompletedCell(1, 2));
    session.undoStack()->undo();
    QVERIFY(grid->isCompletedCell(2, 1));
    // Undoing the completion removes them; redoing brings them back; reopening forgets them.
    session.undoStack()->undo();
    QVERIFY(!grid->isCompletedCell(2, 1) && session.shownMatrix().completed.empty());
    session.undoStack()->redo();
    QVERIFY(session.shownMatrix().completedAt(0, 1));
    window_.form->LoadDocument(session.fileName());
    QVERIFY(session.shownMatrix().completed.empty());
}

QTEST_MAIN(TestAdvisorForm)
#include "tst_advisorform.moc"
