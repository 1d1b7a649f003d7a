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
    auto* page = new QHBoxLayout(StatuView);
    page->setContentsMargins(36, 26, 36, 16);
    page->setSpacing(30);
    page->addWidget(picture(StatuView, "iDeviceImage.png", QSize(130, 240)), 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    page->addLayout(column, 1);
    iDeviceNamelab = text(StatuView, "iDeviceNamelab", QString(), 20, true);
    column->addWidget(iDeviceNamelab);

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
        {"Capacity:", &iDeviceCapacityValuelab, "iDeviceCapacityValuelab", 0, 0},
        {"iOS Version:", &iDeviceSoftwareVersionValuelab, "iDeviceSoftwareVersionValuelab", 0, 2},
        {"Firmware:", &iDeviceFirmValuelab, "iDeviceFirmValuelab", 1, 0},
        {"Phone Number:", &iDevicepPhoneValuelab, "iDevicepPhoneValuelab", 1, 2},
        {"Serial Number:", &iDeviceSerialValuelab, "iDeviceSerialValuelab", 2, 0},
        {"Identifier:", &iDeviceIDValuelab, "iDeviceIDValuelab", 3, 0},
    };
    for (const Fact& f : list) {
        facts->addWidget(text(StatuView, nullptr, f.caption, 11, false, appstyle::kMutedText), f.row, f.column);
        *f.outlet = text(StatuView, f.name, QString(), 11);
        (*f.outlet)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The identifier is long: it spans the row.
        facts->addWidget(*f.outlet, f.row, f.column + 1, 1, f.row == 3 ? 3 : 1);
    }
    facts->setColumnStretch(1, 1);
    facts->setColumnStretch(3, 1);
    column->addLayout(facts);
    column->addSpacing(14);

    iDeviceColorView = new PRColorProgressView(StatuView);
    iDeviceColorView->setObjectName("iDeviceColorView");
    iDeviceColorView->setFixedHeight(22);
    column->addWidget(iDeviceColorView);
    auto* under = new QHBoxLayout;
    usedSpaceLab = text(StatuView, "usedSpaceLab", QString(), 11);
    freeSpacelab = text(StatuView, "freeSpacelab", QString(), 11);
    under->addWidget(usedSpaceLab);
    under->addStretch(1);
    under->addWidget(freeSpacelab);
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
    const Category categories[] = {{&photoSizelab, "photoSizelab", "Photo:", 1},
                                   {&musicSizelab, "musicSizelab", "Music:", 0},
                                   {&movieSizelab, "movieSizelab", "Movie:", 2},
                                   {&appSizelab, "appSizelab", "Apps:", 3},
                                   {&otherSizelab, "otherSizelab", "Others:", 4}};
    int slot = 0;
    for (const Category& c : categories) {
        legend->addWidget(swatch(StatuView, PRColorProgressView::categoryColor(c.color)), slot / 3, (slot % 3) * 2);
        *c.outlet = text(StatuView, c.name, c.title, 11);
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
        {&photoButton, "photoButton", "photos_Nom.png"},       {&musicButton, "musicButton", "musics_Nom.png"},
        {&bookButton, "bookButton", "books_Nom.png"},          {&videoButton, "videoButton", "videos_Nom.png"},
        {&userAppsButton, "userAppsButton", "userapps_Nom.png"},
        {&systemAppsButton, "systemAppsButton", "systemapps_Nom.png"},
        {&userDataButton, "userDataButton", "userdata_Nom.png"},
    };
    for (const Shortcut& s : buttons) {
        auto* b = new PRButton(StatuView);
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
    transferBtn = new QPushButton(StatuView);
    transferBtn->setObjectName("transferBtn");
    cleanBtn = new QPushButton(StatuView);
    cleanBtn->setObjectName("cleanBtn");
    backupDeviceBtn = new QPushButton(StatuView);
    backupDeviceBtn->setObjectName("backupDeviceBtn");
    broswerMainBtn = new QPushButton(StatuView);
    broswerMainBtn->setObjectName("broswerMainBtn");
    for (QPushButton* b : {transferBtn, cleanBtn, backupDeviceBtn, broswerMainBtn}) links->addWidget(b);
    links->addStretch(1);
    column->addLayout(links);
}

void OstrevaneAppDelegate::buildNoDevicePage() {
    auto* layout = new QVBoxLayout(noDeviceView);
    layout->setContentsMargins(0, 30, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(picture(noDeviceView, "NoDeviceConnect.png", QSize(300, 220)), 0, Qt::AlignHCenter);
    auto* title = text(noDeviceView, "noDeviceTitlelab", "Connect your iDevice", 20, true);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    auto* note = text(noDeviceView, "noDeviceNotelab",
                      "Attach your iPhone, iPad or iPod touch with its USB cable and trust this computer.", 12,
                      false, appstyle::kMutedText);
    layout->addWidget(note, 0, Qt::AlignHCenter);
    disConnectBroswerMainBtn = new QPushButton(noDeviceView);
    disConnectBroswerMainBtn->setObjectName("disConnectBroswerMainBtn");
    layout->addWidget(disConnectBroswerMainBtn, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    noDeveiceBottomImageView = new QLabel(noDeviceView);
    noDeveiceBottomImageView->setObjectName("noDeveiceBottomImageView");
    noDeveiceBottomImageView->setScaledContents(true);
    noDeveiceBottomImageView->setFixedHeight(36);
    layout->addWidget(noDeveiceBottomImageView);
}
