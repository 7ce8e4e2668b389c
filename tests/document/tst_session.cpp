// The document session without windows: undo and redo give back the document, its numbers and
// its selection exactly; typing merges; the clean state follows saves and opens.
#include "document/DocumentSession.h"
#include "document/DataFile.h"
#include "document/RequirementTreeModel.h"
#include "model/ComparisonValue.h"
#include "DataGenerator.h"
#include "DocumentBuilder.h"
#include "RecordingHost.h"
#include "TestFiles.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <sys/resource.h>
#include <unistd.h>

using namespace priomat;
using namespace priomat::test;

namespace {

// Everything an undo must give back: the saved lines, every node's numbers, the results,
// the selection and the shown matrix.
struct State
{
    QStringList lines;
    QList<QPair<QString, double>> numbers;
    ResultLists results;
    QString evaluationError;
    const RequirementNode *current = nullptr;
    QStringList shownNames;
    std::vector<double> shownWeights;
    QString shownError;

    friend bool operator==(const State &, const State &) = default;
};

State stateOf(const DocumentSession &session)
{
    State state;
    state.lines = FormatDataFile(session.document());
    session.document().tree.forEachPreOrder([&state](RequirementNode *node, int) {
        state.numbers.append({node->caption(), node->data().LocalWeight});
        state.numbers.append({node->caption(), node->data().ConsistencyIndex});
    });
    state.results = session.results();
    state.evaluationError = session.evaluationError();
    state.current = session.currentNode();
    state.shownNames = session.shownMatrix().items.names;
    state.shownWeights = session.shownMatrix().weights;
    state.shownError = session.shownMatrix().error;
    return state;
}

// The first field that differs, empty when none does.
QString difference(const State &a, const State &b)
{
    if (a.lines != b.lines)
        return QStringLiteral("saved lines:\n") + a.lines.join(u'\n') + QStringLiteral("\n---\n") + b.lines.join(u'\n');
    if (a.numbers != b.numbers) {
        for (qsizetype i = 0; i < std::min(a.numbers.size(), b.numbers.size()); ++i) {
            if (a.numbers.at(i) != b.numbers.at(i))
                return QStringLiteral("numbers of %1: %2 / %3").arg(a.numbers.at(i).first).arg(a.numbers.at(i).second).arg(b.numbers.at(i).second);
        }
        return QStringLiteral("numbers");
    }
    if (!(a.results == b.results))
        return QStringLiteral("results");
    if (a.evaluationError != b.evaluationError)
        return QStringLiteral("evaluation error: ") + a.evaluationError + QStringLiteral(" / ") + b.evaluationError;
    if (a.current != b.current)
        return QStringLiteral("selection");
    if (a.shownNames != b.shownNames || a.shownWeights != b.shownWeights || a.shownError != b.shownError)
        return QStringLiteral("shown matrix");
    return {};
}

QList<RequirementNode *> nodesOf(const Document &document)
{
    QList<RequirementNode *> nodes;
    document.tree.forEachPreOrder([&nodes](RequirementNode *node, int) { nodes.append(node); });
    return nodes;
}

// One random edit; false when it was refused (nothing pushed is fine too).
void randomEdit(DocumentSession &session, QRandomGenerator &random)
{
    const QList<RequirementNode *> nodes = nodesOf(session.document());
    RequirementNode *someNode = nodes.at(int(random.bounded(qsizetype(nodes.size()))));
    static const QStringList values{"3", "1/5", "9", "1", "2", "1/7", "0.5", "abc", "-3"};
    switch (random.bounded(13)) {
    case 0:
    case 1:
    case 2: {
        const int n = session.shownMatrix().size();
        if (n >= 2 && n <= DocumentSession::GridLimit) {
            const int row = 1 + int(random.bounded(n));
            const int column = 1 + (row + int(random.bounded(n - 1))) % n;
            // Rarely a value that cannot be read, so that undo must also cope with failures.
            const QString value = values.at(int(random.bounded(random.bounded(10) == 0 ? 9 : 7)));
            session.enterValue({column, row, value, value == u"abc" || value == u"-3" ? value : ReciprocalText(value)});
        }
        break;
    }
    case 3:
        session.changeDashesToOne();
        break;
    case 4:
        session.addChild();
        break;
    case 5:
        session.insertSibling();
        break;
    case 6:
        switch (random.bounded(4)) {
        case 0:
            session.moveUp();
            break;
        case 1:
            session.moveDown();
            break;
        case 2:
            session.indent();
            break;
        default:
            session.outdent();
        }
        break;
    case 7:
        session.deleteNode();
        break;
    case 8:
        session.dropNode(session.currentNode(), someNode);
        break;
    case 9:
        // Typing: a few characters, sometimes a name that differs only in letter case.
        session.renameCurrent(session.currentNode()->caption() + QChar(u'a' + char16_t(random.bounded(26))));
        if (random.bounded(3) == 0)
            session.endTyping();
        break;
    case 10: {
        QStringList lines = session.document().alternativesLines;
        if (!lines.isEmpty() && random.bounded(2))
            lines.removeAt(int(random.bounded(qsizetype(lines.size()))));
        else
            lines.append(QStringLiteral("Alt %1").arg(random.bounded(5)));
        session.setAlternativesText(lines.join(u'\n'));
        break;
    }
    case 11: {
        const int n = session.shownMatrix().size();
        if (n >= 2 && n <= DocumentSession::GridLimit) {
            const int row = 1 + int(random.bounded(n));
            session.clearEntry(1 + (row + int(random.bounded(n - 1))) % n, row);
        }
        break;
    }
    default:
        session.setCurrentNode(someNode);
        break;
    }
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void undoAllThenRedoAllGivesBothStates_data();
    void undoAllThenRedoAllGivesBothStates();
    void typingMergesUntilSelectionOrFocusChanges();
    void cleanStateFollowsSavesAndOpens();
    void finishedRenamesTakeTheirJudgementsAlong();
    void failingRecomputationStillUndoesCompletely();
    void stepTextsInBothLanguages();
    void nulByteWarnsAndSaveAsks();
    void outOfMemoryKeepsTheDocument();
    void indentAndOutdentMoveTheSubtree();

private:
    QTemporaryDir dir_;
    QString generated_;
};

void TestSession::initTestCase()
{
    generated_ = dir_.filePath("generated.ahp");
    bench::WriteGeneratedFile(generated_, {12, 3, 6}, 7);
}

void TestSession::undoAllThenRedoAllGivesBothStates_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("choose-a-car") << QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp");
    QTest::newRow("new-office") << QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp");
    QTest::newRow("generated") << generated_;
}

