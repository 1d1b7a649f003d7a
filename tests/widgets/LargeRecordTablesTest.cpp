// Tables too large to work their rows out on the main thread (100,000 calls): the deleted-only
// filter, the search and the sort by every column give the rows the record-by-record rule gives
// (the rule the tables have always followed: the array filtered in order, then a stable sort
// comparing the two keys of each pair, texts ignoring case), while the rows shown stay those of
// the last result until the new ones are ready; a search typed while an earlier one still runs
// ends with the last one's rows, shown once; names changed while shown are sorted as they are now.
#include "TestSupport.h"
#include "widgets/RecordTableModels.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr size_t kCalls = 100000;

// Calls whose fields try the comparisons: names in both cases, with accents, with letters
// beyond the basic plane (Deseret) and with letters whose case folds oddly (ß, İ, ǅ), empty
// ones, and many repeats (equal keys keep their array order); dates of one shape with blanks
// among them; phone numbers of several shapes.
std::vector<PRCallHistoryNodePtr> manyCalls() {
    static const char* const kNames[] = {
        "Ann",        "ann",  "ANNA", "Åsa",           "åsa",    "Émile",     "émile",   "Zoë",     "",
        "bob",        "Bob",  "Ünal", "\U00010400lma", "ß",      "ss",        "Straße",  "STRASSE", "\U00010428lma",
        "\u01C5emal", "İpek", "ipek", "Łukasz",        "łukasz", "Ann-Marie", "annmarie"};
    static const char* const kTypes[] = {"Incoming", "Outgoing", "Missed", "FaceTime Incoming"};
    uint64_t state = 42;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(state >> 33);
    };
    std::vector<PRCallHistoryNodePtr> calls;
    calls.reserve(kCalls);
    char text[64];
    for (size_t i = 0; i < kCalls; ++i) {
        auto call = std::make_shared<PRCallHistoryNode>();
        std::string name = kNames[next() % std::size(kNames)];
        if (next() % 3 == 0) name += " " + std::to_string(next() % 50);
        call->setCallName(name);
        const uint32_t number = next() % 10000000;
        switch (next() % 4) {
        case 0: std::snprintf(text, sizeof text, "+1 555 %07u", number); break;
        case 1: std::snprintf(text, sizeof text, "(555) %03u-%04u", number / 10000 % 1000, number % 10000); break;
        case 2: std::snprintf(text, sizeof text, "%u", number); break;
        default: std::snprintf(text, sizeof text, "friend%u@Example.com", number % 5000); break;
        }
        call->setCallPhone(text);
        if (i % 97 == 0) {
            call->setCallDate(i % 2 ? " " : "");
        } else {
            std::snprintf(text, sizeof text, "%02u-%02u-%04u %02u:%02u", 1 + next() % 12, 1 + next() % 28,
                          2005 + next() % 12, next() % 24, next() % 60);
            call->setCallDate(text);
        }
        call->setCallType(kTypes[next() % std::size(kTypes)]);
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", next() % 3, next() % 60, next() % 60);
        call->setCallDuration(next() % 5 ? text : "Missed");
        call->setBDeleted(next() % 10 == 0);
        calls.push_back(std::move(call));
    }
    return calls;
}

struct Ask {
    bool deletedOnly = false;
    QString search;
    int column = -1;
    Qt::SortOrder order = Qt::AscendingOrder;
};

