#include "browser/core/PRBackupRecovery.h"

#include "browser/core/ConversationPage.h"
#include "browser/core/PRBackupFileTree.h"
#include "browser/core/PRScanIntake.h"
#include "export/PRHtmlController.h"
#include "export/PRRtfController.h"
#include "export/PRVCFController.h"
#include "model/MessageSpeaker.h"
#include "model/PRRecordFields.h"
#include "platform/FileOpen.h"
#include "platform/LocalNames.h"
#include "platform/NewFile.h"

#include <QDateTime>
#include <QString>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string safeName(const std::string& name) { return localnames::safeLocalName(qs(name)).toStdString(); }

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "Label:value  " for each part, in order.
std::string entry(std::initializer_list<std::pair<const char*, std::string_view>> parts) {
    std::string text;
    for (const auto& [label, value] : parts) ((text += label) += ':').append(value) += "  ";
    return text;
}

// The extension of name when it is one of a picture's (".jpg", ".png"...), else empty.
std::string pictureExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    const std::string extension = name.substr(dot + 1);
    return mediaKindOfExtension(extension) == PRMediaKind::Image ? name.substr(dot) : std::string();
}

// A backup keeps an attachment under its key, without extension: the picture's own first bytes
// say which extension lets a browser or viewer open its copy.
std::string pictureExtensionOf(const std::string& path) {
    unsigned char head[12] = {};
    const int fd = files::openForReading(path, /*followLinks*/ false);
    if (fd < 0) return ".jpg";
    const size_t got = files::readAt(fd, head, sizeof head, 0);
    ::close(fd);
    if (got >= 4 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') return ".png";
    if (got >= 4 && head[0] == 'G' && head[1] == 'I' && head[2] == 'F' && head[3] == '8') return ".gif";
    if (got >= 12 && std::memcmp(head + 4, "ftyp", 4) == 0 &&
        (std::memcmp(head + 8, "heic", 4) == 0 || std::memcmp(head + 8, "mif1", 4) == 0))
        return ".heic";
    return ".jpg";
}

bool isUtf8(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size()))));
    return !decoder.hasError();
}

}  // namespace

PRRecoverySelection recoverySelectionOf(PRScanIntake& intake, const std::string& deviceName) {
    PRRecoverySelection s;
    s.deviceName = deviceName;
    s.photoAndVideoArray = intake.photoAndVideoArray;
    s.treeRoots = intake.tree.roots();
    s.contactArray = intake.contactArray();
    s.messageTreeArray = intake.messageTreeArray();
    s.noteArray = intake.noteArray();
    s.callHistoryArray = intake.callHistoryArray();
    s.bookMarkArray = intake.bookMarkArray();
    s.calenderArray = intake.calenderArray();
    s.faceTwitterArray = intake.faceTwitterArray;
    return s;
}

std::string PRBackupRecovery::defaultFolderName(const QDateTime& when) {
    return QStringLiteral("Quillomatrix %1 - %2")
        .arg(when.toString(QStringLiteral("yyyy-MM-dd")), when.toString(QStringLiteral("HH.mm.ss")))
        .toStdString();
}

bool PRBackupRecovery::copyFile(const std::string& source, const std::string& destination, std::string* reason) {
    const files::Outcome copied = files::copyNewFile(source, destination);
    if (!copied.ok() && reason) *reason = copied.reason;
    return copied.ok();
}

std::string PRBackupRecovery::contactEntry(const PRContactNode& c) {
    // Numbers hold blanks themselves: one after another they are told apart by ", ".
    std::string phones;
    for (const PRContactValue& phone : c.contactPhones()) appendPart(phones, phone.value.view(), ", ");
    return entry({{"Name", shownContactName(c)},
                  {"Phone", c.contactPhones().empty() ? c.contactPhone() : phones},
                  {"Email", c.contactEmail()},
                  {"Company", c.contactCompany()},
                  {"JobTitle", c.contactJobtitle()},
                  {"Home Page", c.contactHomepage()},
                  {"Address", c.contactAdress()},
                  {"Birthday", c.contactBirthday()},
                  {"Note", c.contactNote()}});
}

