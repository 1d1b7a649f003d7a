// The about window and the two sheets of the main window: the welcome sheet and the feedback
// sheet. The application never opens the sheets by itself.
#include "app/AppStyle.h"
#include "app/OstrevaneAppDelegate.h"
#include "app/PRMainWindow.h"
#include "widgets/FlashView.h"
#include "widgets/PRTextView.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QLabel* line(QWidget* parent, const QString& text, int size, bool bold = false) {
    auto* l = new QLabel(text, parent);
    l->setFont(appstyle::sansFont(size, bold));
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    return l;
}
}  // namespace

void OstrevaneAppDelegate::buildAboutWindow() {
    aboutWindow_ = new QWidget(nullptr, Qt::Dialog);
    aboutWindow_->setObjectName("aboutWindow");
    aboutWindow_->setWindowTitle("About Quillomatrix");
    aboutWindow_->setFixedSize(340, 200);
    aboutWindow_->setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(aboutWindow_);
    layout->setContentsMargins(24, 24, 24, 20);
    layout->addWidget(line(aboutWindow_, "Quillomatrix", 20, true));
    layout->addWidget(
        line(aboutWindow_,
             QString("Version %1")
                 .arg(QCoreApplication::applicationVersion().isEmpty() ? QString("1.0")
                                                                       : QCoreApplication::applicationVersion()),
             12));
    layout->addSpacing(8);
    layout->addWidget(line(aboutWindow_,
                           "Cleans, inspects and copies your iPhone, iPad or iPod touch, and recovers data from "
                           "its iTunes backups.",
                           11));
    layout->addStretch(1);
}

void OstrevaneAppDelegate::ClickAbout(QObject*) {
    if (aboutWindow_->isVisible()) return;
    if (QScreen* screen = aboutWindow_->screen()) {
        const QRect available = screen->availableGeometry();
        aboutWindow_->move(available.center() - QPoint(aboutWindow_->width() / 2, aboutWindow_->height() / 2));
    }
    aboutWindow_->show();
}

void OstrevaneAppDelegate::buildSheets() {
    leadWindow_ = new QDialog(window_, Qt::Sheet);
    leadWindow_->setObjectName("leadWindow");
    leadWindow_->setWindowModality(Qt::WindowModal);
    leadWindow_->setFixedSize(460, 220);
    auto* lead = new QVBoxLayout(leadWindow_);
    lead->setContentsMargins(28, 24, 28, 18);
    lead->addWidget(line(leadWindow_, "Welcome to Quillomatrix", 20, true));
    lead->addWidget(line(leadWindow_,
                         "Attach your iDevice to clean it, see what fills it and copy its content, or open the "
                         "iTunes backups on this computer to recover their data.",
                         12));
    lead->addStretch(1);
    auto* start = new QPushButton("Start", leadWindow_);
    start->setObjectName("startButton");
    start->setDefault(true);
    QObject::connect(start, &QPushButton::clicked, this, [this, start] { ClickStart(start); });
    lead->addWidget(start, 0, Qt::AlignRight);

    cryWindow_ = new QDialog(window_, Qt::Sheet);
    cryWindow_->setObjectName("cryWindow");
    cryWindow_->setWindowModality(Qt::WindowModal);
    cryWindow_->setFixedSize(460, 300);
    auto* cry = new QVBoxLayout(cryWindow_);
    cry->setContentsMargins(24, 20, 24, 16);
    cry->addWidget(line(cryWindow_, "Tell us what you think", 15, true));
    feedback_.feedbackTextView = new PRFeedBackView(cryWindow_);
    feedback_.feedbackTextView->setObjectName("feedbackTextView");
    feedback_.feedbackTextView->setPlainText(PRFeedBackView::kPlaceholder);
    QPalette grey = feedback_.feedbackTextView->palette();
    grey.setColor(QPalette::Text, appstyle::kMutedText);
    feedback_.feedbackTextView->setPalette(grey);
    cry->addWidget(feedback_.feedbackTextView, 1);
    auto* buttons = new QHBoxLayout;
    feedback_.feedbackIndicator = new FlashView(cryWindow_);
    feedback_.feedbackIndicator->setObjectName("feedbackIndicator");
    feedback_.feedbackIndicator->setFixedSize(22, 22);
    buttons->addWidget(feedback_.feedbackIndicator);
    buttons->addStretch(1);
    auto* cancel = new QPushButton("Cancel", cryWindow_);
    auto* exitButton = new QPushButton("Exit", cryWindow_);
    auto* send = new QPushButton("Send", cryWindow_);
    cancel->setObjectName("cancelButton");
    exitButton->setObjectName("exitButton");
    send->setObjectName("sendButton");
    send->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, this, [this, cancel] { Cancel(cancel); });
    QObject::connect(exitButton, &QPushButton::clicked, this, [this, exitButton] { Exit(exitButton); });
    QObject::connect(send, &QPushButton::clicked, this, [this, send] { Sender(send); });
    for (QPushButton* b : {cancel, exitButton, send}) buttons->addWidget(b);
    cry->addLayout(buttons);
}

void OstrevaneAppDelegate::endSheet(QDialog* sheet) {
    sheet->done(0);
    sheet->hide();
}

void OstrevaneAppDelegate::ClickStart(QObject*) { endSheet(leadWindow_); }

void OstrevaneAppDelegate::Cancel(QObject*) { endSheet(cryWindow_); }

void OstrevaneAppDelegate::Exit(QObject*) {
    endSheet(cryWindow_);
    quitApplication();
}

void OstrevaneAppDelegate::Sender(QObject*) {
    feedback_.feedbackIndicator->setHidden(false);
    feedback_.feedbackIndicator->startFlash();
    endSheet(cryWindow_);
    quitApplication();
}
