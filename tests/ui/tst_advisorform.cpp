// The advisor reached from the main window: button beside the index, Enter applies one step,
// completion warns about disconnected items.
#include "AppFixture.h"
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
    void openDocument(const QByteArray &content);
    std::unique_ptr<AppFixture> app_;
    std::unique_ptr<TBaseForm> form_;
};

void TestAdvisorForm::init()
{
    app_ = std::make_unique<AppFixture>();
    FrameStartup();
    Appli->Japanese = false;
    form_ = std::make_unique<TBaseForm>();
    form_->resize(700, 500);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestAdvisorForm::cleanup()
{
    form_->session().undoStack()->setClean();
    form_.reset();
    app_.reset();
}

void TestAdvisorForm::openDocument(const QByteArray &content)
{
    const QString path = app_->environment.path("doc.ahp");
    writeBytes(path, content);
    form_->LoadDocument(path);
}

void TestAdvisorForm::enterAppliesTheFirstSuggestion()
{
    // Weights 9 : 3 : 1 : 1 with B against C entered the wrong way round.
    openDocument("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n D\r\n[Alternatives]\r\nx\r\ny\r\n"
                 "[Comparison]\r\nA\tB\t3\r\nB\tA\t1/3\r\nA\tC\t9\r\nC\tA\t1/9\r\nA\tD\t9\r\nD\tA\t1/9\r\n"
                 "B\tC\t1/3\r\nC\tB\t3\r\nB\tD\t3\r\nD\tB\t1/3\r\nC\tD\t1\r\nD\tC\t1\r\n");
    auto *button = named<QPushButton>(*form_, "AdvisorButton");
    QVERIFY(button->isVisible());
    QString applied;
    form_->advisorDialogRunner = [&](TAdvisorForm &dialog) {
        dialog.show();
        auto *list = named<QTreeWidget>(dialog, "SuggestionList");
        applied = list->topLevelItem(0)->text(0) + u'=' + list->topLevelItem(0)->text(2);
        QTest::keyClick(list, Qt::Key_Return); // the default button, once
        return 0;
    };
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(applied, QStringLiteral("B / C=3"));
    QCOMPARE(form_->session().undoStack()->index(), 1);
    QCOMPARE(form_->session().cellText(1, 2), QStringLiteral("3"));
    QCOMPARE(form_->session().cellText(2, 1), QStringLiteral("1/3"));
    QVERIFY(std::abs(form_->session().shownMatrix().consistencyIndex) < 1e-12);
    QVERIFY(!button->isVisible());
}

void TestAdvisorForm::completionReportsDisconnectedGroups()
{
    openDocument("Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n[Alternatives]\r\nx\r\ny\r\n"
                 "[Comparison]\r\nA\tB\t2\r\nB\tA\t1/2\r\n");
    app_->platform.messageBox.shown.clear();
    form_->MenuCompleteClick();
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QVERIFY(app_->platform.messageBox.shown.first().text.contains("{A, B} {C}"));
    QCOMPARE(form_->session().undoStack()->count(), 0);
    QCOMPARE(form_->session().cellText(0, 2), QStringLiteral("-"));
}

QTEST_MAIN(TestAdvisorForm)
#include "tst_advisorform.moc"
