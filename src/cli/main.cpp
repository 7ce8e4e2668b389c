// priomat-cli: evaluates, exports, normalises and checks Priomat data files from the shell.
#include "cli/CliCommands.h"
#include "model/ComputationError.h"
#include "model/Sensitivity.h"
#include "document/DataFile.h"
#include "document/DocumentFile.h"
#include "document/DocumentOpen.h"
#include "document/FileEnvironment.h"
#include "document/GroupDecision.h"
#include "document/TextFile.h"
#include "document/Report.h"
#include "report/ReportPdf.h"
#include "Version.h"

#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QLocale>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdlib>
#include <cmath>
#include <optional>
#include <vector>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>

using namespace priomat;
using namespace priomat::cli;

namespace {

const char *const Usage =
    "Usage: priomat-cli COMMAND FILE [--node NAME] [--spread S] [--draws N] [--seed K] [-o OUT]\n"
    "       priomat-cli combine|agreement [--weights W1,W2,...] FILE... [-o OUT]\n"
    "\n"
    "Commands:\n"
    "  evaluate FILE               print the overall evaluation as the result window saves it\n"
    "  csv FILE [--no-calculate]   print the CSV export; --no-calculate leaves out the results\n"
    "  format FILE                 print the data file as Priomat saves it\n"
    "  check FILE                  print every matrix's size, consistency index, missing\n"
    "                              entries and verdict (OK, CHECK, INCONSISTENT), tab-separated\n"
    "  advise FILE                 for every matrix whose consistency index is above 0.1, up to\n"
    "                              five changes that lower it most: owner, row, column, value,\n"
    "                              suggested value, index now, index after, tab-separated\n"
    "  sensitivity FILE [--node NAME]\n"
    "                              print, tab-separated, the weights of the node's children\n"
    "                              (default the first node with two or more children) at\n"
    "                              which the best alternative changes,\n"
    "                              then for every entered requirement judgement the nearest\n"
    "                              scale step in each direction that changes it\n"
    "  report FILE -o OUT.pdf|OUT.html [--lang ja|en]\n"
    "                              write the decision report: summary, requirement tree,\n"
    "                              result and chart, every matrix, sensitivity of the root and\n"
    "                              the advisor's top change per inconsistent matrix; HTML for\n"
    "                              .html or .htm, PDF otherwise; --lang defaults to the\n"
    "                              session's language (Japanese for a Japanese locale)\n"
    "  certainty FILE [--spread S] [--draws N] [--seed K]\n"
    "                              move every entered judgement at random by up to S scale\n"
    "                              steps (0 to 3, default 1) and evaluate again, N times\n"
    "                              (default 10000); print, tab-separated, each alternative's\n"
    "                              P(best), share of each rank and 5/50/95th percentiles of\n"
    "                              its points, then the ten judgements whose moves go most\n"
    "                              often with another winner; the same K, the same output\n"
    "  methods FILE                print the points and ranks by geometric mean and by\n"
    "                              eigenvector, each with distributive and ideal synthesis,\n"
    "                              and every matrix's index, eigenvalue and Saaty's ratio\n"
    "  blank FILE                  print the data file without any judgements, to hand out\n"
    "                              to the participants of a group decision\n"
    "  combine [--weights W1,W2,...] FILE...\n"
    "                              print the data file of the participants' files combined:\n"
    "                              every entered pair the weighted geometric mean of the\n"
    "                              participants who entered it (weights default to 1)\n"
    "  agreement [--weights W1,W2,...] FILE...\n"
    "                              print, tab-separated, each participant's compatibility\n"
    "                              with the group per matrix, the pairs entered by two or\n"
    "                              more, most disputed first, and every participant's,\n"
    "                              the combined (AIJ) and the mean (AIP) points\n"
    "\n"
    "FILE - reads the data file from standard input.\n"
    "\n"
    "Options:\n"
    "  -o OUT        write to OUT instead of standard output: a file is replaced only once\n"
    "                the whole output has reached the disk; a device or FIFO is written to;\n"
    "                - is standard output\n"
    "  --            end of the options: what follows is the command and FILE\n"
    "  --help        show this help\n"
    "  --version     show the version\n"
    "\n"
    "Output is UTF-8 with CR LF line ends. Exit status: 0 success, 1 a value could not be\n"
    "computed, 2 bad usage, a file that is missing, unreadable or not a data file, a\n"
    "participant's file of another model than the first, or output that could not be written.\n";

// One line on standard error, whatever line breaks the message holds.
void printError(const QString &message)
{
    const QString line = message.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)
                             .join(u' ');
    std::fprintf(stderr, "priomat-cli: %s\n", line.toUtf8().constData());
}

int usageError(const QString &message)
{
    printError(message + QStringLiteral(" (try 'priomat-cli --help')"));
    return ExitUsage;
}

