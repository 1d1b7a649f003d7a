// The main window as its interface file lays it out: title strip, banner, sidebar, the fifteen
// page views and the bottom strip; then the launch steps and the window's close buttons.
#include "app/AppStyle.h"
#include "app/OstrevaneAppDelegate.h"
#include "app/PRIOSDeviceTableModel.h"
#include "app/PRMainWindow.h"
#include "clean/core/CleanNotices.h"
#include "device/DeviceNotices.h"
#include "platform/Images.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ColumnFit.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PlainText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kWindowWidth = 980;
constexpr int kWindowHeight = 640;
constexpr int kTitleHeight = 30;
constexpr int kBannerHeight = 90;
constexpr int kBottomHeight = 24;

QLabel* imageLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setScaledContents(true);
    return label;
}

void setImage(QLabel* label, const QString& name) { label->setPixmap(QPixmap::fromImage(images::imageNamed(name))); }

QPushButton* titleBarButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setFlat(true);
    b->setFixedSize(14, 14);
    b->setIconSize(QSize(14, 14));
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet("QPushButton { border: none; padding: 0; }");
    return b;
}
}  // namespace

void OstrevaneAppDelegate::awakeFromNib() {
    if (window_) return;
    // A device's name and number, and every record field, are shown as text, never as markup.
    plaintext::install();
    notices::DeviceConnect.observe(*nc, this, [this](const NSNotification& n) { DeviceConnectHandle(n); });
    notices::DeviceDisConnect.observe(*nc, this, [this](const NSNotification& n) { DeviceDisConnectHandle(n); });
    notices::CleanFilehasFinished.observe(*nc, this,
                                          [this](const NSNotification& n) { CleanFilehasFinishedHandle(n); });

    buildMainWindow();
    preferenceWindow_ = new PRPreferenceWindow(quillomatrixExportPath());
    preferenceWindow_->panelWindow = window_;
    preferenceWindow_->onApply = [this] { ResetPreferenceSetting(nullptr); };
    buildAboutWindow();
    buildSheets();

    // Only the no-device page shows at first.
    showOnlyPage(kNoDeviceView);
    sidebar_->manageHasDeviceView->setHidden(true);
    sidebar_->manageNoDeviceView->setHidden(false);
    backupList_.manageHasBackupView->setHidden(false);
    backupList_.manageNoBackUpView->setHidden(true);
    hasBackUpFile = true;
    cleanPanel_.cleanScanView->setHidden(false);
    cleanPanel_.cleanFinishView->setHidden(true);
    cleanPanel_.fixResultView->setHidden(true);

    feedback_.feedbackIndicator->setHidden(true);
    for (CircularBusyIndicator* spinner :
         {sidebar_->circleSystemProgress, sidebar_->circleAppProgress, sidebar_->circlePhotoProgress,
          sidebar_->circleMusicProgress, sidebar_->circleVideoProgress, sidebar_->circleContactProgress,
          sidebar_->circleMessageProgress, sidebar_->circleNoteProgress})
        spinner->setHidden(true);

    // The no-device sidebar: the connect row selected, the backup-browser row not.
    styleSidebarRow(sidebar_->connectDeviceRow, true);
    styleSidebarRow(sidebar_->disConnectBroswerRow, false);

    styleLinkButton(overview_.transferBtn, "Transfer");
    styleLinkButton(overview_.cleanBtn, "Clean");
    styleLinkButton(overview_.backupDeviceBtn, "Back up");
    styleLinkButton(overview_.broswerMainBtn, "iTunes Backup Broswer");
    styleLinkButton(overview_.disConnectBroswerMainBtn, "iTunes Backup Broswer");

    setImage(frame_.bottomImageView, "bottom");
    setImage(static_cast<QLabel*>(sidebar_->manageHasDeviceView), "leftground");
    setImage(static_cast<QLabel*>(sidebar_->manageNoDeviceView), "leftground");
    setImage(frame_.topWindowImageView, "WindowTopImage.png");
    setImage(frame_.topInfoImageView, "topInfoImage");
    setImage(backupList_.imageView, "windowContentImage.png");
    setImage(frame_.mainBottomImageView, "mainBottomImage.png");
    setImage(frame_.noDeveiceBottomImageView, "noDeviceBottom.png");
    setImage(frame_.bottomMainImageView, "bottomGroundImage");

    buildFeatureControllers();
    wireWindowActions();

    frame_.checkUpdateMenuItem->setEnabled(true);
    bMainStatus = bDiskManage = bFindLargeFiles = bAppClean = bOneClickCopy = bAdsRemove = bPrivacyClean = false;
    setBannerButtonsVisible(false);

    showPreferenceGeneraView();
    const PRPreferenceWindow& p = *preferenceWindow_;
    const QList<QWidget*> schedule = {p.cleanUpSchedulButton, p.oneCopySchedulButton, p.cheanupSchedullab,
                                      p.onecopySchedullab};
    for (QWidget* control : schedule) control->setEnabled(false);
}

