#include "model/ComparisonTable.h"

#include <QChar>

#include <algorithm>

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

// FNV-1a over the folded code points of the fields joined by TABs, then a final mix so that
// the low bits, which pick the slot, depend on every character.
std::uint64_t foldedHash(const KeyFields &key)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto step = [&hash](char32_t c) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    };
    for (int f = 0; f < key.count(); ++f) {
        if (f > 0)
            step(U'\t');
        const QStringView field = key.begin()[f];
        for (qsizetype pos = 0; pos < field.size();) {
            const char16_t c = field[pos].unicode();
            if (isAscii(c)) {
                step(asciiLower(c));
                ++pos;
            } else {
                step(foldedCodePoint(field, pos));
            }
        }
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return hash;
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
    // Hash everything first and prefetch each home slot, so the cache misses overlap.
    std::vector<std::uint64_t> hashes{};
    hashes.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        hashes[size_t(i)] = foldedHash(keys[i]);
        __builtin_prefetch(&slots_[homeSlot(hashes[size_t(i)])]);
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
    reserve(entries_.size() + entries.size());
    // In batches: hash and prefetch the home slots, then insert, so the cache misses overlap.
    constexpr qsizetype Batch = 64;
    std::uint64_t hashes[Batch];
    for (qsizetype start = 0; start < entries.size(); start += Batch) {
        const qsizetype count = std::min(Batch, entries.size() - start);
        for (qsizetype i = 0; i < count; ++i) {
            hashes[i] = foldedHash(KeyFields(entries.at(start + i).key));
            __builtin_prefetch(&slots_[homeSlot(hashes[i])]);
        }
        for (qsizetype i = 0; i < count; ++i) {
            entries_.append(entries.at(start + i));
            insertIndex(entries_.size() - 1, hashes[i]);
        }
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
    size_t capacity = slots_.empty() ? 16 : slots_.size();
    while (capacity < size_t(n) * 2)
        capacity *= 2;
    if (capacity > slots_.size())
        rehash(capacity);
}

} // namespace priomat
