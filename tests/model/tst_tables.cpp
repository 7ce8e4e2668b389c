// Comparison tables, entry storage and the alternatives text rule.
#include "model/ComparisonMatrix.h"
#include "model/ComparisonTable.h"
#include "model/Document.h"
#include "DocumentBuilder.h"

#include <QTest>

using namespace priomat;
using namespace priomat::test;

class TestTables : public QObject
{
    Q_OBJECT

private slots:
    void lookupIsFirstMatchWithoutLetterCase();
    void takenEntriesGoBackInPlace();
    void storeReplacesFirstMatchOrAppends();
    void indexSurvivesClear();
    void captionsHoldingTabsAreFound();
    void storeEntryWithAndWithoutInverse();
    void storeEntryForLeafUsesTrimmedLeafName();
    void sharedNamesShareEntriesAcrossParents();
    void alternativesTrimAndSkipBlankLines();
    void itemsUnderNodeAndLeaf();
    void matrixCountsMissingCells();
    void bulkAppendAndRowLookupsAgreeWithSingleOnes();
    void keysOfEveryKindSurviveCopyUndoAndLateIndexing();
};

void TestTables::lookupIsFirstMatchWithoutLetterCase()
{
    ComparisonTable table;
    table.append(requirementKey("Price", "Comfort"), "3");
    table.append(requirementKey("PRICE", "comfort"), "5"); // a later duplicate
    QCOMPARE(*table.value(requirementKey("price", "COMFORT")), QStringLiteral("3"));
    QCOMPARE(table.find(requirementKey("pRiCe", "Comfort")), std::optional<qsizetype>(0));
    QVERIFY(!table.value(requirementKey("Comfort", "Price")));
    QVERIFY(!table.value(QStringLiteral("Price")));
    // Non-ASCII letters compare without case too.
    table.append(requirementKey(QString::fromUtf8("Ärger"), "B"), "7");
    QCOMPARE(*table.value(requirementKey(QString::fromUtf8("äRGER"), "b")), QStringLiteral("7"));
}

void TestTables::takenEntriesGoBackInPlace()
{
    ComparisonTable table;
    table.append(requirementKey("Price", "Comfort"), "3");
    table.append(requirementKey("Size", "Comfort"), "2");
    table.append(requirementKey("PRICE", "comfort"), "5"); // a later duplicate
    const QList<ComparisonTable::Entry> before = table.entries();
    QCOMPARE(table.takeAt(0), (ComparisonTable::Entry{requirementKey("Price", "Comfort"), "3"}));
    QCOMPARE(*table.value(requirementKey("price", "comfort")), QStringLiteral("5")); // the duplicate now leads
    QCOMPARE(table.find(requirementKey("size", "comfort")), std::optional<qsizetype>(0));
    table.takeAt(1);
    QVERIFY(!table.value(requirementKey("price", "comfort")));
    table.insertAt(1, requirementKey("PRICE", "comfort"), "5");
    table.insertAt(0, requirementKey("Price", "Comfort"), "3");
    QCOMPARE(table.entries(), before);
    QCOMPARE(*table.value(requirementKey("price", "comfort")), QStringLiteral("3"));
    table.append(requirementKey("Noise", "Size"), "7"); // the rebuilt index takes more entries
    QCOMPARE(*table.value(requirementKey("noise", "size")), QStringLiteral("7"));
}

void TestTables::storeReplacesFirstMatchOrAppends()
{
    ComparisonTable table;
    table.append("A\tB", "3");
    table.append("a\tb", "5");
    table.store("A\tb", "7");
    QCOMPARE(table.size(), 2);
    QCOMPARE(table.at(0).value, QStringLiteral("7"));
    QCOMPARE(table.at(0).key, QStringLiteral("A\tB")); // the stored key keeps its spelling
    QCOMPARE(table.at(1).value, QStringLiteral("5"));
    table.store("C\tD", "1/2");
    QCOMPARE(table.size(), 3);
    QCOMPARE(table.at(2), (ComparisonTable::Entry{"C\tD", "1/2"}));
}

void TestTables::indexSurvivesClear()
{
    ComparisonTable table;
    table.append("A\tB", "3");
    table.clear();
    QVERIFY(table.isEmpty());
    QVERIFY(!table.value("A\tB"));
    table.store("A\tB", "4");
    QCOMPARE(*table.value("a\tb"), QStringLiteral("4"));
}

void TestTables::captionsHoldingTabsAreFound()
{
    // A caption read from a file may hold a TAB; the matrix must still find its entries.
    ComparisonTable table;
    table.append(requirementKey("A", "B\tC"), "3");
    table.append(requirementKey("B\tC", "A"), "1/3");
    const ComparisonMatrix matrix(table, QStringList{"A", "B\tC"});
    QVERIFY(matrix.entry(0, 1));
    QCOMPARE(*matrix.entry(0, 1), QStringLiteral("3"));
    QCOMPARE(*matrix.entry(1, 0), QStringLiteral("1/3"));
}