void OstrevaneAppDelegate::buildMainWindow() {
    window_ = new PRMainWindow;
    window_->setObjectName("window");
    window_->setWindowTitle("Quillomatrix");
    window_->resize(kWindowWidth, kWindowHeight);
    window_->setMinimumSize(kWindowWidth, kWindowHeight);
    window_->setShouldClose([this] { return windowShouldClose(window_); });
    window_->setAttribute(Qt::WA_QuitOnClose, false);  // only the exit confirmation quits

    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTitleBar());
    layout->addWidget(buildBanner());

    auto* body = new QWidget(window_);
    auto* bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    sidebar_ = std::make_unique<PRSidebar>(body);
    bodyLayout->addWidget(sidebar_->manageDeviceView);
    frame_.mainShowView = new QWidget(body);
    frame_.mainShowView->setObjectName("mainShowView");
    bodyLayout->addWidget(frame_.mainShowView, 1);
    layout->addWidget(body, 1);
    buildPageViews();
    // How the last export, copy or recovery ended; hidden until one has.
    layout->addWidget(new ActionResultLine(window_));

    frame_.bottomImageView = imageLabel(window_, "bottomImageView");
    frame_.bottomImageView->setFixedHeight(kBottomHeight);
    auto* bottomLayout = new QHBoxLayout(frame_.bottomImageView);
    bottomLayout->setContentsMargins(PRSidebar::kWidth, 0, 0, 0);
    frame_.mainBottomImageView = imageLabel(frame_.bottomImageView, "mainBottomImageView");
    frame_.mainBottomImageView->setHidden(true);
    bottomLayout->addWidget(frame_.mainBottomImageView);
    layout->addWidget(frame_.bottomImageView);
}

