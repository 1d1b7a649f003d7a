// heavy-message-history [--messages N] [--conversations N] [--home FOLDER] [--screenshots FOLDER]: a
// heavy user's message history opened as the user opens it, and what the user meets, measured.
// A backup whose message database holds N messages (1,600,000) in N conversations (2,000), 30% of
// them deleted, is scanned in the backup browser of the whole application at its default window
// size; then the conversations are sorted by their message count, the largest one shown and paged,
// the list searched, and every conversation recovered into a folder. Prints: the times to the
// first live counts and to the results; how the progress bar moved (its values over time, its
// longest stand in all and while the carvers worked, the steps named under it); the longest turn
// of the main thread during the scan (what a click waits for at most); whether the sort put every
// conversation by its count; the widths beside the categories, of the conversation pane and of
// its bubbles, the characters a bubble's line holds, and the names and addresses shown whole; the
// times of paging, search and recovery with the recovery's closing line; the memory peak after
// the scan, of the recovery alone (what it holds beside the scan's records), and at the end.
// The database takes a minute or so to write, in a child process: --home keeps the home with its
// backup for the next run; without it everything goes into a scratch folder removed at the end.
// One run at a time: a run of the default size peaks near 1 GB.
#include "CarvingFixtures.h"
#include "HeavyBackup.h"
#include "app/OstrevaneAppDelegate.h"
#include "backup/BackupFileKeys.h"
#include "browser/PRChatView.h"
#include "browser/PRConversationView.h"
#include "browser/PRRecordPreviewPane.h"
#include "browser/PRResultViewController.h"
#include "platform/Dialogs.h"
#include "platform/HeapGrowth.h"
#include "platform/ResidentMemory.h"
#include "platform/ScratchFolder.h"
#include "widgets/ActionResultLine.h"
#include "widgets/PRProgressView.h"
#include "widgets/PRRecordTableModel.h"
#include "widgets/RecordTableModels.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Alerts answered with their first button; the recovery's save panel with the folder given.
class Answers : public DialogResponder {
public:
    int answerAlert(const AlertRequest&) override { return NSAlertFirstButtonReturn; }
    QStringList answerPanel(const PanelRequest&) override { return {folder}; }
    QString folder;
};

double seconds(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e9; }

// Turns the event loop until done answers true (false after timeout seconds), noting the longest
// time one turn of the main thread took.
bool turnUntil(const std::function<bool()>& done, double timeout, double* longestTurn = nullptr) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (seconds(clock) > timeout) return false;
        QElapsedTimer turn;
        turn.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (longestTurn) *longestTurn = std::max(*longestTurn, seconds(turn));
        QThread::msleep(1);
    }
    return true;
}

int peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int(usage.ru_maxrss / 1024);
}

double fileMegabytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? double(st.st_size) / 1e6 : 0;
}

void figure(const char* name, const QString& value) {
    std::printf("%-48s %s\n", name, qPrintable(value));
    std::fflush(stdout);
}

// What the scan showed while it ran: when the live counts first showed, how the bar moved.
struct ScanWatch {
    double liveCounts = -1;  // seconds from the start
    double results = -1;
    double longestTurn = 0;
    double longestStand = 0;                     // the longest time the bar kept one value
    double longestCarvingStand = 0;              // of that, while the carvers worked
    double deletedFirst = -1, deletedLast = -1;  // when the count of deleted messages first and last grew
    float lastValue = 0;                         // the bar's last value before the results
    QStringList steps;                           // the steps named beside the bar, in order
    QStringList moves;                           // when the bar took which value
};

// The number a count label ends with ("Messages:  1120000").
long countIn(const QLabel* label) { return label->text().section(' ', -1).toLong(); }

ScanWatch watchScan(OstrevaneAppDelegate& app, PRResultViewController* screen) {
    ScanWatch watch;
    QElapsedTimer clock;
    clock.start();
    app.ClickScaniTunesBackup(nullptr);
    long deletedSeen = 0;
    float value = -1;
    double since = 0, carving = 0;  // when the bar took its value; when the carvers started
    QLabel* step = screen->view()->findChild<QLabel*>("scanSteplab");
    turnUntil(
        [&] {
            const double now = seconds(clock);
            if (watch.liveCounts < 0 && countIn(screen->numLabs[PRResultViewController::Messages]) > 0)
                watch.liveCounts = now;
            if (const long deleted = countIn(screen->delNumLabs[PRResultViewController::Messages]);
                deleted != deletedSeen) {
                if (deletedSeen == 0) watch.deletedFirst = now;
                deletedSeen = deleted;
                watch.deletedLast = now;
            }
            if (screen->scanRunning()) {
                const float shown = screen->scanProgressor->value();
                if (shown != value) {
                    value = shown;
                    since = now;
                    watch.moves << QString("%1 s %2%").arg(now, 0, 'f', 1).arg(int(std::lround(value * 100)));
                }
                watch.longestStand = std::max(watch.longestStand, now - since);
                if (step && step->text().startsWith("Looking for deleted"))
                    watch.longestCarvingStand = std::max(watch.longestCarvingStand, now - std::max(since, carving));
                else
                    carving = now;
                watch.lastValue = value;
                if (step && !step->text().isEmpty() && (watch.steps.isEmpty() || watch.steps.back() != step->text()))
                    watch.steps << step->text();
            }
            return !app.backupScanRunning();
        },
        3600, &watch.longestTurn);
    watch.results = seconds(clock);
    return watch;
}

