// The contact and call carvers make the records of a large file side by side: on however many
// threads, the records, their joined values, their names and their order must be those of one
// (the call carver also lets the values of the rows it has made calls of go as it goes), whether
// or not they are also listed in the scan state. The message carver looks through its pages
// before the contacts that name its messages are in, and names them all the same.
#include "CarveQuality.h"
#include "CarveTestSupport.h"
#include "NaturalFixtures.h"
#include "backup/BackupNotices.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "model/ContactNumberRule.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

using namespace carvetest;

namespace {

struct Carved {
    std::vector<PRContactNodePtr> posted;
    PRBackupScanState state;
};

void carveOn(const std::string& folder, int threads, Carved& into, bool listInState = true) {
    NSNotificationCenter nc;
    carve::CarveContext context(into.state, nc);
    context.listInState = listInState;
    notices::ScanDelContactInfo.observe(nc, &into, [&](const PRContactNodePtr& c) { into.posted.push_back(c); });
    carve::DelContactCarver(context).scanDelContactThread(folder, threads);
    nc.removeObserver(&into);
}

std::vector<PRCallHistoryNodePtr> carveCalls(const std::string& folder, int threads, PRBackupScanState& state) {
    std::vector<PRCallHistoryNodePtr> posted;
    NSNotificationCenter nc;
    carve::CarveContext context(state, nc);
    notices::ScanDelCallHistoryInfo.observe(nc, &posted, [&](const PRCallHistoryNodePtr& c) { posted.push_back(c); });
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder, threads);
    nc.removeObserver(&posted);
    return posted;
}

// The messages carved from folder; namesIn as the message carver takes it. coverageSeen counts
// the databases said to be looked through.
std::vector<PRMessageNodePtr> carveMessages(const std::string& folder, PRBackupScanState& state,
                                            const std::function<bool()>& namesIn, int* coverageSeen = nullptr,
                                            bool* answer = nullptr) {
    std::vector<PRMessageNodePtr> posted;
    NSNotificationCenter nc;
    carve::CarveContext context(state, nc);
    context.coverage = [&](const carve::CarveCoverage&) {
        if (coverageSeen) ++*coverageSeen;
    };
    notices::ScanDelMessageInfo.observe(nc, &posted, [&](const PRMessageNodePtr& m) { posted.push_back(m); });
    const bool carved = carve::DelMessageCarver(context).scanDelMessageThread(folder, namesIn);
    if (answer) *answer = carved;
    nc.removeObserver(&posted);
    return posted;
}

template <class T>
void expectSameRecords(const char* list, const std::vector<std::shared_ptr<T>>& want,
                       const std::vector<std::shared_ptr<T>>& got) {
    SCOPED_TRACE(list);
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(want[i] && got[i]) << "record " << i;
        const std::vector<PRField> a = want[i]->fields();
        const std::vector<PRField> b = got[i]->fields();
        ASSERT_EQ(a.size(), b.size());
        for (size_t f = 0; f < a.size(); ++f) {
            EXPECT_STREQ(a[f].name, b[f].name);
            EXPECT_TRUE(a[f].value == b[f].value) << "record " << i << ", field " << a[f].name << ": "
                                                  << want[i]->description() << " vs " << got[i]->description();
        }
    }
}

}  // namespace

class CarverThreads : public CarveTest {};

