#include "model/ComparisonTable.h"

#include <QChar>

#include <algorithm>
#include <stdexcept>
#include <cstring>
#include <utility>

namespace priomat {

QString requirementKey(const QString &row, const QString &column)
{
    return row + u'\t' + column;
}

QString alternativeKey(const QString &leaf, const QString &row, const QString &column)
{
    return leaf + u'\t' + row + u'\t' + column;
}

namespace {

constexpr bool isAscii(char16_t c) { return c < 0x80; }
constexpr char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

// Keys are read as UTF-16 units (char16_t) or as Latin-1 bytes (uchar), one unit per character.
// The code point at `pos` (a surrogate pair counts as one), case-folded; advances `pos`.
template <typename Unit>
char32_t foldedCodePoint(const Unit *text, qsizetype size, qsizetype &pos)
{
    const char16_t c = text[pos++];
    if (isAscii(c))
        return asciiLower(c);
    char32_t codePoint = c;
    if constexpr (sizeof(Unit) == 2) {
        if (QChar::isHighSurrogate(c) && pos < size && QChar::isLowSurrogate(text[pos]))
            codePoint = QChar::surrogateToUcs4(c, text[pos++]);
    } else {
        Q_UNUSED(size);
    }
    return QChar::toCaseFolded(codePoint);
}

// Four units as the lanes of a 64-bit word, as four UTF-16 units lie in memory.
inline std::uint64_t loadFour(const char16_t *units)
{
    std::uint64_t x;
    std::memcpy(&x, units, sizeof x);
    return x;
}

inline std::uint64_t loadFour(const uchar *bytes)
{
    std::uint32_t x;
    std::memcpy(&x, bytes, sizeof x);
    std::uint64_t wide = x;
    wide = (wide | (wide << 16)) & 0x0000ffff0000ffffull;
    wide = (wide | (wide << 8)) & 0x00ff00ff00ff00ffull;
    return wide;
}

// Hashes the UTF-16 units of the folded code points of the fields joined by TABs, four units
// to a 64-bit word; a run of four ASCII units is folded and packed at once. Only equal keys
// must hash alike (keyEquals decides), and both ways pack the same units into the same words,
// whether the text is stored as Latin-1 or as UTF-16.
class FoldedHasher
{
public:
    template <typename Unit>
    void field(const Unit *units, qsizetype n)
    {
        for (qsizetype pos = 0; pos < n;) {
            if (packed_ == 0 && n - pos >= 4) {
                std::uint64_t x = loadFour(units + pos);
                if ((x & 0xff80ff80ff80ff80ull) == 0) {
                    // Lanes from 'A' to 'Z' get 0x20 added.
                    const std::uint64_t fromA = x + 0x003f003f003f003full;
                    const std::uint64_t pastZ = x + 0x0025002500250025ull;
                    x |= ((fromA & ~pastZ) & 0x0080008000800080ull) >> 2;
                    mix(x);
                    length_ += 4;
                    pos += 4;
                    continue;
                }
            }
            const char16_t c = units[pos];
            if (isAscii(c)) {
                put(asciiLower(c));
                ++pos;
                continue;
            }
            const char32_t folded = foldedCodePoint(units, n, pos);
            if (QChar::requiresSurrogates(folded)) {
                put(QChar::highSurrogate(folded));
                put(QChar::lowSurrogate(folded));
            } else {
                put(char16_t(folded));
            }
        }
    }
    void field(QStringView text) { field(text.utf16(), text.size()); }

    void put(char16_t unit)
    {
        word_ |= std::uint64_t(unit) << (16 * packed_);
        ++length_;
        if (++packed_ == 4) {
            mix(word_);
            word_ = 0;
            packed_ = 0;
        }
    }

    std::uint64_t finish()
    {
        std::uint64_t hash = (hash_ ^ word_ ^ (length_ << 48)) * 0xc4ceb9fe1a85ec53ull;
        hash ^= hash >> 33;
        hash *= 0xff51afd7ed558ccdull;
        hash ^= hash >> 33;
        return hash;
    }

private:
    void mix(std::uint64_t word)
    {
        hash_ = (hash_ ^ word) * 0x9e3779b97f4a7c15ull;
        hash_ ^= hash_ >> 32;
    }