// Whether the rows of table go by their message count, from the largest down.
bool largestFirst(const PRMessageTreeController& model) {
    for (int row = 1; row < model.rowCount(); ++row)
        if (model.recordOfRow(row - 1)->MessageNodeArray().size() < model.recordOfRow(row)->MessageNodeArray().size())
            return false;
    return true;
}

size_t largestConversation(const PRMessageTreeController& model) {
    size_t largest = 0;
    for (const auto& conversation : model.content())
        largest = std::max(largest, conversation->MessageNodeArray().size());
    return largest;
}

// The names and addresses of the conversations in view that their list shows whole inside its
// visible width (the address under the name, or in a column of its own), of those in view.
std::pair<int, int> wholeNamesInView(QTableView* table) {
    const QAbstractItemModel* model = table->model();
    const QFontMetrics metrics(table->font());
    const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    int whole = 0, shown = 0;
    for (int row = std::max(0, table->rowAt(0)); row < model->rowCount(); ++row) {
        if (table->visualRect(model->index(row, 0)).top() >= table->viewport()->height()) break;
        for (int column : {int(PRMessageTreeController::Name), int(PRMessageTreeController::Address)}) {
            const QModelIndex index = model->index(row, column);
            const int shownIn = table->isColumnHidden(column) ? int(PRMessageTreeController::Name) : column;
            const QRect cell = table->visualRect(index.siblingAtColumn(shownIn));
            ++shown;
            whole += cell.left() >= 0 && cell.right() < table->viewport()->width() &&
                             metrics.horizontalAdvance(index.data().toString()) + margins <= cell.width() + 1
                         ? 1
                         : 0;
        }
    }
    return {whole, shown};
}

// The backup written by a child process, so that what writing it takes is not counted in the
// memory peak of the run.
std::string backupInChild(const std::string& backupRoot, const heavyhistory::HistorySize& size, bool* made) {
    const pid_t child = fork();
    if (child == 0) _exit(heavyhistory::heavyBackup(backupRoot, size, made).empty() ? 1 : *made ? 0 : 3);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 1) return {};
    *made = WEXITSTATUS(status) == 0;
    return heavyhistory::heavyBackup(backupRoot, size);
}

}  // namespace

