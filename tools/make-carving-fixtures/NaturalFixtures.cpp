#include "NaturalFixtures.h"

#include "CarvingFixtures.h"
#include "FixtureDatabase.h"
#include "backup/BackupFileKeys.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>

namespace carvefix {

namespace {

using iosschema::Ios;

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    int64_t below(int64_t n) { return n <= 0 ? 0 : static_cast<int64_t>(next() % static_cast<uint64_t>(n)); }
    template <class T, size_t N>
    const T& pick(const T (&list)[N]) {
        return list[below(N)];
    }

private:
    uint64_t state_;
};

const char* const kWords[] = {"soon",   "train",   "coffee",  "tomorrow", "keys",  "office",  "dinner",
                              "garden", "parcel",  "meeting", "café",     "Grüße", "ticket",  "doctor",
                              "school", "weekend", "rain",    "😀",        "beach", "invoice", "flight",
                              "museum", "bakery",  "budget",  "piano",    "tennis"};
const char* const kFirst[] = {"Anna",  "Ben", "Clara", "David", "Elena", "Felix", "Grace", "Hugo",  "Iris",  "Jonas",
                              "Karin", "Leo", "Maya",  "Nils",  "Olga",  "Paul",  "Rosa",  "Søren", "Chloé", "Mateo"};
const char* const kLast[] = {"Anders", "Berg",      "Castro", "Dahl",  "Evans", "Fischer", "García", "Hall",   "Ito",
                             "Keller", "Lindqvist", "Moreau", "Novak", "Olsen", "Petrov",  "Rossi",  "Tanaka", "Weber"};

std::string words(Random& r, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? " " : "") + std::string(r.pick(kWords));
    return text;
}

// Short and long texts: most a few words, now and then one that fills more than a small page.
std::string naturalText(Random& r, int index) {
    const int64_t roll = r.below(40);
    const int count = roll == 0  ? 180 + static_cast<int>(r.below(120))
                      : roll < 8 ? 12 + static_cast<int>(r.below(30))
                                 : 1 + static_cast<int>(r.below(8));
    return words(r, count) + " #" + std::to_string(index);
}

// A long message, of 3 to 10 KB: more than a page holds, so that it runs on into pages of its own.
std::string longText(Random& r, int index) {
    const size_t size = 3000 + static_cast<size_t>(r.below(7000));
    std::string text;
    while (text.size() < size) text += (text.empty() ? "" : " ") + std::string(r.pick(kWords));
    return text + " #" + std::to_string(index);
}

std::string phone(Random& r) {
    char text[32];
    const int64_t n = 2000000 + r.below(7999999);
    switch (r.below(3)) {
    case 0: std::snprintf(text, sizeof text, "+1555%07lld", static_cast<long long>(n)); break;
    case 1:
        std::snprintf(text, sizeof text, "(555) %03lld-%04lld", static_cast<long long>(n / 10000 % 1000),
                      static_cast<long long>(n % 10000));
        break;
    default: std::snprintf(text, sizeof text, "+44 7700 %06lld", static_cast<long long>(n % 1000000)); break;
    }
    return text;
}

std::string uuid(Random& r) {
    char text[40];
    std::snprintf(text, sizeof text, "%08llX-%04llX-%04llX-%04llX-%012llX",
                  static_cast<unsigned long long>(r.next() >> 32), static_cast<unsigned long long>(r.below(65536)),
                  static_cast<unsigned long long>(r.below(65536)), static_cast<unsigned long long>(r.below(65536)),
                  static_cast<unsigned long long>(r.next() >> 16));
    return text;
}

std::string date(int64_t value, bool fileType) { return dateTimeText(value, fileType).value_or(""); }

std::string withoutMarkup(std::string text) {
    for (const char* piece : {"<div>", "</div>", "&nbsp;", "<br>", "</br>"})
        for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
            text.replace(at, std::strlen(piece), " ");
    return text;
}

// The first count characters of a UTF-8 text: the phone cuts its summaries between characters,
// never inside one.
std::string firstCharacters(const std::string& text, size_t count) {
    size_t at = 0;
    for (size_t n = 0; at < text.size() && n <= count; ++at)
        if ((static_cast<unsigned char>(text[at]) & 0xc0) != 0x80 && n++ == count) break;
    return text.substr(0, at);
}