    std::uint64_t hash_ = 0xcbf29ce484222325ull;
    std::uint64_t word_ = 0;
    int packed_ = 0;
    std::uint64_t length_ = 0;
};

std::uint64_t foldedHash(const KeyFields &key)
{
    FoldedHasher hasher;
    for (int f = 0; f < key.count(); ++f) {
        if (f > 0)
            hasher.put(u'\t');
        hasher.field(key.begin()[f]);
    }
    return hasher.finish();
}

// Whether `text` equals `field` at `pos` under the same folding as foldedHash; advances `pos`.
template <typename Unit>
bool matchesFolded(const Unit *text, qsizetype size, qsizetype &pos, QStringView field)
{
    const char16_t *other = field.utf16();
    const qsizetype otherSize = field.size();
    qsizetype at = 0;
    while (at < otherSize) {
        // Four equal units at once, as four steps of equal units below would take them.
        if (at + 4 <= otherSize && pos + 4 <= size && loadFour(text + pos) == loadFour(other + at)) {
            pos += 4;
            at += 4;
            continue;
        }
        if (pos >= size)
            return false;
        const char16_t a = text[pos];
        const char16_t b = other[at];
        if (a == b) {
            ++pos;
            ++at;
        } else if (isAscii(a) && isAscii(b)) {
            if (asciiLower(a) != asciiLower(b))
                return false;
            ++pos;
            ++at;
        } else if (foldedCodePoint(text, size, pos) != foldedCodePoint(other, otherSize, at)) {
            return false;
        }
    }
    return true;
}

template <typename Unit>
bool keyEquals(const Unit *stored, qsizetype size, const KeyFields &key)
{
    qsizetype pos = 0;
    for (int f = 0; f < key.count(); ++f) {
        if (f > 0) {
            if (pos >= size || stored[pos] != u'\t')
                return false;
            ++pos;
        }
        if (!matchesFolded(stored, size, pos, key.begin()[f]))
            return false;
    }
    return pos == size;
}

constexpr size_t FirstBlockSize = 4096;
constexpr size_t LargestBlockSize = 256 * 1024;

} // namespace

ComparisonTable::ComparisonTable(const ComparisonTable &other)
{
    *this = other;
}

ComparisonTable &ComparisonTable::operator=(const ComparisonTable &other)
{
    if (this == &other)
        return *this;
    ComparisonTable copy;
    copy.records_.reserve(other.records_.size());
    for (const Record &record : other.records_) {
        const size_t bytes = (record.size & ~Wide) * ((record.size & Wide) ? 2 : 1);
        void *key = copy.allocateKey(bytes, (record.size & Wide) != 0);
        if (bytes)
            std::memcpy(key, record.key, bytes);
        copy.records_.push_back({key, record.size, record.value});
    }
    copy.indexed_ = other.indexed_;
    copy.values_ = other.values_;
    for (size_t i = 0; i < copy.values_.size(); ++i) {
        const QString &text = copy.values_[i];
        copy.valueIds_.emplace(std::u16string_view(reinterpret_cast<const char16_t *>(text.constData()), size_t(text.size())), std::uint32_t(i));
    }
    copy.slots_ = other.slots_;
    copy.used_ = other.used_;
    *this = std::move(copy);
    return *this;
}

ComparisonTable::ComparisonTable(ComparisonTable &&other) noexcept
{
    *this = std::move(other);
}

ComparisonTable &ComparisonTable::operator=(ComparisonTable &&other) noexcept
{
    if (this == &other)
        return *this;
    records_ = std::move(other.records_);
    indexed_ = std::exchange(other.indexed_, 0);
    blocks_ = std::move(other.blocks_);
    blockUsed_ = std::exchange(other.blockUsed_, 0);
    blockSize_ = std::exchange(other.blockSize_, 0);
    values_ = std::move(other.values_);
    valueIds_ = std::move(other.valueIds_);
    slots_ = std::move(other.slots_);
    used_ = std::exchange(other.used_, 0);
    other.clear();
    return *this;
}

ComparisonTable::~ComparisonTable() = default;

QString ComparisonTable::keyAt(qsizetype index) const
{
    const Record &record = records_[size_t(index)];
    const qsizetype size = record.size & ~Wide;
    if (record.size & Wide)
        return QString(static_cast<const QChar *>(record.key), size);
    return QString::fromLatin1(static_cast<const char *>(record.key), size);
}

QList<ComparisonTable::Entry> ComparisonTable::entries() const
{
    QList<Entry> list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

bool ComparisonTable::recordMatches(const Record &record, const KeyFields &key) const
{
    const qsizetype size = record.size & ~Wide;
    if (record.size & Wide)
        return keyEquals(static_cast<const char16_t *>(record.key), size, key);
    return keyEquals(static_cast<const uchar *>(record.key), size, key);
}

std::uint64_t ComparisonTable::recordHash(const Record &record) const
{
    FoldedHasher hasher;
    const qsizetype size = record.size & ~Wide;
    if (record.size & Wide)
        hasher.field(static_cast<const char16_t *>(record.key), size);
    else
        hasher.field(static_cast<const uchar *>(record.key), size);
    return hasher.finish();
}

qsizetype ComparisonTable::findSlot(const KeyFields &key, std::uint64_t hash) const
{
    const size_t mask = slots_.size() - 1;
    const std::uint32_t tag = std::uint32_t(hash >> 32);
    for (size_t i = homeSlot(hash);; i = (i + 1) & mask) {
        const Slot &slot = slots_[i];
        if (slot.entry < 0)
            return qsizetype(i);
        if (slot.tag == tag && recordMatches(records_[size_t(slot.entry)], key))
            return qsizetype(i);
    }
}

std::optional<qsizetype> ComparisonTable::find(const KeyFields &key) const
{
    const qsizetype entry = slots_.empty() ? -1 : slots_[size_t(findSlot(key, foldedHash(key)))].entry;
    if (entry < 0)
        return findUnindexed(key);
    return entry;
}

std::optional<qsizetype> ComparisonTable::findUnindexed(const KeyFields &key) const
{
    for (qsizetype i = indexed_; i < size(); ++i) {
        if (recordMatches(records_[size_t(i)], key))
            return i;
    }
    return std::nullopt;
}

const QString *ComparisonTable::value(const KeyFields &key) const
{
    const auto index = find(key);
    return index ? &values_[records_[size_t(*index)].value] : nullptr;
}

void ComparisonTable::valuesOf(const KeyFields *keys, qsizetype count, const QString **values) const
{
    if (slots_.empty() || indexed_ < size()) {
        for (qsizetype i = 0; i < count; ++i)
            values[i] = value(keys[i]);
        return;
    }
    // Hash everything first and prefetch each home slot, then the entry found there and its
    // key, so the cache misses overlap. Keys of one matrix row share their leading fields:
    // those are hashed once.
    std::vector<std::uint64_t> hashes(static_cast<size_t>(count));
    FoldedHasher prefix;
    const KeyFields *prefixKey = nullptr;
    for (qsizetype i = 0; i < count; ++i) {
        const KeyFields &key = keys[i];
        const int last = key.count() - 1;
        bool samePrefix = prefixKey && prefixKey->count() == key.count();
        for (int f = 0; samePrefix && f < last; ++f) {
            const QStringView a = prefixKey->begin()[f];
            const QStringView b = key.begin()[f];
            samePrefix = a.data() == b.data() && a.size() == b.size();
        }
        if (!samePrefix) {
            prefix = FoldedHasher();
            for (int f = 0; f < last; ++f) {
                prefix.field(key.begin()[f]);
                prefix.put(u'\t');
            }
            prefixKey = &key;
        }
        FoldedHasher hasher = prefix;
        hasher.field(key.begin()[last]);
        hashes[size_t(i)] = hasher.finish();
        __builtin_prefetch(&slots_[homeSlot(hashes[size_t(i)])]);
    }
    for (qsizetype i = 0; i < count; ++i) {
        const Slot &slot = slots_[homeSlot(hashes[size_t(i)])];
        if (slot.entry >= 0)
            __builtin_prefetch(&records_[size_t(slot.entry)]);
    }
    for (qsizetype i = 0; i < count; ++i) {
        const Slot &slot = slots_[homeSlot(hashes[size_t(i)])];
        if (slot.entry >= 0)
            __builtin_prefetch(records_[size_t(slot.entry)].key);
    }
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype entry = slots_[size_t(findSlot(keys[i], hashes[size_t(i)]))].entry;
        values[i] = entry < 0 ? nullptr : &values_[records_[size_t(entry)].value];
    }
}

void ComparisonTable::store(const QString &key, const QString &value)
{
    if (const auto index = find(key))
        setValueAt(*index, value);
    else
        append(key, value);
}

void ComparisonTable::setValueAt(qsizetype index, const QString &value)
{
    records_[size_t(index)].value = internValue(value);
}

void ComparisonTable::append(const KeyFields &key, QStringView value)
{
    indexAppended();
    if ((used_ + 1) * 2 > qsizetype(slots_.size()))
        grow();
    records_.push_back(makeRecord(key, value));
    insertIndex(size() - 1, foldedHash(key));
    indexed_ = size();
}

void ComparisonTable::appendUnindexed(const KeyFields &key, QStringView value)
{
    records_.push_back(makeRecord(key, value));
}

void ComparisonTable::appendUnindexedLatin1(const QLatin1StringView *fields, int count,
                                            QLatin1StringView value)
{
    qsizetype units = count - 1;
    for (int f = 0; f < count; ++f)
        units += fields[f].size();
    if (units >= qsizetype(Wide))
        throw std::length_error("comparison key too long");
    // Value texts are short: widened on the stack for the lookup.
    std::uint32_t valueId;
    std::array<char16_t, 32> wide;
    if (value.size() <= qsizetype(wide.size())) {
        for (qsizetype i = 0; i < value.size(); ++i)
            wide[size_t(i)] = static_cast<unsigned char>(value.data()[i]);
        valueId = internValue(QStringView(wide.data(), value.size()));
    } else {
        valueId = internValue(QString(value));
    }
    char *out = static_cast<char *>(allocateKey(size_t(units), false));
    void *stored = out;
    for (int f = 0; f < count; ++f) {
        if (f > 0)
            *out++ = '\t';
        if (fields[f].size() > 0)
            std::memcpy(out, fields[f].data(), size_t(fields[f].size()));
        out += fields[f].size();
    }
    records_.push_back({stored, std::uint32_t(units), valueId});
}

void ComparisonTable::appendAll(const QList<Entry> &entries)
{
    reserve(size() + entries.size());
    for (const Entry &entry : entries)
        appendUnindexed(KeyFields(entry.key), entry.value);
    indexAppended();
}

void ComparisonTable::indexAppended()
{
    if (indexed_ == size())
        return;
    reserveIndex(size());
    indexFrom(indexed_);
    indexed_ = size();
}

void ComparisonTable::indexFrom(qsizetype first)
{
    // In batches: hash and prefetch the home slots, then insert, so the cache misses overlap.
    constexpr qsizetype Batch = 64;
    std::uint64_t hashes[Batch];
    for (qsizetype start = first; start < size(); start += Batch) {
        const qsizetype count = std::min(Batch, size() - start);
        for (qsizetype i = 0; i < count; ++i) {
            hashes[i] = recordHash(records_[size_t(start + i)]);
            __builtin_prefetch(&slots_[homeSlot(hashes[i])]);
        }
        for (qsizetype i = 0; i < count; ++i)
            insertIndex(start + i, hashes[i]);
    }
}

void ComparisonTable::removeLast()
{
    if (records_.empty())
        return;
    indexAppended();
    const qsizetype last = size() - 1;
    const Record record = records_.back();
    if (!slots_.empty()) {
        const size_t mask = slots_.size() - 1;
        size_t i = homeSlot(recordHash(record));
        while (slots_[i].entry >= 0 && slots_[i].entry != last)
            i = (i + 1) & mask;
        if (slots_[i].entry == last) {
            // Backward-shift deletion keeps every other key reachable from its home slot.
            size_t hole = i;
            for (size_t j = (i + 1) & mask; slots_[j].entry >= 0; j = (j + 1) & mask) {
                const size_t home = slots_[j].tag & mask;
                const bool reachable = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
                if (!reachable) {
                    slots_[hole] = slots_[j];
                    hole = j;
                }
            }
            slots_[hole] = Slot();
            --used_;
        }
    }
    // The key's room goes back when it is the last thing in the arena.
    const size_t bytes = (record.size & ~Wide) * ((record.size & Wide) ? 2 : 1);
    if (!blocks_.empty() && static_cast<const char *>(record.key) + bytes == blocks_.back().get() + blockUsed_)
        blockUsed_ -= bytes;
    records_.pop_back();
    indexed_ = size();
}

ComparisonTable::Entry ComparisonTable::takeAt(qsizetype index)
{
    Entry entry = at(index);
    records_.erase(records_.begin() + index);
    reindex(); // entry numbers past `index` moved, and a later duplicate may now come first
    return entry;
}

void ComparisonTable::insertAt(qsizetype index, const QString &key, const QString &value)
{
    records_.insert(records_.begin() + index, makeRecord(KeyFields(key), value));
    reindex();
}

void ComparisonTable::reindex()
{
    slots_.assign(slots_.empty() ? 16 : slots_.size(), Slot());
    used_ = 0;
    reserveIndex(size());
    indexFrom(0);
    indexed_ = size();
}

void ComparisonTable::insertIndex(qsizetype entry, std::uint64_t hash)
{
    const Record &record = records_[size_t(entry)];
    const size_t mask = slots_.size() - 1;
    const std::uint32_t tag = std::uint32_t(hash >> 32);
    size_t i = homeSlot(hash);
    for (;; i = (i + 1) & mask) {
        const Slot &slot = slots_[i];
        if (slot.entry < 0)
            break;
        // A tag match is nearly always an equal key: compare the texts only then.
        if (slot.tag == tag && recordMatches(records_[size_t(slot.entry)], KeyFields(keyAt(entry))))
            return; // a later duplicate stays out of the index
    }
    Q_UNUSED(record);
    slots_[i] = {tag, std::int32_t(entry)};
    ++used_;
}

void ComparisonTable::grow()
{
    rehash(slots_.empty() ? 16 : slots_.size() * 2);
}

void ComparisonTable::rehash(size_t capacity)
{
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot());
    const size_t mask = capacity - 1;
    for (const Slot &slot : old) {
        if (slot.entry < 0)
            continue;
        size_t i = slot.tag & mask;
        while (slots_[i].entry >= 0)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void ComparisonTable::clear()
{
    records_ = decltype(records_)();
    indexed_ = 0;
    blocks_ = decltype(blocks_)();
    blockUsed_ = 0;
    blockSize_ = 0;
    values_ = decltype(values_)();
    valueIds_ = decltype(valueIds_)();
    slots_ = decltype(slots_)();
    used_ = 0;
}

void ComparisonTable::reserve(qsizetype n)
{
    records_.reserve(size_t(n));
}

void ComparisonTable::reserveIndex(qsizetype n)
{
    size_t capacity = slots_.empty() ? 16 : slots_.size();
    while (capacity < size_t(n) * 2)
        capacity *= 2;
    if (capacity > slots_.size())
        rehash(capacity);
}

ComparisonTable::Record ComparisonTable::makeRecord(const KeyFields &key, QStringView value)
{
    qsizetype units = key.count() - 1;
    bool wide = false;
    for (int f = 0; f < key.count(); ++f) {
        const QStringView field = key.begin()[f];
        units += field.size();
        char16_t all = 0;
        const char16_t *units = field.utf16();
        for (qsizetype i = 0; i < field.size(); ++i)
            all |= units[i];
        wide = wide || all > 0xff;
    }
    if (units >= qsizetype(Wide))
        throw std::length_error("comparison key too long");
    const std::uint32_t valueId = internValue(value);
    const size_t bytes = size_t(units) * (wide ? 2 : 1);
    void *stored = allocateKey(bytes, wide);
    if (wide) {
        char16_t *out = static_cast<char16_t *>(stored);
        for (int f = 0; f < key.count(); ++f) {
            if (f > 0)
                *out++ = u'\t';
            const QStringView field = key.begin()[f];
            std::memcpy(out, field.utf16(), size_t(field.size()) * 2);
            out += field.size();
        }
    } else {
        char *out = static_cast<char *>(stored);
        for (int f = 0; f < key.count(); ++f) {
            if (f > 0)
                *out++ = '\t';
            const QStringView field = key.begin()[f];
            const char16_t *in = field.utf16();
            for (qsizetype i = 0; i < field.size(); ++i)
                *out++ = char(in[i]);
        }
    }
    return {stored, std::uint32_t(units) | (wide ? Wide : 0u), valueId};
}

void *ComparisonTable::allocateKey(size_t bytes, bool wide)
{
    size_t at = blockUsed_;
    if (wide)
        at = (at + 1) & ~size_t(1);
    if (blocks_.empty() || at + bytes > blockSize_) {
        if (bytes > LargestBlockSize / 4) {
            // A long key gets a block of its own, ahead of the one being filled.
            auto own = std::make_unique<char[]>(bytes);
            void *key = own.get();
            blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(own));
            if (blocks_.size() == 1) {
                blockUsed_ = bytes;
                blockSize_ = bytes;
            }
            return key;
        }
        blockSize_ = blocks_.empty() ? FirstBlockSize : std::min(blockSize_ * 2, LargestBlockSize);
        blockSize_ = std::max(blockSize_, FirstBlockSize);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
        at = 0;
    }
    blockUsed_ = at + bytes;
    return blocks_.back().get() + at;
}

std::uint32_t ComparisonTable::internValue(QStringView value)
{
    const std::u16string_view text(value.utf16(), size_t(value.size()));
    if (const auto it = valueIds_.find(text); it != valueIds_.end())
        return it->second;
    const auto id = std::uint32_t(values_.size());
    values_.push_back(value.toString());
    const QString &stored = values_.back();
    valueIds_.emplace(std::u16string_view(reinterpret_cast<const char16_t *>(stored.constData()), size_t(stored.size())), id);
    return id;
}

} // namespace priomat
