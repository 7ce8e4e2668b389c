// Formatting and parsing the data file.
#include "document/DataFile.h"
#include "DocumentBuilder.h"

#include <QTest>

using namespace priomat;
using namespace priomat::test;

namespace {

QStringList lines(std::initializer_list<const char *> raw)
{
    QStringList result;
    for (const char *line : raw)
        result.append(QString::fromUtf8(line));
    return result;
}

// Captions of the parsed tree as indented outline lines.
QStringList outline(const RequirementTree &tree)
{
    QStringList result;
    tree.forEachPreOrder([&result](RequirementNode *node, int depth) {
        result.append(QString(depth, u' ') + node->caption());
    });
    return result;
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void formatsWorkedExample();
    void formatsEmptySectionsAsHeadersAlone();
    void headerRule();
    void depthRuleWithQuestionMarkNodes();
    void tabsCountAsOneLevelEach();
    void indentedFirstEntryGetsAQuestionMarkTopLevel();
    void sectionsInAnyOrderAndCase();
    void bracketInFirstColumnEndsSection();
    void fieldSplit();
    void duplicateKeysAreKept();
    void recoveryNames();
    void noRecoveryNamesWhenTreeExists();
    void roundTrip();
    void blankCaptionKeepsItsNode();
    void bracketNamesSurviveSaving();
    void sectionNamesAndEscapesReadBackInAnyCase();
    void deepQuestionMarkChainsStayLinear();
};

void TestDataFile::formatsWorkedExample()
{
    Document document;
    buildTree(document.tree, {"Choose a car", " Cost", " Comfort", "  Seats", "  Noise"});
    document.alternativesLines = {"Car A", "Car B"};
    addEntries(document.RequirementComparisons,
               {"Cost|Comfort|3", "Comfort|Cost|1/3", "Seats|Noise|1/2", "Noise|Seats|2"});
    addEntries(document.AlternativeComparisons,
               {"Cost|Car A|Car B|1/5", "Cost|Car B|Car A|5", "Seats|Car A|Car B|3",
                "Seats|Car B|Car A|1/3"});
    QCOMPARE(FormatDataFile(document),
             lines({"Priomat - Data File", "", "[Tree]", "Choose a car", " Cost", " Comfort",
                    "  Seats", "  Noise", "", "[Alternatives]", "Car A", "Car B", "",
                    "[Comparison]", "Cost\tComfort\t3", "Comfort\tCost\t1/3", "Seats\tNoise\t1/2",
                    "Noise\tSeats\t2", "", "[AlternativesComparison]", "Cost\tCar A\tCar B\t1/5",
                    "Cost\tCar B\tCar A\t5", "Seats\tCar A\tCar B\t3", "Seats\tCar B\tCar A\t1/3"}));
}

void TestDataFile::formatsEmptySectionsAsHeadersAlone()
{
    Document document;
    buildTree(document.tree, {"Root", "Second root", " child"});
    document.alternativesLines = {" a ", "", "b"};
    QCOMPARE(FormatDataFile(document),
             lines({"Priomat - Data File", "", "[Tree]", "Root", "Second root", " child", "",
                    "[Alternatives]", "a", "", "b", "", "[Comparison]", "",
                    "[AlternativesComparison]"}));
}

void TestDataFile::headerRule()
{
    QVERIFY(ParseDataFile({}).foreign);
    QVERIFY(ParseDataFile(lines({""})).foreign);
    QVERIFY(!ParseDataFile(lines({"priomat - data file"})).foreign);
    QVERIFY(!ParseDataFile(lines({"PRIOMAT - DATA FILE", "[Tree]", "x"})).foreign);
    QVERIFY(ParseDataFile(lines({"Priomat - Data File "})).foreign);
    QVERIFY(ParseDataFile(lines({" Priomat - Data File"})).foreign);
    QVERIFY(ParseDataFile(lines({"Priomat - Data File\t"})).foreign);
    QVERIFY(ParseDataFile(lines({"Priomat-Data File"})).foreign);
    const ParsedDataFile foreign = ParseDataFile(lines({"Something", "[Tree]", "x"}));
    QVERIFY(foreign.foreign);
    QVERIFY(foreign.tree.isEmpty());
}

void TestDataFile::depthRuleWithQuestionMarkNodes()
{
    const ParsedDataFile parsed =
        ParseDataFile(lines({"Priomat - Data File", "[Tree]", "Root", "   Deep", "  Sibling", " A"}));
    QCOMPARE(outline(parsed.tree), lines({"Root", " ?", "  ?", "   Deep", "  Sibling", " A"}));
    QCOMPARE(parsed.tree.root()->data().LocalWeight, 0.0);
}

void TestDataFile::tabsCountAsOneLevelEach()
{
    const ParsedDataFile parsed = ParseDataFile(
        lines({"Priomat - Data File", "[Tree]", "R", "\tA", "\t B", "\t  C", "\tD", "\t\t\tE"}));
    QCOMPARE(outline(parsed.tree), lines({"R", " A", "  B", "   C", " D", "  ?", "   E"}));
}

void TestDataFile::indentedFirstEntryGetsAQuestionMarkTopLevel()
{
    const ParsedDataFile parsed =
        ParseDataFile(lines({"Priomat - Data File", "[Tree]", "  A", "B"}));
    QCOMPARE(outline(parsed.tree), lines({"?", " ?", "  A", "B"}));
}

void TestDataFile::sectionsInAnyOrderAndCase()
{
    const ParsedDataFile parsed = ParseDataFile(lines(
        {"Priomat - Data File", "  [alternativescomparison] ", "L\tx\ty\t3", "[COMPARISON]",
         "A\tB\t5", "", "B\tA\t1/5", "[Comparison]", "A\tC\t7", "\t[Tree]\t", "Root", "", " A",
         "[ Alternatives ]", "ignored", "[alternatives]", " x ", "y", "[Unknown]", "z"}));
    QCOMPARE(outline(parsed.tree), lines({"Root", " A"}));
    QCOMPARE(parsed.alternatives, lines({"x", "y"}));
    QCOMPARE(parsed.requirementEntries.entries(),
             (QList<ComparisonTable::Entry>{{"A\tB", "5"}, {"B\tA", "1/5"}}));
    QCOMPARE(parsed.alternativeEntries.entries(), (QList<ComparisonTable::Entry>{{"L\tx\ty", "3"}}));
}

void TestDataFile::bracketInFirstColumnEndsSection()
{
    const ParsedDataFile parsed = ParseDataFile(lines(
        {"Priomat - Data File", "[Tree]", "Root", " [Child]", "[Top]", "Lost", "[Alternatives]",
         "  [a]", "[b]", "c", "[Comparison]", "[X\tY\t3", " [X\tZ\t2"}));
    QCOMPARE(outline(parsed.tree), lines({"Root", " [Child]"}));
    QCOMPARE(parsed.alternatives, lines({"[a]"}));
    QCOMPARE(parsed.requirementEntries.entries(), (QList<ComparisonTable::Entry>{}));
}

void TestDataFile::fieldSplit()
{
    const ParsedDataFile parsed = ParseDataFile(lines(
        {"Priomat - Data File", "[Comparison]", "A\t\t3", "\tB\t3", "NoTab", "A\tB", " A \t B \t 1/2 ",
         "A\tB\t3\tmore", "[AlternativesComparison]", "L\tx\ty\t5", "L\tx\t\ty\t5", "\tx\ty\t5",
         "L\tx\ty"}));
    QCOMPARE(parsed.requirementEntries.entries(),
             (QList<ComparisonTable::Entry>{{"\tB", "3"}, {"A\tB", "1/2"}, {"A\tB", "3\tmore"}}));
    QCOMPARE(parsed.alternativeEntries.entries(),
             (QList<ComparisonTable::Entry>{{"L\tx\ty", "5"}, {"L\tx\ty", "5"}, {"\tx\ty", "5"}}));
}

void TestDataFile::duplicateKeysAreKept()
{
    ParsedDataFile parsed = ParseDataFile(
        lines({"Priomat - Data File", "[Tree]", "R", "[Comparison]", "A\tB\t3", "a\tb\t5"}));
    QCOMPARE(parsed.requirementEntries.size(), 2);
    Document document;
    document.tree = std::move(parsed.tree);
    for (const auto &entry : parsed.requirementEntries.entries())
        document.RequirementComparisons.append(entry.key, entry.value);
    QCOMPARE(*document.RequirementComparisons.value("A\tB"), QStringLiteral("3"));
    const QStringList written = FormatDataFile(document);
    QVERIFY(written.contains("A\tB\t3"));
    QVERIFY(written.contains("a\tb\t5"));
}

void TestDataFile::recoveryNames()
{
    const ParsedDataFile parsed = ParseDataFile(
        lines({"Priomat - Data File", "[Comparison]", "A\tB\t3", "b\tC\t2", "[AlternativesComparison]",
               "L\tx\ty\t5", "a\tx\ty\t5", "\tx\ty\t5"}));
    QVERIFY(parsed.tree.isEmpty());
    QCOMPARE(parsed.recoveryNames, lines({"A", "B", "C", "L", ""}));

    const ParsedDataFile worked = ParseDataFile(
        lines({"Priomat - Data File", "[Comparison]", "A\tB\t3", "[AlternativesComparison]",
               "L\tx\ty\t5"}));
    QCOMPARE(worked.recoveryNames, lines({"A", "B", "L"}));
    QVERIFY(ParseDataFile(lines({"Priomat - Data File"})).recoveryNames.isEmpty());
}

void TestDataFile::noRecoveryNamesWhenTreeExists()
{
    const ParsedDataFile parsed =
        ParseDataFile(lines({"Priomat - Data File", "[Tree]", "R", "[Comparison]", "A\tB\t3"}));
    QVERIFY(parsed.recoveryNames.isEmpty());
}

void TestDataFile::roundTrip()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", "  A1", "  A2", " B", "Other", " O1"});
    document.tree.root()->child(1)->setCaption(QString::fromUtf8("価格"));
    document.alternativesLines = {"x", "y", "", "z"};
    addEntries(document.RequirementComparisons, {"A|B|3", "B|A|1/3", "A1|A2|2.5"});
    addEntries(document.AlternativeComparisons, {"A1|x|y|9", "A1|x|y|1/9", "B|y|z|abc"});
    const QStringList first = FormatDataFile(document);