// The bytes a record's body holds for an integer, as SQLite writes it: none for 0 and 1 (their
// serial types say them), else the fewest of 1, 2, 3, 4, 6 or 8 bytes, big-endian.
std::string recordInteger(int64_t value) {
    if (value == 0 || value == 1) return {};
    int size = 8;
    for (int n : {1, 2, 3, 4, 6})
        if (value >= -(int64_t{1} << (8 * n - 1)) && value < (int64_t{1} << (8 * n - 1))) {
            size = n;
            break;
        }
    std::string bytes(static_cast<size_t>(size), '\0');
    for (int i = 0; i < size; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>(static_cast<uint64_t>(value) >> (8 * (size - 1 - i)));
    return bytes;
}

// Stretches of a long text along its whole length, each long enough that other rows' words do
// not hold it: a long value runs on into pages of its own, a stretch of it may be written over
// while the rest stays, and SQLite splits it where it runs from one page into the next. A split
// stretch is found by its two parts, each 16 bytes at least: the stretches overlap by half, so
// that wherever a page ends, one of them has 16 bytes on either side of it. endsNumbered: the
// text ends in the row's number and no digit byte follows it in the row, so that its last
// stretch (or a part of it) followed by a digit is another row's ("#116" in "#1161").
void addStretches(const std::string& text, std::vector<Marker>& markers, bool endsNumbered = false) {
    constexpr size_t kStretch = 64, kStep = 32;
    for (size_t at = 0; at + kStretch < text.size(); at += kStep)
        markers.push_back({text.substr(at, kStretch), false, true});
    markers.push_back({text.substr(text.size() - std::min<size_t>(text.size(), kStretch)), endsNumbered, true});
}

// The row ids a maker's rows were given, by row.
using RowIds = std::vector<int64_t>;

// The start of a message's text for a marker, up to 24 bytes and before the row's number ("#17"),
// so that no digit of another row's number can follow it.
std::string head(const std::string& text) { return text.substr(0, std::min<size_t>(24, text.rfind(" #"))); }

// What a maker gives the layouts of deletion: how row i is written (answering the row as a
// record shows it), how written rows are deleted, one at a time or, where the tables allow,
// rows [from, to) by ranges of keys, and how a live row is edited (answering its new version,
// from the version now in the table). toEdit says, before the rows are written, which will be
// edited: a maker keeps what it needs to edit those rows, and nothing of the others.
struct RowWriter {
    std::function<ExpectedRecord(int)> insert;
    std::function<void(size_t)> remove;
    std::function<void(size_t, size_t)> removeRun;  // none: the run goes row by row
    std::function<ExpectedRecord(size_t, const ExpectedRecord& now)> edit;
    std::vector<bool> toEdit;  // by row
    bool willEdit(int i) const { return static_cast<size_t>(i) < toEdit.size() && toEdit[static_cast<size_t>(i)]; }
};

// When rows are deleted: in rounds, each writing the rows up to upTo, then deleting a run of
// neighbouring rows [runFrom, runTo) where there is one, then others one at a time, in order,
// with the round's edits of live rows spread among them.
struct Round {
    int upTo = 0;
    size_t runFrom = 0, runTo = 0;
    std::vector<int> others;
    std::vector<int> edits;
};
struct DeletionPlan {
    std::vector<Round> rounds;
    std::vector<bool> doomed;  // by row
};

// A phone's owner edits some of the rows that stay: 15% of them, a quarter of those twice, each
// edit in the round the row was written or a later one. Decided by a stream of its own, so that
// the same rows are deleted with and without edits.
std::vector<bool> planEdits(Random& r, DeletionPlan& plan) {
    std::vector<bool> edited(plan.doomed.size(), false);
    size_t round = 0;
    for (size_t i = 0; i < plan.doomed.size(); ++i) {
        while (round + 1 < plan.rounds.size() && static_cast<int>(i) >= plan.rounds[round].upTo) ++round;
        if (plan.doomed[i] || r.below(100) >= 15) continue;
        edited[i] = true;
        size_t when = round + static_cast<size_t>(r.below(static_cast<int64_t>(plan.rounds.size() - round)));
        plan.rounds[when].edits.push_back(static_cast<int>(i));
        if (r.below(4) == 0) {
            when += static_cast<size_t>(r.below(static_cast<int64_t>(plan.rounds.size() - when)));
            plan.rounds[when].edits.push_back(static_cast<int>(i));
        }
    }
    // Edits come in no order of the rows.
    for (Round& each : plan.rounds)
        for (size_t k = each.edits.size(); k > 1; --k)
            std::swap(each.edits[k - 1], each.edits[static_cast<size_t>(r.below(static_cast<int64_t>(k)))]);
    return edited;
}

// A run of a tenth of the rows (a trimmed history, a cleared thread), deleted first, then a fifth
// scattered over the rest, in the order the user deletes them. Deleting the run empties pages,
// and SQLite refills the pages beside them from their neighbours, over the deleted rows there.
DeletionPlan runAndScattered(Random& r, int rows) {
    DeletionPlan plan;
    plan.doomed.assign(static_cast<size_t>(rows), false);
    Round& round = plan.rounds.emplace_back();
    round.upTo = rows;
    const int run = rows / 10;
    round.runFrom = static_cast<size_t>(r.below(rows - run));
    round.runTo = round.runFrom + static_cast<size_t>(run);
    for (size_t i = round.runFrom; i < round.runTo; ++i) plan.doomed[i] = true;
    for (int scattered = rows * 2 / 10; scattered > 0;) {
        const auto i = static_cast<size_t>(r.below(rows));
        if (plan.doomed[i]) continue;
        plan.doomed[i] = true;
        --scattered;
    }
    for (size_t i = 0; i < plan.doomed.size(); ++i)
        if (plan.doomed[i] && (i < round.runFrom || i >= round.runTo)) round.others.push_back(static_cast<int>(i));
    return plan;
}

// Rows deleted over time, as a phone in use leaves them: after each round of new rows, 30% of
// what is written so far is gone, a third of what goes in the round in one run of neighbours
// still there (a thread cleared, the oldest calls trimmed), the rest one here and one there.
// Rows written later take the room the deleted ones left: SQLite reuses freed pages and the
// space inside the pages it writes to.
DeletionPlan overTime(Random& r, int rows) {
    DeletionPlan plan;
    plan.doomed.assign(static_cast<size_t>(rows), false);
    const int rounds = std::clamp(rows / 50, 1, 400);
    std::vector<int> pool;  // rows that may still be live; the deleted ones leave it when met
    int deleted = 0;
    for (int k = 1; k <= rounds; ++k) {
        const int before = plan.rounds.empty() ? 0 : plan.rounds.back().upTo;
        Round& round = plan.rounds.emplace_back();
        round.upTo = static_cast<int>(static_cast<int64_t>(rows) * k / rounds);
        for (int i = before; i < round.upTo; ++i) pool.push_back(i);
        int due = static_cast<int>(static_cast<int64_t>(round.upTo) * 3 / 10) - deleted;
        auto take = [&](int i) {
            plan.doomed[static_cast<size_t>(i)] = true;
            round.others.push_back(i);
            ++deleted, --due;
        };
        const int run = due / 3;
        for (int i = static_cast<int>(r.below(round.upTo)), taken = 0; taken < run && i < round.upTo; ++i)
            if (!plan.doomed[static_cast<size_t>(i)]) take(i), ++taken;
        while (due > 0 && !pool.empty()) {
            const auto pick = static_cast<size_t>(r.below(static_cast<int64_t>(pool.size())));
            const int i = pool[pick];
            pool[pick] = pool.back();
            pool.pop_back();
            if (!plan.doomed[static_cast<size_t>(i)]) take(i);
        }
    }
    return plan;
}

// Writes the rows of each round in one transaction, then deletes the round's rows in another,
// without a journal (the pages come out the same, and a large file is written in seconds); the
// layout's journal kind is named in the header at the end. Answers which rows are live and which
// deleted. The rows are written before they are deleted: a page SQLite frees in the transaction
// that wrote it never reaches the file, so rows written and deleted at once would leave nothing
// behind, unlike any phone's. Which rows go is decided by a stream of its own, so that both
// layouts write the same rows.
NaturalRows writeRows(FixtureDatabase& db, const NaturalOptions& o, RowWriter& rows) {
    Random r(o.seed * 0x51ed27 + 7);
    DeletionPlan plan = o.deletions == Deletions::overTime ? overTime(r, o.rows) : runAndScattered(r, o.rows);
    if (o.phoneHabits && rows.edit) {
        Random editing(o.seed * 0x2545f491 + 3);
        rows.toEdit = planEdits(editing, plan);
    }
    // Each edited row's versions, while it is written and edited.
    std::map<int, std::vector<ExpectedRecord>> versions;
    db.exec("PRAGMA journal_mode=OFF;");
    // Room for the whole of a gigabyte file: the deletions go all over it.
    db.exec("PRAGMA cache_size=-2097152;");
    // The last deletions stay in the write-ahead log, where the layout keeps one.
    const auto doomed = static_cast<size_t>(std::count(plan.doomed.begin(), plan.doomed.end(), true));
    const bool withLog = o.inLog > 0 && iosschema::writeAheadLog(o.ios);
    const size_t logFrom = withLog ? doomed - static_cast<size_t>(static_cast<double>(doomed) * o.inLog) : doomed + 1;
    size_t removed = 0;
    auto toLogBefore = [&](size_t more) {
        if (removed + more < logFrom || removed > logFrom) return;
        db.exec("COMMIT;");
        db.keepWritingInLog();
        db.exec("BEGIN;");
        removed = logFrom + 1;  // once
    };
    NaturalRows out;
    int written = 0;
    for (const Round& round : plan.rounds) {
        db.exec("BEGIN;");
        for (; written < round.upTo; ++written) {
            // Only the deleted rows are kept whole: a live one is looked up by its key alone.
            ExpectedRecord record = rows.insert(written);
            if (rows.willEdit(written)) {
                ExpectedRecord& first = versions[written].emplace_back(record);
                first.markers.clear();
            }
            if (plan.doomed[static_cast<size_t>(written)])
                out.deleted.push_back(std::move(record));
            else
                out.liveKeys.push_back(std::move(record.key));
        }
        db.exec("COMMIT;");
        db.exec("BEGIN;");
        const size_t run = round.runTo - round.runFrom;
        toLogBefore(run);
        if (run > 0 && rows.removeRun)
            rows.removeRun(round.runFrom, round.runTo);
        else
            for (size_t i = round.runFrom; i < round.runTo; ++i) rows.remove(i);
        removed += run;
        // The round's edits go between its deletions, in step with them.
        size_t edits = 0;
        auto editUpTo = [&](size_t due) {
            for (; edits < due && edits < round.edits.size(); ++edits) {
                std::vector<ExpectedRecord>& rowVersions = versions[round.edits[edits]];
                ExpectedRecord next = rows.edit(static_cast<size_t>(round.edits[edits]), rowVersions.back());
                if (next.key != rowVersions.back().key) out.liveKeys.push_back(next.key);
                rowVersions.push_back(std::move(next));
            }
        };
        for (size_t k = 0; k < round.others.size(); ++k) {
            editUpTo(k * round.edits.size() / round.others.size());
            toLogBefore(1);
            rows.remove(static_cast<size_t>(round.others[k]));
            ++removed;
        }
        editUpTo(round.edits.size());
        db.exec("COMMIT;");
    }
    for (auto& [row, rowVersions] : versions)
        if (rowVersions.size() > 1) out.edited.push_back(std::move(rowVersions));
    if (iosschema::writeAheadLog(o.ios)) db.exec("PRAGMA journal_mode=WAL;");
    return out;
}

// The step from one row's time to the next: at least least, plus a random part below usual. With
// many rows both are made smaller, so that the whole history stays within about span (a busy
// phone's many calls a day rather than a century of them): a phone holds no time years ahead,
// and the carvers take a time past the years a phone can have for other bytes.
int64_t timeStep(Random& r, int64_t least, int64_t usual, int rows, int64_t span) {
    const int64_t perRow = span / std::max(rows, 1);
    return std::min(least, perRow / 2) + r.below(std::max<int64_t>(1, std::min<int64_t>(usual, 2 * perRow)));
}

constexpr int64_t kYear = 365 * 86400;

// A call's duration as the call's record shows it.
std::string shownDuration(int64_t duration, bool outgoing) {
    return duration ? getCallHistoryDuration(static_cast<int32_t>(duration)) : outgoing ? "Cancelled" : "Missed";
}

NaturalRows calls(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, false);
    db.exec(iosschema::callHistory(o.ios) + iosschema::callHistoryRows(o.ios));
    // The schema's triggers add each call's minutes to the counters of another table, five
    // updates a call; the call table comes out the same without them.
    db.setTriggersEnabled(false);
    const bool newer = static_cast<int>(o.ios) >= 6;
    int64_t when = 1262304000 + r.below(86400 * 400);
    RowIds rowids;
    RowWriter rows;
    rows.insert = [&](int i) {
        when += timeStep(r, 60, 86400, o.rows, 8 * kYear);
        const std::string address = r.below(15) == 0 ? "friend" + std::to_string(i) + "@example.com" : phone(r);
        const int64_t sizes[] = {
            0, 1, 1 + r.below(126), 128 + r.below(3000), 3600 + r.below(20000), 40000 + r.below(40000)};
        const int64_t duration = sizes[r.below(6)];
        const int64_t flags = std::vector<int64_t>{4, 5, 4, 5, 16, 17, 20, 21}[static_cast<size_t>(r.below(8))];
        const Value contact = r.below(3) ? Value(int64_t{-1}) : Value(1 + r.below(400));
        if (newer)
            db.run(
                "INSERT INTO call (address, date, duration, flags, id, name, country_code, network_code, read, "
                "assisted, face_time_data, originalAddress) VALUES (?, ?, ?, ?, ?, NULL, '310', '410', ?, 0, NULL, ?)",
                {address, when, duration, flags, contact, r.below(2), address});
        else
            db.run(
                "INSERT INTO call (address, date, duration, flags, id, name, country_code) VALUES (?, ?, ?, ?, ?, "
                "NULL, '310')",
                {address, when, duration, flags, contact});
        rowids.push_back(db.lastRowid());
        const bool out = flags & 1;
        return ExpectedRecord{
            address + "|" + date(when, false),
            {{"callType", out ? "Outgoing" : "Incoming"}, {"callDuration", shownDuration(duration, out)}},
            {{address + recordInteger(when) + recordInteger(duration) + recordInteger(flags)}}};
    };
    // A call's duration is put right once the call is logged (a call still going when it was
    // first written), and the call is marked read where the layout keeps that.
    rows.edit = [&](size_t i, const ExpectedRecord& now) {
        const int64_t duration = 1 + r.below(r.below(4) ? 600 : 20000);
        db.run(newer ? "UPDATE call SET duration = ?, read = 1 WHERE ROWID = ?"
                     : "UPDATE call SET duration = ? WHERE ROWID = ?",
               {duration, rowids[i]});
        ExpectedRecord next = now;
        next.fields["callDuration"] = shownDuration(duration, now.fields.at("callType") == "Outgoing");
        return next;
    };
    rows.remove = [&](size_t i) { db.run("DELETE FROM call WHERE ROWID = ?", {rowids[i]}); };
    rows.removeRun = [&](size_t from, size_t to) {
        db.run("DELETE FROM call WHERE ROWID BETWEEN ? AND ?", {rowids[from], rowids[to - 1]});
    };
    return writeRows(db, o, rows);
}

