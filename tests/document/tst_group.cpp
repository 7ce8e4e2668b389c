// Combining participants' files and measuring their agreement.
#include "document/DataFile.h"
#include "document/DocumentFile.h"
#include "document/GroupDecision.h"
#include "model/ComparisonValue.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

#include "TestFiles.h"

using namespace priomat;
using namespace priomat::test;

namespace {

const QString GroupFolder = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/group/");
const QString Car = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp");

// The value the combined document holds for a key, read as the computation reads it.
double combinedValue(const GroupResult &result, const QString &key, bool alternatives)
{
    const ComparisonTable &table = alternatives ? result.combined.AlternativeComparisons
                                                : result.combined.RequirementComparisons;
    const QString *text = table.value(key);
    return text ? ReadComparisonValue(*text) : std::nan("");
}

Document load(const QString &path)
{
    Document document;
    DataFileRead read = ReadDataFile(path);
    InstallParsedDocument(document, std::move(read.parsed), nullptr);
    return document;
}

} // namespace

class TestGroup : public QObject
{
    Q_OBJECT

private slots:
    void identicalFilesCombineToTheirOwnNumbers();
    void reciprocalJudgementsCombineToOne();
    void combinedJudgementsAreWeightedGeometricMeans();
    void identicalParticipantIsFullyCompatible();
    void refusals();
};

void TestGroup::identicalFilesCombineToTheirOwnNumbers()
{
    const QString anna = GroupFolder + QStringLiteral("anna.ahp");
    const Document own = load(anna);
    for (int copies : {1, 3}) {
        const GroupResult result = CombineGroup(std::vector<GroupParticipant>(size_t(copies), {anna, 1.0}), false);
        for (const bool alternatives : {false, true}) {
            const ComparisonTable &table = alternatives ? own.AlternativeComparisons : own.RequirementComparisons;
            for (qsizetype i = 0; i < table.size(); ++i)
                QCOMPARE(combinedValue(result, table.keyAt(i), alternatives), ReadComparisonValue(table.valueAt(i)));
        }
        QCOMPARE(result.combined.AlternativeComparisons.size(), own.AlternativeComparisons.size());
    }
}

void TestGroup::reciprocalJudgementsCombineToOne()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QByteArray bytes = readBytes(Car);
    const QString x = folder.filePath(QStringLiteral("x.ahp"));
    const QString inverse = folder.filePath(QStringLiteral("inverse.ahp"));
    writeBytes(x, bytes);
    // Every entry turned into its reciprocal.
    Document document = load(Car);
    for (ComparisonTable *table : {&document.RequirementComparisons, &document.AlternativeComparisons}) {
        for (qsizetype i = 0; i < table->size(); ++i)
            table->setValueAt(i, ReciprocalText(table->valueAt(i)));
    }
    SaveDataFile(inverse, document);

    const GroupResult result = CombineGroup({{x, 1.0}, {inverse, 1.0}}, false);
    QCOMPARE(result.combined.RequirementComparisons.size(), 4);
    for (const ComparisonTable *table :
         {&result.combined.RequirementComparisons, &result.combined.AlternativeComparisons}) {
        for (qsizetype i = 0; i < table->size(); ++i)
            QCOMPARE(table->valueAt(i), QStringLiteral("1"));
    }
}

