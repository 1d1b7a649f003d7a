#include "browser/PRFeedbackWindow.h"

#include "widgets/PRTextView.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QVBoxLayout>

PRFeedbackWindow::PRFeedbackWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Feedback"));
    resize(420, 300);
    auto* layout = new QVBoxLayout(this);
    feedbackView = new PRFeedBackView(this);
    layout->addWidget(feedbackView, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Email:"), this));
    feedbackEmailVaule = new QLineEdit(this);
    row->addWidget(feedbackEmailVaule, 1);
    layout->addLayout(row);
    auto* dontSend = new QPushButton(QStringLiteral("Don't Send"), this);
    layout->addWidget(dontSend, 0, Qt::AlignRight);
    connect(dontSend, &QPushButton::clicked, this, &PRFeedbackWindow::ClickDontSendFeedBack);
}

void PRFeedbackWindow::clickFeedBack() {
    QFont font = QGuiApplication::font();
    font.setPixelSize(13);
    feedbackView->setFont(font);
    feedbackView->setPlainText(QString::fromLatin1(PRFeedBackView::kPlaceholder));
    QTextCharFormat grey;
    grey.setForeground(Qt::gray);
    QTextCursor all(feedbackView->document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(grey);
    feedbackEmailVaule->clear();
    if (isVisible()) return;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
}

void PRFeedbackWindow::ClickDontSendFeedBack() { hide(); }
