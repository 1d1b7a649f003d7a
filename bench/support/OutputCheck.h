// Benchmarks time code whose results must not change. Each benchmark feeds what the timed code
// produced into an OutputCheck; the digest is compared with the one the previous build of this
// folder left behind, so a faster build that answers differently is caught before its times
// are believed. The first run records the digest; QUILLOMATRIX_BENCH_ACCEPT=1 records a new one
// after an intended change of results.
#pragma once

#include "backup/SHAH.h"
#include "model/PRRecord.h"

#include <cstdint>
#include <string>

namespace benchmark {
class State;
}

namespace bench {

class OutputCheck {
public:
    // Texts that begin with folder are added with "<folder>" in its place, so that a digest
    // does not depend on where a benchmark's temporary folder lies.
    void nameFolder(const std::string& folder) { folder_ = folder; }
    void add(const std::string& text);
    void add(const char* data, size_t length);
    void add(int64_t number);
    // The bytes of a local file (what a copy wrote); a file that cannot be read adds its absence.
    void addFileBytes(const std::string& path);
    // Every file below folder in name order: its path from folder, its size, and with bytes its bytes.
    void addFolder(const std::string& folder, bool bytes);
    // Every field of record in order: its name, which kind of value it holds, and the value.
    void addFields(const PRRecord& record);
    // A notification's object: a record's class and fields, a number, or whether there is one.
    void addObject(const NSObjectPtr& object);

    // The digest of everything added so far, as 40 hexadecimal digits; the check then starts empty.
    std::string finish();

private:
    SHAH sha_;
    std::string folder_;
};

// Compares digest with the one recorded under name by the previous run of this build folder
// (recording it when there is none, or when QUILLOMATRIX_BENCH_ACCEPT=1). On a difference it
// returns false, marks run with it (SkipWithError) and leaves the recorded digest as it was.
bool outputUnchanged(benchmark::State& run, const std::string& name, const std::string& digest);

}  // namespace bench
