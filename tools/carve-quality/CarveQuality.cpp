#include "CarveQuality.h"

#include "MarkerSearch.h"
#include "backup/BackupNotices.h"
#include "backup/CommitDB.h"
#include "backup/carve/CarveContext.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "platform/FileOpen.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <variant>

namespace carvequality {

using carvefix::CarveKind;
using carvefix::ExpectedRecord;

const NoticeName& postedNotice(CarveKind kind) {
    switch (kind) {
    case CarveKind::calls: return notices::ScanDelCallHistoryInfo;
    case CarveKind::contacts: return notices::ScanDelContactInfo;
    case CarveKind::messages: return notices::ScanDelMessageInfo;
    case CarveKind::notes: return notices::ScanDelNoteInfo;
    case CarveKind::bookmarks: return notices::scanDelBookMarkInfo;
    case CarveKind::calendar: break;
    }
    return notices::scanDelCalenderInfo;
}

void carve(CarveKind kind, carve::CarveContext& context, const std::string& folder) {
    switch (kind) {
    case CarveKind::calls: carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder); break;
    case CarveKind::contacts: carve::DelContactCarver(context).scanDelContactThread(folder); break;
    case CarveKind::messages: carve::DelMessageCarver(context).scanDelMessageThread(folder); break;
    case CarveKind::notes: carve::DelNoteCarver(context).scanDelNoteThread(folder); break;
    case CarveKind::bookmarks: carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder); break;
    case CarveKind::calendar: carve::DelCalenderCarver(context).ScanDelCalenderThread(folder); break;
    }
}

ExpectedRecord recordOf(CarveKind kind, const std::function<std::string(const char* field)>& field) {
    // Per kind: the fields that name a record (joined by "|"), then the others it must carry.
    struct Fields {
        std::vector<const char*> key, others;
    };
    static const std::map<CarveKind, Fields> fieldsOf = {
        {CarveKind::calls, {{"callPhone", "callDate"}, {"callType", "callDuration"}}},
        {CarveKind::contacts, {{"contactName"}, {"contactPhone", "contactEmail"}}},
        {CarveKind::messages, {{"messageContent"}, {"messagePhone", "messageDate"}}},
        {CarveKind::notes, {{"noteTitle"}, {"noteContent", "noteDate"}}},
        {CarveKind::bookmarks, {{"bookMarkTitle"}, {"bookMarkURL"}}},
        {CarveKind::calendar, {{"calTitle"}, {"location", "calNote", "startDate", "endDate"}}},
    };
    const Fields& f = fieldsOf.at(kind);
    ExpectedRecord r;
    for (const char* name : f.key) r.key += (r.key.empty() && name == f.key.front() ? "" : "|") + field(name);
    for (const char* name : f.others) r.fields[name] = field(name);
    r.partial = field("bPartial") == "true";
    return r;
}

ExpectedRecord recordOf(CarveKind kind, const PRRecord& record) {
    const std::vector<PRField> fields = record.fields();
    return recordOf(kind, [&](const char* name) {
        for (const PRField& f : fields) {
            if (std::strcmp(f.name, name) != 0) continue;
            if (const auto* text = std::get_if<std::string>(&f.value)) return *text;
            if (const auto* flag = std::get_if<bool>(&f.value)) return std::string(*flag ? "true" : "false");
        }
        return std::string();
    });
}

namespace {

// Whether a joined field lists some of the values the row had and nothing else: the whole field
// with some of its values left out (values are joined by blanks, and hold blanks themselves). The
// others' rows are lost.
bool someOf(const std::string& partValues, const std::string& wholeValues) {
    // Each value begun by a blank, the first too: leaving one out leaves out from a blank on.
    const std::string part = " " + partValues, whole = " " + wholeValues;
    std::map<std::pair<size_t, size_t>, bool> known;
    std::function<bool(size_t, size_t)> from = [&](size_t i, size_t j) -> bool {
        if (j == whole.size()) return i == part.size();
        auto [it, fresh] = known.emplace(std::make_pair(i, j), false);
        if (!fresh) return it->second;
        bool ok = i < part.size() && part[i] == whole[j] && from(i + 1, j + 1);
        if (whole[j] == ' ')  // leave out the values from here to a later blank or the end
            for (size_t k = j + 1; !ok && k <= whole.size(); ++k)
                if (k == whole.size() || whole[k] == ' ') ok = from(i, k);
        return known[{i, j}] = ok;
    };
    return !partValues.empty() && from(0, 0);
}

// Whether a reported value is the row's: a note's text whatever blanks and line breaks its
// blocks were shown with, any other value byte for byte.
bool sameValue(std::string_view field, std::string_view got, std::string_view want) {
    if (field != "noteContent") return got == want;
    auto next = [](std::string_view text, size_t& at) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        return at < text.size() ? text[at++] : '\0';
    };
    size_t i = 0, j = 0;
    for (;;) {
        const char a = next(got, i), b = next(want, j);
        if (a != b) return false;
        if (a == '\0') return true;
    }
}

