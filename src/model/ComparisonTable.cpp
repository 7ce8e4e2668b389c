#include "model/ComparisonTable.h"

#include <QChar>

#include <algorithm>
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

// The code point at `pos` (a surrogate pair counts as one), case-folded; advances `pos`.
char32_t foldedCodePoint(QStringView text, qsizetype &pos)
{
    const char16_t c = text[pos++].unicode();
    if (isAscii(c))
        return asciiLower(c);
    char32_t codePoint = c;
    if (QChar::isHighSurrogate(c) && pos < text.size() && QChar::isLowSurrogate(text[pos].unicode()))
        codePoint = QChar::surrogateToUcs4(c, text[pos++].unicode());
    return QChar::toCaseFolded(codePoint);
}

// Hashes the UTF-16 units of the folded code points of the fields joined by TABs, four units
// to a 64-bit word; a run of four ASCII units is folded and packed at once. Only equal keys
// must hash alike (keyEquals decides), and both ways pack the same units into the same words.
class FoldedHasher
{
public:
    void field(QStringView text)
    {
        const char16_t *units = text.utf16();
        const qsizetype n = text.size();
        for (qsizetype pos = 0; pos < n;) {
            if (packed_ == 0 && n - pos >= 4) {
                std::uint64_t x;
                std::memcpy(&x, units + pos, sizeof x);
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
            const char32_t folded = foldedCodePoint(text, pos);
            if (QChar::requiresSurrogates(folded)) {
                put(QChar::highSurrogate(folded));
                put(QChar::lowSurrogate(folded));
            } else {
                put(char16_t(folded));
            }
        }
    }

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
bool matchesFolded(QStringView text, qsizetype &pos, QStringView field)
{
    qsizetype at = 0;
    while (at < field.size()) {
        if (pos >= text.size())
            return false;
        const char16_t a = text[pos].unicode();
        const char16_t b = field[at].unicode();
        if (a == b) {
            ++pos;
            ++at;
        } else if (isAscii(a) && isAscii(b)) {
            if (asciiLower(a) != asciiLower(b))
                return false;
            ++pos;
            ++at;
        } else if (foldedCodePoint(text, pos) != foldedCodePoint(field, at)) {
            return false;
        }
    }
    return true;
}

bool keyEquals(QStringView stored, const KeyFields &key)
{
    qsizetype pos = 0;
    for (int f = 0; f < key.count(); ++f) {
        if (f > 0) {
            if (pos >= stored.size() || stored[pos] != u'\t')
                return false;
            ++pos;
        }
        if (!matchesFolded(stored, pos, key.begin()[f]))
            return false;
    }
    return pos == stored.size();
}

} // namespace

qsizetype ComparisonTable::findSlot(const KeyFields &key, std::uint64_t hash) const
{
    const size_t mask = slots_.size() - 1;
    const std::uint32_t tag = std::uint32_t(hash >> 32);
    for (size_t i = homeSlot(hash);; i = (i + 1) & mask) {
        const Slot &slot = slots_[i];
        if (slot.entry < 0)
            return qsizetype(i);
        if (slot.tag == tag && keyEquals(entries_.at(slot.entry).key, key))
            return qsizetype(i);
    }
}

std::optional<qsizetype> ComparisonTable::find(const KeyFields &key) const
{
    if (slots_.empty())
        return std::nullopt;
    const qsizetype entry = slots_[size_t(findSlot(key, foldedHash(key)))].entry;
    if (entry < 0)
        return std::nullopt;
    return entry;
}

const QString *ComparisonTable::value(const KeyFields &key) const
{
    const auto index = find(key);
    return index ? &entries_.at(*index).value : nullptr;
}

void ComparisonTable::valuesOf(const KeyFields *keys, qsizetype count, const QString **values) const
{
    if (slots_.empty()) {
        std::fill(values, values + count, nullptr);
        return;
    }
    // Hash everything first and prefetch each home slot, then each entry found there, so the
    // cache misses overlap. Keys of one matrix row share their leading fields: those are
    // hashed once.
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
            __builtin_prefetch(entries_.at(slot.entry).key.constData());
    }
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype entry = slots_[size_t(findSlot(keys[i], hashes[size_t(i)]))].entry;
        values[i] = entry < 0 ? nullptr : &entries_.at(entry).value;
    }
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
    if ((used_ + 1) * 2 > qsizetype(slots_.size()))
        grow();
    entries_.append({key, value});
    insertIndex(entries_.size() - 1, foldedHash(KeyFields(key)));
}

void ComparisonTable::appendAll(const QList<Entry> &entries)
{
    const qsizetype first = entries_.size();
    reserve(first + entries.size());
    entries_.append(entries);
    indexFrom(first);
}

void ComparisonTable::appendAll(QList<Entry> &&entries)
{
    if (!entries_.isEmpty()) {
        appendAll(std::as_const(entries));
        return;
    }
    reserveIndex(entries.size());
    entries_ = std::move(entries);
    indexFrom(0);
}

void ComparisonTable::indexFrom(qsizetype first)
{
    // In batches: hash and prefetch the home slots, then insert, so the cache misses overlap.
    constexpr qsizetype Batch = 64;
    std::uint64_t hashes[Batch];
    for (qsizetype start = first; start < entries_.size(); start += Batch) {
        const qsizetype count = std::min(Batch, entries_.size() - start);
        for (qsizetype i = 0; i < count; ++i) {
            hashes[i] = foldedHash(KeyFields(entries_.at(start + i).key));
            __builtin_prefetch(&slots_[homeSlot(hashes[i])]);
        }
        for (qsizetype i = 0; i < count; ++i)
            insertIndex(start + i, hashes[i]);
    }
}

void ComparisonTable::removeLast()
{
    if (entries_.isEmpty())
        return;
    const qsizetype last = entries_.size() - 1;
    if (!slots_.empty()) {
        const size_t mask = slots_.size() - 1;
        size_t i = homeSlot(foldedHash(KeyFields(entries_.at(last).key)));
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
    entries_.removeLast();
}

void ComparisonTable::insertIndex(qsizetype entry, std::uint64_t hash)
{
    Slot &slot = slots_[size_t(findSlot(KeyFields(entries_.at(entry).key), hash))];
    if (slot.entry < 0) {
        slot = {std::uint32_t(hash >> 32), std::int32_t(entry)};
        ++used_;
    }
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
    entries_.clear();
    slots_.clear();
    used_ = 0;
}

void ComparisonTable::reserve(qsizetype n)
{
    entries_.reserve(n);
    reserveIndex(n);
}

void ComparisonTable::reserveIndex(qsizetype n)
{
    size_t capacity = slots_.empty() ? 16 : slots_.size();
    while (capacity < size_t(n) * 2)
        capacity *= 2;
    if (capacity > slots_.size())
        rehash(capacity);
}

} // namespace priomat
