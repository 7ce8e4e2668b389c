#include "document/DataFile.h"

#include "model/TextRules.h"

#include <QSet>

#include <array>
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
    for (const ComparisonTable::Entry &entry : table.entries()) {
        // An empty first field stands as it is (the line begins with its TAB); any other empty
        // field is escaped.
        QString line;
        line.reserve(entry.key.size() + entry.value.size() + 4);
        const QStringView key = entry.key;
        qsizetype start = 0;
        for (bool first = true;; first = false) {
            const qsizetype tab = key.indexOf(u'\t', start);
            const QStringView field = key.sliced(start, (tab < 0 ? key.size() : tab) - start);
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
        line += entry.value;
        lines.append(guardBracket(std::move(line)));
    }
}

bool isHeader(const QString &line, const QString &wanted)
{
    const QString trimmed = trimBlanks(line);
    return trimmed.size() == wanted.size() && asciiUpper(trimmed) == wanted;
}

// The entry lines of the first section with this name among lines[1..]. Sections are found in
// any letter case with blanks around the header; a line starting with "[" ends the section.
// A header in the first column comes first: an item that reads like a header is always
// written indented, so it cannot take the place of the real one. Only a file without the
// header in the first column has its section begin at an indented header.
QStringList sectionEntries(const QStringList &lines, const QString &name)
{
    const QString wanted = asciiUpper(name);
    qsizetype header = -1;
    qsizetype indentedHeader = -1;
    for (qsizetype i = 1; i < lines.size() && header < 0; ++i) {
        const QString &line = lines.at(i);
        if (line.isEmpty() || (line.at(0) != u'[' && indentedHeader >= 0))
            continue;
        if (isHeader(line, wanted)) {
            if (line.at(0) == u'[')
                header = i;
            else
                indentedHeader = i;
        }
    }
    if (header < 0)
        header = indentedHeader;
    QStringList entries;
    if (header < 0)
        return entries;
    for (qsizetype i = header + 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.isEmpty())
            continue;
        if (line.at(0) == u'[')
            break;
        if (leadingBlankCount(line) == line.size())
            continue;
        entries.append(line);
    }
    return entries;
}

// Splits off `fieldCount` trimmed fields at TABs; the value is the trimmed remainder. An empty
// field after the first swallows its TAB, so such a line has too few TABs and is skipped.
std::optional<ComparisonTable::Entry> splitComparisonLine(const QString &line, int fieldCount)
{
    auto trimmed = [](QStringView text) {
        qsizetype begin = 0;
        qsizetype end = text.size();
        while (begin < end && isBlank(text[begin]))
            ++begin;
        while (end > begin && isBlank(text[end - 1]))
            --end;
        return text.sliced(begin, end - begin);
    };
    QStringView rest = line;
    std::array<QStringView, 3> fields;
    qsizetype keySize = fieldCount - 1;
    for (int field = 0; field < fieldCount; ++field) {
        const qsizetype tab = rest.indexOf(u'\t');
        if (tab < 0)
            return std::nullopt;
        fields[size_t(field)] = trimmed(rest.first(tab));
        keySize += fields[size_t(field)].size();
        rest = trimmed(rest.sliced(tab + 1));
    }
    QString key;
    key.reserve(keySize);
    for (int field = 0; field < fieldCount; ++field) {
        if (field > 0)
            key += u'\t';
        const QStringView text = fields[size_t(field)];
        key += text.startsWith(Escape) && afterEscapes(text).isEmpty() ? text.sliced(1) : text;
    }
    return ComparisonTable::Entry{key, rest.toString()};
}

void readTree(const QStringList &entries, RequirementTree &tree)
{
    const QString unknown = QStringLiteral("?");
    for (const QString &line : entries) {
        const qsizetype depth = leadingBlankCount(line);
        auto node = std::make_unique<RequirementNode>(unescaped(trimBlanks(line), depth == 0));
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
    for (const ComparisonTable::Entry &entry : parsed.requirementEntries) {
        const qsizetype tab = entry.key.indexOf(u'\t');
        add(entry.key.left(tab));
        add(entry.key.mid(tab + 1));
    }
    for (const ComparisonTable::Entry &entry : parsed.alternativeEntries)
        add(entry.key.left(entry.key.indexOf(u'\t')));
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

ParsedDataFile ParseDataFile(const QStringList &lines)
{
    ParsedDataFile parsed;
    if (lines.isEmpty() || asciiUpper(lines.first()) != asciiUpper(DataFileHeader)) {
        parsed.foreign = true;
        return parsed;
    }

    readTree(sectionEntries(lines, TreeSection), parsed.tree);
    for (const QString &line : sectionEntries(lines, AlternativesSection))
        parsed.alternatives.append(trimBlanks(line));
    for (const QString &line : sectionEntries(lines, ComparisonSection)) {
        if (auto entry = splitComparisonLine(line, 2))
            parsed.requirementEntries.append(std::move(*entry));
    }
    for (const QString &line : sectionEntries(lines, AlternativesComparisonSection)) {
        if (auto entry = splitComparisonLine(line, 3))
            parsed.alternativeEntries.append(std::move(*entry));
    }
    if (parsed.tree.isEmpty())
        parsed.recoveryNames = recoveryNames(parsed);
    return parsed;
}

} // namespace priomat
