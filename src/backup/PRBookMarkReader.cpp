#include "backup/PRBookMarkReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/BackupReaderFields.h"
#include "model/PRBookMarkNode.h"
#include "model/PRRecordFields.h"
#include "platform/CoreFoundation.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace {

const char* const kBuiltIn[][2] = {
    {"Apple", "http://www.apple.com/"},
    {"Yahoo", "http://www.yahoo.com/"},
    {"Google", "http://www.google.com/"},
    {"iPhone User Guide", "http://help.apple.com/iphone/"},
    {"iPhone Web Applications", "http://www.apple.com/webapps/"},
};

// An address as far as telling two bookmarks' pages apart goes: the scheme and host in any
// letter case ("HTTP://WWW.Apple.com" is "http://www.apple.com"), and a path without its
// closing slash ("http://www.apple.com/" is "http://www.apple.com").
std::string pageKey(std::string_view url) {
    std::string key(trimmedText(url));
    const size_t scheme = key.find("://");
    const size_t hostEnd = scheme == std::string::npos ? 0 : key.find_first_of("/?#", scheme + 3);
    const size_t lowerTo = scheme == std::string::npos ? 0 : std::min(hostEnd, key.size());
    for (size_t i = 0; i < lowerTo; ++i)
        if (key[i] >= 'A' && key[i] <= 'Z') key[i] = static_cast<char>(key[i] - 'A' + 'a');
    const size_t pathEnd = std::min(key.find_first_of("?#"), key.size());
    if (pathEnd > 0 && key[pathEnd - 1] == '/' && (scheme == std::string::npos || pathEnd > scheme + 3))
        key.erase(pathEnd - 1, 1);
    return key;
}

std::string stringValue(CFDictionaryRef dict, const char* key) {
    CFTypeRef value = CFDictionaryGetValue(dict, key);
    return CFGetTypeID(value) == CFStringGetTypeID() ? CFStringGetStdString(static_cast<CFStringRef>(value))
                                                     : std::string();
}

}  // namespace

void PRBookMarkReader::scanBookMarkThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRBookMarkReader::scanTransferBookMarkThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRBookMarkReader::post(const std::string& title, const std::string& url, bool transfer) {
    auto bookmark = std::make_shared<PRBookMarkNode>();
    bookmark->setBookMarkTitle(title);
    bookmark->setBookMarkURL(url);
    (transfer ? notices::scanCopyBookMarkInfo : notices::scanBookMarkInfo).post(nc_, bookmark);
}

void PRBookMarkReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(transfer, [this] { notices::scanCopyBookMarkFinished.post(nc_); });
    if (backupFolder.empty()) return;
    const auto dbPath = backupreader::firstExisting(backupFolder, {backupkeys::bookmarks, backupkeys::bookmarksOld});
    if (!dbPath) {
        backupreader::log("messageDB is not exist");
        return;
    }
    // A phone lists the built-in pages among its own bookmarks once the user kept them: each is
    // added only where the phone's list holds no bookmark of its page.
    std::unordered_set<std::string> pages;
    {
        BackupDatabase db(*dbPath);
        db.query("select TITLE,URL,id, parent,type from bookmarks", [&](const BackupDatabase::Row& row) {
            const std::string title = backupreader::text(row.text(0)).value_or("");
            if (title == "Root" || title == "com.apple.ReadingList") return;
            std::string url = backupreader::text(row.text(1)).value_or("");
            if (!url.empty()) pages.insert(pageKey(url));
            post(title, url, transfer);
        });
    }
    for (const auto& builtIn : kBuiltIn)
        if (!pages.count(pageKey(builtIn[1]))) post(builtIn[0], builtIn[1], transfer);

    const std::string historyPath = backupFolder + "/" + backupkeys::history;
    if (!backupreader::fileExists(historyPath)) {
        backupreader::log("bookMarkPlistPath not find");
        return;
    }
    CFHolder<CFPropertyListRef> history(CFPropertyListCreateFromFile(historyPath, nullptr, /*followLinks*/ false));
    if (CFGetTypeID(history.get()) != CFDictionaryGetTypeID()) return;
    CFTypeRef dates = CFDictionaryGetValue(static_cast<CFDictionaryRef>(history.get()), "WebHistoryDates");
    if (CFGetTypeID(dates) != CFArrayGetTypeID()) return;
    const auto list = static_cast<CFArrayRef>(dates);
    for (CFIndex i = 0; i < CFArrayGetCount(list); ++i) {
        CFTypeRef entry = CFArrayGetValueAtIndex(list, i);
        if (CFGetTypeID(entry) != CFDictionaryGetTypeID()) continue;
        const auto dict = static_cast<CFDictionaryRef>(entry);
        post(stringValue(dict, "title"), stringValue(dict, ""), transfer);
    }
}
