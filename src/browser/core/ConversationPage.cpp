#include "browser/core/ConversationPage.h"

#include "browser/core/PRBackupRecovery.h"
#include "platform/LocalNames.h"

#include <QByteArray>
#include <QString>
#include <string_view>
#include <sys/stat.h>

namespace {

bool taken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string percentEncoded(const std::string& part) {
    return QByteArray::fromStdString(part).toPercentEncoding().toStdString();
}

}  // namespace

ConversationPage::ConversationPage(PRBackupRecovery& copier, const std::string& folder, const std::string& baseName,
                                   const std::string& title)
    : copier_(copier), folder_(folder) {
    // Room for the longer of the two names made of it, and for a number.
    const int room = localnames::kLongestName - int(std::string_view("_files").size()) - 8;
    const std::string base = localnames::safeLocalName(QString::fromStdString(baseName), room).toStdString();
    // A copy run again into an earlier run's folder keeps to the page's own name: its files that
    // are the same stay as they are, and what changed comes beside them (the one writer's rule).
    const bool keepName = files::SkipFilesAlreadyThere::active();
    for (unsigned n = 1;; ++n) {
        const std::string name = n == 1 ? base : files::numberedName(base, n);
        if (!keepName && (taken(folder_ + "/" + name + ".html") || taken(folder_ + "/" + name + "_files"))) continue;
        path_ = folder_ + "/" + name + ".html";
        filesName_ = name + "_files";
        break;
    }
    // The page goes to its file as its messages come: a whole history is never held.
    html_.beginHtmlInPath(path_, title);
}

std::string ConversationPage::attachmentFolder() const { return folder_ + "/" + filesName_; }

std::string ConversationPage::linkTo(const std::string& folderName, const std::string& fileName) {
    return percentEncoded(folderName) + "/" + percentEncoded(fileName);
}

std::string ConversationPage::copyAttachment(const PRMessageNode& message) {
    if (!message.isHasAttach() || message.attachmentPath().value_or("").empty()) return {};
    files::makeFolders(attachmentFolder());  // a folder that cannot be made fails the copy, which says so
    const files::Outcome copy = copier_.writeAttachment(message, attachmentFolder());
    return copy.ok() ? linkTo(filesName_, lastComponent(copy.path)) : std::string();
}

void ConversationPage::addConversation(const PRMessageTreeNode& conversation) {
    PRBackupRecovery::handleFatherMessageHtml(conversation, html_);
    for (const PRMessageNodePtr& message : conversation.MessageNodeArray())
        PRBackupRecovery::handleMessageHtml(*message, html_, false, copyAttachment(*message));
    html_.addHtmlContent("<hr/>");
}

files::Outcome ConversationPage::write() { return html_.endHtml(); }
