// Editing the requirement tree with the buttons, by drag and drop and by renaming, and the
// alternatives window, through the real main window.
#include "ui/windows/AlternativesForm.h"
#include "AppFixture.h"
#include "ScriptedDialogs.h"
#include "app/Appli.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "app/Frame.h"
#include "document/RequirementTreeModel.h"

#include <QUndoStack>
#include <QLineEdit>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace priomat;
using namespace priomat::test;

namespace {

const QByteArray DocumentText = "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n  A1\r\n  A2\r\n B\r\n  B1\r\n C\r\n"
                            "[Alternatives]\r\nx\r\ny\r\n"
                            "[Comparison]\r\nA\tB\t3\r\nB\tA\t1/3\r\nA\tC\t5\r\nA1\tA2\t2\r\n";

} // namespace

class TestTreeEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newItemNumbering();
    void deletedEntriesComeBackByName();
    void upAndDownKeepWeightsAndExpansion();
    void buttonRuleWithRootSelected();
    void dropsRefusedAndAccepted();
    void leafReceivingANodeComparesRequirements();
    void renamingThroughTheCaptionEdit();
    void alternativesWindow();
    void undoThroughTheEditMenu();

private:
    RequirementNode *node(const QString &caption) const;
    void select(const QString &caption);

    std::unique_ptr<AppFixture> app_;
    std::unique_ptr<TBaseForm> form_;
    std::unique_ptr<TAlternativesForm> alternatives_;
};

void TestTreeEdit::init()
{
    app_ = std::make_unique<AppFixture>();
    FrameStartup();
    Appli->Japanese = false;
    form_ = std::make_unique<TBaseForm>();
    alternatives_ = std::make_unique<TAlternativesForm>();
    form_->setAuxiliaryWindows(alternatives_.get(), nullptr);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    const QString path = app_->environment.path("doc.ahp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(DocumentText);
    file.close();
    form_->LoadDocument(path);
    QVERIFY(!form_->session().isModified());
}

void TestTreeEdit::cleanup()
{
    form_->session().undoStack()->setClean();
    form_.reset();
    alternatives_.reset();
    app_.reset();
}

RequirementNode *TestTreeEdit::node(const QString &caption) const
{
    RequirementNode *found = nullptr;
    form_->session().document().tree.forEachPreOrder([&](RequirementNode *n, int) {
        if (!found && n->caption() == caption)
            found = n;
    });
    return found;
}

void TestTreeEdit::select(const QString &caption)
{
    QVERIFY(node(caption));
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(form_->treeModel()->indexOf(node(caption)));
}

void TestTreeEdit::newItemNumbering()
{
    select("B");
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonAdd"), Qt::LeftButton);
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonAdd"), Qt::LeftButton);
    QCOMPARE(node("B")->childCaptions(), (QStringList{"B1", "New Item", "New Item(2)"}));
    QCOMPARE(form_->selectedNode(), node("B"));
    QVERIFY(named<QTreeView>(*form_, "TreeTree")->isExpanded(form_->treeModel()->indexOf(node("B"))));
    QVERIFY(form_->session().isModified());
    // The parent's matrix grew at once and its weights were recomputed.
    QCOMPARE(form_->session().shownMatrix().items.names.size(), 3);
    QCOMPARE(node("New Item")->data().LocalWeight, 1.0 / 3.0);

    // "New Item" gone: the name is free again although "New Item(2)" remains.
    node("New Item")->setCaption("renamed");
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonAdd"), Qt::LeftButton);
    QCOMPARE(node("B")->childCaptions().last(), QStringLiteral("New Item"));
    // Lower case does not count as taken, but compares without case once collected.
    node("renamed")->setCaption("new item(3)");
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonAdd"), Qt::LeftButton);
    QCOMPARE(node("B")->childCaptions().last(), QStringLiteral("New Item(3)"));

    select("B1");
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonInsert"), Qt::LeftButton);
    QCOMPARE(node("B")->childCaptions().first(), QStringLiteral("New Item(4)"));
    QCOMPARE(form_->selectedNode(), node("B1"));
}

void TestTreeEdit::deletedEntriesComeBackByName()
{
    select("C");
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonDelete"), Qt::LeftButton);
    QCOMPARE(node("Goal")->childCaptions(), (QStringList{"A", "B"}));
    QCOMPARE(node("A")->data().LocalWeight, 0.75); // recomputed without C
    QVERIFY(form_->session().document().RequirementComparisons.value("A\tC")); // entries stay

    select("Goal");
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonAdd"), Qt::LeftButton);
    select("New Item");
    named<QLineEdit>(*form_, "CaptionEdit")->setFocus();
    named<QLineEdit>(*form_, "CaptionEdit")->selectAll();
    QTest::keyClicks(named<QLineEdit>(*form_, "CaptionEdit"), "c"); // another letter case still finds them
    select("Goal");
    QCOMPARE(form_->session().shownMatrix().items.names, (QStringList{"A", "B", "c"}));
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->cellText(3, 1), QStringLiteral("5"));
}

