#include "ComparisonTable.h"

namespace priomat {

QString requirementKey(const QString &row, const QString &column)
{
    return row + u'\t' + column;
}

QString alternativeKey(const QString &leaf, const QString &row, const QString &column)
{
    return leaf + u'\t' + row + u'\t' + column;
}

std::optional<qsizetype> ComparisonTable::find(const QString &key) const
{
    const auto it = firstByFoldedKey_.constFind(foldKey(key));
    if (it == firstByFoldedKey_.constEnd())
        return std::nullopt;
    return it.value();
}

const QString *ComparisonTable::value(const QString &key) const
{
    return valueOfFolded(foldKey(key));
}

const QString *ComparisonTable::valueOfFolded(const QString &foldedKey) const
{
    const auto it = firstByFoldedKey_.constFind(foldedKey);
    if (it == firstByFoldedKey_.constEnd())
        return nullptr;
    return &entries_.at(it.value()).value;
}

void ComparisonTable::store(const QString &key, const QString &value)
{
    if (const auto index = find(key))
        entries_[*index].value = value;
    else
        append(key, value);
}

void ComparisonTable::append(const QString &key, const QString &value)
{
    const QString folded = foldKey(key);
    const qsizetype index = entries_.size();
    entries_.append({key, value});
    if (!firstByFoldedKey_.contains(folded))
        firstByFoldedKey_.insert(folded, index);
    // Every text before a TAB, so that a caption holding a TAB cannot hide an entry.
    for (qsizetype tab = folded.indexOf(u'\t'); tab >= 0; tab = folded.indexOf(u'\t', tab + 1))
        prefixes_.insert(folded.left(tab));
}

void ComparisonTable::clear()
{
    entries_.clear();
    firstByFoldedKey_.clear();
    prefixes_.clear();
}

void ComparisonTable::reserve(qsizetype n)
{
    entries_.reserve(n);
    firstByFoldedKey_.reserve(n);
}

} // namespace priomat
