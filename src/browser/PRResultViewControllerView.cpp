// The interface of the results screen: the backup bar, the tab buttons, the progress page
// with the counts, the backup-file tree beside its file table, and one table per category.
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/PRTreeController.h"
#include "widgets/ColumnFit.h"
#include "widgets/ElidedText.h"
#include "widgets/PRProgressView.h"
#include "widgets/SecondLineCells.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// One edited check box of table marks every selected row when it is one of them.
void markSelectedRowsTogether(QTableView* table, PRRecordTableModel* model) {
    model->rowsToMark = [table](int row) {
        std::vector<int> rows;
        for (const QModelIndex& index : table->selectionModel()->selectedRows()) rows.push_back(index.row());
        if (std::find(rows.begin(), rows.end(), row) == rows.end()) rows = {row};
        return rows;
    };
}

const char* const kCategoryTitles[PRResultViewController::CategoryCount] = {
    "Backup Files", "Photo&Video", "Contacts",          "Messages",        "Call History",
    "Notes",        "Bookmarks",   "Calendar&Reminder", "Twitter&Facebook"};
const char* const kButtonNames[PRResultViewController::CategoryCount] = {
    "backupBroswerBtn", "photoBtn",    "contactBtn",  "messageBtn",    "callBtn",
    "noteBtn",          "bookMarkBtn", "calendarBtn", "facetwitterBtn"};

QLabel* label(QWidget* parent, const char* name, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

}  // namespace

QString PRResultViewController::categoryTitle(Category category) {
    // A button would take the "&" of a title for a shortcut mark.
    return tr(kCategoryTitles[category]).replace("&", "&&");
}