// Whether every value a record carries is one that a row it names had (in any of its versions,
// or some of a joined field's values): none of another row's.
bool valuesAmong(const ExpectedRecord& record, const std::vector<const ExpectedRecord*>& rows,
                 const std::vector<std::string>& joined) {
    for (const auto& [field, text] : record.fields) {
        if (text.empty()) continue;
        const bool isJoined = std::find(joined.begin(), joined.end(), field) != joined.end();
        bool own = false, known = false;
        for (const ExpectedRecord* row : rows) {
            const auto want = row->fields.find(field);
            if (want == row->fields.end()) continue;
            known = true;
            own = own || sameValue(field, text, want->second) || (isJoined && someOf(text, want->second));
        }
        if (known && !own) return false;
    }
    return true;
}

// Where a record's markers lie in the file: per row, each place as page:offset, the page's type
// byte (0d a table leaf, 05 an interior page, 0a/02 an index page) and "free" for a page on the
// free list.
std::string whereIs(const std::string& bytes, const std::vector<MarkerText>& markers, size_t first, size_t last,
                    int pageSize) {
    if (first == last || bytes.size() < 100) return " marker unknown";
    std::set<int64_t> freePages;  // page numbers from 1, as the free list names them
    auto word = [&](size_t at) {
        return at + 4 <= bytes.size() ? (uint32_t{static_cast<uint8_t>(bytes[at])} << 24) |
                                            (uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16) |
                                            (uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8) |
                                            uint32_t{static_cast<uint8_t>(bytes[at + 3])}
                                      : 0u;
    };
    const size_t pages = bytes.size() / static_cast<size_t>(pageSize);
    for (uint32_t trunk = word(32); trunk >= 1 && trunk <= pages && !freePages.count(trunk);) {
        freePages.insert(trunk);
        const size_t at = (trunk - 1) * static_cast<size_t>(pageSize);
        for (uint32_t k = 0; k < word(at + 4) && k < static_cast<uint32_t>(pageSize / 4 - 2); ++k)
            freePages.insert(word(at + 8 + 4 * k));
        trunk = word(at);
    }
    std::string where;
    for (size_t m = first; m < last; ++m) {
        if (m > first) where += " /";
        const size_t before = where.size();
        for (size_t at = findMarker(bytes, markers[m]); at != std::string::npos;
             at = findMarker(bytes, markers[m], at + 1)) {
            const size_t page = at / static_cast<size_t>(pageSize);
            char text[80];
            std::snprintf(text, sizeof text, " %zu:%zu(%02x%s%s)", page + 1, at % static_cast<size_t>(pageSize),
                          static_cast<uint8_t>(bytes[page * static_cast<size_t>(pageSize) + (page == 0 ? 100 : 0)]),
                          freePages.count(page + 1) ? " free" : "", word(32) == page + 1 ? " trunk" : "");
            where += text;
        }
        if (where.size() == before) where += " not in the file";
    }
    return where;
}

}  // namespace

Score measure(CarveKind kind, const carvefix::NaturalOptions& options, const std::string& folder, bool explain) {
    ::mkdir(folder.c_str(), 0700);
    const auto started = std::chrono::steady_clock::now();
    const carvefix::NaturalRows rows = carvefix::writeNaturalDatabase(folder, kind, options);
    const auto written = std::chrono::steady_clock::now();
    Score score = carveAndScore(kind, rows, options, folder, explain);
    score.writeSeconds = std::chrono::duration<double>(written - started).count();
    return score;
}

