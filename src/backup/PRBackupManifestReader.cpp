#include "backup/PRBackupManifestReader.h"

#include "backup/BackupNotices.h"
#include "backup/ManifestRecordStream.h"
#include "backup/SHAH.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRRecordFields.h"
#include "platform/LogCategories.h"
#include "platform/NSObject.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The text of a record's domain or path: kept whole where it is valid text; otherwise its bad
// bytes show as U+FFFD, so that the record is still listed and recovered rather than lost.
std::string_view keptText(const std::string& raw, std::string& storage) {
    const std::string_view text = GetStringViewFormChar(raw);
    if (!text.empty() || raw.empty() || raw.front() == '\0') return text;
    storage = textWithReplacementCharacters(raw);
    return storage;
}

std::string keptText(const std::string& raw) {
    std::string storage;
    return std::string(keptText(raw, storage));
}

constexpr std::string_view kFacebook = "AppDomain-com.facebook.Facebook";
constexpr std::string_view kMessenger = "AppDomain-com.facebook.Messenger";
constexpr std::string_view kTwitter = "AppDomain-com.atebits.Tweetie2";

// The progress numbers 0 to 20, made once: numbers are immutable, so every post can share them.
const NSNumberPtr& progressNumber(int64_t value) {
    static const std::vector<NSNumberPtr> numbers = [] {
        std::vector<NSNumberPtr> made;
        for (int i = 0; i <= 20; ++i) made.push_back(NSNumber::numberWithInt(i));
        return made;
    }();
    return numbers[static_cast<size_t>(std::clamp<int64_t>(value, 0, 20))];
}

// The name as a fixed-size key when it is as long as a backup file name.
bool keyName(std::string_view name, std::array<char, 40>& key) {
    if (name.size() != key.size()) return false;
    std::copy(name.begin(), name.end(), key.begin());
    return true;
}

// The 40-character names in the open folder, sorted; false when it cannot be listed.
bool listKeys(int folderFd, std::vector<std::array<char, 40>>& keys) {
    keys.clear();
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return false;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    std::array<char, 40> key;
    while (const dirent* entry = ::readdir(dir))
        if (keyName(entry->d_name, key)) keys.push_back(key);
    ::closedir(dir);
    std::sort(keys.begin(), keys.end());
    return true;
}

// What a record's raw domain bytes give: the domain's text and whether its records are kept.
// A manifest has few domains and lists each one's records together, so the facts of the last
// few domains are remembered instead of being worked out for every record.
class DomainFacts {
public:
    struct Facts {
        std::string raw;
        uint64_t signature = 0;
        std::string text;
        bool kept = false;
        bool social = false;
    };

    const Facts& of(const std::string& raw) {
        // Domains differ in their length or last bytes nearly always: comparing those first
        // leaves one whole comparison per record, with the domain that matches.
        const uint64_t signature = signatureOf(raw);
        if (last_ < facts_.size() && matches(facts_[last_], raw, signature)) return facts_[last_];
        // Manifests that mix their domains find most by their signature's slot.
        uint8_t& slot = bySignature_[signature * 0x9E3779B97F4A7C15ull >> 60];
        if (slot < facts_.size() && matches(facts_[slot], raw, signature)) return facts_[last_ = slot];
        return searched(raw, signature, slot);
    }

private:
    static constexpr size_t kRemembered = 16;

    static bool matches(const Facts& facts, const std::string& raw, uint64_t signature) {
        return facts.signature == signature && facts.raw == raw;
    }

    // Out of the way of the look-ups above: a domain seen a while ago, or a new one.
    [[gnu::noinline]] const Facts& searched(const std::string& raw, uint64_t signature, uint8_t& slot) {
        for (size_t i = 0; i < facts_.size(); ++i)
            if (matches(facts_[i], raw, signature)) {
                slot = static_cast<uint8_t>(i);
                return facts_[last_ = i];
            }
        Facts made{raw, signature, keptText(raw)};
        made.kept = PRBackupManifestReader::isKeptDomain(made.text);
        made.social = PRBackupManifestReader::isSocialDomain(made.text);
        if (facts_.size() < kRemembered) {
            last_ = facts_.size();
            facts_.push_back(std::move(made));
        } else {
            last_ = replaced_;
            replaced_ = (replaced_ + 1) % kRemembered;
            facts_[last_] = std::move(made);
        }
        slot = static_cast<uint8_t>(last_);
        return facts_[last_];
    }

    // The length mixed with the last eight bytes (with all the bytes of a shorter one).
    static uint64_t signatureOf(const std::string& raw) {
        uint64_t tail = 0;
        if (raw.size() >= sizeof tail)
            std::memcpy(&tail, raw.data() + raw.size() - sizeof tail, sizeof tail);
        else
            for (const char c : raw) tail = tail << 8 | static_cast<unsigned char>(c);
        return tail ^ raw.size();
    }

    std::vector<Facts> facts_;
    size_t last_ = 0;
    size_t replaced_ = 0;
    std::array<uint8_t, 16> bySignature_{};  // a facts_ index per slot, checked before use
};

// The record in slot made as a new one is, when nothing but the slot holds it: an observer
// that keeps a posted record keeps a reference of its own, and then slot gets a new record.
// Refilling the one no one kept saves a record and its texts' storage per announcement.
template <class Record>
Record& freshRecord(std::shared_ptr<Record>& slot) {
    static const Record kFresh;
    if (slot && slot.use_count() == 1)
        *slot = kFresh;  // copying keeps the storage of the texts
    else
        slot = std::make_shared<Record>();
    return *slot;
}

}  // namespace

