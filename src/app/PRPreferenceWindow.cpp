#include "app/PRPreferenceWindow.h"

#include "app/AppStyle.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "widgets/PRButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr int kSliderMaximum = 100;
const QStringList kScheduleItems = {"Every Day", "Every Week", "Every Month"};

QPushButton* tabButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setFlat(true);
    b->setFixedSize(84, 60);
    b->setIconSize(QSize(84, 60));
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet("QPushButton { border: none; padding: 0; }");
    return b;
}

void setTabImage(QPushButton* b, const char* image) {
    b->setIcon(QIcon(QPixmap::fromImage(images::imageNamed(image))));
    b->setProperty("imageName", QString(image));
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(name);
    l->setFont(appstyle::sansFont(12));
    return l;
}
}  // namespace

int PRPreferenceWindow::largeFileMegabytes(int sliderValue, int sliderMaximum) {
    if (sliderMaximum <= 0) return 0;
    const float quotient = static_cast<float>(static_cast<double>(static_cast<float>(sliderValue)) / sliderMaximum);
    const double megabytes = static_cast<double>(quotient) * 50.0;
    if (!(megabytes > 0)) return 0;
    return static_cast<int>(std::min(megabytes, 1e6));
}

uint64_t PRPreferenceWindow::largeFileLimitForMegabytes(int megabytes) {
    if (megabytes < 3) return 2000000;
    return static_cast<uint64_t>(megabytes) * 1000000ULL;
}

