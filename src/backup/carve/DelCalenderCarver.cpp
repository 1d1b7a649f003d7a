#include "backup/carve/DelCalenderCarver.h"

#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/CarvedRowid.h"
#include "backup/carve/FileShapes.h"
#include "backup/carve/PairRows.h"
#include "model/EventDateText.h"
#include "model/PRCalenderNode.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <optional>
#include <span>
#include <tuple>
#include <unordered_map>

namespace carve {

namespace {

// The events of iOS 4 (Event, its place a text of its own) and the items of iOS 5 and later
// (CalendarItem, whose location_id names its place in Location, whose item_owner_id names the
// item back; iOS 6 added eleven columns at the end). An event keeps its start and end as
// seconds from 2001, all_day set for one that takes whole days, floating in every zone.
enum EventColumn : size_t { kSummary, kDescription, kStart, kStartZone, kEnd, kAllDay, kPlace };
const KnownTable kEventTable{"Event",
                             {
                                 {"summary", ColumnKind::text, kRead | kNeeded | kEditTells},
                                 {"description", ColumnKind::text, kRead},
                                 {"start_date", ColumnKind::real, kRead | kNeeded | kEditTells},
                                 {"start_tz", ColumnKind::text, kRead},
                                 {"end_date", ColumnKind::real, kRead | kNeeded | kEditTells},
                                 {"all_day", ColumnKind::integer, kReadIfThere},
                                 {"location", ColumnKind::text, kRead | kNeeded},
                                 {"calendar_id", ColumnKind::integer},
                                 {"orig_event_id", ColumnKind::integer},
                                 {"orig_start_date", ColumnKind::integer},
                                 {"organizer_id", ColumnKind::integer},
                                 {"organizer_is_self", ColumnKind::integer},
                                 {"organizer_external_id", ColumnKind::text},
                                 {"self_attendee_status", ColumnKind::integer},
                                 {"status", ColumnKind::integer},
                                 {"availability", ColumnKind::integer},
                                 {"privacy_level", ColumnKind::integer},
                                 {"url", ColumnKind::text},
                                 {"last_modified", ColumnKind::integer},
                                 {"sequence_num", ColumnKind::integer},
                                 {"birthday_id", ColumnKind::integer},
                                 {"modified_properties", ColumnKind::integer},
                                 {"external_tracking_status", ColumnKind::integer},
                                 {"external_id", ColumnKind::text},
                                 {"external_mod_tag", ColumnKind::text},
                                 {"unique_identifier", ColumnKind::text, kUnique},
                                 {"external_schedule_id", ColumnKind::text},
                                 {"external_rep", ColumnKind::blob},
                                 {"response_comment", ColumnKind::text},
                                 {"hidden", ColumnKind::integer},
                                 {"has_recurrences", ColumnKind::integer},
                                 {"has_attendees", ColumnKind::integer},
                             },
                             LiveRows::none,
                             // Files older than iOS 4 ended the table there.
                             {"hidden"}};
const KnownTable kItemTable{"CalendarItem",
                            {
                                {"summary", ColumnKind::text, kRead | kNeeded | kEditTells},
                                {"description", ColumnKind::text, kRead},
                                {"start_date", ColumnKind::real, kRead | kNeeded | kEditTells},
                                {"start_tz", ColumnKind::text, kRead},
                                {"end_date", ColumnKind::real, kRead | kNeeded | kEditTells},
                                {"all_day", ColumnKind::integer, kReadIfThere},
                                {"location_id", ColumnKind::integer, kRead | kNeeded},
                                {"calendar_id", ColumnKind::integer},
                                {"orig_item_id", ColumnKind::integer},
                                {"orig_date", ColumnKind::real},
                                {"organizer_id", ColumnKind::integer},
                                {"self_attendee_id", ColumnKind::integer},
                                {"status", ColumnKind::integer},
                                {"invitation_status", ColumnKind::integer},
                                {"availability", ColumnKind::integer},
                                {"privacy_level", ColumnKind::integer},
                                {"url", ColumnKind::text},
                                {"last_modified", ColumnKind::real},
                                {"sequence_num", ColumnKind::integer},
                                {"birthday_id", ColumnKind::integer},
                                {"modified_properties", ColumnKind::integer},
                                {"external_tracking_status", ColumnKind::integer},
                                {"external_id", ColumnKind::text},
                                {"external_mod_tag", ColumnKind::text},
                                {"unique_identifier", ColumnKind::text},
                                {"external_schedule_id", ColumnKind::text},
                                {"external_rep", ColumnKind::blob},
                                {"response_comment", ColumnKind::text},
                                {"hidden", ColumnKind::integer},
                                {"has_recurrences", ColumnKind::integer},
                                {"has_attendees", ColumnKind::integer},
                                {"UUID", ColumnKind::text, kUnique},
                                {"entity_type", ColumnKind::integer},
                                {"priority", ColumnKind::integer},
                                {"due_date", ColumnKind::real},
                                {"due_tz", ColumnKind::text},
                                {"due_all_day", ColumnKind::integer},
                                {"completion_date", ColumnKind::real},
                                {"creation_date", ColumnKind::real},
                                {"conference", ColumnKind::text},
                                {"display_order", ColumnKind::integer},
                                {"created_by_id", ColumnKind::integer},
                                {"modified_by_id", ColumnKind::integer},
                                {"shared_item_created_date", ColumnKind::real},
                                {"shared_item_created_tz", ColumnKind::text},
                                {"shared_item_modified_date", ColumnKind::real},
                                {"shared_item_modified_tz", ColumnKind::text},
                                {"invitation_changed_properties", ColumnKind::integer},
                                {"default_alarm_removed", ColumnKind::integer},
                                {"phantom_master", ColumnKind::integer},
                            }};
enum PlaceColumn : size_t { kTitle, kOwner };
const KnownTable kPlaceTable{"Location",
                             {
                                 {"title", ColumnKind::text, kRead | kNeeded},
                                 {"item_owner_id", ColumnKind::integer, kRead | kNeeded},
                                 {"latitude", ColumnKind::real},
                                 {"longitude", ColumnKind::real},
                                 {"address_book_id", ColumnKind::text},
                                 {"radius", ColumnKind::real},
                                 {"alarm_owner_id", ColumnKind::integer},
                             },
                             LiveRows::values};

// Seconds from 2001 of 1990-01-01: no event of a phone starts or ends before.
constexpr int64_t kEarliest = -346723200;

bool plausible(const CarvedValue& date, int64_t latest) {
    if (date.isNull()) return true;
    if (date.type != CarvedValue::integerValue && date.type != CarvedValue::realValue) return false;
    // Events are planned ahead: up to ten years past the latest time the other rows may hold.
    constexpr int64_t kAhead = 10 * 365 * 86400;
    return date.asReal() >= kEarliest && date.asReal() < static_cast<double>(latest + kAhead - kSince2001);
}

// Whether r may have id x, which the order rows were written in puts between low and high (both
// left out): what is left of its id's bytes must allow it, and so must the rows around it on its
// page where they leave it an id there at all (where they leave none, the page's rows were not in
// the order they seemed, and its id or bounds were guessed from them wrongly).
bool admitsInOrder(const CarvedRecord& r, int64_t x, int64_t low, int64_t high) {
    if (!tailAdmits(r, x)) return false;
    const bool pageAgrees =
        r.rowidKnown ? low < r.rowid && r.rowid < high
                     : std::max(r.rowidBefore, low) + 1 < std::min(r.rowidAfter == 0 ? INT64_MAX : r.rowidAfter, high);
    return !pageAgrees || admitsRowid(r, x);
}

// Items and places that their ids left unpaired, paired by the order they were written in: each
// place is written with its item, so where the live places' ids rise with the ids of the items
// they name, the places between two live ones (by id) belong to the items between those live
// places' items, in the same order; such a stretch is paired on its own.
class PairsInOrder {
public:
    // items: the deleted items that name a place (itemPlaces: the place each names), partner
    // their places (indexes of places, -1 for none), which this fills in; places: the deleted
    // places, then the live ones (placeOwners: the item each names).
    PairsInOrder(const std::vector<const CarvedRecord*>& items, std::span<const int64_t> itemPlaces,
                 const std::vector<const CarvedRecord*>& places, std::span<const int64_t> placeOwners,
                 size_t deletedPlaces, std::vector<int>& partner)
        : items_(items), places_(places), named_(itemPlaces), owners_(placeOwners), partner_(partner) {
        if (items.empty()) return;
        for (size_t b = deletedPlaces; b < places.size(); ++b)
            if (owner(b) > 0) live_.emplace_back(places[b]->rowid, owner(b));
        std::sort(live_.begin(), live_.end());
        for (size_t k = 1; k < live_.size(); ++k)
            if (live_[k - 1].second >= live_[k].second) return;
        // Every row that lies in a stretch, by stretch, then kind, then the id it names.
        std::vector<bool> placeTaken(places.size(), false);
        for (size_t i = 0; i < items.size(); ++i)
            if (partner[i] >= 0) placeTaken[static_cast<size_t>(partner[i])] = true;
        std::vector<Member> members;
        for (size_t i = 0; i < items.size(); ++i)
            if (const auto after = stretchOf(named(i), false); after && partner[i] < 0)
                members.push_back({*after, Member::item, named(i), i});
        for (size_t b = 0; b < deletedPlaces; ++b)
            if (const auto after = stretchOf(owner(b), true))
                members.push_back({*after, placeTaken[b] ? Member::pairedPlace : Member::place, owner(b), b});
        std::sort(members.begin(), members.end());
        for (auto from = members.begin(); from != members.end();) {
            const auto to = std::find_if(from, members.end(), [&](const Member& m) { return m.after != from->after; });
            pair(std::span<const Member>(&*from, static_cast<size_t>(to - from)));
            from = to;
        }
    }

private:
    struct Member {
        size_t after;  // the index of the live place that ends its stretch
        enum Kind : uint8_t { item, place, pairedPlace } kind;
        int64_t named;  // the id it names: an item its place's, a place its item's
        size_t index;   // in items or places
        bool operator<(const Member& o) const {
            return std::tie(after, kind, named, index) < std::tie(o.after, o.kind, o.named, o.index);
        }
    };

