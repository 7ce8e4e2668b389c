// Double-byte text functions and the path functions.
#include "app/Mbcs.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace priomat;

namespace {

QByteArray sjis(const char *utf8)
{
    QStringEncoder encoder("windows-31j");
    return encoder.encode(QString::fromUtf8(utf8));
}

} // namespace

class TestMbcs : public QObject
{
    Q_OBJECT

private slots:
    void secondByteIsNeverASeparator();
    void countsAndCopiesCharacters();
    void copyRanges();
    void longPathNames();
    void shortPathNamesAndWindowsFolder();
};

void TestMbcs::secondByteIsNeverASeparator()
{
    const QByteArray so = sjis("ソ");
    QCOMPARE(so, QByteArray("\x83\x5C"));
    QCOMPARE(MbcsPos("\\", so + "abc"), 0);
    QCOMPARE(MbcsPos("\\", so + "a\\b"), 3);
    QCOMPARE(MbcsPos("=", sjis("表=値")), 2);
    QCOMPARE(MbcsPos("b", "abc"), 2);
    QCOMPARE(MbcsPos("x", "abc"), 0);
    QCOMPARE(MbcsPos("", "abc"), 0);
}

void TestMbcs::countsAndCopiesCharacters()
{
    const QByteArray text = sjis("日本a");
    QCOMPARE(text.size(), 5);
    QCOMPARE(MbcsLength(text), 3);
    QCOMPARE(MbcsCopy(text, 2, 1), sjis("本"));
    QCOMPARE(MbcsCopy(text, 3, 1), QByteArray("a"));
    QCOMPARE(MbcsLength(QByteArray()), 0);
    // A lead byte at the very end counts as one character.
    QCOMPARE(MbcsLength(QByteArray("a\x83")), 2);
}

void TestMbcs::copyRanges()
{
    const QByteArray text = sjis("日本a");
    QCOMPARE(MbcsCopy(text, 0, 2), QByteArray());
    QCOMPARE(MbcsCopy(text, 4, 1), QByteArray());
    QCOMPARE(MbcsCopy(text, 2, 0), QByteArray());
    QCOMPARE(MbcsCopy(text, 2, 10), sjis("本a"));
    QCOMPARE(MbcsCopy(text, 2, 2147483647), sjis("本a"));
    QCOMPARE(MbcsCopy(text, 1, -1), text);
}

void TestMbcs::longPathNames()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Program Files/Priomat"));
    QFile file(dir.path() + "/Program Files/Priomat/Priomat.html");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString base = dir.path() + '/';
    QCOMPARE(LongPathName(base + "program files/PRIOMAT/priomat.HTML"),
             base + "Program Files/Priomat/Priomat.html");
    QCOMPARE(LongPathName(base + "PROGRAM FILES/priomat"), base + "Program Files/Priomat/");
    // A missing middle folder ends the path at the last folder that exists.
    QCOMPARE(LongPathName(base + "Program Files/Missing/Priomat.html"), base + "Program Files/");
    QCOMPARE(LongPathName("no-slash"), QString());
    // An exact match wins over one that differs in case.
    QVERIFY(QDir(dir.path()).mkpath("case/a"));
    QVERIFY(QDir(dir.path()).mkpath("case/A"));
    QCOMPARE(LongPathName(base + "case/A"), base + "case/A/");
}

void TestMbcs::shortPathNamesAndWindowsFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Long Folder Name/sub"));
    const QString base = dir.path() + '/';
    QCOMPARE(ShortPathName(base + "Long Folder Name/sub"), base + "Long Folder Name/sub/");
    QCOMPARE(ShortPathName(base + "Long Folder Name/none/x"), base + "Long Folder Name/");
    QVERIFY(WindowsFolder().endsWith('/'));
    QVERIFY(QDir(WindowsFolder()).exists());
}

QTEST_GUILESS_MAIN(TestMbcs)
#include "tst_mbcs.moc"
