// A backup's database is never opened where it lies: opening it for reading may fold its
// write-ahead journal into the file and rewrite its header, which would change the user's
// backup (or, through a symbolic link, a file elsewhere). The readers open a private copy
// instead: the database and its "-wal" journal are copied into the private temporary folder
// and the journal is folded there, so every committed row is seen and the backup's bytes stay
// as they were. The deleted-record carvers read the original file itself, unchanged.
//
// Copies live in <private temporary folder>/databases/<pid>-XXXXXX/ and are removed when the
// last holder lets go; copies left by a process that no longer runs are removed by the next
// preparation.
#pragma once

#include <memory>
#include <mutex>
#include <string>

class PreparedDatabase {
public:
    // The prepared copy of the database at original, shared with every other holder of the
    // same unchanged original; null when original is no regular file or cannot be copied
    // (a FIFO or device in its place is refused, never opened).
    static std::shared_ptr<PreparedDatabase> prepare(const std::string& original);

    ~PreparedDatabase();
    PreparedDatabase(const PreparedDatabase&) = delete;
    PreparedDatabase& operator=(const PreparedDatabase&) = delete;

    // The copy's path, to be opened read-write (it is ours).
    const std::string& path() const { return path_; }
    const std::string& original() const { return original_; }

    // The folder the copies are made in.
    static std::string copiesFolder();

private:
    PreparedDatabase() = default;
    std::string original_;
    std::string folder_;  // the copy's own folder, removed with it
    std::string path_;
};