    ParsedDataFile parsed = ParseDataFile(first);
    QVERIFY(!parsed.foreign);
    Document again;
    again.tree = std::move(parsed.tree);
    again.alternativesLines = parsed.alternatives;
    for (const auto &entry : parsed.requirementEntries.entries())
        again.RequirementComparisons.append(entry.key, entry.value);
    for (const auto &entry : parsed.alternativeEntries.entries())
        again.AlternativeComparisons.append(entry.key, entry.value);
    QCOMPARE(outline(again.tree), outline(document.tree));
    QCOMPARE(again.RequirementComparisons.entries(), document.RequirementComparisons.entries());
    QCOMPARE(again.AlternativeComparisons.entries(), document.AlternativeComparisons.entries());
    // Empty alternative lines are written but not read back.
    QCOMPARE(again.alternativesLines, lines({"x", "y", "z"}));
}

void TestDataFile::blankCaptionKeepsItsNode()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", " blank", "  Child", "  Other"});
    findNode(document.tree, "blank")->setCaption("   ");
    const ParsedDataFile parsed = ParseDataFile(FormatDataFile(document));
    QCOMPARE(outline(parsed.tree), lines({"Goal", " A", " ", "  Child", "  Other"}));

    buildTree(document.tree, {"Goal", " blank", "  Child"});
    findNode(document.tree, "blank")->setCaption(" ");
    QCOMPARE(outline(ParseDataFile(FormatDataFile(document)).tree), lines({"Goal", " ", "  Child"}));
}

