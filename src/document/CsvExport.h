// The lines of the CSV export: outline, matrices with weights, and the alternatives' points.
// Names with a comma, a double quote or a line break are quoted as RFC 4180 asks.
#pragma once

#include "model/Document.h"
#include "model/Evaluation.h"

#include <QStringList>

namespace priomat {

// Builds every line in memory; throws ComputationError (naming the matrix's owner) when a stored
// value is not a number, so that no partial file is ever written.
QStringList BuildCsvLines(const Document &document, const ResultLists &results);

} // namespace priomat
