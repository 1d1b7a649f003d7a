#include "backup/PRBackupScanState.h"

#include "model/PRRecordFields.h"
#include "platform/Prefetch.h"

#include <cctype>

namespace {

// Lets go of the records in turn, asking for those a few places on while one goes: a scan's
// records were made on other threads, lie far apart and outside this one's cache, and every
// record's release would otherwise wait on memory for it and its counts.
template <class Ptr>
void releaseInTurn(std::vector<Ptr>& records) {
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < records.size(); ++i) {
        if (i + kAhead < records.size()) prefetchShared(records[i + kAhead].get());
        records[i].reset();
    }
    records.clear();
}

}  // namespace

PRBackupScanState::~PRBackupScanState() {
    removeSomeArray();
    releaseInTurn(transContactArray);
}

void PRBackupScanState::resetScanArrays() { removeSomeArray(); }

void PRBackupScanState::removeSomeArray() {
    {
        std::lock_guard lock(treeMutex_);
        treeFiles_.clear();
    }
    releaseInTurn(meesageAttachArray);
    releaseInTurn(bookMarkArray);
    releaseInTurn(contactImageArray);
    releaseInTurn(messageArray);
    releaseInTurn(chatMessageArray);
    releaseInTurn(contactArray);
    releaseInTurn(contactInfoArray);
    releaseInTurn(delContactValueArray);
    releaseInTurn(delContactArray);
    releaseInTurn(noteArray);
    releaseInTurn(noteValueArray);
    releaseInTurn(delUnKnowContactArray);
    messageContactData.reset();
    messageGroups.reset();
    std::lock_guard lock(numbersMutex_);
    numbers_[0] = {};
}

std::vector<PRTreeDirNodePtr> PRBackupScanState::treeFileArray() const {
    std::lock_guard lock(treeMutex_);
    std::vector<PRTreeDirNodePtr> nodes;
    nodes.reserve(treeFiles_.size());
    for (size_t i = 0; i < treeFiles_.size(); ++i) {
        KeptManifestRecords::Record record = treeFiles_.record(i);
        auto node = std::make_shared<PRTreeDirNode>();
        node->setFileDomain(std::string(record.domain));
        node->setFilePath(std::string(record.path));
        node->setFileKey(std::move(record.key));
        nodes.push_back(std::move(node));
    }
    return nodes;
}

size_t PRBackupScanState::treeFileCount() const {
    std::lock_guard lock(treeMutex_);
    return treeFiles_.size();
}

void PRBackupScanState::addTreeFileNode(const PRTreeDirNodePtr& node) {
    if (!node) return;
    std::lock_guard lock(treeMutex_);
    treeFiles_.add(node->fileDomain(), node->filePath(), node->fileKey());
}

PROptionalText PRBackupScanState::getFileKeyBytheFilepath(const std::string& devicePath) const {
    std::lock_guard lock(treeMutex_);
    std::string key;
    if (treeFiles_.keyForPath(devicePath, key)) return key;
    return std::nullopt;
}

std::shared_ptr<const ContactNumberIndex> PRBackupScanState::contactNumbers(bool transfer) const {
    const std::vector<PRContactNodePtr>& contacts = transfer ? transContactArray : contactArray;
    const PRContactNode* first = contacts.empty() ? nullptr : contacts.front().get();
    std::lock_guard lock(numbersMutex_);
    NumbersMade& made = numbers_[transfer ? 1 : 0];
    if (!made.index || made.first != first || made.size != contacts.size())
        made = {std::make_shared<const ContactNumberIndex>(contacts), first, contacts.size()};
    return made.index;
}

PROptionalText PRBackupScanState::getNameByPhoneNumber(const std::string& phone) const {
    if (const PRContactNode* contact = contactNumbers()->contactOf(phone))
        return copiedText(shownContactName(*contact));
    return std::nullopt;
}

PROptionalText PRBackupScanState::nameWithData(const std::string& phone, bool transfer) {
    const auto numbers = contactNumbers(transfer);
    if (const PRContactNode* contact = numbers->contactOf(phone)) {
        messageContactData = contact->imageData();
        return copiedText(shownContactName(*contact));
    }
    return std::nullopt;
}

PROptionalText PRBackupScanState::getNameByPhoneNumber(const std::string& phone, const PRBytes& /*withData*/) {
    return nameWithData(phone, false);
}

PROptionalText PRBackupScanState::getTransNameByPhoneNumber(const std::string& phone, const PRBytes& /*withData*/) {
    return nameWithData(phone, true);
}

bool PRBackupScanState::IOSVersionIOS6(const std::string& version) {
    bIOS7DeviceNode = false;
    const std::string major = version.substr(0, version.find('.'));
    if (major.empty() || major.size() > 4) return false;
    for (char c : major)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const int number = std::stoi(major);
    bIOS7DeviceNode = number == 7;
    return number >= 6;
}
