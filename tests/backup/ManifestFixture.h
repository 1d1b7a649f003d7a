// A backup folder with a manifest written by the test, a reader over it, and the
// notifications the reader posted, in order.
#pragma once

#include "TestSupport.h"
#include "backup/BackupNotices.h"
#include "backup/ManifestWriter.h"
#include "backup/PRBackupManifestReader.h"
#include "backup/SHAH.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRPhotoAndVideoNode.h"

#include <fstream>
#include <gtest/gtest.h>

class ManifestFixture : public testsupport::HomeTest {
protected:
    ManifestFixture() {
        folder = testsupport::scratchDirectory("backup");
        manifest = folder + "/Manifest.mbdb";
        notices::FindBackUpDirFileInfo.observe(nc, this, [this](const NSNotification& n) {
            order.push_back(n.name());
            nodes.push_back(n.objectAs<PRTreeDirNode>());
        });
        notices::ScanProgressInfo.observe(nc, this, [this](const NSNotification& n) {
            order.push_back(n.name());
            progress.push_back(n.objectAs<NSNumber>()->intValue());
        });
        notices::ScanPhotoAndVideo.observe(nc, this, [this](const NSNotification& n) {
            order.push_back(n.name());
            media.push_back(n.objectAs<PRPhotoAndVideoNode>());
        });
        notices::scanFaceTwitterInfo.observe(nc, this, [this](const NSNotification& n) {
            order.push_back(n.name());
            social.push_back(n.objectAs<PRFaceTwitterNode>());
        });
    }

    static ManifestEntry entry(const std::string& domain, const std::string& path) {
        ManifestEntry e;
        e.domain = domain;
        e.path = path;
        return e;
    }
    std::string keyPath(const std::string& domain, const std::string& path) const {
        return folder + "/" + backupFileKey(domain, path);
    }
    void writeBackingFile(const std::string& domain, const std::string& path, size_t size) const {
        std::ofstream(keyPath(domain, path), std::ios::binary) << std::string(size, 'x');
    }
    void writeRaw(const std::string& bytes) const { std::ofstream(manifest, std::ios::binary) << bytes; }
    void scan() { PRBackupManifestReader(state, nc).scanDirAnalyThread(folder); }

    std::string folder;
    std::string manifest;
    NSNotificationCenter nc;
    PRBackupScanState state;
    std::vector<std::string> order;
    std::vector<PRTreeDirNodePtr> nodes;
    std::vector<int> progress;
    std::vector<PRPhotoAndVideoNodePtr> media;
    std::vector<PRFaceTwitterNodePtr> social;
};
