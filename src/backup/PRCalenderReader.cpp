#include "backup/PRCalenderReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/BackupReaderFields.h"
#include "model/EventDateText.h"
#include "model/PRCalenderNode.h"

#include <unordered_map>

namespace {

const char* const kIos6Query =
    "select summary,location_id,description,start_date,end_date,start_tz,all_day,calendar_id from CalendarItem";
const char* const kOlderQuery =
    "select summary,location.title as location,description,start_date,end_date,start_tz,all_day,calendar_id,"
    "supported_entity_types from calendaritem left join location on calendaritem.[location_id]=location.rowid "
    "left join Calendar on calendaritem.[calendar_id]=calendar.rowid where supported_entity_types !=8";
// The newer query names a place by its row in Location; the place's title is what a user knows.
const char* const kPlacesQuery = "select ROWID, title from Location";
const char* const kEventQuery =
    "select summary,location,description,start_date,end_date,start_tz,all_day,calendar_id from event";

}  // namespace

void PRCalenderReader::scanCalenderThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRCalenderReader::scanTransferCalenderThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRCalenderReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(transfer, [this] { notices::scanCopyRemindMarkInfoFinished.post(nc_); });
    if (backupFolder.empty()) return;
    const std::string dbPath = backupFolder + "/" + backupkeys::calendar;
    if (!backupreader::fileExists(dbPath)) {
        backupreader::log("CalenderDB is not exist");
        return;
    }

    BackupDatabase db(dbPath);
    const bool ios6 = state_.currentNodeIsiOS6Version;
    std::unordered_map<long long, std::string> places;
    if (ios6)
        db.query(kPlacesQuery, [&](const BackupDatabase::Row& row) {
            if (auto title = backupreader::text(row.text(1))) places.emplace(row.integer(0), std::move(*title));
        });
    size_t rows = 0;
    auto onRow = [&](const BackupDatabase::Row& row) {
        using backupreader::text;
        ++rows;
        auto item = std::make_shared<PRCalenderNode>();
        if (auto v = text(row.text(0))) item->setCalTitle(std::move(*v));
        if (ios6) {
            if (auto place = places.find(row.decimal(1).value_or(0)); place != places.end())
                item->setLocation(place->second);
        } else if (auto v = text(row.text(1))) {
            item->setLocation(std::move(*v));
        }
        if (auto v = text(row.text(2))) item->setCalNote(std::move(*v));
        // Every query gives the start's zone and the all-day flag beside the times.
        const char* zone = row.text(5);
        std::optional<bool> allDay;
        if (const auto v = row.decimal(6)) allDay = *v != 0;
        PREventDateTexts dates = eventDateTexts({row.decimal(3), row.decimal(4), zone ? zone : "", allDay});
        item->setStartDate(std::move(dates.start));
        item->setEndDate(std::move(dates.end));
        (transfer ? notices::scanCopyRemindMarkInfo : notices::scanCalenderInfo).post(nc_, item);
    };
    if (ios6) {
        db.query(kIos6Query, onRow);
    } else {
        db.query(kOlderQuery, onRow);
        if (rows == 0) db.query(kEventQuery, onRow);
    }
}
