// The main window as its interface file lays it out: title strip, banner, sidebar, the fifteen
// page views and the bottom strip; then the launch steps and the window's close buttons.
#include "app/AppStyle.h"
#include "app/OstrevaneAppDelegate.h"
#include "app/PRMainWindow.h"
#include "platform/Images.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kWindowWidth = 980;
constexpr int kWindowHeight = 640;
constexpr int kTitleHeight = 30;
constexpr int kBannerHeight = 90;
constexpr int kBottomHeight = 24;
constexpr int kSidebarWidth = 190;

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
    nc->addObserver(this, "DeviceConnect", [this](const NSNotification& n) { DeviceConnectHandle(n); });
    nc->addObserver(this, "DeviceDisConnect", [this](const NSNotification& n) { DeviceDisConnectHandle(n); });
    nc->addObserver(this, "CleanFilehasFinished", [this](const NSNotification& n) { CleanFilehasFinishedHandle(n); });

    buildMainWindow();
    buildPreferenceWindow();
    buildAboutWindow();
    buildSheets();

    // Only the no-device page shows at first.
    showOnlyPage(kNoDeviceView);
    manageHasDeviceView->setHidden(true);
    manageNoDeviceView->setHidden(false);
    manageHasBackupView->setHidden(false);
    manageNoBackUpView->setHidden(true);
    hasBackUpFile = true;
    cleanScanView->setHidden(false);
    cleanFinishView->setHidden(true);
    fixResultView->setHidden(true);

    feedbackIndicator->setHidden(true);
    for (CircularBusyIndicator* spinner : {circleSystemProgress, circleAppProgress, circlePhotoProgress,
                                           circleMusicProgress, circleVideoProgress, circleContactProgress,
                                           circleMessageProgress, circleNoteProgress})
        spinner->setHidden(true);

    // The no-device sidebar: the connect row selected, the backup-browser row not.
    styleSidebarRow(connectDeviceRow, true);
    styleSidebarRow(disConnectBroswerRow, false);

    styleLinkButton(transferBtn, "Transfer");
    styleLinkButton(cleanBtn, "Clean");
    styleLinkButton(backupDeviceBtn, "Back up");
    styleLinkButton(broswerMainBtn, "iTunes Backup Broswer");
    styleLinkButton(disConnectBroswerMainBtn, "iTunes Backup Broswer");

    setImage(bottomImageView, "bottom");
    setImage(static_cast<QLabel*>(manageHasDeviceView), "leftground");
    setImage(static_cast<QLabel*>(manageNoDeviceView), "leftground");
    setImage(topWindowImageView, "WindowTopImage.png");
    setImage(topInfoImageView, "topInfoImage");
    setImage(imageView, "windowContentImage.png");
    setImage(mainBottomImageView, "mainBottomImage.png");
    setImage(noDeveiceBottomImageView, "noDeviceBottom.png");
    setImage(bottomMainImageView, "bottomGroundImage");

    buildFeatureControllers();
    wireWindowActions();

    checkUpdateMenuItem->setEnabled(true);
    bMainStatus = bDiskManage = bFindLargeFiles = bAppClean = bOneClickCopy = bAdsRemove = bPrivacyClean = false;
    setBannerButtonsVisible(false);

    showPreferenceGeneraView();
    const QList<QWidget*> schedule = {cleanUpSchedulButton, oneCopySchedulButton, cheanupSchedullab, onecopySchedullab};
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
    bodyLayout->addWidget(buildSidebar());
    mainShowView = new QWidget(body);
    mainShowView->setObjectName("mainShowView");
    bodyLayout->addWidget(mainShowView, 1);
    layout->addWidget(body, 1);
    buildPageViews();

    bottomImageView = imageLabel(window_, "bottomImageView");
    bottomImageView->setFixedHeight(kBottomHeight);
    auto* bottomLayout = new QHBoxLayout(bottomImageView);
    bottomLayout->setContentsMargins(kSidebarWidth, 0, 0, 0);
    mainBottomImageView = imageLabel(bottomImageView, "mainBottomImageView");
    mainBottomImageView->setHidden(true);
    bottomLayout->addWidget(mainBottomImageView);
    layout->addWidget(bottomImageView);
}

