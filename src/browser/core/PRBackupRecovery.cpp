#include "browser/core/PRBackupRecovery.h"

#include "browser/core/PRBackupFileTree.h"
#include "browser/core/PRScanIntake.h"
#include "export/AtomicFile.h"
#include "export/PRHtmlController.h"
#include "export/PRRtfController.h"
#include "export/PRVCFController.h"
#include "platform/LocalNames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string safeName(const std::string& name) { return localnames::safeLocalName(qs(name)).toStdString(); }

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "Label:value  " for each part, in order.
std::string entry(std::initializer_list<std::pair<const char*, const std::string*>> parts) {
    std::string text;
    for (const auto& [label, value] : parts) text += std::string(label) + ":" + *value + "  ";
    return text;
}

std::string errnoText() { return std::strerror(errno); }

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
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
    auto fail = [reason](const std::string& why) {
        if (reason) *reason = why;
        return false;
    };
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail("cannot read " + source + ": " + errnoText());
    const size_t slash = destination.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : destination.substr(0, slash + 1);
    std::string temp = folder + "." + lastComponent(destination) + ".XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        const std::string why = errnoText();
        ::close(in);
        return fail("cannot create " + destination + ": " + why);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(out, 0666 & ~mask);
    // The buffer of one copy; a short read writes only what it read.
    std::unique_ptr<char[]> buffer(new char[kCopyChunk]);
    std::string why;
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), kCopyChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = "cannot read " + source + ": " + errnoText();
            break;
        }
        if (n == 0) break;
        if (!writeAll(out, buffer.get(), static_cast<size_t>(n))) {
            why = "cannot write " + destination + ": " + errnoText();
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && why.empty()) why = "cannot write " + destination + ": " + errnoText();
    if (why.empty() && ::rename(temp.c_str(), destination.c_str()) != 0)
        why = "cannot create " + destination + ": " + errnoText();
    if (!why.empty()) {
        ::unlink(temp.c_str());
        return fail(why);
    }
    return true;
}

std::string PRBackupRecovery::contactEntry(const PRContactNode& c) {
    return entry({{"Name", &c.contactName()},
                  {"Phone", &c.contactPhone()},
                  {"Email", &c.contactEmail()},
                  {"Company", &c.contactCompany()},
                  {"JobTitle", &c.contactJobtitle()},
                  {"Home Page", &c.contactHomepage()},
                  {"Birthday", &c.contactBirthday()},
                  {"Note", &c.contactNote()}});
}

std::string PRBackupRecovery::messageEntry(const PRMessageNode& m) {
    return entry({{"Name", &m.messageName()},
                  {"Phone", &m.messagePhone()},
                  {"Date", &m.messageDate()},
                  {"Type", &m.messageType()},
                  {"Content", &m.messageContent()}});
}

std::string PRBackupRecovery::callHistoryEntry(const PRCallHistoryNode& c) {
    return entry({{"Name", &c.callName()},
                  {"Phone", &c.callPhone()},
                  {"Date", &c.callDate()},
                  {"Type", &c.callType()},
                  {"Duration", &c.callDuration()}});
}

std::string PRBackupRecovery::noteEntry(const PRNoteNode& n) {
    return entry({{"Title", &n.noteTitle()}, {"Note", &n.noteContent()}, {"Date", &n.noteDate()}});
}

std::string PRBackupRecovery::bookMarkEntry(const PRBookMarkNode& b) {
    return entry({{"Title", &b.bookMarkTitle()}, {"URL", &b.bookMarkURL()}});
}

std::string PRBackupRecovery::calenderEntry(const PRCalenderNode& c) {
    return entry(
        {{"Title", &c.calTitle()}, {"Note", &c.calNote()}, {"Start Date", &c.startDate()}, {"End Date", &c.endDate()}});
}

std::string PRBackupRecovery::contactCardName(const PRContactNode& contact) {
    if (!contact.contactName().empty()) return safeName(contact.contactName());
    if (!contact.contactCompany().empty()) return safeName(contact.contactCompany());
    return "unknown " + std::to_string(contact.rowid());
}

int PRBackupRecovery::handleFatherMessageHtml(const PRMessageTreeNode& conversation, PRHtmlController& html) {
    html.addHtmlContent("<p><h3>Name: " + PRHtmlController::escapeHtml(conversation.messageTreeNodeName()) +
                        " &nbsp;&nbsp;Phone: " + PRHtmlController::escapeHtml(conversation.messageTreeNodeAdress()) +
                        " ");
    return 0;
}

