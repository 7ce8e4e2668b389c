// The grid's keyboard rule: typed characters into value texts and their mirrors.
#include "document/JudgementTyping.h"
#include "model/ComparisonValue.h"

#include <QTest>

using namespace priomat;

class TestTyping : public QObject
{
    Q_OBJECT

private slots:
    void everyDigitGivesItsValueAndMirror();
    void pendingLastsUntilTheNextDigit();
};

void TestTyping::everyDigitGivesItsValueAndMirror()
{
    for (int d = 1; d <= 9; ++d) {
        const QString digit = QString::number(d);
        const QString reciprocal = d == 1 ? digit : QStringLiteral("1/") + digit;
        for (const QString &keys : {digit, QStringLiteral("0") + digit, QStringLiteral("/") + digit,
                                    QString(QChar(32 + d))}) {
            JudgementTyping typing;
            std::optional<TypedJudgement> typed;
            for (const QChar key : keys)
                typed = typing.type(key);
            QVERIFY2(typed, qPrintable(keys));
            // Pending or shifted digits give the reciprocal; the mirror is always its inverse.
            QCOMPARE(typed->value, keys.size() == 1 && keys.at(0).isDigit() ? digit : reciprocal);
            QCOMPARE(typed->reciprocal, ReciprocalText(typed->value));
            QVERIFY(!typing.ReciprocalPending);
        }
    }
}

void TestTyping::pendingLastsUntilTheNextDigit()
{
    JudgementTyping typing;
    QVERIFY(!typing.type(u'0'));
    QVERIFY(typing.ReciprocalPending);
    for (const QChar other : {u'x', u' ', u'.', u'-', u'0', u'/'}) // nothing, the flag stays
        QVERIFY(!typing.type(other));
    QVERIFY(typing.ReciprocalPending);
    QCOMPARE(typing.type(u'7')->value, QStringLiteral("1/7"));
    QCOMPARE(typing.type(u'7')->value, QStringLiteral("7")); // cleared by the digit before
    typing.type(u'/');
    QCOMPARE(typing.type(u'1')->value, QStringLiteral("1")); // 1 clears it as well
    QCOMPARE(typing.type(u'3')->value, QStringLiteral("3"));
    QVERIFY(!typing.type(u'x'));
    QVERIFY(!typing.ReciprocalPending); // other characters never set it
}

QTEST_GUILESS_MAIN(TestTyping)
#include "tst_typing.moc"
