// A text link of the results screen ("Facebook", "Twitter", "Feedback"): a hover button that
// posts "PRbuttonMouseEntered"/"PRbuttonMouseExited" like the screen's other buttons, and that
// is also clicked like an ordinary button.
#pragma once

#include "widgets/PRButton.h"

class PRLinkButton : public PRButton {
    Q_OBJECT
public:
    explicit PRLinkButton(const QString& title, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