void TestTables::storeEntryWithAndWithoutInverse()
{
    Document document;
    MatrixItems items;
    items.names = QStringList{"A", "B", "C"};
    // Row A (grid row 1), column B (grid column 2).
    StoreEntry(document, items, 2, 1, "3", "1/3", true);
    QCOMPARE(*document.RequirementComparisons.value("A\tB"), QStringLiteral("3"));
    QCOMPARE(*document.RequirementComparisons.value("B\tA"), QStringLiteral("1/3"));

    StoreEntry(document, items, 3, 1, "5", "1/5", false);
    QCOMPARE(*document.RequirementComparisons.value("A\tC"), QStringLiteral("5"));
    QVERIFY(!document.RequirementComparisons.value("C\tA"));

    StoreEntry(document, items, 2, 1, "1/3", "3", true); // replaces in place
    QCOMPARE(document.RequirementComparisons.size(), 3);
    QCOMPARE(document.RequirementComparisons.at(0).value, QStringLiteral("1/3"));
    QCOMPARE(document.RequirementComparisons.at(1).value, QStringLiteral("3"));
    QVERIFY(document.AlternativeComparisons.isEmpty());
}

void TestTables::storeEntryForLeafUsesTrimmedLeafName()
{
    Document document;
    buildTree(document.tree, {"Goal", " Price "});
    document.alternativesLines = QStringList{"Car A", "Car B"};
    const MatrixItems items = ItemsUnder(document, document.tree.root()->child(0));
    QVERIFY(items.leafShown);
    QCOMPARE(items.leafName, QStringLiteral("Price"));
    StoreEntry(document, items, 2, 1, "7", "1/7", true);
    QCOMPARE(document.AlternativeComparisons.at(0).key, QStringLiteral("Price\tCar A\tCar B"));
    QCOMPARE(document.AlternativeComparisons.at(1),
             (ComparisonTable::Entry{"Price\tCar B\tCar A", "1/7"}));
    QVERIFY(document.RequirementComparisons.isEmpty());
}

void TestTables::sharedNamesShareEntriesAcrossParents()
{
    Document document;
    buildTree(document.tree, {"Goal", " X", "  A", "  B", " Y", "  a", "  B"});
    const MatrixItems underX = ItemsUnder(document, findNode(document.tree, "X"));
    StoreEntry(document, underX, 2, 1, "4", "1/4", true);
    const ComparisonMatrix underY =
        ComparisonMatrix::of(document, ItemsUnder(document, findNode(document.tree, "Y")));
    QCOMPARE(*underY.entry(0, 1), QStringLiteral("4"));
    QCOMPARE(*underY.entry(1, 0), QStringLiteral("1/4"));
}

void TestTables::alternativesTrimAndSkipBlankLines()
{
    const QStringList lines{"  Car A ", "", " \t", "Car B", "Car A", QString::fromUtf8("\u3000Car C")};
    // A full-width space is not blank.
    QCOMPARE(AlternativesFromLines(lines),
             (QStringList{"Car A", "Car B", "Car A", QString::fromUtf8("\u3000Car C")}));
}

void TestTables::itemsUnderNodeAndLeaf()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", " B", "  B1"});
    document.alternativesLines = QStringList{"x", "", " y "};
    const MatrixItems root = ItemsUnder(document, document.tree.root());
    QCOMPARE(root.names, (QStringList{"A", "B"}));
    QVERIFY(!root.leafShown);
    const MatrixItems leaf = ItemsUnder(document, findNode(document.tree, "A"));
    QCOMPARE(leaf.names, (QStringList{"x", "y"}));
    QVERIFY(leaf.leafShown);
    QCOMPARE(ItemsUnder(document, findNode(document.tree, "B")).names, QStringList{"B1"});
}

void TestTables::matrixCountsMissingCells()
{
    ComparisonTable table;
    addEntries(table, {"A|B|3", "B|A|1/3", "A|C|2"});
    const ComparisonMatrix matrix(table, QStringList{"A", "B", "C"});
    QCOMPARE(matrix.missingCount(), 3);
    QVERIFY(!matrix.entry(0, 0)); // the diagonal is never read
}

