// The advisor's suggestions and the completion applied through the session.
#include "document/DocumentSession.h"
#include "DocumentBuilder.h"
#include "model/ComparisonValue.h"
#include "model/ConsistencyAdvisor.h"

#include <QTest>
#include <QUndoStack>

using namespace priomat;
using namespace priomat::test;

class TestAdvisorSession : public QObject
{
    Q_OBJECT

private slots:
    void previewAgreesWithEvaluationAfterApplying();
    void completionIsOneStep();
};

void TestAdvisorSession::previewAgreesWithEvaluationAfterApplying()
{
    for (const bool inverse : {true, false}) {
        DocumentSession session;
        session.options().setInverse(inverse);
        Document &document = session.editableDocument();
        buildTree(document.tree, {"Goal", " Cost", " Speed", " Comfort", " Looks"});
        document.alternativesLines = {"p", "q", "r", "s"};
        // An inconsistent criteria matrix over alternatives that each criterion orders differently.
        addEntries(document.RequirementComparisons,
                   {"Cost|Speed|5", "Speed|Cost|1/5", "Cost|Comfort|1/3", "Comfort|Cost|3", "Cost|Looks|7",
                    "Looks|Cost|1/7", "Speed|Comfort|4", "Comfort|Speed|1/4", "Speed|Looks|1/2", "Looks|Speed|2",
                    "Comfort|Looks|3", "Looks|Comfort|1/3"});
        addEntries(document.AlternativeComparisons,
                   {"Cost|p|q|5", "Cost|p|r|3", "Cost|q|s|1/2", "Speed|q|p|7", "Speed|r|s|3", "Speed|q|r|2",
                    "Comfort|r|p|4", "Comfort|r|q|6", "Comfort|s|p|2", "Looks|s|r|9", "Looks|s|p|5"});
        session.reinstall();
        bool someChange = false;
        // The criteria matrix, then the alternatives under one leaf.
        for (RequirementNode *node : {document.tree.root(), document.tree.root()->child(1)}) {
            session.setCurrentNode(node);

            const ComparisonMatrix matrix = ComparisonMatrix::of(session.document(), session.shownMatrix().items);
            const AdvisorResult advice = AdviseMatrix(matrix, node->caption(), inverse);
            QVERIFY(advice.computed);
            QCOMPARE(advice.consistencyIndex, session.shownMatrix().consistencyIndex);
            QVERIFY(!advice.suggestions.empty());
            for (const AdvisorSuggestion &suggestion : advice.suggestions) {
                RankingPreview preview;
                {
                    RankingPreviewer previewer(session.document(), node);
                    preview = previewer.preview(suggestion, inverse);
                }
                QVERIFY(preview.computed);
                QCOMPARE(preview.before, RankingPreviewer::rankingOf(session.results().alternatives));
                const int steps = session.undoStack()->index();
                session.enterValue({suggestion.column + 1, suggestion.row + 1, suggestion.suggested, suggestion.reciprocal});
                QCOMPARE(session.undoStack()->index(), steps + 1);
                QVERIFY(session.shownMatrix().consistencyIndex == suggestion.indexAfter); // exactly what the window shows
                const QStringList after = RankingPreviewer::rankingOf(session.results().alternatives);
                QCOMPARE(preview.after, after);
                QCOMPARE(preview.bestChanges, after.value(0) != preview.before.value(0));
                QCOMPARE(preview.topThreeChange, after.mid(0, 3) != preview.before.mid(0, 3));
                someChange = someChange || preview.topThreeChange;
                session.undoStack()->undo();
            }
        }
        QVERIFY(someChange); // the case exercises a preview that differs
    }
}

void TestAdvisorSession::completionIsOneStep()
{
    DocumentSession session;
    Document &document = session.editableDocument();
    buildTree(document.tree, {"Goal", " A", " B", " C", " D"});
    addEntries(document.RequirementComparisons, {"A|B|2", "B|A|1/2", "B|C|3", "C|B|1/3"});
    session.reinstall();
    session.setCurrentNode(document.tree.root());

    // D is compared with nothing: reported, nothing changes.
    const qsizetype entries = document.RequirementComparisons.size();
    Completion completion = session.completeFromEntered();
    QCOMPARE(completion.groups.size(), size_t(2));
    QCOMPARE(completion.groups[1], QStringList{"D"});
    QCOMPARE(session.undoStack()->count(), 0);
    QCOMPARE(document.RequirementComparisons.size(), entries);

    session.enterValue({4, 3, QStringLiteral("2"), QStringLiteral("1/2")}); // C against D
    completion = session.completeFromEntered();
    QVERIFY(completion.groups.empty());
    QCOMPARE(session.undoStack()->count(), 2);
    QCOMPARE(session.cellText(0, 2), QStringLiteral("6"));
    QCOMPARE(session.cellText(2, 0), QStringLiteral("1/6"));
    QCOMPARE(session.cellText(0, 3), QStringLiteral("9")); // 12, limited to the scale
    QVERIFY(!session.hasDashes());
    session.undoStack()->undo();
    QCOMPARE(session.cellText(0, 2), QStringLiteral("-"));
    QCOMPARE(session.cellText(3, 2), QStringLiteral("1/2"));
}

QTEST_GUILESS_MAIN(TestAdvisorSession)
#include "tst_advisor_session.moc"
