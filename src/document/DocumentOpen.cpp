#include "document/DocumentOpen.h"

#include "model/Priorities.h"

namespace priomat {

OpenedDocument ReadDocumentInto(const QString &path, Document &document,
                                const std::function<bool()> &askRecovery, ReadSource source)
{
    return InstallDocumentRead(ReadDataFile(path, source), document, askRecovery); // read whole first
}

OpenedDocument InstallDocumentRead(DataFileRead read, Document &document,
                                   const std::function<bool()> &askRecovery)
{
    OpenedDocument opened;
    opened.status = read.status;
    opened.encoding = read.encoding;
    opened.nulOffset = read.nulOffset;
    opened.stamp = read.stamp;
    if (read.status == ReadStatus::Read)
        InstallParsedDocument(document, std::move(read.parsed), askRecovery);
    return opened;
}

void ComputeDocument(Document &document, ResultLists &results, const RecalculateOptions &options)
{
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    Recalculate(document, results, options);
}

} // namespace priomat