TEST_F(CarverThreads, AnyNumberOfThreadsGivesTheContactsOfOne) {
    // Natural contacts: persons deleted in a run and here and there, some with their row ids
    // lost, their numbers and addresses deleted with them.
    carvefix::NaturalOptions options;
    options.rows = 2000;
    carvefix::writeNaturalDatabase(folder(), carvefix::CarveKind::contacts, options);
    Carved single;
    carveOn(folder(), 1, single);
    ASSERT_GT(single.posted.size(), 200u);
    ASSERT_GT(single.state.delContactValueArray.size(), 200u);
    size_t phones = 0, emails = 0;
    for (const PRContactNodePtr& c : single.posted) {
        phones += !c->contactPhone().empty();
        emails += !c->contactEmail().empty();
    }
    EXPECT_GT(phones, 100u);
    EXPECT_GT(emails, 100u);
    for (int threads : {2, 7}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        Carved split;
        carveOn(folder(), threads, split);
        expectSameRecords("posted", single.posted, split.posted);
        expectSameRecords("known", single.state.delContactArray, split.state.delContactArray);
        expectSameRecords("unknown", single.state.delUnKnowContactArray, split.state.delUnKnowContactArray);
        expectSameRecords("values", single.state.delContactValueArray, split.state.delContactValueArray);
    }
    // A caller that takes the posted records alone gets the same ones, and nothing is kept.
    Carved postedOnly;
    carveOn(folder(), 7, postedOnly, false);
    expectSameRecords("posted alone", single.posted, postedOnly.posted);
    EXPECT_TRUE(postedOnly.state.delContactArray.empty() && postedOnly.state.delUnKnowContactArray.empty() &&
                postedOnly.state.delContactValueArray.empty());
}

