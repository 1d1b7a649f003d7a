// What the device clean's panes say above their lists: before any scan, what each row holds and
// a button that starts the device clean's scan; while it runs, that it runs; after it, what it
// found. The page's own pane says the same of the whole scan.
#include "clean/PRCleanViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Counted.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using clean::Category;

namespace {

struct PaneWords {
    const char* what;   // "temporary files"
    const char* holds;  // what the row lists, for a page seen before any scan
};

const PaneWords kWords[] = {
    {"temporary files", "Temporary files are what apps leave in their own tmp folders."},
    {"cache files", "Cache files are what apps keep to start faster; an app makes them again when it needs them."},
    {"cookies", "Cookies are what websites shown inside apps keep on the device."},
    {"sync-failed media", "Sync-failed media are the photos, songs and videos that an unfinished sync left behind."},
};

QString sizeOf(uint64_t bytes) { return QString::fromStdString(sizeText(bytes)); }

QString filesText(uint64_t files, uint64_t bytes) {
    return counted(files, "file", "files") + QStringLiteral(", ") + sizeOf(bytes);
}

}  // namespace

QWidget* PRCleanViewController::withJunkHeader(JunkPane pane, QWidget* list) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(8, 6, 8, 6);
    JunkHeader& h = junkHeaders_[int(pane)];
    h.hint = new QLabel;
    h.hint->setWordWrap(true);
    h.hint->setObjectName("junkHint");
    h.scan = new QPushButton(tr("Scan Device"));
    h.scan->setObjectName("junkScanBtn");
    connect(h.scan, &QPushButton::clicked, this, [this] {
        if (requestDeviceCleanScan) requestDeviceCleanScan();
    });
    header->addWidget(h.hint, 1);
    header->addWidget(h.scan, 0, Qt::AlignTop);
    layout->addLayout(header);
    layout->addWidget(list, 1);
    return box;
}

std::pair<uint64_t, uint64_t> PRCleanViewController::foundIn(JunkPane pane) const {
    switch (pane) {
    case JunkPane::Junk: return {counters_.junkFileNumber.load(), counters_.junkFileSize.load()};
    case JunkPane::Cache: return {counters_.cacheFileNumber.load(), counters_.cacheFileSize.load()};
    case JunkPane::Cookie: return {counters_.cookFileNumber.load(), counters_.cookieFileSize.load()};
    case JunkPane::Sync: break;
    }
    uint64_t bytes = 0;
    for (const PRCleanFileNodePtr& file : syncFailedFileArray) bytes += file->fileSizeNumber;
    return {syncFailedFileArray.size(), bytes};
}

void PRCleanViewController::refreshJunkHints() {
    if (!view_) return;
    const bool scanning = scanning_;
    for (int p = 0; p < kJunkPanes; ++p) {
        const JunkHeader& h = junkHeaders_[p];
        if (!h.hint) continue;
        const PaneWords& words = kWords[p];
        const auto [files, bytes] = foundIn(JunkPane(p));
        QString text;
        if (scanning)
            text = tr("Scanning your device for %1…").arg(tr(words.what));
        else if (!deviceCleanScanned_)
            text = tr(words.holds) + QLatin1Char(' ') + tr("Scan your device to find them.");
        else if (files == 0)
            text = tr("The scan found no %1 on your device.").arg(tr(words.what));
        else
            text = tr("The scan found %1 of %2. Choose a folder to see its files; right-click a folder or "
                      "file to remove it or export it to the computer.")
                       .arg(filesText(files, bytes), tr(words.what));
        h.hint->setText(text);
        h.scan->setText(deviceCleanScanned_ ? tr("Scan Again") : tr("Scan Device"));
        h.scan->setEnabled(!scanning);
    }
    if (auto* main = qobject_cast<QLabel*>(clean_.cleanMainView)) {
        if (scanning || !deviceCleanScanned_) {
            main->setText(scanning ? tr("Scanning your device…")
                                   : tr("Scan your device to find temporary files, caches, cookies and failed "
                                        "sync leftovers."));
        } else {
            QStringList found;
            for (int p = 0; p < kJunkPanes; ++p) {
                const auto [files, bytes] = foundIn(JunkPane(p));
                found << tr("%1: %2").arg(tr(kWords[p].what), filesText(files, bytes));
            }
            main->setText(tr("The scan found %1 in all.\n%2\nChoose a row on the left to see them.")
                              .arg(filesText(counters_.totalFileNumber.load(), counters_.totalFileSize.load()),
                                   found.join(QLatin1Char('\n'))));
        }
    }
}

void PRCleanViewController::countsChanged() {
    refreshJunkHints();
    if (countersChanged) countersChanged();
}
