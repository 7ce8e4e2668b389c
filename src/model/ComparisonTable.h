// An ordered table of comparison entries (key text, value text) with first-match,
// case-insensitive lookup.
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace priomat {

// Key of an entry between two sibling requirements: row caption, TAB, column caption.
QString requirementKey(const QString &row, const QString &column);
// Key of an entry between two alternatives under a leaf: leaf name, TAB, row, TAB, column.
QString alternativeKey(const QString &leaf, const QString &row, const QString &column);
// The form under which keys compare: names that differ only in letter case are the same.
inline QString foldKey(const QString &key) { return key.toCaseFolded(); }

class ComparisonTable
{
public:
    struct Entry
    {
        QString key;
        QString value;
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    qsizetype size() const { return entries_.size(); }
    bool isEmpty() const { return entries_.isEmpty(); }
    const Entry &at(qsizetype index) const { return entries_.at(index); }
    const QList<Entry> &entries() const { return entries_; }

    // Index of the first entry whose key matches without regard to letter case.
    std::optional<qsizetype> find(const QString &key) const;
    // Value text of the first match, or nullptr when the pair is not entered.
    const QString *value(const QString &key) const;
    const QString *valueOfFolded(const QString &foldedKey) const;
    // Whether any key begins with this folded prefix followed by a TAB.
    bool hasFoldedPrefix(const QString &foldedPrefix) const { return prefixes_.contains(foldedPrefix); }

    // Replaces the value of the first match, or appends a new entry at the end.
    void store(const QString &key, const QString &value);
    // Appends unconditionally, as a file is read: a later duplicate stays behind the first.
    void append(const QString &key, const QString &value);
    void clear();
    void reserve(qsizetype n);

private:
    QList<Entry> entries_;
    QHash<QString, qsizetype> firstByFoldedKey_;
    QSet<QString> prefixes_;
};

} // namespace priomat