void TestTables::bulkAppendAndRowLookupsAgreeWithSingleOnes()
{
    // Enough entries to make the index grow several times, with case variants and duplicates.
    QList<ComparisonTable::Entry> entries;
    QStringList names;
    for (int i = 0; i < 60; ++i)
        names.append(QStringLiteral("Item %1").arg(i));
    for (int i = 0; i < 60; ++i) {
        for (int j = 0; j < 60; ++j) {
            if (i == j || (i + j) % 7 == 0)
                continue;
            const QString row = (i % 2) ? names[i].toUpper() : names[i];
            entries.append({alternativeKey("Leaf", row, names[j]), QString::number(i * 100 + j)});
            if (j % 5 == 0) // a later duplicate never wins
                entries.append({alternativeKey("LEAF", names[i], names[j]), QStringLiteral("dup")});
        }
    }
    ComparisonTable bulk;
    bulk.append(alternativeKey("leaf", "item 0", "item 1"), "first"); // already there before
    bulk.appendAll(entries);
    ComparisonTable single;
    single.append(alternativeKey("leaf", "item 0", "item 1"), "first");
    for (const auto &entry : entries)
        single.append(entry.key, entry.value);
    QCOMPARE(bulk.entries(), single.entries());

    const ComparisonMatrix matrix(bulk, "leaf", names);
    std::vector<const QString *> row;
    for (int i = 0; i < 60; ++i) {
        matrix.rowEntries(i, row);
        for (int j = 0; j < 60; ++j) {
            const QString *expected = i == j ? nullptr : single.value(alternativeKey("Leaf", names[i], names[j]));
            QCOMPARE(row[size_t(j)] ? *row[size_t(j)] : QString("none"), expected ? *expected : QString("none"));
            QCOMPARE(matrix.entry(i, j) ? *matrix.entry(i, j) : QString("none"), expected ? *expected : QString("none"));
        }
    }
    QCOMPARE(*bulk.value(alternativeKey("Leaf", "Item 0", "Item 1")), QStringLiteral("first"));
    QCOMPARE(*bulk.value(alternativeKey("leaf", "ITEM 3", "item 10")), QStringLiteral("310"));
    QVERIFY(!bulk.value(alternativeKey("leaf", "Item 3", "Item 4"))); // 3 + 4 is a multiple of 7
}

void TestTables::keysOfEveryKindSurviveCopyUndoAndLateIndexing()
{
    // Keys in Latin-1, beyond it and beyond the BMP, and one longer than a storage block.
    const QString micro = QString::fromUtf8("\u00b5g\tB");       // folds to Greek mu
    const QString greekMu = QString::fromUtf8("\u039cG\tb");
    const QString wide = QString::fromUtf8("\u0416\U00010400\tx");
    const QString longKey = QString(70000, u'k') + u'\t' + QString(70000, u'\u00e9');
    ComparisonTable table;
    table.append(micro, "2");
    table.append(wide, "3");
    table.append(longKey, "4");
    const QString *two = table.value(greekMu);
    QVERIFY(two);
    table.append(QStringLiteral("later\tone"), "a value never seen before");
    QCOMPARE(*two, QStringLiteral("2")); // value pointers outlive appends
    QVERIFY(table.value(QString::fromUtf8("\u0436\U00010400\tX")));
    QCOMPARE(*table.value(QString::fromUtf8("\u0436\U00010400\tX")), QStringLiteral("3"));
    QVERIFY(table.value(longKey.toUpper()));
    QCOMPARE(*table.value(longKey.toUpper()), QStringLiteral("4"));

    ComparisonTable copy = table;
    table.removeLast();
    table.removeLast();
    QVERIFY(!table.value(longKey));
    table.append(longKey, "5");
    QCOMPARE(*table.value(longKey), QStringLiteral("5"));
    QCOMPARE(copy.size(), 4);
    QCOMPARE(copy.at(2), (ComparisonTable::Entry{longKey, "4"}));
    QCOMPARE(*copy.value(QStringLiteral("LATER\tONE")), QStringLiteral("a value never seen before"));

    // Entries appended without the index are found, first match first, before and after it.
    ComparisonTable late;
    const QLatin1StringView fields[] = {QLatin1StringView("a"), QLatin1StringView("b")};
    late.appendUnindexedLatin1(fields, 2, QLatin1StringView("1"));
    late.appendUnindexed(KeyFields(u"A", u"B"), u"2");
    late.appendUnindexed(KeyFields(u"\u00c4", u"B"), u"3");
    QCOMPARE(*late.value(KeyFields(u"A", u"b")), QStringLiteral("1"));
    late.indexAppended();
    QCOMPARE(*late.value(KeyFields(u"A", u"b")), QStringLiteral("1"));
    QCOMPARE(*late.value(KeyFields(u"\u00e4", u"b")), QStringLiteral("3"));
    QCOMPARE(late.entries(), (QList<ComparisonTable::Entry>{{"a\tb", "1"}, {"A\tB", "2"},
                                                            {QString::fromUtf8("\u00c4\tB"), "3"}}));
}

QTEST_GUILESS_MAIN(TestTables)
#include "tst_tables.moc"