void TestTreeEdit::upAndDownKeepWeightsAndExpansion()
{
    named<QTreeView>(*form_, "TreeTree")->collapse(form_->treeModel()->indexOf(node("B")));
    const double weightA = node("A")->data().LocalWeight;
    const double weightA1 = node("A1")->data().LocalWeight;
    RequirementNode *a = node("A");
    select("A");
    QVERIFY(!named<QPushButton>(*form_, "TreeButtonUp")->isEnabled());
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonDown"), Qt::LeftButton); // B comes before A
    QCOMPARE(node("Goal")->childCaptions(), (QStringList{"B", "A", "C"}));
    QCOMPARE(form_->selectedNode(), a);
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonDown"), Qt::LeftButton);
    QCOMPARE(node("Goal")->childCaptions(), (QStringList{"B", "C", "A"}));
    QVERIFY(!named<QPushButton>(*form_, "TreeButtonDown")->isEnabled());
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonUp"), Qt::LeftButton);
    QCOMPARE(node("Goal")->childCaptions(), (QStringList{"B", "A", "C"}));
    QCOMPARE(form_->selectedNode(), a);
    QCOMPARE(a->data().LocalWeight, weightA);
    QCOMPARE(node("A1")->data().LocalWeight, weightA1);
    QVERIFY(named<QTreeView>(*form_, "TreeTree")->isExpanded(form_->treeModel()->indexOf(a)));
    QVERIFY(!named<QTreeView>(*form_, "TreeTree")->isExpanded(form_->treeModel()->indexOf(node("B"))));
    // Rows and columns follow the order, the values stay.
    select("Goal");
    QCOMPARE(form_->session().shownMatrix().items.names, (QStringList{"B", "A", "C"}));
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->cellText(2, 1), QStringLiteral("1/3"));
}

void TestTreeEdit::buttonRuleWithRootSelected()
{
    select("Goal");
    QVERIFY(named<QPushButton>(*form_, "TreeButtonAdd")->isEnabled());
    QVERIFY(!named<QPushButton>(*form_, "TreeButtonInsert")->isEnabled());
    QVERIFY(!named<QPushButton>(*form_, "TreeButtonDelete")->isEnabled());
    QVERIFY(!named<QPushButton>(*form_, "TreeButtonUp")->isEnabled());
    QVERIFY(!named<QPushButton>(*form_, "TreeButtonDown")->isEnabled());
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(QModelIndex());
    for (QPushButton *button : {named<QPushButton>(*form_, "TreeButtonAdd"), named<QPushButton>(*form_, "TreeButtonInsert"), named<QPushButton>(*form_, "TreeButtonUp"),
                                named<QPushButton>(*form_, "TreeButtonDown"), named<QPushButton>(*form_, "TreeButtonDelete")})
        QVERIFY(!button->isEnabled());
}