// Everything the tool prints goes through here, so that a full disk or a closed pipe behind
// standard output is an error, not a silent loss.
bool writeStandardOutput(const QByteArray &bytes)
{
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0)
        return true;
    const int code = errno;
    printError(QStringLiteral("cannot write to standard output: %1")
                   .arg(code ? QString::fromLocal8Bit(std::strerror(code)) : QStringLiteral("write error")));
    return false;
}

struct Arguments
{
    QString command;
    QString file;
    QString output;
    bool hasOutput = false;
    bool noCalculate = false;
    QString node;
    bool hasNode = false;
    QString lang;
    CertaintyOptions certainty;
    bool hasCertaintyOption = false;
    QStringList moreFiles; // the group commands' further participants
    QString weights;
    bool hasWeights = false;
};

// A whole number from first to last.
std::optional<qint64> certaintyNumber(const QString &text, qint64 first, qint64 last)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < first || value > last)
        return std::nullopt;
    return value;
}

bool isGroupCommand(const QString &command)
{
    return command == u"combine" || command == u"agreement";
}

// The participants of combine and agreement with their weights; a usage error message when the
// weights do not fit.
std::optional<QString> groupParticipants(const Arguments &arguments, std::vector<GroupParticipant> &participants)
{
    const QStringList files = QStringList{arguments.file} + arguments.moreFiles;
    for (const QString &file : files) {
        if (file == u"-")
            return QStringLiteral("the group commands read files, not standard input");
        participants.push_back({file, 1.0});
    }
    if (!arguments.hasWeights)
        return std::nullopt;
    const QStringList weights = arguments.weights.split(u',');
    if (weights.size() != files.size())
        return QStringLiteral("%1 weights given for %2 files").arg(weights.size()).arg(files.size());
    for (qsizetype i = 0; i < weights.size(); ++i) {
        bool ok = false;
        const double weight = weights.at(i).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(weight) || !(weight > 0.0))
            return QStringLiteral("weight '%1' is not a positive number").arg(weights.at(i));
        participants[size_t(i)].weight = weight;
    }
    return std::nullopt;
}

// combine and agreement: nothing is printed when a participant's file is refused.
int groupCommand(const Arguments &arguments, QStringList &lines)
{
    std::vector<GroupParticipant> participants;
    if (const std::optional<QString> problem = groupParticipants(arguments, participants))
        return usageError(*problem);
    try {
        const bool agreement = arguments.command == u"agreement";
        const GroupResult result = CombineGroup(participants, agreement);
        for (const QString &note : result.notes)
            printError(note);
        lines = agreement ? AgreementLines(result) : FormatDataFile(result.combined);
    } catch (const GroupInputError &error) {
        printError(error.message());
        return error.kind() == GroupInputError::Kind::Value ? ExitComputation : ExitUsage;
    }
    return ExitSuccess;
}

// The data file named on the command line, or standard input for "-". Pipes, FIFOs and devices
// are read as `cat` would, up to the size limit counted in the bytes read.
DataFileRead readInput(const QString &file)
{
    DataFileRead read = file == u"-"
                                  ? ParseDataFileRead(ReadDescriptorBytes(0, QStringLiteral("standard input")))
                                  : ReadDataFile(file, ReadSource::AnyFile);
    if (read.nulOffset >= 0)
        printError(QStringLiteral("warning: %1 holds a NUL byte at offset %2; only what comes before it was read")
                       .arg(file == u"-" ? QStringLiteral("standard input") : file)
                       .arg(read.nulOffset));
    return read;
}

// Thrown for a --node that names no node with two or more children.
struct NodeNotFound
{
    QString message;
};

QStringList sensitivityCommand(Document &document, const Arguments &arguments)
{
    const RequirementNode *node = arguments.hasNode ? FindSensitivityNode(document, arguments.node)
                                                    : DefaultSensitivityNode(document);
    if (arguments.hasNode && !node)
        throw NodeNotFound{QStringLiteral("no node named '%1'").arg(arguments.node)};
    if (arguments.hasNode && node->childCount() < 2)
        throw NodeNotFound{QStringLiteral("node '%1' has fewer than two children").arg(node->caption())};
    QStringList skipped;
    QStringList lines = SensitivityLines(document, node, &skipped);
    for (const QString &caption : skipped)
        printError(QStringLiteral("the judgements of '%1' are not analysed: more than %2 children")
                       .arg(caption)
                       .arg(JudgementAnalysisLimit));
    return lines;
}