PRPreferenceWindow::PRPreferenceWindow(const QString& exportPath, QWidget* parent) : PRMainWindow(parent) {
    auto* preferenceWindow_ = this;
    preferenceWindow_->setObjectName("preferenceWindow");
    preferenceWindow_->setWindowTitle("Preferences");
    preferenceWindow_->setFixedSize(520, 380);
    preferenceWindow_->setAttribute(Qt::WA_QuitOnClose, false);
    preferenceWindow_->setStyleSheet("#preferenceWindow { background: rgb(236, 240, 244); }");
    auto* layout = new QVBoxLayout(preferenceWindow_);
    layout->setContentsMargins(0, 0, 0, 14);
    layout->setSpacing(0);

    auto* title = new QLabel(preferenceWindow_);
    title->setFixedHeight(30);
    title->setScaledContents(true);
    title->setPixmap(QPixmap::fromImage(images::imageNamed("WindowTopImage.png")));
    auto* titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(12, 0, 12, 0);
    closedPreferenceButton = new PRClosedButton(title);
    closedPreferenceButton->setObjectName("closedPreferenceButton");
    closedPreferenceButton->setFixedSize(14, 14);
    titleLayout->addWidget(closedPreferenceButton);
    titleLayout->addStretch(1);
    auto* caption = new QLabel("Preferences", title);
    caption->setFont(appstyle::sansFont(13, true));
    caption->setStyleSheet("color: rgb(236, 242, 250);");
    titleLayout->addWidget(caption);
    titleLayout->addStretch(1);
    titleLayout->addSpacing(14);
    preferenceWindow_->setDragArea(title);
    layout->addWidget(title);

    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(16, 8, 16, 4);
    generaBtn = tabButton(preferenceWindow_, "generaBtn");
    cleanupBtn = tabButton(preferenceWindow_, "cleanupBtn");
    oneCopyBtn = tabButton(preferenceWindow_, "oneCopyBtn");
    QObject::connect(generaBtn, &QPushButton::clicked, this, [this] { ActPreferenceGeneral(); });
    QObject::connect(cleanupBtn, &QPushButton::clicked, this, [this] { ActPreferenceCleanup(); });
    QObject::connect(oneCopyBtn, &QPushButton::clicked, this, [this] { ActPreferenceOneClickCopy(); });
    setTabImage(generaBtn, "generalDown.png");
    setTabImage(cleanupBtn, "cleanupNom.png");
    setTabImage(oneCopyBtn, "oneclickcopySmallNom.png");
    tabs->addStretch(1);
    for (QPushButton* b : {generaBtn, cleanupBtn, oneCopyBtn}) tabs->addWidget(b);
    tabs->addStretch(1);
    layout->addLayout(tabs);

    preferenceMainView = new QWidget(preferenceWindow_);
    preferenceMainView->setObjectName("preferenceMainView");
    auto* panes = new QGridLayout(preferenceMainView);
    panes->setContentsMargins(30, 10, 30, 0);
    layout->addWidget(preferenceMainView, 1);

    // General.
    preferenceGeneraView = new QWidget(preferenceMainView);
    preferenceGeneraView->setObjectName("preferenceGeneraView");
    auto* general = new QVBoxLayout(preferenceGeneraView);
    general->setSpacing(8);
    fileSizeSliderInfolab = label(preferenceGeneraView, "fileSizeSliderInfolab", QString());
    general->addWidget(fileSizeSliderInfolab);
    fileSizeSlider = new QSlider(Qt::Horizontal, preferenceGeneraView);
    fileSizeSlider->setObjectName("fileSizeSlider");
    fileSizeSlider->setRange(0, kSliderMaximum);
    fileSizeSlider->setValue(5);  // 2 MB, the default limit
    QObject::connect(fileSizeSlider, &QSlider::valueChanged, this, [this] { TragTheLimttedAction(); });
    general->addWidget(fileSizeSlider);
    general->addSpacing(14);
    general->addWidget(label(preferenceGeneraView, nullptr, "Export folder:"));
    auto* pathRow = new QHBoxLayout;
    quillomatrixPathlab = new QLineEdit(exportPath, preferenceGeneraView);
    quillomatrixPathlab->setObjectName("quillomatrixPathlab");
    auto* change = new QPushButton("Change...", preferenceGeneraView);
    change->setObjectName("changeExportPathButton");
    QObject::connect(change, &QPushButton::clicked, this, [this] { ChangeExportFilePath(); });
    pathRow->addWidget(quillomatrixPathlab, 1);
    pathRow->addWidget(change);
    general->addLayout(pathRow);
    general->addStretch(1);
    TragTheLimttedAction();

    // Cleanup and one-click copy reminders.
    auto schedulePane = [this](const char* paneName, const char* checkName, const QString& checkText,
                               const char* labelName, const char* popupName, QCheckBox*& check, QLabel*& lab,
                               QComboBox*& popup) {
        auto* pane = new QWidget(preferenceMainView);
        pane->setObjectName(paneName);
        auto* l = new QVBoxLayout(pane);
        check = new QCheckBox(checkText, pane);
        check->setObjectName(checkName);
        l->addWidget(check);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(22, 0, 0, 0);
        lab = label(pane, labelName, "Frequency:");
        popup = new QComboBox(pane);
        popup->setObjectName(popupName);
        popup->addItems(kScheduleItems);
        row->addWidget(lab);
        row->addWidget(popup);
        row->addStretch(1);
        l->addLayout(row);
        l->addStretch(1);
        return pane;
    };
    preferenceCleanupView = schedulePane("preferenceCleanupView", "cleanUpCheckBtn", "Remind me to clean up my iDevice",
                                         "cheanupSchedullab", "cleanUpSchedulButton", cleanUpCheckBtn,
                                         cheanupSchedullab, cleanUpSchedulButton);
    preferenceOneCopyView = schedulePane(
        "preferenceOneCopyView", "onecopyCheckBtn", "Remind me to copy my iDevice to this computer",
        "onecopySchedullab", "oneCopySchedulButton", onecopyCheckBtn, onecopySchedullab, oneCopySchedulButton);
    QObject::connect(cleanUpCheckBtn, &QCheckBox::stateChanged, this, [this] { ActCleanUpSchedulAction(); });
    QObject::connect(onecopyCheckBtn, &QCheckBox::stateChanged, this, [this] { ActOneCopySchedulAction(); });
    for (QWidget* pane : {preferenceGeneraView, preferenceCleanupView, preferenceOneCopyView})
        panes->addWidget(pane, 0, 0);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(30, 0, 30, 0);
    buttons->addStretch(1);
    auto* apply = new QPushButton("Apply", preferenceWindow_);
    apply->setObjectName("applyPreferenceButton");
    apply->setDefault(true);
    QObject::connect(apply, &QPushButton::clicked, this, [this] {
        if (onApply) onApply();
    });
    buttons->addWidget(apply);
    layout->addLayout(buttons);
}

