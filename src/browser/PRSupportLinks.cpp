#include "browser/PRSupportLinks.h"

#include "widgets/OpenLink.h"

#include <QAbstractButton>

void PRSupportLinks::setLinkButtons(QAbstractButton* facebook, QAbstractButton* twitter, QAbstractButton* feedBack) {
    facebookBtn = facebook;
    twitterBtn = twitter;
    feedBackBtn = feedBack;
    const char* titles[] = {"Facebook", "Twitter", "Feedback"};
    QAbstractButton* buttons[] = {facebook, twitter, feedBack};
    for (int i = 0; i < 3; ++i)
        if (buttons[i]) {
            buttons[i]->setText(QString::fromLatin1(titles[i]));
            setHovered(buttons[i], false);
        }
}

QWidget* PRSupportLinks::window() const { return facebookBtn ? facebookBtn->window() : nullptr; }

void PRSupportLinks::clickFacebook() { openLink(window(), QString::fromLatin1(kFacebookURL)); }
void PRSupportLinks::clickTwitter() { openLink(window(), QString::fromLatin1(kTwitterURL)); }
void PRSupportLinks::clickSupport() { openLink(window(), QString::fromLatin1(kSupportURL)); }

void PRSupportLinks::PRbuttonMouseEnteredHandle(QObject* button) { setHovered(button, true); }
void PRSupportLinks::PRbuttonMouseExitedHandle(QObject* button) { setHovered(button, false); }

void PRSupportLinks::setHovered(QObject* object, bool hovered) {
    if (!object || (object != facebookBtn && object != twitterBtn && object != feedBackBtn)) return;
    auto* button = static_cast<QAbstractButton*>(object);
    QFont font(QStringLiteral("Lucida Grande"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setUnderline(hovered);
    button->setFont(font);
    button->setCursor(hovered ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
