// Feeds arbitrary bytes through everything a data file goes through: decoding, parsing,
// installing, saving, weights, evaluation, CSV and result text exports.
//
// A ComputationError is an ordinary outcome for a bad value or a matrix too large to compute.
// Any other exception, a crash, a sanitizer report or a broken save/read round trip is a finding.

#include "model/ComparisonMatrix.h"
#include "model/ComputationError.h"
#include "document/CsvExport.h"
#include "document/DataFile.h"
#include "model/Document.h"
#include "document/DocumentFile.h"
#include "model/Evaluation.h"
#include "model/Priorities.h"
#include "document/ResultText.h"
#include "document/TextFile.h"
#include "model/TextRules.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "SanitizerDefaults.h"

using namespace priomat;

namespace {

// Evaluation and the CSV export visit leaves × alternatives² cells (every leaf has its own
// alternatives matrix) plus children² per inner node. Matrices above MaxComputedMatrixSize are
// refused before any cell is read, so they cost nothing; beyond this budget the rest is simply
// too slow to run thousands of times a second, and smaller documents cover the same code.
constexpr qint64 EvaluationBudget = 20'000'000;

qint64 evaluationCost(const Document &document)
{
    const qint64 alternatives = document.alternatives().size();
    auto cells = [](qint64 n) { return n > MaxComputedMatrixSize ? 0 : n * n; };
    qint64 cost = 0;
    document.tree.forEachPreOrder([&](RequirementNode *node, int) {
        const qint64 children = node->childCount();
        cost += children == 0 ? cells(alternatives) : cells(children);
    });
    return cost;
}

[[noreturn]] void fail(const char *what, const QStringList &expected, const QStringList &actual)
{
    std::fprintf(stderr, "round trip broken: %s\n", what);
    const qsizetype n = std::max(expected.size(), actual.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QString a = i < expected.size() ? expected.at(i) : QStringLiteral("<none>");
        const QString b = i < actual.size() ? actual.at(i) : QStringLiteral("<none>");
        if (a != b) {
            std::fprintf(stderr, "first difference at line %lld:\n  expected: %s\n  actual:   %s\n",
                         static_cast<long long>(i), a.toUtf8().constData(), b.toUtf8().constData());
            break;
        }
    }
    std::fprintf(stderr, "lines: expected %lld, actual %lld\n",
                 static_cast<long long>(expected.size()), static_cast<long long>(actual.size()));
    std::abort();
}

void evaluateAndExport(Document &document, TextEncoding encoding)
{
    if (evaluationCost(document) > EvaluationBudget)
        return;

    try {
        UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    } catch (const ComputationError &) {
        // Some weights stay as they were; the exports must cope with that too.
    }

    ResultLists results;
    try {
        Recalculate(document, results, {.force = false, .automatic = true, .loading = false});
    } catch (const ComputationError &) {
    }

    try {
        const QStringList csv = BuildCsvLines(document, results);
        (void)EncodeTextLines(csv, encoding);
    } catch (const ComputationError &) {
    }

    const QStringList resultText = BuildResultTextLines(results);
    (void)EncodeTextLines(resultText, encoding);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The last byte's low bit answers the recovery question, so both answers get explored;
    // a file ending in a line break (LF or CR, both even) answers yes.
    const bool recover = size == 0 || (data[size - 1] & 1) == 0;
    const auto askRecovery = [recover] { return recover; };

    const DecodedText decoded = DecodeTextLines(bytes);
    ParsedDataFile parsed = ParseDataFile(decoded.lines);
    if (parsed.foreign) {
        TextEncoding encoding = TextEncoding::Utf8;
        if (!ParseDataFileBytes(bytes, encoding).foreign)
            fail("lines foreign, bytes not", decoded.lines, {});
        return 0;
    }

    Document document;
    InstallParsedDocument(document, std::move(parsed), askRecovery);
    const QStringList formatted = FormatDataFile(document);

    // Reading the bytes directly, as the programs open files, gives the same document.
    {
        TextEncoding encoding = TextEncoding::Utf8;
        ParsedDataFile direct = ParseDataFileBytes(bytes, encoding);
        if (direct.foreign)
            fail("bytes read as foreign", formatted, {});
        if (encoding != decoded.encoding)
            fail("bytes read in another encoding", formatted, {});
        Document directDocument;
        InstallParsedDocument(directDocument, std::move(direct), askRecovery);
        const QStringList directLines = FormatDataFile(directDocument);
        if (directLines != formatted)
            fail("bytes read differently from lines", formatted, directLines);
    }

    // Saving what was read and reading it back must give the same document.
    {
        ParsedDataFile again = ParseDataFile(formatted);
        if (again.foreign)
            fail("saved lines read as foreign", formatted, {});
        Document reread;
        InstallParsedDocument(reread, std::move(again), askRecovery);
        const QStringList reformatted = FormatDataFile(reread);
        if (reformatted != formatted)
            fail("saved lines read back differently", formatted, reformatted);
    }

    // The saved bytes, in either encoding, decode to the same lines.
    for (const TextEncoding preferred : {TextEncoding::Utf8, TextEncoding::Cp932}) {
        TextEncoding used = TextEncoding::Utf8;
        const QByteArray saved = EncodeTextLines(formatted, preferred, &used);
        const DecodedText back = DecodeTextLines(saved);
        if (back.lines == formatted)
            continue;
        fail(used == TextEncoding::Cp932 ? "CP932 bytes decode differently"
                                         : "UTF-8 bytes decode differently",
             formatted, back.lines);
    }

    evaluateAndExport(document, decoded.encoding);
    return 0;
}
