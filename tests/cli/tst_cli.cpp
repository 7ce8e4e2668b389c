// priomat-cli run as a separate process, as scripts use it.
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ProcessRun.h"
#include "SmallTmpfs.h"
#include <cmath>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <tuple>

#include "TestFiles.h"

using namespace priomat::test;

namespace {

// `input` goes to standard input; `output`, when given, receives standard output instead of
// the pipe.
Run runCli(const QStringList &arguments, const QByteArray &input = {}, const QString &folder = {},
           const QString &output = {})
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    if (!output.isEmpty())
        process.setStandardOutputFile(output);
    process.start(PRIOMAT_CLI, arguments);
    process.write(input);
    process.closeWriteChannel();
    return FinishProcess(process, 60000);
}

const QString Example = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp");

// A shell command line run with a limit on the child (RLIMIT_AS, RLIMIT_FSIZE), standard input
// closed when `closeInput`. "$0" in the command is priomat-cli.
Run runLimited(const QString &command, int resource, rlim_t limit, bool closeInput = false)
{
    QProcess process;
    process.setChildProcessModifier([resource, limit, closeInput] {
        const rlimit value{limit, limit};
        ::setrlimit(resource, &value);
        if (closeInput)
            ::close(0);
    });
    process.start("/bin/sh", {"-c", command, PRIOMAT_CLI});
    process.closeWriteChannel();
    return FinishProcess(process, 120000);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void evaluateWorkedExample();
    void csvWorkedExample();
    void csvWithoutCalculation();
    void formatReproducesTheFile();
    void formatNeverReadsValues();
    void checkListsEveryMatrix();
    void adviseListsSuggestions();
    void computationErrorExitsWithOne();
    void tooLargeGroupsGiveOneLineNamingTheNode();
    void usageAndFileErrorsExitWithTwo();
    void outputFileIsWrittenWhole();
    void optionsEndAndStandardStreams();
    void fullDiskFailsTheCommand();
    void recoveryIsAnsweredYes();
    void sensitivityOfTheCarExample();
    void endlessAndLimitedStreams();
    void certaintyAndMethodsOfTheCarExample();
    void groupCommandsOnTheExample();
};

void TestCli::evaluateWorkedExample()
{
    const Run run = runCli({"evaluate", Example});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("[Requirements]\r\nCost\t0.75\r\nSeats\t0.0833333333333333\r\n"
                                 "Noise\t0.166666666666667\r\n\r\n[Alternatives]\r\n"
                                 "Car A\t0.270833333333333\r\nCar B\t0.729166666666667\r\n"));
    QVERIFY(run.err.isEmpty());
}

void TestCli::csvWorkedExample()
{
    const Run run = runCli({"csv", Example});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, readBytes(PRIOMAT_SOURCE_DIR "/tests/data/choose-a-car.csv"));
}

void TestCli::csvWithoutCalculation()
{
    const Run run = runCli({"csv", "--no-calculate", Example});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!run.out.contains("[Alternatives]\r\n"));
    QVERIFY(run.out.endsWith("Car B,-,1,0.5\r\n"));
    QVERIFY(run.out.contains("Cost,1,3,0.75,0.75\r\n")); // weights are computed all the same
}

void TestCli::formatReproducesTheFile()
{
    const Run run = runCli({"format", Example});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, readBytes(Example));
}

void TestCli::formatNeverReadsValues()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.ahp");
    writeBytes(path, "priomat - data file\n[tree]\nGoal\n A\n B\n[comparison]\nA\tB\tabc\n");
    const Run run = runCli({"format", path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("Priomat - Data File\r\n\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n\r\n"
                                 "[Alternatives]\r\n\r\n[Comparison]\r\nA\tB\tabc\r\n\r\n"
                                 "[AlternativesComparison]\r\n"));
}

