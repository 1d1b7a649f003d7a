// The image buttons of the window do not act themselves: mouse events become named
// notifications on the default centre, posted with the button as sender, and the owner (the
// application delegate or a page controller) recognises its own outlet and does the work.
// A press never reaches QAbstractButton, so clicked() is never emitted.
#pragma once

#include "platform/Notice.h"

#include <QAbstractButton>
#include <QImage>
#include <string>

class PRNotifyingButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PRNotifyingButton(QWidget* parent = nullptr);

    // The image drawn over the whole button, kept in its aspect ratio and centred.
    void setImage(const QImage& image);
    // Looks the image up by its resource name ("DeviceManager_Nom.png").
    void setImageNamed(const QString& name);
    const QImage& image() const { return image_; }
    QString imageName() const { return imageName_; }

    QSize sizeHint() const override;

protected:
    // What is posted for each event (widgets/ButtonNotices.h); none posts nothing.
    virtual const NoticeName* enteredNotice() const { return nullptr; }
    virtual const NoticeName* exitedNotice() const { return nullptr; }
    virtual const NoticeName* mouseDownNotice() const { return nullptr; }
    virtual void willPostMouseDown() {}
    virtual bool hoverAllowed() const { return true; }

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    NSNotificationCenter* nc;

private:
    void post(const NoticeName* notice);

    QImage image_;
    QString imageName_;
};
