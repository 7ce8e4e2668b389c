// Builds documents of large and awkward shapes from a few bytes: up to 10^5 siblings, 10^5
// alternatives, 10^5 levels, and names drawn from the texts the file format must take care of
// (section headers in any case, "[", "\", "?", blanks, empty names). Every shape must save and
// read back as the same lines, and weights, evaluation and exports must end normally or with
// a ComputationError.

#include "model/ComparisonMatrix.h"
#include "model/ComputationError.h"
#include "document/CsvExport.h"
#include "document/DataFile.h"
#include "model/Document.h"
#include "document/DocumentFile.h"
#include "model/Evaluation.h"
#include "model/Priorities.h"
#include "document/ResultText.h"

#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "SanitizerDefaults.h"

using namespace priomat;

namespace {

class Bytes
{
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    unsigned byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    unsigned word() { return byte() | byte() << 8; }
    bool empty() const { return pos_ >= size_; }
    // A short text from the input itself, as Latin-1 so every byte is a character.
    QString text()
    {
        const unsigned length = byte() % 8;
        QString result;
        for (unsigned i = 0; i < length && !empty(); ++i)
            result += QChar(char16_t(byte()));
        return result;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

const QStringList &specialTexts()
{
    static const QStringList texts = {
        QStringLiteral("[Tree]"), QStringLiteral("[tree]"), QStringLiteral("[ALTERNATIVES]"),
        QStringLiteral("[Comparison]"), QStringLiteral("[comparison]"),
        QStringLiteral("[AlternativesComparison]"), QStringLiteral("[alternativescomparison]"),
        QStringLiteral("["), QStringLiteral("[x"), QStringLiteral("\\"), QStringLiteral("\\["),
        QStringLiteral("\\\\[Tree]"), QStringLiteral("?"), QString(), QStringLiteral(" "),
        QStringLiteral(" [Tree] "), QStringLiteral("Priomat - Data File"), QStringLiteral("A"),
        QStringLiteral("a"), QStringLiteral("ß"), QStringLiteral("SS"), QStringLiteral("根幹"),
    };
    return texts;
}

QString name(Bytes &in)
{
    const unsigned pick = in.byte();
    if (pick < 200)
        return specialTexts().at(pick % specialTexts().size());
    return in.text();
}

// Sizes spread over 0 … 10^5, small ones most often.
int size(Bytes &in)
{
    const unsigned w = in.word();
    switch (w % 4) {
    case 0: return int(w >> 2) % 8;
    case 1: return int(w >> 2) % 64;
    case 2: return int(w >> 2) % 4096;
    default: return int(w >> 2) * 100000 / 16384;
    }
}

[[noreturn]] void fail(const char *what, const QStringList &expected, const QStringList &actual)
{
    std::fprintf(stderr, "round trip broken: %s\n", what);
    for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const QString a = i < expected.size() ? expected.at(i) : QStringLiteral("<none>");
        const QString b = i < actual.size() ? actual.at(i) : QStringLiteral("<none>");
        if (a != b) {
            std::fprintf(stderr, "line %lld:\n  expected: %s\n  actual:   %s\n", static_cast<long long>(i),
                         a.left(200).toUtf8().constData(), b.left(200).toUtf8().constData());
            break;
        }
    }
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size_)
{
    Bytes in(data, size_);
    Document document;

    // A chain of levels, captions near the top and "?" below (as a deeply indented line
    // reads), then a sibling group at its end. Every node written below the chain's "?" levels
    // carries the whole depth in blanks, so the file's size, and any honest save, grows with
    // depth × written nodes: that product is kept to a few million.
    auto *node = document.tree.appendTopLevel(std::make_unique<RequirementNode>(name(in)));
    const int depth = size(in);
    for (int level = 0; level < depth; ++level) {
        const bool captioned = level < 64 && level % 3 == 0;
        node = node->appendChild(std::make_unique<RequirementNode>(captioned ? name(in) : QStringLiteral("?")));
    }
    const int siblings = std::min(size(in), 4'000'000 / (depth + 1));
    const QString siblingBase = name(in);
    for (int i = 0; i < siblings; ++i)
        node->appendChild(std::make_unique<RequirementNode>(i % 7 ? siblingBase + QString::number(i) : name(in)));
    for (int extra = in.byte() % 4; extra > 0; --extra)
        document.tree.appendTopLevel(std::make_unique<RequirementNode>(name(in)));

    const int alternatives = size(in);
    const QString alternativeBase = name(in);
    // Blank lines of the alternatives text are no alternatives and are not kept by a reload.
    for (int i = 0; i < alternatives; ++i) {
        const QString alternative = i % 5 ? alternativeBase + QString::number(i) : name(in);
        if (!alternative.trimmed().isEmpty())
            document.alternativesLines.append(alternative);
    }

    // No empty value: nothing stores one, and a line with an empty field is no entry.
    static const QStringList values = {QStringLiteral("3"), QStringLiteral("1/3"), QStringLiteral("0"),
                                       QStringLiteral("x"), QStringLiteral("1e308")};
    while (!in.empty()) {
        const QString value = values.at(in.byte() % values.size());
        if (in.byte() & 1)
            document.RequirementComparisons.append(requirementKey(name(in), name(in)), value);
        else
            document.AlternativeComparisons.append(alternativeKey(name(in), name(in), name(in)), value);
    }

    const QStringList formatted = FormatDataFile(document);
    ParsedDataFile again = ParseDataFile(formatted);
    if (again.foreign)
        fail("saved lines read as foreign", formatted, {});
    Document reread;
    InstallParsedDocument(reread, std::move(again), [] { return true; });
    const QStringList reformatted = FormatDataFile(reread);
    if (reformatted != formatted)
        fail("saved lines read back differently", formatted, reformatted);

    // Matrices above the limit are refused at once; below it the work is bounded here.
    const qint64 n = qMax(siblings, alternatives);
    if (n <= MaxComputedMatrixSize && n * n > 4'000'000)
        return 0;
    try {
        UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    } catch (const ComputationError &) {
    }
    ResultLists results;
    try {
        Recalculate(document, results, {.force = true, .automatic = true, .loading = false});
    } catch (const ComputationError &) {
    }
    try {
        (void)BuildCsvLines(document, results);
    } catch (const ComputationError &) {
    }
    (void)BuildResultTextLines(results);
    return 0;
}
