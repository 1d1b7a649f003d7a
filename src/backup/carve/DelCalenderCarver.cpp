#include "backup/carve/DelCalenderCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "model/PRCalenderNode.h"
#include "model/PRRecordFields.h"

#include <algorithm>
#include <map>
#include <optional>

namespace carve {

namespace {
const std::string kPosted = "scanDelCalenderInfo";
const char* const kCalendar = "2041457d5fe04d39d0ab481178355df6781e6858";

// Event (iOS 4, with and without its last two columns), CalendarItem (iOS 5; iOS 6 and 7 add
// eleven columns at the end) and Location.
enum Shape { kEvent, kEventShort, kItem5, kItem6, kLocation };
constexpr size_t kPlace = 2;  // an item's location_id
constexpr size_t kOwner = 6;  // a place's item_owner_id
const std::vector<TableShape>& calendarShapes() {
    static const std::vector<TableShape> shapes = {
        shapeOf("ktttrtr|iiiiiitiiiitiiiiittt!tbtiii"),
        shapeOf("ktttrtr|iiiiiitiiiitiiiiittt!tbti"),
        shapeOf("ktitrtr|iiiriiiiiitriiiittttbtiiit!iirtirr"),
        shapeOf("ktitrtr|iiiriiiiiitriiiittttbtiiit!iirtirrtiiirtrtiii"),
        shapeOf("ktrrtri|i", LiveRows::values),
    };
    return shapes;
}

// Seconds from 2001 of 1990-01-01: no event of a phone starts or ends before.
constexpr int64_t kEarliest = -346723200;

bool plausible(const CarvedValue& date) {
    if (date.isNull()) return true;
    if (date.type != CarvedValue::integerValue && date.type != CarvedValue::realValue) return false;
    // Events are planned ahead: up to ten years past the latest time a phone's other rows hold.
    constexpr int64_t kAhead = 10 * 365 * 86400;
    return date.asReal() >= kEarliest &&
           date.asReal() < static_cast<double>(latestPlausibleTime() + kAhead - kSince2001);
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
// places' items, in the same order. Where as many deleted places name items between those as
// there are place ids between the live ones that no pair holds, each of those ids is one of
// theirs, in the order of the items they name: an item that names one pairs with its place.
void pairByOrder(const std::vector<const CarvedRecord*>& items, const std::vector<const CarvedRecord*>& places,
                 size_t deletedPlaces, const std::vector<CarvedRecord>& livePlaces, std::vector<int>& partner) {
    std::vector<std::pair<int64_t, int64_t>> live;  // (place id, item id), by place id
    for (const CarvedRecord& place : livePlaces) live.emplace_back(place.rowid, place.values[kOwner].asInteger());
    std::sort(live.begin(), live.end());
    for (size_t k = 1; k < live.size(); ++k)
        if (live[k - 1].second >= live[k].second) return;
    // Stretches by the index of the live place that ends them.
    struct Stretch {
        std::vector<size_t> items, places;  // unpaired, by index
        std::vector<int64_t> held;          // the place ids pairs already hold
    };
    std::map<size_t, Stretch> stretches;
    auto endOf = [&](int64_t id, bool byItem) {
        const auto next = std::upper_bound(live.begin(), live.end(), id, [byItem](int64_t x, const auto& p) {
            return x < (byItem ? p.second : p.first);
        });
        const auto after = static_cast<size_t>(next - live.begin());
        return after == 0 || after == live.size() ? std::optional<size_t>() : after;
    };
    std::vector<bool> placeTaken(places.size(), false);
    for (size_t i = 0; i < items.size(); ++i) {
        const int64_t named = items[i]->values[kPlace].asInteger();
        const auto after = endOf(named, false);
        if (!after) continue;
        if (partner[i] >= 0) {
            stretches[*after].held.push_back(named);
            placeTaken[static_cast<size_t>(partner[i])] = true;
        } else {
            stretches[*after].items.push_back(i);
        }
    }
    for (size_t b = 0; b < deletedPlaces; ++b)
        if (const auto after = endOf(places[b]->values[kOwner].asInteger(), true); after && !placeTaken[b])
            stretches[*after].places.push_back(b);
    for (auto& [after, stretch] : stretches) {
        if (stretch.items.empty()) continue;
        std::sort(stretch.held.begin(), stretch.held.end());
        std::vector<int64_t> open;  // the place ids no pair holds
        for (int64_t id = live[after - 1].first + 1; id < live[after].first; ++id)
            if (!std::binary_search(stretch.held.begin(), stretch.held.end(), id)) open.push_back(id);
        if (stretch.places.size() != open.size()) continue;
        // Two rows that name the same id are copies of one, or the stretch keeps no order.
        auto owner = [&](size_t b) { return places[b]->values[kOwner].asInteger(); };
        auto named = [&](size_t i) { return items[i]->values[kPlace].asInteger(); };
        auto distinct = [](std::vector<size_t>& rows, const auto& id) {
            std::sort(rows.begin(), rows.end(), [&](size_t a, size_t b) { return id(a) < id(b); });
            return std::adjacent_find(rows.begin(), rows.end(), [&](size_t a, size_t b) { return id(a) == id(b); }) ==
                   rows.end();
        };
        if (!distinct(stretch.places, owner) || !distinct(stretch.items, named)) continue;
        for (size_t i : stretch.items) {
            const int64_t place = named(i);
            const auto k = static_cast<size_t>(std::lower_bound(open.begin(), open.end(), place) - open.begin());
            if (k == open.size() || open[k] != place) continue;
            const size_t b = stretch.places[k];
            if (admitsInOrder(*items[i], owner(b), live[after - 1].second, live[after].second) &&
                admitsInOrder(*places[b], place, live[after - 1].first, live[after].first))
                partner[i] = static_cast<int>(b);
        }
    }
}
}  // namespace

void DelCalenderCarver::post(const CarvedRecord& item, int locationColumn, int startColumn, int endColumn,
                             const std::string& place) {
    const std::string title = textOf(item.values[1]);
    if (!plausible(item.values[static_cast<size_t>(startColumn)]) ||
        !plausible(item.values[static_cast<size_t>(endColumn)]))
        return;
    if (title.empty() && item.values[static_cast<size_t>(startColumn)].isNull()) return;
    auto node = std::make_shared<PRCalenderNode>();
    node->setCalTitle(title);
    node->setLocation(locationColumn >= 0 ? textOf(item.values[static_cast<size_t>(locationColumn)]) : place);
    node->setCalNote(textOf(item.values[3]));
    for (int column : {startColumn, endColumn}) {
        const CarvedValue& v = item.values[static_cast<size_t>(column)];
        if (v.isNull()) continue;
        const std::string text = dateTimeText(v.asInteger(), true).value_or("");
        if (column == startColumn)
            node->setStartDate(text);
        else
            node->setEndDate(text);
    }
    context_.nc->postNotificationName(kPosted, node);
}

void DelCalenderCarver::ScanDelCalenderThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kCalendar}, context_)) return;
    std::vector<CarvedTable> tables = carveRecords(db, calendarShapes());
    for (Shape shape : {kEvent, kEventShort})
        for (const CarvedRecord& event : tables[shape].deleted) post(event, 2, 4, 6, {});
    // An item names its place in location_id, the place its item in item_owner_id: deleted
    // together, they are paired where the row ids they could have allow one pairing.
    std::vector<const CarvedRecord*> places;
    for (const auto* list : {&tables[kLocation].deleted, &tables[kLocation].live})
        for (const CarvedRecord& place : *list) places.push_back(&place);
    for (Shape shape : {kItem5, kItem6}) {
        std::vector<const CarvedRecord*> items, placed;
        for (const CarvedRecord& item : tables[shape].deleted)
            (item.values[2].asInteger() > 0 ? placed : items).push_back(&item);
        for (const CarvedRecord* item : items) post(*item, -1, 4, 6, {});
        std::vector<int> partner = pairRows(placed, kPlace, places, kOwner, {}, &tables[shape]);
        pairByOrder(placed, places, tables[kLocation].deleted.size(), tables[kLocation].live, partner);
        for (size_t i = 0; i < placed.size(); ++i) {
            const CarvedRecord* place = partner[i] >= 0 ? places[static_cast<size_t>(partner[i])] : nullptr;
            post(*placed[i], -1, 4, 6, place ? textOf(place->values[1]) : std::string());
        }
    }
    releaseTables(std::move(tables));
    postProgress(context_, 100);
}

}  // namespace carve
