#include "ToolStandIn.h"

#include "platform/BackupTool.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace browsertest {

ToolStandIn::ToolStandIn(const std::string& folder, const std::string& script)
    : path_(folder + "/mobilebackup-standin") {
    std::ofstream(path_) << "#!/bin/sh\n" << script << "\n";
    ::chmod(path_.c_str(), 0700);
    ::setenv(backuptool::kLaunchPathVariable, path_.c_str(), 1);
}

ToolStandIn::ToolStandIn(const std::string& path) : path_(path) {
    ::setenv(backuptool::kLaunchPathVariable, path_.c_str(), 1);
}

ToolStandIn::~ToolStandIn() { ::unsetenv(backuptool::kLaunchPathVariable); }

}  // namespace browsertest
