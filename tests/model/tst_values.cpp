// Value texts: reading as numbers, the scale, reciprocals and the general float format.
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/FloatFormat.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace priomat;
using Kind = ComputationError::Kind;

class TestValues : public QObject
{
    Q_OBJECT

private slots:
    void readsAcceptedForms_data();
    void readsAcceptedForms();
    void rejectsUnreadableTexts_data();
    void rejectsUnreadableTexts();
    void errorMessageNamesValue();
    void scaleTextsAndReciprocals();
    void scalePositionFromCellText_data();
    void scalePositionFromCellText();
    void scalePositionRejectsNonIntegers();
    void formatsGeneralFloat_data();
    void formatsGeneralFloat();
    void formatRoundTripsThroughReading();
};

void TestValues::readsAcceptedForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("whole") << "3" << 3.0;
    QTest::newRow("reciprocal") << "1/3" << 1.0 / 3.0;
    QTest::newRow("one") << "1" << 1.0;
    QTest::newRow("decimal") << "2.5" << 2.5;
    QTest::newRow("reciprocal of decimal") << "1/2.5" << 0.4;
    QTest::newRow("reciprocal of 4.5") << "1/4.5" << 1.0 / 4.5;
    QTest::newRow("blanks around") << " \t7 " << 7.0;
    QTest::newRow("blanks after slash") << "1/ 3" << 1.0 / 3.0;
    QTest::newRow("plus sign") << "+2" << 2.0;
    QTest::newRow("exponent") << "1.5E-1" << 0.15;
    QTest::newRow("exponent plus") << "2e+1" << 20.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "4." << 4.0;
    QTest::newRow("11 is not 1/1") << "11" << 11.0;
}

void TestValues::readsAcceptedForms()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(ReadComparisonValue(text), expected);
}

void TestValues::rejectsUnreadableTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    const int conversion = int(Kind::Conversion);
    QTest::newRow("letters") << "abc" << conversion;
    QTest::newRow("fraction other than 1/") << "2/3" << conversion;
    QTest::newRow("dash") << "-" << conversion;
    QTest::newRow("empty") << "" << conversion;
    QTest::newRow("blank") << "  " << conversion;
    QTest::newRow("hexadecimal") << "0x10" << conversion;
    QTest::newRow("inf") << "inf" << conversion;
    QTest::newRow("infinity") << "Infinity" << conversion;
    QTest::newRow("nan") << "nan" << conversion;
    QTest::newRow("decimal comma") << "2,5" << conversion;
    QTest::newRow("slash alone") << "1/" << conversion;
    QTest::newRow("reciprocal of letters") << "1/x" << conversion;
    QTest::newRow("exponent without digits") << "1e" << conversion;
    QTest::newRow("out of range") << "1e400" << conversion;
    QTest::newRow("blank before 1/") << " 1/3" << conversion;
    QTest::newRow("full-width digit") << QString::fromUtf8("３") << conversion;
    QTest::newRow("division by zero") << "1/0" << int(Kind::DivisionByZero);
    QTest::newRow("division by zero point") << "1/0.0" << int(Kind::DivisionByZero);
}

void TestValues::rejectsUnreadableTexts()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    try {
        const double value = ReadComparisonValue(text);
        QFAIL(qPrintable(QStringLiteral("read as %1").arg(value)));
    } catch (const ComputationError &error) {
        QCOMPARE(int(error.kind()), kind);
        QCOMPARE(error.valueText(), text);
    }
}

void TestValues::errorMessageNamesValue()
{
    try {
        ReadComparisonValue(QStringLiteral("abc"));
        QFAIL("no error");
    } catch (ComputationError &error) {
        QVERIFY(error.message().contains(u"'abc'"));
        error.setOwner(QStringLiteral("Price"));
        QVERIFY(error.message().contains(u"'abc'"));
        QVERIFY(error.message().contains(u"'Price'"));
        QVERIFY(QByteArray(error.what()).contains("Price"));
    }
}