// An address book of several thousand pages is read in parts, and its carve lets the rows of
// each part go as their values are taken in: each deleted contact still comes once, with the
// numbers and addresses of it still in the file and none of another's. The carver says once, before
// its first contact, that the most it holds is behind it (what backup-dump waits for before it
// reads the live contacts).
TEST_F(CarverThreads, ContactsCarvedInPartsComeOnceWithAllTheirValues) {
    carvefix::NaturalOptions options;
    options.rows = 24000;
    options.pageSize = 1024;
    const carvefix::NaturalRows rows = carvefix::writeNaturalDatabase(folder(), carvefix::CarveKind::contacts, options);
    PRBackupScanState state;
    NSNotificationCenter nc;
    carve::CarveContext context(state, nc);
    context.listInState = false;
    std::vector<PRContactNodePtr> posted;
    std::vector<size_t> postedAtPeak;
    context.pastPeak = [&] { postedAtPeak.push_back(posted.size()); };
    notices::ScanDelContactInfo.observe(nc, &posted, [&](const PRContactNodePtr& c) { posted.push_back(c); });
    carve::DelContactCarver(context).scanDelContactThread(folder());
    nc.removeObserver(&posted);
    EXPECT_EQ(postedAtPeak, std::vector<size_t>{0});
    std::vector<carvefix::ExpectedRecord> reported;
    for (const PRContactNodePtr& c : posted)
        reported.push_back(carvequality::recordOf(carvefix::CarveKind::contacts, *c));
    std::ifstream in(folder() + "/" + carvefix::backupFileName(carvefix::CarveKind::contacts), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const carvequality::Score s =
        carvequality::scoreRecords(carvefix::CarveKind::contacts, rows, reported, bytes, options.pageSize);
    EXPECT_GT(s.recovered, 6000);
    EXPECT_EQ(s.garbage, 0) << "a contact came twice, or with a value not its own";
    EXPECT_EQ(s.liveAsDeleted, 0);
    EXPECT_EQ(s.wrongJoins, 0);
    EXPECT_EQ(s.othersValues, 0);
    // A few lose a value whose row lost the id that joins it (the free-space chain took it); a
    // part of the table's values lost would leave thousands without.
    EXPECT_LT(s.joinMissingInFile * 20, s.recovered) << s.joinMissingInFile << " without a value still in the file";
}

TEST_F(CarverThreads, AnyNumberOfThreadsGivesTheCallsOfOneWithTheirNames) {
    carvefix::NaturalOptions options;
    options.rows = 2000;
    carvefix::writeNaturalDatabase(folder(), carvefix::CarveKind::calls, options);
    PRBackupScanState unnamed;
    const std::vector<PRCallHistoryNodePtr> found = carveCalls(folder(), 1, unnamed);
    ASSERT_GT(found.size(), 300u);

    // Contacts for some of the numbers, written as people save them (spaces, a dash, a country
    // code the call lacks), and one contact without a number first in the list.
    PRBackupScanState state;
    state.contactArray.push_back(std::make_shared<PRContactNode>());
    state.contactArray.back()->setContactName("No Number");
    std::set<std::string> saved;
    for (size_t i = 0; i < found.size(); i += 5) {
        const std::string& phone = found[i]->callPhone();
        // Only numbers are written in other ways: another handle is one only whole.
        const std::string key = addressKey(phone);
        if (key.size() < 7 || !isNumberKey(key) || !saved.insert(phone).second) continue;
        auto contact = std::make_shared<PRContactNode>();
        contact->setContactName("Contact " + std::to_string(saved.size()));
        std::string written = phone.substr(0, 3) + " " + phone.substr(3, 3) + "-" + phone.substr(6);
        contact->setContactPhone(saved.size() % 3 == 0 && phone[0] != '+' ? "+1 " + written : written);
        state.contactArray.push_back(contact);
    }
    ASSERT_GT(saved.size(), 30u);

    const std::vector<PRCallHistoryNodePtr> single = carveCalls(folder(), 1, state);
    size_t named = 0;
    for (const PRCallHistoryNodePtr& call : single) {
        // The name is the one the scan state's own look-up gives for the number.
        const std::string want =
            call->callPhone().size() > 1 ? state.getNameByPhoneNumber(call->callPhone()).value_or("") : "";
        EXPECT_EQ(call->callName(), want) << call->callPhone();
        named += !call->callName().empty();
    }
    EXPECT_GE(named, saved.size());  // every call of a saved number
    for (int threads : {2, 7}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        PRBackupScanState again;
        again.contactArray = state.contactArray;
        expectSameRecords("calls", single, carveCalls(folder(), threads, again));
    }
}

TEST_F(CarverThreads, MessagesCarvedBeforeTheirContactsCameAreNamedByThem) {
    carvefix::NaturalOptions options;
    options.rows = 3000;
    carvefix::writeNaturalDatabase(folder(), carvefix::CarveKind::messages, options);
    PRBackupScanState unnamed;
    const std::vector<PRMessageNodePtr> found = carveMessages(folder(), unnamed, {});
    ASSERT_GT(found.size(), 300u);
    // A contact for every other party.
    std::vector<PRContactNodePtr> contacts;
    std::set<std::string> saved;
    for (const PRMessageNodePtr& message : found) {
        const std::string& phone = message->messagePhone();
        if (phone.size() < 7 || !saved.insert(phone).second || saved.size() % 2) continue;
        contacts.push_back(std::make_shared<PRContactNode>());
        contacts.back()->setContactName("Contact " + std::to_string(saved.size()));
        contacts.back()->setContactPhone(phone);
    }
    ASSERT_GT(contacts.size(), 5u);
    PRBackupScanState named;
    named.contactArray = contacts;
    const std::vector<PRMessageNodePtr> want = carveMessages(folder(), named, {});
    ASSERT_TRUE(std::any_of(want.begin(), want.end(), [](const auto& m) { return !m->messageName().empty(); }));

    // The contacts come in while the pages are looked through: asked for once they were, the
    // carver names every message by them.
    PRBackupScanState later;
    int coverage = 0, coverageWhenAsked = -1;
    bool answer = false;
    const std::vector<PRMessageNodePtr> got = carveMessages(
        folder(), later,
        [&] {
            coverageWhenAsked = coverage;
            later.contactArray = contacts;
            return true;
        },
        &coverage, &answer);
    EXPECT_EQ(coverageWhenAsked, 1);
    EXPECT_TRUE(answer);
    expectSameRecords("messages", want, got);

    // Names that never come end the carve with nothing posted; so does a folder without the
    // database, whose absence is then not logged either.
    PRBackupScanState never;
    EXPECT_TRUE(carveMessages(
                    folder(), never, [] { return false; }, nullptr, &answer)
                    .empty());
    EXPECT_FALSE(answer);
    const QTemporaryDir empty;
    std::vector<std::string> logged;
    {
        NSNotificationCenter nc;
        carve::CarveContext context(never, nc);
        context.log = [&](const std::string& line) { logged.push_back(line); };
        EXPECT_FALSE(
            carve::DelMessageCarver(context).scanDelMessageThread(empty.path().toStdString(), [] { return false; }));
        EXPECT_TRUE(logged.empty());
        EXPECT_TRUE(
            carve::DelMessageCarver(context).scanDelMessageThread(empty.path().toStdString(), [] { return true; }));
        EXPECT_EQ(logged.size(), 1u);
    }
}
