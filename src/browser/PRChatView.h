// One message bubble of a conversation (a nine-slice background, the date line and either the
// message text or a picture), and the contact-name line of the conversation's header. Built by
// PRConversationView; the transfer page's preview places them the same way.
#pragma once

#include <QImage>
#include <QLabel>
#include <QRectF>
#include <QString>
#include <QTextOption>
#include <QWidget>
#include <array>

class PRChatView : public QWidget {
    Q_OBJECT
public:
    // The frame fixes the bubble's size and its place in the conversation's document view.
    explicit PRChatView(const QRect& frame, QWidget* parent = nullptr);

    // Text or caption bubble; rect is the measured text rectangle (calculateChatRect). The
    // text is shown as plain text, never interpreted as markup.
    void initWithName(const QString& name, const QRectF& rect, const QString& date, const QString& string, char type);
    // Picture bubble.
    void initWithName(const QString& name, const QString& date, const QImage& image, char type);

    // The slice rectangles in the order bottom-left, bottom, bottom-right, centre-left, centre,
    // centre-right, top-left, top, top-right, in the bubble's own coordinates with y = 0 at its
    // bottom edge.
    const std::array<QRectF, 9>& contentMatrix() const { return contentMatrix_; }
    char messageType() const { return messageType_; }
    QString sender() const { return nameLayer_; }
    QLabel* dateTextView = nullptr;
    QLabel* textView = nullptr;
    QLabel* imageView = nullptr;

    static QFont bubbleFont(int pixels);
    // Long words and addresses break anywhere rather than run out of the bubble.
    static QTextOption bubbleTextOption();
    static const QColor kReceivedDateColor, kSentDateColor, kNoticeColor;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void startBubble(const QString& name, char type);
    void initNodeImage();
    void initRect(const QRectF& frame);
    QLabel* makeDateLine(const QString& date, int topFromBottom);

    char messageType_ = 0;
    std::array<QImage, 9> imageArray_;  // top-left .. bottom-right
    std::array<QRectF, 9> contentMatrix_;
    float contentLen = 0, contentHeight = 0;
    QString nameLayer_;
};

// A bubble's message text: plain text, wrapped like calculateChatRect measures it.
class PRChatTextLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override;
};

// The contact name in the conversation header.
class PRChatNameView : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    PRChatNameView* initwithNameString(const QString& name);
};
