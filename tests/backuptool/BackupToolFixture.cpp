#include "BackupToolFixture.h"

#include "SampleDevice.h"
#include "backup/SHAH.h"
#include "platform/Paths.h"
#include "platform/SimulatedDevices.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace backuptooltest {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    paths::makeDirectories(paths::deletingLastPathComponent(path));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, ManifestRecord> manifestRecords(const std::string& backupFolder) {
    std::map<std::string, ManifestRecord> records;
    ManifestRecordStream stream;
    if (!stream.open(backupFolder + "/Manifest.mbdb")) return records;
    ManifestRecord record;
    while (stream.next(record)) records[record.domain + "-" + record.path] = record;
    return records;
}

void BackupToolTest::SetUp() {
    device = testsupport::scratchDirectory("device");
    std::string error;
    ASSERT_TRUE(sampledevice::write(device, nullptr, &error)) << error;
    deviceId = simdevice::attach(device, &error);
    ASSERT_GT(deviceId, 0) << error;
    CFHolder<CFPropertyListRef> values(CFPropertyListCreateFromFile(device + "/lockdown/values.plist"));
    ASSERT_TRUE(values);
    udid = CFStringGetStdString(
        static_cast<CFStringRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(values.get()), "UniqueDeviceID")));
}

void BackupToolTest::TearDown() { simdevice::detachAll(); }

ToolRun BackupToolTest::runTool(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& launcher) const {
    QStringList list;
    QString program = QString::fromStdString(paths::executableDirectory() + "/mobilebackup");
    if (!launcher.empty()) {
        for (size_t i = 1; i < launcher.size(); ++i) list << QString::fromStdString(launcher[i]);
        list << program;
        program = QString::fromStdString(launcher[0]);
    }
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(simdevice::kEnvironmentVariable, QString::fromStdString(device));
    process.setProcessEnvironment(environment);
    process.start(program, list);
    ToolRun run;
    if (!process.waitForFinished(120000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.error = process.readAllStandardError().toStdString();
    return run;
}

std::string BackupToolTest::iTunesFolder() const {
    return paths::userPath("Library/Application Support/MobileSync/Backup");
}

std::string BackupToolTest::backupFile(const std::string& folder, const std::string& domain, const std::string& path) {
    return folder + "/" + backupFileKey(domain, path);
}

}  // namespace backuptooltest