void TestValues::scaleTextsAndReciprocals()
{
    const QStringList expected{"1/9", "1/8", "1/7", "1/6", "1/5", "1/4", "1/3", "1/2", "1",
                               "2",   "3",   "4",   "5",   "6",   "7",   "8",   "9"};
    for (int position = 1; position <= 17; ++position) {
        QCOMPARE(ScaleText(position), expected.at(position - 1));
        QCOMPARE(ScaleReciprocalText(position), expected.at(17 - position));
        QCOMPARE(ReciprocalText(ScaleText(position)), ScaleReciprocalText(position));
        QCOMPARE(ReadScalePosition(ScaleText(position)).position, position);
    }
    QCOMPARE(ReciprocalText("1"), QStringLiteral("1"));
    QCOMPARE(ReciprocalText("2.5"), QStringLiteral("1/2.5"));
}

void TestValues::scalePositionFromCellText_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reciprocal");
    QTest::addColumn<int>("position");
    QTest::newRow("not entered") << "-" << "1" << "1" << 9;
    QTest::newRow("empty") << "" << "1" << "1" << 9;
    QTest::newRow("reciprocal") << "1/3" << "1/3" << "3" << 7;
    QTest::newRow("whole") << "5" << "5" << "1/5" << 13;
    QTest::newRow("blanks inside") << " 1 / 4 " << "1/4" << "4" << 6;
    QTest::newRow("beyond the scale") << "12" << "12" << "1/12" << 17;
    QTest::newRow("reciprocal beyond") << "1/20" << "1/20" << "20" << 1;
}

void TestValues::scalePositionFromCellText()
{
    QFETCH(QString, cell);
    QFETCH(QString, value);
    QFETCH(QString, reciprocal);
    QFETCH(int, position);
    const ScaleReading reading = ReadScalePosition(cell);
    QCOMPARE(reading.valueText, value);
    QCOMPARE(reading.reciprocalText, reciprocal);
    QCOMPARE(reading.position, position);
}

void TestValues::scalePositionRejectsNonIntegers()
{
    QVERIFY_THROWS_EXCEPTION(ComputationError, ReadScalePosition("2.5"));
    QVERIFY_THROWS_EXCEPTION(ComputationError, ReadScalePosition("1/2.5"));
    QVERIFY_THROWS_EXCEPTION(ComputationError, ReadScalePosition("abc"));
    // Too long for an integer, so not one either.
    QVERIFY_THROWS_EXCEPTION(ComputationError, ReadScalePosition("99999999999999999999999"));
}

void TestValues::formatsGeneralFloat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("one") << 1.0 << "1";
    QTest::newRow("third") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("two thirds") << 2.0 / 3.0 << "0.666666666666667";
    QTest::newRow("twelfth") << 1.0 / 12.0 << "0.0833333333333333";
    QTest::newRow("quarter") << 0.25 << "0.25";
    QTest::newRow("lower fixed bound") << 0.0001 << "0.0001";
    QTest::newRow("below fixed") << 0.00009 << "9E-5";
    QTest::newRow("tiny") << 1.5e-16 << "1.5E-16";
    QTest::newRow("tiny negative") << -2.22044604925031e-16 << "-2.22044604925031E-16";
    QTest::newRow("large fixed") << 123456789012345.0 << "123456789012345";
    QTest::newRow("upper bound") << 1e15 << "1E15";
    QTest::newRow("2E15") << 2e15 << "2E15";
    QTest::newRow("rounds up to 1E15") << 999999999999999.9 << "1E15";
    QTest::newRow("negative") << -0.5 << "-0.5";
    QTest::newRow("rounds to 15 digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("hundred") << 100.0 << "100";
    QTest::newRow("large exponent") << 1.25e300 << "1.25E300";
}

void TestValues::formatsGeneralFloat()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FormatFloat(value), text);
}

void TestValues::formatRoundTripsThroughReading()
{
    // The evaluation reads displayed importances back; every formatted number must be readable
    // and agree with the value to 15 significant digits.
    for (double value : {1.0 / 3.0, 1.5e-16, 0.0001, 2e15, 0.729166666666667, 7.0 / 9.0}) {
        const double back = ReadDecimal(FormatFloat(value));
        QVERIFY(std::fabs(back - value) <= std::fabs(value) * 1e-14);
    }
}

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