void TestGroup::combinedJudgementsAreWeightedGeometricMeans()
{
    const GroupResult result = CombineGroup({{GroupFolder + "anna.ahp", 1.0},
                                             {GroupFolder + "ben.ahp", 2.0},
                                             {GroupFolder + "chika.ahp", 3.0}},
                                            true);
    // Cost against Access: 3, 1/2 and 1.
    const double direct = std::pow(3.0 * 0.25 * 1.0, 1.0 / 6.0);
    QVERIFY(std::abs(combinedValue(result, requirementKey("Cost", "Access"), false) / direct - 1.0) < 1e-14);
    // Chika entered nothing under Facilities: Anna's 1/3 and Ben's 1/4 alone, weights 1 and 2.
    const double facilities = std::pow((1.0 / 3.0) * (1.0 / 16.0), 1.0 / 3.0);
    const double combined = combinedValue(result, alternativeKey("Facilities", "Harbour Hall", "Lakeside Resort"), true);
    QVERIFY(std::abs(combined / facilities - 1.0) < 1e-14);
    QCOMPARE(result.notes.size(), 1);
    QVERIFY(result.notes.first().contains(QStringLiteral("chika.ahp")));
    QVERIFY(result.notes.first().contains(QStringLiteral("'Facilities'")));

    // The AIP is the weighted mean of the participants' points.
    for (size_t k = 0; k < result.meanPoints.size(); ++k) {
        const double mean = (result.points[0][k] + 2 * result.points[1][k] + 3 * result.points[2][k]) / 6.0;
        QVERIFY(std::abs(result.meanPoints[k] - mean) < 1e-14);
    }
    // The most disputed pair comes first.
    QVERIFY(!result.pairs.empty());
    for (const DisputedPair &pair : result.pairs)
        QVERIFY(pair.dispersion <= result.pairs.front().dispersion);
}

void TestGroup::identicalParticipantIsFullyCompatible()
{
    // Two-item matrices are always consistent: a participant identical to the group agrees fully.
    const GroupResult result = CombineGroup({{Car, 1.0}, {Car, 1.0}}, true);
    // The car's Noise alternatives are not entered: four matrices with judgements.
    QCOMPARE(result.compatibility.size(), size_t(2 * 4));
    for (const CompatibilityRow &row : result.compatibility)
        QVERIFY(std::abs(row.compatibility - 1.0) < 1e-14);
    for (const DisputedPair &pair : result.pairs)
        QCOMPARE(pair.dispersion, 1.0);
}

void TestGroup::refusals()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QByteArray car = readBytes(Car);
    const auto variant = [&](const char *name, const char *from, const char *to) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        writeBytes(path, QByteArray(car).replace(from, to));
        return path;
    };
    const auto refusal = [&](const QString &path) -> std::pair<GroupInputError::Kind, QString> {
        try {
            CombineGroup({{Car, 1.0}, {path, 1.0}}, true);
        } catch (const GroupInputError &error) {
            return {error.kind(), error.message()};
        }
        return {GroupInputError::Kind::Refused, QString()};
    };

    auto [kind, message] = refusal(variant("renamed.ahp", " Noise\r\n", " Sound\r\n"));
    QCOMPARE(kind, GroupInputError::Kind::Refused);
    QVERIFY2(message.contains("renamed.ahp") && message.contains("'Sound'") && message.contains("'Noise'"),
             qPrintable(message));

    std::tie(kind, message) = refusal(variant("moved.ahp", "\r\n  Noise\r\n", "\r\n Noise\r\n"));
    QCOMPARE(kind, GroupInputError::Kind::Refused);
    QVERIFY2(message.contains("moved.ahp") && message.contains("'Choose a car' has 3 children"), qPrintable(message));

    std::tie(kind, message) = refusal(variant("other-cars.ahp", "Car B\r\n\r\n", "Car C\r\n\r\n"));
    QCOMPARE(kind, GroupInputError::Kind::Refused);
    QVERIFY2(message.contains("other-cars.ahp") && message.contains("'Car C'"), qPrintable(message));

    std::tie(kind, message) = refusal(variant("typo.ahp", "Seats\tCar A\tCar B\t3", "Seats\tCar A\tCar B\tx3"));
    QCOMPARE(kind, GroupInputError::Kind::Value);
    QVERIFY2(message.contains("typo.ahp") && message.contains("'Seats'") && message.contains("'x3'"),
             qPrintable(message));

    std::tie(kind, message) = refusal(folder.filePath("missing.ahp"));
    QCOMPARE(kind, GroupInputError::Kind::Refused);
    QVERIFY(message.contains("missing.ahp"));
}

QTEST_GUILESS_MAIN(TestGroup)
#include "tst_group.moc"