NaturalRows bookmarks(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, false);
    db.exec(iosschema::bookmarks(o.ios));
    RowIds rowids;
    RowWriter rows;
    rows.insert = [&](int i) {
        const bool folder = r.below(12) == 0;
        const std::string title = words(r, 1 + static_cast<int>(r.below(5))) + " " + std::to_string(i);
        std::string url = "http://" + std::string(r.pick(kWords)) + ".example.org/";
        if (r.below(4) == 0)
            url += words(r, 3 + static_cast<int>(r.below(20))) + "?q=" + std::to_string(r.next() % 100000);
        std::replace(url.begin(), url.end(), ' ', '/');
        const int64_t children = folder ? r.below(9) : 0, order = i % 40;
        const std::string externalId = uuid(r);
        db.run(
            "INSERT INTO bookmarks (special_id, parent, type, title, url, num_children, editable, deletable, hidden, "
            "hidden_ancestor_count, order_index, external_uuid) VALUES (0, ?, ?, ?, ?, ?, 1, 1, 0, 0, ?, ?)",
            {r.below(3) ? int64_t{0} : 1 + r.below(std::max(i, 1)), int64_t{folder ? 1 : 0}, title,
             folder ? Value(nullptr) : Value(url), children, order, externalId});
        rowids.push_back(db.lastRowid());
        // The title's number ends where the next column begins: the address (whole), or a
        // folder's numbers and the first byte of its identifier. A folder's record is its title
        // alone: a later row written over the rest of its row leaves it whole.
        const std::string after =
            folder ? recordInteger(children) + recordInteger(order) + externalId.substr(0, 1) : url;
        return ExpectedRecord{title, {{"bookMarkURL", folder ? "" : url}}, {{title + after}}};
    };
    // A bookmark renamed, or (not a folder) pointed at the page it moved to.
    rows.edit = [&](size_t i, const ExpectedRecord& now) {
        ExpectedRecord next = now;
        if (now.fields.at("bookMarkURL").empty() || r.below(2)) {
            next.key = words(r, 1 + static_cast<int>(r.below(5))) + " " + std::to_string(i);
            db.run("UPDATE bookmarks SET title = ? WHERE id = ?", {next.key, rowids[i]});
        } else {
            next.fields["bookMarkURL"] = "https://" + std::string(r.pick(kWords)) + ".example.org/" +
                                         std::to_string(r.next() % 100000) + "/" + std::to_string(i);
            db.run("UPDATE bookmarks SET url = ? WHERE id = ?", {next.fields["bookMarkURL"], rowids[i]});
        }
        return next;
    };
    rows.remove = [&](size_t i) { db.run("DELETE FROM bookmarks WHERE id = ?", {rowids[i]}); };
    rows.removeRun = [&](size_t from, size_t to) {
        db.run("DELETE FROM bookmarks WHERE id BETWEEN ? AND ?", {rowids[from], rowids[to - 1]});
    };
    return writeRows(db, o, rows);
}