std::string PRBackupRecovery::messageEntry(const PRMessageNode& m) {
    return entry({{"Name", messageSpeaker(m)},
                  {"Phone", m.messagePhone()},
                  {"Date", messageDateText(m)},
                  {"Type", m.messageType()},
                  {"Content", m.messageContent()}});
}

std::string PRBackupRecovery::callHistoryEntry(const PRCallHistoryNode& c) {
    return entry({{"Name", c.callName()},
                  {"Phone", c.callPhone()},
                  {"Date", c.callDate()},
                  {"Type", c.callType()},
                  {"Duration", c.callDuration()}});
}

std::string PRBackupRecovery::noteEntry(const PRNoteNode& n) {
    return entry({{"Title", n.noteTitle()}, {"Note", n.noteContent()}, {"Date", n.noteDate()}});
}

std::string PRBackupRecovery::bookMarkEntry(const PRBookMarkNode& b) {
    return entry({{"Title", b.bookMarkTitle()}, {"URL", b.bookMarkURL()}});
}

std::string PRBackupRecovery::calenderEntry(const PRCalenderNode& c) {
    return entry(
        {{"Title", c.calTitle()}, {"Note", c.calNote()}, {"Start Date", c.startDate()}, {"End Date", c.endDate()}});
}

std::string PRBackupRecovery::contactCardName(const PRContactNode& contact) {
    if (const std::string shown = shownContactName(contact); !shown.empty()) return safeName(shown);
    return "unknown " + std::to_string(contact.rowid());
}

int PRBackupRecovery::handleFatherMessageHtml(const PRMessageTreeNode& conversation, PRHtmlController& html) {
    html.addHtmlContent("<h3>Name: " + PRHtmlController::escapeHtml(conversation.messageTreeNodeName()) +
                        " &nbsp;&nbsp;Phone: " + PRHtmlController::escapeHtml(conversation.messageTreeNodeAdress()) +
                        "</h3>");
    return 0;
}

int PRBackupRecovery::handleMessageHtml(const PRMessageNode& message, PRHtmlController& html, bool isFarther,
                                        const std::string& attachmentLink) {
    const auto esc = [](const std::string& text) { return PRHtmlController::escapeHtml(text); };
    const bool sent = isSentMessage(message);
    std::string fragment;
    if (isFarther)
        fragment += "<h3>Name: " + esc(message.messageName()) + " &nbsp;&nbsp;Phone: " + esc(message.messagePhone()) +
                    " &nbsp;&nbsp;Email: </h3><hr/>";
    // A message read from the database is named by its row, so that it can be linked to and
    // found again; a carved one has no row of its own.
    fragment += message.bDeleted() || message.rowId() < 0
                    ? std::string("<div class='message'>")
                    : "<div class='message' id='message-" + std::to_string(message.rowId()) + "'>";
    fragment += "<p class='name'>Name: <span class='speaker'>" + esc(messageSpeaker(message)) +
                "</span> &nbsp;&nbsp; Date: " + esc(messageDateText(message)) + "</p>";
    // Without the marks a phone puts where an attachment stands (also where it kept none).
    const std::string text = messageText(message);
    if (message.isHasAttach()) {
        fragment += sent ? "<p class='imgdic'>" : "<p>";
        const std::string type = message.attachType().value_or("");
        const std::string link = esc(attachmentLink);
        const std::string name =
            esc(QUrl::fromPercentEncoding(QByteArray::fromStdString(lastComponent(attachmentLink))).toStdString());
        if (attachmentLink.empty())
            fragment += "(attachment not in the backup)";
        else if (type == "Image")
            fragment += "<img src='" + link + "' alt='Picture " + name + "'>";
        else if (type == "Mov")
            fragment += "<video controls src='" + link + "'><a href='" + link + "'>Video " + name + "</a></video>";
        else if (type == "Contact" || type == "Location")
            fragment += "<a href='" + link + "'>" + (type == "Contact" ? "Contact card " : "Location ") + name + "</a>";
        else
            fragment += "<a href='" + link + "'>File " + name + "</a>";
        fragment += "</p>";
    }
    // The text sent with an attachment follows it.
    if (!message.isHasAttach() || !text.empty()) {
        std::string content = esc(text);
        for (size_t at = content.find('\n'); at != std::string::npos; at = content.find('\n', at + 4))
            content.replace(at, 1, "<br>");
        fragment += sent ? "<p class='triangle-isosceles2'> " + content + " </p>"
                         : "<p class='triangle-isosceles'> " + content + " </p>";
    }
    fragment += "</div>";
    html.addHtmlContent(fragment);
    return 0;
}

