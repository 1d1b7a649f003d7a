#include "backup/carve/DelBookMarkCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "model/PRBookMarkNode.h"
#include "model/PRRecordFields.h"

namespace carve {

namespace {
const std::string kPosted = "scanDelBookMarkInfo";
const char* const kBookmarks = "d1f062e2da26192a6625d968274bfda8d07821e4";
const char* const kBookmarksOld = "04cc352fd9943f7c0c3f0781d4834fa137775761";

// The bookmarks table as phones laid it out over the years: id, special_id, parent, type,
// title, url, num_children, editable, deletable, hidden, then the later columns (sync state,
// icons...). Title and URL are always columns 4 and 5.
const std::vector<TableShape>& bookmarkShapes() {
    static const std::vector<TableShape> shapes = {
        shapeOf("kiiitt|iiiiiIt!"),                  // iOS 4 and 5
        shapeOf("kiiitt|iiiiiIt!irttbiibb"),         // iOS 6
        shapeOf("kiiitt|iiiiiIt!irttbiibbibiiiii"),  // iOS 7
        shapeOf("kiiitt|iiiit!iIirttbi"),            // external_uuid right after hidden
    };
    return shapes;
}

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
    if (!db.openIn(backupFolder, {kBookmarks, kBookmarksOld}, context_)) return;
    for (const CarvedTable& table : carveRecords(db, bookmarkShapes())) {
        for (const CarvedRecord& row : table.deleted) {
            const std::string title = textOf(row.values[4]);
            const std::string url = textOf(row.values[5]);
            if (title == "Root" || title == "com.apple.ReadingList" || (title.empty() && url.empty())) continue;
            if (!plausible(title, url)) continue;
            auto bookmark = std::make_shared<PRBookMarkNode>();
            bookmark->setBookMarkTitle(title);
            bookmark->setBookMarkURL(url);
            context_.nc->postNotificationName(kPosted, bookmark);
        }
    }
    postProgress(context_, 95);
}

}  // namespace carve
