// The commands of priomat-cli, apart from argument parsing and output.
#pragma once

#include "model/Document.h"

#include <QStringList>

namespace priomat::cli {

enum ExitCode {
    ExitSuccess = 0,
    ExitComputation = 1, // a value could not be computed
    ExitUsage = 2,       // bad arguments, or a missing, unreadable or foreign file
};

// Each returns the output lines; a ComputationError escapes to the caller.
QStringList EvaluateLines(Document &document);
QStringList CsvLines(Document &document, bool calculate);
QStringList CheckLines(const Document &document);

} // namespace priomat::cli