void PRBackupRecovery::failed(const std::string& path, const std::string& reason) {
    std::lock_guard lock(mutex_);
    if (failures_++ == 0) {
        firstFailedPath_ = path;
        firstReason_ = reason;
    }
}

PRRecoveryResult PRBackupRecovery::result() const {
    PRRecoveryResult r;
    r.written = writtenNum_;
    for (size_t k = 0; k < r.writtenOf.size(); ++k) r.writtenOf[k] = writtenOf_[k];
    r.cancelled = cancelled_;
    std::lock_guard lock(mutex_);
    r.failures = failures_;
    r.firstFailedPath = firstFailedPath_;
    r.firstReason = firstReason_;
    return r;
}

bool PRBackupRecovery::makeFolder(const std::string& path) {
    const std::string why = files::makeFolders(path);
    if (why.empty()) return true;
    failed(path, why);
    return false;
}

void PRBackupRecovery::counted(const files::Outcome& outcome, PRRecoveryResult::Kind kind) {
    if (outcome.ok()) {
        ++writtenNum_;
        ++writtenOf_[kind];
    } else {
        failed(outcome.path, outcome.reason);
    }
}

void PRBackupRecovery::copyCounted(const std::string& source, const std::string& destination,
                                   PRRecoveryResult::Kind kind) {
    ++recovredFilesNum_;
    counted(files::copyNewFile(source, destination), kind);
}

bool PRBackupRecovery::recoverContactNode(const PRContactNode& contact, PRRtfController& rtf,
                                          const std::string& folder) {
    ++recovredFilesNum_;
    rtf.addRtfContent(contactEntry(contact));
    PRVCFController vcf;
    const files::Outcome card = vcf.creatFile(contact, folder + "/" + contactCardName(contact) + ".vcf");
    if (!card.ok()) failed(card.path, card.reason);
    return card.ok();
}

bool PRBackupRecovery::recoverMessageNode(const PRMessageNode& message, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(messageEntry(message));
    return true;
}

bool PRBackupRecovery::recoverCallHistoryNode(const PRCallHistoryNode& call, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(callHistoryEntry(call));
    return true;
}

bool PRBackupRecovery::recoverNoteNode(const PRNoteNode& note, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(noteEntry(note));
    return true;
}

bool PRBackupRecovery::recoverBookMarkNode(const PRBookMarkNode& bookmark, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(bookMarkEntry(bookmark));
    return true;
}

bool PRBackupRecovery::recoverCalenderNode(const PRCalenderNode& item, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(calenderEntry(item));
    return true;
}

void PRBackupRecovery::recoverPhotoAndVideo(const PRPhotoAndVideoNode& record, const std::string& folder) {
    copyCounted(record.filePath(), folder + "/" + safeName(record.fileNodeName()), PRRecoveryResult::Photos);
}

void PRBackupRecovery::recoverFaceBookAndTwitter(const PRFaceTwitterNode& record, const std::string& folder) {
    copyCounted(record.faceTwitterFilePath(), folder + "/" + safeName(record.faceTwitterFileName()),
                PRRecoveryResult::SocialFiles);
}

