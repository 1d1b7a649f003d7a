// libFuzzer target: any bytes as a backup's Manifest.mbdb, read by the manifest reader.
#include "backup/PRBackupManifestReader.h"
#include "platform/Paths.h"

#include <cstdio>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        const std::string path = paths::privateTempDirectory() + "/manifest-fuzz-" + std::to_string(::getpid());
        paths::makeDirectories(path);
        return path;
    }();
    FILE* file = std::fopen((folder + "/Manifest.mbdb").c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    NSNotificationCenter nc;
    PRBackupScanState state;
    PRBackupManifestReader(state, nc).scanDirAnalyThread(folder);
    return 0;
}