void TestCli::checkListsEveryMatrix()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("check.ahp");
    writeBytes(path, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n  A1\r\n B\r\n C\r\n"
                     "[Alternatives]\r\nx\r\ny\r\n[Comparison]\r\n"
                     "A\tB\t3\r\nB\tC\t3\r\nA\tC\t1/3\r\n"
                     "[AlternativesComparison]\r\nA1\tx\ty\t2\r\nA1\ty\tx\t1/2\r\n");
    const Run run = runCli({"check", path});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    // Goal (3 x 3, circular judgements), then the leaves A1, B, C; A has one child only.
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines.at(0).startsWith("Goal\t3\t"));
    QVERIFY(lines.at(0).endsWith("\t3\tINCONSISTENT\r"));
    QCOMPARE(lines.at(1), QByteArray("A1\t2\t0\t0\tOK\r"));
    QCOMPARE(lines.at(2), QByteArray("B\t2\t0\t2\tOK\r"));
    QCOMPARE(lines.at(3), QByteArray("C\t2\t0\t2\tOK\r"));
    QVERIFY(lines.at(4).isEmpty());
}

void TestCli::adviseListsSuggestions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("advise.ahp");
    // Goal: 2 and 2 make 4, but A against C is entered the other way round; A1 is consistent.
    writeBytes(path, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n  A1\r\n B\r\n C\r\n"
                     "[Alternatives]\r\nx\r\ny\r\n[Comparison]\r\n"
                     "A\tB\t2\r\nB\tA\t1/2\r\nB\tC\t2\r\nC\tB\t1/2\r\nA\tC\t1/4\r\nC\tA\t4\r\n"
                     "[AlternativesComparison]\r\nA1\tx\ty\t2\r\nA1\ty\tx\t1/2\r\n");
    const QString out = dir.filePath("advice.txt");
    const Run run = runCli({"advise", path, "-o", out});
    QCOMPARE(run.exitCode, 0);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() >= 2 && lines.size() <= 6);
    QVERIFY(lines.last().isEmpty());
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).chopped(1).split('\t');
        QCOMPARE(fields.size(), 7);
        QCOMPARE(fields.at(0), QByteArray("Goal"));
        QVERIFY(fields.at(6).toDouble() < fields.at(5).toDouble());
    }
    QVERIFY2(lines.at(0).startsWith("Goal\tA\tC\t1/4\t4\t"), lines.at(0).constData());
    QVERIFY(std::abs(lines.at(0).chopped(1).split('\t').at(6).toDouble()) < 1e-12);

    // A value that cannot be read: named with its place, nothing printed.
    writeBytes(path, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n[Comparison]\r\nB\tA\tabc\r\n");
    const Run bad = runCli({"advise", path});
    QCOMPARE(bad.exitCode, 1);
    QVERIFY(bad.out.isEmpty());
    QVERIFY2(bad.err.contains("'Goal'") && bad.err.contains("row 'B', column 'A', 'abc'"), bad.err.constData());
}

void TestCli::computationErrorExitsWithOne()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.ahp");
    writeBytes(path, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n Price\r\n Quality\r\n"
                     "[Alternatives]\r\nx\r\ny\r\n[AlternativesComparison]\r\nQuality\tx\ty\t1/0\r\n");
    for (const char *command : {"evaluate", "csv", "check", "advise", "sensitivity", "certainty", "methods"}) {
        const Run run = runCli({command, path});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains("Quality") && run.err.contains("1/0"), run.err.constData());
    }
    QCOMPARE(runCli({"format", path}).exitCode, 0);
}

