#include "widgets/RecordRows.h"

#include "platform/WordHash.h"
#include "widgets/FoldedText.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

constexpr size_t kStep = 4096;  // records between two looks at the cancel flag

// rows ordered by their records' ranks, records of one rank in the order given.
std::vector<RecordRows::Row> orderByRank(const std::vector<RecordRows::Row>& rows,
                                         const std::vector<columnranks::Rank>& ranks, bool descending) {
    const size_t n = ranks.size();
    auto key = [&](RecordRows::Row row) { return descending ? n - 1 - ranks[row] : size_t(ranks[row]); };
    std::vector<RecordRows::Row> out(rows.size());
    if (rows.size() * 8 < n) {
        out = rows;
        std::stable_sort(out.begin(), out.end(), [&](RecordRows::Row a, RecordRows::Row b) { return key(a) < key(b); });
        return out;
    }
    // Most of the records: counted out by rank, in time and memory of the records' number.
    std::vector<uint32_t> starts(n + 1, 0);
    for (RecordRows::Row row : rows) ++starts[key(row) + 1];
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    for (RecordRows::Row row : rows) out[starts[key(row)]++] = row;
    return out;
}

// A text's digest, eight bytes at a time: cheap beside making the text (a general hash takes as
// long as the rest of a column's order).
uint64_t digestOf(QStringView text) {
    WordHash digest;
    digest.word(uint64_t(text.size()));
    digest.mix(text.data(), size_t(text.size()) * sizeof(char16_t));
    return digest.h;
}

// A record's key told apart from any other it may come to hold. Read in place: a column of a
// million keys is digested while its order is taken.
uint64_t digestOf(const QVariant& key) {
    const void* value = key.constData();
    switch (key.typeId()) {
    case QMetaType::QString: return digestOf(QStringView(*static_cast<const QString*>(value)));
    case QMetaType::ULongLong: return *static_cast<const qulonglong*>(value);
    case QMetaType::LongLong: return uint64_t(*static_cast<const qlonglong*>(value));
    case QMetaType::UInt: return *static_cast<const uint*>(value);
    case QMetaType::Int: return uint64_t(int64_t(*static_cast<const int*>(value)));
    default: return digestOf(QStringView(key.toString())) ^ uint64_t(key.typeId()) ^ uint64_t(key.isNull());
    }
}

// The piece in slot, made by make (outside the lock: two queries may both make it, the first
// one kept) unless it is there; null when make was cancelled.
template <class Piece, class Make>
std::shared_ptr<const Piece> keep(std::mutex& mutex, std::shared_ptr<const Piece>& slot, Make make) {
    {
        std::lock_guard lock(mutex);
        if (slot) return slot;
    }
    std::optional<Piece> made = make();
    if (!made) return nullptr;
    std::lock_guard lock(mutex);
    if (!slot) slot = std::make_shared<const Piece>(std::move(*made));
    return slot;
}

}  // namespace

RecordRows::RecordRows(Reader reader) : reader_(std::move(reader)) {}

RecordRows::~RecordRows() = default;

std::vector<RecordRows::Row> RecordRows::everyRow() const {
    std::vector<Row> rows(count());
    std::iota(rows.begin(), rows.end(), Row(0));
    return rows;
}

std::optional<bool> RecordRows::holds(const Order& order, int field, const std::vector<Row>& rows,
                                      const Cancelled& cancelled) const {
    for (size_t k = 0; k < rows.size(); ++k) {
        if (k % kStep == 0 && cancelled()) return std::nullopt;
        if (digestOf(reader_.key(rows[k], field)) != order.digests[rows[k]]) return false;
    }
    return true;
}

std::shared_ptr<const RecordRows::Order> RecordRows::keptOrder(int field) {
    std::lock_guard lock(mutex_);
    const auto kept = orders_.find(field);
    return kept == orders_.end() ? nullptr : kept->second;
}

