// The .ahp data file: turning a document into lines and lines back into a document.
#pragma once

#include "model/ComparisonTable.h"
#include "model/Document.h"
#include "model/RequirementTree.h"
#include "document/TextFile.h"

#include <QList>
#include <QStringList>

namespace priomat {

inline const QString DataFileHeader = QStringLiteral("Priomat - Data File");

struct ParsedDataFile
{
    bool foreign = false; // empty, or not starting with the header; nothing else is filled
    RequirementTree tree; // fresh records, "?" nodes where the depth jumps
    QStringList alternatives;
    // File order, duplicates included; not yet indexed (see ComparisonTable::indexAppended).
    ComparisonTable requirementEntries;
    ComparisonTable alternativeEntries;
    QStringList recoveryNames; // only when the tree came out empty
};

// The lines of the file without line ends; the caller ends each with CR LF.
QStringList FormatDataFile(const RequirementTree &tree, const QStringList &alternativesLines,
                           const ComparisonTable &requirementComparisons,
                           const ComparisonTable &alternativeComparisons);
QStringList FormatDataFile(const Document &document);

ParsedDataFile ParseDataFile(const QStringList &lines);
// The same on the whole text, split into lines as splitTextLines does, without a string per line.
ParsedDataFile ParseDataFileText(QStringView text);
// The same on the bytes of a file, decoded as DecodeTextLines does; `encoding` tells which
// encoding they were read in. Valid UTF-8 is decoded a line at a time.
ParsedDataFile ParseDataFileBytes(QByteArrayView bytes, TextEncoding &encoding);

} // namespace priomat