void TestCli::tooLargeGroupsGiveOneLineNamingTheNode()
{
    // 100,000 siblings, then 100,000 alternatives: refused at once, not computed or aborted.
    QTemporaryDir dir;
    QByteArray siblings = "Priomat - Data File\r\n[Tree]\r\nGroup\r\n";
    QByteArray alternatives = "Priomat - Data File\r\n[Tree]\r\nGoal\r\n Leaf\r\n[Alternatives]\r\n";
    for (int i = 0; i < 100000; ++i) {
        siblings += " S" + QByteArray::number(i) + "\r\n";
        alternatives += "A" + QByteArray::number(i) + "\r\n";
    }
    siblings += "[Comparison]\r\nS1\tS2\t3\r\n";
    alternatives += "[AlternativesComparison]\r\nLeaf\tA1\tA2\t3\r\n";
    for (const auto &[name, bytes, owner] : {std::tuple{"siblings.ahp", siblings, "'Group'"},
                                             std::tuple{"alternatives.ahp", alternatives, "'Leaf'"}}) {
        const QString path = dir.filePath(name);
        writeBytes(path, bytes);
        for (const char *command : {"evaluate", "csv", "check", "advise", "sensitivity", "certainty", "methods"}) {
            const Run run = runCli({command, path});
            QCOMPARE(run.exitCode, 1);
            QVERIFY(run.out.isEmpty());
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY2(run.err.contains(owner) && run.err.contains("100000"), run.err.constData());
        }
        const Run format = runCli({"format", path});
        QCOMPARE(format.exitCode, 0);
        QVERIFY(format.out.size() < bytes.size() + 100); // plus the missing headers and empty lines
    }
}

void TestCli::usageAndFileErrorsExitWithTwo()
{
    QTemporaryDir dir;
    QCOMPARE(runCli({}).exitCode, 2);
    QCOMPARE(runCli({"explode", Example}).exitCode, 2);
    QCOMPARE(runCli({"evaluate"}).exitCode, 2);
    QCOMPARE(runCli({"evaluate", Example, "extra"}).exitCode, 2);
    QCOMPARE(runCli({"evaluate", "--bogus", Example}).exitCode, 2);
    QCOMPARE(runCli({"evaluate", Example, "-o"}).exitCode, 2);
    QCOMPARE(runCli({"evaluate", "--no-calculate", Example}).exitCode, 2);
    QCOMPARE(runCli({"evaluate", dir.filePath("missing.ahp")}).exitCode, 2);
    QCOMPARE(runCli({"evaluate", Example, "-o", ""}).exitCode, 2);
    // Every error is one line.
    for (const QStringList &arguments :
         {QStringList{}, QStringList{"evaluate", "--bogus", Example}, QStringList{"evaluate", Example, "-o", ""},
          QStringList{"evaluate", dir.filePath("missing.ahp")}}) {
        const Run failed = runCli(arguments);
        QVERIFY2(failed.err.startsWith("priomat-cli: ") && failed.err.count('\n') == 1, failed.err.constData());
    }

    const QString foreign = dir.filePath("foreign.ahp");
    writeBytes(foreign, "Priomat - Data File \r\n[Tree]\r\nA\r\n");
    const Run run = runCli({"csv", foreign});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err, ("priomat-cli: " + foreign + " is not a data file for Priomat.\n").toUtf8());

    const Run help = runCli({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("evaluate FILE"));
    const Run version = runCli({"--version"});
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.startsWith("priomat-cli "));
}

void TestCli::outputFileIsWrittenWhole()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("result.txt");
    writeBytes(out, "previous");
    const Run run = runCli({"evaluate", Example, "-o", out});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(readBytes(out), runCli({"evaluate", Example}).out);

    // A failing computation leaves an existing output file alone.
    const QString bad = dir.filePath("bad.ahp");
    writeBytes(bad, "Priomat - Data File\r\n[Tree]\r\nG\r\n A\r\n B\r\n[Comparison]\r\nA\tB\t0\r\n");
    QCOMPARE(runCli({"evaluate", bad, "-o", out}).exitCode, 1);
    QCOMPARE(readBytes(out), runCli({"evaluate", Example}).out);

    QCOMPARE(runCli({"evaluate", Example, "-o", dir.filePath("no/such/folder.txt")}).exitCode, 2);
}

