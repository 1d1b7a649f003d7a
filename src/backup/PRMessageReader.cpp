#include "backup/PRMessageReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/BackupReaderFields.h"
#include "backup/MessageGroups.h"
#include "backup/MessagePartFiles.h"
#include "backup/MessageSchema.h"
#include "backup/SHAH.h"
#include "backup/TableInParts.h"
#include "model/LocalTime.h"
#include "model/MessageDirection.h"
#include "model/MessageParts.h"
#include "model/PRRecordFields.h"
#include "model/PRSharedText.h"
#include "platform/CoreFoundation.h"
#include "platform/Format.h"
#include "platform/Paths.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// The messages of iOS 6 and later with their handles' addresses, read in parts side by side.
const char* const kIos6Columns =
    "message.ROWID,message.cache_has_attachments,message.text,message.date,message.handle_id,handle.id,"
    "is_from_me,message.service";
const char* const kIos6Handles = "left join handle on message.handle_id=handle.ROWID";
// The older layouts keep a conversation's members in group_member, one row each: joined to the
// messages, a group's message would come once per member. Its members are read apart
// (MessageGroups), and each message once, with its own address (a group message's sender).
const char* const kIos6GroupQuery =
    "select message.ROWID,message.cache_has_attachments,message.group_id,subject, text,date,message.address,"
    "svc_center,flags,association_id from message";
const char* const kOlderQuery =
    "select message.ROWID,message.group_id,subject, text,date,message.address,svc_center,flags,"
    "association_id ,is_madrid,madrid_handle, madrid_account,madrid_flags,madrid_attachmentInfo from message";
const char* const kOldestQuery =
    "select message.ROWID,message.group_id,subject, text,date,message.address,svc_center,flags,"
    "association_id from message";
// The parts of the multimedia messages of the older layouts, by their columns' names: their
// places differ between the phones' versions of the table.
const char* const kPartsQuery = "select message_id, part_id, content_type, data from msg_pieces";
const char* const kAttachmentQuery =
    "select message_attachment_join.message_id, message_attachment_join.attachment_id,"
    "message_attachment_join.attachment_id,attachment.ROWID,attachment.filename from attachment left join  "
    "message_attachment_join on  attachment.ROWID= message_attachment_join.attachment_id";

// The vCard of a shared contact or location is shown as the message's picture data; a
// larger file is no such card.
constexpr size_t kCardLimit = 4 * 1024 * 1024;

// madrid_attachmentInfo of a real iOS 5 file is a binary property list naming the attachments,
// not text: the message keeps its own text then.
bool isBinaryPropertyList(const uint8_t* bytes, size_t length) {
    static constexpr char kMagic[] = "bplist";
    return length >= sizeof kMagic - 1 && std::equal(kMagic, kMagic + sizeof kMagic - 1, bytes);
}

PROptionalText attachmentKind(const std::string& path) {
    switch (mediaKindOfExtension(paths::pathExtensionView(path))) {
    case PRMediaKind::Image: return "Image";
    case PRMediaKind::Movie: return "Mov";
    case PRMediaKind::None: break;
    }
    const std::string name = paths::lastPathComponent(path);
    if (name == "Contact.vcf") return "Contact";
    if (name == "Current Location.loc.vcf") return "Location";
    return std::nullopt;
}

// Which query a row came from decides where its columns lie.
enum class Layout { ios6, ios6Group, older };

// The group_id column of a row of the older layouts.
int groupIdColumn(Layout layout) { return layout == Layout::ios6Group ? 2 : 1; }

// The address of a message of the older layouts: the one member of its conversation with one
// person, else its own (a group message's sender; none for one the phone sent to a group).
void setOlderAddress(PRMessageNode& m, const char* address, const std::string* soleMember) {
    if (soleMember)
        m.setMessagePhone(*soleMember);
    else if (auto v = backupreader::text(address))
        m.setMessagePhone(std::move(*v));
}

