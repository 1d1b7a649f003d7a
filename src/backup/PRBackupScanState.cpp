#include "backup/PRBackupScanState.h"

#include "model/PRRecordFields.h"

#include <cctype>

namespace {
// The piece of the shorter number that the look-ups with data require at least.
constexpr size_t kPieceWithData = 6;

const PRContactNodePtr* findContactByPhone(const std::vector<PRContactNodePtr>& contacts, const std::string& phone,
                                           size_t minimumPiece) {
    const std::string asked = normalisedPhoneNumber(phone);
    for (const PRContactNodePtr& contact : contacts) {
        if (!contact || contact->contactPhone().empty()) continue;
        if (phoneNumbersMatch(asked, normalisedPhoneNumber(contact->contactPhone()), minimumPiece)) return &contact;
    }
    return nullptr;
}
}  // namespace

void PRBackupScanState::resetScanArrays() { removeSomeArray(); }

void PRBackupScanState::removeSomeArray() {
    {
        std::lock_guard lock(treeMutex_);
        treeFiles_.clear();
    }
    meesageAttachArray.clear();
    bookMarkArray.clear();
    contactImageArray.clear();
    messageArray.clear();
    chatMessageArray.clear();
    contactArray.clear();
    contactInfoArray.clear();
    delContactValueArray.clear();
    delContactArray.clear();
    noteArray.clear();
    noteValueArray.clear();
    delUnKnowContactArray.clear();
    messageContactData.reset();
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

PROptionalText PRBackupScanState::getNameByPhoneNumber(const std::string& phone) const {
    if (const PRContactNodePtr* contact = findContactByPhone(contactArray, phone, 1))
        return copiedText((*contact)->contactName());
    return std::nullopt;
}

PROptionalText PRBackupScanState::getNameByPhoneNumber(const std::string& phone, const PRBytes& /*withData*/) {
    if (const PRContactNodePtr* contact = findContactByPhone(contactArray, phone, kPieceWithData)) {
        messageContactData = (*contact)->imageData();
        return copiedText((*contact)->contactName());
    }
    return std::nullopt;
}

PROptionalText PRBackupScanState::getTransNameByPhoneNumber(const std::string& phone, const PRBytes& /*withData*/) {
    if (const PRContactNodePtr* contact = findContactByPhone(transContactArray, phone, kPieceWithData)) {
        messageContactData = (*contact)->imageData();
        return copiedText((*contact)->contactName());
    }
    return std::nullopt;
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