NaturalRows calendar(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, false);
    db.exec(iosschema::calendar(o.ios));
    const bool events = o.ios == Ios::v4;
    RowIds rowids;
    RowIds places;                  // each item's Location row, 0 for none
    std::map<int, int64_t> starts;  // the start of each item that will be edited
    int64_t start = 300000000 + r.below(30000000);
    // Events start on the quarter hour, or, when there are too many for the quarter hours of the
    // years a calendar spans, on shorter slots.
    const int64_t slot = std::clamp<int64_t>(15 * kYear / std::max(o.rows, 1) / 2, 1, 900);
    RowWriter rows;
    rows.insert = [&](int i) {
        start += slot * timeStep(r, 1, 200, o.rows, 15 * kYear / slot);
        const int64_t end = start + 900 * (1 + r.below(12));
        const std::string title = words(r, 1 + static_cast<int>(r.below(4))) + " " + std::to_string(i);
        const std::string place = r.below(3) == 0 ? std::string() : words(r, 1 + static_cast<int>(r.below(3)));
        const std::string notes = r.below(3) == 0 ? naturalText(r, i) : std::string();
        const Value placeValue = place.empty() ? Value(nullptr) : Value(place);
        const Value notesValue = notes.empty() ? Value(nullptr) : Value(notes);
        std::string placeBytes;  // the place's row id, stored right after the title in the newer layout
        if (events) {
            db.run(
                "INSERT INTO Event (summary, location, description, start_date, start_tz, end_date, all_day, "
                "calendar_id, last_modified, unique_identifier, hidden) VALUES (?, ?, ?, ?, 'Europe/London', ?, 0, 1, "
                "?, ?, 0)",
                {title, placeValue, notesValue, start, end, start - r.below(900000), uuid(r)});
            rowids.push_back(db.lastRowid());
        } else {
            const int64_t row = i + 1;
            int64_t locationId = 0;
            if (!place.empty()) {
                db.run("INSERT INTO Location (title, item_owner_id) VALUES (?, ?)", {place, row});
                locationId = db.lastRowid();
                placeBytes = recordInteger(locationId);
            }
            places.push_back(locationId);
            db.run(
                "INSERT INTO CalendarItem (ROWID, summary, location_id, description, start_date, start_tz, end_date, "
                "all_day, calendar_id, status, availability, privacy_level, last_modified, sequence_num, birthday_id, "
                "hidden, has_recurrences, has_attendees, UUID, entity_type, priority, creation_date) "
                "VALUES (?, ?, ?, ?, ?, 'Europe/London', ?, 0, 1, 0, 0, 0, ?, 0, -1, 0, 0, 0, ?, 2, 0, ?)",
                {row, title, locationId, notesValue, static_cast<double>(start), static_cast<double>(end),
                 static_cast<double>(start - r.below(900000)) + 0.25, uuid(r),
                 static_cast<double>(start - r.below(900000)) + 0.5});
            rowids.push_back(row);
        }
        // The title's number ends where the next value that is not NULL begins: the place (its
        // text, or the id of its row), the notes, or the start (a whole REAL is stored as an integer).
        const std::string next = events && !place.empty() ? place.substr(0, 4)
                                 : !placeBytes.empty()    ? placeBytes
                                 : !notes.empty()         ? notes.substr(0, 4)
                                                          : recordInteger(start);
        ExpectedRecord record{
            title,
            {{"location", place}, {"calNote", notes}, {"startDate", date(start, true)}, {"endDate", date(end, true)}},
            {{title + next}}};
        // The notes, then the start, its time zone and the end.
        if (!notes.empty()) addStretches(notes, record.markers);
        record.markers.push_back({recordInteger(start) + "Europe/London" + recordInteger(end)});
        // The place's own row: its title, then (after columns left NULL) the item it belongs to.
        if (!placeBytes.empty()) record.markers.push_back({place + recordInteger(i + 1)});
        if (rows.willEdit(i)) starts[i] = start;
        return record;
    };
    // An event renamed, or moved by whole hours.
    rows.edit = [&](size_t i, const ExpectedRecord& now) {
        ExpectedRecord next = now;
        const char* const table = events ? "Event" : "CalendarItem";
        if (r.below(2)) {
            next.key = words(r, 1 + static_cast<int>(r.below(4))) + " " + std::to_string(i);
            db.run(std::string("UPDATE ") + table + " SET summary = ? WHERE ROWID = ?", {next.key, rowids[i]});
        } else {
            const int64_t by = 3600 * (1 + r.below(48)), from = starts[static_cast<int>(i)] + by;
            const int64_t length = 900 * (1 + r.below(12));
            starts[static_cast<int>(i)] = from;
            const Value startValue = events ? Value(from) : Value(static_cast<double>(from));
            const Value endValue = events ? Value(from + length) : Value(static_cast<double>(from + length));
            db.run(std::string("UPDATE ") + table + " SET start_date = ?, end_date = ? WHERE ROWID = ?",
                   {startValue, endValue, rowids[i]});
            next.fields["startDate"] = date(from, true);
            next.fields["endDate"] = date(from + length, true);
        }
        return next;
    };
    // The schema's trigger would remove an item's place (and its alarms, recurrences and exception
    // dates, of which these items have none) by scanning the whole table for each item; the same
    // rows go by their keys instead, so the file comes out the same.
    if (!events) db.setTriggersEnabled(false);
    const char* const removeItem =
        events ? "DELETE FROM Event WHERE ROWID = ?" : "DELETE FROM CalendarItem WHERE ROWID = ?";
    rows.remove = [&](size_t i) {
        db.run(removeItem, {rowids[i]});
        if (!events && places[i] != 0) db.run("DELETE FROM Location WHERE ROWID = ?", {places[i]});
    };
    rows.removeRun = [&](size_t from, size_t to) {
        db.run(events ? "DELETE FROM Event WHERE ROWID BETWEEN ? AND ?"
                      : "DELETE FROM CalendarItem WHERE ROWID BETWEEN ? AND ?",
               {rowids[from], rowids[to - 1]});
        // The run's places are the Location rows written between its first and its last item.
        int64_t first = 0, last = 0;
        for (size_t i = from; i < to && !events; ++i) {
            if (places[i] == 0) continue;
            if (first == 0) first = places[i];
            last = places[i];
        }
        if (first != 0) db.run("DELETE FROM Location WHERE ROWID BETWEEN ? AND ?", {first, last});
    };
    return writeRows(db, o, rows);
}

