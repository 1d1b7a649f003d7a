// The results screen of a backup, shown over the backup list when a backup is opened: the
// pop-up of the backups on this computer, the scan's progress with the counts of every
// category, then the backup's files as a folder tree with three-state checks and every
// category's records in sortable, searchable tables (all, or only the deleted ones), the
// selected record previewed beside them.
// The scan runs as one worker (PRBackupScanJob); its counts and its end reach the screen
// through hand-offs to the main thread, and a scan that is replaced or outlived by the
// screen hands over nothing.
#pragma once

#include "browser/core/PRBackupScanJob.h"
#include "model/PRIOSDeviceNode.h"
#include "platform/NotificationCenter.h"
#include "widgets/PageHost.h"

#include <QPointer>
#include <QString>
#include <array>
#include <memory>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTreeView;
class PRProgressView;
class PRRecordTableModel;
class PRContactController;
class PRMessageTreeController;
class PRCallHistoryController;
class PRNoteController;
class PRBookMarkController;
class PRCalendarController;
class PRPhotoAndVideoController;
class PRFaceTwitterController;
class PRTreeController;
class PRTreeFileController;
class PRSrollThumView;
class PRThumbnailModel;
class PRBackupRecovery;
struct PRRecoveryResult;
class QDialog;
class QAbstractButton;
class QAbstractItemView;
class QSplitter;
class NSTimer;
class PRRecordPreviewPane;
class PRConversationView;
class PRSupportLinks;
class PRFeedbackWindow;
class PRGuideSheet;
class PRConversationImageExport;
namespace browser {
class PageWorkers;
}

class PRResultViewController : public PageController {
public:
    // The tabs of the screen, in the order of their buttons.
    enum Category {
        BackupFiles,
        Photos,
        Contacts,
        Messages,
        CallHistory,
        Notes,
        BookMarks,
        Calendar,
        FaceTwitter,
        CategoryCount
    };

    static QString categoryTitle(Category category);

    explicit PRResultViewController(QObject* parent = nullptr);
    ~PRResultViewController() override;

    // Puts the screen into container for the delegate's current backup: its facts, the pop-up
    // of backups, and the progress at its start (hidden when there is no backup, as no scan
    // then runs).
    void showView(QWidget* container);
    // Starts the scan of the backup folder path for the delegate's current backup; a scan that
    // still runs is stopped first, and nothing of it reaches the screen.
    void ScanIOSBackFile(const QString& path);
    // Scans backup (folder, device name and iOS version from its record).
    void scanBackup(const PRIOSDeviceNodePtr& backup);
    // Whether the screen follows a scan that has not handed its records over yet.
    bool scanRunning() const;
    // The worker's end, on the main thread: the records go into the tables, the tree into the
    // outline, and the backup-file tab is shown.
    void ScanFinishOnMainThread();
    // The pop-up's action: rescans the backup chosen there (nothing when it is on show).
    void actSelectBackUpBtn(int index);
    // Asks, then goes back to the backup list.
    void actHome();
    // Empties every table and the tree.
    void releaseUIMemory();

    // The tabs (the backup-file tab first) and the table controls.
    void showCategory(Category category);
    void actBackUpBoswer() { showCategory(BackupFiles); }
    void actCheck(bool deletedOnly);
    void ClickSelectAll(bool selected);
    void search(const QString& text);
    // Files and records marked: the tree's checked files and every table's marked records.
    uint64_t selectedFilesNum() const;

    // Recovery of the marked files and records into a new folder: the save panel, then the
    // progress sheet while a worker writes; the end reveals the folder and names a failure.
    void actRecovery();
    void savePanelDidEnd(const QString& path);
    void showSaveWindow();
    void IphonerecoveryTimer_hander();
    void saveProgressorHanderToMainThreadHandle(const PRRecoveryResult& result);
    bool recovering() const { return recovery_ != nullptr; }
    QString recoverPath;

    // The preview of the selected record of the view on show (the grid on the photos tab);
    // nothing while the screen empties its tables to open another backup, and nothing when no
    // row is selected (the pane keeps what it showed).
    void tableViewSelectionDidChange();
    // The messages tab's export: the conversation in the pane as a picture on the desktop.
    void actExportImage();
    // The help button: the guide to a fresh backup, as a sheet on the main window.
    void clickGetLog();
    void clickFeedBack();

    Category currentCategory() const { return current_; }
    PRRecordTableModel* modelOf(Category category) const;
    QTableView* tableOf(Category category) const;
    // The latest scan's intake once handed over (null during a scan).
    const std::shared_ptr<PRScanIntake>& intake() const { return intake_; }

