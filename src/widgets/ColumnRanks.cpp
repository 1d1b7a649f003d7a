#include "widgets/ColumnRanks.h"

#include "widgets/FoldedText.h"

#include <QPartialOrdering>
#include <algorithm>
#include <numeric>
#include <string>
#include <tuple>

namespace columnranks {

namespace {

constexpr size_t kStep = 4096;  // records between two looks at the cancel flag

// Sorts v by less in pieces, merged pass by pass, looking at cancelled between them: a
// cancelled sort of a million keys ends within one piece.
template <class T, class Less>
bool sortInPieces(std::vector<T>& v, Less less, const Cancelled& cancelled) {
    constexpr size_t kPiece = size_t(1) << 15;
    const size_t n = v.size();
    for (size_t from = 0; from < n; from += kPiece) {
        if (cancelled()) return false;
        std::sort(v.begin() + ptrdiff_t(from), v.begin() + ptrdiff_t(std::min(n, from + kPiece)), less);
    }
    if (n <= kPiece) return true;
    std::vector<T> merged(n);
    for (size_t width = kPiece; width < n; width *= 2) {
        for (size_t from = 0; from < n; from += 2 * width) {
            if (cancelled()) return false;
            const auto begin = v.begin() + ptrdiff_t(from);
            const auto middle = v.begin() + ptrdiff_t(std::min(n, from + width));
            const auto end = v.begin() + ptrdiff_t(std::min(n, from + 2 * width));
            std::merge(begin, middle, middle, end, merged.begin() + ptrdiff_t(from), less);
        }
        v.swap(merged);
    }
    return true;
}

// The ranks of records in their order; different(a, b) tells two neighbours apart.
template <class Different>
std::vector<Rank> ranksOf(const std::vector<uint32_t>& sorted, Different different) {
    std::vector<Rank> ranks(sorted.size());
    Rank rank = 0;
    for (size_t k = 0; k < sorted.size(); ++k) {
        if (k > 0 && different(sorted[k - 1], sorted[k])) ++rank;
        ranks[sorted[k]] = rank;
    }
    return ranks;
}

// Pairs of a number and a record, by their numbers.
constexpr auto byNumber = [](const std::pair<uint64_t, uint32_t>& a, const std::pair<uint64_t, uint32_t>& b) {
    return a.first < b.first;
};

// Numbers: sorted with their records beside them, in one block of memory.
std::optional<std::vector<Rank>> rankNumbers(const std::vector<uint64_t>& numbers, const Cancelled& cancelled) {
    std::vector<std::pair<uint64_t, uint32_t>> keyed(numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i) keyed[i] = {numbers[i], uint32_t(i)};
    if (!sortInPieces(keyed, byNumber, cancelled)) return std::nullopt;
    std::vector<uint32_t> order(keyed.size());
    for (size_t k = 0; k < keyed.size(); ++k) order[k] = keyed[k].second;
    return ranksOf(order, [&numbers](uint32_t a, uint32_t b) { return numbers[a] != numbers[b]; });
}

// Three units of a folded text from offset packed in a number, with how many of them the text
// has (a text ending sooner padded with 0): two texts that agree before offset and whose numbers
// differ order as their numbers; equal numbers below 3 units mean equal texts.
uint64_t chunkOf(std::u16string_view text, size_t offset) {
    const size_t left = text.size() > offset ? text.size() - offset : 0;
    uint64_t chunk = 0;
    for (size_t i = 0; i < 3; ++i) chunk = chunk << 16 | (i < left ? text[offset + i] : 0);
    return chunk << 16 | std::min<size_t>(left, 3);
}

// Texts: sorted three units at a time, as numbers in one block of memory (each run of records
// that agree so far sorted again by their next three units); runs of a few records by comparing
// the rest of their texts.
std::optional<std::vector<Rank>> rankTexts(const foldedtext::Column& texts, const Cancelled& cancelled) {
    const size_t n = texts.size();
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::vector<std::pair<uint64_t, uint32_t>> keyed;
    std::vector<std::tuple<size_t, size_t, size_t>> runs = {{0, n, 0}};  // from, to, units agreed
    while (!runs.empty()) {
        const auto [from, to, offset] = runs.back();
        runs.pop_back();
        if (cancelled()) return std::nullopt;
        const auto begin = order.begin() + ptrdiff_t(from), end = order.begin() + ptrdiff_t(to);
        if (to - from <= 32) {
            std::sort(begin, end, [&](uint32_t a, uint32_t b) {
                const std::u16string_view x = texts.at(a), y = texts.at(b);
                return x.substr(std::min(offset, x.size())) < y.substr(std::min(offset, y.size()));
            });
            continue;
        }
        keyed.resize(to - from);
        for (size_t k = from; k < to; ++k) keyed[k - from] = {chunkOf(texts.at(order[k]), offset), order[k]};
        if (!sortInPieces(keyed, byNumber, cancelled)) return std::nullopt;
        for (size_t k = from; k < to; ++k) order[k] = keyed[k - from].second;
        // Runs whose three units were all there agree on three more units; the others are whole.
        for (size_t at = 0, next = 0; at < keyed.size(); at = next) {
            for (next = at + 1; next < keyed.size() && keyed[next].first == keyed[at].first;) ++next;
            if (next - at > 1 && (keyed[at].first & 0xffff) == 3) runs.emplace_back(from + at, from + next, offset + 3);
        }
    }
    return ranksOf(order, [&texts](uint32_t a, uint32_t b) { return texts.at(a) != texts.at(b); });
}

// A text of digits and fixed marks has a shape: the text with every digit made "0". Texts of one
// shape order as the numbers their digits make, and 18 digits fit in a number.
constexpr size_t kMostDigits = 18;

std::u16string shapeOf(std::u16string_view text) {
    std::u16string shape(text);
    size_t digits = 0;
    for (char16_t& unit : shape)
        if (unit >= u'0' && unit <= u'9') unit = u'0', ++digits;
    return digits > 0 && digits <= kMostDigits ? shape : std::u16string();
}

std::optional<uint64_t> numberIn(std::u16string_view text, std::u16string_view shape) {
    if (text.size() != shape.size()) return std::nullopt;
    uint64_t number = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (shape[i] == u'0') {
            if (unit < u'0' || unit > u'9') return std::nullopt;
            number = number * 10 + uint64_t(unit - u'0');
        } else if (unit != shape[i]) {
            return std::nullopt;
        }
    }
    return number;
}

}  // namespace