// The address of each handle by its row id, read once before the messages. A message's
// handle_id then gives its address as a shared text already made, where looking each one up
// among all the shared texts would cost a walk through memory for every message of a long
// history with many people.
class HandleAddresses {
public:
    void read(BackupDatabase& db) {
        bool plain = true;  // each handle by a number of its own, as the join finds it
        db.query("select ROWID, id from handle", [&](const BackupDatabase::Row& row) {
            const std::optional<int64_t> id = row.wholeNumber(0);
            if (!id) plain = false;
            if (!plain) return;
            std::optional<PRSharedText> address;
            if (auto v = backupreader::text(row.text(1))) address.emplace(std::move(*v));
            handles_.emplace_back(*id, std::move(address));
        });
        std::sort(handles_.begin(), handles_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        // A table that names its rows otherwise (a column of that name holding texts or the same
        // number twice) is left to the join.
        const bool twice = std::adjacent_find(handles_.begin(), handles_.end(), [](const auto& a, const auto& b) {
                               return a.first == b.first;
                           }) != handles_.end();
        if (!plain || twice) handles_.clear();
        // Row ids one after another, as a phone's are, are found by their place.
        contiguous_ = !handles_.empty() &&
                      static_cast<uint64_t>(handles_.back().first) - static_cast<uint64_t>(handles_.front().first) ==
                          handles_.size() - 1;
    }

    // The handle of the row id the column names as a join on it would (an integer, or a real
    // without a fraction): its address, or an empty one when it has none. Null when no handle
    // is known by that column, and the joined row must tell.
    const std::optional<PRSharedText>* find(const BackupDatabase::Row& row, int column) const {
        const std::optional<int64_t> id = row.wholeNumber(column);
        if (!id || handles_.empty()) return nullptr;
        if (contiguous_) {
            const uint64_t place = static_cast<uint64_t>(*id) - static_cast<uint64_t>(handles_.front().first);
            return place < handles_.size() ? &handles_[place].second : nullptr;
        }
        const auto it = std::lower_bound(handles_.begin(), handles_.end(), *id,
                                         [](const auto& handle, int64_t wanted) { return handle.first < wanted; });
        return it != handles_.end() && it->first == *id ? &it->second : nullptr;
    }

private:
    std::vector<std::pair<int64_t, std::optional<PRSharedText>>> handles_;
    bool contiguous_ = false;
};

void fillIos6(PRMessageNode& m, const BackupDatabase::Row& row, Layout layout, const std::string* soleMember,
              const HandleAddresses& handles) {
    using backupreader::text;
    if (auto v = row.decimal(0)) m.setRowId(static_cast<int>(*v));
    if (auto v = row.decimal(1)) m.setIsHasAttach(*v != 0);
    if (layout == Layout::ios6) {
        if (auto v = text(row.text(2))) m.setMessageContent(std::move(*v));
        // This table counts its times from 2001, whatever their year.
        if (auto v = row.decimal(3))
            if (auto date = dateTimeText(*v, TimeBase::since2001)) m.setMessageDate(std::move(*date));
        if (const std::optional<PRSharedText>* address = handles.find(row, 4)) {
            if (*address) m.setMessagePhone(**address);
        } else if (auto v = text(row.text(5))) {
            m.setMessagePhone(std::move(*v));
        }
        if (auto fromMe = row.decimal(6)) {
            m.setMessageType(messageDirectionOfFromMe(*fromMe, MessageRow::Read));
        }
        // The service a message went by ("iMessage", "SMS"), as iOS 6 and later keep it.
        if (const char* service = row.text(7)) m.setBImessage(std::string_view(service) == "iMessage");
    } else {
        // The iOS 6 variant that still keeps conversations in group_member: text, date,
        // address and flags lie where that query puts them.
        if (auto v = text(row.text(4))) m.setMessageContent(std::move(*v));
        if (auto v = backupreader::dateText(row.decimal(5), false)) m.setMessageDate(std::move(*v));
        setOlderAddress(m, row.text(6), soleMember);
        if (auto v = row.decimal(8)) m.setMessageType(messageDirectionOfFlags(*v));
    }
}

void fillOlder(PRMessageNode& m, const BackupDatabase::Row& row, const std::string* soleMember) {
    using backupreader::text;
    if (auto v = row.decimal(0)) m.setRowId(static_cast<int>(*v));
    if (auto v = text(row.text(3))) m.setMessageContent(std::move(*v));
    if (auto v = backupreader::dateText(row.decimal(4), false)) m.setMessageDate(std::move(*v));
    setOlderAddress(m, row.text(5), soleMember);
    if (auto v = row.decimal(7)) m.setMessageType(messageDirectionOfFlags(*v));
    if (row.decimal(9).value_or(0) != 1) return;
    // An iMessage keeps its address and direction in its own columns.
    m.setBImessage(true);
    if (auto v = text(row.text(10))) m.setMessagePhone(std::move(*v));
    if (auto v = row.decimal(12)) m.setMessageType(messageDirectionOfMadridFlags(*v));
    size_t length = 0;
    if (const uint8_t* bytes = row.bytes(13, &length); bytes && !isBinaryPropertyList(bytes, length)) {
        std::string pieces;
        for (size_t i = 0; i < length; ++i)
            if (bytes[i] != 0) pieces += static_cast<char>(bytes[i]);
        m.setMessageContent(GetStringFormChar(pieces.c_str()));
    }
}

}  // namespace

