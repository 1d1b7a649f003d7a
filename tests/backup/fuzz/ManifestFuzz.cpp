// libFuzzer target: any bytes as a backup's Manifest.mbdb, read by the manifest reader.
#include "backup/PRBackupManifestReader.h"
#include "platform/ScratchFolder.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFolder scratch("manifest-fuzz");  // removed when the process ends
    const std::string& folder = scratch.path();
    if (folder.empty()) std::abort();
    FILE* file = std::fopen(scratch.file("Manifest.mbdb").c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    NSNotificationCenter nc;
    PRBackupScanState state;
    PRBackupManifestReader(state, nc).scanDirAnalyThread(folder);
    return 0;
}
