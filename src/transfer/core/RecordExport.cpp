#include "transfer/core/RecordExport.h"

#include "browser/core/ConversationPage.h"
#include "browser/core/PRBackupRecovery.h"
#include "export/PRRtfController.h"
#include "export/PRVCFController.h"
#include "platform/LocalNames.h"
#include "platform/Paths.h"

#include <QString>

namespace transfer {
namespace {

std::string safeName(const std::string& name) {
    return localnames::safeLocalName(QString::fromStdString(name)).toStdString();
}

bool makeFolder(const std::string& folder, RecordExportResult& result) {
    const std::string why = files::makeFolders(folder);
    if (why.empty()) return true;
    result.failed(folder, why);
    return false;
}

}  // namespace

void RecordExportResult::failed(const std::string& path, const std::string& reason) {
    if (failures++ == 0) {
        firstFailedPath = path;
        firstReason = reason;
    }
}

void RecordExportResult::counted(const files::Outcome& outcome) {
    if (!outcome.ok()) {
        failed(outcome.path, outcome.reason);
        return;
    }
    if (outcome.alreadyThere) {
        ++alreadyThere;
        return;
    }
    ++written;
    files.push_back(outcome.path);
}

void RecordExportResult::add(const RecordExportResult& other) {
    written += other.written;
    alreadyThere += other.alreadyThere;
    if (other.failures > 0 && failures == 0) {
        firstFailedPath = other.firstFailedPath;
        firstReason = other.firstReason;
    }
    failures += other.failures;
    files.insert(files.end(), other.files.begin(), other.files.end());
}

std::string RecordExport::contactFolder() { return paths::userPath("Documents/Contact"); }
std::string RecordExport::messageFolder() { return paths::userPath("Documents/Message"); }
std::string RecordExport::noteFolder() { return paths::userPath("Documents/Note"); }

std::string RecordExport::contactFileName(const PRContactNode& contact) {
    return PRBackupRecovery::contactCardName(contact) + ".vcf";
}

std::string RecordExport::conversationBaseName(const PRMessageTreeNode& conversation) {
    const QString name = QString::fromStdString(conversation.messageTreeNodeName());
    return safeName(name.size() >= 2 ? conversation.messageTreeNodeName() : conversation.messageTreeNodeAdress());
}

RecordExportResult RecordExport::exportContacts(const std::vector<PRContactNodePtr>& contacts,
                                                const std::string& folder) {
    RecordExportResult result;
    if (!makeFolder(folder, result)) return result;
    for (const PRContactNodePtr& contact : contacts) {
        if (!contact) continue;
        PRVCFController vcf;
        result.counted(vcf.creatFile(*contact, folder + "/" + contactFileName(*contact)));
    }
    return result;
}

RecordExportResult RecordExport::exportConversation(const PRMessageTreeNode& conversation,
                                                    const std::string& deviceName, const std::string& folder) {
    RecordExportResult result;
    if (!makeFolder(folder, result)) return result;
    PRBackupRecovery attachments;
    ConversationPage page(attachments, folder, conversationBaseName(conversation), deviceName + "'s Message");
    page.addConversation(conversation);
    const PRRecoveryResult copies = attachments.result();
    if (copies.failures > 0) result.failed(copies.firstFailedPath, copies.firstReason);
    result.counted(page.write());
    return result;
}

RecordExportResult RecordExport::exportNotes(const std::vector<PRNoteNodePtr>& notes, const std::string& folder) {
    RecordExportResult result;
    if (!makeFolder(folder, result)) return result;
    PRRtfController rtf;
    rtf.beginRtfInPath(folder, "Note");
    for (const PRNoteNodePtr& note : notes)
        if (note) rtf.addRtfContent(PRBackupRecovery::noteEntry(*note));
    const files::Outcome written = rtf.endRtf();
    result.counted(written);
    // Each note is in the file, written now or there already.
    if (written.ok()) (written.alreadyThere ? result.alreadyThere : result.written) = int(notes.size());
    return result;
}

}  // namespace transfer
