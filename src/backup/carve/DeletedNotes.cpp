#include "backup/carve/DeletedNotes.h"

#include "backup/NoteBodyText.h"
#include "backup/carve/CarvedRowid.h"
#include "backup/carve/PairRows.h"
#include "platform/WordHash.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace carve {

namespace {

// The letters of a text, without its blanks and line ends; its first limit ones.
std::string letters(std::string_view text, size_t limit) {
    std::string out;
    for (size_t i = 0; i < text.size() && out.size() < limit; ++i)
        if (text[i] != ' ' && text[i] != '\n' && text[i] != '\t' && text[i] != '\r') out += text[i];
    return out;
}

// Whether a body's text holds something to read and nothing a user never types (control
// characters besides line ends and tabs).
bool readable(std::string_view html) {
    const std::string text = backuptext::noteBodyText(html);
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r') return false;
    return !backuptext::titleFromBodyText(text).empty();
}

// A summary is cut at a length, inside a tag or a character reference as it may be: what is
// left of one at its end is no text.
std::string_view withoutCutMarkup(std::string_view summary) {
    const size_t tag = summary.rfind('<');
    if (tag != std::string_view::npos && summary.find('>', tag) == std::string_view::npos)
        summary = summary.substr(0, tag);
    const size_t reference = summary.rfind('&');
    if (reference != std::string_view::npos && summary.size() - reference < 10 &&
        summary.find(';', reference) == std::string_view::npos)
        summary = summary.substr(0, reference);
    return summary;
}

// Where a row stands among its table's rows by id: its own, or the id before it on its page.
int64_t idOrder(const CarvedRecord& row) { return row.rowidKnown ? row.rowid : row.rowidBefore; }

// The older layout: a body names its note's row id. A note whose id was read takes the body
// that names it; one whose id was lost takes the bodies whose note id its neighbours allow,
// where they all name one note. Of several bodies of one note (an edit replaces the body row),
// the latest.
std::vector<int> pairByNoteId(const NoteRows& rows, const std::function<bool(size_t, size_t)>& fits) {
    std::vector<int> partner(rows.notes.size(), -1);
    std::vector<std::pair<int64_t, int>> byOwner;  // (note id named, body)
    for (size_t b = 0; b < rows.bodies.size(); ++b)
        if (rows.bodies[b].owner > 0) byOwner.emplace_back(rows.bodies[b].owner, static_cast<int>(b));
    std::sort(byOwner.begin(), byOwner.end());
    std::vector<bool> taken(rows.bodies.size(), false);
    auto latest = [&](size_t note, int64_t owner) {
        int best = -1;
        for (auto it = std::lower_bound(byOwner.begin(), byOwner.end(), std::make_pair(owner, INT_MIN));
             it != byOwner.end() && it->first == owner; ++it) {
            const size_t b = static_cast<size_t>(it->second);
            if (taken[b] || !fits(note, b)) continue;
            if (best < 0 || idOrder(*rows.bodies[b].row) > idOrder(*rows.bodies[static_cast<size_t>(best)].row))
                best = it->second;
        }
        return best;
    };
    auto take = [&](size_t note, int body) {
        if (body < 0) return;
        partner[note] = body;
        taken[static_cast<size_t>(body)] = true;
    };
    for (size_t n = 0; n < rows.notes.size(); ++n)
        if (const auto id = onlyRowid(*rows.notes[n].row)) take(n, latest(n, *id));
    // A row with no neighbour after it allows every id above: past this many bodies its pairing
    // is left open. (The older layout's files are small: a phone of its time kept a few thousand
    // notes at most.)
    constexpr size_t kMostLooked = size_t(1) << 14;
    for (size_t n = 0; n < rows.notes.size(); ++n) {
        const CarvedRecord& row = *rows.notes[n].row;
        if (onlyRowid(row)) continue;
        const auto [shortest, longest] = tailRange(row);
        const int64_t lowest = std::max<int64_t>(std::max<int64_t>(row.rowidBefore, 0) + 1, shortest);
        const int64_t highest = std::min(row.rowidAfter == 0 ? INT64_MAX : row.rowidAfter - 1, longest);
        int64_t owner = 0;
        bool several = false;
        size_t looked = 0;
        for (auto it = std::lower_bound(byOwner.begin(), byOwner.end(), std::make_pair(lowest, INT_MIN));
             it != byOwner.end() && it->first <= highest && !several && ++looked < kMostLooked; ++it) {
            const size_t b = static_cast<size_t>(it->second);
            if (taken[b] || !admitsRowid(row, it->first) || !fits(n, b)) continue;
            several = owner != 0 && owner != it->first;
            owner = it->first;
        }
        if (owner != 0 && !several && looked < kMostLooked) take(n, latest(n, owner));
    }
    return partner;
}

}  // namespace