void TestTreeEdit::dropsRefusedAndAccepted()
{
    RequirementTreeModel *model = form_->treeModel();
    auto drop = [model](RequirementNode *dragged, RequirementNode *target) {
        std::unique_ptr<QMimeData> data(model->mimeData({model->indexOf(dragged)}));
        const QModelIndex onto = model->indexOf(target);
        if (!model->canDropMimeData(data.get(), Qt::MoveAction, -1, -1, onto))
            return false;
        return model->dropMimeData(data.get(), Qt::MoveAction, -1, -1, onto);
    };
    QVERIFY(!drop(node("A1"), node("A")));    // its own parent
    QVERIFY(!drop(node("A"), node("A")));     // itself
    QVERIFY(!drop(node("A"), node("A2")));    // a descendant
    QVERIFY(!drop(node("Goal"), node("C")));  // the root is never dragged
    QVERIFY(!form_->session().isModified());

    const double weightA1 = node("A1")->data().LocalWeight;
    QVERIFY(drop(node("A1"), node("B")));
    QCOMPARE(node("B")->childCaptions(), (QStringList{"B1", "A1"}));
    QCOMPARE(node("A")->childCaptions(), QStringList{"A2"});
    QCOMPARE(form_->selectedNode(), node("A1"));
    QVERIFY(form_->session().isModified());
    // Both parents recomputed: A2 alone under A, A1 and B1 share B.
    QCOMPARE(node("A2")->data().LocalWeight, 1.0);
    QCOMPARE(node("A1")->data().LocalWeight, 0.5);
    QVERIFY(weightA1 != 0.5);
}

void TestTreeEdit::leafReceivingANodeComparesRequirements()
{
    select("C");
    QVERIFY(form_->session().shownMatrix().items.leafShown);
    QCOMPARE(form_->session().shownMatrix().items.names, (QStringList{"x", "y"}));
    RequirementTreeModel *model = form_->treeModel();
    std::unique_ptr<QMimeData> data(model->mimeData({model->indexOf(node("B1"))}));
    QVERIFY(model->dropMimeData(data.get(), Qt::MoveAction, -1, -1, model->indexOf(node("C"))));
    select("C");
    QVERIFY(!form_->session().shownMatrix().items.leafShown);
    QCOMPARE(form_->session().shownMatrix().items.names, QStringList{"B1"});
    QVERIFY(node("B")->childCaptions().isEmpty());
}

void TestTreeEdit::renamingThroughTheCaptionEdit()
{
    select("Goal");
    const QString entered = named<TMatrixGrid>(*form_, "MatrixGrid")->cellText(2, 1);
    const double weight = node("B")->data().LocalWeight;
    select("B");
    QCOMPARE(named<QLineEdit>(*form_, "CaptionEdit")->text(), QStringLiteral("B"));
    QVERIFY(!form_->session().isModified());
    named<QLineEdit>(*form_, "CaptionEdit")->setFocus();
    named<QLineEdit>(*form_, "CaptionEdit")->selectAll();
    QTest::keyClicks(named<QLineEdit>(*form_, "CaptionEdit"), "Bee ");
    QCOMPARE(node("Bee ")->childCaptions(), QStringList{"B1"}); // the blank is kept
    QVERIFY(form_->session().isModified());
    select("Goal"); // the finished rename takes B's judgements along
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->cellText(2, 1), entered);
    QCOMPARE(node("Bee ")->data().LocalWeight, weight);

    // The refresh's own update of the edit renames nothing.
    form_->session().undoStack()->setClean();
    select("A");
    QVERIFY(!form_->session().isModified());
    QVERIFY(node("Bee "));
}

