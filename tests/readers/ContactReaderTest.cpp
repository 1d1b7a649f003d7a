#include "ReaderTestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/PRContactReader.h"

#include <fstream>
#include <sqlite3.h>

using sampledb::Contact;

namespace {

std::vector<Contact> threeContacts() {
    Contact full;
    full.rowid = 1;
    full.first = "Anna";
    full.middle = "J.";
    full.last = "Berg";
    full.department = "Sales";
    full.jobTitle = "Engineer";
    full.organization = "Northwind";
    full.note = "Met in Lisbon";
    full.birthday = "-662731200";
    full.phones = {"(555) 010-1234", "555 010 9876"};
    full.emails = {"anna@example.com"};
    sampledb::PostalAddress home;
    home.street = "1 Elm Street";
    home.city = "Springfield";
    full.addresses = {home};
    full.urls = {"http://anna.example.com"};
    full.photo = bytesOf("JPEG-ANNA");
    Contact lastOnly;
    lastOnly.rowid = 2;
    lastOnly.last = "Olsen";
    lastOnly.phones = {"5550100002"};
    Contact company;
    company.rowid = 3;
    company.organization = "Blue Harbor Clinic";
    return {full, lastOnly, company};
}

}  // namespace

// The shown fields join the parts that are there, never starting with a blank; the parts and
// every value with its label are kept beside them for the cards, whether or not the contacts
// are also listed in the scan state.
TEST_F(ReaderTest, ContactFieldsJoinTheirPartsAndCollectValuesPerProperty) {
    ASSERT_TRUE(sampledb::writeAddressBook(at(backupkeys::addressBook), threeContacts()));
    ASSERT_TRUE(sampledb::writeAddressBookImages(at(backupkeys::addressBookImages), threeContacts(),
                                                 sampledb::ImagesForm::fullSize));
    NotificationRecorder recorder(nc, {&notices::ScanContactInfo, &notices::ScanProgressInfo});
    PRContactReader(state, nc).scanContactThread(folder);

    EXPECT_EQ(recorder.names(),
              (std::vector<std::string>{notices::ScanContactInfo.name(), notices::ScanContactInfo.name(),
                                        notices::ScanContactInfo.name(), notices::ScanProgressInfo.name()}));
    EXPECT_EQ(recorder.numbers(notices::ScanProgressInfo), std::vector<int>{40});
    const auto contacts = recorder.records(notices::ScanContactInfo);
    ASSERT_EQ(contacts.size(), 3u);
    const auto& anna = *contacts[0];
    EXPECT_EQ(anna.rowid(), 1);
    EXPECT_EQ(anna.contactName(), "Anna J. Berg");
    EXPECT_EQ(anna.contactCompany(), "Sales Engineer Northwind");
    EXPECT_EQ(anna.contactNote(), "Met in Lisbon");
    EXPECT_EQ(anna.contactBirthday(), "1980-01-01");  // stored as seconds from 2001, at noon GMT
    EXPECT_EQ(anna.contactPhone(), "(555) 010-1234 555 010 9876");
    EXPECT_EQ(anna.contactEmail(), "anna@example.com");
    EXPECT_EQ(anna.contactAdress(), "1 Elm Street, Springfield");
    EXPECT_EQ(anna.contactHomepage(), "http://anna.example.com");
    ASSERT_TRUE(anna.imageData());
    EXPECT_EQ(*anna.imageData(), bytesOf("JPEG-ANNA"));
    EXPECT_EQ(anna.contactJobtitle(), "Engineer");
    EXPECT_EQ(anna.contactFirstName(), "Anna");
    EXPECT_EQ(anna.contactMiddleName(), "J.");
    EXPECT_EQ(anna.contactLastName(), "Berg");
    EXPECT_EQ(anna.contactOrganization(), "Northwind");
    EXPECT_EQ(anna.contactDepartment(), "Sales");
    // Row 1's numbers are labelled mobile, its e-mail home (the fixture's labels).
    ASSERT_EQ(anna.contactPhones().size(), 2u);
    EXPECT_EQ(anna.contactPhones()[0].label.str(), "Mobile");
    EXPECT_EQ(anna.contactPhones()[1].value.view(), "555 010 9876");
    ASSERT_EQ(anna.contactEmails().size(), 1u);
    EXPECT_EQ(anna.contactEmails()[0].label.str(), "Home");
    ASSERT_EQ(anna.contactAddresses().size(), 1u);
    EXPECT_EQ(anna.contactAddresses()[0].street.view(), "1 Elm Street");
    EXPECT_EQ(anna.contactAddresses()[0].city.view(), "Springfield");
    EXPECT_EQ(anna.contactAddresses()[0].label.str(), "Home");
    ASSERT_EQ(anna.contactHomepages().size(), 1u);

    EXPECT_EQ(contacts[1]->contactName(), "Olsen");
    EXPECT_FALSE(contacts[1]->imageData());
    EXPECT_EQ(contacts[2]->contactName(), "");
    EXPECT_EQ(contacts[2]->contactCompany(), "Blue Harbor Clinic");

    EXPECT_EQ(state.contactArray.size(), 3u);
    EXPECT_EQ(state.contactImageArray.size(), 1u);

    // A caller that names no number has them posted as they are made and kept nowhere: the same
    // records, in the same order, before the same end.
    PRBackupScanState unlisted;
    unlisted.listsContacts = false;
    NSNotificationCenter center;
    NotificationRecorder unlistedRun(center, {&notices::ScanContactInfo, &notices::ScanProgressInfo});
    PRContactReader(unlisted, center).scanContactThread(folder);
    EXPECT_TRUE(unlisted.contactArray.empty());
    EXPECT_EQ(unlistedRun.names(), recorder.names());
    const auto alike = unlistedRun.records(notices::ScanContactInfo);
    ASSERT_EQ(alike.size(), contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i) EXPECT_EQ(alike[i]->description(), contacts[i]->description()) << i;
}