int compareKeys(const QVariant& a, const QVariant& b) {
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less) return -1;
    if (order == QPartialOrdering::Greater) return 1;
    return 0;
}

std::optional<std::vector<Rank>> rank(size_t count, const std::function<QVariant(size_t record)>& key,
                                      const Cancelled& cancelled) {
    enum Seen { Texts = 1, Unsigned = 2, Signed = 4, Others = 8 };
    int seen = 0;
    foldedtext::Column texts;  // a text per record; empty for the other keys
    texts.reserve(count, count * 16);
    std::vector<uint64_t> numbers(count);
    size_t shapedTexts = 0;  // texts of the column's shape, their numbers in numbers
    std::u16string shape;    // of the first text with digits
    for (size_t i = 0; i < count; ++i) {
        if (i % kStep == 0 && cancelled()) return std::nullopt;
        const QVariant value = key(i);
        switch (value.typeId()) {
        case QMetaType::QString: {
            seen |= Texts;
            texts.append(value.toString());
            const std::u16string_view text = texts.at(i);
            if (shape.empty()) shape = shapeOf(text);
            if (const auto number = shape.empty() ? std::nullopt : numberIn(text, shape)) {
                numbers[i] = *number;
                ++shapedTexts;
            }
            continue;
        }
        case QMetaType::ULongLong:
        case QMetaType::UInt:
            seen |= Unsigned;
            numbers[i] = value.toULongLong();
            break;
        case QMetaType::LongLong:
        case QMetaType::Int:
            // Moved up by half the range, so that they order as unsigned numbers.
            seen |= Signed;
            numbers[i] = uint64_t(value.toLongLong()) ^ (uint64_t(1) << 63);
            break;
        default: seen |= Others; break;
        }
        texts.append({});
    }
    // Texts all of one shape (the dates of a column) order as their numbers.
    if (seen == 0 || seen == Unsigned || seen == Signed || (seen == Texts && shapedTexts == count))
        return rankNumbers(numbers, cancelled);
    if (seen == Texts) return rankTexts(texts, cancelled);
    // Keys of different kinds in one column: each pair compared as values.
    std::vector<QVariant> keys(count);
    for (size_t i = 0; i < count; ++i) {
        if (i % kStep == 0 && cancelled()) return std::nullopt;
        keys[i] = key(i);
    }
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    auto less = [&keys](uint32_t a, uint32_t b) { return compareKeys(keys[a], keys[b]) < 0; };
    if (!sortInPieces(order, less, cancelled)) return std::nullopt;
    return ranksOf(order, [&keys](uint32_t a, uint32_t b) { return compareKeys(keys[a], keys[b]) != 0; });
}

}  // namespace columnranks
