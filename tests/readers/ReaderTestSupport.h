// What the reader tests share: a backup folder of their own under a fresh home, local time
// fixed to UTC, and a recorder of the notifications a reader posts.
#pragma once

#include "SampleDatabases.h"
#include "TestSupport.h"
#include "backup/BackupNotices.h"
#include "backup/PRBackupScanState.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

class NotificationRecorder {
public:
    struct Posted {
        std::string name;
        NSObjectPtr object;
    };

    NotificationRecorder(NSNotificationCenter& nc, const std::vector<const NoticeName*>& notices) : nc_(nc) {
        for (const NoticeName* notice : notices)
            notice->observe(nc_, this, [this](const NSNotification& n) { posted.push_back({n.name(), n.object()}); });
    }
    ~NotificationRecorder() { nc_.removeObserver(this); }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& p : posted) out.push_back(p.name);
        return out;
    }
    // The objects posted as notice, as T.
    template <class T>
    std::vector<std::shared_ptr<T>> records(const Notice<T>& notice) const {
        std::vector<std::shared_ptr<T>> out;
        for (const auto& p : posted)
            if (p.name == notice.name()) out.push_back(std::dynamic_pointer_cast<T>(p.object));
        return out;
    }
    size_t count(const NoticeName& notice) const {
        size_t n = 0;
        for (const auto& p : posted) n += p.name == notice.name();
        return n;
    }
    // The integer values of the numbers posted as notice.
    std::vector<int> numbers(const Notice<NSNumber>& notice) const {
        std::vector<int> out;
        for (const auto& p : posted)
            if (p.name == notice.name()) {
                auto number = std::dynamic_pointer_cast<NSNumber>(p.object);
                out.push_back(number ? number->intValue() : -1);
            }
        return out;
    }

    std::vector<Posted> posted;

private:
    NSNotificationCenter& nc_;
};

class ReaderTest : public testsupport::HomeTest {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        previousTz_ = tz ? tz : "";
        hadTz_ = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
        folder = testsupport::scratchDirectory("backup");
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", previousTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::string at(const char* name) const { return folder + "/" + name; }

    std::string folder;
    NSNotificationCenter nc;
    PRBackupScanState state;

private:
    std::string previousTz_;
    bool hadTz_ = false;
};

inline sampledb::Bytes bytesOf(const std::string& text) { return sampledb::Bytes(text.begin(), text.end()); }

// 2013-03-01 10:30 UTC, and the text every reader shows for it.
constexpr int64_t kMarchFirst = 1362133800;
inline const char* const kMarchFirstText = "03-01-2013 10:30";