    QWidget* parentView = nullptr;
    QComboBox* backupPopBtn = nullptr;
    QPushButton* homeBtn = nullptr;
    QLabel *deviceNamelab = nullptr, *deviceSeriallab = nullptr, *deviceTypelab = nullptr, *deviceVersionlab = nullptr,
           *backupTimelab = nullptr;
    std::array<QPushButton*, CategoryCount> categoryBtns{};
    QStackedWidget* CustomView = nullptr;
    QWidget* scanproView = nullptr;
    QWidget* treeView = nullptr;
    PRProgressView* scanProgressor = nullptr;
    QLabel* progressTextField = nullptr;
    QLabel* scanInfolab = nullptr;
    QLabel* scanSteplab = nullptr;  // the step the scan is in
    QLabel *backuplab = nullptr, *deletedlab = nullptr;
    // Live and deleted counts of each category while the scan runs.
    std::array<QLabel*, CategoryCount> numLabs{};
    std::array<QLabel*, CategoryCount> delNumLabs{};
    QTreeView* treeOutlineView = nullptr;
    QTableView* treetableView = nullptr;
    QCheckBox* checkBtn = nullptr;
    QCheckBox* selectAllBtn = nullptr;
    QLineEdit* searchlab = nullptr;
    QLabel* selecteFilelab = nullptr;
    QLabel* remindlab = nullptr;
    QPushButton* saveBtn = nullptr;
    PRSrollThumView* thumView = nullptr;
    PRThumbnailModel* thumbnailModel = nullptr;
    QDialog* saveWindow = nullptr;
    PRProgressView* saveProgressor = nullptr;
    QLabel* savepercentlab = nullptr;

    // The preview pane beside the pages, and its conversation view.
    QSplitter* contentSplit = nullptr;
    PRRecordPreviewPane* previewPane = nullptr;
    PRConversationView* messageTreeScrollView = nullptr;
    QAbstractItemView* currentTableView = nullptr;
    bool bSelectedNode = false;
    QPushButton* exportBtn = nullptr;
    QPushButton* getLogBtn = nullptr;
    QPushButton* supprotBtn = nullptr;
    QAbstractButton *facebookBtn = nullptr, *twitterBtn = nullptr, *feedBackBtn = nullptr;
    PRSupportLinks* supportLinks = nullptr;
    QPointer<PRFeedbackWindow> feedbackWindow;  // made on first use
    QPointer<PRGuideSheet> guidWindow;          // made on first use, on the main window
    PRConversationImageExport* conversationExport = nullptr;

    PRTreeController* treeController = nullptr;
    PRTreeFileController* treeFileController = nullptr;
    PRPhotoAndVideoController* photoController = nullptr;
    PRContactController* contactController = nullptr;
    PRMessageTreeController* messageTreeController = nullptr;
    PRCallHistoryController* callHistoryController = nullptr;
    PRNoteController* noteController = nullptr;
    PRBookMarkController* bookMarkController = nullptr;
    PRCalendarController* calendarController = nullptr;
    PRFaceTwitterController* faceTwitterController = nullptr;

    // The backup on show in the pop-up.
    int currentSelect = 0;

protected:
    void buildView(QWidget* page) override;

private:
    void buildProgressPage();
    void buildTreePage();
    QTableView* buildTable(Category category, PRRecordTableModel* model);
    void setProgress(int percent);
    void showCounts(const PRScanCounts& counts);
    static QString stepText(const PRScanCounts& counts);
    void setScanning(bool scanning);
    void refillBackupPop();
    // Says that the computer holds no backup, offering the device backup page when a device is
    // connected.
    void noBackupFound();
    void folderSelected();
    // The count of marked files in sentence (a "%1"; by default the backup results' one) and the
    // recover button.
    // sentence holds %1 for what is marked, each kind by its name: "3 conversations and 2 contacts".
    void updateSelectedCount(const QString& sentence = {});
    QString markedSummary() const;
    void stopScan();
    void buildThumbnailGrid();
    void buildSaveWindow();
    void buildPreviewPane();
    void buildLinks(QBoxLayout* column);
    // Selects the first row of the category's view, or empties the pane when it has none.
    void selectFirstRow(Category category);
    // The category's table shows the rows of a changed filter or search, or (sorted) the same
    // rows in a new order.
    void tableRowsShown(Category category, bool sorted);
    // The help, support and link buttons, off while a scan runs.
    void setHelpsEnabled(bool enabled);
    void fitPreviewPane(Category category);
    void stopRecovery();

    std::array<QTableView*, CategoryCount> tables_{};
    std::array<QWidget*, CategoryCount> pages_{};
    std::array<bool, CategoryCount> selectAll_{};
    Category current_ = BackupFiles;
    PRBackupScanJobPtr job_;                       // the scan whose records the screen takes
    std::vector<JournalProblem> journalProblems_;  // the scan's journals set aside, for the recovery's line
    std::vector<PRBackupScanJobPtr> stopped_;      // stopped scans still ending; waited for at the end
    std::shared_ptr<PRScanIntake> intake_;
    bool scanning_ = false;                       // from a scan's start until the screen took its records
    std::shared_ptr<PRBackupRecovery> recovery_;  // the recovery running, if any
    std::unique_ptr<browser::PageWorkers> recoverWorkers_;
    std::shared_ptr<NSTimer> recoverTimer_;
};
