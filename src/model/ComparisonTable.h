// An ordered table of comparison entries (key text, value text) with first-match lookup that
// ignores letter case.
#pragma once

#include <QList>
#include <QString>
#include <QLatin1StringView>
#include <QStringView>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
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

// Keys live in one arena, as Latin-1 when they fit and as UTF-16 otherwise, and equal value
// texts are stored once, so that an entry costs its key's characters and a few bytes more.
class ComparisonTable
{
public:
    // One entry as texts.
    struct Entry
    {
        QString key;
        QString value;
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    ComparisonTable() = default;
    ComparisonTable(const ComparisonTable &other);
    ComparisonTable &operator=(const ComparisonTable &other);
    ComparisonTable(ComparisonTable &&other) noexcept;
    ComparisonTable &operator=(ComparisonTable &&other) noexcept;
    ~ComparisonTable();

    qsizetype size() const { return qsizetype(records_.size()); }
    bool isEmpty() const { return records_.empty(); }
    Entry at(qsizetype index) const { return {keyAt(index), valueAt(index)}; }
    QString keyAt(qsizetype index) const;
    const QString &valueAt(qsizetype index) const { return values_[records_[size_t(index)].value]; }
    // Every entry in order, as texts.
    QList<Entry> entries() const;

    // Index of the first entry whose key matches without regard to letter case.
    std::optional<qsizetype> find(const KeyFields &key) const;
    std::optional<qsizetype> find(const QString &key) const { return find(KeyFields(key)); }
    // Value text of the first match, or nullptr when the pair is not entered. The pointer
    // holds while entries are added or changed, until the table is cleared or assigned.
    const QString *value(const KeyFields &key) const;
    const QString *value(const QString &key) const { return value(KeyFields(key)); }

    // Looks up many keys at once; `values[i]` is the value for `keys[i]` or nullptr. Faster
    // than one lookup after the other on large tables, because the index is fetched ahead.
    void valuesOf(const KeyFields *keys, qsizetype count, const QString **values) const;

    // Replaces the value of the first match, or appends a new entry at the end.
    void store(const QString &key, const QString &value);
    // Appends unconditionally, as a file is read: a later duplicate stays behind the first.
    void append(const QString &key, const QString &value) { append(KeyFields(key), value); }
    // The key given as its fields, joined with TABs.
    void append(const KeyFields &key, QStringView value);
    // append() for each entry in order, faster on large lists.
    void appendAll(const QList<Entry> &entries);
    // Appending many entries: appendUnindexed() each, then indexAppended() once. Faster,
    // because the index is sized once and filled in batches; lookups in between still work,
    // slowly.
    void appendUnindexed(const KeyFields &key, QStringView value);
    void indexAppended();
    // appendUnindexed() for a key and value in Latin-1, the key given as `count` fields.
    void appendUnindexedLatin1(const QLatin1StringView *fields, int count, QLatin1StringView value);
    // Undoing edits: the value of the entry at `index`, and removing the last entry.
    void setValueAt(qsizetype index, const QString &value);
    void removeLast();
    // Clearing a judgement and undoing it: the entry at `index` leaves (later ones move up),
    // and an entry goes back in at `index`. Both rebuild the index, so they cost the table's size.
    Entry takeAt(qsizetype index);
    void insertAt(qsizetype index, const QString &key, const QString &value);
    void clear();
    // Room for `n` entries in all; the index is sized when they are indexed.
    void reserve(qsizetype n);

private:
    // Eight bytes, so that more of the index stays in the cache.
    struct Slot
    {
        std::uint32_t tag = 0;    // high half of the key's hash
        std::int32_t entry = -1;  // -1: empty
    };
    struct Record
    {
        const void *key;     // Latin-1 bytes or UTF-16 units in the arena
        std::uint32_t size;  // units; the top bit marks UTF-16
        std::uint32_t value; // into values_
    };
    static constexpr std::uint32_t Wide = 0x80000000u;

    qsizetype findSlot(const KeyFields &key, std::uint64_t hash) const;
    size_t homeSlot(std::uint64_t hash) const { return size_t(hash >> 32) & (slots_.size() - 1); }
    std::optional<qsizetype> findUnindexed(const KeyFields &key) const;
    bool recordMatches(const Record &record, const KeyFields &key) const;
    std::uint64_t recordHash(const Record &record) const;
    void insertIndex(qsizetype entry, std::uint64_t hash);
    void indexFrom(qsizetype first);
    void reserveIndex(qsizetype n);
    void grow();
    void rehash(size_t capacity);
    void reindex();

    Record makeRecord(const KeyFields &key, QStringView value);
    void *allocateKey(size_t bytes, bool wide);
    std::uint32_t internValue(QStringView value);

    std::vector<Record> records_;
    qsizetype indexed_ = 0; // records_[..indexed_] are in the index
    // Key arena: blocks that never move; keys are appended to the last one.
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
    // Distinct value texts, and their positions by text.
    std::deque<QString> values_; // never moved, so value pointers stay valid
    std::unordered_map<std::u16string_view, std::uint32_t> valueIds_;
    // Open addressing over the first entry of each key; only the last entry is ever removed.
    std::vector<Slot> slots_;
    qsizetype used_ = 0;
};

} // namespace priomat