QWidget* OstrevaneAppDelegate::buildTitleBar() {
    frame_.topWindowImageView = imageLabel(nullptr, "topWindowImageView");
    frame_.topWindowImageView->setFixedHeight(kTitleHeight);
    auto* layout = new QHBoxLayout(frame_.topWindowImageView);
    layout->setContentsMargins(12, 0, 10, 0);
    layout->setSpacing(8);

    frame_.closedButton = new PRClosedButton(frame_.topWindowImageView);
    frame_.closedButton->setObjectName("closedButton");
    frame_.closedButton->setFixedSize(14, 14);
    frame_.minimizeButton = titleBarButton(frame_.topWindowImageView, "minimizeButton");
    frame_.zoomButton = titleBarButton(frame_.topWindowImageView, "zoomButton");
    QObject::connect(frame_.minimizeButton, &QPushButton::clicked, window_, &QWidget::showMinimized);
    QObject::connect(frame_.zoomButton, &QPushButton::clicked, window_,
                     [this] { window_->isMaximized() ? window_->showNormal() : window_->showMaximized(); });
    layout->addWidget(frame_.closedButton);
    layout->addWidget(frame_.minimizeButton);
    layout->addWidget(frame_.zoomButton);
    layout->addStretch(1);

    auto* title = new QLabel("Quillomatrix", frame_.topWindowImageView);
    title->setFont(appstyle::sansFont(13, true));
    title->setStyleSheet("color: rgb(236, 242, 250);");
    layout->addWidget(title);
    layout->addStretch(1);

    auto* menuButton = new QToolButton(frame_.topWindowImageView);
    menuButton->setObjectName("menuButton");
    menuButton->setIcon(QIcon(QPixmap::fromImage(images::imageNamed("titlebarMenu.png"))));
    menuButton->setIconSize(QSize(18, 14));
    menuButton->setAutoRaise(true);
    menuButton->setPopupMode(QToolButton::InstantPopup);
    menuButton->setStyleSheet("QToolButton { border: none; } QToolButton::menu-indicator { image: none; }");
    auto* menu = new QMenu(menuButton);
    menu->addAction("About Quillomatrix", this, [this] { ClickAbout(nullptr); });
    QAction* preferences = menu->addAction("Preferences...", this, [this] { OpenPreferenceWindow(nullptr); });
    preferences->setShortcut(QKeySequence::Preferences);
    frame_.checkUpdateMenuItem = menu->addAction("Check for Updates...", this, [this] { ClickCheckupDate(nullptr); });
    menu->addSeparator();
    menu->addAction("Quillomatrix Home Page", this, [this] { ClickHomePage(nullptr); });
    menu->addAction("Quillomatrix Help", this, [this] { ClickHelp(nullptr); });
    menu->addAction("Learn More...", this, [this] { ClickLearnMore(nullptr); });
    menu->addSeparator();
    QAction* quit = menu->addAction("Quit Quillomatrix", this, [this] { CloseTheMainWindow(nullptr); });
    quit->setShortcut(QKeySequence::Quit);
    menuButton->setMenu(menu);
    window_->addActions({preferences, quit});
    layout->addWidget(menuButton);

    window_->setDragArea(frame_.topWindowImageView);
    return frame_.topWindowImageView;
}

QWidget* OstrevaneAppDelegate::buildBanner() {
    frame_.topInfoImageView = imageLabel(nullptr, "topInfoImageView");
    frame_.topInfoImageView->setFixedHeight(kBannerHeight);
    auto* layout = new QHBoxLayout(frame_.topInfoImageView);
    layout->setContentsMargins(0, 3, 12, 3);
    layout->setSpacing(4);

    auto* logo = new QLabel("Quillomatrix", frame_.topInfoImageView);
    logo->setFixedWidth(PRSidebar::kWidth);
    logo->setAlignment(Qt::AlignCenter);
    logo->setFont(appstyle::sansFont(20, true));
    logo->setStyleSheet("color: white;");
    layout->addWidget(logo);

    struct Entry {
        PRBannerButton** outlet;
        const char* name;
        const char* image;
    };
    const Entry entries[] = {
        {&banner_.mainStatusBannerBtn, "mainStatusBannerBtn", "DeviceManager_Nom.png"},
        {&banner_.diskManageBannerBtn, "diskManageBannerBtn", "diskmanagerNom.png"},
        {&banner_.appCleanBannerBtn, "appCleanBannerBtn", "appcleanerNom.png"},
        {&banner_.findLargeBannerBtn, "findLargeBannerBtn", "findlargefilesNom.png"},
        {&banner_.oneClickCopyBannerBtn, "oneClickCopyBannerBtn", "onecilickcopyNom.png"},
        {&banner_.privacyBannerBtn, "privacyBannerBtn", "privacyclean_Nom.png"},
        {&banner_.adsRemoveBannerBtn, "adsRemoveBannerBtn", "SystemCleanup_Nom.png"},
    };
    for (const Entry& e : entries) {
        auto* b = new PRBannerButton(frame_.topInfoImageView);
        b->setObjectName(e.name);
        b->setFixedSize(96, 84);
        b->setImageNamed(e.image);
        layout->addWidget(b);
        *e.outlet = b;
    }
    layout->addStretch(1);
    return frame_.topInfoImageView;
}