// Values added later lie after other people's in the table: each person still gets their own,
// in the order the table holds them, and values of nobody (no such person, a person number
// that is no number or too large for a row id) go nowhere. A messaging handle and a social
// profile take their parts from ABMultiValueEntry under any case of their key names; a value of
// blanks alone shows nothing.
TEST_F(ReaderTest, ContactValuesAddedLaterJoinTheirOwnPersonInTableOrder) {
    ASSERT_TRUE(sampledb::writeAddressBook(at(backupkeys::addressBook), threeContacts()));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(at(backupkeys::addressBook).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "INSERT INTO ABMultiValue (record_id, property, value) VALUES (2, 4, 'karin@example.com'), "
                           "(3, 3, '555 0100 003'), (2, 3, '555 0100 222'), (99, 3, '555 0199 999'), "
                           "('two', 3, '555 0100 444'), (NULL, 3, '555 0100 555'), (2.0, 22, 'http://olsen.example'), "
                           "(4294967298, 3, '555 0100 666'), (2, 3, '   '), (2, 3, ' 555 0100 777 ');"
                           "INSERT INTO ABMultiValue (UID, record_id, property, label, value) VALUES "
                           "(9001, 2, 13, 7, NULL), (9002, 2, 46, NULL, 'ignored');"
                           "INSERT INTO ABMultiValueEntryKey (value) VALUES ('USERNAME');"
                           "INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES (9001, 7, 'Skype'), "
                           "(9001, 10, ' olsen.k '), (9002, 9, 'http://social.example/olsen'), (9002, 5, 'de')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    NotificationRecorder recorder(nc, {&notices::ScanContactInfo});
    PRContactReader(state, nc).scanContactThread(folder);
    const auto contacts = recorder.records(notices::ScanContactInfo);
    ASSERT_EQ(contacts.size(), 3u);
    EXPECT_EQ(contacts[0]->contactPhone(), "(555) 010-1234 555 010 9876");
    EXPECT_EQ(contacts[1]->contactPhone(), "5550100002 555 0100 222 555 0100 777");
    EXPECT_EQ(contacts[1]->contactEmail(), "karin@example.com");
    EXPECT_EQ(contacts[1]->contactHomepage(), "http://olsen.example");
    EXPECT_EQ(contacts[2]->contactPhone(), "555 0100 003");
    ASSERT_EQ(contacts[1]->contactPhones().size(), 3u);
    EXPECT_EQ(contacts[1]->contactPhones()[2].value, "555 0100 777");
    ASSERT_EQ(contacts[1]->contactMessengers().size(), 1u);
    EXPECT_EQ(contacts[1]->contactMessengers()[0].service, "Skype");
    EXPECT_EQ(contacts[1]->contactMessengers()[0].username, "olsen.k");
    EXPECT_EQ(contacts[1]->contactMessengers()[0].label, "Telma");
    ASSERT_EQ(contacts[1]->contactProfiles().size(), 1u);
    EXPECT_EQ(contacts[1]->contactProfiles()[0].url, "http://social.example/olsen");
    EXPECT_EQ(contacts[1]->contactProfiles()[0].label, "");
}

TEST_F(ReaderTest, ContactPhotosComeFromTheOlderImageFileWhenTheNewerIsMissing) {
    ASSERT_TRUE(sampledb::writeAddressBook(at(backupkeys::addressBook), threeContacts()));
    ASSERT_TRUE(sampledb::writeAddressBookImages(at(backupkeys::addressBookImagesOld), threeContacts(),
                                                 sampledb::ImagesForm::mddata));
    NotificationRecorder recorder(nc, {&notices::ScanContactInfo});
    PRContactReader(state, nc).scanContactThread(folder);
    const auto contacts = recorder.records(notices::ScanContactInfo);
    ASSERT_EQ(contacts.size(), 3u);
    ASSERT_TRUE(contacts[0]->imageData());
    EXPECT_EQ(*contacts[0]->imageData(), bytesOf("JPEG-ANNA"));
    // Neither picture file: contacts come without photos, and no picture file is created.
    std::remove(at(backupkeys::addressBookImagesOld).c_str());
    PRContactReader(state, nc).scanContactThread(folder);
    EXPECT_FALSE(state.contactArray.back()->imageData());
    EXPECT_FALSE(std::ifstream(at(backupkeys::addressBookImagesOld)).good());
}

TEST_F(ReaderTest, TransferContactReadReplacesTheTransferListAndAlwaysEnds) {
    NotificationRecorder recorder(nc, {&notices::ScanTransferContactInfo, &notices::ScanTransferContactFinished,
                                       &notices::ScanContactInfo, &notices::ScanProgressInfo});
    // No address book: the scan variant posts nothing, the transfer variant still ends.
    PRContactReader(state, nc).scanContactThread(folder);
    EXPECT_TRUE(recorder.posted.empty());
    PRContactReader(state, nc).scanTransferContactThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::ScanTransferContactFinished.name()});

    ASSERT_TRUE(sampledb::writeAddressBook(at(backupkeys::addressBook), threeContacts()));
    recorder.posted.clear();
    PRContactReader(state, nc).scanTransferContactThread(folder);
    PRContactReader(state, nc).scanTransferContactThread(folder);
    EXPECT_EQ(state.transContactArray.size(), 3u);
    EXPECT_TRUE(state.contactArray.empty());
    EXPECT_EQ(recorder.records(notices::ScanTransferContactInfo).size(), 6u);
    ASSERT_EQ(recorder.names().back(), notices::ScanTransferContactFinished.name());
    EXPECT_EQ(recorder.posted.back().object, nullptr);
}

