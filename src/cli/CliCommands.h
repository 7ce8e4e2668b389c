// The commands of priomat-cli, apart from argument parsing and output.
#pragma once

#include "model/Certainty.h"
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
// The advisor's suggestions for every matrix whose index is above 0.1, one TAB-separated line
// each: owner, row, column, value, suggested value, index now, index after. A matrix that
// cannot be computed stops it: `failure` names the entry and nothing is returned.
QStringList AdviseLines(const Document &document, QString &failure);

// The node a sensitivity report is about: the root, or the first node in pre-order whose
// caption is `name`; nullptr when there is none.
const RequirementNode *FindSensitivityNode(const Document &document, const QString &name);
// The node the sensitivity command varies without --node: the first in tree order with two or
// more children, else the root.
const RequirementNode *DefaultSensitivityNode(const Document &document);
// The tipping points of `node`'s children, an empty line, then the robustness of every entered
// requirement judgement; each table with a header line. Nodes with more children than
// JudgementAnalysisLimit are left out of the second table and named in `skipped`.
QStringList SensitivityLines(Document &document, const RequirementNode *node, QStringList *skipped = nullptr);

// The judgement uncertainty by simulation: the alternatives table (points and rank now, the
// share of draws in which each is best, in each rank, and the percentiles of its points), the
// judgements whose moves go most often with another winner, and the run's figures; each table
// with a header line, an empty line between them.
QStringList CertaintyLines(const Document &document, const CertaintyOptions &options);
// The points and ranks by the four methods with a column saying whether the ranks agree, the
// program's index beside the eigenvalue and Saaty's ratio for every matrix, and a closing
// sentence on where the rankings differ.
QStringList MethodsLines(const Document &document);

} // namespace priomat::cli
