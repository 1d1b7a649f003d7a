// The overview page of the attached device and the page shown while none is attached.
#include "app/AppStyle.h"
#include "app/OstrevaneAppDelegate.h"
#include "platform/Images.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel* text(QWidget* parent, const char* name, const QString& value, int size, bool bold = false,
             const QColor& color = appstyle::kText) {
    auto* label = new QLabel(value, parent);
    if (name) label->setObjectName(name);
    label->setFont(appstyle::sansFont(size, bold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QLabel* picture(QWidget* parent, const char* image, QSize size) {
    auto* label = new QLabel(parent);
    label->setFixedSize(size);
    label->setScaledContents(true);
    label->setPixmap(QPixmap::fromImage(images::imageNamed(image)));
    return label;
}

QLabel* swatch(QWidget* parent, const QColor& color) {
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(color.darker(115));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 11, 11), 2.5, 2.5);
    painter.end();
    auto* label = new QLabel(parent);
    label->setPixmap(pixmap);
    return label;
}
}  // namespace

void OstrevaneAppDelegate::buildOverviewPage() {
    auto* page = new QHBoxLayout(frame_.StatuView);
    page->setContentsMargins(36, 26, 36, 16);
    page->setSpacing(30);
    page->addWidget(picture(frame_.StatuView, "iDeviceImage.png", QSize(130, 240)), 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    page->addLayout(column, 1);
    overview_.iDeviceNamelab = text(frame_.StatuView, "iDeviceNamelab", QString(), 20, true);
    column->addWidget(overview_.iDeviceNamelab);

    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(12);
    facts->setVerticalSpacing(5);
    struct Fact {
        const char* caption;
        QLabel** outlet;
        const char* name;
        int row, column;
    };
    const Fact list[] = {
        {"Capacity:", &overview_.iDeviceCapacityValuelab, "iDeviceCapacityValuelab", 0, 0},
        {"iOS Version:", &overview_.iDeviceSoftwareVersionValuelab, "iDeviceSoftwareVersionValuelab", 0, 2},
        {"Firmware:", &overview_.iDeviceFirmValuelab, "iDeviceFirmValuelab", 1, 0},
        {"Phone Number:", &overview_.iDevicepPhoneValuelab, "iDevicepPhoneValuelab", 1, 2},
        {"Serial Number:", &overview_.iDeviceSerialValuelab, "iDeviceSerialValuelab", 2, 0},
        {"Identifier:", &overview_.iDeviceIDValuelab, "iDeviceIDValuelab", 3, 0},
    };
    for (const Fact& f : list) {
        facts->addWidget(text(frame_.StatuView, nullptr, f.caption, 11, false, appstyle::kMutedText), f.row, f.column);
        *f.outlet = text(frame_.StatuView, f.name, QString(), 11);
        (*f.outlet)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The identifier is long: it spans the row.
        facts->addWidget(*f.outlet, f.row, f.column + 1, 1, f.row == 3 ? 3 : 1);
    }
    facts->setColumnStretch(1, 1);
    facts->setColumnStretch(3, 1);
    column->addLayout(facts);
    column->addSpacing(14);

    overview_.iDeviceColorView = new PRColorProgressView(frame_.StatuView);
    overview_.iDeviceColorView->setObjectName("iDeviceColorView");
    overview_.iDeviceColorView->setFixedHeight(22);
    column->addWidget(overview_.iDeviceColorView);
    auto* under = new QHBoxLayout;
    overview_.usedSpaceLab = text(frame_.StatuView, "usedSpaceLab", QString(), 11);
    overview_.freeSpacelab = text(frame_.StatuView, "freeSpacelab", QString(), 11);
    under->addWidget(overview_.usedSpaceLab);
    under->addStretch(1);
    under->addWidget(overview_.freeSpacelab);
    column->addLayout(under);

    // Three entries a row: the texts grow with the figures.
    auto* legend = new QGridLayout;
    legend->setHorizontalSpacing(6);
    legend->setVerticalSpacing(4);
    struct Category {
        QLabel** outlet;
        const char* name;
        const char* title;
        int color;
    };
    const Category categories[] = {{&overview_.photoSizelab, "photoSizelab", "Photo:", 1},
                                   {&overview_.musicSizelab, "musicSizelab", "Music:", 0},
                                   {&overview_.movieSizelab, "movieSizelab", "Movie:", 2},
                                   {&overview_.appSizelab, "appSizelab", "Apps:", 3},
                                   {&overview_.otherSizelab, "otherSizelab", "Others:", 4}};
    int slot = 0;
    for (const Category& c : categories) {
        legend->addWidget(swatch(frame_.StatuView, PRColorProgressView::categoryColor(c.color)), slot / 3,
                          (slot % 3) * 2);
        *c.outlet = text(frame_.StatuView, c.name, c.title, 11);
        legend->addWidget(*c.outlet, slot / 3, (slot % 3) * 2 + 1);
        ++slot;
    }
    for (int textColumn = 1; textColumn < 6; textColumn += 2) legend->setColumnStretch(textColumn, 1);
    column->addLayout(legend);
    column->addSpacing(18);

    auto* shortcuts = new QHBoxLayout;
    shortcuts->setSpacing(6);
    struct Shortcut {
        PRButton** outlet;
        const char* name;
        const char* image;
    };
    const Shortcut buttons[] = {
        {&overview_.photoButton, "photoButton", "photos_Nom.png"},
        {&overview_.musicButton, "musicButton", "musics_Nom.png"},
        {&overview_.bookButton, "bookButton", "books_Nom.png"},
        {&overview_.videoButton, "videoButton", "videos_Nom.png"},
        {&overview_.userAppsButton, "userAppsButton", "userapps_Nom.png"},
        {&overview_.systemAppsButton, "systemAppsButton", "systemapps_Nom.png"},
        {&overview_.userDataButton, "userDataButton", "userdata_Nom.png"},
    };
    for (const Shortcut& s : buttons) {
        auto* b = new PRButton(frame_.StatuView);
        b->setObjectName(s.name);
        b->setFixedSize(72, 72);
        b->setImageNamed(s.image);
        shortcuts->addWidget(b);
        *s.outlet = b;
    }
    shortcuts->addStretch(1);
    column->addLayout(shortcuts);
    column->addStretch(1);

    auto* links = new QHBoxLayout;
    links->setSpacing(18);
    overview_.transferBtn = new QPushButton(frame_.StatuView);
    overview_.transferBtn->setObjectName("transferBtn");
    overview_.cleanBtn = new QPushButton(frame_.StatuView);
    overview_.cleanBtn->setObjectName("cleanBtn");
    overview_.backupDeviceBtn = new QPushButton(frame_.StatuView);
    overview_.backupDeviceBtn->setObjectName("backupDeviceBtn");
    overview_.broswerMainBtn = new QPushButton(frame_.StatuView);
    overview_.broswerMainBtn->setObjectName("broswerMainBtn");
    for (QPushButton* b :
         {overview_.transferBtn, overview_.cleanBtn, overview_.backupDeviceBtn, overview_.broswerMainBtn})
        links->addWidget(b);
    links->addStretch(1);
    column->addLayout(links);
}

void OstrevaneAppDelegate::buildNoDevicePage() {
    auto* layout = new QVBoxLayout(frame_.noDeviceView);
    layout->setContentsMargins(0, 30, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(picture(frame_.noDeviceView, "NoDeviceConnect.png", QSize(300, 220)), 0, Qt::AlignHCenter);
    auto* title = text(frame_.noDeviceView, "noDeviceTitlelab", "Connect your iDevice", 20, true);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    auto* note = text(frame_.noDeviceView, "noDeviceNotelab",
                      "Attach your iPhone, iPad or iPod touch with its USB cable and trust this computer.", 12, false,
                      appstyle::kMutedText);
    layout->addWidget(note, 0, Qt::AlignHCenter);
    overview_.disConnectBroswerMainBtn = new QPushButton(frame_.noDeviceView);
    overview_.disConnectBroswerMainBtn->setObjectName("disConnectBroswerMainBtn");
    layout->addWidget(overview_.disConnectBroswerMainBtn, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    frame_.noDeveiceBottomImageView = new QLabel(frame_.noDeviceView);
    frame_.noDeveiceBottomImageView->setObjectName("noDeveiceBottomImageView");
    frame_.noDeveiceBottomImageView->setScaledContents(true);
    frame_.noDeveiceBottomImageView->setFixedHeight(36);
    layout->addWidget(frame_.noDeveiceBottomImageView);
}
