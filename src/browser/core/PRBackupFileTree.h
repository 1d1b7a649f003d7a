// The backup-file tree of the results screen: every manifest record filed as a file row under
// the folder of its path (device name, domain, folders), folders of one level in localized
// name order, and the three-state marks of folders derived from what they hold.
#pragma once

#include "model/PRTreeDirNode.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

class PRBackupFileTree {
public:
    PRBackupFileTree() = default;
    ~PRBackupFileTree();
    PRBackupFileTree(const PRBackupFileTree&) = delete;
    PRBackupFileTree& operator=(const PRBackupFileTree&) = delete;

    // The device-name root folders (one per device name placed).
    const std::vector<PRTreeDirNodePtr>& roots() const { return roots_; }
    // Manifest records placed since the tree was made.
    uint64_t backupfiles() const { return backupfiles_; }

    // The name of the row of a file record without a path (its dirFilePath is empty).
    static constexpr const char* kNoPathName = "(no path)";

    // Files one manifest record (fileDomain, domain-relative filePath, fileKey the data file in
    // the backup folder) as a file row of the folder of its path below deviceName; a file record
    // without a path, as a row kNoPathName of its domain's folder. A folder record without a path,
    // or an empty device name, is dropped. Answers whether the record was placed.
    bool addTreeNode(const PRTreeDirNode& record, const std::string& deviceName);

    // Checks (state 1) or unchecks (0) a folder and everything below it, then brings the
    // folders above it up to date.
    static void setFolderState(const PRTreeDirNodePtr& folder, int state);
    // The folder toggle of a click on its check: a checked folder is unchecked, an unchecked or
    // partly checked one is checked.
    static void toggleFolder(const PRTreeDirNodePtr& folder);
    // Checks or unchecks one file row and brings the folders above it up to date.
    static void setFileState(const PRTreeFileNodePtr& file, bool selected);
    // The state a folder takes from its sub-folders and file rows: 2 when some sub-folder is
    // partly checked or when checked and unchecked entries meet, else 1 or 0 as they all are.
    // An empty folder keeps its own state.
    static int derivedState(const PRTreeDirNode& folder);
    // Recomputes the states of the folders from folder's parent up to the root.
    static void refreshAncestors(const PRTreeDirNodePtr& folder);
    // 1 becomes 0; 0 and 2 become 1.
    static int NewStateAfterChangeState(int state) { return state == PRTreeSelected ? 0 : 1; }
    // The icon name of a state.
    static const char* iconFor(int state);

    // Checked file rows in the whole tree, or below one folder.
    uint64_t getTreeSelectedItemNum() const;
    static uint64_t getNumSelectedItem(const PRTreeDirNode& folder);

private:
    PRTreeDirNodePtr folderFor(const std::vector<std::string>& components);
    void addFileNode(const PRTreeDirNodePtr& folder, const std::string& name, const std::string& key,
                     const std::string& dirFilePath, int fileMode);
    // The attributes of a data file, looked up in its folder opened once for all its files.
    bool statDataFile(const std::string& key, struct stat& info);

    std::vector<PRTreeDirNodePtr> roots_;
    // Every folder made, by its path of components joined with "/": a record finds its folder
    // whatever the order in which the manifest lists folders and files.
    std::unordered_map<std::string, PRTreeDirNodePtr> folders_;
    uint64_t backupfiles_ = 0;
    std::string statFolder_;
    int statFolderFd_ = -1;
};
