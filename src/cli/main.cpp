// priomat-cli: evaluates, exports, normalises and checks Priomat data files from the shell.
#include "cli/CliCommands.h"
#include "model/ComputationError.h"
#include "document/DataFile.h"
#include "document/DocumentFile.h"
#include "document/DocumentOpen.h"
#include "document/TextFile.h"
#include "Version.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace priomat;
using namespace priomat::cli;

namespace {

const char *const Usage =
    "Usage: priomat-cli COMMAND FILE [-o OUT]\n"
    "\n"
    "Commands:\n"
    "  evaluate FILE               print the overall evaluation as the result window saves it\n"
    "  csv FILE [--no-calculate]   print the CSV export; --no-calculate leaves out the results\n"
    "  format FILE                 print the data file as Priomat saves it\n"
    "  check FILE                  print every matrix's size, consistency index, missing\n"
    "                              entries and verdict (OK, CHECK, INCONSISTENT), tab-separated\n"
    "\n"
    "Options:\n"
    "  -o OUT        write to OUT (replaced atomically) instead of standard output\n"
    "  --help        show this help\n"
    "  --version     show the version\n"
    "\n"
    "Output is UTF-8 with CR LF line ends. Exit status: 0 success, 1 a value could not be\n"
    "computed, 2 bad usage or a file that is missing, unreadable or not a data file.\n";

void printError(const QString &message)
{
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::fprintf(stderr, "priomat-cli: %s\n", text.toUtf8().constData());
}

int usageError(const QString &message)
{
    printError(message);
    std::fputs("Try 'priomat-cli --help'.\n", stderr);
    return ExitUsage;
}

struct Arguments
{
    QString command;
    QString file;
    QString output;
    bool noCalculate = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    Arguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--help" || arg == u"-h") {
            std::fputs(Usage, stdout);
            return ExitSuccess;
        }
        if (arg == u"--version") {
            std::printf("priomat-cli %s\n", PRIOMAT_VERSION_STRING);
            return ExitSuccess;
        }
        if (arg == u"-o") {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("-o needs a file name"));
            parsed.output = args.at(++i);
        } else if (arg == u"--no-calculate") {
            parsed.noCalculate = true;
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            return usageError(QStringLiteral("unknown option '%1'").arg(arg));
        } else if (parsed.command.isEmpty()) {
            parsed.command = arg;
        } else if (parsed.file.isEmpty()) {
            parsed.file = arg;
        } else {
            return usageError(QStringLiteral("unexpected argument '%1'").arg(arg));
        }
    }
    static const QStringList commands{QStringLiteral("evaluate"), QStringLiteral("csv"),
                                      QStringLiteral("format"), QStringLiteral("check")};
    if (parsed.command.isEmpty())
        return usageError(QStringLiteral("no command given"));
    if (!commands.contains(parsed.command))
        return usageError(QStringLiteral("unknown command '%1'").arg(parsed.command));
    if (parsed.file.isEmpty())
        return usageError(QStringLiteral("no file given"));
    if (parsed.noCalculate && parsed.command != u"csv")
        return usageError(QStringLiteral("--no-calculate belongs to the csv command"));

    Document document;
    try {
        const OpenedDocument opened = ReadDocumentInto(parsed.file, document, [] { return true; });
        if (opened.status == ReadStatus::Missing)
            return usageError(QStringLiteral("%1: no such file").arg(parsed.file));
        if (opened.status == ReadStatus::Foreign) {
            printError(NotADataFileMessage(parsed.file, QStringLiteral("Priomat"), false));
            return ExitUsage;
        }
    } catch (const FileError &error) {
        printError(error.message());
        return ExitUsage;
    }

    QStringList lines;
    try {
        if (parsed.command == u"evaluate")
            lines = EvaluateLines(document);
        else if (parsed.command == u"csv")
            lines = CsvLines(document, !parsed.noCalculate);
        else if (parsed.command == u"format")
            lines = FormatDataFile(document);
        else
            lines = CheckLines(document);
    } catch (const ComputationError &error) {
        printError(error.message());
        return ExitComputation;
    }

    try {
        const QByteArray bytes = EncodeTextLines(lines, TextEncoding::Utf8);
        if (parsed.output.isEmpty()) {
            if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
                || std::fflush(stdout) != 0) {
                printError(QStringLiteral("cannot write to standard output"));
                return ExitUsage;
            }
        } else {
            WriteFileAtomically(parsed.output, bytes);
        }
    } catch (const FileError &error) {
        printError(error.message());
        return ExitUsage;
    }
    return ExitSuccess;
}
