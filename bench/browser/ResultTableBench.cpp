// The results screen's tables on large backups read by the screen's own scan: 1.3 million
// calls (a tenth of the rows written deleted, for the carver to bring back as deleted records)
// and 500,000 messages (the messages tab lists their conversations). For every column's sort,
// one search character, a further one, and the deleted-only filter: the longest turn of the
// main thread while the table gets there (a 10 ms timer records the longest gap between its
// ticks) and the time until the table shows the result (the model's rows swapped in and the
// table painted). The rows shown after each action are digested, so that a faster build showing
// other rows is caught.
#include "../support/ApplicationMain.h"
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "SampleBackup.h"
#include "SampleDatabases.h"
#include "backup/BackupFileKeys.h"
#include "backup/ManifestWriter.h"
#include "browser/PRResultViewController.h"
#include "widgets/RecordTableModels.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <sqlite3.h>

namespace {

// A backup of the sample databases at size, every tenth of the rows of table deleted from the
// database at file (secure delete off: the rows stay behind in the pages for the carver).
struct LargeBackup {
    bench::TempFolder made;
    LargeBackup(const char* name, const sampledb::SampleSize& size, const char* file, const char* table, int64_t rows)
        : made(name) {
        const sampledb::SampleData data = sampledb::makeSampleData(size);
        std::vector<ManifestEntry> entries;
        for (const auto& db : sampledb::writeBackupDatabases(made.path(), data)) {
            ManifestEntry entry;
            entry.domain = db.domain;
            entry.path = db.path;
            entries.push_back(entry);
        }
        writeManifest(made.file("Manifest.mbdb"), entries);
        samplebackup::writeBackupPropertyLists(made.path(), samplebackup::sampleIPhone());
        // Deleted one at a time, as a user deletes them: each row stays behind in its page.
        sqlite3* db = nullptr;
        sqlite3_stmt* remove = nullptr;
        const std::string sql = std::string("DELETE FROM ") + table + " WHERE ROWID = ?";
        if (sqlite3_open(made.file(file).c_str(), &db) != SQLITE_OK ||
            sqlite3_exec(db, "PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; PRAGMA secure_delete=OFF;", nullptr,
                         nullptr, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db, sql.c_str(), -1, &remove, nullptr) != SQLITE_OK)
            std::abort();
        for (int64_t row = 10; row <= rows; row += 10) {
            sqlite3_bind_int64(remove, 1, row);
            if (sqlite3_step(remove) != SQLITE_DONE) std::abort();
            sqlite3_reset(remove);
        }
        sqlite3_finalize(remove);
        sqlite3_close(db);
    }
};

// The results screen at the default window size, with a backup scanned and one tab on show.
struct Screen {
    LargeBackup backup;
    PRResultViewController screen;
    PRResultViewController::Category category;

    template <class... Args>
    Screen(PRResultViewController::Category shown, Args&&... args)
        : backup(std::forward<Args>(args)...), category(shown) {
        auto node = std::make_shared<PRIOSDeviceNode>();
        node->setBackUpFilePath(backup.made.path());
        node->setStrDeviceName("Bench iPhone");
        node->setStrIOSVersion("6.1.4");
        screen.view()->resize(980, 640);
        screen.view()->show();
        screen.scanBackup(node);
        while (screen.scanRunning()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        screen.showCategory(category);
        QCoreApplication::processEvents();
    }
    PRRecordTableModel* model() const { return screen.modelOf(category); }
    QTableView* table() const { return screen.tableOf(category); }
};

// The screens are made at first use and go before the application does.
std::unique_ptr<Screen> callsScreen, messagesScreen;

// A backup of 2,000 contacts and the records given, no others: the scan reads one large database.
sampledb::SampleSize only(int calls, int conversations, int messages) {
    return {.contacts = 2000,
            .conversations = conversations,
            .messages = messages,
            .calls = calls,
            .notes = 0,
            .history = 0,
            .calendarItems = 0,
            .photos = false};
}

// A table of 1.3 million calls: 1.44 million written, a tenth of them deleted.
Screen& calls() {
    if (!callsScreen)
        callsScreen = std::make_unique<Screen>(PRResultViewController::CallHistory, "calls-table-bench",
                                               only(1440000, 0, 0), backupkeys::callHistory, "call", 1440000);
    return *callsScreen;
}

// The messages tab lists conversations: 500,000 messages make about 9,000 of them.
Screen& messages() {
    if (!messagesScreen)
        messagesScreen = std::make_unique<Screen>(PRResultViewController::Messages, "messages-table-bench",
                                                  only(0, 20000, 500000), backupkeys::messages, "message", 500000);
    return *messagesScreen;
}

struct Figures {
    double longestTurnMs = 0;
    double resultMs = -1;  // -1: the table never showed a result
};

// Runs action from the event loop and turns the loop until the model's rows were swapped in
// and the table painted them (then 100 ms more, for what the screen does after), recording
// the longest gap between the ticks of a 10 ms timer.
Figures measure(Screen& s, const std::function<void()>& action) {
    Figures out;
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 swapped = -1;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        out.longestTurnMs = std::max(out.longestTurnMs, double(now - lastTick) / 1e6);
        lastTick = now;
        if (out.resultMs >= 0 && now / 1e6 > out.resultMs + 100) loop.quit();
        if (now > 120'000'000'000LL) loop.quit();
    });
    auto onSwap = [&] {
        if (swapped < 0) swapped = clock.nsecsElapsed();
    };
    const QMetaObject::Connection reset = QObject::connect(s.model(), &QAbstractItemModel::modelReset, onSwap);
    const QMetaObject::Connection layout = QObject::connect(s.model(), &QAbstractItemModel::layoutChanged, onSwap);
    // The first paint of the table after the swap: its end is when the user sees the result.
    struct PaintWatch : QObject {
        std::function<void()> painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) QTimer::singleShot(0, this, [this] { painted(); });
            return false;
        }
    } watch;
    watch.painted = [&] {
        if (swapped >= 0 && out.resultMs < 0) out.resultMs = double(clock.nsecsElapsed()) / 1e6;
    };
    s.table()->viewport()->installEventFilter(&watch);
    QTimer::singleShot(0, [&] {
        clock.start();
        tick.start();
        action();
        s.table()->viewport()->update();
    });
    loop.exec();
    s.table()->viewport()->removeEventFilter(&watch);
    QObject::disconnect(reset);
    QObject::disconnect(layout);
    return out;
}

