// The feedback window: a text box with its grey prompt, the user's e-mail address, and a
// "Don't Send" button that hides the window. Nothing is sent anywhere; what the user typed
// stays in the window while it is hidden. The results screen owns one and calls
// clickFeedBack from its "Feedback" link.
#pragma once

#include <QWidget>

class QLineEdit;
class PRFeedBackView;

class PRFeedbackWindow : public QWidget {
    Q_OBJECT
public:
    explicit PRFeedbackWindow(QWidget* parent = nullptr);
    // Puts the prompt back, empties the e-mail field, and shows the window centred on the
    // screen unless it is showing already.
    void clickFeedBack();
    void ClickDontSendFeedBack();

    PRFeedBackView* feedbackView;
    QLineEdit* feedbackEmailVaule;
};
