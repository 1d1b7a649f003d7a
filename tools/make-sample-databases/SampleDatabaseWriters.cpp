// The schema writers: each table as the device's own database defines it (the columns the
// readers ask for, and enough of the others that the files look like the real ones).
#include "SampleDatabases.h"
#include "SqliteWriter.h"
#include "platform/CoreFoundation.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

namespace sampledb {
namespace {

const char* orNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

// A number that looks picked by nobody: the same for the same seed, spread over [0, range).
int64_t scatter(uint64_t seed, int64_t range) {
    seed ^= seed >> 33;
    seed *= 0xff51afd7ed558ccdULL;
    seed ^= seed >> 33;
    seed *= 0xc4ceb9fe1a85ec53ULL;
    seed ^= seed >> 33;
    return range <= 0 ? 0 : static_cast<int64_t>(seed % static_cast<uint64_t>(range));
}

}  // namespace

BackupSchemas BackupSchemas::forIos(Ios ios) {
    BackupSchemas schemas;
    schemas.ios = ios;
    switch (ios) {
    case Ios::v4:
        schemas.messages = MessageSchema::ios4;
        schemas.calendar = CalendarSchema::ios4;
        schemas.images = ImagesForm::mddata;
        schemas.walOnly = 0;  // a rollback journal leaves nothing behind
        break;
    case Ios::v5:
        schemas.messages = MessageSchema::ios5;
        schemas.calendar = CalendarSchema::ios5;
        break;
    case Ios::v6: break;
    case Ios::v7:
        schemas.messages = MessageSchema::ios7;
        schemas.calendar = CalendarSchema::ios7;
        break;
    }
    return schemas;
}

bool writeAddressBook(const std::string& path, const std::vector<Contact>& contacts, int walOnly, Ios ios) {
    const bool wal = iosschema::writeAheadLog(ios);
    SqliteWriter db(path, wal);
    db.exec(iosschema::addressBook(ios) + iosschema::addressBookRows());
    SqliteWriter::Statement person(
        db,
        "INSERT INTO ABPerson (ROWID, First, Last, Middle, Organization, Department, Note, Kind, Birthday, JobTitle, "
        "FirstSort, LastSort, CreationDate, ModificationDate, StoreID, FirstSortSection, LastSortSection, "
        "FirstSortLanguageIndex, LastSortLanguageIndex) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?, 0, ?, ?, 0, 0)");
    SqliteWriter::Statement value(
        db, "INSERT INTO ABMultiValue (UID, record_id, property, identifier, label, value) VALUES (?, ?, ?, ?, ?, ?)");
    SqliteWriter::Statement entry(db, "INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES (?, ?, ?)");
    SqliteWriter::Statement lastFour(db, "INSERT INTO ABPhoneLastFour VALUES (?, ?)");
    int64_t uid = 0;
    insertRows(db, contacts.size(), wal ? walOnly : 0, [&](size_t i) {
        const Contact& c = contacts[i];
        const int64_t created = 290000000 + scatter(static_cast<uint64_t>(c.rowid), 90000000);
        const std::string sortName = c.first + " " + c.last;
        person.run(c.rowid, orNull(c.first), orNull(c.last), orNull(c.middle), orNull(c.organization),
                   orNull(c.department), orNull(c.note), orNull(c.birthday), orNull(c.jobTitle), sortName,
                   c.last + " " + c.first, created, created + scatter(static_cast<uint64_t>(c.rowid) + 7, 9000000),
                   orNull(c.first.substr(0, c.first.empty() ? 0 : 1)),
                   orNull(c.last.substr(0, c.last.empty() ? 0 : 1)));
        int identifier = 0;
        auto values = [&](const std::vector<std::string>& list, int property, int label) {
            for (size_t k = 0; k < list.size(); ++k) {
                const std::string& v = list[k];
                int own = label;
                if (property == 3 && k < c.phoneLabels.size() && !c.phoneLabels[k].empty())
                    own = c.phoneLabels[k] == "Telma" ? 7 : c.phoneLabels[k] == "Orange" ? 8 : 9;
                value.run(++uid, c.rowid, property, identifier++, own, v);
                if (property == 3) {
                    std::string digits;
                    for (char ch : v)
                        if (ch >= '0' && ch <= '9') digits += ch;
                    lastFour.run(uid, digits.substr(digits.size() > 4 ? digits.size() - 4 : 0));
                }
            }
        };
        values(c.phones, 3, c.rowid % 3 == 0 ? 5 : 1);
        values(c.emails, 4, c.rowid % 8 == 3 ? 6 : c.rowid % 2 ? 2 : 3);
        // A postal address keeps its parts in ABMultiValueEntry; its own value stays NULL. The
        // keys are the row ids of ABMultiValueEntryKey (Country 1, Street 2, ZIP 3, City 4,
        // CountryCode 5, State 6).
        for (const PostalAddress& a : c.addresses) {
            value.run(++uid, c.rowid, 5, identifier++, 2, nullptr);
            const std::pair<int, const std::string*> parts[] = {{2, &a.street}, {4, &a.city},    {6, &a.state},
                                                                {3, &a.zip},    {1, &a.country}, {5, &a.countryCode}};
            for (const auto& [key, part] : parts)
                if (!part->empty()) entry.run(uid, key, *part);
        }
        values(c.urls, 22, 4);
        // Messaging handles (13) and social profiles (46) keep their service and user name (and a
        // profile its address) as entries too (service 7, username 8, url 9).
        for (const Handle& h : c.messengers) {
            value.run(++uid, c.rowid, 13, identifier++, 2, nullptr);
            entry.run(uid, 7, h.service);
            entry.run(uid, 8, h.username);
        }
        for (const Handle& h : c.profiles) {
            value.run(++uid, c.rowid, 46, identifier++, nullptr, nullptr);
            entry.run(uid, 7, h.service);
            entry.run(uid, 8, h.username);
            if (h.service == "twitter") entry.run(uid, 9, "http://twitter.com/" + h.username);
        }
    });
    return db.ok();
}

bool writeAddressBookImages(const std::string& path, const std::vector<Contact>& contacts, ImagesForm form) {
    SqliteWriter db(path);
    db.exec(form == ImagesForm::fullSize ? iosschema::addressBookImages() : iosschema::addressBookImagesOld());
    SqliteWriter::Statement insert(db, form == ImagesForm::fullSize
                                           ? "INSERT INTO ABFullSizeImage VALUES (?, 0, 0, 64, 64, ?)"
                                           : "INSERT INTO ABImage VALUES (?, 0, ?)");
    insertRows(db, contacts.size(), 0, [&](size_t i) {
        if (!contacts[i].photo.empty()) insert.run(contacts[i].rowid, contacts[i].photo);
    });
    return db.ok();
}

namespace {

Ios iosOf(MessageSchema schema) {
    if (schema == MessageSchema::ios4) return Ios::v4;
    if (olderLayoutWithIMessages(schema)) return Ios::v5;
    return schema == MessageSchema::ios7 ? Ios::v7 : Ios::v6;
}

// The columns of a table's statement among statements, each as declared ("madrid_handle TEXT").
std::vector<std::string> declaredColumns(const std::string& statements, const std::string& table) {
    std::vector<std::string> columns;
    const std::string opening = "CREATE TABLE " + table + " (";
    const size_t start = statements.find(opening);
    if (start == std::string::npos) return columns;
    const size_t from = start + opening.size();
    const std::string list = statements.substr(from, statements.find(");", from) - from);
    for (size_t at = 0; at <= list.size();) {
        const size_t comma = std::min(list.find(", ", at), list.size());
        columns.push_back(list.substr(at, comma - at));
        at = comma + 2;
    }
    return columns;
}

// The columns iOS 5 added to the message table of iOS 4, in the order a phone upgraded from
// iOS 4 added them.
std::vector<std::string> columnsIos5Added() {
    const std::vector<std::string> older = declaredColumns(iosschema::messages(Ios::v4), "message");
    std::vector<std::string> newer =
        declaredColumns(iosschema::messages(Ios::v5, iosschema::History::upgraded), "message");
    newer.erase(newer.begin(), newer.begin() + static_cast<std::ptrdiff_t>(std::min(older.size(), newer.size())));
    return newer;
}

std::string mimeOf(const std::string& name) {
    std::string ext = name.substr(name.find_last_of('.') + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "png") return "image/png";
    if (ext == "mov") return "video/quicktime";
    if (ext == "vcf") return "text/x-vcard";
    return "application/octet-stream";
}

// The values iMessage rows of iOS 5 carry in madrid_flags: bit 0x4 set for a sent message; the
// 0x10000 bit marks one with data-detector results.
int madridFlags(const Message& m) {
    if (m.fromMe) return m.rowid % 7 == 3 ? 45061 : m.rowid % 11 == 5 ? 102405 : 36869;
    return m.rowid % 9 == 4 ? 77825 : 12289;
}

// What an iMessage of iOS 5 keeps of its attachments: a binary property list naming each.
Bytes attachmentInfo(const Message& m) {
    CFHolder<CFMutableArrayRef> list(CFArrayCreateMutable());
    CFHolder<CFMutableDictionaryRef> item(CFDictionaryCreateMutable());
    CFHolder<CFStringRef> guid(CFStringCreateWithCString(("at_0_SAMPLE-" + std::to_string(m.rowid)).c_str()));
    CFHolder<CFStringRef> name(CFStringCreateWithCString(m.attachmentName.c_str()));
    CFHolder<CFStringRef> mime(CFStringCreateWithCString(mimeOf(m.attachmentName).c_str()));
    CFDictionarySetValue(item.get(), "guid", guid.get());
    CFDictionarySetValue(item.get(), "filename", name.get());
    CFDictionarySetValue(item.get(), "mime-type", mime.get());
    CFArrayAppendValue(list.get(), item.get());
    CFHolder<CFDataRef> data(CFPropertyListCreateData(list.get(), kCFPropertyListBinaryFormat_v1_0));
    if (!data.get()) return {};
    const uint8_t* bytes = CFDataGetBytePtr(data.get());
    return Bytes(bytes, bytes + CFDataGetLength(data.get()));
}

// The archived rich text an iMessage carries beside its plain text.
Bytes attributedBody(const std::string& text) {
    std::string archive = std::string("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84\x12NSAttributedString", 40);
    archive += "\x00\x84\x84\x08NSObject\x00\x85\x92\x84\x84\x84\x08NSString\x01\x94\x84\x01+";
    archive += static_cast<char>(std::min<size_t>(text.size(), 127));
    archive += text.substr(0, 127);
    archive += "\x86\x84\x02iI\x01";
    return Bytes(archive.begin(), archive.end());
}

}  // namespace

bool writeMessages(const std::string& path, const std::vector<Message>& messages, MessageSchema schema, int walOnly,
                   const DeletedMessages& deleted) {
    const Ios ios = iosOf(schema);
    const bool wal = iosschema::writeAheadLog(ios);
    const bool iMessages = olderLayoutWithIMessages(schema);
    const bool older = iMessages || schema == MessageSchema::ios4;
    // A phone upgraded from iOS 4 kept a rollback journal until the upgrade.
    const bool upgraded = schema == MessageSchema::ios5Upgraded;
    SqliteWriter db(path, wal && !upgraded);
    const bool handles = static_cast<int>(ios) >= 6 && schema != MessageSchema::ios6WithoutHandle;
    const bool attachments = static_cast<int>(ios) >= 6;
    const iosschema::History history =
        schema == MessageSchema::ios5Fresh ? iosschema::History::fresh : iosschema::History::upgraded;
    db.exec(iosschema::messages(handles ? ios : iMessages && !upgraded ? Ios::v5 : Ios::v4, history));
    if (schema == MessageSchema::ios6WithoutHandle) {
        // Newer message columns while the conversations still live in group_member.
        db.exec("ALTER TABLE message ADD COLUMN cache_has_attachments INTEGER DEFAULT 0;");
        const std::string joins = iosschema::messages(Ios::v6);
        db.exec(joins.substr(joins.find("CREATE TABLE attachment")));
        db.exec("DROP TABLE handle; DROP TABLE chat_handle_join;");
    }

    // One conversation per person, or per group of members, in order of first appearance.
    std::map<std::string, int64_t> conversations;
    auto conversationOf = [&](const Message& m) {
        std::string key = m.address;
        if (!m.members.empty()) {
            key = "group";
            for (const std::string& member : m.members) key += "\n" + member;
        }
        const auto size = static_cast<int64_t>(conversations.size());
        return conversations.try_emplace(std::move(key), size + 1).first->second;
    };
    for (const auto& m : messages) conversationOf(m);
    // iOS 6 and 7 keep a handle per address and service, a chat per person and service (style
    // 45) or per group (style 43, an iMessage one with its room name), every handle of a chat
    // joined to it, and every message joined to its chat; a group's sent messages name no handle.
    struct Chat {
        std::string guid, identifier, service, room;
        int style = 45;
        std::vector<int64_t> handles;
    };
    std::vector<std::pair<std::string, std::string>> handleRows;  // address, service
    std::map<std::pair<std::string, std::string>, int64_t> handleIds;
    std::vector<Chat> chats;
    std::map<std::string, int64_t> chatIds;  // by guid
    std::vector<int64_t> chatOfMessage, handleOfMessage;
    auto handleOf = [&](const std::string& address, const std::string& service) {
        const auto [at, added] = handleIds.try_emplace({address, service}, handleRows.size() + 1);
        if (added) handleRows.emplace_back(address, service);
        return at->second;
    };
    auto chatOf = [&](const Message& m) {
        const std::string service = m.iMessage ? "iMessage" : "SMS";
        Chat chat;
        chat.service = service;
        if (m.members.empty()) {
            chat.identifier = m.address;
            chat.guid = service + ";-;" + m.address;
            chat.handles = {handleOf(m.address, service)};
        } else {
            chat.style = 43;
            chat.identifier = "chat" + std::to_string(100000000 + conversationOf(m) * 7919);
            chat.guid = service + ";+;" + chat.identifier;
            if (m.iMessage) chat.room = chat.identifier;
            for (const std::string& member : m.members) chat.handles.push_back(handleOf(member, service));
        }
        const auto [at, added] = chatIds.try_emplace(chat.guid, chats.size() + 1);
        if (added) chats.push_back(std::move(chat));
        return at->second;
    };
    if (handles) {
        for (const auto& m : messages) {
            chatOfMessage.push_back(chatOf(m));
            handleOfMessage.push_back(m.address.empty() ? 0 : handleOf(m.address, m.iMessage ? "iMessage" : "SMS"));
        }
    }

    db.exec("BEGIN");
    if (handles) {
        SqliteWriter::Statement handle(db, "INSERT INTO handle (ROWID, id, country, service) VALUES (?, ?, 'us', ?)");
        SqliteWriter::Statement chat(db,
                                     "INSERT INTO chat (ROWID, guid, style, state, chat_identifier, service_name, "
                                     "room_name) VALUES (?, ?, ?, 3, ?, ?, ?)");
        SqliteWriter::Statement chatHandle(db, "INSERT INTO chat_handle_join VALUES (?, ?)");
        for (size_t i = 0; i < handleRows.size(); ++i)
            handle.run(static_cast<int64_t>(i + 1), handleRows[i].first, handleRows[i].second);
        for (size_t i = 0; i < chats.size(); ++i) {
            const Chat& c = chats[i];
            const auto id = static_cast<int64_t>(i + 1);
            chat.run(id, c.guid, c.style, c.identifier, c.service, orNull(c.room));
            for (int64_t h : c.handles) chatHandle.run(id, h);
        }
    } else {
        SqliteWriter::Statement group(
            db, "INSERT INTO msg_group (ROWID, type, newest_message, unread_count) VALUES (?, 0, 0, 0)");
        SqliteWriter::Statement member(db, "INSERT INTO group_member (group_id, address, country) VALUES (?, ?, 'us')");
        std::vector<bool> written(conversations.size(), false);
        for (const auto& m : messages) {
            const int64_t id = conversationOf(m);
            if (written[static_cast<size_t>(id - 1)]) continue;
            written[static_cast<size_t>(id - 1)] = true;
            group.run(id);
            if (m.members.empty()) member.run(id, m.address);
            for (const std::string& address : m.members) member.run(id, address);
        }
    }
    db.exec("COMMIT");

    const std::string iosFourSql =
        "INSERT INTO message (ROWID, address, date, text, flags, replace, group_id, association_id, height, "
        "UIFlags, version, country, read) VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0, ?7, 0, 0, 'us', 1)";
    std::string insertSql;  // that of every row but an iOS 4 one
    if (handles) {
        insertSql =
            "INSERT INTO message (ROWID, guid, text, handle_id, service, account, date, date_read, date_delivered, "
            "is_delivered, is_finished, is_from_me, is_read, is_sent, cache_has_attachments, cache_roomnames) "
            "VALUES (?1, ?2, ?3, ?4, ?5, 'e:', ?6, ?7, ?8, 1, 1, ?9, ?10, ?9, ?11, ?12)";
    } else if (schema == MessageSchema::ios6WithoutHandle) {
        insertSql =
            "INSERT INTO message (ROWID, address, date, text, flags, replace, group_id, association_id, read, "
            "cache_has_attachments) VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0, 1, ?7)";
    } else if (iMessages) {
        // iMessages keep their address, flags and times (counted from 2001) in their own columns;
        // the SMS columns stay empty for them.
        insertSql =
            "INSERT INTO message (ROWID, address, date, text, flags, replace, group_id, association_id, height, "
            "UIFlags, version, country, read, madrid_attributedBody, madrid_handle, madrid_version, madrid_guid, "
            "madrid_type, madrid_service, madrid_account, madrid_flags, madrid_attachmentInfo, madrid_error, "
            "is_madrid, madrid_date_read, madrid_date_delivered, madrid_account_guid, madrid_roomname) "
            "VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0, ?7, 0, 0, ?8, 1, ?9, ?10, ?11, ?12, 0, ?13, ?14, ?15, ?16, 0, "
            "?17, ?18, ?19, ?20, ?21)";
    }
    // The upgraded phone wrote its first rows into iOS 4's table, which knew none of the iMessage
    // columns: their statement is made once the table has them.
    bool asIos4 = upgraded;
    auto iosFourInsert =
        schema == MessageSchema::ios4 || upgraded ? std::make_unique<SqliteWriter::Statement>(db, iosFourSql) : nullptr;
    auto insert = insertSql.empty() || upgraded ? nullptr : std::make_unique<SqliteWriter::Statement>(db, insertSql);
    std::unique_ptr<SqliteWriter::Statement> attachment, join, chatMessage, piece;
    if (older)
        piece = std::make_unique<SqliteWriter::Statement>(
            db,
            "INSERT INTO msg_pieces (message_id, data, part_id, preview_part, content_type, height, version, flags, "
            "content_id, content_loc) VALUES (?1, ?2, ?3, -1, ?4, 0, 0, 0, ?5, ?6)");
    if (handles)
        chatMessage = std::make_unique<SqliteWriter::Statement>(db, "INSERT INTO chat_message_join VALUES (?, ?)");
    if (attachments) {
        attachment = std::make_unique<SqliteWriter::Statement>(
            db,
            "INSERT INTO attachment (ROWID, guid, created_date, start_date, filename, mime_type, transfer_state, "
            "is_outgoing) VALUES (?, ?, ?, ?, ?, ?, 5, ?)");
        join = std::make_unique<SqliteWriter::Statement>(db, "INSERT INTO message_attachment_join VALUES (?, ?)");
    }
    int64_t attachmentRow = 0;
    // Writes message m, the i-th of messages (a deleted one only in an older layout, which keeps
    // no handles or chats to look up by i).
    auto writeRow = [&](const Message& m, size_t i) {
        const int64_t conversation = conversationOf(m);
        const int hasAttachment = attachments && !m.attachmentName.empty() ? 1 : 0;
        const int64_t since2001 = m.date - kMacEpochOffset;
        // A multimedia message of iOS 4 and 5 keeps its text in its parts, not in its row: its
        // presentation, then its attachment, then its words.
        const bool parts = piece && isPartsMessage(m, schema);
        const std::string text = parts ? std::string() : m.text;
        if (parts) {
            const std::string name = m.attachmentName.substr(m.attachmentName.rfind('/') + 1);
            const std::string smil =
                "<smil><head><layout><region id=\"Image\"/><region id=\"Text\"/></layout></head><body><par>"
                "<img src=\"" +
                name + "\" region=\"Image\"/><text src=\"text_0001.txt\" region=\"Text\"/></par></body></smil>";
            piece->run(m.rowid, Bytes(smil.begin(), smil.end()), 0, "application/smil", "<smil>", "smil.xml");
            piece->run(m.rowid, nullptr, 1, mimeOf(m.attachmentName), "<" + name + ">", name);
            if (const std::string words = partsText(m); !words.empty())
                piece->run(m.rowid, Bytes(words.begin(), words.end()), 2, "text/plain", "<text_0001.txt>",
                           "text_0001.txt");
        }
        const int height = 38 + 19 * static_cast<int>(text.size() / 28);
        if (handles) {
            const int64_t read = m.fromMe ? 0 : since2001 + 5 + scatter(static_cast<uint64_t>(m.rowid), 4000);
            const int64_t delivered = m.fromMe ? since2001 + 1 + scatter(static_cast<uint64_t>(m.rowid), 40) : 0;
            const Chat& chat = chats[static_cast<size_t>(chatOfMessage[i] - 1)];
            insert->run(m.rowid, "SAMPLE-MSG-" + std::to_string(m.rowid), orNull(m.text), handleOfMessage[i],
                        m.iMessage ? "iMessage" : "SMS", since2001, read, delivered, m.fromMe ? 1 : 0, m.fromMe ? 0 : 1,
                        hasAttachment, orNull(chat.room));
            chatMessage->run(chatOfMessage[i], m.rowid);
        } else if (schema == MessageSchema::ios6WithoutHandle) {
            insert->run(m.rowid, orNull(m.address), since2001, orNull(m.text), m.fromMe ? 3 : 2, conversation,
                        hasAttachment);
        } else if (iMessages && !asIos4) {
            if (m.iMessage) {
                const Bytes info = m.attachmentName.empty() ? Bytes{} : attachmentInfo(m);
                // A group chat of iMessages is a room of its own.
                const std::string room = m.members.empty() ? "" : "chat" + std::to_string(conversation);
                insert->run(m.rowid, nullptr, since2001, orNull(m.text), 0, conversation, height, nullptr,
                            attributedBody(m.text), orNull(m.address), 10, "SAMPLE-MSG-" + std::to_string(m.rowid),
                            "iMessage", "e:ada@example.com", madridFlags(m), info, 1,
                            m.fromMe ? int64_t{0} : since2001 + 20, m.fromMe ? since2001 + 2 : int64_t{0},
                            "SAMPLE-ACCOUNT", orNull(room));
            } else {
                insert->run(m.rowid, orNull(m.address), m.date, orNull(text), m.fromMe ? 3 : 2, conversation, height,
                            "us", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                            nullptr, nullptr, nullptr);
            }
        } else {
            iosFourInsert->run(m.rowid, orNull(m.address), m.date, orNull(text), m.fromMe ? 3 : 2, conversation,
                               height);
        }
        if (hasAttachment) {
            ++attachmentRow;
            attachment->run(attachmentRow, "SAMPLE-ATT-" + std::to_string(attachmentRow), since2001, since2001,
                            m.attachmentName, mimeOf(m.attachmentName), m.fromMe ? 1 : 0);
            join->run(m.rowid, attachmentRow);
        }
    };
    auto writeRows = [&](size_t from, size_t to) {
        db.exec("BEGIN");
        for (size_t i = from; i < to; ++i) writeRow(messages[i], i);
        db.exec("COMMIT");
    };
    // A message is deleted with its parts, each deletion a transaction of its own; the phone's
    // library leaves the freed bytes as they were.
    std::unique_ptr<SqliteWriter::Statement> removeMessage, removeParts;
    auto deleteRows = [&](const std::vector<Message>& rows) {
        for (const Message& m : rows) {
            db.exec("BEGIN");
            removeMessage->run(m.rowid);
            removeParts->run(m.rowid);
            db.exec("COMMIT");
        }
    };

    const size_t inLog = wal ? std::min(messages.size(), static_cast<size_t>(std::max(walOnly, 0))) : 0;
    const size_t inMain = messages.size() - inLog;
    // Newer layouts take no deleted messages; a file without a log has them all in the main file.
    const DeletedMessages gone = !older ? DeletedMessages{} : wal ? deleted : DeletedMessages{deleted.all(), {}};
    size_t written = 0;
    if (upgraded) {
        // Under iOS 4 the phone wrote its messages up to its first iMessage (or half of them,
        // whichever came first); the update to iOS 5 added the iMessage columns one by one and
        // switched the file to a log.
        const size_t firstIMessage = static_cast<size_t>(
            std::find_if(messages.begin(), messages.end(), [](const Message& m) { return m.iMessage; }) -
            messages.begin());
        written = std::min({firstIMessage, messages.size() / 2, inMain});
        writeRows(0, written);
        for (const std::string& column : columnsIos5Added()) db.exec("ALTER TABLE message ADD COLUMN " + column + ";");
        db.exec("PRAGMA journal_mode=WAL;");
        insert = std::make_unique<SqliteWriter::Statement>(db, insertSql);
        asIos4 = false;
    }
    writeRows(written, inMain);
    if (!gone.inMainFile.empty() || !gone.inLog.empty()) {
        // The deleted messages came after the others; the earlier deletions reached the main file
        // before the log took over.
        db.exec("BEGIN");
        for (const auto* rows : {&gone.inMainFile, &gone.inLog})
            for (const Message& m : *rows) writeRow(m, messages.size());
        db.exec("COMMIT");
        db.exec("PRAGMA secure_delete=OFF;");
        removeMessage = std::make_unique<SqliteWriter::Statement>(db, "DELETE FROM message WHERE ROWID = ?");
        removeParts = std::make_unique<SqliteWriter::Statement>(db, "DELETE FROM msg_pieces WHERE message_id = ?");
        deleteRows(gone.inMainFile);
    }
    if (inLog == 0 && gone.inLog.empty()) return db.ok();
    db.keepFollowingRowsInWal();
    writeRows(inMain, messages.size());
    deleteRows(gone.inLog);
    return db.ok();
}

bool writeCallHistory(const std::string& path, const std::vector<Call>& calls, int walOnly, Ios ios) {
    const bool wal = iosschema::writeAheadLog(ios);
    const bool newer = static_cast<int>(ios) >= 6;
    SqliteWriter db(path, wal);
    db.exec(iosschema::callHistory(ios) + iosschema::callHistoryRows(ios));
    SqliteWriter::Statement insert(
        db,
        newer
            ? "INSERT INTO call (address, date, duration, flags, id, country_code, network_code, read, assisted, "
              "originalAddress) VALUES (?1, ?2, ?3, ?4, -1, '310', '410', 1, 0, ?1)"
            : "INSERT INTO call (address, date, duration, flags, id, country_code) VALUES (?1, ?2, ?3, ?4, -1, '310')");
    insertRows(db, calls.size(), wal ? walOnly : 0,
               [&](size_t i) { insert.run(calls[i].address, calls[i].date, calls[i].duration, calls[i].flags); });
    return db.ok();
}

bool writeNotes(const std::string& path, const std::vector<Note>& notes, NotesSchema schema, int walOnly, Ios ios) {
    const bool wal = iosschema::writeAheadLog(ios);
    SqliteWriter db(path, wal);
    std::unique_ptr<SqliteWriter::Statement> note, body;
    const bool coreData = schema == NotesSchema::coreData;
    if (coreData) {
        db.exec(iosschema::notes(ios));
        note = std::make_unique<SqliteWriter::Statement>(
            db,
            "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE, ZDELETEDFLAG, ZINTEGERID, "
            "ZISBOOKKEEPINGENTRY, ZBODY, ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE, ZGUID, ZSUMMARY, ZTITLE) "
            "VALUES (?1, 3, ?2, 0, 0, 0, ?3, 0, ?4, 1, ?5, ?6, ?7, ?8, ?9)");
        body = std::make_unique<SqliteWriter::Statement>(
            db, "INSERT INTO ZNOTEBODY (Z_PK, Z_ENT, Z_OPT, ZOWNER, ZCONTENT) VALUES (?1, 4, ?2, ?3, ?4)");
    } else {
        db.exec(iosschema::notesLegacy());
        note = std::make_unique<SqliteWriter::Statement>(
            db,
            "INSERT INTO Note (ROWID, creation_date, modification_date, title, summary, contains_cjk) "
            "VALUES (?1, ?2, ?3, ?5, ?4, 0)");
        body = std::make_unique<SqliteWriter::Statement>(db, "INSERT INTO note_bodies VALUES (?, ?)");
    }
    // Core Data counts each entity's keys on its own: a note edited on another device got a new
    // body, so the body keys run ahead of the note keys.
    int64_t bodyKey = 0;
    insertRows(db, notes.size(), wal ? walOnly : 0, [&](size_t i) {
        const Note& n = notes[i];
        const auto pk = static_cast<int64_t>(i + 1);
        const std::string summary = n.body.substr(0, 60);
        if (coreData) {
            if (i % 4 == 1) ++bodyKey;
            ++bodyKey;
            const double fraction = static_cast<double>(scatter(static_cast<uint64_t>(pk), 1000000)) / 1e6;
            const int edits = 1 + static_cast<int>(scatter(static_cast<uint64_t>(pk) + 3, 9));
            note->run(pk, edits, 1000 + pk, bodyKey, static_cast<double>(n.created - kMacEpochOffset) + fraction,
                      static_cast<double>(n.modified - kMacEpochOffset) + fraction / 3,
                      "SAMPLE-NOTE-" + std::to_string(pk), summary, n.title);
            body->run(bodyKey, edits, pk, n.body);
        } else {
            note->run(pk, n.created - kMacEpochOffset, n.modified - kMacEpochOffset, summary, n.title);
            body->run(pk, n.body);
        }
    });
    if (coreData)
        db.exec("UPDATE Z_PRIMARYKEY SET Z_MAX = " + std::to_string(notes.size()) +
                " WHERE Z_ENT = 3;"
                "UPDATE Z_PRIMARYKEY SET Z_MAX = " +
                std::to_string(bodyKey) + " WHERE Z_ENT = 4;");
    return db.ok();
}

bool writeBookmarks(const std::string& path, const std::vector<Bookmark>& bookmarks, Ios ios) {
    SqliteWriter db(path, iosschema::writeAheadLog(ios));
    db.exec(iosschema::bookmarks(ios));
    SqliteWriter::Statement insert(
        db,
        "INSERT INTO bookmarks (id, special_id, parent, type, title, url, num_children, order_index, external_uuid) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insertRows(db, bookmarks.size(), 0, [&](size_t i) {
        const Bookmark& b = bookmarks[i];
        int children = 0;
        for (const Bookmark& other : bookmarks) children += other.parent == b.id && other.id != b.id ? 1 : 0;
        insert.run(static_cast<int64_t>(b.id), b.id <= 2 ? b.id : 0, b.parent, b.type, b.title,
                   b.type == 1 ? nullptr : b.url.c_str(), b.type == 1 ? children : 0, static_cast<int>(i),
                   "SAMPLE-BM-" + std::to_string(b.id));
    });
    return db.ok();
}