TEST_F(ReaderTest, ContactRowsLeftInTheJournalAreRead) {
    auto contacts = sampledb::makeSampleData({40, 1, 1, 1, 1, 1, 1, false}).contacts;
    ASSERT_TRUE(sampledb::writeAddressBook(at(backupkeys::addressBook), contacts, /*walOnly*/ 7));
    ASSERT_TRUE(std::ifstream(at(backupkeys::addressBook) + "-wal").good());
    NotificationRecorder recorder(nc, {&notices::ScanContactInfo});
    PRContactReader(state, nc).scanContactThread(folder);
    const auto read = recorder.records(notices::ScanContactInfo);
    ASSERT_EQ(read.size(), 40u);
    EXPECT_EQ(read.back()->rowid(), 40);
    EXPECT_FALSE(read.back()->contactPhone().empty());
    // Folded in the private copy only: the backup keeps its journal.
    EXPECT_TRUE(std::ifstream(at(backupkeys::addressBook) + "-wal").good());
}

TEST_F(ReaderTest, CorruptAddressBookGivesNoContactsButTheEndNotification) {
    std::ofstream(at(backupkeys::addressBook)) << std::string(5000, 'x');
    std::ofstream(at(backupkeys::addressBookImages)) << "SQLite format 3";
    NotificationRecorder recorder(nc, {&notices::ScanContactInfo, &notices::ScanProgressInfo});
    PRContactReader(state, nc).scanContactThread(folder);
    EXPECT_EQ(recorder.names(), std::vector<std::string>{notices::ScanProgressInfo.name()});
    PRContactReader(state, nc).scanContactThread("");
    EXPECT_EQ(recorder.posted.size(), 1u);
}
