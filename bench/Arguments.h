// The options the benchmarks share: the generated document's shape, the runs, and other
// "--name value" pairs.
#pragma once

#include "DataGenerator.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace priomat::bench {

struct Arguments
{
    Shape shape;
    int runs = 5;
    QHash<QString, QString> values; // the other options, by name
};

// Reads "--name value" pairs: the shape, --runs and the `others`. False for a missing value,
// an unknown option or a shape that cannot be built.
inline bool ReadArguments(const QStringList &args, const QStringList &others, Arguments &arguments)
{
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const QString &name = args.at(i);
        const QString &value = args.at(i + 1);
        if (name == u"--leaves")
            arguments.shape.leaves = value.toInt();
        else if (name == u"--parents")
            arguments.shape.parents = value.toInt();
        else if (name == u"--alternatives")
            arguments.shape.alternatives = value.toInt();
        else if (name == u"--runs")
            arguments.runs = std::max(1, value.toInt());
        else if (others.contains(name))
            arguments.values.insert(name, value);
        else
            return false;
    }
    const Shape &shape = arguments.shape;
    return args.size() % 2 == 0 && shape.leaves >= 1 && shape.parents >= 1 && shape.parents <= shape.leaves
        && shape.alternatives >= 2;
}

} // namespace priomat::bench