// Whether the command on the command line is report, found before any application object
// exists: only report paints pages, and that needs Qt Gui (its fonts) but no display.
bool commandIsReport(int argc, char *argv[])
{
    bool ended = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (!ended && arg == "--") {
            ended = true;
        } else if (!ended && arg.startsWith('-') && arg != "-") {
            if (arg == "-o" || arg == "--node" || arg == "--lang" || arg == "--spread" || arg == "--draws"
                || arg == "--seed" || arg == "--weights")
                ++i;
        } else {
            return arg == "report";
        }
    }
    return false;
}

int reportCommand(Document &document, const Arguments &arguments)
{
    const bool japanese = arguments.lang.isEmpty() ? QLocale::system().language() == QLocale::Japanese
                                                   : arguments.lang == u"ja";
    try {
        // Every weight from the root; the report evaluates the document itself.
        ResultLists results;
        ComputeDocument(document, results, {.automatic = false});
        const Report report = BuildReport(document, {.japanese = japanese,
                                                     .fileName = arguments.file == u"-" ? QString() : arguments.file,
                                                     .date = QDate::currentDate(),
                                                     .inverse = true});
        WriteReportFile(report, arguments.output);
    } catch (const ComputationError &error) {
        printError(error.message());
        return ExitComputation;
    } catch (const FileError &error) {
        printError(error.message());
        return ExitUsage;
    }
    return ExitSuccess;
}

// The output, whole, to standard output or atomically to -o's file.
int writeOutput(const Arguments &parsed, const QStringList &lines)
{
    try {
        const QByteArray bytes = EncodeTextLines(lines, TextEncoding::Utf8);
        if (!parsed.hasOutput) {
            if (!writeStandardOutput(bytes))
                return ExitUsage;
        } else {
            WriteFileAtomically(parsed.output, bytes);
        }
    } catch (const FileError &error) {
        printError(error.message());
        return ExitUsage;
    }
    return ExitSuccess;
}

} // namespace

