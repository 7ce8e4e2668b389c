// An ordered table of comparison entries (key text, value text) with first-match lookup that
// ignores letter case.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace priomat {

// Key of an entry between two sibling requirements: row caption, TAB, column caption.
QString requirementKey(const QString &row, const QString &column);
// Key of an entry between two alternatives under a leaf: leaf name, TAB, row, TAB, column.
QString alternativeKey(const QString &leaf, const QString &row, const QString &column);

// A key given as its fields, looked up as if they were joined with TABs, without building the
// joined text.
class KeyFields
{
public:
    explicit KeyFields(QStringView whole) : fields_{whole}, count_(1) {}
    KeyFields(QStringView row, QStringView column) : fields_{row, column}, count_(2) {}
    KeyFields(QStringView leaf, QStringView row, QStringView column)
        : fields_{leaf, row, column}, count_(3)
    {}

    const QStringView *begin() const { return fields_.data(); }
    int count() const { return count_; }

private:
    std::array<QStringView, 3> fields_;
    int count_;
};

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
    std::optional<qsizetype> find(const KeyFields &key) const;
    std::optional<qsizetype> find(const QString &key) const { return find(KeyFields(key)); }
    // Value text of the first match, or nullptr when the pair is not entered.
    const QString *value(const KeyFields &key) const;
    const QString *value(const QString &key) const { return value(KeyFields(key)); }

    // Looks up many keys at once; `values[i]` is the value for `keys[i]` or nullptr. Faster
    // than one lookup after the other on large tables, because the index is fetched ahead.
    void valuesOf(const KeyFields *keys, qsizetype count, const QString **values) const;

    // Replaces the value of the first match, or appends a new entry at the end.
    void store(const QString &key, const QString &value);
    // Appends unconditionally, as a file is read: a later duplicate stays behind the first.
    void append(const QString &key, const QString &value);
    // append() for each entry in order, faster on large lists.
    void appendAll(const QList<Entry> &entries);
    // The same, taking the entries over without copying them when the table is empty.
    void appendAll(QList<Entry> &&entries);
    // Undoing edits: the value of the entry at `index`, and removing the last entry.
    void setValueAt(qsizetype index, const QString &value) { entries_[index].value = value; }
    void removeLast();
    void clear();
    void reserve(qsizetype n);

private:
    // Eight bytes, so that more of the index stays in the cache.
    struct Slot
    {
        std::uint32_t tag = 0;    // high half of the key's hash
        std::int32_t entry = -1;  // -1: empty
    };

    qsizetype findSlot(const KeyFields &key, std::uint64_t hash) const;
    size_t homeSlot(std::uint64_t hash) const { return size_t(hash >> 32) & (slots_.size() - 1); }
    void insertIndex(qsizetype entry, std::uint64_t hash);
    // Indexes entries_[first..] in order.
    void indexFrom(qsizetype first);
    // Makes room in the index for `n` entries in all.
    void reserveIndex(qsizetype n);
    void grow();
    void rehash(size_t capacity);

    QList<Entry> entries_;
    // Open addressing over the first entry of each key; only the last entry is ever removed.
    std::vector<Slot> slots_;
    qsizetype used_ = 0;
};

} // namespace priomat