bool writeHistoryPlist(const std::string& path, const std::vector<HistoryEntry>& entries, bool binary) {
    CFHolder<CFMutableArrayRef> list(CFArrayCreateMutable());
    int n = 0;
    for (const auto& e : entries) {
        CFHolder<CFMutableDictionaryRef> item(CFDictionaryCreateMutable());
        CFHolder<CFStringRef> url(CFStringCreateWithCString(e.url.c_str()));
        CFDictionarySetValue(item.get(), "", url.get());
        if (e.hasTitle) {
            CFHolder<CFStringRef> title(CFStringCreateWithCString(e.title.c_str()));
            CFDictionarySetValue(item.get(), "title", title.get());
        }
        CFHolder<CFStringRef> visited(CFStringCreateWithCString(std::to_string(389059200 + 3600 * n).c_str()));
        CFDictionarySetValue(item.get(), "lastVisitedDate", visited.get());
        int count = 1 + n % 7;
        CFHolder<CFNumberRef> visits(CFNumberCreate(kCFNumberIntType, &count));
        CFDictionarySetValue(item.get(), "visitCount", visits.get());
        CFArrayAppendValue(list.get(), item.get());
        ++n;
    }
    CFHolder<CFMutableDictionaryRef> root(CFDictionaryCreateMutable());
    CFDictionarySetValue(root.get(), "WebHistoryDates", list.get());
    CFHolder<CFStringRef> version(CFStringCreateWithCString("1"));
    CFDictionarySetValue(root.get(), "WebHistoryFileVersion", version.get());
    return CFPropertyListWriteToFile(root.get(), path,
                                     binary ? kCFPropertyListBinaryFormat_v1_0 : kCFPropertyListXMLFormat_v1_0);
}