int PRBackupRecovery::handleMessageHtml(const PRMessageNode& message, PRHtmlController& html, bool isFarther) {
    const auto esc = [](const std::string& text) { return PRHtmlController::escapeHtml(text); };
    std::string fragment;
    if (isFarther)
        fragment += "<p><h3>Name: " + esc(message.messageName()) +
                    " &nbsp;&nbsp;Phone: " + esc(message.messagePhone()) + " &nbsp;&nbsp;Email: </h3><hr/><p>";
    if (message.messageName().empty() || message.messageName() == " ")
        fragment += "<p class='name'>Name: Me &nbsp;&nbsp; Date: " + esc(message.messageDate()) + " <p>";
    else
        fragment += "<p class='name'>Name: " + esc(message.messageName()) +
                    " &nbsp;&nbsp; Date: " + esc(message.messageDate()) + " <p>";
    if (message.isHasAttach()) {
        const std::string src = esc(message.attachmentPath().value_or("(null)"));
        fragment += message.messageType() == "Received" ? "<p><img src='" + src + "'/></p>"
                                                        : "<p class='imgdic'><img src='" + src + "'/></p>";
    } else {
        const std::string content = esc(message.messageContent());
        fragment += message.messageType() == "Send" ? "<p class='triangle-isosceles2'> " + content + " </p>"
                                                    : "<p class='triangle-isosceles'> " + content + " </p>";
    }
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
    r.written = recovredFilesNum_;
    r.cancelled = cancelled_;
    std::lock_guard lock(mutex_);
    r.failures = failures_;
    r.firstFailedPath = firstFailedPath_;
    r.firstReason = firstReason_;
    return r;
}

bool PRBackupRecovery::makeFolder(const std::string& path) {
    if (QDir().mkpath(qs(path)) && QFileInfo(qs(path)).isDir()) return true;
    failed(path, "cannot create the folder");
    return false;
}

void PRBackupRecovery::copyCounted(const std::string& source, const std::string& destination) {
    ++recovredFilesNum_;
    std::string reason;
    if (!copyFile(source, destination, &reason)) failed(destination, reason);
}

void PRBackupRecovery::recoverContactNode(const PRContactNode& contact, PRRtfController& rtf,
                                          const std::string& folder) {
    ++recovredFilesNum_;
    rtf.addRtfContent(contactEntry(contact));
    const std::string path = folder + "/" + contactCardName(contact) + ".vcf";
    PRVCFController vcf;
    if (!vcf.creatFile(contact, path)) failed(path, "cannot write the vCard");
}

void PRBackupRecovery::recoverMessageNode(const PRMessageNode& message, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(messageEntry(message));
}

void PRBackupRecovery::recoverCallHistoryNode(const PRCallHistoryNode& call, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(callHistoryEntry(call));
}

void PRBackupRecovery::recoverNoteNode(const PRNoteNode& note, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(noteEntry(note));
}

void PRBackupRecovery::recoverBookMarkNode(const PRBookMarkNode& bookmark, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(bookMarkEntry(bookmark));
}

void PRBackupRecovery::recoverCalenderNode(const PRCalenderNode& item, PRRtfController& rtf) {
    ++recovredFilesNum_;
    rtf.addRtfContent(calenderEntry(item));
}

void PRBackupRecovery::recoverPhotoAndVideo(const PRPhotoAndVideoNode& record, const std::string& folder) {
    copyCounted(record.filePath(), folder + "/" + safeName(record.fileNodeName()));
}

void PRBackupRecovery::recoverFaceBookAndTwitter(const PRFaceTwitterNode& record, const std::string& folder) {
    copyCounted(record.faceTwitterFilePath(), folder + "/" + safeName(record.faceTwitterFileName()));
}

void PRBackupRecovery::writeMovFile(const PRMessageNode& message, const std::string& folder) {
    const std::string source = message.attachmentPath().value_or("");
    copyCounted(source, folder + "/" + safeName(lastComponent(source)) + ".mov");
}