    int64_t owner(size_t b) const { return owners_[b]; }
    int64_t named(size_t i) const { return named_[i]; }

    // The index of the live place that ends the stretch an id lies in (a place's, or with byItem
    // an item's); none before the first live place or after the last.
    std::optional<size_t> stretchOf(int64_t id, bool byItem) const {
        const auto next = std::upper_bound(live_.begin(), live_.end(), id, [byItem](int64_t x, const auto& p) {
            return x < (byItem ? p.second : p.first);
        });
        const auto after = static_cast<size_t>(next - live_.begin());
        return after == 0 || after == live_.size() ? std::optional<size_t>() : after;
    }

    // The rows of one stretch, items first (by the place they name), then its places.
    void pair(std::span<const Member> stretch) {
        const auto firstPlaceAt =
            std::find_if(stretch.begin(), stretch.end(), [](const Member& m) { return m.kind != Member::item; });
        const std::span<const Member> items(stretch.begin(), firstPlaceAt);
        if (items.empty()) return;
        const auto [firstPlace, firstItem] = live_[stretch.front().after - 1];
        const auto [endPlace, endItem] = live_[stretch.front().after];
        // The items every deleted place there names, paired or not. Two places that name the
        // same item are copies of one, or the stretch keeps no order.
        std::vector<int64_t> owners;
        for (auto m = firstPlaceAt; m != stretch.end(); ++m) owners.push_back(m->named);
        std::sort(owners.begin(), owners.end());
        if (std::adjacent_find(owners.begin(), owners.end()) != owners.end()) return;
        // A place's id is the first place id of the stretch plus the number of places there
        // made before it: at least the places there that name earlier items, at most the item
        // ids before its item's. Where the two agree (every earlier item had its place, and
        // each is there), and so the same from the stretch's end, its id is certain, and so is
        // the item that names it.
        std::vector<std::pair<size_t, size_t>> pairs;  // (item, place)
        for (auto m = firstPlaceAt; m != stretch.end() && m->kind == Member::place; ++m) {
            const int64_t item = m->named;
            const auto rank = std::lower_bound(owners.begin(), owners.end(), item) - owners.begin();
            const auto fromEnd = static_cast<int64_t>(owners.size()) - rank - 1;
            std::optional<int64_t> id;
            if (rank == item - firstItem - 1)
                id = firstPlace + 1 + rank;
            else if (fromEnd == endItem - item - 1)
                id = endPlace - 1 - fromEnd;
            // Where every place id of the stretch has its place there, ranks among them do too.
            else if (static_cast<int64_t>(owners.size()) == endPlace - firstPlace - 1)
                id = firstPlace + 1 + rank;
            if (!id) continue;
            const auto naming = std::lower_bound(items.begin(), items.end(), *id,
                                                 [](const Member& a, int64_t x) { return a.named < x; });
            if (naming == items.end() || naming->named != *id) continue;
            if (admitsInOrder(*items_[naming->index], item, firstItem, endItem) &&
                admitsInOrder(*places_[m->index], *id, firstPlace, endPlace))
                pairs.emplace_back(naming->index, m->index);
        }
        // Two places given one id (counted from the start and from the end) say the stretch
        // keeps no order after all.
        std::sort(pairs.begin(), pairs.end());
        if (std::adjacent_find(pairs.begin(), pairs.end(),
                               [](const auto& a, const auto& b) { return a.first == b.first; }) != pairs.end())
            return;
        for (const auto& [item, place] : pairs) partner_[item] = static_cast<int>(place);
    }