void TestCli::optionsEndAndStandardStreams()
{
    QTemporaryDir dir;
    const QByteArray example = readBytes(Example);
    QVERIFY(QFile::copy(Example, dir.filePath("-x.ahp")));
    const Run dashed = runCli({"format", "--", "-x.ahp"}, {}, dir.path());
    QCOMPARE(dashed.exitCode, 0);
    QCOMPARE(dashed.out, example);
    QCOMPARE(runCli({"format", "-x.ahp"}, {}, dir.path()).exitCode, 2); // still an option before "--"

    const Run piped = runCli({"format", "-"}, example);
    QCOMPARE(piped.exitCode, 0);
    QCOMPARE(piped.out, example);
    const Run foreign = runCli({"check", "-"}, "not a data file\n");
    QCOMPARE(foreign.exitCode, 2);
    QCOMPARE(foreign.err, QByteArray("priomat-cli: standard input is not a data file for Priomat.\n"));

    // Standard output as the target, by "-" and by its device name: written to, never replaced.
    for (const char *target : {"-", "/dev/stdout"}) {
        const Run run = runCli({"format", Example, "-o", target});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, example);
    }

    // A full standard output is an error, for the help text too.
    if (QFileInfo::exists("/dev/full")) {
        for (const QStringList &arguments : {QStringList{"--help"}, QStringList{"format", Example}}) {
            const Run full = runCli(arguments, {}, {}, "/dev/full");
            QCOMPARE(full.exitCode, 2);
            QCOMPARE(full.err, QByteArray("priomat-cli: cannot write to standard output: No space left on device\n"));
        }
    }
}

void TestCli::fullDiskFailsTheCommand()
{
    SmallTmpfs disk(32);
    if (!disk.mounted())
        QSKIP(qPrintable(disk.skipReason));
    const QString out = disk.path("out.ahp");
    writeBytes(out, "previous");
    disk.fill();
    const Run run = runCli({"format", Example, "-o", out});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, ("priomat-cli: Cannot write file \"" + out + "\". No space left on device\n").toUtf8());
    QCOMPARE(readBytes(out), QByteArray("previous"));
    QCOMPARE(disk.entries(), QStringList{"out.ahp"});
}

void TestCli::recoveryIsAnsweredYes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.ahp");
    writeBytes(path, "Priomat - Data File\r\n[Comparison]\r\nA\tB\t3\r\nB\tA\t1/3\r\n");
    const Run run = runCli({"evaluate", path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("[Requirements]\r\nA\t0.75\r\nB\t0.25\r\n\r\n[Alternatives]\r\n"));
}


