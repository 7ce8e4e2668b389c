// The lines of the result text file: both result lists, tab-separated.
#pragma once

#include "model/Evaluation.h"

#include <QStringList>

namespace priomat {

// "[Requirements]", name TAB value rows, an empty line, "[Alternatives]", rows.
QStringList BuildResultTextLines(const ResultLists &results);

} // namespace priomat