// The rows by the record-by-record rule; keys are those of a table of the same calls in array order.
std::vector<size_t> ruleRows(const std::vector<PRCallHistoryNodePtr>& calls, const PRCallHistoryController& inOrder,
                             const Ask& ask) {
    std::vector<size_t> rows;
    for (size_t i = 0; i < calls.size(); ++i) {
        const PRCallHistoryNode& c = *calls[i];
        if (ask.deletedOnly && !c.bDeleted()) continue;
        if (!ask.search.isEmpty() && !QString::fromStdString(c.callName()).contains(ask.search, Qt::CaseInsensitive) &&
            !QString::fromStdString(c.callPhone()).contains(ask.search, Qt::CaseInsensitive))
            continue;
        rows.push_back(i);
    }
    if (ask.column < 0) return rows;
    // Each column's keys, asked for once; texts taken out of their QVariant once.
    struct Key {
        QVariant value;
        QString text;
        bool isText;
    };
    static std::map<int, std::vector<Key>> keysOf;
    std::vector<Key>& keys = keysOf[ask.column];
    if (keys.size() != calls.size()) {
        keys.resize(calls.size());
        for (size_t i = 0; i < calls.size(); ++i) {
            const QVariant value = inOrder.index(int(i), ask.column).data(Qt::UserRole);
            const bool isText = value.typeId() == QMetaType::QString;
            keys[i] = {value, isText ? value.toString() : QString(), isText};
        }
    }
    auto compare = [](const Key& a, const Key& b) {
        if (a.isText && b.isText) return QString::compare(a.text, b.text, Qt::CaseInsensitive);
        const QPartialOrdering order = QVariant::compare(a.value, b.value);
        return order == QPartialOrdering::Less ? -1 : order == QPartialOrdering::Greater ? 1 : 0;
    };
    const bool ascending = ask.order == Qt::AscendingOrder;
    std::stable_sort(rows.begin(), rows.end(), [&](size_t a, size_t b) {
        const int c = compare(keys[a], keys[b]);
        return ascending ? c < 0 : c > 0;
    });
    return rows;
}

std::vector<size_t> shownRows(const PRRecordTableModel& model) {
    std::vector<size_t> rows(size_t(model.rowCount()));
    for (int row = 0; row < model.rowCount(); ++row) rows[size_t(row)] = model.recordAt(row);
    return rows;
}

class LargeRecordTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        calls = new std::vector<PRCallHistoryNodePtr>(manyCalls());
        inOrder = new PRCallHistoryController;
        inOrder->setRecords(*calls);
    }
    static void TearDownTestSuite() {
        delete inOrder;
        delete calls;
    }
    // Asks the table for ask and waits for its rows.
    static void askAndWait(PRCallHistoryController& table, const Ask& ask) {
        table.setDeletedOnly(ask.deletedOnly);
        table.setSearchText(ask.search);
        if (ask.column >= 0) table.sort(ask.column, ask.order);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !table.rowsPending(); }, std::chrono::seconds(120)));
    }
    static std::vector<PRCallHistoryNodePtr>* calls;
    static PRCallHistoryController* inOrder;
};

std::vector<PRCallHistoryNodePtr>* LargeRecordTables::calls = nullptr;
PRCallHistoryController* LargeRecordTables::inOrder = nullptr;

}  // namespace