void TestSession::undoAllThenRedoAllGivesBothStates()
{
    QFETCH(QString, path);
    QRandomGenerator random(20261207);
    RecordingHost host;
    DocumentSession session;
    session.setHost(&host);
    for (int sequence = 0; sequence < 100; ++sequence) {
        QVERIFY(session.open(path));
        // The states right before the first step and right after the last one: selecting a
        // node is no step, so the selection is compared where the steps begin and end.
        QUndoStack *stack = session.undoStack();
        State opened = stateOf(session);
        State edited = opened;
        // A selection that finished a rename (copying its judgements) leaves the selection
        // elsewhere than a redo of that rename does.
        bool finishedBySelection = false;
        const int edits = 1 + int(random.bounded(12));
        for (int i = 0; i < edits; ++i) {
            const State before = stateOf(session);
            const int steps = stack->count();
            if (steps == 0)
                opened = before;
            randomEdit(session, random);
            const State after = stateOf(session);
            if (stack->count() != steps || after.lines != before.lines) {
                edited = after;
                finishedBySelection = stack->count() == steps;
            }
        }
        if (stack->count() == 0)
            opened = edited = stateOf(session);
        QCOMPARE(session.isModified(), stack->count() > 0);

        while (stack->canUndo())
            stack->undo();
        QString diff = difference(stateOf(session), opened);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("sequence %1 undone: %2").arg(sequence).arg(diff)));
        QVERIFY(!session.isModified());
        while (stack->canRedo())
            stack->redo();
        if (finishedBySelection)
            session.setCurrentNode(const_cast<RequirementNode *>(edited.current));
        diff = difference(stateOf(session), edited);
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("sequence %1 redone: %2").arg(sequence).arg(diff)));
    }
}