std::optional<bool> RecordRows::orderHolds(int field, const std::vector<Row>& rows, const Cancelled& cancelled) {
    const std::shared_ptr<const Order> kept = keptOrder(field);
    return kept ? holds(*kept, field, rows, cancelled) : std::optional<bool>(true);
}

std::shared_ptr<const RecordRows::Order> RecordRows::order(int field, const std::vector<Row>& rows, bool check,
                                                           const Cancelled& cancelled) {
    const std::shared_ptr<const Order> kept = keptOrder(field);
    if (kept && !check) return kept;
    // Rows whose keys are still those the order was taken from keep their order among
    // themselves, whatever became of the other records.
    if (kept) {
        const std::optional<bool> still = holds(*kept, field, rows, cancelled);
        if (!still) return nullptr;
        if (*still) return kept;
    }
    Order made;
    made.digests.resize(count());
    std::optional<std::vector<columnranks::Rank>> ranks = columnranks::rank(
        count(),
        [&](size_t record) {
            QVariant key = reader_.key(record, field);
            made.digests[record] = digestOf(key);
            return key;
        },
        cancelled);
    if (!ranks) return nullptr;
    made.ranks = std::move(*ranks);
    auto order = std::make_shared<const Order>(std::move(made));
    std::lock_guard lock(mutex_);
    // Another query may have taken it meanwhile: the later one is as good.
    orders_[field] = order;
    return order;
}

std::shared_ptr<const std::vector<char>> RecordRows::deletedMarks(const Cancelled& cancelled) {
    return keep(mutex_, deleted_, [&]() -> std::optional<std::vector<char>> {
        std::vector<char> marks(count());
        for (size_t i = 0; i < marks.size(); ++i) {
            if (i % kStep == 0 && cancelled()) return std::nullopt;
            marks[i] = reader_.deleted(i) ? 1 : 0;
        }
        return marks;
    });
}

std::shared_ptr<const foldedtext::Column> RecordRows::searchedTexts(const Cancelled& cancelled) {
    return keep(mutex_, searched_, [&]() -> std::optional<foldedtext::Column> {
        foldedtext::Column texts;
        texts.reserve(count() * reader_.searched.size(), count() * reader_.searched.size() * 12);
        for (size_t i = 0; i < count(); ++i) {
            if (i % kStep == 0 && cancelled()) return std::nullopt;
            for (const auto& text : reader_.searched) texts.append(text(i));
        }
        return texts;
    });
}

std::optional<std::vector<RecordRows::Row>> RecordRows::rows(const Query& query, const Cancelled& cancelled,
                                                             bool checkOrder) {
    // A table without deleted records shows none of them; one that searches nothing finds nothing.
    if ((query.deletedOnly && !reader_.deleted) || (!query.search.isEmpty() && reader_.searched.empty()))
        return std::vector<Row>();
    std::shared_ptr<const std::vector<char>> deleted;
    if (query.deletedOnly && !(deleted = deletedMarks(cancelled))) return std::nullopt;
    std::shared_ptr<const foldedtext::Column> texts;
    if (!query.search.isEmpty() && !(texts = searchedTexts(cancelled))) return std::nullopt;
    const std::u16string needle = foldedtext::folded(query.search);
    const size_t fields = reader_.searched.size();

    std::vector<Row> rows;
    if (!deleted && !texts) rows.reserve(count());
    for (size_t i = 0; i < count(); ++i) {
        if (i % kStep == 0 && cancelled()) return std::nullopt;
        if (deleted && !(*deleted)[i]) continue;
        if (texts) {
            bool found = false;
            for (size_t f = 0; f < fields && !found; ++f)
                found = texts->at(i * fields + f).find(needle) != std::u16string_view::npos;
            if (!found) continue;
        }
        rows.push_back(Row(i));
    }
    if (query.sortField < 0) return rows;
    const auto order = this->order(query.sortField, rows, checkOrder, cancelled);
    if (!order || cancelled()) return std::nullopt;
    return orderByRank(rows, order->ranks, query.descending);
}
