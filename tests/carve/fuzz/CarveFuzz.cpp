// Fuzz target over the carving primitives and every carver: the input is a database file. The
// primitives run over it in memory at positions taken from its own bytes; then it is written
// under each carver's file name and every carver runs over it, in both schema generations.
#include "backup/carve/CarveAll.h"
#include "backup/carve/CarvePrimitives.h"
#include "platform/ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The carvers' files, in a folder removed when the process ends.
const std::string& scratch() {
    static ScratchFolder folder("carve-fuzz");
    if (folder.path().empty()) std::abort();
    return folder.path();
}

void primitives(const uint8_t* data, size_t size) {
    using namespace carve;
    CarveFile file;
    file.openMemory(data, size);
    readPageLayout(file);
    for (size_t i = 0; i + 4 <= size && i < 4096; i += 4) {
        int64_t pos = static_cast<int64_t>((static_cast<uint32_t>(data[i]) << 8 | data[i + 1]) % (size + 64)) - 16;
        int type = data[i + 2] % 8;
        int w = data[i + 3] % 20;
        bcheckSubStringIsValid(file, pos, 1 + data[i + 2] % 20, type, w);
        bcheckMessageIOS6SubStringIsValid(file, pos, 14, 10);
        getDeletedMark(file, pos, type);
        bSortAlter(file, pos);
        bIsAlterbleDBFile(file, pos, 6);
        GetFildLength(file, pos);
        RecordCursor rec{file, pos, data[i + 3], data[i + 2] % 5};
        rec.valueCapacity = 1 + data[i] * 4;
        FieldValue value;
        AnalyseDBDataFile(rec, type, value);
        AnalyseAlterbleDB(rec, w, value);
    }
}

void carvers(const uint8_t* data, size_t size, bool newer) {
    const std::string& folder = scratch();
    static const char* const names[] = {
        "31bb7ba8914766d4ba40d6dfb6113c8b614be442", "3d0d7e5fb2ce288813306e4d4636395e047a3d28",
        "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c", "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca",
        "d1f062e2da26192a6625d968274bfda8d07821e4", "2041457d5fe04d39d0ab481178355df6781e6858"};
    for (const char* name : names) {
        FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
        if (!f) return;
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    PRBackupScanState state;
    state.currentNodeIsiOS6Version = newer;
    state.bIOS7DeviceNode = newer;
    NSNotificationCenter nc;
    carve::CarveContext context(state, nc);
    context.log = [](const std::string&) {};
    carve::carveAll(context, folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    primitives(data, size);
    carvers(data, size, size % 2 == 0);
    return 0;
}