// A note's text as the carver shows it: "<div>" and "</div>" dropped, the other markup a blank.
std::string shownNoteText(const std::string& body) {
    std::string plain = body;
    for (const char* piece : {"<div>", "</div>"})
        for (size_t at = plain.find(piece); at != std::string::npos; at = plain.find(piece))
            plain.erase(at, std::strlen(piece));
    return withoutMarkup(plain);
}

// What a note's owner writes down more than once: notes of a title alone, many alike.
const char* const kNoteTitles[] = {"Shopping", "To do", "Call back", "Ideas", "Passwords hint", "Gift list"};

NaturalRows notes(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, false);
    db.exec(iosschema::notes(o.ios));
    int64_t created = 290000000 + r.below(60000000);
    int64_t bodyKey = 0;
    // What an edit of a note needs: its body's key, title, text and creation.
    struct NoteNow {
        int64_t bodyKey = 0, created = 0;
        std::string title, body;
    };
    std::map<int, NoteNow> editable;
    RowWriter rows;
    rows.insert = [&](int i) {
        created += timeStep(r, 60, 86400 * 5, o.rows, 12 * kYear);
        const int64_t modified = created + r.below(86400 * 30);
        // A phone's notes: some hold their title alone, and those often repeat one another.
        const bool titleAlone = o.phoneHabits && r.below(6) == 0;
        const bool commonTitle = titleAlone && r.below(2);
        const std::string title = commonTitle ? std::string(r.pick(kNoteTitles))
                                              : words(r, 1 + static_cast<int>(r.below(4))) + " " + std::to_string(i);
        std::string body = title;
        const int64_t lines = titleAlone ? 0 : 1 + r.below(8);
        for (int64_t l = 0; l < lines; ++l)
            body += (l % 2 ? "<br>" : "<div>") + naturalText(r, i) + (l % 2 ? "" : "</div>");
        bodyKey += 1 + (r.below(4) == 0 ? 1 : 0);  // bodies replaced on edits count on
        const int64_t pk = i + 1;
        const int64_t opt = 1 + r.below(9), integerId = 1000 + pk + r.below(3);
        const double createdAt = static_cast<double>(created) + static_cast<double>(r.below(1000)) / 1000.0;
        const std::string guid = uuid(r), summary = firstCharacters(withoutMarkup(body), 100);
        db.run(
            "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE, ZDELETEDFLAG, ZINTEGERID, "
            "ZISBOOKKEEPINGENTRY, ZBODY, ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE, ZGUID, ZSUMMARY, ZTITLE) "
            "VALUES (?, 3, ?, 0, 0, 0, ?, 0, ?, 1, ?, ?, ?, ?, ?)",
            {pk, opt, integerId, bodyKey, createdAt, static_cast<double>(modified) + 0.125, guid, summary, title});
        const int64_t bodyOpt = 1 + r.below(9);
        db.run("INSERT INTO ZNOTEBODY (Z_PK, Z_ENT, Z_OPT, ZOWNER, ZCONTENT) VALUES (?, 4, ?, ?, ?)",
               {bodyKey, bodyOpt, pk, body});
        if (rows.willEdit(i)) editable[i] = {bodyKey, created, title, body};
        // The body's row holds its entity, version and note before the text. The note's own row
        // ends in its title, and so in its number; its id makes it the row's alone, whatever byte
        // the next cell starts with (a digit there is no other row's number). A body of a title
        // alone ends there.
        std::vector<Marker> markers = {
            {guid + summary + title},
            {recordInteger(4) + recordInteger(bodyOpt) + recordInteger(pk) + title + (titleAlone ? "" : "<div>")}};
        addStretches(body, markers);
        // Dated by its creation in a rollback-journal file, by its change in a newer one.
        ExpectedRecord record{
            title,
            {{"noteContent", shownNoteText(body)}, {"noteDate", date(o.ios == Ios::v4 ? created : modified, true)}},
            std::move(markers)};
        if (titleAlone) record.habit = "title alone";
        return record;
    };
    // A note's body gets a line more, or its first line (its title) is written anew; its summary
    // and time of change follow.
    rows.edit = [&](size_t i, const ExpectedRecord& now) {
        NoteNow& note = editable[static_cast<int>(i)];
        const bool retitle = r.below(3) == 0 && std::isdigit(static_cast<unsigned char>(note.title.back()));
        if (retitle) {
            const std::string title = words(r, 1 + static_cast<int>(r.below(4))) + " " + std::to_string(i);
            note.body = title + note.body.substr(note.title.size());
            note.title = title;
        } else {
            note.body += "<div>" + naturalText(r, static_cast<int>(i)) + "</div>";
        }
        const int64_t modified = note.created + 86400 * 30 + r.below(86400 * 300);
        db.run("UPDATE ZNOTEBODY SET ZCONTENT = ?, Z_OPT = Z_OPT + 1 WHERE Z_PK = ?", {note.body, note.bodyKey});
        db.run("UPDATE ZNOTE SET ZTITLE = ?, ZSUMMARY = ?, ZMODIFICATIONDATE = ?, Z_OPT = Z_OPT + 1 WHERE Z_PK = ?",
               {note.title, firstCharacters(withoutMarkup(note.body), 100), static_cast<double>(modified) + 0.125,
                static_cast<int64_t>(i + 1)});
        ExpectedRecord next = now;
        next.key = note.title;
        next.fields["noteContent"] = shownNoteText(note.body);
        if (o.ios != Ios::v4) next.fields["noteDate"] = date(modified, true);
        return next;
    };
    rows.remove = [&](size_t i) {
        db.run("DELETE FROM ZNOTEBODY WHERE ZOWNER = ?", {static_cast<int64_t>(i + 1)});
        db.run("DELETE FROM ZNOTE WHERE Z_PK = ?", {static_cast<int64_t>(i + 1)});
    };
    rows.removeRun = [&](size_t from, size_t to) {
        db.run("DELETE FROM ZNOTEBODY WHERE ZOWNER BETWEEN ? AND ?",
               {static_cast<int64_t>(from + 1), static_cast<int64_t>(to)});
        db.run("DELETE FROM ZNOTE WHERE Z_PK BETWEEN ? AND ?",
               {static_cast<int64_t>(from + 1), static_cast<int64_t>(to)});
    };
    return writeRows(db, o, rows);
}