namespace {

// The zone a phone writes beside an item's start.
std::string zoneOf(const CalendarItem& item) {
    if (!item.timeZone.empty()) return item.timeZone;
    return item.allDay ? "_float" : "Europe/London";
}

}  // namespace

bool writeCalendar(const std::string& path, const std::vector<CalendarItem>& items, CalendarSchema schema) {
    const Ios ios = schema == CalendarSchema::ios4   ? Ios::v4
                    : schema == CalendarSchema::ios5 ? Ios::v5
                    : schema == CalendarSchema::ios7 ? Ios::v7
                                                     : Ios::v6;
    SqliteWriter db(path, iosschema::writeAheadLog(ios));
    db.exec(iosschema::calendar(ios) + "INSERT INTO Store (ROWID, name, type) VALUES (1, 'Default', 0);");
    if (ios == Ios::v4) {
        db.exec("INSERT INTO Calendar (ROWID, store_id, title, flags, type) VALUES (1, 1, 'Home', 0, 'local');");
        SqliteWriter::Statement insert(
            db,
            "INSERT INTO Event (summary, location, description, start_date, start_tz, end_date, all_day, "
            "calendar_id, last_modified, unique_identifier, hidden) VALUES (?, ?, ?, ?, ?, ?, ?, 1, ?, ?, 0)");
        insertRows(db, items.size(), 0, [&](size_t i) {
            const CalendarItem& c = items[i];
            if (c.reminder) return;  // these devices kept no reminders
            insert.run(c.summary, orNull(c.location), orNull(c.description), c.start - kMacEpochOffset, zoneOf(c),
                       c.end - kMacEpochOffset, c.allDay ? 1 : 0, c.start - kMacEpochOffset - scatter(i, 3000000),
                       "SAMPLE-EVENT-" + std::to_string(i));
        });
        return db.ok();
    }
    db.exec(
        "INSERT INTO Calendar (ROWID, store_id, title, flags, type, supported_entity_types, UUID) "
        "VALUES (1, 1, 'Home', 0, 'local', 4, 'SAMPLE-CAL-HOME'), "
        "(2, 1, 'Reminders', 0, 'local', 8, 'SAMPLE-CAL-REM');");
    SqliteWriter::Statement location(db, "INSERT INTO Location (ROWID, title, item_owner_id) VALUES (?, ?, ?)");
    SqliteWriter::Statement insert(
        db,
        "INSERT INTO CalendarItem (ROWID, summary, location_id, description, start_date, start_tz, end_date, "
        "all_day, calendar_id, entity_type, UUID, creation_date, due_date, last_modified) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?12)");
    int64_t locations = 0;
    insertRows(db, items.size(), 0, [&](size_t i) {
        const CalendarItem& c = items[i];
        const auto row = static_cast<int64_t>(i + 1);
        int64_t locationId = 0;
        if (!c.location.empty()) {
            // Places are made and removed with their items, so their row ids run their own way.
            locations += 1 + scatter(i, 3);
            locationId = locations;
            location.run(locationId, c.location, row);
        }
        const double start = static_cast<double>(c.start - kMacEpochOffset);
        const double end = static_cast<double>(c.end - kMacEpochOffset);
        const double created = start - static_cast<double>(scatter(row, 2000000)) - 0.371;
        if (c.reminder)
            insert.run(row, c.summary, locationId, orNull(c.description), nullptr, nullptr, nullptr, 0, 2, 3,
                       "SAMPLE-ITEM-" + std::to_string(row), created, start);
        else
            insert.run(row, c.summary, locationId, orNull(c.description), start, zoneOf(c), end, c.allDay ? 1 : 0, 1, 2,
                       "SAMPLE-ITEM-" + std::to_string(row), created, nullptr);
    });
    return db.ok();
}

}  // namespace sampledb