void PRResultViewController::buildView(QWidget* page) {
    page->setAutoFillBackground(true);  // it lies over the backup list
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 10, 12, 8);
    layout->setSpacing(6);

    // The backup bar: the pop-up of backups, the backup's facts, the way home.
    auto* bar = new QHBoxLayout;
    bar->addWidget(label(page, "BackUpInfolab", tr("Backup:")));
    backupPopBtn = new QComboBox(page);
    backupPopBtn->setObjectName("backupPopBtn");
    backupPopBtn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    bar->addWidget(backupPopBtn);
    bar->addStretch(1);
    getLogBtn = new QPushButton(tr("Help"), page);
    getLogBtn->setObjectName("getLogBtn");
    getLogBtn->setToolTip(tr("How to get a fresh backup"));
    bar->addWidget(getLogBtn);
    homeBtn = new QPushButton(tr("Home"), page);
    homeBtn->setObjectName("homeBtn");
    bar->addWidget(homeBtn);
    layout->addLayout(bar);

    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(8);
    facts->setVerticalSpacing(2);
    struct Fact {
        QLabel** outlet;
        const char* name;
        const char* caption;
    };
    const Fact list[] = {{&deviceNamelab, "deviceNamelab", "Name:"},
                         {&deviceSeriallab, "deviceSeriallab", "Serial Number:"},
                         {&deviceTypelab, "deviceTypelab", "Type:"},
                         {&deviceVersionlab, "deviceVersionlab", "iOS Version:"},
                         {&backupTimelab, "backupTimelab", "Backup Date:"}};
    int at = 0;
    for (const Fact& f : list) {
        *f.outlet = label(page, f.name);
        (*f.outlet)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        facts->addWidget(new QLabel(tr(f.caption), page), at / 3, (at % 3) * 2);
        facts->addWidget(*f.outlet, at / 3, (at % 3) * 2 + 1);
        ++at;
    }
    facts->setColumnStretch(5, 1);
    layout->addLayout(facts);

    auto* body = new QHBoxLayout;
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    for (int c = 0; c < CategoryCount; ++c) {
        auto* button = new QPushButton(categoryTitle(Category(c)), page);
        button->setObjectName(kButtonNames[c]);
        button->setCheckable(true);
        // As wide as the widest title with its count: the column follows the counts.
        button->setStyleSheet("text-align: left; padding: 4px 8px;");
        connect(button, &QPushButton::clicked, this, [this, c] { showCategory(Category(c)); });
        categoryBtns[c] = button;
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    buildLinks(buttons);
    body->addLayout(buttons);

    auto* right = new QVBoxLayout;
    auto* tools = new QHBoxLayout;
    checkBtn = new QCheckBox(tr("Only dispaly deleted files"), page);
    checkBtn->setObjectName("checkBtn");
    QPalette red = checkBtn->palette();
    red.setColor(QPalette::WindowText, PRRecordTableModel::deletedColor());
    checkBtn->setPalette(red);
    selectAllBtn = new QCheckBox(tr("Select All"), page);
    selectAllBtn->setObjectName("selectAllBtn");
    searchlab = new QLineEdit(page);
    searchlab->setObjectName("searchlab");
    searchlab->setPlaceholderText(tr("Search"));
    searchlab->setClearButtonEnabled(true);
    searchlab->setMaximumWidth(220);
    tools->addWidget(selectAllBtn);
    tools->addWidget(checkBtn);
    tools->addStretch(1);
    exportBtn = new QPushButton(tr("Export as Picture"), page);
    exportBtn->setObjectName("exportBtn");
    exportBtn->hide();
    tools->addWidget(exportBtn);
    tools->addWidget(searchlab);
    right->addLayout(tools);
    connect(checkBtn, &QCheckBox::toggled, this, [this](bool on) { actCheck(on); });
    connect(selectAllBtn, &QCheckBox::clicked, this, [this](bool on) { ClickSelectAll(on); });
    connect(searchlab, &QLineEdit::textChanged, this, [this](const QString& text) { search(text); });

    // The pages on the left, the preview of the selected record beside them.
    contentSplit = new QSplitter(Qt::Horizontal, page);
    contentSplit->setObjectName("contentSplit");
    CustomView = new QStackedWidget(contentSplit);
    CustomView->setObjectName("CustomView");
    contentSplit->addWidget(CustomView);
    right->addWidget(contentSplit, 1);
    body->addLayout(right, 1);
    layout->addLayout(body, 1);

    buildProgressPage();
    buildTreePage();
    photoController = new PRPhotoAndVideoController(this);
    contactController = new PRContactController(this);
    messageTreeController = new PRMessageTreeController(this);
    callHistoryController = new PRCallHistoryController(this);
    noteController = new PRNoteController(this);
    bookMarkController = new PRBookMarkController(this);
    calendarController = new PRCalendarController(this);
    faceTwitterController = new PRFaceTwitterController(this);
    buildTable(Photos, photoController);
    buildTable(Contacts, contactController);
    // A conversation is read by its name and its address: one above the other, so that both show
    // whole beside the conversation.
    secondline::showUnder(buildTable(Messages, messageTreeController), PRMessageTreeController::Name,
                          PRMessageTreeController::Address);
    buildTable(CallHistory, callHistoryController);
    buildTable(Notes, noteController);
    buildTable(BookMarks, bookMarkController);
    buildTable(Calendar, calendarController);
    buildTable(FaceTwitter, faceTwitterController);
    buildThumbnailGrid();
    buildPreviewPane();

    // The count and the notice each take a whole line, so that neither cuts the other.
    auto* bottom = new QVBoxLayout;
    bottom->setSpacing(2);
    selecteFilelab = label(page, "selecteFilelab");
    remindlab = label(page, "remindlab");
    remindlab->setWordWrap(true);
    QPalette warn = remindlab->palette();
    warn.setColor(QPalette::WindowText, PRRecordTableModel::deletedColor());
    remindlab->setPalette(warn);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(selecteFilelab, 1);
    saveBtn = new QPushButton(tr("Recover"), page);
    saveBtn->setObjectName("saveBtn");
    saveBtn->setEnabled(false);
    // The same button whether the count beside it shows or not.
    saveBtn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    saveBtn->setMinimumWidth(120);
    countRow->addStretch(0);
    countRow->addWidget(saveBtn);
    bottom->addLayout(countRow);
    bottom->addWidget(remindlab);
    layout->addLayout(bottom);

    connect(backupPopBtn, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { actSelectBackUpBtn(index); });
    connect(homeBtn, &QPushButton::clicked, this, [this] { actHome(); });
    connect(saveBtn, &QPushButton::clicked, this, [this] { actRecovery(); });
}