void PRBackupRecovery::writeVCFCardNode(const PRMessageNode& message, const std::string& folder) {
    const std::string source = message.attachmentPath().value_or("");
    QFile file(qs(source));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.readAll();
    const std::string text(bytes.constData(), size_t(bytes.size()));
    if (!isUtf8(text)) return;
    const std::string path = folder + "/" + safeName(lastComponent(source)) + ".vcf";
    if (!writeFileAtomically(path, text)) failed(path, "cannot write the card");
}

int PRBackupRecovery::traverseRecoverTreeNode(const PRTreeDirNode& folder, const std::string& destination) {
    if (folder.isSelected() == PRTreeUnselected) return 0;
    for (const PRTreeFileNodePtr& file : folder.fileChildren()) {
        if (cancelled_) return -1;
        if (!file->bSelected()) continue;
        const std::string target = localnames::localPathUnder(qs(destination), qs(file->dirFilePath())).toStdString();
        if (!file->isFile()) {
            makeFolder(target);
            continue;
        }
        if (!makeFolder(target.substr(0, target.rfind('/')))) {
            ++recovredFilesNum_;
            continue;
        }
        copyCounted(file->filePath().value_or(""), target);
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
    // A text file of one record type: its folder, an entry per marked record, the file.
    auto textFile = [&](const char* name, const char* type, const auto& array, auto add) {
        const std::string path = folder(name);
        makeFolder(path);
        PRRtfController rtf;
        for (const auto& record : array) {
            if (cancelled_) return;
            if (marked(record)) add(*record, rtf, path);
        }
        if (!rtf.writeRtfInPath(path, type))
            failed(path + "/" + PRRtfController::fileNameForType(type), "cannot write the text file");
    };

    if (!makeFolder(root)) return result();

    std::string path = folder(kPhotoFolder);
    makeFolder(path);
    for (const auto& record : s.photoAndVideoArray) {
        if (cancelled_) return result();
        if (marked(record)) recoverPhotoAndVideo(*record, path);
    }

    path = folder(safeName(s.deviceName));
    makeFolder(path);
    for (const PRTreeDirNodePtr& node : s.treeRoots)
        if (traverseRecoverTreeNode(*node, path) != 0) break;
    if (cancelled_) return result();

    textFile(kContactFolder, "Contact", s.contactArray,
             [this](const PRContactNode& c, PRRtfController& rtf, const std::string& at) {
                 recoverContactNode(c, rtf, at);
             });
    if (cancelled_) return result();

    path = folder(kMessageFolder);
    makeFolder(path);
    PRHtmlController html;
    html.initMessageHtmlHeader(s.deviceName + "'s Message");
    for (const PRMessageTreeNodePtr& conversation : s.messageTreeArray) {
        if (cancelled_) return result();
        if (!marked(conversation)) continue;
        ++recovredFilesNum_;
        handleFatherMessageHtml(*conversation, html);
        for (const PRMessageNodePtr& message : conversation->MessageNodeArray()) {
            handleMessageHtml(*message, html, false);
            const std::string type = message->attachType().value_or("");
            if (type == "Contact" || type == "Location")
                writeVCFCardNode(*message, path);
            else if (type == "Mov")
                writeMovFile(*message, path);
        }
        html.addHtmlContent("<hr/>");
    }
    const std::string page = path + "/" + kMessagePageName;
    if (!html.writeHtmlInPath(page)) failed(page, "cannot write the conversation page");

    textFile(kNoteFolder, "Note", s.noteArray,
             [this](const PRNoteNode& n, PRRtfController& rtf, const std::string&) { recoverNoteNode(n, rtf); });
    textFile(kCallFolder, "CallHistory", s.callHistoryArray,
             [this](const PRCallHistoryNode& c, PRRtfController& rtf, const std::string&) {
                 recoverCallHistoryNode(c, rtf);
             });
    textFile(
        kBookMarkFolder, "BookMark", s.bookMarkArray,
        [this](const PRBookMarkNode& b, PRRtfController& rtf, const std::string&) { recoverBookMarkNode(b, rtf); });
    textFile(
        kCalendarFolder, "Calendar&Reminder", s.calenderArray,
        [this](const PRCalenderNode& c, PRRtfController& rtf, const std::string&) { recoverCalenderNode(c, rtf); });
    if (cancelled_) return result();

    path = folder(kSocialFolder);
    makeFolder(path);
    for (const auto& record : s.faceTwitterArray) {
        if (cancelled_) return result();
        if (marked(record)) recoverFaceBookAndTwitter(*record, path);
    }
    return result();
}
