#include "ReaderBench.h"

#include <cstdlib>

namespace readerbench {

std::shared_ptr<PreparedDatabase> heldPreparation(const std::string& path) {
    auto prepared = PreparedDatabase::prepare(path);
    if (!prepared) std::abort();
    return prepared;
}

std::vector<PRContactNodePtr> lookupContacts(const std::vector<sampledb::Contact>& contacts) {
    std::vector<PRContactNodePtr> out;
    out.reserve(contacts.size());
    for (const auto& c : contacts) {
        auto contact = std::make_shared<PRContactNode>();
        contact->setContactName(c.first.empty() || c.last.empty() ? c.first + c.last : c.first + " " + c.last);
        std::string phones;
        std::vector<PRContactValue> values;
        for (const auto& p : c.phones) {
            phones += (phones.empty() ? "" : " ") + p;
            values.push_back({"", p});
        }
        contact->setContactPhone(phones);
        contact->setContactPhones(std::move(values));
        out.push_back(std::move(contact));
    }
    return out;
}

void RecordDigest::add(const PRRecord& record) {
    check_.add(record.className());
    check_.addFields(record);
}

void RecordDigest::add(const PRBytes& bytes) {
    check_.add(static_cast<int64_t>(bytes ? 1 : 0));
    if (bytes) check_.add(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}

bool RecordDigest::check(benchmark::State& run, const std::string& name) {
    return bench::outputUnchanged(run, name, check_.finish());
}

void timeReader(benchmark::State& run, const ReaderRun& reader) {
    {
        NSNotificationCenter nc;
        RecordDigest digest;
        reader.notice->observe(nc, &digest, [&](const NSNotification& n) { reader.addRecord(digest, n); });
        if (reader.reset) reader.reset();
        reader.read(nc);
        if (reader.addRest) reader.addRest(digest);
        if (!digest.check(run, reader.digestName)) return;
    }
    NSNotificationCenter nc;
    size_t records = 0;
    reader.notice->observe(nc, &records, [&](const NSNotification&) { ++records; });
    for (auto _ : run) {
        if (reader.reset) {
            run.PauseTiming();
            reader.reset();
            run.ResumeTiming();
        }
        records = 0;
        reader.read(nc);
    }
    run.counters[reader.counter] = static_cast<double>(records);
}

void timePreparation(benchmark::State& run, const std::vector<std::shared_ptr<PreparedDatabase>*>& held) {
    std::vector<std::string> originals;
    for (auto* prepared : held) {
        originals.push_back((*prepared)->original());
        prepared->reset();
    }
    for (auto _ : run)
        for (const std::string& original : originals) benchmark::DoNotOptimize(PreparedDatabase::prepare(original));
    for (size_t i = 0; i < held.size(); ++i) *held[i] = PreparedDatabase::prepare(originals[i]);
}

size_t stepAll(sqlite3_stmt* stmt) {
    size_t rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        touchRow(stmt);
        ++rows;
    }
    return rows;
}

size_t runAll(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) std::abort();
    const size_t rows = stepAll(stmt);
    sqlite3_finalize(stmt);
    return rows;
}

sqlite3* openPrepared(const PreparedDatabase& prepared) {
    sqlite3* db = prepared.open(SQLITE_OPEN_NOMUTEX);
    if (!db) std::abort();
    return db;
}

}  // namespace readerbench

BENCHMARK_MAIN();