QWidget* OstrevaneAppDelegate::buildTitleBar() {
    topWindowImageView = imageLabel(nullptr, "topWindowImageView");
    topWindowImageView->setFixedHeight(kTitleHeight);
    auto* layout = new QHBoxLayout(topWindowImageView);
    layout->setContentsMargins(12, 0, 10, 0);
    layout->setSpacing(8);

    closedButton = new PRClosedButton(topWindowImageView);
    closedButton->setObjectName("closedButton");
    closedButton->setFixedSize(14, 14);
    minimizeButton = titleBarButton(topWindowImageView, "minimizeButton");
    zoomButton = titleBarButton(topWindowImageView, "zoomButton");
    QObject::connect(minimizeButton, &QPushButton::clicked, window_, &QWidget::showMinimized);
    QObject::connect(zoomButton, &QPushButton::clicked, window_,
                     [this] { window_->isMaximized() ? window_->showNormal() : window_->showMaximized(); });
    layout->addWidget(closedButton);
    layout->addWidget(minimizeButton);
    layout->addWidget(zoomButton);
    layout->addStretch(1);

    auto* title = new QLabel("Quillomatrix", topWindowImageView);
    title->setFont(appstyle::sansFont(13, true));
    title->setStyleSheet("color: rgb(236, 242, 250);");
    layout->addWidget(title);
    layout->addStretch(1);

    auto* menuButton = new QToolButton(topWindowImageView);
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
    checkUpdateMenuItem = menu->addAction("Check for Updates...", this, [this] { ClickCheckupDate(nullptr); });
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

    window_->setDragArea(topWindowImageView);
    return topWindowImageView;
}

QWidget* OstrevaneAppDelegate::buildBanner() {
    topInfoImageView = imageLabel(nullptr, "topInfoImageView");
    topInfoImageView->setFixedHeight(kBannerHeight);
    auto* layout = new QHBoxLayout(topInfoImageView);
    layout->setContentsMargins(0, 3, 12, 3);
    layout->setSpacing(4);

    auto* logo = new QLabel("Quillomatrix", topInfoImageView);
    logo->setFixedWidth(kSidebarWidth);
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
        {&mainStatusBannerBtn, "mainStatusBannerBtn", "DeviceManager_Nom.png"},
        {&diskManageBannerBtn, "diskManageBannerBtn", "diskmanagerNom.png"},
        {&appCleanBannerBtn, "appCleanBannerBtn", "appcleanerNom.png"},
        {&findLargeBannerBtn, "findLargeBannerBtn", "findlargefilesNom.png"},
        {&oneClickCopyBannerBtn, "oneClickCopyBannerBtn", "onecilickcopyNom.png"},
        {&privacyBannerBtn, "privacyBannerBtn", "privacyclean_Nom.png"},
        {&adsRemoveBannerBtn, "adsRemoveBannerBtn", "SystemCleanup_Nom.png"},
    };
    for (const Entry& e : entries) {
        auto* b = new PRBannerButton(topInfoImageView);
        b->setObjectName(e.name);
        b->setFixedSize(96, 84);
        b->setImageNamed(e.image);
        layout->addWidget(b);
        *e.outlet = b;
    }
    layout->addStretch(1);
    return topInfoImageView;
}