void OstrevaneAppDelegate::buildPageViews() {
    auto* grid = new QGridLayout(frame_.mainShowView);
    grid->setContentsMargins(0, 0, 0, 0);
    frame_.bottomMainImageView = imageLabel(frame_.mainShowView, "bottomMainImageView");
    grid->addWidget(frame_.bottomMainImageView, 0, 0);

    struct Entry {
        QWidget** outlet;
        const char* name;
    };
    const Entry entries[kPageCount] = {
        {&frame_.StatuView, "StatuView"},
        {&frame_.TansferView, "TansferView"},
        {&frame_.BackupView, "BackupView"},
        {&frame_.ClearnView, "ClearnView"},
        {&frame_.iTunesBackupBroswerView, "iTunesBackupBroswerView"},
        {&frame_.musicView, "musicView"},
        {&frame_.cleanLogView, "cleanLogView"},
        {&frame_.systemlibView, "systemlibView"},
        {&frame_.appView, "appView"},
        {&frame_.noDeviceView, "noDeviceView"},
        {&frame_.diskManageView, "diskManageView"},
        {&frame_.findLargerView, "findLargerView"},
        {&frame_.oneCopyView, "oneCopyView"},
        {&frame_.adsRemoveView, "adsRemoveView"},
        {&frame_.privacyCleanView, "privacyCleanView"},
    };
    for (int i = 0; i < kPageCount; ++i) {
        auto* page = new QWidget(frame_.mainShowView);
        page->setObjectName(entries[i].name);
        grid->addWidget(page, 0, 0);
        *entries[i].outlet = page;
        pages_[i] = page;
    }
    buildOverviewPage();
    buildNoDevicePage();
    buildBackupBrowserPage();
    buildCleanPage();
}

void OstrevaneAppDelegate::buildBackupBrowserPage() {
    auto* layout = new QGridLayout(frame_.iTunesBackupBroswerView);
    layout->setContentsMargins(0, 0, 0, 0);
    backupList_.manageBroswerBackupView = new QWidget(frame_.iTunesBackupBroswerView);
    backupList_.manageBroswerBackupView->setObjectName("manageBroswerBackupView");
    layout->addWidget(backupList_.manageBroswerBackupView, 0, 0);
    auto* groups = new QGridLayout(backupList_.manageBroswerBackupView);
    groups->setContentsMargins(0, 0, 0, 0);
    backupList_.manageHasBackupView = new QWidget(backupList_.manageBroswerBackupView);
    backupList_.manageHasBackupView->setObjectName("manageHasBackupView");
    backupList_.manageNoBackUpView = new QWidget(backupList_.manageBroswerBackupView);
    backupList_.manageNoBackUpView->setObjectName("manageNoBackUpView");
    groups->addWidget(backupList_.manageHasBackupView, 0, 0);
    groups->addWidget(backupList_.manageNoBackUpView, 0, 0);

    // The backup list: header image, title, note, the list itself and its buttons.
    auto* list = new QVBoxLayout(backupList_.manageHasBackupView);
    list->setContentsMargins(20, 16, 20, 12);
    backupList_.imageView = imageLabel(backupList_.manageHasBackupView, "imageView");
    backupList_.imageView->setFixedHeight(56);
    list->addWidget(backupList_.imageView);
    backupList_.infoTextlab = new QLabel(backupList_.manageHasBackupView);
    backupList_.infoTextlab->setObjectName("infoTextlab");
    backupList_.infoTextlab->setFont(appstyle::sansFont(13, true));
    backupList_.infoTextlab->setText(tr("iTunes backups on this computer"));
    list->addWidget(backupList_.infoTextlab);
    backupList_.notelab = new QLabel(backupList_.manageHasBackupView);
    backupList_.notelab->setObjectName("notelab");
    backupList_.notelab->setFont(appstyle::sansFont(11));
    backupList_.notelab->setText(tr("Select a backup and click Scan to see what it holds and recover it."));
    list->addWidget(backupList_.notelab);
    backupList_.titleline = new QFrame(backupList_.manageHasBackupView);
    backupList_.titleline->setObjectName("titleline");
    static_cast<QFrame*>(backupList_.titleline)->setFrameShape(QFrame::HLine);
    list->addWidget(backupList_.titleline);
    backupList_.tableScrolleView = new QWidget(backupList_.manageHasBackupView);
    backupList_.tableScrolleView->setObjectName("tableScrolleView");
    list->addWidget(backupList_.tableScrolleView, 1);
    auto* tableBox = new QVBoxLayout(backupList_.tableScrolleView);
    tableBox->setContentsMargins(0, 0, 0, 0);
    auto* table = new QTableView(backupList_.tableScrolleView);
    table->setObjectName("diskTableView");
    backupListModel_ = new PRIOSDeviceTableModel(deviceController, table);
    table->setModel(backupListModel_);
    table->setFont(appstyle::sansFont(11));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setIconSize(QSize(PRIOSDeviceTableModel::kIconSize, PRIOSDeviceTableModel::kIconSize));
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(PRIOSDeviceTableModel::kIconSize + 8);
    columnfit::fitColumns(table);
    tableBox->addWidget(table);
    backupList_.diskTableView = table;
    auto* buttons = new QHBoxLayout;
    backupList_.helpBtn = new QPushButton("Help", backupList_.manageHasBackupView);
    backupList_.helpBtn->setObjectName("helpBtn");
    backupList_.button = new QPushButton("Scan", backupList_.manageHasBackupView);
    backupList_.button->setObjectName("button");
    backupList_.button->setEnabled(false);  // until a backup is selected
    buttons->addWidget(backupList_.helpBtn);
    buttons->addStretch(1);
    buttons->addWidget(backupList_.button);
    list->addLayout(buttons);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableViewSelectionDidChange(); });
    connect(table, &QTableView::doubleClicked, this, [this] { scanSelectedBackup(); });
    connect(backupList_.button, &QPushButton::clicked, this, [this] { scanSelectedBackup(); });
    connect(backupList_.helpBtn, &QPushButton::clicked, this, [this] { ClickHelp(nullptr); });
}

