#include "backup/carve/DelBookMarkCarver.h"

#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/FileShapes.h"
#include "model/PRBookMarkNode.h"
#include "model/PRRecordFields.h"

namespace carve {

namespace {

// The bookmarks table: id, special_id, parent, type, title, url, num_children, editable,
// deletable, hidden, hidden_ancestor_count, order_index, external_uuid, then the sync state of
// iOS 6 and the icons of iOS 7.
enum BookmarkColumn : size_t { kTitle, kUrl };
const KnownTable kBookmarkTable{"bookmarks",
                                {
                                    {"title", ColumnKind::text, kRead | kNeeded | kEditTells},
                                    {"url", ColumnKind::text, kRead | kNeeded | kEditKept},
                                    {"special_id", ColumnKind::integer},
                                    {"parent", ColumnKind::integer},
                                    {"type", ColumnKind::integer},
                                    {"num_children", ColumnKind::integer},
                                    {"editable", ColumnKind::integer},
                                    {"deletable", ColumnKind::integer},
                                    {"hidden", ColumnKind::integer},
                                    {"hidden_ancestor_count", ColumnKind::integer},
                                    {"order_index", ColumnKind::integer, kNotNull},
                                    {"external_uuid", ColumnKind::text, kUnique},
                                    {"read", ColumnKind::integer},
                                    {"last_modified", ColumnKind::real},
                                    {"server_id", ColumnKind::text},
                                    {"sync_key", ColumnKind::text},
                                    {"sync_data", ColumnKind::blob},
                                    {"added", ColumnKind::integer},
                                    {"deleted", ColumnKind::integer},
                                    {"extra_attributes", ColumnKind::blob},
                                    {"local_attributes", ColumnKind::blob},
                                    {"fetched_icon", ColumnKind::integer},
                                    {"icon", ColumnKind::blob},
                                    {"dav_generation", ColumnKind::integer},
                                    {"locally_added", ColumnKind::integer},
                                    {"archive_status", ColumnKind::integer},
                                    {"syncable", ColumnKind::integer},
                                    {"web_filter_status", ColumnKind::integer},
                                },
                                LiveRows::values};

// A bookmark's address opens with its scheme ("http:", "https:", "javascript:"...), and neither
// it nor the title holds control characters: a stretch of bytes read from the wrong place does.
bool plausible(const std::string& title, const std::string& url) {
    for (const std::string* text : {&title, &url})
        for (unsigned char c : *text)
            if (c < 0x20 || c == 0x7f) return false;
    if (url.empty()) return true;
    size_t colon = url.find(':');
    if (colon == 0 || colon == std::string::npos || colon > 16) return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = url[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
    }
    return true;
}

}  // namespace

void DelBookMarkCarver::ScanDelBookMarkThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {backupkeys::bookmarks, backupkeys::bookmarksOld}, context_)) return;
    FileShapes shapes(db);
    const size_t bookmarks = shapes.add(kBookmarkTable);
    const std::vector<CarvedTable> tables = carveRecords(db, shapes.shapes());
    shapes.report(tables);
    for (const FileShapes::Member& member : shapes.of(bookmarks)) {
        for (const CarvedRecord& row : tables[member.index].deleted) {
            const std::string title = textOf(member.shape->value(row, kTitle));
            const std::string url = textOf(member.shape->value(row, kUrl));
            if (title == "Root" || title == "com.apple.ReadingList" || (title.empty() && url.empty())) continue;
            if (!plausible(title, url)) continue;
            auto bookmark = std::make_shared<PRBookMarkNode>();
            bookmark->setBookMarkTitle(title);
            bookmark->setBookMarkURL(url);
            notices::scanDelBookMarkInfo.post(*context_.nc, bookmark);
        }
    }
    postProgress(context_, 95);
}

}  // namespace carve
