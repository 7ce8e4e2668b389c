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

void appendEntries(QStringList &lines, const ComparisonTable &table)
{
    for (const ComparisonTable::Entry &entry : table.entries())
        lines.append(guardBracket(entry.key + u'\t' + entry.value));
}

// The entry lines of the first section with this name among lines[1..]. Sections are found in
// any letter case with blanks around the header; a line starting with "[" ends the section.
QStringList sectionEntries(const QStringList &lines, const QString &name)
{
    const QString wanted = asciiUpper(name);
    QStringList entries;
    bool inside = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const QString trimmed = trimBlanks(line);
        if (trimmed.isEmpty())
            continue;
        if (!inside) {
            inside = trimmed.size() == wanted.size() && asciiUpper(trimmed) == wanted;
            continue;
        }
        if (line.at(0) == u'[')
            break;
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
        key += fields[size_t(field)];
    }
    return ComparisonTable::Entry{key, rest.toString()};
}

void readTree(const QStringList &entries, RequirementTree &tree)
{
    const QString unknown = QStringLiteral("?");
    for (const QString &line : entries) {
        const qsizetype depth = leadingBlankCount(line);
        auto node = std::make_unique<RequirementNode>(trimBlanks(line));
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
    tree.forEachPreOrder([&lines](RequirementNode *node, int depth) {
        lines.append(QString(depth, u' ') + node->caption());
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