void PRMessageReader::scanMessageThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRMessageReader::scanTransferMessageThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRMessageReader::scanTransMessageAttachThread(const std::string& databasePath,
                                                   std::vector<PRMessageAttachNodePtr>& into) {
    BackupDatabase db(databasePath);
    db.query(kAttachmentQuery, [&](const BackupDatabase::Row& row) {
        auto attach = std::make_shared<PRMessageAttachNode>();
        if (row.text(0)) attach->setMessageId(static_cast<int>(row.integer(0)));
        if (row.text(1)) attach->setAttachmentId(static_cast<int>(row.integer(1)));
        if (const char* name = row.text(4)) {
            std::string path = GetStringFormChar(name);
            replaceAll(path, "~/", "");
            attach->setAttachType(attachmentKind(path));
            attach->setAttachpath(std::move(path));
        }
        into.push_back(std::move(attach));
    });
}

void PRMessageReader::scanMessageAttachThread(const std::string& databasePath) {
    scanTransMessageAttachThread(databasePath, state_.meesageAttachArray);
}

void PRMessageReader::checkiOSVersionByPath(const std::string& backupFolder) {
    if (!backupreader::directoryExists(backupFolder)) {
        backupreader::log("Filepath is not exist");
        return;
    }
    auto stringIn = [](CFTypeRef dict, const char* key) -> std::optional<std::string> {
        if (CFGetTypeID(dict) != CFDictionaryGetTypeID()) return std::nullopt;
        CFTypeRef value = CFDictionaryGetValue(static_cast<CFDictionaryRef>(dict), key);
        if (CFGetTypeID(value) != CFStringGetTypeID()) return std::nullopt;
        return CFStringGetStdString(static_cast<CFStringRef>(value));
    };
    std::string infoError, manifestError;
    CFHolder<CFPropertyListRef> info(
        CFPropertyListCreateFromFile(backupFolder + "/Info.plist", &infoError, /*followLinks*/ false));
    CFHolder<CFPropertyListRef> manifest(
        CFPropertyListCreateFromFile(backupFolder + "/Manifest.plist", &manifestError, /*followLinks*/ false));
    std::optional<std::string> version;
    if (CFGetTypeID(info.get()) == CFDictionaryGetTypeID()) {
        version = stringIn(info.get(), "Product Version");
    } else if (CFGetTypeID(manifest.get()) == CFDictionaryGetTypeID()) {
        CFTypeRef lockdown = CFDictionaryGetValue(static_cast<CFDictionaryRef>(manifest.get()), "Lockdown");
        if (lockdown) version = stringIn(lockdown, "ProductVersion");
    }
    // A version whose major part is a number; anything else gives no schema.
    const std::string major = version ? version->substr(0, version->find('.')) : std::string();
    if (!major.empty() && major.size() <= 4 && major.find_first_not_of("0123456789") == std::string::npos) {
        state_.currentNodeIsiOS6Version = state_.IOSVersionIOS6(*version);
        return;
    }
    // Without an Info.plist the manifest's list was the one to give the version.
    const bool hasInfo = ::access((backupFolder + "/Info.plist").c_str(), F_OK) == 0;
    versionUnreadable(backupFolder, hasInfo ? infoError : manifestError);
}