int main(int argc, char** argv) {
    heavyhistory::HistorySize size;
    std::string home, screenshots;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--messages" && i + 1 < argc)
            size.messages = std::atoi(argv[++i]);
        else if (arg == "--conversations" && i + 1 < argc)
            size.conversations = std::atoi(argv[++i]);
        else if (arg == "--home" && i + 1 < argc)
            home = argv[++i];
        else if (arg == "--screenshots" && i + 1 < argc)
            screenshots = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: heavy-message-history [--messages N] [--conversations N] [--home FOLDER] "
                         "[--screenshots FOLDER]\n");
            return 2;
        }
    }
    std::optional<ScratchFolder> scratch;
    if (home.empty()) {
        scratch.emplace("heavy-message-history");
        home = scratch->path() + "/home";
    }
    std::filesystem::create_directories(home);
    home = std::filesystem::canonical(home).string();
    qputenv("HOME", QByteArray::fromStdString(home));
    const std::string backupRoot = home + "/Library/Application Support/MobileSync/Backup";
    std::filesystem::create_directories(backupRoot);

    QElapsedTimer clock;
    clock.start();
    bool made = false;
    const std::string backup = backupInChild(backupRoot, size, &made);
    if (backup.empty()) {
        std::fprintf(stderr, "heavy-message-history: could not write the backup under %s\n", backupRoot.c_str());
        return 1;
    }
    figure("messages, conversations", QString("%1 in %2").arg(size.messages).arg(size.conversations));
    figure("message database (MB)", QString::number(fileMegabytes(backup + "/" + backupkeys::messages), 'f', 0));
    if (made) figure("database written in (s)", QString::number(seconds(clock), 'f', 1));

    // As the application starts.
    heapgrowth::growInLargeSteps();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    Answers answers;
    answers.folder = QString::fromStdString(home + "/Recovered");
    std::error_code ignored;
    std::filesystem::remove_all(answers.folder.toStdString(), ignored);  // an earlier run's
    dialogs::setResponder(&answers);
    OstrevaneAppDelegate app;
    app.awakeFromNib();
    app.applicationDidFinishLaunching();
    turnUntil([] { return false; }, 0.3);
    figure("window", QString("%1 x %2").arg(app.window()->width()).arg(app.window()->height()));
    PRResultViewController* screen = app.GetresultViewController();
    if (!screen) {
        app.showResultView();
        screen = app.GetresultViewController();
    }

    const ScanWatch scan = watchScan(app, screen);
    figure("live counts shown after (s)", QString::number(scan.liveCounts, 'f', 2));
    figure("results shown after (s)", QString::number(scan.results, 'f', 2));
    figure("longest main-thread turn during the scan (ms)", QString::number(scan.longestTurn * 1000, 'f', 0));
    figure("longest the bar stood still (s)", QString::number(scan.longestStand, 'f', 2));
    figure("of that, while the carvers worked (s)", QString::number(scan.longestCarvingStand, 'f', 2));
    figure("deleted messages counted from, until (s)",
           QString("%1, %2").arg(scan.deletedFirst, 0, 'f', 2).arg(scan.deletedLast, 0, 'f', 2));
    figure("the bar's last value before the results (%)", QString::number(scan.lastValue * 100, 'f', 0));
    figure("steps named beside the bar", scan.steps.join(" / "));
    figure("the bar's values", scan.moves.join(", "));
    figure("memory peak after the scan (MB)", QString::number(peakMegabytes()));
    if (!screen->intake()) {
        std::fprintf(stderr, "heavy-message-history: the scan handed nothing over\n");
        return 1;
    }
    figure("messages, deleted messages",
           QString("%1, %2").arg(screen->intake()->counts().messageNum).arg(screen->intake()->counts().delMessageNum));

    screen->showCategory(PRResultViewController::Messages);
    auto* model = screen->messageTreeController;
    QTableView* table = screen->tableOf(PRResultViewController::Messages);
    auto settle = [&] { turnUntil([&] { return !model->rowsPending(); }, 600); };
    clock.restart();
    table->horizontalHeader()->setSortIndicator(PRMessageTreeController::Messages, Qt::DescendingOrder);
    settle();
    figure("sort by message count (s)", QString::number(seconds(clock), 'f', 2));
    const size_t largest = largestConversation(*model);
    figure(
        "first row's count, largest count",
        QString("%1, %2").arg(model->rowCount() ? model->recordOfRow(0)->MessageNodeArray().size() : 0).arg(largest));
    figure("every row by its count, largest first", largestFirst(*model) ? "yes" : "no");

    // The largest conversation, as the user opens it.
    table->selectRow(0);
    turnUntil([] { return false; }, 0.3);
    PRConversationView* conversation = screen->messageTreeScrollView;
    figure("width beside the categories, conversation pane (px)",
           QString("%1, %2").arg(screen->contentSplit->width()).arg(screen->previewPane->width()));
    const auto bubbles = conversation->documentView()->findChildren<PRChatView*>(Qt::FindDirectChildrenOnly);
    // How much of a text a bubble's line holds: the characters of the text bubbles over their lines.
    qsizetype characters = 0;
    int lines = 0;
    for (PRChatView* bubble : bubbles) {
        if (!bubble->textView || bubble->textView->text().isEmpty()) continue;
        const QString text = bubble->textView->text();
        const QRectF measured = PRChatView::measureText(text, PRChatView::wrapWidthFor(bubble->width()));
        characters += text.size();
        lines +=
            std::max(1, int(std::lround((measured.height() - 33) / bubble->textView->fontMetrics().lineSpacing())));
    }
    figure("characters a bubble's line holds", QString::number(lines ? double(characters) / lines : 0, 'f', 1));
    const auto [whole, shown] = wholeNamesInView(table);
    figure("names and addresses in view shown whole", QString("%1 of %2").arg(whole).arg(shown));
    if (!screenshots.empty()) {
        QDir().mkpath(QString::fromStdString(screenshots));
        app.window()->grab().save(QString::fromStdString(screenshots + "/heavy-message-history.png"));
    }

    clock.restart();
    if (QPushButton* more = conversation->moreButton()) {
        more->click();
        turnUntil([&] { return conversation->moreButton() != more; }, 60);
    }
    figure("next page of the conversation (s)", QString::number(seconds(clock), 'f', 2));

    const QString address = QString::fromStdString(model->recordOfRow(0)->messageTreeNodeAdress());
    clock.restart();
    screen->searchlab->setText(address.right(4));
    settle();
    figure("search (s)", QString::number(seconds(clock), 'f', 2));
    figure("found, in order", QString("%1, %2").arg(model->rowCount()).arg(largestFirst(*model) ? "yes" : "no"));
    screen->searchlab->clear();
    settle();

    // The peak of the whole run is kept: the measure of the recovery's own starts anew.
    const int peakBefore = peakMegabytes();
    figure("memory held before the recovery (MB)", QString::number(residentmemory::heldMegabytes()));
    const bool peakRestarted = residentmemory::restartPeak();
    clock.restart();
    screen->ClickSelectAll(true);
    screen->actRecovery();
    turnUntil([&] { return !screen->recovering(); }, 3600);
    figure("recovery (s)", QString::number(seconds(clock), 'f', 1));
    const auto* line = app.window()->findChild<ActionResultLine*>();
    figure("recovery's closing line", line ? line->text() : QString());
    figure("memory peak during the recovery (MB)",
           peakRestarted ? QString::number(residentmemory::peakMegabytes()) : QStringLiteral("unknown"));
    figure("memory peak at the end (MB)", QString::number(std::max(peakBefore, peakMegabytes())));
    dialogs::setResponder(nullptr);
    return 0;
}