Score carveAndScore(CarveKind kind, const carvefix::NaturalRows& rows, const carvefix::NaturalOptions& options,
                    const std::string& folder, bool explain) {
    const auto written = std::chrono::steady_clock::now();
    PRBackupScanState state;
    state.currentNodeIsiOS6Version = static_cast<int>(options.ios) >= 6;
    state.bIOS7DeviceNode = options.ios == iosschema::Ios::v7;
    NSNotificationCenter nc;
    carve::CarveContext context(state, nc);
    context.log = [](const std::string&) {};
    carve::CarveCoverage coverage;
    context.coverage = [&](const carve::CarveCoverage& c) { coverage = c; };
    std::vector<ExpectedRecord> reported;
    int token = 0;
    postedNotice(kind).observe(nc, &token, [&](const NSNotification& n) {
        const auto record = n.objectAs<PRRecord>();
        reported.push_back(record ? recordOf(kind, *record) : ExpectedRecord{});
    });
    carve(kind, context, folder);
    nc.removeObserver(&token);
    const auto carved = std::chrono::steady_clock::now();

    // The rows are looked for in the file and in the log beside it, where there is one.
    std::string bytes, log;
    const std::string path = folder + "/" + carvefix::backupFileName(kind);
    files::readRegularFile(path, size_t{1} << 40, &bytes, nullptr);
    if (files::readRegularFile(path + "-wal", size_t{1} << 40, &log, nullptr)) bytes += log;
    Score score = scoreRecords(kind, rows, reported, bytes, options.pageSize, explain);
    score.carveSeconds = std::chrono::duration<double>(carved - written).count();
    score.coverage = coverage;
    return score;
}

Score carveFoldedAndScore(CarveKind kind, const carvefix::NaturalRows& rows, const carvefix::NaturalOptions& options,
                          const std::string& folder, bool explain) {
    const std::string folded = folder + "/folded", name = carvefix::backupFileName(kind);
    ::mkdir(folded.c_str(), 0700);
    for (const char* suffix : {"", "-wal"}) {
        std::error_code ignored;
        std::filesystem::remove(folded + "/" + name + suffix, ignored);
        std::filesystem::copy_file(folder + "/" + name + suffix, folded + "/" + name + suffix, ignored);
    }
    commitDB(folded + "/" + name);
    Score score = carveAndScore(kind, rows, options, folded, explain);
    std::error_code ignored;
    std::filesystem::remove_all(folded, ignored);
    return score;
}

