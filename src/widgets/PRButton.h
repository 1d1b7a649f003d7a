// The notifying buttons: hover buttons of the overview and result pages, the banner buttons
// that keep their pressed state, and the press-only buttons of the feature pages.
#pragma once

#include "widgets/ButtonNotices.h"
#include "widgets/PRNotifyingButton.h"

// Posts "PRbuttonMouseEntered" and "PRbuttonMouseExited".
class PRButton : public PRNotifyingButton {
    Q_OBJECT
public:
    using PRNotifyingButton::PRNotifyingButton;

protected:
    const NoticeName* enteredNotice() const override { return &notices::PRbuttonMouseEntered; }
    const NoticeName* exitedNotice() const override { return &notices::PRbuttonMouseExited; }
};

// A banner entry: a press marks it down and posts "PRBannerButtonMouseDown"; while down it
// posts no hover notifications, so the owner's pressed image stays under the pointer.
class PRBannerButton : public PRNotifyingButton {
    Q_OBJECT
public:
    using PRNotifyingButton::PRNotifyingButton;
    bool btnDown() const { return btnDown_; }
    void setBtnDown(bool down) { btnDown_ = down; }

protected:
    const NoticeName* enteredNotice() const override { return &notices::PRBannerButtonMouseEntered; }
    const NoticeName* exitedNotice() const override { return &notices::PRBannerButtonMouseExited; }
    const NoticeName* mouseDownNotice() const override { return &notices::PRBannerButtonMouseDown; }
    bool hoverAllowed() const override { return !btnDown_; }
    void willPostMouseDown() override { btnDown_ = true; }

private:
    bool btnDown_ = false;
};

// Press-only buttons, one notification name each (no signals of their own, so no Q_OBJECT).
#define QM_PRESS_BUTTON(ClassName, Pressed)                                              \
    class ClassName : public PRNotifyingButton {                                         \
    public:                                                                              \
        using PRNotifyingButton::PRNotifyingButton;                                      \
                                                                                         \
    protected:                                                                           \
        const NoticeName* mouseDownNotice() const override { return &notices::Pressed; } \
    };

QM_PRESS_BUTTON(PRClosedButton, MyClosebuttonMouseDown)
QM_PRESS_BUTTON(PRScanButton, MyScanbuttonMouseDown)
QM_PRESS_BUTTON(PROneCopyButton, MyOneCopyButtonMouseDown)
QM_PRESS_BUTTON(PRDiskManagButton, MyDiskManagebuttonMouseDown)
QM_PRESS_BUTTON(PRAppCleanButton, MyAppCleanbuttonMouseDown)
QM_PRESS_BUTTON(PRLargeFileButton, MyLargeFileButtonMouseDown)

#undef QM_PRESS_BUTTON
