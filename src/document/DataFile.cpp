#include "document/DataFile.h"

#include "model/TextRules.h"

#include <QStringDecoder>

#include <QSet>

#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <optional>

namespace priomat {

namespace {

const QString TreeSection = QStringLiteral("[Tree]");
const QString AlternativesSection = QStringLiteral("[Alternatives]");
const QString ComparisonSection = QStringLiteral("[Comparison]");
const QString AlternativesComparisonSection = QStringLiteral("[AlternativesComparison]");

// A line beginning with "[" would end its section when read back and lose the rest of it. One
// leading blank keeps it an entry; readers trim it away again.
QString guardBracket(QString line)
{
    if (line.startsWith(u'['))
        line.prepend(u' ');
    return line;
}

// The structural tests of the section pass work alike on decoded lines and on UTF-8 bytes:
// blanks, "[", TAB and the ASCII of the headers are single units in both.
inline unsigned unitAt(QStringView text, qsizetype i) { return text[i].unicode(); }
inline unsigned unitAt(QByteArrayView text, qsizetype i) { return static_cast<unsigned char>(text[i]); }

template <typename View>
View trimmedView(View text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && unitAt(text, begin) <= 32)
        ++begin;
    while (end > begin && unitAt(text, end - 1) <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

// Texts that cannot stand as they are get one "\\" in front: a tree caption that is empty
// (a blank line is skipped) or, at the top level, begins with "[" (it would end the section
// or be taken for a header); a comparison field that is empty (its TAB would be swallowed).
// Texts that already begin with backslashes followed by such a text get one more, so reading
// takes exactly one away from any of them.
constexpr QChar Escape = u'\\';

QStringView afterEscapes(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == Escape)
        ++i;
    return text.sliced(i);
}

bool needsEscape(QStringView text, bool bracketToo)
{
    const QStringView rest = afterEscapes(text);
    return rest.isEmpty() || (bracketToo && rest.startsWith(u'['));
}

// The text as read from the file: one escape less where the writer put one.
QString unescaped(const QString &text, bool bracketToo)
{
    if (!text.startsWith(Escape) || !needsEscape(text, bracketToo))
        return text;
    return text.mid(1);
}

void appendEscaped(QString &line, QStringView text, bool bracketToo)
{
    if (needsEscape(text, bracketToo))
        line += Escape;
    line += text;
}

// A "?" node that reading creates by itself: the first child of its parent (or the first
// top-level node) with children of its own. Leaving it out keeps a deep chain of them from
// growing the file with the square of its depth; reading the indented child brings it back.
bool recreatedByReading(const RequirementTree &tree, const RequirementNode *node)
{
    if (!node->hasChildren() || node->caption() != u"?")
        return false;
    const RequirementNode *parent = node->parent();
    return parent ? parent->child(0) == node : tree.topLevel(0) == node;
}

void appendEntries(QStringList &lines, const ComparisonTable &table)
{
    for (qsizetype i = 0; i < table.size(); ++i) {
        // Fields are written trimmed, as reading takes them. An empty first field stands as it
        // is (the line begins with its TAB); any other empty field is escaped.
        const QString keyText = table.keyAt(i);
        const QString &value = table.valueAt(i);
        QString line;
        line.reserve(keyText.size() + value.size() + 4);
        const QStringView key = keyText;
        qsizetype start = 0;
        for (bool first = true;; first = false) {
            const qsizetype tab = key.indexOf(u'\t', start);
            const QStringView field = trimmedView(key.sliced(start, (tab < 0 ? key.size() : tab) - start));
            if (first && field.isEmpty())
                ;
            else
                appendEscaped(line, field, false);
            if (tab < 0)
                break;
            line += u'\t';
            start = tab + 1;
        }
        line += u'\t';
        line += value;
        lines.append(guardBracket(std::move(line)));
    }
}

using LineViews = std::vector<QStringView>;


template <typename View>
qsizetype leadingBlanks(View text)
{
    qsizetype n = 0;
    while (n < text.size() && unitAt(text, n) <= 32)
        ++n;
    return n;
}

// Whether `text`, its ASCII letters upper-cased, equals `wanted` (ASCII, already upper case).
template <typename View>
bool equalsAsciiUpper(View text, QStringView wanted)
{
    if (text.size() != wanted.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        unsigned c = unitAt(text, i);
        if (c >= 'a' && c <= 'z')
            c -= 32;
        if (c != wanted[i].unicode())
            return false;
    }
    return true;
}

// The lines of a text, split as splitTextLines does, as views into it.
template <typename View>
std::vector<View> splitLineViews(View text)
{
    std::vector<View> lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if constexpr (std::is_same_v<View, QByteArrayView>) {
            // Eight bytes at a time up to the next CR or LF.
            constexpr std::uint64_t ones = 0x0101010101010101ull;
            constexpr std::uint64_t highs = 0x8080808080808080ull;
            while (i + 8 <= n) {
                std::uint64_t word;
                std::memcpy(&word, text.data() + i, sizeof word);
                const std::uint64_t cr = word ^ (ones * '\r');
                const std::uint64_t lf = word ^ (ones * '\n');
                if (((cr - ones) & ~cr & highs) | ((lf - ones) & ~lf & highs))
                    break;
                i += 8;
            }
            if (i >= n)
                break;
        }
        const unsigned c = unitAt(text, i);
        if (c != '\r' && c != '\n')
            continue;
        lines.push_back(text.sliced(start, i - start));
        if (c == '\r' && i + 1 < n && unitAt(text, i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.push_back(text.sliced(start));
    return lines;
}

// Lines already decoded.
class TextLines
{
public:
    explicit TextLines(LineViews lines) : lines_(std::move(lines)) {}
    const LineViews &raw() const { return lines_; }
    QStringView text(size_t i) { return lines_[i]; }
    bool failed() const { return false; }

private:
    LineViews lines_;
};

// Lines of valid UTF-8 bytes, each decoded when it is used, so that the whole file never has
// to exist a second time as UTF-16.
class Utf8Lines
{
public:
    explicit Utf8Lines(std::vector<QByteArrayView> lines) : lines_(std::move(lines)) {}
    const std::vector<QByteArrayView> &raw() const { return lines_; }
    QStringView text(size_t i)
    {
        const QByteArrayView bytes = lines_[i];
        scratch_.resize(bytes.size());
        QChar *end = decoder_.appendToBuffer(scratch_.data(), bytes);
        failed_ = failed_ || decoder_.hasError();
        return QStringView(scratch_.constData(), end - scratch_.constData());
    }
    bool failed() const { return failed_; }

private:
    std::vector<QByteArrayView> lines_;
    QString scratch_;
    QStringDecoder decoder_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                      | QStringDecoder::Flag::ConvertInitialBom};
    bool failed_ = false;
};

// Indices of the entry lines of the first section with this name among lines[1..]. Sections
// are found in any letter case with blanks around the header; a line starting with "[" ends
// the section. A header in the first column comes first: an item that reads like a header is
// always written indented, so it cannot take the place of the real one. Only a file without
// the header in the first column has its section begin at an indented header.
template <typename View>
std::vector<size_t> sectionEntries(const std::vector<View> &lines, const QString &name)
{
    const QString wanted = asciiUpper(name);
    size_t header = 0;
    size_t indentedHeader = 0;
    for (size_t i = 1; i < lines.size() && header == 0; ++i) {
        const View line = lines[i];
        if (line.isEmpty() || (unitAt(line, 0) != '[' && indentedHeader > 0))
            continue;
        if (equalsAsciiUpper(trimmedView(line), wanted)) {
            if (unitAt(line, 0) == '[')
                header = i;
            else
                indentedHeader = i;
        }
    }
    if (header == 0)
        header = indentedHeader;
    std::vector<size_t> entries;
    if (header == 0)
        return entries;
    for (size_t i = header + 1; i < lines.size(); ++i) {
        const View line = lines[i];
        if (line.isEmpty())
            continue;
        if (unitAt(line, 0) == '[')
            break;
        if (leadingBlanks(line) == line.size())
            continue;
        entries.push_back(i);
    }
    return entries;
}

// Appends the entry of a comparison line (fields, TAB, value) when it has all its fields. The
// line is UTF-16 text, or ASCII bytes, which read the same as Latin-1.
template <typename View>
void appendComparisonLine(View line, int fieldCount, ComparisonTable &table)
{
    View rest = line;
    std::array<View, 3> fields;
    for (int field = 0; field < fieldCount; ++field) {
        qsizetype tab;
        if constexpr (std::is_same_v<View, QStringView>)
            tab = rest.indexOf(u'\t');
        else
            tab = rest.indexOf('\t');
        if (tab < 0)
            return;
        View text = trimmedView(rest.first(tab));
        // A field of nothing but backslashes loses one: the writer added it.
        qsizetype escapes = 0;
        while (escapes < text.size() && unitAt(text, escapes) == '\\')
            ++escapes;
        if (escapes > 0 && escapes == text.size())
            text = text.sliced(1);
        fields[size_t(field)] = text;
        rest = trimmedView(rest.sliced(tab + 1));
    }
    if constexpr (std::is_same_v<View, QStringView>) {
        const KeyFields key = fieldCount == 2 ? KeyFields(fields[0], fields[1])
                                              : KeyFields(fields[0], fields[1], fields[2]);
        table.appendUnindexed(key, rest);
    } else {
        std::array<QLatin1StringView, 3> latin1;
        for (int field = 0; field < fieldCount; ++field)
            latin1[size_t(field)] = QLatin1StringView(fields[size_t(field)].data(), fields[size_t(field)].size());
        table.appendUnindexedLatin1(latin1.data(), fieldCount, QLatin1StringView(rest.data(), rest.size()));
    }
}

bool isAscii(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        high |= word;
    }
    high &= 0x8080808080808080ull;
    for (; i < n; ++i)
        high |= static_cast<unsigned char>(p[i]) & 0x80;
    return high == 0;
}

void appendComparisonLine(TextLines &lines, size_t index, int fieldCount, ComparisonTable &table)
{
    appendComparisonLine(lines.text(index), fieldCount, table);
}

void appendComparisonLine(Utf8Lines &lines, size_t index, int fieldCount, ComparisonTable &table)
{
    const QByteArrayView bytes = lines.raw()[index];
    if (isAscii(bytes))
        appendComparisonLine(bytes, fieldCount, table);
    else
        appendComparisonLine(lines.text(index), fieldCount, table);
}

template <typename Lines>
void readTree(Lines &lines, const std::vector<size_t> &entries, RequirementTree &tree)
{
    const QString unknown = QStringLiteral("?");
    for (const size_t index : entries) {
        const QStringView line = lines.text(index);
        const qsizetype depth = leadingBlanks(line);
        auto node = std::make_unique<RequirementNode>(unescaped(trimmedView(line).toString(), depth == 0));
        if (depth == 0) {
            tree.appendTopLevel(std::move(node));
            continue;
        }
        // An indented first entry has nothing to descend from: it gets a "?" top-level node.
        RequirementNode *current = tree.lastTopLevel();
        if (!current)
            current = tree.appendTopLevel(std::make_unique<RequirementNode>(unknown));
        for (qsizetype step = 1; step < depth; ++step) {
            RequirementNode *last = current->lastChild();
            current = last ? last : current->appendChild(std::make_unique<RequirementNode>(unknown));
        }
        current->appendChild(std::move(node));
    }
}

QStringList recoveryNames(const ParsedDataFile &parsed)
{
    QStringList names;
    QSet<QString> seen;
    auto add = [&names, &seen](const QString &name) {
        const QString folded = name.toCaseFolded();
        if (seen.contains(folded))
            return;
        seen.insert(folded);
        names.append(name);
    };
    for (qsizetype i = 0; i < parsed.requirementEntries.size(); ++i) {
        const QString key = parsed.requirementEntries.keyAt(i);
        const qsizetype tab = key.indexOf(u'\t');
        add(key.left(tab));
        add(key.mid(tab + 1));
    }
    for (qsizetype i = 0; i < parsed.alternativeEntries.size(); ++i) {
        const QString key = parsed.alternativeEntries.keyAt(i);
        add(key.left(key.indexOf(u'\t')));
    }
    return names;
}

} // namespace

QStringList FormatDataFile(const RequirementTree &tree, const QStringList &alternativesLines,
                           const ComparisonTable &requirementComparisons,
                           const ComparisonTable &alternativeComparisons)
{
    QStringList lines;
    lines.reserve(tree.nodeCount() + alternativesLines.size() + requirementComparisons.size()
                  + alternativeComparisons.size() + 10);
    lines.append(DataFileHeader);
    lines.append(QString());
    lines.append(TreeSection);
    tree.forEachPreOrder([&lines, &tree](RequirementNode *node, int depth) {
        if (recreatedByReading(tree, node))
            return;
        // Blanks around a caption would be read as depth or dropped: they are left out.
        const QString caption = trimBlanks(node->caption());
        QString line;
        line.reserve(depth + caption.size() + 1);
        line.fill(u' ', depth);
        appendEscaped(line, caption, depth == 0);
        lines.append(std::move(line));
    });
    lines.append(QString());
    lines.append(AlternativesSection);
    for (const QString &line : alternativesLines)
        lines.append(guardBracket(trimBlanks(line)));
    lines.append(QString());
    lines.append(ComparisonSection);
    appendEntries(lines, requirementComparisons);
    lines.append(QString());
    lines.append(AlternativesComparisonSection);
    appendEntries(lines, alternativeComparisons);
    return lines;
}

QStringList FormatDataFile(const Document &document)
{
    return FormatDataFile(document.tree, document.alternativesLines,
                          document.RequirementComparisons, document.AlternativeComparisons);
}

namespace {

template <typename Lines>
ParsedDataFile parseLines(Lines &lines, QStringView firstLine)
{
    ParsedDataFile parsed;
    if (lines.raw().empty() || !equalsAsciiUpper(firstLine, asciiUpper(DataFileHeader))) {
        parsed.foreign = true;
        return parsed;
    }

    readTree(lines, sectionEntries(lines.raw(), TreeSection), parsed.tree);
    for (const size_t index : sectionEntries(lines.raw(), AlternativesSection))
        parsed.alternatives.append(trimmedView(lines.text(index)).toString());
    const std::vector<size_t> requirementLines = sectionEntries(lines.raw(), ComparisonSection);
    parsed.requirementEntries.reserve(qsizetype(requirementLines.size()));
    for (const size_t index : requirementLines)
        appendComparisonLine(lines, index, 2, parsed.requirementEntries);
    const std::vector<size_t> alternativeLines = sectionEntries(lines.raw(), AlternativesComparisonSection);
    parsed.alternativeEntries.reserve(qsizetype(alternativeLines.size()));
    for (const size_t index : alternativeLines)
        appendComparisonLine(lines, index, 3, parsed.alternativeEntries);
    if (parsed.tree.isEmpty())
        parsed.recoveryNames = recoveryNames(parsed);
    return parsed;
}

} // namespace

ParsedDataFile ParseDataFile(const QStringList &lines)
{
    LineViews views;
    views.reserve(size_t(lines.size()));
    for (const QString &line : lines)
        views.push_back(line);
    TextLines source(std::move(views));
    return parseLines(source, source.raw().empty() ? QStringView() : source.raw().front());
}

ParsedDataFile ParseDataFileText(QStringView text)
{
    TextLines source(splitLineViews(text));
    return parseLines(source, source.raw().empty() ? QStringView() : source.raw().front());
}

ParsedDataFile ParseDataFileBytes(QByteArrayView bytes, TextEncoding &encoding)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    const qsizetype firstEnd = std::min(bytes.indexOf('\r') < 0 ? bytes.size() : bytes.indexOf('\r'),
                                        bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    // A file that does not start with the header is not split into lines at all: a large one
    // would cost time and memory for nothing.
    auto foreign = [&encoding](TextEncoding read) {
        encoding = read;
        ParsedDataFile parsed;
        parsed.foreign = true;
        return parsed;
    };
    if (bytes.isValidUtf8()) {
        // The first line is decoded as the whole text would be (its byte-order marks go).
        const QString firstLine = DecodeWholeText(bytes.first(firstEnd)).text;
        if (!firstLine.isEmpty() && !equalsAsciiUpper(firstLine, asciiUpper(DataFileHeader)))
            return foreign(TextEncoding::Utf8);
        if (firstLine.isEmpty() && firstEnd > 0 && firstEnd == bytes.size()) {
            // Nothing but byte-order marks: no lines at all, as the whole text would have.
            encoding = TextEncoding::Utf8;
            ParsedDataFile parsed;
            parsed.foreign = true;
            return parsed;
        }
        Utf8Lines source(splitLineViews(bytes));
        ParsedDataFile parsed = parseLines(source, firstLine);
        if (!source.failed()) {
            encoding = TextEncoding::Utf8;
            return parsed;
        }
    } else if (bytes.first(firstEnd).compare(DataFileHeader.toLatin1(), Qt::CaseInsensitive) != 0) {
        // Read as CP932, where only the same ASCII bytes can form the header.
        return foreign(TextEncoding::Cp932);
    }
    const DecodedWholeText whole = DecodeWholeText(bytes);
    encoding = whole.encoding;
    return ParseDataFileText(whole.text);
}

} // namespace priomat
