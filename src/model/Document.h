// The open document: requirement tree, alternatives text and the two comparison tables.
#pragma once

#include "model/ComparisonTable.h"
#include "model/RequirementTree.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace priomat {

// Caption of the root of a new document, the same in both languages.
inline const QString DefaultRootCaption = QStringLiteral("根幹の要求");

// The alternatives are the text's lines, trimmed, with empty lines skipped, in order.
QStringList AlternativesFromLines(const QStringList &lines);

struct Document
{
    RequirementTree tree;
    QStringList alternativesLines; // the alternatives text, one entry per line
    ComparisonTable RequirementComparisons;
    ComparisonTable AlternativeComparisons;

    // A new document: one root, no alternatives, no entries.
    void reset();
    QStringList alternatives() const { return AlternativesFromLines(alternativesLines); }
};

// The names forming the rows and columns of a node's matrix: its children's captions,
// or for a node without children the alternatives compared under it.
struct MatrixItems
{
    QStringList names;
    bool leafShown = false;
    QString leafName; // trimmed caption of the leaf when leafShown
};

MatrixItems ItemsUnder(const Document &document, const RequirementNode *node);

// Told of each value StoreEntry is about to write: its key and text, and the index of the entry
// whose value it replaces, or none when it appends the key at the end.
using EntryWriteObserver =
    std::function<void(const QString &key, const QString &value, std::optional<qsizetype> replaced)>;

// Writes one matrix entry chosen in row `aRow`, column `aCol` (grid positions counted from 1)
// into the table the items belong to: replaces the first matching entry or appends one. With
// `inverse` the transposed pair receives `reciprocalValue` the same way.
void StoreEntry(Document &document, const MatrixItems &items, int aCol, int aRow,
                const QString &value, const QString &reciprocalValue, bool inverse,
                const EntryWriteObserver &observe = {});

} // namespace priomat