void TestTreeEdit::alternativesWindow()
{
    QPlainTextEdit *memo = alternatives_->AlternativesMemo;
    QCOMPARE(memo->toPlainText(), QStringLiteral("x\ny"));
    QCOMPARE(alternatives_->windowTitle(), QStringLiteral("Alternatives / Priomat"));
    select("C");
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->rowCount(), 3);

    memo->moveCursor(QTextCursor::End);
    memo->setFocus();
    for (const char *line : {"", "   ", "  z  "}) {
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, line);
    }
    QVERIFY(form_->session().isModified());
    QCOMPARE(form_->session().document().alternatives(), (QStringList{"x", "y", "z"}));
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->rowCount(), 4); // a row and a column at once
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->cellText(0, 3), QStringLiteral("(C) z"));
    QCOMPARE(form_->session().results().alternatives.size(), 3);

    // Pasting takes the clipboard's text only.
    QGuiApplication::clipboard()->setText(QStringLiteral("\nw"));
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form_->session().document().alternatives(), (QStringList{"x", "y", "z", "w"}));
    auto *picture = new QMimeData;
    picture->setImageData(QImage(2, 2, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(picture);
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(memo->toPlainText(), QStringLiteral("x\ny\n\n   \n  z  \nw"));

    named<QAction>(*form_, "MenuCalculateAutomatically")->trigger(); // off
    QTest::keyClicks(memo, "z");
    QVERIFY(form_->session().results().alternatives.isEmpty());
}

void TestTreeEdit::undoThroughTheEditMenu()
{
    // A drop and its undo: the node returns with its subtree, weights and expansion, and the
    // selection, shown matrix and texts follow the step.
    QVERIFY(!named<QAction>(*form_, "MenuUndo")->isEnabled());
    QCOMPARE(named<QAction>(*form_, "MenuUndo")->text(), QStringLiteral("&Undo"));
    const QModelIndex a = form_->treeModel()->indexOf(node("A"));
    named<QTreeView>(*form_, "TreeTree")->expand(a);
    select("B");
    const double weightA = node("A")->data().LocalWeight;
    const QStringList goalItems = (QStringList{"A", "B", "C"});
    RequirementTreeModel *model = form_->treeModel();
    std::unique_ptr<QMimeData> data(model->mimeData({a}));
    QVERIFY(model->dropMimeData(data.get(), Qt::MoveAction, -1, -1, model->indexOf(node("C"))));
    QCOMPARE(node("C")->childCaptions(), QStringList{"A"});
    QVERIFY(named<QAction>(*form_, "MenuUndo")->isEnabled());
    QCOMPARE(named<QAction>(*form_, "MenuUndo")->text(), QStringLiteral("&Undo move A"));

    invoke(*form_, "MenuUndoClick");
    QCOMPARE(node("Goal")->childCaptions(), goalItems);
    QCOMPARE(node("A")->childCaptions(), (QStringList{"A1", "A2"}));
    QCOMPARE(node("A")->data().LocalWeight, weightA);
    QVERIFY(named<QTreeView>(*form_, "TreeTree")->isExpanded(form_->treeModel()->indexOf(node("A"))));
    QCOMPARE(form_->selectedNode(), node("A"));
    QCOMPARE(named<QLineEdit>(*form_, "CaptionEdit")->text(), QStringLiteral("A"));
    QVERIFY(!form_->session().isModified());
    QCOMPARE(named<QAction>(*form_, "MenuRedo")->text(), QStringLiteral("&Redo move A"));
    invoke(*form_, "MenuRedoClick");
    QCOMPARE(node("C")->childCaptions(), QStringList{"A"});
    invoke(*form_, "MenuUndoClick");

    // Typing merges into one step until the field loses the focus.
    select("B");
    named<QLineEdit>(*form_, "CaptionEdit")->setFocus();
    QTest::keyClicks(named<QLineEdit>(*form_, "CaptionEdit"), "ee");
    named<QTreeView>(*form_, "TreeTree")->setFocus();
    named<QLineEdit>(*form_, "CaptionEdit")->setFocus();
    QTest::keyClicks(named<QLineEdit>(*form_, "CaptionEdit"), "s");
    QCOMPARE(form_->session().undoStack()->count(), 2); // the undone drop is gone
    invoke(*form_, "MenuUndoClick");
    QCOMPARE(named<QLineEdit>(*form_, "CaptionEdit")->text(), QStringLiteral("Bee"));
    invoke(*form_, "MenuUndoClick");
    QCOMPARE(named<QLineEdit>(*form_, "CaptionEdit")->text(), QStringLiteral("B"));

    // The history window lists the steps.
    named<QAction>(*form_, "MenuHistory")->trigger();
    QVERIFY(form_->historyWindow() && form_->historyWindow()->isVisible());
    QCOMPARE(form_->historyWindow()->windowTitle(), QStringLiteral("History / Priomat"));
    named<QAction>(*form_, "MenuHistory")->trigger();
    QVERIFY(!form_->historyWindow()->isVisible());
}

QTEST_MAIN(TestTreeEdit)
#include "tst_treeedit.moc"