static int run(int argc, char *argv[])
{
    std::unique_ptr<QCoreApplication> app;
    if (commandIsReport(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform asks for a runtime folder it does not need for painting pages.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
                if (!message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR"))
                    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
                if (type == QtFatalMsg)
                    std::abort();
            });
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const QStringList args = QCoreApplication::arguments().mid(1);

    Arguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool option = !optionsEnded && arg.startsWith(u'-') && arg != u"-";
        if (option && arg == u"--") {
            optionsEnded = true;
        } else if (option && (arg == u"--help" || arg == u"-h")) {
            return writeStandardOutput(Usage) ? ExitSuccess : ExitUsage;
        } else if (option && arg == u"--version") {
            return writeStandardOutput(QByteArray("priomat-cli " PRIOMAT_VERSION_STRING "\n"))
                       ? ExitSuccess
                       : ExitUsage;
        } else if (option && arg == u"-o") {
            if (i + 1 >= args.size() || args.at(i + 1).isEmpty())
                return usageError(QStringLiteral("-o needs a file name"));
            parsed.output = args.at(++i);
            parsed.hasOutput = parsed.output != u"-";
        } else if (option && arg == u"--node") {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("--node needs a node name"));
            parsed.node = args.at(++i);
            parsed.hasNode = true;
        } else if (option && arg == u"--lang") {
            if (i + 1 >= args.size() || (args.at(i + 1) != u"ja" && args.at(i + 1) != u"en"))
                return usageError(QStringLiteral("--lang needs ja or en"));
            parsed.lang = args.at(++i);
        } else if (option && (arg == u"--spread" || arg == u"--draws" || arg == u"--seed")) {
            const QString value = i + 1 < args.size() ? args.at(++i) : QString();
            std::optional<qint64> number;
            if (arg == u"--spread") {
                number = certaintyNumber(value, 0, CertaintyMaxSpread);
                parsed.certainty.spread = int(number.value_or(0));
            } else if (arg == u"--draws") {
                number = certaintyNumber(value, 1, CertaintyMaxDraws);
                parsed.certainty.draws = int(number.value_or(0));
            } else {
                bool ok = false;
                parsed.certainty.seed = value.toULongLong(&ok);
                if (ok)
                    number = 0;
            }
            if (!number) {
                return usageError(arg == u"--spread" ? QStringLiteral("--spread needs a whole number from 0 to %1").arg(CertaintyMaxSpread)
                                  : arg == u"--draws" ? QStringLiteral("--draws needs a whole number from 1 to %1").arg(CertaintyMaxDraws)
                                                      : QStringLiteral("--seed needs a whole number from 0 to 18446744073709551615"));
            }
            parsed.hasCertaintyOption = true;
        } else if (option && arg == u"--weights") {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("--weights needs a list of weights"));
            parsed.weights = args.at(++i);
            parsed.hasWeights = true;
        } else if (option && arg == u"--no-calculate") {
            parsed.noCalculate = true;
        } else if (option) {
            return usageError(QStringLiteral("unknown option '%1'").arg(arg));
        } else if (parsed.command.isEmpty()) {
            parsed.command = arg;
        } else if (parsed.file.isEmpty()) {
            parsed.file = arg;
        } else if (isGroupCommand(parsed.command)) {
            parsed.moreFiles.append(arg);
        } else {
            return usageError(QStringLiteral("unexpected argument '%1'").arg(arg));
        }
    }
    static const QStringList commands{QStringLiteral("evaluate"), QStringLiteral("csv"),
                                      QStringLiteral("format"), QStringLiteral("check"),
                                      QStringLiteral("advise"), QStringLiteral("sensitivity"),
                                      QStringLiteral("report"), QStringLiteral("certainty"),
                                      QStringLiteral("methods"), QStringLiteral("blank"),
                                      QStringLiteral("combine"), QStringLiteral("agreement")};
    if (parsed.command.isEmpty())
        return usageError(QStringLiteral("no command given"));
    if (!commands.contains(parsed.command))
        return usageError(QStringLiteral("unknown command '%1'").arg(parsed.command));
    if (parsed.file.isEmpty())
        return usageError(QStringLiteral("no file given"));
    if (parsed.noCalculate && parsed.command != u"csv")
        return usageError(QStringLiteral("--no-calculate belongs to the csv command"));
    if (parsed.hasNode && parsed.command != u"sensitivity")
        return usageError(QStringLiteral("--node belongs to the sensitivity command"));
    if (!parsed.lang.isEmpty() && parsed.command != u"report")
        return usageError(QStringLiteral("--lang belongs to the report command"));
    if (parsed.command == u"report" && !parsed.hasOutput)
        return usageError(QStringLiteral("report needs -o OUT.pdf or -o OUT.html"));
    if (parsed.hasCertaintyOption && parsed.command != u"certainty")
        return usageError(QStringLiteral("--spread, --draws and --seed belong to the certainty command"));
    if (parsed.hasWeights && !isGroupCommand(parsed.command))
        return usageError(QStringLiteral("--weights belongs to the combine and agreement commands"));

    QStringList lines;
    if (isGroupCommand(parsed.command)) {
        const int status = groupCommand(parsed, lines);
        if (status != ExitSuccess)
            return status;
        return writeOutput(parsed, lines);
    }

    Document document;
    try {
        const OpenedDocument opened =
            InstallDocumentRead(readInput(parsed.file), document, [] { return true; });
        if (opened.status == ReadStatus::Missing) {
            printError(QFileInfo(parsed.file).isDir() ? QStringLiteral("%1: is a folder").arg(parsed.file)
                                                      : QStringLiteral("%1: no such file").arg(parsed.file));
            return ExitUsage;
        }
        if (opened.status == ReadStatus::Foreign) {
            const QString name = parsed.file == u"-" ? QStringLiteral("standard input") : parsed.file;
            printError(NotADataFileMessage(name, QStringLiteral("Priomat"), false));
            return ExitUsage;
        }
    } catch (const FileError &error) {
        printError(error.message());
        return ExitUsage;
    }

    if (parsed.command == u"report")
        return reportCommand(document, parsed);

    try {
        if (parsed.command == u"evaluate")
            lines = EvaluateLines(document);
        else if (parsed.command == u"csv")
            lines = CsvLines(document, !parsed.noCalculate);
        else if (parsed.command == u"format")
            lines = FormatDataFile(document);
        else if (parsed.command == u"blank")
            lines = BlankCopyLines(document);
        else if (parsed.command == u"advise") {
            QString failure;
            lines = AdviseLines(document, failure);
            if (!failure.isEmpty()) {
                printError(failure);
                return ExitComputation;
            }
        } else if (parsed.command == u"sensitivity")
            lines = sensitivityCommand(document, parsed);
        else if (parsed.command == u"certainty")
            lines = CertaintyLines(document, parsed.certainty);
        else if (parsed.command == u"methods")
            lines = MethodsLines(document);
        else
            lines = CheckLines(document);
    } catch (const ComputationError &error) {
        printError(error.message());
        return ExitComputation;
    } catch (const NodeNotFound &error) {
        return usageError(error.message);
    }

    return writeOutput(parsed, lines);
}

int main(int argc, char *argv[])
{
    // Before anything opens a file: a closed standard stream must not become that file.
    OpenStandardDescriptors();
    PrepareFileEnvironment();
    for (int i = 1; i < argc; ++i) {
        if (!RepresentableFileName(argv[i])) {
            printError(UnrepresentableNameMessage(argv[i], false));
            return ExitUsage;
        }
    }
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        printError(QStringLiteral("out of memory"));
    } catch (const std::exception &error) {
        printError(QString::fromLocal8Bit(error.what()));
    }
    return ExitUsage;
}
