#include "platform/BackupTool.h"

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/SimulatedDevices.h"
#include "platform/simdevice/SimDevice.h"

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace backuptool {
namespace {

// This process's environment with the simulated-device list replaced by the attached folders.
std::vector<std::string> childEnvironment() {
    const std::string name = simdevice::kEnvironmentVariable;
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, name.c_str(), name.size()) == 0 && (*entry)[name.size()] == '=') continue;
        environment.emplace_back(*entry);
    }
    std::string folders;
    for (const simdevice::DevicePtr& device : simdevice::attachedDevices()) {
        if (!device->attached) continue;
        if (!folders.empty()) folders += ':';
        folders += device->folder;
    }
    environment.push_back(name + "=" + folders);
    return environment;
}

}  // namespace

std::string launchPath() {
    const char* configured = std::getenv(kLaunchPathVariable);
    if (configured && *configured) return configured;
    return paths::appendingPathComponent(paths::executableDirectory(), "mobilebackup");
}

int run(const std::vector<std::string>& arguments, std::string* message) {
    return process::runAndWait(launchPath(), arguments, childEnvironment(), message);
}

int backupDevice(const std::string& identifier, const std::string& folder, std::string* message) {
    if (folder.empty()) return run({"--backup", "--target", identifier}, message);
    paths::makeDirectories(folder);  // a failure shows as the tool's own error
    return run({"--backup", "--root", folder, "--target", identifier}, message);
}

int restoreDevice(const std::string& identifier, std::string* message) {
    std::string output;
    const int status = run({"--restore", "--target", identifier, "--source", identifier}, &output);
    if (message) {
        // The lines before the last name the records one by one; the last one sums them up.
        while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
        *message = output.substr(output.find_last_of('\n') + 1);
    }
    return status;
}

}  // namespace backuptool