uint64_t identityKey(std::string_view identity) {
    WordHash h;
    h.word(identity.size());
    h.mix(identity.data(), identity.size());
    return h.h;
}

std::vector<DeletedNote> deletedNotes(const NoteRows& rows) {
    const size_t noteCount = rows.notes.size(), bodyCount = rows.bodies.size();
    // The summary is the start of the body's text: a body that does not hold it is another
    // note's. They are compared as the user reads them (a summary may hold markup too), without
    // blanks, and worked out once for each row (a row meets many others).
    // Notes of one subject often begin alike ("Meeting with the bank about"): as many letters
    // as a summary keeps are compared, up to a few lines' worth.
    constexpr size_t kLettersCompared = 64;
    std::vector<std::optional<std::string>> summaries(noteCount), bodyStarts(bodyCount);
    const std::unordered_set<int64_t> live(rows.liveNoteIds.begin(), rows.liveNoteIds.end());
    auto fits = [&](size_t note, size_t body) {
        // A body that names a live note is that note's (an earlier version of it): a deleted
        // note whose id was lost never takes it, nor that note's id with it.
        if (const int64_t owner = rows.bodies[body].owner; owner > 0 && live.count(owner)) return false;
        std::optional<std::string>& summary = summaries[note];
        if (!summary)
            summary = letters(backuptext::noteBodyText(withoutCutMarkup(rows.notes[note].summary)), kLettersCompared);
        if (summary->empty()) return true;
        std::optional<std::string>& start = bodyStarts[body];
        // Enough of the body for its first letters, whatever markup they lie in.
        if (!start)
            start = letters(backuptext::noteBodyText(rows.bodies[body].content.substr(0, 1024)), kLettersCompared);
        return start->compare(0, summary->size(), *summary) == 0;
    };
    std::vector<int> partner;
    if (rows.notesNameBodies) {
        std::vector<const CarvedRecord*> notes, bodies;
        std::vector<int64_t> bodyNamed, ownerNamed;
        for (const NoteRows::Note& n : rows.notes) {
            notes.push_back(n.row);
            bodyNamed.push_back(n.bodyNamed);
        }
        for (const NoteRows::Body& b : rows.bodies) {
            bodies.push_back(b.row);
            ownerNamed.push_back(b.owner);
        }
        partner = pairRows(notes, bodyNamed, bodies, ownerNamed, fits);
    } else {
        partner = pairByNoteId(rows, fits);
    }

    const std::unordered_set<uint64_t> liveIdentities(rows.liveIdentities.begin(), rows.liveIdentities.end());
    // One title row per note, told by its id or by its identity: the latest version, with its
    // body where two are as late.
    std::vector<int64_t> ids(noteCount, 0);
    std::vector<bool> kept(noteCount, true);
    std::unordered_map<int64_t, size_t> byId;
    std::unordered_map<std::string_view, size_t> byIdentity;
    // Of two title rows of one note, the later version stays, and keeps the id either was read with.
    auto keepLater = [&](size_t& held, size_t n) {
        const bool later =
            rows.notes[n].modified > rows.notes[held].modified ||
            (rows.notes[n].modified == rows.notes[held].modified && partner[n] >= 0 && partner[held] < 0);
        const size_t stays = later ? n : held, goes = later ? held : n;
        kept[goes] = false;
        if (ids[stays] <= 0) ids[stays] = ids[goes];
        held = stays;
    };
    for (size_t n = 0; n < noteCount; ++n) {
        // A title row that lost its id has the one its body names: the pair agrees on it.
        ids[n] = onlyRowid(*rows.notes[n].row)
                     .value_or(partner[n] >= 0 ? rows.bodies[static_cast<size_t>(partner[n])].owner : 0);
        const std::string_view identity = rows.notes[n].identity;
        if ((ids[n] > 0 && live.count(ids[n])) || (!identity.empty() && liveIdentities.count(identityKey(identity)))) {
            kept[n] = false;
            continue;
        }
        if (identity.empty()) continue;
        auto [it, fresh] = byIdentity.emplace(identity, n);
        if (!fresh) keepLater(it->second, n);
    }
    for (size_t n = 0; n < noteCount; ++n) {
        if (!kept[n] || ids[n] <= 0) continue;
        auto [it, fresh] = byId.emplace(ids[n], n);
        if (!fresh) keepLater(it->second, n);
    }
    // A body paired with any title row is spoken for, an earlier version's included.
    std::vector<bool> taken(bodyCount, false);
    for (size_t n = 0; n < noteCount; ++n)
        if (partner[n] >= 0) taken[static_cast<size_t>(partner[n])] = true;

    // The bodies left, the latest of each note first. A body alone is a note only where it names
    // an id a note can have (none past the notes the file knows by more than there are bodies)
    // and holds text a user can read: a two-column row fits many stretches of other bytes.
    int64_t highestId = 0;
    for (const int64_t id : rows.liveNoteIds) highestId = std::max(highestId, id);
    for (const int64_t id : ids) highestId = std::max(highestId, id);
    for (const NoteRows::Body& b : rows.bodies)
        if (b.live) highestId = std::max(highestId, b.owner);
    const int64_t highestOwner = highestId + static_cast<int64_t>(bodyCount) + 64;
    std::vector<size_t> alone;
    for (size_t b = 0; b < bodyCount; ++b)
        if (!taken[b] && !rows.bodies[b].live && rows.bodies[b].owner <= highestOwner &&
            readable(rows.bodies[b].content))
            alone.push_back(b);
    std::sort(alone.begin(), alone.end(), [&](size_t x, size_t y) {
        const NoteRows::Body &a = rows.bodies[x], &b = rows.bodies[y];
        if (a.owner != b.owner) return a.owner < b.owner;
        return idOrder(*a.row) > idOrder(*b.row);
    });
    // Title rows kept that lost their ids, by the id before them on their page: a body whose
    // note is not listed by its id may be theirs.
    std::vector<std::pair<int64_t, size_t>> idless;
    for (size_t n = 0; n < noteCount; ++n)
        if (kept[n] && ids[n] <= 0) idless.emplace_back(std::max<int64_t>(rows.notes[n].row->rowidBefore, 0), n);
    std::sort(idless.begin(), idless.end());
    // The one such row whose neighbours allow the id, or none.
    auto idlessNote = [&](int64_t id) -> std::optional<size_t> {
        // The rows whose neighbour before lies near below the id, the nearest first: a row whose
        // neighbour is far off is no candidate, and too many near ones leave it open.
        constexpr int64_t kNear = 4096;
        constexpr size_t kMostLooked = 256;
        std::optional<size_t> only;
        size_t looked = 0;
        for (auto it = std::lower_bound(idless.begin(), idless.end(), std::make_pair(id, size_t{0}));
             it != idless.begin() && std::prev(it)->first >= id - kNear;) {
            if (++looked > kMostLooked) return std::nullopt;
            --it;
            if (!kept[it->second] || ids[it->second] > 0 || !admitsRowid(*rows.notes[it->second].row, id)) continue;
            if (only) return std::nullopt;
            only = it->second;
        }
        return only;
    };
    std::vector<size_t> bodiesAlone;
    std::unordered_set<int64_t> ownersListed;
    for (size_t b : alone) {
        const int64_t owner = rows.bodies[b].owner;
        if (owner > 0) {
            if (live.count(owner)) continue;  // an earlier body of a live note
            auto note = byId.find(owner);
            if (note == byId.end()) {
                // A title row whose id was lost may be this note's: then one of the two is
                // listed, never both.
                if (const auto n = idlessNote(owner)) {
                    ids[*n] = owner;
                    note = byId.emplace(owner, *n).first;
                    // Of two versions of a note, the later: a body written after the one the
                    // title row names replaced it.
                    const int64_t named = rows.notes[*n].bodyNamed;
                    const bool bodyLater = partner[*n] < 0 && !fits(*n, b) && rows.notesNameBodies &&
                                           rows.bodies[b].row->rowidKnown && named > 0 &&
                                           rows.bodies[b].row->rowid > named;
                    if (bodyLater) {
                        kept[*n] = false;
                        byId.erase(note);
                        ownersListed.insert(owner);
                        bodiesAlone.push_back(b);
                        continue;
                    }
                }
            }
            if (note != byId.end()) {
                // The body names a listed note: its own where that note has none and it fits,
                // else an earlier one.
                const size_t n = note->second;
                if (partner[n] < 0 && fits(n, b)) partner[n] = static_cast<int>(b);
                continue;
            }
            if (!ownersListed.insert(owner).second) continue;  // an earlier body of one listed
        }
        bodiesAlone.push_back(b);
    }
    std::sort(bodiesAlone.begin(), bodiesAlone.end());

    std::vector<DeletedNote> listed;
    for (size_t n = 0; n < noteCount; ++n)
        if (kept[n])
            listed.push_back({static_cast<int>(n), partner[n], ids[n], partner[n] < 0 && rows.notes[n].bodyNamed > 0});
    for (size_t b : bodiesAlone)
        listed.push_back({-1, static_cast<int>(b), std::max<int64_t>(rows.bodies[b].owner, 0), true});
    return listed;
}

}  // namespace carve
