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
        treeFileArray_.clear();
        treeFileIndex_.clear();
        indexedCount_ = 0;
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
    return treeFileArray_;
}

size_t PRBackupScanState::treeFileCount() const {
    std::lock_guard lock(treeMutex_);
    return treeFileArray_.size();
}

void PRBackupScanState::addTreeFileNode(const PRTreeDirNodePtr& node) {
    if (!node) return;
    std::lock_guard lock(treeMutex_);
    treeFileArray_.push_back(node);
}

PROptionalText PRBackupScanState::getFileKeyBytheFilepath(const std::string& devicePath) const {
    std::lock_guard lock(treeMutex_);
    // The index catches up with the array at the first look-up after records were added, so
    // a scan that never looks anything up never pays for it.
    if (indexedCount_ < treeFileArray_.size()) {
        treeFileIndex_.reserve(treeFileArray_.size());
        for (; indexedCount_ < treeFileArray_.size(); ++indexedCount_) {
            const PRTreeDirNodePtr& node = treeFileArray_[indexedCount_];
            treeFileIndex_.insert_or_assign(node->filePath(), node);  // the later record wins
        }
    }
    const auto found = treeFileIndex_.find(devicePath);
    if (found == treeFileIndex_.end()) return std::nullopt;
    return found->second->fileKey();
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
