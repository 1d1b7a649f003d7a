#include "browser/PRChatView.h"

#include "platform/Images.h"

#include <QPainter>
#include <cmath>

const QColor PRChatView::kReceivedDateColor(17, 11, 137);
const QColor PRChatView::kSentDateColor(52, 106, 82);
const QColor PRChatView::kNoticeColor(217, 81, 30);

PRChatView::PRChatView(const QRect& frame, QWidget* parent) : QWidget(parent) { setGeometry(frame); }

QFont PRChatView::bubbleFont(int pixels) {
    QFont font(QStringLiteral("Lucida Grande"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

void PRChatView::initNodeImage() {
    static const char* const parts[] = {"topl",    "top",     "topr",   "centerl", "center",
                                        "centerr", "bottoml", "bottom", "bottomr"};
    const QString prefix = messageType_ == 1 ? QStringLiteral("Gry") : QStringLiteral("Green");
    for (int i = 0; i < 9; ++i) imageArray_[i] = images::imageNamed(prefix + parts[i]);
}

void PRChatView::initRect(const QRectF& frame) {
    const qreal W = frame.width(), H = frame.height();
    const qreal cl = W - 36, ch = H - 33;
    contentLen = float(cl);
    contentHeight = float(ch);
    if (messageType_ != 0) {
        contentMatrix_ = {QRectF(0, 0, 20, 16),       QRectF(20, 0, cl, 16),       QRectF(W - 16, 0, 16, 16),
                          QRectF(0, 16, 20, ch),      QRectF(20, 16, cl, ch),      QRectF(W - 16, 16, 16, ch),
                          QRectF(0, ch + 16, 20, 17), QRectF(20, ch + 16, cl, 17), QRectF(W - 16, ch + 16, 16, 17)};
    } else {
        contentMatrix_ = {QRectF(0, 0, 17, 16),       QRectF(16, 0, cl, 16),       QRectF(W - 20, 0, 20, 16),
                          QRectF(1, 16, 16, ch),      QRectF(16, 16, cl, ch),      QRectF(W - 20, 16, 20, ch),
                          QRectF(0, ch + 16, 17, 17), QRectF(16, ch + 16, cl, 17), QRectF(W - 20, ch + 16, 20, 17)};
    }
}

void PRChatView::paintEvent(QPaintEvent*) {
    // contentMatrix runs bottom row first; imageArray top row first.
    static const int sliceOfImage[9] = {6, 7, 8, 3, 4, 5, 0, 1, 2};
    QPainter painter(this);
    const qreal H = height();
    for (int i = 0; i < 9; ++i) {
        const QRectF r = contentMatrix_[i];
        const QImage& slice = imageArray_[sliceOfImage[i]];
        if (slice.isNull() || r.width() <= 0 || r.height() <= 0) continue;
        painter.drawImage(QRectF(r.x(), H - r.y() - r.height(), r.width(), r.height()), slice);
    }
}

// Both kinds of bubble start with their side, their slices and the sender text.
void PRChatView::startBubble(const QString& name, char type) {
    messageType_ = type;
    initNodeImage();
    initRect(QRectF(geometry()));
    nameLayer_ = name;
}

QTextOption PRChatView::bubbleTextOption() {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

void PRChatTextLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(rect()), text(), PRChatView::bubbleTextOption());
}

QLabel* PRChatView::makeDateLine(const QString& date, int topFromBottom) {
    auto* line = new QLabel(this);
    line->setTextFormat(Qt::PlainText);
    line->setFont(bubbleFont(13));
    line->setText(date);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, messageType_ == 1 ? kReceivedDateColor : kSentDateColor);
    line->setPalette(palette);
    line->setGeometry(15, topFromBottom - 15, 240, 15);
    line->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return line;
}

void PRChatView::initWithName(const QString& name, const QRectF& rect, const QString& date, const QString& string,
                              char type) {
    startBubble(name, type);
    const qreal H = height();
    dateTextView = makeDateLine(date, 20);

    qreal y0 = H - rect.height() > 40 ? (H - 80) / 2 : (H - rect.height()) / 2 - 10;
    y0 = std::trunc(y0);
    qreal w = rect.width();
    if (string.isEmpty()) w += 20;
    textView = new PRChatTextLabel(this);
    textView->setTextFormat(Qt::PlainText);
    textView->setWordWrap(true);
    textView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    textView->setFont(bubbleFont(11));
    // The field's rectangle is given from the bubble's bottom edge; widgets count from the top.
    textView->setGeometry(QRectF(25, H - y0 - rect.height(), w + 20, rect.height()).toRect());
    QPalette palette = textView->palette();
    const bool notice =
        string == "Video File" || string == "Contact File" || string == "Location File" || string.isEmpty();
    palette.setColor(QPalette::WindowText, notice ? kNoticeColor : QColor(Qt::black));
    textView->setPalette(palette);
    textView->setText(string.isEmpty() ? QStringLiteral("Unsaved File") : string);
    dateTextView->raise();
}

void PRChatView::initWithName(const QString& name, const QString& date, const QImage& image, char type) {
    startBubble(name, type);
    const int H = height();
    dateTextView = makeDateLine(date, 25);
    imageView = new QLabel(this);
    const int y = (H - 85) / 2;
    imageView->setGeometry(30, H - y - 80, 80, 80);
    imageView->setAlignment(Qt::AlignCenter);
    imageView->setPixmap(QPixmap::fromImage(image.scaled(80, 80, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    dateTextView->raise();
}

PRChatNameView* PRChatNameView::initwithNameString(const QString& name) {
    setTextFormat(Qt::PlainText);
    setFont(PRChatView::bubbleFont(11));
    setText(name);
    return this;
}