void TestCli::sensitivityOfTheCarExample()
{
    // Car A scores Cost/6 + Comfort · 7/12, Car B 5·Cost/6 + Comfort · 5/12: they tie at Cost 0.2.
    // Cost against Comfort at 1/5 puts Cost at 1/6, the first scale step below it.
    const Run run = runCli({"sensitivity", Example});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.at(0), QByteArray("Child\tWeight\tWinner\tBelow\tWinner below\tAbove\tWinner above\r"));
    QCOMPARE(lines.at(1), QByteArray("Cost\t0.75\tCar B\t0.2\tCar A\t\u2014\t\u2014\r"));
    QCOMPARE(lines.at(2), QByteArray("Comfort\t0.25\tCar B\t\u2014\t\u2014\t0.8\tCar A\r"));
    QCOMPARE(lines.at(3), QByteArray("\r"));
    QVERIFY(lines.at(4).startsWith("Node\tRow\tColumn\tValue\t"));
    QCOMPARE(lines.at(5), QByteArray("Choose a car\tCost\tComfort\t3\t1/5\t6\tCar A\t\u2014\t\u2014\t\u2014\t\r"));
    QVERIFY(lines.at(6).startsWith("Comfort\tSeats\tNoise\t1/2\t"));

    const Run comfort = runCli({"sensitivity", Example, "--node", "Comfort"});
    QCOMPARE(comfort.exitCode, 0);
    QVERIFY(comfort.out.split('\n').at(1).startsWith("Seats\t"));

    const Run unknown = runCli({"sensitivity", Example, "--node", "Colour"});
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY(unknown.out.isEmpty());
    QVERIFY2(unknown.err.contains("'Colour'"), unknown.err.constData());
    QCOMPARE(runCli({"evaluate", Example, "--node", "Cost"}).exitCode, 2);

    // A node past the analysis limit keeps its tipping points; its judgements are named as left out.
    QTemporaryDir dir;
    QByteArray wide = "Priomat - Data File\r\n[Tree]\r\nWide\r\n";
    for (int i = 0; i <= 200; ++i)
        wide += " C" + QByteArray::number(i) + "\r\n";
    wide += "[Alternatives]\r\nx\r\ny\r\n[Comparison]\r\nC0\tC1\t3\r\n"
            "[AlternativesComparison]\r\nC0\tx\ty\t5\r\n";
    const QString widePath = dir.filePath("wide.ahp");
    writeBytes(widePath, wide);
    const Run limited = runCli({"sensitivity", widePath});
    QCOMPARE(limited.exitCode, 0);
    QCOMPARE(limited.out.count("\n"), 1 + 201 + 1 + 1);
    QVERIFY2(limited.err.contains("'Wide'") && limited.err.contains("200"), limited.err.constData());

    // Without --node a root of one child gives way to the first node with two or more.
    const QString deepPath = dir.filePath("deep.ahp");
    writeBytes(deepPath, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n Only\r\n  A\r\n  B\r\n[Alternatives]\r\nx\r\ny\r\n"
                         "[Comparison]\r\nA\tB\t3\r\n[AlternativesComparison]\r\nA\tx\ty\t5\r\n");
    QCOMPARE(runCli({"sensitivity", deepPath}).out, runCli({"sensitivity", deepPath, "--node", "Only"}).out);
    QVERIFY(runCli({"sensitivity", deepPath}).out.split('\n').at(1).startsWith("A\t0.633974596215561\t"));
}


void TestCli::endlessAndLimitedStreams()
{
    // /dev/zero and a FIFO fed 600 MB end with the size message, in 200 MB of address space
    // (AddressSanitizer reserves far more than that for itself: there the limit is left out).
    QTemporaryDir dir;
#if defined(__SANITIZE_ADDRESS__)
    const rlim_t space = RLIM_INFINITY;
#else
    const rlim_t space = rlim_t(200) << 20;
#endif
    Run run = runLimited("exec \"$0\" check /dev/zero", RLIMIT_AS, space);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, QByteArray("priomat-cli: Cannot read file \"/dev/zero\". It is too large.\n"));
    const QString fifo = dir.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    run = runLimited("head -c 600000000 /dev/zero > '" + fifo + "' & exec \"$0\" check '" + fifo + "'", RLIMIT_AS, space);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.endsWith("It is too large.\n"), run.err.constData());
    // Process substitution: a pipe named by /dev/fd.
    run = runLimited("exec \"$0\" check /dev/fd/3 3< '" + Example + "'", RLIMIT_AS, space);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith("Choose a car\t"));

    // A NUL byte: one warning line, the output as before.
    const QString nul = dir.filePath("nul.ahp");
    writeBytes(nul, readBytes(Example).replace("Seats", QByteArray("Seats\0", 6)));
    run = runCli({"check", nul});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.err.contains("NUL byte at offset"), run.err.constData());

    // Over the file-size limit: a message and exit status 2, not a kill by SIGXFSZ.
    const QString office = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp");
    run = runLimited("exec \"$0\" format '" + office + "' -o '" + dir.filePath("big.ahp") + "'", RLIMIT_FSIZE, 1024);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.endsWith("File too large\n"), run.err.constData());

    // A closed standard input reads as empty; a name that is not UTF-8 is refused.
    run = runLimited("exec \"$0\" check -", RLIMIT_AS, space, true);
    QCOMPARE(run.err, QByteArray("priomat-cli: standard input is not a data file for Priomat.\n"));
    run = runLimited("exec \"$0\" format '" + Example + "' -o \"$(printf '" + dir.path() + "/\\377\\376.ahp')\"",
                     RLIMIT_AS, space);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("is not UTF-8"), run.err.constData());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // nul.ahp alone
}