void OstrevaneAppDelegate::buildPageViews() {
    auto* grid = new QGridLayout(mainShowView);
    grid->setContentsMargins(0, 0, 0, 0);
    bottomMainImageView = imageLabel(mainShowView, "bottomMainImageView");
    grid->addWidget(bottomMainImageView, 0, 0);

    struct Entry {
        QWidget** outlet;
        const char* name;
    };
    const Entry entries[kPageCount] = {
        {&StatuView, "StatuView"},
        {&TansferView, "TansferView"},
        {&BackupView, "BackupView"},
        {&ClearnView, "ClearnView"},
        {&iTunesBackupBroswerView, "iTunesBackupBroswerView"},
        {&musicView, "musicView"},
        {&cleanLogView, "cleanLogView"},
        {&systemlibView, "systemlibView"},
        {&appView, "appView"},
        {&noDeviceView, "noDeviceView"},
        {&diskManageView, "diskManageView"},
        {&findLargerView, "findLargerView"},
        {&oneCopyView, "oneCopyView"},
        {&adsRemoveView, "adsRemoveView"},
        {&privacyCleanView, "privacyCleanView"},
    };
    for (int i = 0; i < kPageCount; ++i) {
        auto* page = new QWidget(mainShowView);
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
    auto* layout = new QGridLayout(iTunesBackupBroswerView);
    layout->setContentsMargins(0, 0, 0, 0);
    manageBroswerBackupView = new QWidget(iTunesBackupBroswerView);
    manageBroswerBackupView->setObjectName("manageBroswerBackupView");
    layout->addWidget(manageBroswerBackupView, 0, 0);
    auto* groups = new QGridLayout(manageBroswerBackupView);
    groups->setContentsMargins(0, 0, 0, 0);
    manageHasBackupView = new QWidget(manageBroswerBackupView);
    manageHasBackupView->setObjectName("manageHasBackupView");
    manageNoBackUpView = new QWidget(manageBroswerBackupView);
    manageNoBackUpView->setObjectName("manageNoBackUpView");
    groups->addWidget(manageHasBackupView, 0, 0);
    groups->addWidget(manageNoBackUpView, 0, 0);

    // The backup list: header image, title, note, the list itself and its buttons.
    auto* list = new QVBoxLayout(manageHasBackupView);
    list->setContentsMargins(20, 16, 20, 12);
    imageView = imageLabel(manageHasBackupView, "imageView");
    imageView->setFixedHeight(56);
    list->addWidget(imageView);
    infoTextlab = new QLabel(manageHasBackupView);
    infoTextlab->setObjectName("infoTextlab");
    infoTextlab->setFont(appstyle::sansFont(13, true));
    list->addWidget(infoTextlab);
    notelab = new QLabel(manageHasBackupView);
    notelab->setObjectName("notelab");
    notelab->setFont(appstyle::sansFont(11));
    list->addWidget(notelab);
    titleline = new QFrame(manageHasBackupView);
    titleline->setObjectName("titleline");
    static_cast<QFrame*>(titleline)->setFrameShape(QFrame::HLine);
    list->addWidget(titleline);
    tableScrolleView = new QWidget(manageHasBackupView);
    tableScrolleView->setObjectName("tableScrolleView");
    list->addWidget(tableScrolleView, 1);
    auto* buttons = new QHBoxLayout;
    helpBtn = new QPushButton("Help", manageHasBackupView);
    helpBtn->setObjectName("helpBtn");
    button = new QPushButton("Scan", manageHasBackupView);
    button->setObjectName("button");
    buttons->addWidget(helpBtn);
    buttons->addStretch(1);
    buttons->addWidget(button);
    list->addLayout(buttons);
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
}

void OstrevaneAppDelegate::setBannerButtonsVisible(bool visible) {
    // The privacy button keeps its own state.
    for (PRBannerButton* b : {mainStatusBannerBtn, diskManageBannerBtn, appCleanBannerBtn, findLargeBannerBtn,
                              oneClickCopyBannerBtn, adsRemoveBannerBtn})
        b->setVisible(visible);
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
    manageHasDeviceView->setHidden(!state_.deviceConnected());
    manageNoDeviceView->setHidden(state_.deviceConnected());
}

void OstrevaneAppDelegate::setTitleBarImages() {
    const bool modern = macOsVer > 9;
    closedButton->setImageNamed(modern ? "Close_Nom.png" : "titlebarred.png");
    minimizeButton->setIcon(QIcon(QPixmap::fromImage(images::imageNamed(modern ? "Min_Nom.png" : "titlebaryellow.png"))));
    zoomButton->setIcon(QIcon(QPixmap::fromImage(images::imageNamed(modern ? "Resize_Nom.png" : "titlebargreen.png"))));
    closedPreferenceButton->setImageNamed(modern ? "Close_Nom.png" : "titlebarred.png");
}

void OstrevaneAppDelegate::MyClosebuttonMouseDownHandle(const NSNotification& notification) {
    const bool modern = macOsVer > 9;
    const QString pressed = modern ? "Close_Down.png" : "titlebarreddown.png";
    const QString normal = modern ? "Close_Nom.png" : "titlebarred.png";
    if (notification.sender() == closedButton) {
        closedButton->setImageNamed(pressed);
        closedButton->repaint();
        CloseTheMainWindow(nullptr);
        closedButton->setImageNamed(normal);
    } else if (notification.sender() == closedPreferenceButton) {
        closedPreferenceButton->setImageNamed(pressed);
        closedPreferenceButton->repaint();
        ClosedPreferenceWindow(nullptr);
        closedPreferenceButton->setImageNamed(normal);
    }
}

QRectF OstrevaneAppDelegate::window(QWidget*, QWidget*, QRectF rect) const {
    const int height = window_ ? window_->height() : 0;
    rect.translate(0, (height == 559 || height == 537) ? 1 : 141);
    return rect;
}

void OstrevaneAppDelegate::hideMainView() {
    for (QWidget* w : {static_cast<QWidget*>(imageView), tableScrolleView, static_cast<QWidget*>(button),
                       static_cast<QWidget*>(infoTextlab), static_cast<QWidget*>(notelab),
                       static_cast<QWidget*>(helpBtn), titleline})
        w->setHidden(true);
}

void OstrevaneAppDelegate::showMainView() {
    for (QWidget* w : {static_cast<QWidget*>(imageView), tableScrolleView, static_cast<QWidget*>(button),
                       static_cast<QWidget*>(infoTextlab), static_cast<QWidget*>(notelab),
                       static_cast<QWidget*>(helpBtn), titleline})
        w->setHidden(false);
}

void OstrevaneAppDelegate::showMainBottomImageview() { mainBottomImageView->setHidden(false); }

// Sent by the disk-manager page; the bottom image keeps its state there.
void OstrevaneAppDelegate::HiddenMainBottomImageView() {}

QWidget* OstrevaneAppDelegate::window() const { return window_; }
QWidget* OstrevaneAppDelegate::preferenceWindow() const { return preferenceWindow_; }