// A contact's number or e-mail: its row, kind (3 a number, 4 an e-mail) and text.
struct ContactValue {
    int64_t uid = 0, property = 0;
    std::string text;
};

NaturalRows contacts(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, false);
    db.exec(iosschema::addressBook(o.ios) + iosschema::addressBookRows());
    // Each contact's ABMultiValue rows, in the order they were written.
    std::vector<std::vector<int64_t>> valueRows;
    // Of each contact that will be edited: its name and its numbers and e-mails.
    struct ContactNow {
        std::string first, last, middle;
        std::vector<ContactValue> values;
    };
    std::map<int, ContactNow> editable;
    valueRows.reserve(static_cast<size_t>(std::max(o.rows, 0)));
    int64_t created = 280000000;  // seconds from 2001
    RowWriter rows;
    rows.insert = [&](int i) {
        const int64_t row = i + 1;
        const std::string first = std::string(r.pick(kFirst)) + (i % 3 ? "" : std::to_string(i));
        const std::string last = std::string(r.pick(kLast)) + std::to_string(i);
        const std::string middle = r.below(6) == 0 ? "J." : "";
        const Value note = r.below(4) == 0 ? Value(naturalText(r, i)) : Value(nullptr);
        // A phone stamps a contact when it is saved: the first sync brings many within seconds,
        // the rest come one by one over the years.
        created += i < o.rows / 10 ? r.below(2) : timeStep(r, 60, 30 * 86400, o.rows, 8 * kYear);
        db.run(
            "INSERT INTO ABPerson (ROWID, First, Last, Middle, Organization, Note, Kind, JobTitle, FirstSort, "
            "LastSort, "
            "CreationDate, ModificationDate, StoreID, FirstSortSection, LastSortSection, FirstSortLanguageIndex, "
            "LastSortLanguageIndex) VALUES (?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, 0, ?, ?, 0, 0)",
            {row, first, last, middle.empty() ? Value(nullptr) : Value(middle),
             r.below(3) ? Value(nullptr) : Value(words(r, 2) + " Ltd"), note,
             r.below(4) ? Value(nullptr) : Value(std::string(r.pick(kWords))), first + " " + last, last + " " + first,
             created, created + r.below(9000000), first.substr(0, 1), last.substr(0, 1)});
        std::vector<int64_t>& values = valueRows.emplace_back();
        std::vector<ContactValue> shown;  // the numbers and e-mails, as the record shows them
        std::string phones, emails;
        std::vector<Marker> valueMarkers;
        // A value's row: its person, kind, number among the person's values and label, then the text.
        auto valueMarker = [&](int64_t property, int64_t identifier, int64_t label, const std::string& value) {
            valueMarkers.push_back({recordInteger(row) + recordInteger(property) + recordInteger(identifier) +
                                    recordInteger(label) + value});
        };
        int identifier = 0;
        const int64_t phoneCount = 1 + r.below(3);
        for (int64_t k = 0; k < phoneCount; ++k) {
            const std::string number = phone(r);
            const int64_t label = 1 + r.below(6);
            valueMarker(3, identifier, label, number);
            db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 3, ?, ?, ?)",
                   {row, int64_t{identifier++}, label, number});
            values.push_back(db.lastRowid());
            shown.push_back({db.lastRowid(), 3, number});
            phones += (phones.empty() ? "" : " ") + number;  // values are joined by blanks, none in front
        }
        if (r.below(2)) {
            const std::string mail = first.substr(0, 1) + last + "@example.com";
            valueMarker(4, identifier, 2, mail);
            db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 4, ?, 2, ?)",
                   {row, int64_t{identifier++}, mail});
            values.push_back(db.lastRowid());
            shown.push_back({db.lastRowid(), 4, mail});
            emails += (emails.empty() ? "" : " ") + mail;
        }
        if (r.below(5) == 0) {
            db.run("INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, 5, ?, 2, NULL)",
                   {row, int64_t{identifier++}});
            const int64_t uid = db.lastRowid();
            values.push_back(uid);
            db.run("INSERT INTO ABMultiValueEntry VALUES (?, 2, ?), (?, 4, ?)",
                   {uid, std::to_string(1 + r.below(300)) + " " + r.pick(kWords) + " Street", uid,
                    std::string(r.pick(kWords))});
        }
        if (rows.willEdit(i)) editable[i] = {first, last, middle, std::move(shown)};
        std::string name = first + " " + last + (middle.empty() ? "" : " " + middle);
        // The two sort keys lie side by side in the row; the last name alone is in its e-mail too.
        // The name's parts open the row; its two sort keys lie side by side further on.
        ExpectedRecord record{
            name,
            {{"contactPhone", phones}, {"contactEmail", emails}},
            {{first + last + middle, middle.empty()}, {first + " " + last + last + " " + first, i % 3 == 0}}};
        record.markers.insert(record.markers.end(), valueMarkers.begin(), valueMarkers.end());
        return record;
    };
    // A contact's name, one of its numbers or its e-mail changed, as a phone's owner puts them
    // right: a new number, an address at a new domain, a first name spelt another way.
    rows.edit = [&](size_t i, const ExpectedRecord& now) {
        ContactNow& contact = editable[static_cast<int>(i)];
        ExpectedRecord next = now;
        const int64_t what = r.below(3);
        if (what == 0) {
            contact.first = std::string(r.pick(kFirst)) + (i % 3 ? "" : std::to_string(i));
            db.run(
                "UPDATE ABPerson SET First = ?, FirstSort = ?, LastSort = ?, ModificationDate = "
                "ModificationDate + 86400 WHERE ROWID = ?",
                {contact.first, contact.first + " " + contact.last, contact.last + " " + contact.first,
                 static_cast<int64_t>(i + 1)});
        } else {
            // A phone number, or the e-mail where it has one and the roll says so.
            std::vector<ContactValue*> choices;
            for (ContactValue& v : contact.values)
                if (v.property == (what == 2 ? 4 : 3)) choices.push_back(&v);
            if (choices.empty())
                for (ContactValue& v : contact.values) choices.push_back(&v);
            ContactValue& v = *choices[static_cast<size_t>(r.below(static_cast<int64_t>(choices.size())))];
            v.text = v.property == 4 ? contact.first.substr(0, 1) + contact.last + "@" + r.pick(kWords) + ".example.net"
                                     : phone(r);
            db.run("UPDATE ABMultiValue SET value = ? WHERE UID = ?", {v.text, v.uid});
        }
        next.key = contact.first + " " + contact.last + (contact.middle.empty() ? "" : " " + contact.middle);
        std::string phones, emails;
        for (const ContactValue& v : contact.values)
            (v.property == 3 ? phones : emails) += ((v.property == 3 ? phones : emails).empty() ? "" : " ") + v.text;
        next.fields["contactPhone"] = phones;
        next.fields["contactEmail"] = emails;
        return next;
    };
    // A contact's multi-values go by their own keys, and their entries through the entries' index
    // on parent_id: no index leads from a contact to its multi-values, so a delete by record_id
    // would scan the whole table for every contact.
    rows.remove = [&](size_t i) {
        for (int64_t value : valueRows[i]) db.run("DELETE FROM ABMultiValueEntry WHERE parent_id = ?", {value});
        for (int64_t value : valueRows[i]) db.run("DELETE FROM ABMultiValue WHERE UID = ?", {value});
        db.run("DELETE FROM ABPerson WHERE ROWID = ?", {static_cast<int64_t>(i + 1)});
    };
    // Every contact has a number: the run's values are those written from its first contact's
    // first to its last contact's last.
    rows.removeRun = [&](size_t from, size_t to) {
        const Value first = valueRows[from].front(), last = valueRows[to - 1].back();
        db.run("DELETE FROM ABMultiValueEntry WHERE parent_id BETWEEN ? AND ?", {first, last});
        db.run("DELETE FROM ABMultiValue WHERE UID BETWEEN ? AND ?", {first, last});
        db.run("DELETE FROM ABPerson WHERE ROWID BETWEEN ? AND ?",
               {static_cast<int64_t>(from + 1), static_cast<int64_t>(to)});
    };
    return writeRows(db, o, rows);
}