void OstrevaneAppDelegate::styleLinkButton(QPushButton* b, const QString& title) {
    b->setText(title);
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setFont(appstyle::sansFont(11));
    b->setStyleSheet(QString("QPushButton { color: %1; border: none; text-decoration: underline; background: "
                             "transparent; } QPushButton:pressed { color: %1; }")
                         .arg(appstyle::kLinkText.name()));
}

void OstrevaneAppDelegate::showOnlyPage(Page shown) {
    // Hide first so that two pages never show together, even for one layout pass.
    for (int i = 0; i < kPageCount; ++i)
        if (i != shown) pages_[i]->setHidden(true);
    pages_[shown]->setHidden(false);
    // The banner button lit is always the shown page's: a feature page's own, the overview's for
    // the device pages. A feature page is no sidebar row's; the device pages' rows are selected
    // by their actions. The app cleaner shares the clean page's view and lights its own button.
    PRBannerButton* lit = banner_.mainStatusBannerBtn;
    switch (shown) {
    case kDiskManageView: lit = banner_.diskManageBannerBtn; break;
    case kFindLargerView: lit = banner_.findLargeBannerBtn; break;
    case kOneCopyView: lit = banner_.oneClickCopyBannerBtn; break;
    case kPrivacyCleanView: lit = banner_.privacyBannerBtn; break;
    case kAdsRemoveView: lit = banner_.adsRemoveBannerBtn; break;
    default: break;
    }
    pressBannerButton(lit);
    if (lit != banner_.mainStatusBannerBtn) sidebar_->selectRow(-1);
}

void OstrevaneAppDelegate::setBannerButtonsVisible(bool visible) {
    for (PRBannerButton* b : {banner_.mainStatusBannerBtn, banner_.diskManageBannerBtn, banner_.appCleanBannerBtn,
                              banner_.findLargeBannerBtn, banner_.oneClickCopyBannerBtn, banner_.adsRemoveBannerBtn})
        b->setVisible(visible);
    // The privacy entry stays in its place, but a clean needs a device to back up: without one it
    // cannot be pressed.
    banner_.privacyBannerBtn->setEnabled(visible);
}