files::Outcome PRBackupRecovery::writeMovFile(const PRMessageNode& message, const std::string& folder) {
    const std::string source = message.attachmentPath().value_or("");
    const std::string target = folder + "/" + safeName(lastComponent(source)) + ".mov";
    ++recovredFilesNum_;
    const files::Outcome copied = files::copyNewFile(source, target);
    counted(copied, PRRecoveryResult::Attachments);
    return copied;
}

files::Outcome PRBackupRecovery::writeVCFCardNode(const PRMessageNode& message, const std::string& folder) {
    const std::string source = message.attachmentPath().value_or("");
    const std::string target = folder + "/" + safeName(lastComponent(source)) + ".vcf";
    std::string text, why;
    if (!files::readRegularFile(source, kCardLimit, &text, &why, /*followLinks*/ false))
        return {target, why.empty() ? "the card cannot be read" : why};
    if (!isUtf8(text)) return {target, "the card is not UTF-8 text"};
    const files::Outcome card = files::writeNewFile(target, text);
    if (card.ok())
        ++writtenOf_[PRRecoveryResult::Attachments];
    else
        failed(card.path, card.reason);
    return card;
}

files::Outcome PRBackupRecovery::writeAttachment(const PRMessageNode& message, const std::string& folder) {
    const std::string source = message.attachmentPath().value_or("");
    if (source.empty()) return {folder, "the attachment is not in the backup"};
    const std::string type = message.attachType().value_or("");
    if (type == "Mov") return writeMovFile(message, folder);
    if (type == "Contact" || type == "Location") return writeVCFCardNode(message, folder);
    std::string name = safeName(lastComponent(source));
    if (type == "Image" && pictureExtension(name).empty()) name += pictureExtensionOf(source);
    ++recovredFilesNum_;
    const files::Outcome copied = files::copyNewFile(source, folder + "/" + name);
    counted(copied, PRRecoveryResult::Attachments);
    return copied;
}

void PRBackupRecovery::recoverBackupFile(const PRTreeFileNode& file, const std::string& target, std::string* landed) {
    constexpr int kType = 0xF000, kFolder = 0x4000, kLink = 0xA000;
    const int type = file.fileMode() & kType;
    ++recovredFilesNum_;  // handled, whether it arrives or its failure is counted
    // A manifest that does not say (mode 0) leaves it to the data file: none means a folder.
    if (type == kFolder || (type == 0 && !file.isFile())) {
        if (makeFolder(target)) {
            ++writtenNum_;
            ++writtenOf_[PRRecoveryResult::BackupFiles];
        }
        return;
    }
    if (type == kLink) {
        failed(file.dirFilePath(), "a link in the backup, not recovered");
        return;
    }
    if (file.dirFilePath().empty()) {
        failed(file.filePath().value_or(file.treefileName()), "it has no path in the backup, not recovered");
        return;
    }
    // A file record: its data must be a regular file of the backup, opened without following a
    // link or blocking on a FIFO or device in its place.
    const std::string data = file.filePath().value_or("");
    const int fd = files::openForReading(data, /*followLinks*/ false);
    if (fd < 0) {
        const int error = errno;
        failed(file.dirFilePath(), error == ENOENT  ? std::string("missing from the backup")
                                   : error == ELOOP ? std::string("a link in the backup, not recovered")
                                   : error == EINVAL || error == EISDIR
                                       ? std::string("not a regular file in the backup, not recovered")
                                       : "its data " + files::openFailure(error));
        return;
    }
    if (makeFolder(target.substr(0, target.rfind('/')))) {
        const files::Outcome copied = files::copyNewFile(fd, data, target);
        counted(copied, PRRecoveryResult::BackupFiles);
        if (copied.ok() && landed) *landed = copied.path;
    }
    ::close(fd);
}

