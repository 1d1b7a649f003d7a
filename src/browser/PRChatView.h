// One message bubble of a conversation (a nine-slice background, the date line and either the
// message text or a picture), and the contact-name line of the conversation's header. Built by
// PRConversationView; the transfer page's preview places them the same way.
#pragma once

#include <QImage>
#include <QLabel>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <array>

class PRChatView : public QWidget {
    Q_OBJECT
public:
    // The frame fixes the bubble's width and its place in the conversation's document view;
    // its height follows from what it shows (initWithName, fitToWidth).
    explicit PRChatView(const QRect& frame, QWidget* parent = nullptr);

    // Text or caption bubble; rect is the measured text rectangle (measureText for the
    // bubble's width). The text is shown as plain text, never interpreted as markup.
    void initWithName(const QString& name, const QRectF& rect, const QString& date, const QString& string, char type);
    // Picture bubble.
    void initWithName(const QString& name, const QString& date, const QImage& image, char type);
    // Lays the bubble out again for another width: the text and the date line wrap inside
    // it and the height follows.
    void fitToWidth(int width);

    // The widest a bubble gets; a narrower pane makes it as wide as the pane.
    static constexpr int kBubbleWidth = 240;
    static constexpr int kPictureHeight = 130;
    // The rectangle a message text takes in a bubble whose lines are wrapWidth wide, with the
    // bubble's margins (36 and 33) added; zero for no text, one newline or one blank.
    static QRectF measureText(const QString& string, qreal wrapWidth);
    // How wide a bubble of width wraps its text (184 in a bubble of 240).
    static qreal wrapWidthFor(int bubbleWidth);
    // A text bubble's height for its measured text rectangle and date line at width.
    static int textBubbleHeight(const QRectF& rect, const QString& date, int width);
    static int pictureBubbleHeight(const QString& date, int width);

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
    static const QColor kReceivedDateColor, kSentDateColor, kNoticeColor;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void startBubble(const QString& name, char type);
    void initNodeImage();
    void initRect(const QRectF& frame);
    QLabel* makeDateLine(const QString& date);
    // The date line's height at width: one line of 15, more when it wraps.
    static int dateLineHeight(const QString& date, int width);
    void layOutText(const QRectF& rect);
    void layOutPicture();

    char messageType_ = 0;
    QString string_;                    // the text of a text or caption bubble
    std::array<QImage, 9> imageArray_;  // top-left .. bottom-right
    std::array<QRectF, 9> contentMatrix_;
    float contentLen = 0, contentHeight = 0;
    QString nameLayer_;
};

// A bubble's message text or date line: plain text, wrapped like measureText measures it
// (long words break anywhere), so its height for a width is that of its wrapped lines.
class PRChatTextLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent*) override;
};

// The contact name in the conversation header: cut with "..." to its width, the whole name
// then in its tooltip.
class PRChatNameView : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    PRChatNameView* initwithNameString(const QString& name);
};
