// Which schema a messages database holds, read from the database itself: for a backup whose
// property lists give no usable iOS version, or a version its database does not match.
#pragma once

#include <optional>
#include <string>

class BackupDatabase;

// True for the iOS 6 schema (messages with cache_has_attachments, attachments joined through
// message_attachment_join), false for the older one (message.group_id without them), nothing
// when the database holds no message table the readers know.
std::optional<bool> messageSchemaIsIos6(BackupDatabase& db);
