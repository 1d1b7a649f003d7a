#include "backup/MessageSchema.h"

#include "backup/BackupDatabase.h"

#include <set>

std::optional<bool> messageSchemaIsIos6(BackupDatabase& db) {
    std::set<std::string> columns;
    db.query("select name from pragma_table_info('message')", [&](const BackupDatabase::Row& row) {
        if (const char* name = row.text(0)) columns.insert(name);
    });
    if (columns.count("cache_has_attachments")) return true;
    if (columns.count("group_id")) return false;
    return std::nullopt;
}