TEST_F(LargeRecordTables, FilterSearchAndSortOfEveryColumnGiveTheRowsOfTheRecordByRecordRule) {
    ASSERT_GT(calls->size(), PRRecordTableModel::kRecordsWorkedOutAtOnce);
    PRCallHistoryController table;
    table.setRecords(*calls);
    EXPECT_EQ(shownRows(table), ruleRows(*calls, *inOrder, {}));
    const std::vector<Ask> asks = {
        {false, {}, PRCallHistoryController::Name, Qt::AscendingOrder},
        {false, {}, PRCallHistoryController::Name, Qt::DescendingOrder},
        {false, {}, PRCallHistoryController::Phone, Qt::AscendingOrder},
        {false, {}, PRCallHistoryController::Date, Qt::DescendingOrder},
        {false, {}, PRCallHistoryController::Type, Qt::AscendingOrder},
        {true, {}, PRCallHistoryController::Duration, Qt::AscendingOrder},
        {true, "ANN", PRCallHistoryController::Name, Qt::DescendingOrder},
        {false, "\U00010428", PRCallHistoryController::Name, Qt::AscendingOrder},
        {false, "example.COM", PRCallHistoryController::Phone, Qt::DescendingOrder},
        {false, "555) 12", PRCallHistoryController::Date, Qt::AscendingOrder},
    };
    for (const Ask& ask : asks) {
        SCOPED_TRACE(testing::Message() << "deleted only " << ask.deletedOnly << ", search \""
                                        << ask.search.toStdString() << "\", column " << ask.column << ", order "
                                        << ask.order);
        askAndWait(table, ask);
        const std::vector<size_t> expected = ruleRows(*calls, *inOrder, ask);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(shownRows(table), expected);
    }
    // Every record again, in the order of the sort.
    EXPECT_TRUE(table.setDeletedOnly(false) | table.setSearchText({}));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !table.rowsPending(); }, std::chrono::seconds(120)));
    EXPECT_EQ(shownRows(table),
              ruleRows(*calls, *inOrder, {false, {}, PRCallHistoryController::Date, Qt::AscendingOrder}));

    // Names changed while the table shows them: the rows come in the kept order at once, then
    // move to the order of the names they hold now.
    std::vector<std::string> names;
    for (const auto& call : *calls) names.push_back(call->callName());
    for (size_t i = 0; i < calls->size(); i += 1000) (*calls)[i]->setCallName("!changed " + std::to_string(i));
    auto unordered = [&] {
        int count = 0;
        for (int row = 1; row < table.rowCount(); ++row)
            count += QString::compare(QString::fromStdString((*calls)[table.recordAt(row - 1)]->callName()),
                                      QString::fromStdString((*calls)[table.recordAt(row)]->callName()),
                                      Qt::CaseInsensitive) > 0;
        return count;
    };
    table.sort(PRCallHistoryController::Name, Qt::AscendingOrder);
    EXPECT_TRUE(
        testsupport::waitUntil([&] { return !table.rowsPending() && unordered() == 0; }, std::chrono::seconds(120)));
    for (size_t i = 0; i < calls->size(); ++i) (*calls)[i]->setCallName(names[i]);
}

TEST_F(LargeRecordTables, ASearchTypedWhileAnEarlierOneRunsEndsWithTheLastOnesRowsShownOnce) {
    PRCallHistoryController table;
    table.setRecords(*calls);
    std::vector<PRRecordTableModel::RowsChange> shown;
    table.rowsShown = [&](PRRecordTableModel::RowsChange change) { shown.push_back(change); };

    // Typed one character after the other: the rows shown meanwhile are the earlier ones.
    table.setSearchText("a");
    table.setSearchText("an");
    table.setSearchText("ann");
    EXPECT_TRUE(table.rowsPending());
    EXPECT_EQ(table.rowCount(), int(kCalls));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !table.rowsPending(); }, std::chrono::seconds(120)));
    EXPECT_EQ(shownRows(table), ruleRows(*calls, *inOrder, {false, "ann"}));
    EXPECT_EQ(shown, std::vector<PRRecordTableModel::RowsChange>{PRRecordTableModel::RowsChange::Filtered});

    // A sort asked while a search runs: the last search, sorted; a sort alone is announced as one.
    shown.clear();
    table.setSearchText("bob");
    table.sort(PRCallHistoryController::Phone, Qt::DescendingOrder);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !table.rowsPending(); }, std::chrono::seconds(120)));
    EXPECT_EQ(shownRows(table),
              ruleRows(*calls, *inOrder, {false, "bob", PRCallHistoryController::Phone, Qt::DescendingOrder}));
    table.sort(PRCallHistoryController::Name, Qt::AscendingOrder);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !table.rowsPending(); }, std::chrono::seconds(120)));
    EXPECT_EQ(shownRows(table),
              ruleRows(*calls, *inOrder, {false, "bob", PRCallHistoryController::Name, Qt::AscendingOrder}));
    EXPECT_EQ(shown, (std::vector<PRRecordTableModel::RowsChange>{PRRecordTableModel::RowsChange::Filtered,
                                                                  PRRecordTableModel::RowsChange::Sorted}));

    // Records set while a search runs: the search's rows never land on them.
    table.setSearchText("ann");
    table.setRecords({});
    testsupport::spinEventLoop(std::chrono::milliseconds(50));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !table.rowsPending(); }, std::chrono::seconds(120)));
    EXPECT_EQ(table.rowCount(), 0);
}