    const std::vector<const CarvedRecord*>& items_;
    const std::vector<const CarvedRecord*>& places_;
    std::span<const int64_t> named_;   // per item, the place it names
    std::span<const int64_t> owners_;  // per place, the item it names
    std::vector<int>& partner_;
    std::vector<std::pair<int64_t, int64_t>> live_;  // (place id, item id), by place id
};
}  // namespace

void DelCalenderCarver::post(const CarvedRecord& item, const RowShape& shape, const std::string& place) {
    const CarvedValue &start = shape.value(item, kStart), &end = shape.value(item, kEnd);
    const std::string title = textOf(shape.value(item, kSummary));
    if (!plausible(start, latest_) || !plausible(end, latest_)) return;
    if (title.empty() && start.isNull()) return;
    auto node = std::make_shared<PRCalenderNode>();
    node->setCalTitle(title);
    node->setLocation(shape.known().table == kEventTable.table ? textOf(shape.value(item, kPlace)) : place);
    node->setCalNote(textOf(shape.value(item, kDescription)));
    // An all-day event is a day on its own clock, whatever the zone it is read in; a row whose
    // all_day a later cell took says nothing of it.
    auto time = [](const CarvedValue& v) { return v.isNull() ? std::nullopt : std::optional<int64_t>(v.asInteger()); };
    const CarvedValue& allDay = shape.value(item, kAllDay);
    const std::string zone = textOf(shape.value(item, kStartZone));
    // An event never ends before it starts (a phone refuses such times): an end before the start
    // holds bytes a later write put over the row's (a freed cell's head, whose next block's
    // offset is often zeros), not its own, and is left out. The start lies before it in the row,
    // further from the cells written after it.
    std::optional<int64_t> ends = time(end);
    if (const std::optional<int64_t> starts = time(start); starts && ends && *ends < *starts) ends.reset();
    PREventDateTexts dates = eventDateTexts(
        {time(start), ends, zone, allDay.isNull() ? std::nullopt : std::optional<bool>(allDay.asInteger() != 0)});
    node->setStartDate(std::move(dates.start));
    node->setEndDate(std::move(dates.end));
    notices::scanDelCalenderInfo.post(*context_.nc, node);
}

void DelCalenderCarver::ScanDelCalenderThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {backupkeys::calendar}, context_)) return;
    latest_ = db.latestTime();
    FileShapes shapes(db);
    const size_t eventGroup = shapes.add(kEventTable), itemGroup = shapes.add(kItemTable),
                 placeGroup = shapes.add(kPlaceTable);
    std::vector<CarvedTable> tables = carveRecords(db, shapes.shapes());
    shapes.report(tables);
    for (const FileShapes::Member& member : shapes.of(eventGroup))
        for (const CarvedRecord& event : tables[member.index].deleted) post(event, *member.shape, {});
    // An item names its place in location_id, the place its item in item_owner_id: deleted
    // together, they are paired where the row ids they could have allow one pairing. The
    // deleted places come first, then the live ones.
    std::vector<const CarvedRecord*> places;
    std::vector<const RowShape*> placeShapes;
    std::vector<int64_t> owners;
    size_t deletedPlaces = 0;
    for (const auto list : {&CarvedTable::deleted, &CarvedTable::live}) {
        for (const FileShapes::Member& member : shapes.of(placeGroup))
            for (const CarvedRecord& place : tables[member.index].*list) {
                places.push_back(&place);
                placeShapes.push_back(member.shape);
                owners.push_back(member.shape->value(place, kOwner).asInteger());
            }
        if (list == &CarvedTable::deleted) deletedPlaces = places.size();
    }
    // The live places by id, with the item each names: a place goes with its item (the
    // schema's trigger deletes an item's places with it), so a deleted item that names a live
    // place naming it back is that live item's earlier copy, left by an edit.
    std::unordered_map<int64_t, int64_t> livePlaceOwners;
    for (size_t b = deletedPlaces; b < places.size(); ++b) livePlaceOwners.emplace(places[b]->rowid, owners[b]);
    for (const FileShapes::Member& member : shapes.of(itemGroup)) {
        std::vector<const CarvedRecord*> placed;
        std::vector<int64_t> named;
        for (const CarvedRecord& item : tables[member.index].deleted) {
            const int64_t place = member.shape->value(item, kPlace).asInteger();
            if (place <= 0) {
                post(item, *member.shape, {});
                continue;
            }
            // An id read from the item's cell must be the live item's; one it lost, what is left
            // of its bytes must allow (the rows around an old copy are no bound of it).
            if (const auto live = livePlaceOwners.find(place);
                live != livePlaceOwners.end() &&
                (item.rowidKnown && !item.rowidInferred ? item.rowid == live->second : tailAdmits(item, live->second)))
                continue;
            placed.push_back(&item);
            named.push_back(place);
        }
        // Only where one of the two read its id from its cell and the other names it: an id the
        // rows around a row leave it may still be another's, whose partner is gone.
        auto certain = [&](size_t i, size_t b) {
            auto read = [](const CarvedRecord& r) { return r.rowidKnown && !r.rowidInferred; };
            return (read(*placed[i]) && placed[i]->rowid == owners[b]) ||
                   (read(*places[b]) && places[b]->rowid == named[i]);
        };
        const std::vector<const CarvedTable*> itemTables(placed.size(), &tables[member.index]);
        std::vector<int> partner = pairRows(placed, named, places, owners, certain, itemTables);
        PairsInOrder(placed, named, places, owners, deletedPlaces, partner);
        for (size_t i = 0; i < placed.size(); ++i) {
            const auto b = static_cast<size_t>(partner[i]);
            post(*placed[i], *member.shape,
                 partner[i] >= 0 ? textOf(placeShapes[b]->value(*places[b], kTitle)) : std::string());
        }
    }
    releaseTables(std::move(tables));
    postProgress(context_, 100);
}

}  // namespace carve