void PRResultViewController::buildProgressPage() {
    scanproView = new QWidget(CustomView);
    scanproView->setObjectName("scanproView");
    auto* layout = new QVBoxLayout(scanproView);
    layout->setContentsMargins(24, 24, 24, 24);
    scanInfolab = label(scanproView, "scanInfolab", tr("Scanning the backup, please wait..."));
    scanInfolab->setWordWrap(true);  // the no-backup sentence is long
    layout->addWidget(scanInfolab);
    auto* progress = new QHBoxLayout;
    scanProgressor = new PRProgressView(scanproView);
    scanProgressor->setObjectName("scanProgressor");
    scanProgressor->setFixedHeight(14);
    progressTextField = label(scanproView, "progressTextField");
    progressTextField->setMinimumWidth(40);
    progress->addWidget(scanProgressor, 1);
    progress->addWidget(progressTextField);
    layout->addLayout(progress);
    // What the scan is doing, under the bar: a carve of a large history takes most of the scan.
    scanSteplab = label(scanproView, "scanSteplab");
    layout->addWidget(scanSteplab);
    layout->addSpacing(12);

    auto* counts = new QGridLayout;
    counts->setHorizontalSpacing(40);
    QFont bold = scanproView->font();
    bold.setBold(true);
    backuplab = label(scanproView, "backuplab", tr("Backup"));
    deletedlab = label(scanproView, "deletedlab", tr("Deleted"));
    backuplab->setFont(bold);
    deletedlab->setFont(bold);
    counts->addWidget(backuplab, 0, 0);
    counts->addWidget(deletedlab, 0, 1);
    int row = 1;
    for (int c = Photos; c < CategoryCount; ++c) {
        numLabs[c] = label(scanproView, "numlab");
        delNumLabs[c] = label(scanproView, "delNumlab");
        numLabs[c]->setMinimumWidth(180);
        delNumLabs[c]->setMinimumWidth(180);
        counts->addWidget(numLabs[c], row, 0);
        counts->addWidget(delNumLabs[c], row, 1);
        ++row;
    }
    counts->setColumnStretch(2, 1);
    layout->addLayout(counts);
    layout->addStretch(1);
    CustomView->addWidget(scanproView);
}

void PRResultViewController::buildTreePage() {
    treeView = new QWidget(CustomView);
    treeView->setObjectName("treeView");
    auto* layout = new QHBoxLayout(treeView);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, treeView);
    treeController = new PRTreeController(this);
    treeOutlineView = new QTreeView(split);
    treeOutlineView->setObjectName("treeOutlineView");
    treeOutlineView->setModel(treeController);
    treeOutlineView->setHeaderHidden(true);
    treeOutlineView->setUniformRowHeights(true);
    // Deep folders keep room for their names.
    treeOutlineView->setIndentation(14);
    columnfit::showWholeNames(treeOutlineView);
    treeFileController = new PRTreeFileController(this);
    treetableView = new QTableView(split);
    treetableView->setObjectName("treetableView");
    treetableView->setModel(treeFileController);
    treetableView->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    treetableView->setSortingEnabled(true);
    treetableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    treetableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    markSelectedRowsTogether(treetableView, treeFileController);
    treetableView->verticalHeader()->hide();
    treetableView->verticalHeader()->setDefaultSectionSize(22);
    columnfit::fitColumns(treetableView);
    split->addWidget(treeOutlineView);
    split->addWidget(treetableView);
    // The files' table has five columns to the tree's one: it takes the larger part of the
    // room (a folder's name is cut in the middle, its whole name in the tip).
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 7);
    split->setSizes({185, 325});
    layout->addWidget(split);
    tables_[BackupFiles] = treetableView;
    pages_[BackupFiles] = treeView;
    CustomView->addWidget(treeView);

    connect(treeOutlineView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { folderSelected(); });
    treeController->marksChanged = [this] { updateSelectedCount(); };
    treeFileController->marksChanged = [this] {
        treeController->refreshMarks();
        updateSelectedCount();
    };
    treeFileController->rowsShown = [this](PRRecordTableModel::RowsChange change) {
        tableRowsShown(BackupFiles, change == PRRecordTableModel::RowsChange::Sorted);
    };
}

QTableView* PRResultViewController::buildTable(Category category, PRRecordTableModel* model) {
    auto* table = new QTableView(CustomView);
    table->setObjectName(QString(kButtonNames[category]).replace("Btn", "TableView"));
    table->setModel(model);
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);  // unsorted until a header is clicked
    table->setSortingEnabled(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(22);
    columnfit::fitColumns(table);
    markSelectedRowsTogether(table, model);
    model->marksChanged = [this] { updateSelectedCount(); };
    model->rowsShown = [this, category](PRRecordTableModel::RowsChange change) {
        tableRowsShown(category, change == PRRecordTableModel::RowsChange::Sorted);
    };
    tables_[category] = table;
    pages_[category] = table;
    CustomView->addWidget(table);
    return table;
}
