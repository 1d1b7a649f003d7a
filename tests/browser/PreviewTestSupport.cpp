#include "PreviewTestSupport.h"

#include "BackupReaders.h"
#include "SampleBackup.h"
#include "backup/BackupNotices.h"
#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <QTemporaryDir>

namespace previewtest {

const SampleRecords& sampleRecords() {
    static QTemporaryDir root;
    static SampleRecords records = [] {
        SampleRecords out;
        const auto folders = samplebackup::writeSampleBackups(root.path().toStdString());
        if (folders.empty()) return out;
        out.backupFolder = folders.front();
        NSNotificationCenter nc;
        PRBackupScanState state;
        int observer = 0;
        notices::ScanContactInfo.observe(nc, &observer, [&](const PRContactNodePtr& c) {
            if (c) out.contacts.push_back(c);
        });
        notices::ScanMessageInfo.observe(nc, &observer, [&](const PRMessageNodePtr& m) {
            if (m) out.messages.push_back(m);
        });
        runBackupReaders(out.backupFolder, state, nc);
        nc.removeObserver(&observer);
        return out;
    }();
    return records;
}

PRMessageTreeNodePtr conversationOf(const std::vector<PRMessageNodePtr>& messages, const std::string& name) {
    auto tree = std::make_shared<PRMessageTreeNode>();
    tree->setMessageTreeNodeName(name);
    tree->setMessageNodeArray(messages);
    return tree;
}

PRMessageNodePtr textMessage(const std::string& content, bool received) {
    auto m = std::make_shared<PRMessageNode>();
    m->setMessageContent(content);
    m->setMessageType(received ? "Received" : "Send");  // as the readers write them
    m->setMessageName("Anna Berg");
    m->setMessagePhone("+1 555 0100");
    m->setMessageDate("03-01-2013 10:30");
    return m;
}

PRMessageTreeNodePtr textConversation(int n, const std::string& name) {
    std::vector<PRMessageNodePtr> messages;
    for (int i = 0; i < n; ++i) messages.push_back(textMessage("Message " + std::to_string(i), i % 2 == 0));
    return conversationOf(messages, name);
}

}  // namespace previewtest

// The movie player's sound-server client, the media framework's start-up tables and the video
// surface that Qt Multimedia keeps for its sink are held until exit (the same class of library
// allocations tests/support/lsan.supp names).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpulse\nleak:libQt6\nleak:libqoffscreen\nleak:libglib\nleak:libgobject\nleak:libgst\n";
}