namespace {

constexpr const char* kJournalSuffixes[] = {"-wal", "-shm"};

// The record of folder named name, or null.
PRTreeFileNodePtr recordNamed(const PRTreeDirNode& folder, const std::string& name) {
    for (const PRTreeFileNodePtr& f : folder.fileChildren())
        if (f->treefileName() == name) return f;
    return nullptr;
}

// Whether file is the journal of a database marked beside it, which goes with that database.
bool journalOfMarked(const PRTreeFileNode& file, const PRTreeDirNode& folder) {
    const std::string& name = file.treefileName();
    for (const char* suffix : kJournalSuffixes) {
        const std::string s(suffix);
        if (name.size() <= s.size() || !name.ends_with(s)) continue;
        const PRTreeFileNodePtr database = recordNamed(folder, name.substr(0, name.size() - s.size()));
        if (database && database->bSelected()) return true;
    }
    return false;
}

}  // namespace

void PRBackupRecovery::recoverJournalOf(const PRTreeFileNode& file, const PRTreeDirNode& folder,
                                        const std::string& landed) {
    for (const char* suffix : kJournalSuffixes) {
        std::string source;
        if (const PRTreeFileNodePtr record = recordNamed(folder, file.treefileName() + suffix))
            source = record->filePath().value_or("");
        else if (const std::string beside = file.filePath().value_or("") + suffix;
                 !file.filePath().value_or("").empty() && files::isRegularFile(beside, /*followLinks*/ false))
            source = beside;
        if (source.empty()) continue;
        const std::string target = landed + suffix;
        const files::Outcome copied = files::copyNewFile(source, target);
        if (!copied.ok()) {
            failed(target, copied.reason);
        } else if (copied.path != target) {
            // Under another name the journal would be no journal of the file: nothing is left.
            ::unlink(copied.path.c_str());
            failed(target, "its journal cannot be put beside it: a file of that name is there");
        }
    }
}

int PRBackupRecovery::traverseRecoverTreeNode(const PRTreeDirNode& folder, const std::string& destination) {
    if (folder.isSelected() == PRTreeUnselected) return 0;
    for (const PRTreeFileNodePtr& file : folder.fileChildren()) {
        if (cancelled_) return -1;
        if (!file->bSelected()) continue;
        if (journalOfMarked(*file, folder)) {
            ++recovredFilesNum_;  // written with its database, beside it
            continue;
        }
        std::string landed;
        recoverBackupFile(*file, localnames::localPathUnder(qs(destination), qs(file->dirFilePath())).toStdString(),
                          &landed);
        if (!landed.empty()) recoverJournalOf(*file, folder, landed);
    }
    for (const PRTreeDirNodePtr& child : folder.children())
        if (traverseRecoverTreeNode(*child, destination) != 0) return -1;
    return 0;
}

uint64_t PRBackupRecovery::countSelected(const PRRecoverySelection& s) {
    uint64_t n = 0;
    auto add = [&n](const auto& array) {
        for (const auto& record : array) n += record->bSelected() ? 1 : 0;
    };
    add(s.photoAndVideoArray);
    add(s.contactArray);
    add(s.messageTreeArray);
    add(s.noteArray);
    add(s.callHistoryArray);
    add(s.bookMarkArray);
    add(s.calenderArray);
    add(s.faceTwitterArray);
    for (const PRTreeDirNodePtr& root : s.treeRoots)
        if (root->isSelected() != PRTreeUnselected) n += PRBackupFileTree::getNumSelectedItem(*root);
    return n;
}

