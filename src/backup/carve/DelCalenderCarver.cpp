#include "backup/carve/DelCalenderCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "model/PRCalenderNode.h"
#include "model/PRRecordFields.h"

namespace carve {

namespace {
const std::string kPosted = "scanDelCalenderInfo";
const char* const kCalendar = "2041457d5fe04d39d0ab481178355df6781e6858";

// Event (iOS 4, with and without its last two columns), CalendarItem (iOS 5; iOS 6 and 7 add
// eleven columns at the end) and Location.
enum Shape { kEvent, kEventShort, kItem5, kItem6, kLocation };
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
        const std::vector<int> partner = pairRows(placed, 2, places, 6, {}, &tables[shape]);
        for (size_t i = 0; i < placed.size(); ++i) {
            const CarvedRecord* place = partner[i] >= 0 ? places[static_cast<size_t>(partner[i])] : nullptr;
            post(*placed[i], -1, 4, 6, place ? textOf(place->values[1]) : std::string());
        }
    }
    releaseTables(std::move(tables));
    postProgress(context_, 100);
}

}  // namespace carve