bool PRBackupManifestReader::isSocialDomain(const std::string& domain) {
    return domain == kFacebook || domain == kTwitter || domain == kMessenger;
}

bool PRBackupManifestReader::isKeptDomain(const std::string& domain) {
    return domain == "CameraRollDomain" || domain == "MediaDomain" || domain == "HomeDomain" || isSocialDomain(domain);
}

std::optional<uint64_t> PRBackupManifestReader::backupFileSize(const std::string& fileKey) const {
    struct stat info {};
    const bool inFolder = folderFd_ >= 0 && fileKey.size() > folderPrefix_.size() &&
                          fileKey.compare(0, folderPrefix_.size(), folderPrefix_) == 0 &&
                          fileKey.find('/', folderPrefix_.size()) == std::string::npos;
    if (inFolder && listed_) {
        std::array<char, 40> key;
        const std::string_view name = std::string_view(fileKey).substr(folderPrefix_.size());
        if (keyName(name, key) && !std::binary_search(presentKeys_.begin(), presentKeys_.end(), key))
            return std::nullopt;
    }
    // A link in the backup is never followed, so the size of what it names is not shown either.
    const int result = inFolder
                           ? ::fstatat(folderFd_, fileKey.c_str() + folderPrefix_.size(), &info, AT_SYMLINK_NOFOLLOW)
                           : ::lstat(fileKey.c_str(), &info);
    if (result != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

void PRBackupManifestReader::scanDirAnalyThread(const std::string& backupFolder) {
    ManifestRecordStream stream;
    if (!stream.open(backupFolder + "/Manifest.mbdb")) return;
    folderFd_ = ::open(backupFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    folderPrefix_ = backupFolder + "/";
    listed_ = folderFd_ >= 0 && listKeys(folderFd_, presentKeys_);
    struct CloseFolder {
        PRBackupManifestReader& reader;
        ~CloseFolder() {
            if (reader.folderFd_ >= 0) ::close(reader.folderFd_);
            reader.folderFd_ = -1;
            reader.listed_ = false;
            reader.presentKeys_ = {};
            reader.mediaRecord_.reset();
            reader.socialRecord_.reset();
        }
    } closeFolder{*this};
    const uint64_t fileSize = stream.fileSize();
    SHAH sha;
    ManifestRecord record;
    std::string keyText;
    std::string pathText;
    std::string key = folderPrefix_;
    key.resize(folderPrefix_.size() + SHAH::kHexDigits);
    unsigned digest[5];
    DomainFacts domains;
    PRTreeDirNodePtr node;
    while (stream.next(record)) {
        const DomainFacts::Facts& domain = domains.of(record.domain);
        PRTreeDirNode& announced = freshRecord(node);
        announced.setFileDomain(domain.text);
        // Nearly every path is kept whole: it is then copied straight from the record.
        const std::string_view path = keptText(record.path, pathText);
        announced.setFilePath(path.size() == record.path.size() ? record.path : std::string(path));
        announced.setFileMode(record.mode);

        // The key is the digest of the bytes the device hashed: the whole domain and path.
        keyText.assign(record.domain).append(1, '-').append(record.path);
        sha.Reset();
        sha.Input(keyText.data(), static_cast<unsigned>(keyText.size()));
        if (sha.Result(digest)) {
            SHAH::DigestToHex(digest, key.data() + folderPrefix_.size());
            announced.setFileKey(key);
        } else {
            qCWarning(lcBackup, "AnalyzerFile hash1 could not compute message digest.");
        }

        notices::FindBackUpDirFileInfo.post(nc_, node);

        if (domain.kept) {
            // 64-bit arithmetic: a manifest above 107 MB would wrap a 32-bit product.
            const int64_t progress = fileSize ? static_cast<int64_t>(stream.position() * 20 / fileSize) : 20;
            notices::ScanProgressInfo.post(nc_, progressNumber(progress));
            postMediaRecords(*node, domain.social);
            state_.addTreeFileNode(node);
        }
    }
}

void PRBackupManifestReader::GetMediaFileByNode(const PRTreeDirNodePtr& node) {
    if (node) postMediaRecords(*node, isSocialDomain(node->fileDomain()));
}

void PRBackupManifestReader::postMediaRecords(const PRTreeDirNode& node, bool social) {
    const std::string_view nameView = paths::lastPathComponentView(node.filePath());
    const PRMediaKind kind = mediaKindOfExtension(paths::pathExtensionView(nameView));
    const bool image = kind == PRMediaKind::Image;
    const bool movie = kind == PRMediaKind::Movie;
    if (!image && !movie && !social) return;

    const std::optional<uint64_t> size = backupFileSize(node.fileKey());
    const std::string name(nameView);
    if (image || movie) {
        PRPhotoAndVideoNode& record = freshRecord(mediaRecord_);
        record.setFilePath(node.fileKey());
        record.setFileSizeNumber(size.value_or(0));
        record.setFileNodeName(name);
        record.setFileNodeSize(sizeText(size.value_or(0)));
        record.setBmov(movie);
        notices::ScanPhotoAndVideo.post(nc_, mediaRecord_);
    }
    if (social && size) {
        PRFaceTwitterNode& record = freshRecord(socialRecord_);
        record.setFileSize(sizeText(*size));
        record.setFaceTwitterFileName(name);
        record.setFaceTwitterFilePath(node.fileKey());
        notices::scanFaceTwitterInfo.post(nc_, socialRecord_);
    }
}