NaturalRows messages(const std::string& path, const NaturalOptions& o, Random& r) {
    FixtureDatabase db(path, o.pageSize, false);
    db.exec(iosschema::messages(o.ios));
    const bool handles = static_cast<int>(o.ios) >= 6;
    std::vector<std::string> partners;
    for (int h = 0; h < std::max(o.conversations, 1); ++h)
        partners.push_back(h % 6 == 5 ? "pal" + std::to_string(h) + "@example.net" : phone(r));
    if (handles)
        for (size_t h = 0; h < partners.size(); ++h)
            db.run("INSERT INTO handle (ROWID, id, country, service) VALUES (?, ?, 'us', ?)",
                   {static_cast<int64_t>(h + 1), partners[h],
                    std::string(partners[h].find('@') != std::string::npos ? "iMessage" : "SMS")});
    int64_t when = 1293840000 + r.below(86400 * 300);
    RowIds rowids;
    RowWriter rows;
    rows.insert = [&](int i) {
        when += timeStep(r, 5, 20000, o.rows, 8 * kYear);
        const size_t who = static_cast<size_t>(r.below(static_cast<int64_t>(partners.size())));
        const bool fromMe = r.below(2);
        const bool isLong = o.phoneHabits && r.below(12) == 0;
        const std::string text = isLong ? longText(r, i) : naturalText(r, i);
        const bool imessage = partners[who].find('@') != std::string::npos || (o.ios != Ios::v4 && r.below(3) == 0);
        const int64_t since2001 = when - iosschema::kSince2001;
        ExpectedRecord record;
        if (handles) {
            const std::string guid = uuid(r);
            db.run(
                "INSERT INTO message (guid, text, handle_id, service, account, date, date_read, date_delivered, "
                "is_delivered, is_finished, is_from_me, is_read, is_sent) VALUES (?, ?, ?, ?, 'e:', ?, ?, ?, 1, 1, ?, "
                "?, ?)",
                {guid, text, static_cast<int64_t>(who + 1), std::string(imessage ? "iMessage" : "SMS"), since2001,
                 fromMe ? int64_t{0} : since2001 + r.below(5000), fromMe ? since2001 + r.below(30) : int64_t{0},
                 int64_t{fromMe}, int64_t{!fromMe}, int64_t{fromMe}});
            // After the text, up to the date: its handle, service and account (the columns between
            // are NULL or 0).
            record = {text,
                      {{"messagePhone", partners[who]}, {"messageDate", date(since2001, false)}},
                      {{guid + head(text)},
                       {recordInteger(static_cast<int64_t>(who + 1)) + (imessage ? "iMessage" : "SMS") +
                        "e:" + recordInteger(since2001)}}};
        } else if (o.ios == Ios::v5 && imessage) {
            const int64_t flags = fromMe ? (r.below(5) ? 36869 : 102405) : (r.below(5) ? 12289 : 77825);
            const int64_t height = 38 + r.below(400);
            db.run(
                "INSERT INTO message (address, date, text, flags, replace, group_id, association_id, height, UIFlags, "
                "version, read, madrid_handle, madrid_version, madrid_guid, madrid_type, madrid_service, "
                "madrid_account, madrid_flags, madrid_error, is_madrid, madrid_date_read, madrid_date_delivered) "
                "VALUES (NULL, ?, ?, 0, 0, ?, 0, ?, 0, 0, 1, ?, 10, ?, 0, 'iMessage', 'e:ada@example.com', ?, 0, 1, ?, "
                "?)",
                {since2001, text, static_cast<int64_t>(who + 1), height, partners[who], uuid(r), flags,
                 fromMe ? int64_t{0} : since2001 + r.below(500), fromMe ? since2001 + 2 : int64_t{0}});
            record = {text,
                      {{"messagePhone", partners[who]}, {"messageDate", date(since2001, false)}},
                      // After the text, up to the address: its thread and height (the others NULL or 0).
                      {{recordInteger(since2001) + head(text)},
                       {recordInteger(static_cast<int64_t>(who + 1)) + recordInteger(height) + partners[who]}}};
        } else {
            db.run(
                "INSERT INTO message (address, date, text, flags, replace, group_id, association_id, height, UIFlags, "
                "version, country, read" +
                    std::string(o.ios == Ios::v5 ? ", is_madrid" : "") +
                    ") VALUES (?, ?, ?, ?, 0, ?, 0, ?, 0, 0, 'us', 1" + (o.ios == Ios::v5 ? ", 0" : "") + ")",
                {partners[who], when, text, int64_t{fromMe ? 3 : 2}, static_cast<int64_t>(who + 1), 38 + r.below(400)});
            record = {text,
                      {{"messagePhone", partners[who]}, {"messageDate", date(when, false)}},
                      {{partners[who] + recordInteger(when) + head(text)}}};
        }
        // What follows the text: flags of 2 or 3 (no digit byte), or NULLs and 0s (no bytes) and
        // then the thread's or handle's id, whose first byte is a digit's in a history of more
        // than 47 conversations.
        const bool idFollows = handles || (o.ios == Ios::v5 && imessage);
        const std::string idBytes = recordInteger(static_cast<int64_t>(who + 1));
        const bool digitFollows = idFollows && !idBytes.empty() && idBytes[0] >= '0' && idBytes[0] <= '9';
        addStretches(text, record.markers, /*endsNumbered*/ !digitFollows);
        if (isLong) record.habit = "long message";
        rowids.push_back(db.lastRowid());
        return record;
    };
    // A message is read or delivered: the phones of these layouts never let a sent or received
    // text be changed, so an edit leaves the address, time and text that tell the message.
    rows.edit = [&](size_t i, const ExpectedRecord& now) {
        const int64_t at = 400000000 + r.below(100000000);
        if (handles) {
            db.run(
                "UPDATE message SET is_read = 1, is_delivered = 1, date_read = ?, date_delivered = ? WHERE ROWID = ?",
                {at, at - r.below(600), rowids[i]});
        } else {
            // Its bubble's height worked out again, and an iMessage's time read set.
            db.run(o.ios == Ios::v5 ? "UPDATE message SET height = ?, madrid_date_read = ? WHERE ROWID = ?"
                                    : "UPDATE message SET height = ?, read = ? WHERE ROWID = ?",
                   {38 + r.below(400), o.ios == Ios::v5 ? at : int64_t{1}, rowids[i]});
        }
        return now;
    };
    rows.remove = [&](size_t i) { db.run("DELETE FROM message WHERE ROWID = ?", {rowids[i]}); };
    rows.removeRun = [&](size_t from, size_t to) {
        db.run("DELETE FROM message WHERE ROWID BETWEEN ? AND ?", {rowids[from], rowids[to - 1]});
    };
    return writeRows(db, o, rows);
}

}  // namespace

