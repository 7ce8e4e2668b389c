// Generated documents of a chosen size, saved as data files the way the program saves them.
#pragma once

#include "model/Document.h"

#include <QString>

#include <cstdint>

namespace priomat::bench {

struct Shape
{
    int leaves = 300;
    int parents = 12;
    int alternatives = 40;
};

// One root, `parents` groups sharing the leaves out evenly, and the alternatives. Every
// off-diagonal pair of every matrix is entered with a scale text drawn from `seed`; the
// transposed cell holds its reciprocal.
Document BuildDocument(const Shape &shape, std::uint32_t seed);

struct GeneratedFile
{
    qsizetype requirementEntries = 0;
    qsizetype alternativeEntries = 0;
    qint64 bytes = 0;
};

// BuildDocument + SaveDataFile. Throws FileError.
GeneratedFile WriteGeneratedFile(const QString &path, const Shape &shape, std::uint32_t seed);

} // namespace priomat::bench
