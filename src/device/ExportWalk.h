// The recursive export of device folders to the computer: every file of a device folder lands
// at the destination root followed by its device path, so the export recreates the device's
// folders below the root (a name that begins with a dot loses the dot). Used by every export of
// a whole device folder (the file browser's folders, an app's container, the books, the clean
// pages' category folders).
//
// Device names become local names only through the safe-name helper, so nothing is written
// outside the root whatever the device calls its entries, and every file goes through the one
// writer (platform/NewFile.h): it never replaces a file that is there. Whatever is not copied
// is a failure with its reason: a folder that cannot be listed, a link, a FIFO or device node,
// and, once the device has left, every entry not yet tried. A name that is not valid text is
// read by its bytes and lands with its bad bytes shown as U+FFFD.
#pragma once

#include "device/ActionResult.h"
#include "device/FileService.h"

#include <QString>
#include <atomic>

namespace amd {

class ExportWalk {
public:
    // The reason of every entry not tried once the device has gone.
    static constexpr const char* kDeviceLeft = "not copied: the device was disconnected";

    // service: a started service, used only by the calling thread. stop: true ends the walk
    // after the entry it is on.
    ExportWalk(FileService& service, QString exportPath, const std::atomic<bool>* stop = nullptr);

    // Exports one device entry, a folder with everything below it or a single file. With
    // asNewFolder a folder lands in a new folder of its own (exportIntoNewFolder).
    void exportEntry(const std::string& devicePath, bool asNewFolder = false);
    // Exports the content of a device folder (the folder itself is made when something lands
    // in it, or when it holds folders).
    void traverseExportDirWithpath(const std::string& path);
    // Exports the content of the device folder devicePath into a new folder at localFolder, made
    // by the distinct-name rule ("Trip (2)" when "Trip" is taken), so that an export never mixes
    // into an earlier one. Every export of a whole folder starts here. Returns the folder made
    // (also the result's folder when it is the first), empty when none could be made.
    QString exportIntoNewFolder(const std::string& devicePath, const QString& localFolder);

    // Where a device path lands below the root.
    QString localPathOf(const std::string& devicePath) const;
    // Device paths inside base land below the root without base (a book folder
    // "/Books/Purchases/X.epub" lands at root/X.epub); other paths keep their whole path.
    void setDeviceBase(std::string base) { base_ = std::move(base); }
    const ActionResult& result() const { return result_; }
    // Whether the device left during the walk (what was left is counted as failed).
    bool deviceLeft() const { return deviceLeft_; }

    // Copies one device file of size bytes into a new file at localPath (a taken name gets the
    // next numbered one), making its folder; true once the copy is whole. A failed copy leaves
    // nothing behind and is counted in result with its reason.
    // landedAt (when given) gets the path the copy took.
    // A file of that name which already holds the same bytes counts as alreadyThere when the
    // writer's rule says so (files::SkipFilesAlreadyThere).
    static bool copyFile(FileService& service, const std::string& devicePath, uint64_t size, const QString& localPath,
                         ActionResult& result, QString* landedAt = nullptr);
    // The same for a file whose size is asked of the device first (a size seen earlier may be
    // out of date); a path that is not a regular file is counted as a failure.
    static bool copyFile(FileService& service, const std::string& devicePath, const QString& localPath,
                         ActionResult& result, QString* landedAt = nullptr);

    // Copies a file into a new file at localPath from the local copy made of it before (a
    // preview's), counted as copyFile does.
    static bool copyLocalCopy(const QString& localCopy, const std::string& devicePath, uint64_t size,
                              const QString& localPath, ActionResult& result, QString* landedAt = nullptr);

    // Why an entry of this kind is not copied; empty for a folder or a regular file.
    static std::string notCopiedReason(FileEntry::Kind kind);
    // Whether the device behind service still answers (after a failure: did it leave?).
    static bool deviceAnswers(FileService& service);

private:
    bool stopped() const { return stop_ && stop_->load(); }
    void exportFolder(const std::string& devicePath, bool asNewFolder);
    void copyOne(const std::string& devicePath, uint64_t size);
    // After a failure: when the device has gone, the walk ends and what is left counts.
    void noteFailure();

    FileService& service_;
    QString exportPath_;
    const std::atomic<bool>* stop_;
    std::string base_;
    ActionResult result_;
    bool deviceLeft_ = false;
};

}  // namespace amd