PRRecoveryResult PRBackupRecovery::recoverFilesThread(const PRRecoverySelection& s, const std::string& recoverPath) {
    allSelectedFileNum_ = countSelected(s);
    const std::string root = recoverPath;
    auto folder = [&root](const std::string& name) { return root + "/" + name; };
    auto marked = [](const auto& record) { return record->bSelected(); };
    // Only what the user chose is written: a category none of whose records is marked makes
    // neither its folder nor its file.
    auto anyMarked = [&](const auto& array) { return std::any_of(array.begin(), array.end(), marked); };
    // A text file of one record type: its folder, an entry per marked record, the file.
    auto textFile = [&](const char* name, const char* type, PRRecoveryResult::Kind kind, const auto& array, auto add) {
        if (!anyMarked(array)) return;
        const std::string path = folder(name);
        makeFolder(path);
        // Each entry goes to the file as it is made.
        PRRtfController rtf;
        rtf.beginRtfInPath(path, type);
        uint64_t entries = 0;
        for (const auto& record : array) {
            if (cancelled_) return;
            if (marked(record) && add(*record, rtf, path)) ++entries;
        }
        // A record is written when its text file is (and a contact's card arrived).
        const files::Outcome written = rtf.endRtf();
        if (written.ok()) {
            writtenNum_ += entries;
            writtenOf_[kind] += entries;
        } else {
            failed(written.path, written.reason);
        }
    };

    if (!makeFolder(root)) return result();

    std::string path = folder(kPhotoFolder);
    if (anyMarked(s.photoAndVideoArray)) makeFolder(path);
    for (const auto& record : s.photoAndVideoArray) {
        if (cancelled_) return result();
        if (marked(record)) recoverPhotoAndVideo(*record, path);
    }

    path = folder(safeName(s.deviceName));
    if (std::any_of(s.treeRoots.begin(), s.treeRoots.end(),
                    [](const PRTreeDirNodePtr& r) { return r->isSelected() != PRTreeUnselected; }))
        makeFolder(path);
    for (const PRTreeDirNodePtr& node : s.treeRoots)
        if (traverseRecoverTreeNode(*node, path) != 0) break;
    if (cancelled_) return result();

    textFile(kContactFolder, "Contact", PRRecoveryResult::Contacts, s.contactArray,
             [this](const PRContactNode& c, PRRtfController& rtf, const std::string& at) {
                 return recoverContactNode(c, rtf, at);
             });
    if (cancelled_) return result();

    if (anyMarked(s.messageTreeArray)) {
        path = folder(kMessageFolder);
        makeFolder(path);
        ConversationPage page(*this, path, kMessagePageName, s.deviceName + "'s Message");
        uint64_t conversations = 0, messages = 0;
        for (const PRMessageTreeNodePtr& conversation : s.messageTreeArray) {
            if (cancelled_) return result();
            if (!marked(conversation)) continue;
            ++recovredFilesNum_;
            ++conversations;
            messages += conversation->MessageNodeArray().size();
            page.addConversation(*conversation);
        }
        const files::Outcome written = page.write();
        if (written.ok()) {
            writtenNum_ += conversations;
            writtenOf_[PRRecoveryResult::Conversations] += conversations;
            writtenOf_[PRRecoveryResult::Messages] += messages;
        } else {
            failed(written.path, written.reason);
        }
    }

    textFile(kNoteFolder, "Note", PRRecoveryResult::Notes, s.noteArray,
             [this](const PRNoteNode& n, PRRtfController& rtf, const std::string&) { return recoverNoteNode(n, rtf); });
    textFile(kCallFolder, "CallHistory", PRRecoveryResult::Calls, s.callHistoryArray,
             [this](const PRCallHistoryNode& c, PRRtfController& rtf, const std::string&) {
                 return recoverCallHistoryNode(c, rtf);
             });
    textFile(kBookMarkFolder, "BookMark", PRRecoveryResult::BookMarks, s.bookMarkArray,
             [this](const PRBookMarkNode& b, PRRtfController& rtf, const std::string&) {
                 return recoverBookMarkNode(b, rtf);
             });
    textFile(kCalendarFolder, "Calendar&Reminder", PRRecoveryResult::CalendarItems, s.calenderArray,
             [this](const PRCalenderNode& c, PRRtfController& rtf, const std::string&) {
                 return recoverCalenderNode(c, rtf);
             });
    if (cancelled_) return result();

    path = folder(kSocialFolder);
    if (anyMarked(s.faceTwitterArray)) makeFolder(path);
    for (const auto& record : s.faceTwitterArray) {
        if (cancelled_) return result();
        if (marked(record)) recoverFaceBookAndTwitter(*record, path);
    }
    return result();
}
