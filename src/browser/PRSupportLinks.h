// The results screen's text links ("Facebook", "Twitter", "Feedback") and support button.
// The screen owns one, hands it its three link buttons (setLinkButtons), connects the buttons'
// clicks to clickFacebook, clickTwitter and clickSupport (the feedback link opens the
// PRFeedbackWindow), and forwards the "PRbuttonMouseEntered"/"PRbuttonMouseExited"
// notifications' button to PRbuttonMouseEnteredHandle/PRbuttonMouseExitedHandle: the three
// links underline themselves under the pointer; any other button is left alone.
#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QPointer>

class PRSupportLinks : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static constexpr const char* kFacebookURL = "https://www.quillomatrix.example/social/facebook";
    static constexpr const char* kTwitterURL = "https://www.quillomatrix.example/social/twitter";
    static constexpr const char* kSupportURL = "https://www.quillomatrix.example/support";

    void setLinkButtons(QAbstractButton* facebookBtn, QAbstractButton* twitterBtn, QAbstractButton* feedBackBtn);
    void clickFacebook();
    void clickTwitter();
    void clickSupport();
    void PRbuttonMouseEnteredHandle(QObject* button);
    void PRbuttonMouseExitedHandle(QObject* button);

private:
    QWidget* window() const;
    void setHovered(QObject* button, bool hovered);
    QPointer<QAbstractButton> facebookBtn, twitterBtn, feedBackBtn;
};