void OstrevaneAppDelegate::applicationDidFinishLaunching() {
    setTitleBarImages();
    if (QScreen* screen = window_->screen()) {
        const QRect available = screen->availableGeometry();
        window_->move(available.center() - QPoint(window_->width() / 2, window_->height() / 2));
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    lanuchCrashApplication();
    sidebar_->manageHasDeviceView->setHidden(!state_.deviceConnected());
    sidebar_->manageNoDeviceView->setHidden(state_.deviceConnected());
}

void OstrevaneAppDelegate::setTitleBarImages() {
    const bool modern = macOsVer > 9;
    frame_.closedButton->setImageNamed(modern ? "Close_Nom.png" : "titlebarred.png");
    frame_.minimizeButton->setIcon(
        QIcon(QPixmap::fromImage(images::imageNamed(modern ? "Min_Nom.png" : "titlebaryellow.png"))));
    frame_.zoomButton->setIcon(
        QIcon(QPixmap::fromImage(images::imageNamed(modern ? "Resize_Nom.png" : "titlebargreen.png"))));
    preferenceWindow_->closedPreferenceButton->setImageNamed(modern ? "Close_Nom.png" : "titlebarred.png");
}

void OstrevaneAppDelegate::MyClosebuttonMouseDownHandle(const NSNotification& notification) {
    const bool modern = macOsVer > 9;
    const QString pressed = modern ? "Close_Down.png" : "titlebarreddown.png";
    const QString normal = modern ? "Close_Nom.png" : "titlebarred.png";
    if (notification.sender() == frame_.closedButton) {
        frame_.closedButton->setImageNamed(pressed);
        frame_.closedButton->repaint();
        CloseTheMainWindow(nullptr);
        frame_.closedButton->setImageNamed(normal);
    } else if (notification.sender() == preferenceWindow_->closedPreferenceButton) {
        preferenceWindow_->closedPreferenceButton->setImageNamed(pressed);
        preferenceWindow_->closedPreferenceButton->repaint();
        ClosedPreferenceWindow(nullptr);
        preferenceWindow_->closedPreferenceButton->setImageNamed(normal);
    }
}

QRectF OstrevaneAppDelegate::window(QWidget*, QWidget*, QRectF rect) const {
    const int height = window_ ? window_->height() : 0;
    rect.translate(0, (height == 559 || height == 537) ? 1 : 141);
    return rect;
}

void OstrevaneAppDelegate::hideMainView() {
    for (QWidget* w : {static_cast<QWidget*>(backupList_.imageView), backupList_.tableScrolleView,
                       static_cast<QWidget*>(backupList_.button), static_cast<QWidget*>(backupList_.infoTextlab),
                       static_cast<QWidget*>(backupList_.notelab), static_cast<QWidget*>(backupList_.helpBtn),
                       backupList_.titleline})
        w->setHidden(true);
}

void OstrevaneAppDelegate::showMainView() {
    for (QWidget* w : {static_cast<QWidget*>(backupList_.imageView), backupList_.tableScrolleView,
                       static_cast<QWidget*>(backupList_.button), static_cast<QWidget*>(backupList_.infoTextlab),
                       static_cast<QWidget*>(backupList_.notelab), static_cast<QWidget*>(backupList_.helpBtn),
                       backupList_.titleline})
        w->setHidden(false);
}

void OstrevaneAppDelegate::showMainBottomImageview() { frame_.mainBottomImageView->setHidden(false); }

// Sent by the disk-manager page; the bottom image keeps its state there.
void OstrevaneAppDelegate::HiddenMainBottomImageView() {}

QWidget* OstrevaneAppDelegate::window() const { return window_; }
QWidget* OstrevaneAppDelegate::preferenceWindow() const { return preferenceWindow_; }
