// Reading a data file into a document and saving a document, as the document commands do.
#pragma once

#include "document/DataFile.h"
#include "document/DiskState.h"
#include "model/Document.h"
#include "document/TextFile.h"

#include <functional>

namespace priomat {

enum class ReadStatus {
    Read,    // a data file; `parsed` holds it
    Missing, // no file at the path: nothing to say
    Foreign, // empty or not a data file: the not-a-data-file message applies
};

struct DataFileRead
{
    ReadStatus status = ReadStatus::Missing;
    ParsedDataFile parsed;
    TextEncoding encoding = TextEncoding::Utf8;
    // The offset of a NUL byte: reading stopped there, and what follows was not read.
    qint64 nulOffset = -1;
    DiskStamp stamp; // the file as read
};

// Reads and parses the whole file before anything else changes. Throws FileError when the file
// exists but cannot be read (for RegularFile, when it is a device or a pipe).
DataFileRead ReadDataFile(const QString &path, ReadSource source = ReadSource::RegularFile);
// The same for bytes already read (standard input, for example).
DataFileRead ParseDataFileRead(const QByteArray &bytes);
// What to say about a NUL byte at `offset`: reading stopped there.
QString NulByteMessage(const QString &path, qint64 offset, bool japanese);

struct InstallOutcome
{
    bool treeWasEmpty = false; // the file had no tree: the document got the default root
    bool recovered = false;    // recovery names were added under the root
};

// Replaces the document by the parsed file: the tree (or the default root of a new document
// when the file has none), the alternatives and both tables in file order. When the tree was
// empty and there are recovery names, `askRecovery` decides whether they become children of
// the root. Computes nothing.
InstallOutcome InstallParsedDocument(Document &document, ParsedDataFile &&parsed,
                                     const std::function<bool()> &askRecovery);

// The bytes a save writes: the document's lines, each ended by CR LF.
QByteArray DataFileBytes(const Document &document, TextEncoding preferred, TextEncoding *used = nullptr);

// Writes the document's lines, each ended by CR LF, atomically. Throws FileError. `stamp` (when
// given) receives the file as written.
TextEncoding SaveDataFile(const QString &path, const Document &document,
                          TextEncoding preferred = TextEncoding::Utf8, DiskStamp *stamp = nullptr);

QString NotADataFileMessage(const QString &path, const QString &productName, bool japanese);
QString RecoveryQuestion(bool japanese);

} // namespace priomat
