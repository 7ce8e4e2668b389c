// The open sequence every program shares: the file read and installed, then every weight and
// the evaluation. The windowed program runs it through its document session.
#pragma once

#include "document/DocumentFile.h"
#include "model/Document.h"
#include "model/Evaluation.h"

#include <functional>

namespace priomat {

struct OpenedDocument
{
    ReadStatus status = ReadStatus::Missing;
    TextEncoding encoding = TextEncoding::Utf8;
    qint64 nulOffset = -1; // see DataFileRead
    DiskStamp stamp; // the file as read
};

// Reads the whole file and, when it is a data file, replaces `document` by it; `askRecovery`
// answers the recovery question. Throws FileError when the file cannot be read.
OpenedDocument ReadDocumentInto(const QString &path, Document &document,
                                const std::function<bool()> &askRecovery,
                                ReadSource source = ReadSource::RegularFile);
// The same for a file already read (standard input, for example).
OpenedDocument InstallDocumentRead(DataFileRead read, Document &document,
                                   const std::function<bool()> &askRecovery);

// Every weight from the root, then the evaluation into `results`. Throws ComputationError.
void ComputeDocument(Document &document, ResultLists &results, const RecalculateOptions &options);

} // namespace priomat
