// The contact carver makes the records of many persons side by side: on however many threads,
// the contacts, their joined values, their row ids and their order must be those of one thread.
#include "CarveTestSupport.h"
#include "NaturalFixtures.h"
#include "backup/carve/DelContactCarver.h"
#include "model/PRContactNode.h"

using namespace carvetest;

namespace {

struct Carved {
    std::vector<PRContactNodePtr> posted;
    PRBackupScanState state;
};

void carveOn(const std::string& folder, int threads, Carved& into) {
    NSNotificationCenter nc;
    carve::CarveContext context(into.state, nc);
    nc.addObserver(&into, "ScanDelContactInfo", [&](const NSNotification& n) {
        into.posted.push_back(std::dynamic_pointer_cast<PRContactNode>(n.object()));
    });
    carve::DelContactCarver(context).scanDelContactThread(folder, threads);
    nc.removeObserver(&into);
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

class ContactThreads : public CarveTest {};

TEST_F(ContactThreads, AnyNumberOfThreadsGivesTheRecordsOfOne) {
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
}
