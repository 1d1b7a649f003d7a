// Stand-ins for the backup tool, put in place through QUILLOMATRIX_BACKUP_TOOL for one test:
// small shell scripts that fail, wait, or record how they were called.
#pragma once

#include <string>

namespace browsertest {

class ToolStandIn {
public:
    // Writes script (a /bin/sh body; "$@" are the tool's arguments) as an executable file in
    // folder and points the backup-tool variable at it until the object goes.
    ToolStandIn(const std::string& folder, const std::string& script);
    // Points the variable at path as it is (a program that may not exist).
    explicit ToolStandIn(const std::string& path);
    ~ToolStandIn();
    ToolStandIn(const ToolStandIn&) = delete;
    ToolStandIn& operator=(const ToolStandIn&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace browsertest