void PRPreferenceWindow::open() {
    if (QScreen* s = screen()) move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
}

void PRPreferenceWindow::showPreferenceGeneraView() {
    preferenceCleanupView->setHidden(true);
    preferenceOneCopyView->setHidden(true);
    preferenceGeneraView->setHidden(false);
}

void PRPreferenceWindow::showPreferenceCleanupView() {
    preferenceGeneraView->setHidden(true);
    preferenceOneCopyView->setHidden(true);
    preferenceCleanupView->setHidden(false);
}

void PRPreferenceWindow::showPreferenceOneCopyView() {
    preferenceGeneraView->setHidden(true);
    preferenceCleanupView->setHidden(true);
    preferenceOneCopyView->setHidden(false);
}

void PRPreferenceWindow::ActPreferenceGeneral() {
    showPreferenceGeneraView();
    setTabImage(generaBtn, "generalDown.png");
    setTabImage(cleanupBtn, "cleanupNom.png");
    setTabImage(oneCopyBtn, "oneclickcopySmallNom.png");
}

void PRPreferenceWindow::ActPreferenceCleanup() {
    showPreferenceCleanupView();
    setTabImage(generaBtn, "generalNom.png");
    setTabImage(cleanupBtn, "cleanupDown.png");
    setTabImage(oneCopyBtn, "oneclickcopySmallNom.png");
}

void PRPreferenceWindow::ActPreferenceOneClickCopy() {
    showPreferenceOneCopyView();
    setTabImage(generaBtn, "generalNom.png");
    setTabImage(cleanupBtn, "cleanupNom.png");
    setTabImage(oneCopyBtn, "oneclickcopySmallDown.png");
}

void PRPreferenceWindow::TragTheLimttedAction() {
    const int mb = largeFileMegabytes(fileSizeSlider->value(), fileSizeSlider->maximum());
    fileSizeSliderInfolab->setText(QString("Mimimum Large File Size: %1MB").arg(mb));
}

void PRPreferenceWindow::ChangeExportFilePath() {
    PanelRequest panel;
    panel.kind = PanelRequest::Kind::Open;
    panel.chooseFiles = false;
    panel.chooseDirectories = true;
    panel.multipleSelection = false;
    panel.window = panelWindow;
    const QString chosen = dialogs::runPanelForPath(panel);
    if (!chosen.isEmpty()) quillomatrixPathlab->setText(chosen);
}

uint64_t PRPreferenceWindow::chosenLargeFileLimit() const {
    return largeFileLimitForMegabytes(largeFileMegabytes(fileSizeSlider->value(), fileSizeSlider->maximum()));
}

QString PRPreferenceWindow::chosenExportPath() const { return quillomatrixPathlab->text(); }

void PRPreferenceWindow::ActCleanUpSchedulAction() {
    const Qt::CheckState state = cleanUpCheckBtn->checkState();
    if (state == Qt::PartiallyChecked) return;
    cleanUpSchedulButton->setEnabled(state == Qt::Checked);
    cheanupSchedullab->setEnabled(state == Qt::Checked);
}

void PRPreferenceWindow::ActOneCopySchedulAction() {
    const Qt::CheckState state = onecopyCheckBtn->checkState();
    if (state == Qt::PartiallyChecked) return;
    oneCopySchedulButton->setEnabled(state == Qt::Checked);
    onecopySchedullab->setEnabled(state == Qt::Checked);
}