Score scoreRecords(CarveKind kind, const carvefix::NaturalRows& rows, const std::vector<ExpectedRecord>& reported,
                   const std::string& bytes, int pageSize, bool explain) {
    std::unordered_multimap<std::string_view, size_t> deletedByKey;
    deletedByKey.reserve(rows.deleted.size());
    for (size_t i = 0; i < rows.deleted.size(); ++i) deletedByKey.emplace(rows.deleted[i].key, i);
    const std::unordered_set<std::string_view> liveKeys(rows.liveKeys.begin(), rows.liveKeys.end());
    // Each version of the live rows that were edited, by its key.
    std::unordered_multimap<std::string_view, const ExpectedRecord*> editedByKey;
    for (const std::vector<ExpectedRecord>& versions : rows.edited)
        for (const ExpectedRecord& version : versions) editedByKey.emplace(version.key, &version);
    const std::vector<std::string> joined = carvefix::joinedFields(kind);

    Score score;
    score.deleted = static_cast<int>(rows.deleted.size());
    score.reported = static_cast<int>(reported.size());
    // Per deleted row: whether a record of it came, and whether with every joined value.
    enum class Came : uint8_t { no, partly, whole };
    std::vector<Came> came(rows.deleted.size(), Came::no);
    std::vector<bool> cameInPart(rows.deleted.size(), false);  // as a record marked partial
    std::vector<const ExpectedRecord*> cameAs(rows.deleted.size(), nullptr);
    auto fieldsText = [](const ExpectedRecord& r) {
        std::string text;
        for (const auto& [name, value] : r.fields) text += " " + name + "=" + value;
        return text;
    };
    // A record marked partial may name its row by the start of it (a text cut short where the
    // row's overflow chain broke): the rows by their names, in order, to find those it starts.
    std::vector<std::pair<std::string_view, size_t>> deletedInOrder;
    for (size_t i = 0; i < rows.deleted.size(); ++i) deletedInOrder.emplace_back(rows.deleted[i].key, i);
    std::sort(deletedInOrder.begin(), deletedInOrder.end());
    std::unordered_multimap<std::string_view, size_t> started;
    for (const ExpectedRecord& r : reported) {
        auto range = deletedByKey.equal_range(r.key);
        if (range.first == range.second && r.partial && !r.key.empty()) {
            started.clear();
            for (auto it = std::lower_bound(deletedInOrder.begin(), deletedInOrder.end(),
                                            std::pair<std::string_view, size_t>(r.key, 0));
                 it != deletedInOrder.end() && it->first.substr(0, r.key.size()) == r.key; ++it)
                started.emplace(r.key, it->second);
            range = started.equal_range(r.key);
        }
        bool matched = false, joinWrong = false, ownFitsDeleted = false;
        for (auto it = range.first; it != range.second && !matched; ++it) {
            const ExpectedRecord& want = rows.deleted[it->second];
            bool ownOk = true, joinOk = true, joinEmpty = false;
            for (const auto& [field, value] : want.fields) {
                const bool isJoined = std::find(joined.begin(), joined.end(), field) != joined.end();
                auto got = r.fields.find(field);
                const std::string text = got == r.fields.end() ? std::string() : got->second;
                if (r.partial && text.empty()) continue;  // a value it says it lost
                if (!isJoined)
                    ownOk = ownOk && sameValue(field, text, value);
                else if ((text.empty() && !value.empty()) || (!sameValue(field, text, value) && someOf(text, value)))
                    joinEmpty = true;
                else
                    joinOk = joinOk && sameValue(field, text, value);
            }
            ownFitsDeleted = ownFitsDeleted || ownOk;
            if (ownOk && joinOk && came[it->second] == Came::no) {
                came[it->second] = joinEmpty ? Came::partly : Came::whole;
                cameAs[it->second] = &r;
                cameInPart[it->second] = r.partial;
                matched = true;
            } else if (ownOk && !joinOk) {
                joinWrong = true;
            }
        }
        if (matched) continue;
        // The rows the record names, the versions of an edited live row included: a value none of
        // them had came from another row (or from no row at all).
        std::vector<const ExpectedRecord*> named;
        for (auto it = range.first; it != range.second; ++it) named.push_back(&rows.deleted[it->second]);
        for (auto [it, end] = editedByKey.equal_range(r.key); it != end; ++it) named.push_back(it->second);
        const bool othersValue = !named.empty() && !valuesAmong(r, named, joined);
        if (othersValue) ++score.othersValues;
        // A live row's key: an earlier copy of it, unless it has the values of a deleted row of that
        // key (a note titled as others are).
        const char* counted = "garbage";
        if (liveKeys.count(r.key) && !ownFitsDeleted) {
            ++score.liveAsDeleted;
            counted = "live-as-del";
        } else if (joinWrong) {
            ++score.wrongJoins;
            counted = "wrong-join";
        } else {
            ++score.garbage;
        }
        if (explain) {
            std::fprintf(stderr, "%s: wrong record (%s%s) %s |%s\n", carvefix::kindName(kind), counted,
                         othersValue ? ", others-value" : "", r.key.c_str(), fieldsText(r).c_str());
            for (auto it = range.first; it != range.second; ++it)
                std::fprintf(stderr, "%s:   the deleted row has%s\n", carvefix::kindName(kind),
                             fieldsText(rows.deleted[it->second]).c_str());
            for (auto [it, end] = editedByKey.equal_range(r.key); it != end; ++it)
                std::fprintf(stderr, "%s:   a live row's version has%s\n", carvefix::kindName(kind),
                             fieldsText(*it->second).c_str());
        }
    }
    // The live keys hold the earlier names of edited rows too.
    int64_t renamed = 0;
    for (const std::vector<ExpectedRecord>& versions : rows.edited)
        for (size_t v = 1; v < versions.size(); ++v) renamed += versions[v].key != versions[v - 1].key;
    score.rows = static_cast<int64_t>(rows.liveKeys.size() + rows.deleted.size()) - renamed;
    score.fileBytes = static_cast<int64_t>(bytes.size());
    // A record is still in the file while each of its rows is.
    std::vector<MarkerText> markers;
    std::vector<size_t> firstMarker;
    for (const ExpectedRecord& r : rows.deleted) {
        firstMarker.push_back(markers.size());
        for (const carvefix::Marker& m : r.markers) markers.push_back({m.text, m.numbered, m.mayBeSplit});
    }
    firstMarker.push_back(markers.size());
    // A stretch of a long value may lie split at a page's end: looked for in parts only where most
    // of its record is found (a row gone from the file has all its stretches missing).
    std::vector<bool> found = markersFound(bytes, markers, false);
    std::vector<MarkerText> again;
    std::vector<size_t> againOf;
    for (size_t i = 0; i + 1 < firstMarker.size(); ++i) {
        size_t missing = 0;
        for (size_t m = firstMarker[i]; m < firstMarker[i + 1]; ++m) missing += !found[m];
        if (missing == 0 || 2 * missing > firstMarker[i + 1] - firstMarker[i]) continue;
        for (size_t m = firstMarker[i]; m < firstMarker[i + 1]; ++m)
            if (!found[m] && markers[m].mayBeSplit) {
                again.push_back(markers[m]);
                againOf.push_back(m);
            }
    }
    const std::vector<bool> foundSplit = markersFound(bytes, again);
    for (size_t k = 0; k < again.size(); ++k) found[againOf[k]] = foundSplit[k];
    // A page may end within a gram or two of a stretch's end, too near for its parts to be told
    // apart from other rows' bytes: the stretch is then in the file when the stretches beside it
    // are, which overlap it by half each and so hold every byte of it.
    const std::vector<bool> foundAlone = found;
    for (size_t i = 0; i + 1 < firstMarker.size(); ++i)
        for (size_t m = firstMarker[i]; m < firstMarker[i + 1]; ++m) {
            if (foundAlone[m] || !markers[m].mayBeSplit) continue;
            const bool before = m > firstMarker[i] && markers[m - 1].mayBeSplit;
            const bool after = m + 1 < firstMarker[i + 1] && markers[m + 1].mayBeSplit;
            found[m] = (before || after) && (!before || foundAlone[m - 1]) && (!after || foundAlone[m + 1]);
        }
    int shown = 0;
    for (size_t i = 0; i < came.size(); ++i) {
        bool inFile = true;
        for (size_t m = firstMarker[i]; m < firstMarker[i + 1]; ++m) inFile = inFile && found[m];
        // A row that came in part was in the file, though a later write took some of its bytes.
        score.recoverable += inFile || cameInPart[i] ? 1 : 0;
        score.recovered += came[i] == Came::whole ? 1 : 0;
        if (const char* habit = rows.deleted[i].habit; habit && (inFile || cameInPart[i])) {
            Score::Habit& h = score.habits[habit];
            ++h.recoverable;
            h.recovered += came[i] == Came::whole ? 1 : 0;
        }
        score.partial += came[i] == Came::whole && cameInPart[i] ? 1 : 0;
        score.joinMissing += came[i] == Came::partly ? 1 : 0;
        score.joinMissingInFile += came[i] == Came::partly && inFile ? 1 : 0;
        if (came[i] == Came::whole && !inFile && !cameInPart[i] && explain) {
            // The row's markers are then wrong: the row came whole, so its bytes are in the file.
            std::string missing;
            for (size_t m = firstMarker[i]; m < firstMarker[i + 1]; ++m)
                if (!found[m]) missing += " [" + std::string(markers[m].text) + "]";
            std::fprintf(stderr, "%s: came though a marker is not in the file %s |%s\n", carvefix::kindName(kind),
                         rows.deleted[i].key.c_str(), missing.c_str());
        }
        if (came[i] != Came::whole && explain) {
            // Each place is a search of the whole file: a large file's misses are only named.
            constexpr int kPlacesShown = 200;
            const bool show = inFile && ++shown <= kPlacesShown;
            std::fprintf(stderr, "%s: %s %s |%s\n", carvefix::kindName(kind),
                         came[i] == Came::partly ? "partly joined" : "missed", rows.deleted[i].key.c_str(),
                         !inFile ? " gone from the file"
                         : show  ? whereIs(bytes, markers, firstMarker[i], firstMarker[i + 1], pageSize).c_str()
                                 : "");
            if (came[i] == Came::partly)
                std::fprintf(stderr, "%s:   came with%s\n%s:   the deleted row has%s\n", carvefix::kindName(kind),
                             fieldsText(*cameAs[i]).c_str(), carvefix::kindName(kind),
                             fieldsText(rows.deleted[i]).c_str());
        }
    }
    return score;
}

}  // namespace carvequality
