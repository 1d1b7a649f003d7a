#include "app/PRSidebar.h"

#include "app/AppStyle.h"
#include "platform/Images.h"
#include "widgets/ElidedText.h"
#include "widgets/FlashView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kRowHeight = 28;

struct RowSpec {
    const char* button;
    const char* image;
    const char* label;
    const char* title;
    const char* selectedImage;
    const char* normalImage;
};

// Sidebar order; a gap follows the rows whose index is listed in kGroupEnds.
const RowSpec kRowSpecs[PRSidebar::kRows] = {
    {"iDeviceStatuBtn", "iDeviceImageView", "iDeviceTextlab", "Overview", "iDeviceStartup02", "iDeviceStartup01"},
    {"systemlibBtn", "systemlibImageView", "systemlibTextlab", "System Library", "SystemLibrary02", "SystemLibrary01"},
    {"appBtn", "appImageView", "appTextlab", "Apps", "app02", "app01"},
    {"photoBtn", "photoImageView", "photoTextlab", "Photos", "photos02", "photos01"},
    {"musicBtn", "musicImageView", "musicTextlab", "Music", "music02", "music01"},
    {"videoBtn", "videoImageView", "videoTextlab", "Videos", "videos02", "videos01"},
    {"transContactBtn", "transContactImageView", "transContactTextlab", "Contacts", "transContactDown",
     "transContactNom"},
    {"transMessageBtn", "transMessageImageView", "transMessageTextlab", "Messages", "transMessageDown",
     "transMessageNom"},
    {"transNoteBtn", "transNoteImageView", "transNoteTextlab", "Notes", "transNoteDown", "transNoteNom"},
    {"tempJunkFileBtn", "tempJunkFileImageView", "tempJunkFileTextlab", "Temp Files Cleaner", "TempJunkFiles02",
     "TempJunkFiles01"},
    {"cacheBtn", "cacheImageView", "cacheTextlab", "Cache Cleaner", "CacheFiles02", "CacheFiles01"},
    {"cookieBtn", "cookieImageView", "cookieTextlab", "Cookie Cleaner", "CookiesScriptFiles02", "CookiesScriptFiles01"},
    {"syncBtn", "syncImageView", "syncTextlab", "Sync-failed Media", "SyncfailedMedia02", "SyncfailedMedia01"},
    {"backupBtn", "backupImageView", "backupTextlab", "Back up iDevice", "BackupiDevice02", "BackupiDevice01"},
    {"broswerBtn", "broswerImageView", "broswerTextlab", "iTunes Backup Broswer", "BackupBroswer02", "BackupBroswer01"},
};
constexpr int kGroupEnds[] = {1, 8, 12};

// One row: the button fills it, the image and label sit on top and let clicks through.
PRSidebar::Row makeRow(QWidget* parent, const char* buttonName, const char* imageName, const char* labelName,
                       const QString& title, const QString& selected, const QString& normal, QWidget** busySlot) {
    PRSidebar::Row row;
    row.selectedImage = selected;
    row.normalImage = normal;
    auto* holder = new QWidget(parent);
    holder->setFixedHeight(kRowHeight);
    auto* grid = new QGridLayout(holder);
    grid->setContentsMargins(0, 0, 0, 0);
    row.button = new QPushButton(holder);
    row.button->setObjectName(buttonName);
    row.button->setFlat(true);
    row.button->setAutoFillBackground(true);
    row.button->setFocusPolicy(Qt::NoFocus);
    row.button->setFixedHeight(kRowHeight);
    row.button->setStyleSheet("QPushButton { border: none; }");
    grid->addWidget(row.button, 0, 0);

    auto* overlay = new QWidget(holder);
    overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* line = new QHBoxLayout(overlay);
    line->setContentsMargins(14, 0, 10, 0);
    line->setSpacing(8);
    row.imageView = new QLabel(overlay);
    row.imageView->setObjectName(imageName);
    row.imageView->setFixedSize(20, 20);
    row.imageView->setScaledContents(true);
    row.label = new QLabel(overlay);
    row.label->setObjectName(labelName);
    row.label->setFont(appstyle::sansFont(12));
    // As wide as the row leaves it, never wider: a long text is cut with "..." (see setRowText).
    row.label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    PRSidebar::setRowText(row.label, title);
    line->addWidget(row.imageView);
    line->addWidget(row.label, 1);
    if (busySlot) {
        auto* spinner = new CircularBusyIndicator(overlay);
        spinner->setFixedSize(16, 16);
        line->addWidget(spinner);
        *busySlot = spinner;
    }
    grid->addWidget(overlay, 0, 0);
    return row;
}
}  // namespace

void PRSidebar::setRowText(QLabel* label, const QString& text) { elided::setText(label, text); }

QString PRSidebar::rowText(const QLabel* label) { return elided::wholeText(label); }