const char* backupFileName(CarveKind kind) {
    switch (kind) {
    case CarveKind::calls: return backupkeys::callHistory;
    case CarveKind::contacts: return backupkeys::addressBook;
    case CarveKind::messages: return backupkeys::messages;
    case CarveKind::notes: return backupkeys::notes;
    case CarveKind::bookmarks: return backupkeys::bookmarks;
    case CarveKind::calendar: return backupkeys::calendar;
    }
    return "";
}

const char* kindName(CarveKind kind) {
    switch (kind) {
    case CarveKind::calls: return "calls";
    case CarveKind::contacts: return "contacts";
    case CarveKind::messages: return "messages";
    case CarveKind::notes: return "notes";
    case CarveKind::bookmarks: return "bookmarks";
    case CarveKind::calendar: return "calendar";
    }
    return "";
}

std::vector<std::string> joinedFields(CarveKind kind) {
    switch (kind) {
    case CarveKind::contacts: return {"contactPhone", "contactEmail"};
    case CarveKind::notes: return {"noteContent"};
    case CarveKind::messages: return {"messagePhone"};
    case CarveKind::calendar: return {"location"};
    default: return {};
    }
}

NaturalRows writeNaturalDatabase(const std::string& folder, CarveKind kind, const NaturalOptions& options) {
    Random r(options.seed * 31 + static_cast<uint64_t>(kind));
    switch (kind) {
    case CarveKind::calls: return calls(folder + "/" + backupkeys::callHistory, options, r);
    case CarveKind::contacts: return contacts(folder + "/" + backupkeys::addressBook, options, r);
    case CarveKind::messages: return messages(folder + "/" + backupkeys::messages, options, r);
    case CarveKind::notes: return notes(folder + "/" + backupkeys::notes, options, r);
    case CarveKind::bookmarks: return bookmarks(folder + "/" + backupkeys::bookmarks, options, r);
    case CarveKind::calendar: return calendar(folder + "/" + backupkeys::calendar, options, r);
    }
    return {};
}

}  // namespace carvefix