void TestDataFile::bracketNamesSurviveSaving()
{
    // Written as they stand, these would end their sections and lose what follows them.
    Document document;
    buildTree(document.tree, {"Goal", " [Draft] Cost", " B"});
    document.alternativesLines = {"[a]", "b"};
    addEntries(document.RequirementComparisons, {"[Draft] Cost|B|3", "B|[Draft] Cost|1/3"});
    addEntries(document.AlternativeComparisons, {"[Draft] Cost|[a]|b|5", "B|b|[a]|2"});
    const QStringList written = FormatDataFile(document);
    QVERIFY(written.contains(" [a]"));
    QVERIFY(written.contains(" [Draft] Cost\tB\t3"));
    QVERIFY(written.contains("B\t[Draft] Cost\t1/3"));

    const ParsedDataFile parsed = ParseDataFile(written);
    QCOMPARE(outline(parsed.tree), lines({"Goal", " [Draft] Cost", " B"}));
    QCOMPARE(parsed.alternatives, lines({"[a]", "b"}));
    QCOMPARE(parsed.requirementEntries.entries(), document.RequirementComparisons.entries());
    QCOMPARE(parsed.alternativeEntries.entries(), document.AlternativeComparisons.entries());
}

void TestDataFile::sectionNamesAndEscapesReadBackInAnyCase()
{
    // Every text that could be taken for a header, end a section or vanish as a blank line,
    // in every place a text is written.
    Document document;
    buildTree(document.tree, {"[Comparison]", " [Tree]", "  [alternatives]", " x"});
    findNode(document.tree, "x")->setCaption(QString());
    document.tree.appendTopLevel(std::make_unique<RequirementNode>("\\[AlternativesComparison]"));
    document.tree.appendTopLevel(std::make_unique<RequirementNode>("\\"));
    document.tree.appendTopLevel(std::make_unique<RequirementNode>("\\x"));
    document.alternativesLines = {"[Comparison]", "[COMPARISON]", "[alternativescomparison]", "\\", "[Tree]"};
    addEntries(document.RequirementComparisons,
               {"[Comparison]|[Tree]|3", "[tree]||5", "|[Tree]|1/5", "\\\\|\\|2"});
    addEntries(document.AlternativeComparisons,
               {"[Comparison]|[Comparison]|[COMPARISON]|5", "[Tree]||\\|1/3"});

    const QStringList written = FormatDataFile(document);
    const ParsedDataFile parsed = ParseDataFile(written);
    QCOMPARE(outline(parsed.tree), outline(document.tree));
    QCOMPARE(parsed.alternatives, document.alternativesLines);
    QCOMPARE(parsed.requirementEntries.entries(), document.RequirementComparisons.entries());
    QCOMPARE(parsed.alternativeEntries.entries(), document.AlternativeComparisons.entries());

    // Only where needed: names that read back as they stand are written as they stand.
    QVERIFY(written.contains("\\[Comparison]"));
    QVERIFY(written.contains(" [Tree]"));
    QVERIFY(written.contains("\\x"));
    QVERIFY(written.contains(" [tree]\t\\\t5")); // an empty column field
}

void TestDataFile::deepQuestionMarkChainsStayLinear()
{
    // One line with many leading blanks reads as a long chain of "?" nodes; saving writes the
    // chain as that one line again, not one line per level.
    const QString deep = QString(3000, u' ') + QStringLiteral("Deep");
    const ParsedDataFile parsed =
        ParseDataFile({"Priomat - Data File", "[Tree]", "Root", deep, " ?", "  Kept", " ?"});
    QCOMPARE(parsed.tree.nodeCount(), 1 + 2999 + 1 + 3); // Root, the chain, Deep, ?, Kept, ?
    Document document;
    document.tree = ParseDataFile({"Priomat - Data File", "[Tree]", "Root", deep, " ?", "  Kept", " ?"}).tree;
    const QStringList written = FormatDataFile(document);
    QVERIFY(written.contains(deep));
    QVERIFY(written.contains(" ?")); // "?" nodes that reading would not create stay
    QVERIFY(written.join(QString()).size() < 2 * deep.size());
    QCOMPARE(outline(ParseDataFile(written).tree), outline(document.tree));
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