// The records of the rows shown, in order.
std::string rowsDigest(const Screen& s) {
    bench::OutputCheck check;
    const PRRecordTableModel* model = s.model();
    check.add(int64_t{model->rowCount()});
    for (int row = 0; row < model->rowCount(); ++row) check.add(int64_t(model->recordAt(row)));
    return check.finish();
}

void report(benchmark::State& state, Screen& s, const std::string& name, const std::function<void()>& action) {
    Figures f;
    for (auto _ : state) f = measure(s, action);
    state.counters["longest_main_thread_turn_ms"] = f.longestTurnMs;
    state.counters["result_shown_ms"] = f.resultMs;
    state.counters["rows"] = s.model()->rowCount();
    state.counters["records"] = double(s.model()->recordCount());
    if (f.resultMs < 0) state.SkipWithError("the table never showed the result");
    bench::outputUnchanged(state, "result_table_" + name, rowsDigest(s));
}

void sortBy(Screen& s, int column, Qt::SortOrder order) { s.table()->sortByColumn(column, order); }
void type(Screen& s, const QString& text) { s.screen.searchlab->setText(text); }
void deletedOnly(Screen& s, bool on) { s.screen.checkBtn->setChecked(on); }

template <Screen& (*Table)()>
void SortBy(benchmark::State& state) {
    Screen& s = Table();
    const int column = int(state.range(0));
    const auto order = state.range(1) ? Qt::DescendingOrder : Qt::AscendingOrder;
    report(state, s,
           std::string(Table == &calls ? "calls" : "messages") + "_sort_" + std::to_string(column) + "_" +
               std::to_string(state.range(1)),
           [&] { sortBy(s, column, order); });
}

template <Screen& (*Table)()>
void Search(benchmark::State& state) {
    Screen& s = Table();
    static const QString texts[] = {"", "a", "an"};
    const QString text = texts[state.range(0)];
    report(state, s, std::string(Table == &calls ? "calls" : "messages") + "_search_" + text.toStdString(),
           [&] { type(s, text); });
}

template <Screen& (*Table)()>
void DeletedOnly(benchmark::State& state) {
    Screen& s = Table();
    const bool on = state.range(0);
    report(state, s, std::string(Table == &calls ? "calls" : "messages") + "_deleted_" + std::to_string(on),
           [&] { deletedOnly(s, on); });
}

}  // namespace

// Each table: every column sorted ascending, the first again descending, one search character,
// a further one, the search cleared, and the deleted-only filter on and off.
BENCHMARK(SortBy<calls>)
    ->Name("Calls/SortBy")
    ->ArgsProduct({{PRCallHistoryController::Name, PRCallHistoryController::Phone, PRCallHistoryController::Date,
                    PRCallHistoryController::Type, PRCallHistoryController::Duration},
                   {0}})
    ->Args({PRCallHistoryController::Name, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Search<calls>)->Name("Calls/Search")->Arg(1)->Arg(2)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(DeletedOnly<calls>)->Name("Calls/DeletedOnly")->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SortBy<messages>)
    ->Name("Messages/SortBy")
    ->ArgsProduct({{PRMessageTreeController::Name, PRMessageTreeController::Address, PRMessageTreeController::Messages,
                    PRMessageTreeController::LastDate},
                   {0}})
    ->Args({PRMessageTreeController::Name, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Search<messages>)
    ->Name("Messages/Search")
    ->Arg(1)
    ->Arg(2)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DeletedOnly<messages>)
    ->Name("Messages/DeletedOnly")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runInApplication(argc, argv, [] {
        callsScreen.reset();
        messagesScreen.reset();
    });
}