PRSidebar::PRSidebar(QWidget* parent) {
    manageDeviceView = new QWidget(parent);
    manageDeviceView->setObjectName("manageDeviceView");
    manageDeviceView->setFixedWidth(kWidth);
    auto* grid = new QGridLayout(manageDeviceView);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(buildWithDevice(), 0, 0);
    grid->addWidget(buildWithoutDevice(), 0, 0);
}

QWidget* PRSidebar::buildWithDevice() {
    auto* view = new QLabel(manageDeviceView);
    view->setObjectName("manageHasDeviceView");
    view->setScaledContents(true);
    manageHasDeviceView = view;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(1);

    QWidget* spinners[kRows] = {};
    QWidget** busy[kRows] = {};
    for (int i = 1; i <= 8; ++i) busy[i] = &spinners[i];
    for (int i = 0; i < kRows; ++i) {
        const RowSpec& spec = kRowSpecs[i];
        rows_[i] = makeRow(view, spec.button, spec.image, spec.label, spec.title, spec.selectedImage, spec.normalImage,
                           busy[i]);
        layout->addWidget(rows_[i].button->parentWidget());
        for (int end : kGroupEnds)
            if (end == i) layout->addSpacing(8);
    }
    layout->addStretch(1);

    QPushButton** buttons[kRows] = {&iDeviceStatuBtn, &systemlibBtn,    &appBtn,          &photoBtn,
                                    &musicBtn,        &videoBtn,        &transContactBtn, &transMessageBtn,
                                    &transNoteBtn,    &tempJunkFileBtn, &cacheBtn,        &cookieBtn,
                                    &syncBtn,         &backupBtn,       &broswerBtn};
    QLabel** labels[kRows] = {&iDeviceTextlab,   &systemlibTextlab,    &appTextlab,          &photoTextlab,
                              &musicTextlab,     &videoTextlab,        &transContactTextlab, &transMessageTextlab,
                              &transNoteTextlab, &tempJunkFileTextlab, &cacheTextlab,        &cookieTextlab,
                              &syncTextlab,      &backupTextlab,       &broswerTextlab};
    for (int i = 0; i < kRows; ++i) {
        *buttons[i] = rows_[i].button;
        *labels[i] = rows_[i].label;
    }
    CircularBusyIndicator** indicators[] = {&circleSystemProgress,  &circleAppProgress,   &circlePhotoProgress,
                                            &circleMusicProgress,   &circleVideoProgress, &circleContactProgress,
                                            &circleMessageProgress, &circleNoteProgress};
    for (int i = 0; i < 8; ++i) *indicators[i] = static_cast<CircularBusyIndicator*>(spinners[i + 1]);
    for (const Row& row : rows_) styleRow(row, false);
    return view;
}

QWidget* PRSidebar::buildWithoutDevice() {
    auto* view = new QLabel(manageDeviceView);
    view->setObjectName("manageNoDeviceView");
    view->setScaledContents(true);
    manageNoDeviceView = view;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(1);
    connectDeviceRow = makeRow(view, "connectDeviceBtn", "connectDeviceImageView", "connectDeviceTextlab",
                               "Connect iDevice", "ConnectDevice02", "ConnectDevice01", nullptr);
    disConnectBroswerRow =
        makeRow(view, "disConnectBroswerBtn", "disConnectBroswerImageView", "disConnectBroswerTextlab",
                "iTunes Backup Broswer", "BackupBroswer02", "BackupBroswer01", nullptr);
    layout->addWidget(connectDeviceRow.button->parentWidget());
    layout->addSpacing(8);
    layout->addWidget(disConnectBroswerRow.button->parentWidget());
    layout->addStretch(1);
    return view;
}

void PRSidebar::styleRow(const Row& row, bool selected) {
    const QColor background = selected ? appstyle::kSelectedRow : appstyle::kNormalRow;
    QPalette palette = row.button->palette();
    palette.setColor(QPalette::Button, background);
    row.button->setPalette(palette);
    row.button->setStyleSheet(QString("QPushButton { border: none; background-color: %1; }").arg(background.name()));
    const QString image = selected ? row.selectedImage : row.normalImage;
    row.imageView->setPixmap(QPixmap::fromImage(images::imageNamed(image)));
    row.imageView->setProperty("imageName", image);
    QPalette text = row.label->palette();
    text.setColor(QPalette::WindowText, selected ? Qt::white : Qt::black);
    row.label->setPalette(text);
}

void PRSidebar::selectRow(int selected) {
    // Outside 0-14 no row is selected: the page shown is none of the rows'.
    for (int i = 0; i < kRows; ++i)
        if (i != selected) styleRow(rows_[size_t(i)], false);
    if (selected >= 0 && selected < kRows) styleRow(rows_[size_t(selected)], true);
}