void TestSession::typingMergesUntilSelectionOrFocusChanges()
{
    DocumentSession session;
    QVERIFY(session.open(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp")));
    RequirementNode *root = session.document().tree.root();
    QUndoStack *stack = session.undoStack();
    for (const char *text : {"C", "Ch", "Cho"})
        session.renameCurrent(QString::fromLatin1(text));
    QCOMPARE(stack->count(), 1);
    session.endTyping(); // the field lost the focus
    session.renameCurrent(QStringLiteral("Chos"));
    QCOMPARE(stack->count(), 2);
    session.setCurrentNode(root->child(0));
    session.renameCurrent(QStringLiteral("Price"));
    session.setCurrentNode(root);
    session.setCurrentNode(root->child(0));
    session.renameCurrent(QStringLiteral("Prices"));
    QCOMPARE(stack->count(), 4);

    // The alternatives text merges the same way, and never with a caption.
    const QStringList alternatives = session.document().alternativesLines;
    session.setAlternativesText(QStringLiteral("x"));
    session.setAlternativesText(QStringLiteral("x\ny"));
    QCOMPARE(stack->count(), 5);
    stack->undo();
    QCOMPARE(session.document().alternativesLines, alternatives);
    stack->undo();
    QCOMPARE(root->child(0)->caption(), QStringLiteral("Price"));
    stack->undo();
    stack->undo();
    QCOMPARE(root->caption(), QStringLiteral("Cho"));
    QCOMPARE(session.currentNode(), root); // the undo selects the node it renames
}

void TestSession::finishedRenamesTakeTheirJudgementsAlong()
{
    DocumentSession session;
    QVERIFY(session.open(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp")));
    const QStringList original = FormatDataFile(session.document());
    const ComparisonTable &requirements = session.document().RequirementComparisons;
    const ComparisonTable &alternatives = session.document().AlternativeComparisons;
    RequirementNode *root = session.document().tree.root();
    const std::vector<double> weights{root->child(0)->data().LocalWeight, root->child(1)->data().LocalWeight};
    const QString carB = session.results().alternatives.at(1).text();

    session.setCurrentNode(root->child(1)); // Comfort
    session.renameCurrent(QStringLiteral("Comf"));
    session.renameCurrent(QStringLiteral("Comfy"));
    QVERIFY(!requirements.value(requirementKey("Cost", "Comfy"))); // not before the typing ends
    QCOMPARE(root->child(1)->data().LocalWeight, 0.5);             // but recomputed as it is typed
    session.endTyping();
    QCOMPARE(*requirements.value(requirementKey("Cost", "Comfy")), QStringLiteral("3"));
    QCOMPARE(*requirements.value(requirementKey("Comfy", "Cost")), QStringLiteral("1/3"));
    QVERIFY(!requirements.value(requirementKey("Cost", "Comf")));
    QVERIFY(requirements.value(requirementKey("Cost", "Comfort"))); // the old entries stay
    QCOMPARE(root->child(1)->data().LocalWeight, weights[1]);
    QCOMPARE(session.undoStack()->count(), 1);

    // One line of the alternatives changed in place renames that alternative under every leaf.
    session.setAlternativesText(QStringLiteral("Car A\nCar Y"));
    session.setAlternativesText(QStringLiteral("Car A\nCar Z"));
    session.endTyping();
    QCOMPARE(*alternatives.value(alternativeKey("Cost", "Car A", "Car Z")), QStringLiteral("1/5"));
    QCOMPARE(*alternatives.value(alternativeKey("Seats", "Car Z", "Car A")), QStringLiteral("1/3"));
    QVERIFY(!alternatives.value(alternativeKey("Cost", "Car A", "Car Y")));
    QCOMPARE(session.results().alternatives.at(1).name, QStringLiteral("Car Z"));
    QCOMPARE(session.results().alternatives.at(1).text(), carB);

    session.undoStack()->undo();
    session.undoStack()->undo();
    QCOMPARE(FormatDataFile(session.document()), original);
    QCOMPARE(root->child(1)->data().LocalWeight, weights[1]);
    session.undoStack()->redo();
    QCOMPARE(*requirements.value(requirementKey("Comfy", "Cost")), QStringLiteral("1/3"));
}

void TestSession::cleanStateFollowsSavesAndOpens()
{
    DocumentSession session;
    const QString path = dir_.filePath("clean.ahp");
    QVERIFY(session.save(path));
    QVERIFY(!session.isModified());
    session.addChild();
    session.addChild();
    QVERIFY(session.isModified());
    QVERIFY(session.save(path));
    QVERIFY(!session.isModified());
    session.undoStack()->undo(); // away from the saved state and back
    QVERIFY(session.isModified());
    session.undoStack()->redo();
    QVERIFY(!session.isModified());
    session.undoStack()->undo();
    session.deleteNode(); // the root: refused, nothing changes
    session.setCurrentNode(session.document().tree.root()->child(0));
    session.deleteNode(); // a new branch: the saved state can not come back
    QVERIFY(session.isModified());
    QVERIFY(session.open(path));
    QVERIFY(!session.isModified());
    QCOMPARE(session.undoStack()->count(), 0);
    session.addChild();
    session.newDocument();
    QCOMPARE(session.undoStack()->count(), 0);
    QVERIFY(!session.isModified());
}

void TestSession::failingRecomputationStillUndoesCompletely()
{
    // The file holds a value that cannot be read under the root; entries elsewhere and their
    // undo still apply completely, and each operation shows the error box once at most.
    const QString path = dir_.filePath("unreadable.ahp");
    writeBytes(path, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n C\r\n[Alternatives]\r\nx\r\ny\r\n"
                     "[Comparison]\r\nA\tB\tabc\r\n");
    RecordingHost host;
    DocumentSession session;
    session.setHost(&host);
    QVERIFY(session.open(path));
    QCOMPARE(host.errors.size(), 1);
    QVERIFY(session.evaluationError().contains("'abc'"));
    QVERIFY(session.results().requirements.isEmpty()); // nothing that looks like a result
    QVERIFY(!session.shownMatrix().computed);
    QCOMPARE(session.shownMatrix().errorRow, 0);
    QCOMPARE(session.shownMatrix().errorColumn, 1);

    const State opened = stateOf(session);
    session.enterValue({3, 1, QStringLiteral("5"), QStringLiteral("1/5")}); // A against C
    QCOMPARE(host.errors.size(), 2);
    QVERIFY(*session.document().RequirementComparisons.value(QStringLiteral("A\tC")) == u"5");
    session.undoStack()->undo();
    QCOMPARE(host.errors.size(), 3);
    QCOMPARE(difference(stateOf(session), opened), QString());
    session.enterValue({2, 1, QStringLiteral("3"), QStringLiteral("1/3")}); // repairs A against B
    QVERIFY(session.shownMatrix().computed);
    QVERIFY(session.evaluationError().isEmpty());
    QVERIFY(!session.results().requirements.isEmpty());
    session.undoStack()->undo();
    QCOMPARE(difference(stateOf(session), opened), QString());
}

void TestSession::stepTextsInBothLanguages()
{
    for (const bool japanese : {true, false}) {
        DocumentSession session;
        session.setJapanese(japanese);
        QVERIFY(session.open(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp")));
        session.enterValue({2, 1, QStringLiteral("5"), QStringLiteral("1/5")});
        QCOMPARE(session.undoStack()->undoText(), japanese ? QString::fromUtf8("入力 Choose a car: Cost / Comfort")
                                                           : QStringLiteral("Entry in Choose a car: Cost / Comfort"));
        session.changeDashesToOne();
        session.addChild();
        QCOMPARE(session.undoStack()->undoText(), japanese ? QString::fromUtf8("子追加 Choose a car")
                                                           : QStringLiteral("add child to Choose a car"));
        session.undoStack()->undo();
        QCOMPARE(session.undoStack()->redoText(), japanese ? QString::fromUtf8("子追加 Choose a car")
                                                           : QStringLiteral("add child to Choose a car"));
    }
}

void TestSession::nulByteWarnsAndSaveAsks()
{
    const QString path = dir_.filePath("nul.ahp");
    const QByteArray whole = readBytes(generated_);
    const qsizetype offset = whole.indexOf("[Comparison]");
    QByteArray damaged = whole;
    damaged[offset] = '\0';
    writeBytes(path, damaged);

    DocumentSession session;
    RecordingHost host;
    session.setHost(&host);
    session.setJapanese(false);
    QVERIFY(session.open(path));
    QVERIFY2(!host.errors.isEmpty() && host.errors.first().contains(QStringLiteral("offset %1").arg(offset)),
             qPrintable(host.errors.join(u'\n')));
    // Neither "another name" nor Cancel writes; only Overwrite does.
    for (OverwriteChoice answer : {OverwriteChoice::SaveAs, OverwriteChoice::Cancel}) {
        host.overwriteAnswer = answer;
        QVERIFY(!session.save(path));
        QCOMPARE(readBytes(path), damaged);
    }
    QCOMPARE(host.overwriteQuestions, QList<OverwriteReason>(2, OverwriteReason::IncompleteRead));
    QVERIFY(session.save(dir_.filePath("elsewhere.ahp"))); // another file: nothing to ask
    QCOMPARE(host.overwriteQuestions.size(), 2);
    host.overwriteAnswer = OverwriteChoice::Overwrite;
    QVERIFY(session.save(path));
    QCOMPARE(readBytes(path), readBytes(dir_.filePath("elsewhere.ahp")));
    QVERIFY(session.save(path)); // given up once: not asked again
    QCOMPARE(host.overwriteQuestions.size(), 3);
}

void TestSession::outOfMemoryKeepsTheDocument()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer aborts on a failed allocation instead of throwing std::bad_alloc");
#endif
    // A file the memory cannot hold (under a lowered address-space limit): a message naming it,
    // and the open document stays.
    const QString large = dir_.filePath("large.ahp");
    writeBytes(large, "Priomat - Data File\r\n");
    QVERIFY(QFile::resize(large, qint64(300) << 20));
    DocumentSession session;
    RecordingHost host;
    session.setHost(&host);
    QVERIFY(session.open(generated_));
    const QStringList before = FormatDataFile(session.document());

    QFile statm("/proc/self/statm");
    QVERIFY(statm.open(QIODevice::ReadOnly));
    const rlim_t used = rlim_t(statm.readAll().split(' ').first().toULongLong()) * rlim_t(::sysconf(_SC_PAGESIZE));
    rlimit saved {};
    ::getrlimit(RLIMIT_AS, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = used + (rlim_t(100) << 20);
    QCOMPARE(::setrlimit(RLIMIT_AS, &lowered), 0);
    const bool opened = session.open(large);
    ::setrlimit(RLIMIT_AS, &saved);

    QVERIFY(!opened);
    QCOMPARE(host.errors.size(), 1);
    QVERIFY2(host.errors.first().contains(large), qPrintable(host.errors.first()));
    QCOMPARE(session.fileName(), generated_);
    QCOMPARE(FormatDataFile(session.document()), before);
}

void TestSession::indentAndOutdentMoveTheSubtree()
{
    DocumentSession session;
    QVERIFY(session.open(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp")));
    RequirementNode *root = session.document().tree.root();
    RequirementNode *cost = root->child(0);
    RequirementNode *comfort = root->child(1);
    const QStringList opened = FormatDataFile(session.document());
    session.setCurrentNode(cost);
    QVERIFY(!session.canIndent()); // no sibling above
    QVERIFY(!session.canOutdent()); // the goal keeps its place as the only root
    session.setCurrentNode(comfort);
    QVERIFY(session.indent());
    QCOMPARE(comfort->parent(), cost);
    QCOMPARE(comfort->childCount(), 2); // Seats and Noise came along
    QCOMPARE(session.currentNode(), comfort);
    QVERIFY(session.outdent());
    QCOMPARE(comfort->parent(), root);
    QCOMPARE(root->indexOf(comfort), 1); // just below its former parent
    QCOMPARE(session.undoStack()->count(), 2);
    session.undoStack()->undo();
    QCOMPARE(comfort->parent(), cost);
    session.undoStack()->undo();
    QCOMPARE(FormatDataFile(session.document()), opened);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
