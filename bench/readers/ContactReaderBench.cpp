// The contact reader over a generated address book of 20,000 contacts in the iOS 6 layout
// (phone numbers, e-mail, postal and web addresses, birthdays, notes, and a picture for three
// in four), against the bare SQL over the same files: the statements the reader runs (the
// pictures, the people, the value labels, every value and each postal address's parts), every row
// stepped and every column read. Both sides read the prepared databases, which the
// fixture holds; ContactsPreparation times preparing them on its own.
#include "ReaderBench.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRContactReader.h"
#include "backup/PreparedDatabase.h"
#include "platform/NotificationCenter.h"

#include <cstdlib>

namespace {

struct Fixture {
    bench::TempFolder folder{"contact-bench"};
    std::shared_ptr<PreparedDatabase> book, images;
    PRBackupScanState state;

    Fixture() {
        const sampledb::SampleData data =
            sampledb::makeSampleData({.contacts = 20000, .conversations = 0, .messages = 0, .calls = 0});
        const std::string bookPath = folder.file(backupkeys::addressBook);
        const std::string imagesPath = folder.file(backupkeys::addressBookImages);
        if (!sampledb::writeAddressBook(bookPath, data.contacts) ||
            !sampledb::writeAddressBookImages(imagesPath, data.contacts, sampledb::ImagesForm::fullSize))
            std::abort();
        book = readerbench::heldPreparation(bookPath);
        images = readerbench::heldPreparation(imagesPath);
    }

    void clear() {
        state.contactArray.clear();
        state.contactImageArray.clear();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void ContactReader(benchmark::State& run) {
    Fixture& f = fixture();
    readerbench::timeReader(
        run, {"contact_reader", &notices::ScanContactInfo, "contacts",
              [&](NSNotificationCenter& nc) { PRContactReader(f.state, nc).scanContactThread(f.folder.path()); },
              [](readerbench::RecordDigest& digest, const NSNotification& n) {
                  const auto contact = n.objectAs<PRContactNode>();
                  digest.add(*contact);
                  digest.add(contact->imageData());
              },
              [&](readerbench::RecordDigest& digest) {
                  for (const auto& image : f.state.contactImageArray) {
                      digest.add(*image);
                      digest.add(image->imageData());
                  }
              },
              [&] { f.clear(); }});
}

void BareContactQuery(benchmark::State& run) {
    Fixture& f = fixture();
    size_t people = 0;
    for (auto _ : run) {
        sqlite3* images = readerbench::openPrepared(*f.images);
        readerbench::runAll(images, "select record_id, data from ABFullSizeImage");
        sqlite3_close(images);

        sqlite3* book = readerbench::openPrepared(*f.book);
        people = readerbench::runAll(book,
                                     "select DISTINCT Rowid, first, Department,DisplayName,firstPhonetic,jobTitle,"
                                     "organization,middle,middlePhonetic,CreationDate,Last,Note,Nickname,prefix, "
                                     "suffix, Birthday from abperson ");
        readerbench::runAll(book, "select ROWID, value from ABMultiValueLabel");
        sqlite3_stmt *values = nullptr, *parts = nullptr;
        sqlite3_prepare_v2(book, "select property,label,value, UID, record_id from abmultivalue", -1, &values, nullptr);
        sqlite3_prepare_v2(book,
                           "select ABMultiValueEntryKey.value, ABMultiValueEntry.value from ABMultiValueEntry "
                           "left join ABMultiValueEntryKey on ABMultiValueEntry.key = ABMultiValueEntryKey.ROWID "
                           "where ABMultiValueEntry.parent_id = ?",
                           -1, &parts, nullptr);
        if (!values || !parts) std::abort();
        while (sqlite3_step(values) == SQLITE_ROW) {
            readerbench::touchRow(values);
            if (sqlite3_column_type(values, 2) == SQLITE_NULL && sqlite3_column_int64(values, 0) == 5) {
                sqlite3_reset(parts);
                sqlite3_bind_int64(parts, 1, sqlite3_column_int64(values, 3));
                readerbench::stepAll(parts);
            }
        }
        sqlite3_finalize(values);
        sqlite3_finalize(parts);
        sqlite3_close(book);
    }
    run.counters["contacts"] = static_cast<double>(people);
}

// What each read pays before its first query: both files prepared for reading, and let go.
void ContactsPreparation(benchmark::State& run) {
    readerbench::timePreparation(run, {&fixture().images, &fixture().book});
}

}  // namespace

BENCHMARK(BareContactQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(ContactReader)->Unit(benchmark::kMillisecond);
BENCHMARK(ContactsPreparation)->Unit(benchmark::kMillisecond);
