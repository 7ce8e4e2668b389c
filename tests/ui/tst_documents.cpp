// The document commands: the save question, opening and saving, start-up documents, the CSV
// command, and a document built in the windows matching what priomat-cli makes of it.
#include "ui/windows/AlternativesForm.h"
#include "AppFixture.h"
#include "app/Appli.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/windows/ResultForm.h"
#include "ui/main/CompareForm.h"
#include "app/Frame.h"
#include "document/RequirementTreeModel.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"

#include <QUndoStack>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace priomat;
using namespace priomat::test;
using namespace priomat::platform;

namespace {

QByteArray cli(const QStringList &arguments)
{
    QProcess process;
    process.start(PRIOMAT_CLI, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void saveQuestionTexts();
    void saveQuestionAnswers();
    void startupChoices();
    void headerOnlyFileAndRecovery();
    void failedSaveKeepsTheDocumentModified();
    void unreadableValueStillCompletesTheLoad();
    void csvCommand();
    void reportCommand();
    void matrixTooLargeForTheGrid();
    void treeTooDeepForTheWindow();
    void documentBuiltInTheWindowsMatchesTheCommandLineTool();
    void renamedCriterionMatchesTheCommandLineTool();
    void clearedJudgementUndoesToTheSameBytes();

private:
    void makeForm(bool japanese = false);
    void select(const QString &caption);

    std::unique_ptr<AppFixture> app_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<TBaseForm> form_;
    std::unique_ptr<TAlternativesForm> alternatives_;
    std::unique_ptr<TResultForm> result_;
    QStringList dialogAnswers_; // paths the file dialogs return, in order; empty = cancel
    QStringList dialogStarts_;
};

void TestDocuments::init()
{
    app_ = std::make_unique<AppFixture>();
    dialogAnswers_.clear();
    dialogStarts_.clear();
}

void TestDocuments::cleanup()
{
    if (form_)
        form_->session().undoStack()->setClean();
    form_.reset();
    alternatives_.reset();
    result_.reset();
    app_.reset();
}

void TestDocuments::makeForm(bool japanese)
{
    app_->platform.system.japanese = japanese;
    FrameStartup();
    form_ = std::make_unique<TBaseForm>();
    alternatives_ = std::make_unique<TAlternativesForm>();
    result_ = std::make_unique<TResultForm>();
    form_->setAuxiliaryWindows(alternatives_.get(), result_.get());
    form_->setDialogRunner(&dialogs_);
    dialogs_.file = [this](const FileDialogSettings &, bool, const QString &start) {
        dialogStarts_.append(start);
        return dialogAnswers_.isEmpty() ? QString() : dialogAnswers_.takeFirst();
    };
    invoke(*form_, "FormShow");
}

void TestDocuments::select(const QString &caption)
{
    RequirementNode *found = nullptr;
    form_->session().document().tree.forEachPreOrder([&](RequirementNode *node, int) {
        if (!found && node->caption() == caption)
            found = node;
    });
    QVERIFY(found);
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(form_->treeModel()->indexOf(found));
}

void TestDocuments::saveQuestionTexts()
{
    makeForm(false);
    invoke(*form_, "TreeButtonAddClick"); // any edit
    app_->platform.messageBox.answers = {IDCANCEL, IDCANCEL};
    QVERIFY(!form_->QuerySaveModified());
    QCOMPARE(app_->platform.messageBox.shown.at(0).text, QStringLiteral("Modified.\r\nDo you want to save it?"));
    QCOMPARE(app_->platform.messageBox.shown.at(0).caption, QStringLiteral("Priomat"));
    QCOMPARE(app_->platform.messageBox.shown.at(0).flags, 0x33u);
    form_->session().setFileName("/data/plan.ahp");
    QVERIFY(!form_->QuerySaveModified());
    QCOMPARE(app_->platform.messageBox.shown.at(1).text,
             QStringLiteral("/data/plan.ahp\r\nis modified.\r\nDo you want to save it?"));

    Appli->Japanese = true;
    app_->platform.messageBox.answers = {IDCANCEL, IDCANCEL};
    form_->QuerySaveModified();
    QCOMPARE(app_->platform.messageBox.shown.at(2).text,
             QString::fromUtf8("/data/plan.ahp\r\nは変更されています。\r\n保存しますか？"));
    form_->session().setFileName(QString());
    form_->QuerySaveModified();
    QCOMPARE(app_->platform.messageBox.shown.at(3).text, QString::fromUtf8("変更されています。\r\n保存しますか？"));

    form_->session().undoStack()->setClean();
    QVERIFY(form_->QuerySaveModified()); // nothing asked
    QCOMPARE(app_->platform.messageBox.shown.size(), 4);
}

void TestDocuments::saveQuestionAnswers()
{
    makeForm(false);
    const QString path = app_->environment.path("named.ahp");
    // Yes without a file name: the save dialog; cancelling it keeps the document open.
    invoke(*form_, "TreeButtonAddClick"); // any edit
    app_->platform.messageBox.answers = {IDYES};
    QVERIFY(!form_->close());
    QVERIFY(form_->session().isModified());
    // Never beside the program: in the user's home, as no other folder was used yet.
    QCOMPARE(dialogStarts_, QStringList{app_->environment.home() + '/'});
    // Yes and a path: saved there, and the window may close.
    app_->platform.messageBox.answers = {IDYES};
    dialogAnswers_ = {path};
    QVERIFY(form_->QuerySaveModified());
    QVERIFY(!form_->session().isModified());
    QCOMPARE(form_->session().fileName(), path);
    QVERIFY(readBytes(path).startsWith("Priomat - Data File\r\n"));
    // Yes with a file name saves into it without a dialog.
    form_->session().setAlternativesText("added");
    app_->platform.messageBox.answers = {IDYES};
    QVERIFY(form_->QuerySaveModified());
    QVERIFY(readBytes(path).contains("\r\nadded\r\n"));
    QCOMPARE(dialogStarts_.size(), 2);
    // No drops the changes; New asks once and then starts afresh.
    invoke(*form_, "TreeButtonAddClick"); // any edit
    app_->platform.messageBox.answers = {IDNO};
    invoke(*form_, "MenuNewClick");
    QVERIFY(form_->session().fileName().isEmpty());
    QCOMPARE(form_->windowTitle(), QStringLiteral("Priomat"));
    QCOMPARE(form_->session().document().tree.root()->caption(), DefaultRootCaption);
    QVERIFY(!form_->session().isModified());
    QCOMPARE(app_->platform.messageBox.shown.size(), 4);
    // Exit with Cancel keeps the window open; the question comes once.
    invoke(*form_, "TreeButtonAddClick"); // any edit
    app_->platform.messageBox.answers = {IDCANCEL};
    QVERIFY(!form_->close());
    QCOMPARE(app_->platform.messageBox.shown.size(), 5);
    // Open proposes the current document's file.
    form_->session().undoStack()->setClean();
    form_->LoadDocument(path);
    invoke(*form_, "MenuOpenClick");
    QCOMPARE(dialogStarts_.last(), path);
}

void TestDocuments::startupChoices()
{
    const QString example = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp");
    // A first parameter that is not a file, and no Default.ahp: a new document.
    app_->platform.system.arguments = {app_->platform.system.program, "/ENGLISH"};
    makeForm(false);
    QCOMPARE(form_->windowTitle(), QStringLiteral("Priomat"));
    QCOMPARE(form_->session().document().tree.root()->caption(), DefaultRootCaption);
    form_.reset();
    FrameShutdown();

    // An existing file that is not a data file: the message, then the initial document;
    // Default.ahp is not tried then.
    QVERIFY(QFile::copy(example, app_->environment.path("Default.ahp")));
    writeBytes(app_->environment.path("notes.txt"), "Shopping list\r\n");
    app_->platform.system.arguments = {app_->platform.system.program, app_->environment.path("notes.txt")};
    makeForm(false);
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QCOMPARE(app_->platform.messageBox.shown.at(0).text,
             app_->environment.path("notes.txt") + "\r\nis not a data file for Priomat.");
    QCOMPARE(form_->windowTitle(), QStringLiteral("Priomat"));
    QCOMPARE(form_->session().document().tree.root()->caption(), QStringLiteral("Root Requirement"));
    form_.reset();
    FrameShutdown();

    // Otherwise Default.ahp beside the program, which Save then writes back into.
    app_->platform.system.arguments = {app_->platform.system.program};
    makeForm(false);
    QCOMPARE(form_->windowTitle(), QStringLiteral("Priomat - Default.ahp"));
    QCOMPARE(form_->session().fileName(), app_->environment.path("Default.ahp"));
    QCOMPARE(alternatives_->AlternativesMemo->toPlainText(), QStringLiteral("Car A\nCar B"));
}

void TestDocuments::headerOnlyFileAndRecovery()
{
    makeForm(false);
    writeBytes(app_->environment.path("empty.ahp"), "Priomat - Data File\r\n");
    form_->LoadDocument(app_->environment.path("empty.ahp"));
    QCOMPARE(form_->session().document().tree.root()->caption(), DefaultRootCaption);
    QVERIFY(!form_->session().document().tree.root()->hasChildren());
    QCOMPARE(form_->session().fileName(), app_->environment.path("empty.ahp"));
    QVERIFY(!form_->session().isModified());
    QVERIFY(app_->platform.messageBox.shown.isEmpty());

    writeBytes(app_->environment.path("broken.ahp"),
               "Priomat - Data File\r\n[Comparison]\r\nA\tB\t3\r\n[AlternativesComparison]\r\nL\tx\ty\t5\r\n");
    app_->platform.messageBox.answers = {IDYES};
    form_->LoadDocument(app_->environment.path("broken.ahp"));
    QCOMPARE(app_->platform.messageBox.shown.at(0).caption, QStringLiteral("Warning"));
    QCOMPARE(app_->platform.messageBox.shown.at(0).flags, 0x34u);
    QVERIFY(app_->platform.messageBox.shown.at(0).text.startsWith("Requirement Tree may be broken.\r\n"));
    QCOMPARE(form_->session().document().tree.root()->childCaptions(), (QStringList{"A", "B", "L"}));
    QVERIFY(named<QTreeView>(*form_, "TreeTree")->isExpanded(form_->treeModel()->indexOf(form_->session().document().tree.root())));
    QVERIFY(!form_->session().isLoading());

    app_->platform.messageBox.answers = {IDNO};
    form_->LoadDocument(app_->environment.path("broken.ahp"));
    QVERIFY(!form_->session().document().tree.root()->hasChildren());
    QCOMPARE(form_->session().document().RequirementComparisons.size(), 1); // the entries stay
}

void TestDocuments::failedSaveKeepsTheDocumentModified()
{
    makeForm(false);
    const QString path = app_->environment.path("kept.ahp");
    QVERIFY(form_->SaveDocument(path));
    const QByteArray before = readBytes(path);
    form_->session().setAlternativesText("changed");
    writeBytes(app_->environment.path("blocker"), "");
    QVERIFY(!form_->SaveDocument(app_->environment.path("blocker/other.ahp")));
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QCOMPARE(app_->platform.messageBox.shown.at(0).caption, QStringLiteral("Error"));
    QVERIFY(form_->session().isModified());
    QCOMPARE(form_->session().fileName(), path);
    QCOMPARE(form_->windowTitle(), QStringLiteral("Priomat - kept.ahp"));
    QCOMPARE(readBytes(path), before);
}

void TestDocuments::unreadableValueStillCompletesTheLoad()
{
    makeForm(false);
    const QString first = app_->environment.path("first.ahp");
    QVERIFY(QFile::copy(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp"), first));
    form_->LoadDocument(first);
    const QByteArray firstBytes = readBytes(first);

    const QString second = app_->environment.path("second.ahp");
    writeBytes(second, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n[Comparison]\r\nA\tB\tabc\r\n");
    form_->LoadDocument(second);
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QVERIFY(app_->platform.messageBox.shown.at(0).text.contains("'abc'"));
    QCOMPARE(form_->session().fileName(), second);
    QCOMPARE(form_->windowTitle(), QStringLiteral("Priomat - second.ahp"));
    QVERIFY(!form_->session().isModified());
    QVERIFY(!form_->session().isLoading());
    // The result window names the value that stops the evaluation instead of listing numbers.
    QVERIFY(!result_->ErrorLabel->isHidden());
    QVERIFY(result_->ErrorLabel->text().contains("'abc'"));
    QVERIFY(result_->results().requirements.isEmpty());
    QVERIFY(result_->results().alternatives.isEmpty());
    invoke(*form_, "MenuSaveClick");
    QCOMPARE(readBytes(first), firstBytes); // the previous document's file is untouched
    QVERIFY(readBytes(second).contains("A\tB\tabc\r\n"));
}

void TestDocuments::csvCommand()
{
    makeForm(false);
    // Without a document file: no name, the user's documents folder.
    QVERIFY(QDir(app_->environment.home()).mkpath("Documents"));
    dialogAnswers_ = {QString()};
    invoke(*form_, "MenuSaveCSVClick");
    QCOMPARE(dialogStarts_.last(), app_->environment.home() + "/Documents/");

    QDir(app_->environment.path("")).mkpath("dir.v2");
    const QString document = app_->environment.path("dir.v2/plan.final.ahp");
    QVERIFY(QFile::copy(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp"), document));
    form_->LoadDocument(document);
    const QString csv = app_->environment.path("dir.v2/plan.final.csv");
    dialogAnswers_ = {csv};
    invoke(*form_, "MenuSaveCSVClick");
    QCOMPARE(dialogStarts_.last(), csv);
    QCOMPARE(readBytes(csv), readBytes(PRIOMAT_SOURCE_DIR "/tests/data/choose-a-car.csv"));
    QVERIFY(!form_->session().isModified());
    QCOMPARE(form_->session().fileName(), document);

    // A name without an extension gets ".csv" appended.
    const QString bare = app_->environment.path("dir.v2/bare");
    QVERIFY(QFile::copy(document, bare));
    form_->LoadDocument(bare);
    dialogAnswers_ = {QString()};
    invoke(*form_, "MenuSaveCSVClick");
    QCOMPARE(dialogStarts_.last(), bare + ".csv");
    // After New, the dialogs start in the folder last used.
    form_->NewDocument();
    invoke(*form_, "MenuOpenClick");
    QCOMPARE(dialogStarts_.last(), app_->environment.path("dir.v2/"));
    form_->LoadDocument(bare);

    // A write error is reported; the document is untouched.
    invoke(*form_, "TreeButtonAddClick"); // any edit
    dialogAnswers_ = {app_->environment.path("dir.v2/plan.final.ahp/x.csv")};
    invoke(*form_, "MenuSaveCSVClick");
    QCOMPARE(app_->platform.messageBox.shown.last().caption, QStringLiteral("Error"));
    QVERIFY(form_->session().isModified());
    QCOMPARE(form_->session().fileName(), bare);
}

void TestDocuments::documentBuiltInTheWindowsMatchesTheCommandLineTool()
{
    makeForm(false);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    RequirementTreeModel *model = form_->treeModel();
    RequirementNode *root = form_->session().document().tree.root();
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(model->indexOf(root));

    // Two requirements under the root, renamed by typing.
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonAdd"), Qt::LeftButton);
    QTest::mouseClick(named<QPushButton>(*form_, "TreeButtonAdd"), Qt::LeftButton);
    const QStringList names{"Price", "Comfort"};
    for (int i = 0; i < 2; ++i) {
        named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(model->indexOf(root->child(i)));
        named<QLineEdit>(*form_, "CaptionEdit")->setFocus();
        named<QLineEdit>(*form_, "CaptionEdit")->selectAll();
        QTest::keyClicks(named<QLineEdit>(*form_, "CaptionEdit"), names.at(i));
    }
    // Alternatives typed into their window.
    alternatives_->AlternativesMemo->setFocus();
    QTest::keyClicks(alternatives_->AlternativesMemo, "Car A");
    QTest::keyClick(alternatives_->AlternativesMemo, Qt::Key_Return);
    QTest::keyClicks(alternatives_->AlternativesMemo, "Car B");

    // Price over Comfort by key; Car B over Car A under Price through the dialog.
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(model->indexOf(root));
    named<TMatrixGrid>(*form_, "MatrixGrid")->setFocus();
    named<TMatrixGrid>(*form_, "MatrixGrid")->setCurrentCell(1, 2);
    QTest::keyClicks(named<TMatrixGrid>(*form_, "MatrixGrid"), "3");
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(model->indexOf(root->child(0)));
    dialogs_.compare = [](TCompareForm &dialog) {
        QTest::keyClick(&dialog, Qt::Key_5);
        return int(dialog.result());
    };
    const QRect cell = named<TMatrixGrid>(*form_, "MatrixGrid")->visualRect(named<TMatrixGrid>(*form_, "MatrixGrid")->model()->index(2, 1));
    QTest::mouseClick(named<TMatrixGrid>(*form_, "MatrixGrid")->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->cellText(1, 2), QStringLiteral("5"));

    const QString saved = app_->environment.path("built.ahp");
    dialogAnswers_ = {saved};
    invoke(*form_, "MenuSaveAsClick");
    QCOMPARE(form_->session().fileName(), saved);

    invoke(*form_, "MenuNewClick");
    form_->LoadDocument(saved);
    const QString csv = app_->environment.path("built.csv");
    dialogAnswers_ = {csv};
    invoke(*form_, "MenuSaveCSVClick");

    const QString text = app_->environment.path("built.txt");
    result_->saveDialogRunner = [&text](const QString &) { return text; };
    result_->MenuSaveAsClick();

    QCOMPARE(readBytes(saved), cli({"format", saved}));
    QCOMPARE(readBytes(csv), cli({"csv", saved}));
    QCOMPARE(readBytes(text), cli({"evaluate", saved}));
    QVERIFY(readBytes(text).contains("[Alternatives]\r\nCar A\t"));
    QVERIFY(readBytes(csv).contains("[Alternatives]\r\nCar A,"));
    // Copy All gives the rows of the file.
    result_->PageControl1->setCurrentWidget(result_->AlternativesPage);
    result_->MenuCopyAllClick();
    QVERIFY(readBytes(text).endsWith("[Alternatives]\r\n" + QGuiApplication::clipboard()->text().toUtf8()));
}

void TestDocuments::matrixTooLargeForTheGrid()
{
    // A leaf with more alternatives than the grid shows: a message naming the node and the
    // size, no grid, and the rest of the program goes on.
    makeForm(false);
    const int count = DocumentSession::GridLimit + 1;
    QByteArray text = "Priomat - Data File\r\n[Tree]\r\nGoal\r\n Many\r\n Few\r\n[Alternatives]\r\n";
    for (int i = 0; i < count; ++i)
        text += "alt " + QByteArray::number(i) + "\r\n";
    const QString path = app_->environment.path("wide.ahp");
    writeBytes(path, text);
    form_->LoadDocument(path);
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(form_->treeModel()->indexOf(form_->session().document().tree.root()->child(0)));
    QVERIFY(named<TMatrixGrid>(*form_, "MatrixGrid")->isHidden());
    QVERIFY(!named<QLabel>(*form_, "MatrixMessage")->isHidden());
    QVERIFY(named<QLabel>(*form_, "MatrixMessage")->text().contains("\"Many\""));
    QVERIFY(named<QLabel>(*form_, "MatrixMessage")->text().contains(QStringLiteral("%1 × %1").arg(count)));
    QCOMPARE(named<TMatrixGrid>(*form_, "MatrixGrid")->colourSize, 0);
    invoke(*form_, "MenuToolClick");
    QVERIFY(!named<QAction>(*form_, "MenuChangeShown1")->isEnabled());
    QCOMPARE(form_->session().results().alternatives.size(), count);
    QVERIFY(app_->platform.messageBox.shown.isEmpty());
    // A small matrix shows in the grid again.
    named<QTreeView>(*form_, "TreeTree")->setCurrentIndex(form_->treeModel()->indexOf(form_->session().document().tree.root()));
    QVERIFY(!named<TMatrixGrid>(*form_, "MatrixGrid")->isHidden());
    QVERIFY(named<QLabel>(*form_, "MatrixMessage")->isHidden());
}

void TestDocuments::treeTooDeepForTheWindow()
{
    makeForm(false);
    auto chain = [](int depth) {
        QByteArray text = "Priomat - Data File\r\n[Tree]\r\n";
        for (int level = 0; level < depth; ++level)
            text += QByteArray(level, ' ') + "L" + QByteArray::number(level) + "\r\n";
        return text;
    };
    const QString deepest = app_->environment.path("deepest.ahp");
    writeBytes(deepest, chain(TBaseForm::MaxTreeDepth));
    form_->LoadDocument(deepest);
    QCOMPARE(form_->session().fileName(), deepest);
    QVERIFY(app_->platform.messageBox.shown.isEmpty());

    const QString tooDeep = app_->environment.path("too-deep.ahp");
    writeBytes(tooDeep, chain(TBaseForm::MaxTreeDepth + 1));
    form_->LoadDocument(tooDeep);
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QVERIFY(app_->platform.messageBox.shown.at(0).text.contains(
        QStringLiteral("%1 levels deep").arg(TBaseForm::MaxTreeDepth + 1)));
    QCOMPARE(form_->session().fileName(), deepest); // the open document stays
}



void TestDocuments::renamedCriterionMatchesTheCommandLineTool()
{
    // Renames typed into the caption field: the result window always holds what priomat-cli
    // evaluates from the saved file; a finished rename keeps the criterion's judgements, and
    // the texts typed on the way leave nothing in the file.
    makeForm(false);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->LoadDocument(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp"));
    const QString saved = app_->environment.path("renamed.ahp");
    const QString text = app_->environment.path("renamed.txt");
    result_->saveDialogRunner = [&text](const QString &) { return text; };
    result_->MenuSaveAsClick();
    const QByteArray original = readBytes(text);
    auto *edit = named<QLineEdit>(*form_, "CaptionEdit");
    auto type = [&](const QString &from, const char *typed, int backspaces, const char *then) {
        select(from);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, then);
    };
    auto savedAndEvaluated = [&] {
        dialogAnswers_ = {saved};
        invoke(*form_, "MenuSaveAsClick");
        result_->MenuSaveAsClick();
        return readBytes(text) == cli({"evaluate", saved});
    };

    type("Parking", "Car parkign", 2, "ng"); // a misspelling mended on the way, ended by Enter
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(savedAndEvaluated());
    QCOMPARE(readBytes(text), QByteArray(original).replace("Parking", "Car parking"));
    QVERIFY(!readBytes(saved).contains("Car parkign"));
    QVERIFY(!readBytes(saved).contains("Car parki\t"));

    type("Car parking", "Parkign", 0, ""); // a misspelling kept, ended by selecting the root
    select("Choose a new office");
    QVERIFY(savedAndEvaluated());
    QCOMPARE(readBytes(text), QByteArray(original).replace("Parking", "Parkign"));

    type("Parkign", "Commute time", 0, ""); // a sibling's name, ended by the save
    QVERIFY(savedAndEvaluated());
    QVERIFY(readBytes(text) != QByteArray(original).replace("Parking", "Commute time"));
    QVERIFY(named<QLabel>(*form_, "MatrixNotice")->text().contains("now shares them"));
    select("Location");
    QVERIFY(named<QLabel>(*form_, "MatrixNotice")->isVisible());
    QVERIFY(named<QLabel>(*form_, "MatrixNotice")->text().contains("Repeated names in this matrix: \"Commute time\""));

    invoke(*form_, "MenuUndoClick");
    select("Location");
    QVERIFY(!named<QLabel>(*form_, "MatrixNotice")->isVisible());
    QVERIFY(savedAndEvaluated());
}

void TestDocuments::clearedJudgementUndoesToTheSameBytes()
{
    makeForm(false);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->LoadDocument(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp"));
    const QString first = app_->environment.path("first.ahp");
    const QString again = app_->environment.path("again.ahp");
    dialogAnswers_ = {first};
    invoke(*form_, "MenuSaveAsClick");
    auto *grid = named<TMatrixGrid>(*form_, "MatrixGrid");

    // Delete on Cost against Location: the pair and its mirror go back to "-".
    select("Choose a new office");
    grid->setFocus();
    grid->setCurrentCell(1, 2);
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("-"));
    QCOMPARE(grid->cellText(1, 2), QStringLiteral("-"));
    QCOMPARE(form_->session().undoStack()->undoText(), QStringLiteral("Clear in Choose a new office: Cost / Location"));
    QVERIFY(!form_->session().results().alternatives.isEmpty());
    invoke(*form_, "MenuUndoClick");
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("2"));
    dialogAnswers_ = {again};
    invoke(*form_, "MenuSaveAsClick");
    QCOMPARE(readBytes(again), readBytes(first));

    // The context menu's item on a leaf's alternatives, then Backspace on the same cell.
    select("Rent");
    grid->setCurrentCell(3, 2);
    named<QAction>(*form_, "MenuClearEntry")->trigger();
    QCOMPARE(grid->cellText(2, 3), QStringLiteral("-"));
    QCOMPARE(grid->cellText(3, 2), QStringLiteral("-"));
    QTest::keyClick(grid, Qt::Key_Backspace); // nothing left to clear: no step
    QCOMPARE(form_->session().undoStack()->count(), 1);
    invoke(*form_, "MenuUndoClick");
    dialogAnswers_ = {again};
    invoke(*form_, "MenuSaveAsClick");
    QCOMPARE(readBytes(again), readBytes(first));
}

void TestDocuments::reportCommand()
{
    makeForm(false);
    QCOMPARE(named<QAction>(*form_, "MenuReport")->text(), QStringLiteral("&Report ..."));
    QCOMPARE(named<QAction>(*form_, "MenuPrint")->text(), QStringLiteral("&Print ..."));
    const QString document = app_->environment.path("plan.ahp");
    QVERIFY(QFile::copy(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp"), document));
    form_->LoadDocument(document);
    // The extension chosen decides the format; the dialog proposes the document's name as .pdf.
    const QString html = app_->environment.path("plan.html");
    const QString pdf = app_->environment.path("plan.pdf");
    dialogAnswers_ = {html, pdf};
    invoke(*form_, "MenuReportClick");
    QCOMPARE(dialogStarts_.last(), pdf);
    const QByteArray page = readBytes(html);
    QVERIFY(page.startsWith("<!DOCTYPE html>"));
    QVERIFY(page.contains("Car B") && page.contains("0.729166666666667") && page.contains("<svg"));
    invoke(*form_, "MenuReportClick");
    QVERIFY(readBytes(pdf).startsWith("%PDF-"));
    QVERIFY(app_->platform.messageBox.shown.isEmpty());
    QVERIFY(!form_->session().isModified());

    // A folder that does not exist: an error, and no file.
    dialogAnswers_ = {app_->environment.path("missing/plan.pdf")};
    invoke(*form_, "MenuReportClick");
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QVERIFY(!QFile::exists(app_->environment.path("missing/plan.pdf")));
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