void TestCli::certaintyAndMethodsOfTheCarExample()
{
    // Cost against Comfort must fall six steps before Car A wins: one step never changes it.
    const Run run = runCli({"certainty", Example, "--draws", "500", "--seed", "5"});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.at(0), QByteArray("Alternative\tPoints\tRank\tP(best)\tP(rank 1)\tP(rank 2)\tP5\tP50\tP95\r"));
    QVERIFY(lines.at(2).startsWith("Car B\t0.729166666666667\t1\t1\t1\t0\t"));
    QCOMPARE(lines.at(4), QByteArray("Matrix\tRow\tColumn\tValue\tTowards\tDraws moved\tWinner changed\tShare\r"));
    QCOMPARE(lines.at(7), QByteArray("1\t500\t5\t4\t0\t0\r"));
    QCOMPARE(runCli({"certainty", Example, "--draws", "500", "--seed", "5"}).out, run.out);
    QCOMPARE(runCli({"certainty", Example, "--spread", "4"}).exitCode, 2);
    QCOMPARE(runCli({"evaluate", Example, "--seed", "1"}).exitCode, 2);

    const Run methods = runCli({"methods", Example});
    QCOMPARE(methods.exitCode, 0);
    QVERIFY(methods.out.contains("\nCar A\t0.270833333333333\t2\t0.297520661157025\t2\t"));
    QVERIFY(methods.out.endsWith("\r\nThe four methods rank the alternatives alike.\r\n"));
}

void TestCli::groupCommandsOnTheExample()
{
    const QString folder = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/group/");
    const QStringList files{folder + "anna.ahp", folder + "ben.ahp", folder + "chika.ahp"};

    const Run blank = runCli({"blank", files.first()});
    QCOMPARE(blank.exitCode, 0);
    QCOMPARE(blank.out, readBytes(folder + "model.ahp"));

    const Run combined = runCli(QStringList{"combine", "--weights", "1,1,2"} + files);
    QCOMPARE(combined.exitCode, 0);
    QVERIFY(combined.out.contains("\r\nCost\tAccess\t1.10668191970032\r\n")); // (3 * 1/2 * 1^2)^(1/4)
    QVERIFY2(combined.err.contains("chika.ahp") && combined.err.contains("'Facilities'"), combined.err.constData());

    const Run agreement = runCli(QStringList{"agreement"} + files);
    QCOMPARE(agreement.exitCode, 0);
    const QList<QByteArray> tables = agreement.out.split('\n');
    QCOMPARE(tables.count("\r"), 2);
    QCOMPARE(tables.first(), QByteArray("Owner\tParticipant\tCompatibility\tConsistency index\r"));
    QCOMPARE(tables.at(tables.size() - 5),
             QByteArray("Alternative\tanna.ahp\tben.ahp\tchika.ahp\tAIJ\tAIP\r"));

    // Usage errors and refusals write nothing.
    QTemporaryDir dir;
    const QString out = dir.filePath("combined.ahp");
    QCOMPARE(runCli(QStringList{"combine", "--weights", "1,2"} + files + QStringList{"-o", out}).exitCode, 2);
    QCOMPARE(runCli(QStringList{"combine", "--weights", "1,0,2"} + files + QStringList{"-o", out}).exitCode, 2);
    QCOMPARE(runCli(QStringList{"agreement", "--weights", "1,-1,x"} + files + QStringList{"-o", out}).exitCode, 2);
    const Run other = runCli(QStringList{"combine"} + files + QStringList{Example, "-o", out});
    QCOMPARE(other.exitCode, 2);
    QVERIFY2(other.err.contains("choose-a-car.ahp"), other.err.constData());
    QVERIFY(!QFileInfo::exists(out));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
