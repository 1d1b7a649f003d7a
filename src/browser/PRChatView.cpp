#include "browser/PRChatView.h"

#include "platform/Images.h"
#include "widgets/ElidedText.h"
#include "widgets/TextFonts.h"
#include "widgets/WrappedText.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

const QColor PRChatView::kReceivedDateColor(17, 11, 137);
const QColor PRChatView::kSentDateColor(52, 106, 82);
const QColor PRChatView::kNoticeColor(217, 81, 30);

PRChatView::PRChatView(const QRect& frame, QWidget* parent) : QWidget(parent) { setGeometry(frame); }

QFont PRChatView::bubbleFont(int pixels) {
    QFont font(QStringLiteral("Lucida Grande"));
    font.setStyleHint(QFont::SansSerif);
    // Latin text is set without ligatures, so that a conversation's PDF holds "ff" as two
    // letters and a search for a word finds it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPixelSize(pixels);
    // A message's emoji are drawn in colour (on screen and in a PDF), not as empty boxes.
    return textfonts::withFallbacks(font);
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

void PRChatTextLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    wrappedtext::draw(painter, QRectF(contentsRect()), text(), textfonts::withFallbacks(font()));
}

namespace {
qreal wrappedHeight(const QString& text, const QFont& font, qreal width) {
    return wrappedtext::size(text, font, width).height();
}

// Where the date line starts from the bubble's top, and its font size.
constexpr int kTextDateTop = 5, kPictureDateTop = 10, kDateLine = 15, kDateFont = 13;
}  // namespace

QSize PRChatTextLabel::minimumSizeHint() const {
    // Any word breaks: one character wide, one line high.
    return {fontMetrics().averageCharWidth(), fontMetrics().height()};
}

int PRChatTextLabel::heightForWidth(int width) const {
    return int(std::ceil(wrappedHeight(text(), textfonts::withFallbacks(font()), width)));
}

QRectF PRChatView::measureText(const QString& string, qreal wrapWidth) {
    if (string.isNull() || string == "\n" || string == " ") return QRectF();
    QRectF used(0, 0, 0, 0);
    if (!string.isEmpty()) {
        const QSizeF lines = wrappedtext::size(string, bubbleFont(11), wrapWidth);
        used = QRectF(0, 0, std::ceil(lines.width()), std::ceil(lines.height()));
    }
    if (used.width() > 0) used.adjust(0, 0, 36, 33);
    if (used.height() < 15) used.setHeight(15);
    return used;
}

// The text takes the bubble's width less its margins and its tail, so that a short sentence
// stands on one line.
qreal PRChatView::wrapWidthFor(int bubbleWidth) { return std::max(40, bubbleWidth - 56); }

int PRChatView::dateLineHeight(const QString& date, int width) {
    return std::max(kDateLine, int(std::ceil(wrappedHeight(date, bubbleFont(kDateFont), width - 30))));
}

int PRChatView::textBubbleHeight(const QRectF& rect, const QString& date, int width) {
    return int(rect.height()) + 35 + dateLineHeight(date, width) - kDateLine;
}

int PRChatView::pictureBubbleHeight(const QString& date, int width) {
    return kPictureHeight + dateLineHeight(date, width) - kDateLine;
}

QLabel* PRChatView::makeDateLine(const QString& date) {
    auto* line = new PRChatTextLabel(this);
    line->setTextFormat(Qt::PlainText);
    line->setWordWrap(true);
    line->setFont(bubbleFont(kDateFont));
    line->setText(date);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, messageType_ == 1 ? kReceivedDateColor : kSentDateColor);
    line->setPalette(palette);
    return line;
}

void PRChatView::initWithName(const QString& name, const QRectF& rect, const QString& date, const QString& string,
                              char type) {
    string_ = string;
    startBubble(name, type);
    dateTextView = makeDateLine(date);
    textView = new PRChatTextLabel(this);
    textView->setTextFormat(Qt::PlainText);
    textView->setWordWrap(true);
    textView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    textView->setFont(bubbleFont(11));
    QPalette palette = textView->palette();
    const bool notice =
        string == "Video File" || string == "Contact File" || string == "Location File" || string.isEmpty();
    palette.setColor(QPalette::WindowText, notice ? kNoticeColor : QColor(Qt::black));
    textView->setPalette(palette);
    textView->setText(string.isEmpty() ? QStringLiteral("Unsaved File") : string);
    dateTextView->raise();
    layOutText(rect);
}

void PRChatView::initWithName(const QString& name, const QString& date, const QImage& image, char type) {
    startBubble(name, type);
    dateTextView = makeDateLine(date);
    imageView = new QLabel(this);
    imageView->setAlignment(Qt::AlignCenter);
    imageView->setPixmap(QPixmap::fromImage(image.scaled(80, 80, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    dateTextView->raise();
    layOutPicture();
}

void PRChatView::fitToWidth(int width) {
    if (width == this->width() || !dateTextView) return;
    resize(width, height());
    if (imageView)
        layOutPicture();
    else
        layOutText(measureText(string_, wrapWidthFor(width)));
}

// A text bubble is its text's height plus 35, and the lines the date takes beyond one: the
// date line at the top, the text below it, both as wide as the bubble leaves them.
void PRChatView::layOutText(const QRectF& rect) {
    const int W = width();
    // The field as wide as the lines it shows ("Unsaved File" for no text), so that it wraps
    // them where they were measured, and at least as tall as they are.
    const QRectF shown = measureText(textView->text(), wrapWidthFor(W));
    const int fieldWidth = std::min(int(shown.width()) - 36 + 2, W - 40);
    const int fieldHeight = int(std::max(rect.height(), shown.height() - 33));
    const int dateHeight = dateLineHeight(dateTextView->text(), W);
    resize(W, textBubbleHeight(QRectF(0, 0, rect.width(), fieldHeight), dateTextView->text(), W));
    initRect(QRectF(geometry()));
    dateTextView->setGeometry(15, kTextDateTop, W - 30, dateHeight);
    textView->setGeometry(25, 28 + dateHeight - kDateLine, fieldWidth, fieldHeight);
    update();
}

void PRChatView::layOutPicture() {
    const int W = width();
    const int dateHeight = dateLineHeight(dateTextView->text(), W);
    resize(W, pictureBubbleHeight(dateTextView->text(), W));
    initRect(QRectF(geometry()));
    dateTextView->setGeometry(15, kPictureDateTop, W - 30, dateHeight);
    imageView->setGeometry(30, 28 + dateHeight - kDateLine, std::min(80, W - 50), 80);
    update();
}

PRChatNameView* PRChatNameView::initwithNameString(const QString& name) {
    setTextFormat(Qt::PlainText);
    setFont(PRChatView::bubbleFont(11));
    elided::setText(this, name);
    return this;
}