void PRMessageReader::versionUnreadable(const std::string& backupFolder, const std::string& why) {
    std::string line = "The iOS version of the backup " + backupFolder + " could not be read";
    if (!why.empty()) line += " (" + why + ")";
    BackupDatabase db(backupFolder + "/" + backupkeys::messages);
    const std::optional<bool> ios6 = db.isOpen() ? messageSchemaIsIos6(db) : std::nullopt;
    if (ios6) {
        state_.currentNodeIsiOS6Version = *ios6;
        line += std::string("; its messages are read with the ") + (*ios6 ? "iOS 6" : "older") +
                " schema that the database holds";
    }
    backupreader::log(line.c_str());
}

bool PRMessageReader::schemaToRead(const std::string& dbPath, bool ios6) {
    BackupDatabase db(dbPath);
    const std::optional<bool> held = db.isOpen() ? messageSchemaIsIos6(db) : std::nullopt;
    if (!held || *held == ios6) return ios6;
    const std::string line = "The messages database " + dbPath + " does not hold the schema of the backup's iOS " +
                             "version; it is read with the " + (*held ? "iOS 6" : "older") + " schema it holds";
    backupreader::log(line.c_str());
    return *held;
}

void PRMessageReader::attachFile(PRMessageNode& message, const PRMessageAttachNode& attach,
                                 const std::string& backupFolder, bool transfer) const {
    // The file is taken from the backup only, through its key, never from the device path the
    // database names. The browser finds the key among the manifest records it keeps; a
    // transfer backup is read without its manifest, so the key is made from the path.
    PROptionalText key;
    if (transfer) {
        std::string path = backupFolder + "/" + backupFileKey("MediaDomain", *attach.attachpath());
        if (backupreader::fileExists(path)) key = std::move(path);
    } else {
        key = state_.getFileKeyBytheFilepath(*attach.attachpath());
    }
    message.setAttachmentPath(key);
    message.setAttachType(attach.attachType());
    const bool card = attach.attachType() == "Contact" || attach.attachType() == "Location";
    if (card && key) message.setContactImageData(backupreader::readFile(*key, kCardLimit));
}

void PRMessageReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(transfer, [this, transfer] {
        if (transfer)
            notices::ScanTransferMessageFinished.post(nc_, sender_);
        else
            notices::ScanProgressInfo.post(nc_, NSNumber::numberWithInt(50));
    });
    if (backupFolder.empty()) return;
    const std::string dbPath = backupFolder + "/" + backupkeys::messages;
    if (!backupreader::fileExists(dbPath)) return;
    end.arm();

    // One preparation serves both the attachment and the message queries.
    const auto prepared = PreparedDatabase::prepare(dbPath);
    std::vector<PRMessageAttachNodePtr> localAttachments;
    if (transfer) {
        checkiOSVersionByPath(backupFolder);
    }
    const bool ios6 = schemaToRead(dbPath, state_.currentNodeIsiOS6Version);
    auto& attachments = transfer ? localAttachments : state_.meesageAttachArray;
    const size_t firstAttachment = attachments.size();
    if (ios6) scanTransMessageAttachThread(dbPath, attachments);
    // The first attachment row of each message.
    std::unordered_map<int, PRMessageAttachNodePtr> attachmentOf;
    for (size_t i = firstAttachment; i < attachments.size(); ++i)
        attachmentOf.try_emplace(attachments[i]->messageId(), attachments[i]);

    const auto contacts = state_.contactNumbers(transfer);

    const Notice<PRMessageNode>& posted = transfer ? notices::ScanTransferMessageInfo : notices::ScanMessageInfo;
    BackupDatabase db(dbPath);
    if (db.isOpen()) {
        // A multimedia message of the older layouts keeps its text and files as parts of its own.
        MessageParts parts;
        if (!ios6) {
            db.query(kPartsQuery, [&](const BackupDatabase::Row& row) {
                const char* type = row.text(2);
                size_t length = 0;
                const uint8_t* data = row.bytes(3, &length);
                parts.add(row.integer(0), row.integer(1), type ? type : "",
                          std::string_view(reinterpret_cast<const char*>(data), data ? length : 0));
            });
        }
        std::optional<MessagePartFiles> partFiles;  // read from the manifest when a part has a file
        auto readGroups = std::make_shared<MessageGroups>();
        MessageGroups& groups = *readGroups;
        groups.read(db, ios6, *contacts);
        HandleAddresses handles;
        if (ios6) handles.read(db);
        // A message is made wherever its row is read (a part of a long table on a thread of its
        // own), and posted here in the order of the rows. The groups are only read meanwhile.
        auto messageOf = [&](const BackupDatabase::Row& row, Layout layout) {
            auto message = std::make_shared<PRMessageNode>();
            const MessageGroups::Group* group = nullptr;
            const std::string* soleMember = nullptr;
            if (layout != Layout::ios6) {
                const int64_t groupId = row.integer(groupIdColumn(layout));
                group = groups.ofGroupId(groupId);
                soleMember = groups.soleMember(groupId);
            }
            if (layout == Layout::older) {
                fillOlder(*message, row, soleMember);
                if (const auto own = parts.empty() ? std::nullopt : parts.of(message->rowId())) {
                    PROptionalText file;
                    if (!own->files.empty()) {
                        if (!partFiles) partFiles.emplace(backupFolder);
                        file = partFiles->fileOf(message->rowId(), own->files.front().partId);
                    }
                    MessageParts::give(*message, *own, std::move(file));
                }
            } else
                fillIos6(*message, row, layout, soleMember, handles);
            if (layout == Layout::ios6) group = groups.ofMessage(message->rowId());
            if (group) {
                message->setGroupAddress(group->address);
                message->setGroupName(group->name);
            }
            if (const auto found = contacts->find(message->messagePhone())) {
                message->setMessageName(*found.recordName);
                message->setContactImageData(found.contact->imageData());
            }
            if (layout != Layout::older && message->isHasAttach()) {
                auto found = attachmentOf.find(message->rowId());
                if (found != attachmentOf.end() && found->second->attachpath())
                    attachFile(*message, *found->second, backupFolder, transfer);
            }
            return message;
        };
        auto post = [&](PRMessageNodePtr&& message) {
            state_.messageContactData.reset();
            posted.post(nc_, std::move(message), transfer ? sender_ : nullptr);
        };
        auto readPlainly = [&](const char* query, Layout layout) {
            return db.query(query, [&](const BackupDatabase::Row& row) { post(messageOf(row, layout)); });
        };
        // Each part keeps the zone it started in for every message it dates.
        auto newMaker = [&] {
            return [&, zone = std::make_shared<const LocalZoneHold>()](const BackupDatabase::Row& row) {
                return messageOf(row, Layout::ios6);
            };
        };
        const bool read = ios6 ? tableparts::read(db, {"message", kIos6Handles}, kIos6Columns, newMaker, post)
                               : readPlainly(kOlderQuery, Layout::older);
        if (!read) {
            // That iOS 6 variant keeps its conversations in group_member, as the older layouts do.
            if (ios6) {
                groups = MessageGroups();
                groups.read(db, false, *contacts);
            }
            readPlainly(ios6 ? kIos6GroupQuery : kOldestQuery, ios6 ? Layout::ios6Group : Layout::older);
        }
        if (!transfer) state_.messageGroups = std::move(readGroups);
    }
}
