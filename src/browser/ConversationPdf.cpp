#include "browser/ConversationPdf.h"

#include "browser/PRConversationView.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <utility>
#include <vector>

namespace conversationpdf {
namespace {
// Wide enough for the header and for the bubbles of both sides, and narrower than the room
// either paper leaves between its margins: drawn at the size the screen shows it.
constexpr int kViewWidth = 440;

bool failed(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

// The pieces (header, bubbles) of what the view shows, top to bottom.
std::vector<QRect> piecesOf(const QWidget& document) {
    std::vector<QRect> pieces;
    for (const QWidget* piece : document.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (piece->isVisible()) pieces.push_back(piece->geometry());
    std::sort(pieces.begin(), pieces.end(), [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    return pieces;
}

// Where the pages from start down to height end: each as far down as a page may reach, never
// through one of the pieces (given top to bottom). A piece taller than a page is cut where the
// page ends.
std::vector<int> pageEnds(const std::vector<QRect>& pieces, int start, int height, int pageHeight) {
    std::vector<int> ends;
    while (height - start > pageHeight) {
        int end = start + pageHeight;
        for (const QRect& piece : pieces)
            if (piece.top() > start && piece.top() < end && piece.bottom() + 1 > end) end = piece.top();
        ends.push_back(end);
        start = end;
    }
    ends.push_back(height);
    return ends;
}

// The PDF's creation date is its conversation's last message's time rather than the moment it was
// drawn, so that the same conversation always makes the same bytes and an export run again finds
// its earlier file there.
QByteArray creationStamp(const PRMessageTreeNode& conversation) {
    QDateTime last;
    for (const PRMessageNodePtr& message : conversation.MessageNodeArray()) {
        const QDateTime when =
            QDateTime::fromString(QString::fromStdString(message->messageDate()), QStringLiteral("MM-dd-yyyy HH:mm"));
        if (when.isValid() && (!last.isValid() || when > last)) last = when;
    }
    return last.isValid() ? last.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() : QByteArray("19700101000000");
}

// Hands the writer's bytes on to out (none: drops them) with the creation date put in as they
// pass. The writer puts the date in the document's information near its start: the bytes are
// held only until it has gone by. The date keeps its length, so no offset of the file moves.
class DatedPdf : public QIODevice {
public:
    DatedPdf(QIODevice* out, QByteArray stamp) : out_(out), stamp_(std::move(stamp)) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    // Hands on what is still held (a PDF without a date, or one shorter than the look).
    bool handOnHeld() {
        const bool ok = pass(head_);
        head_.clear();
        dated_ = true;
        return ok;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (dated_) return pass(QByteArray::fromRawData(data, size)) ? size : -1;
        head_.append(data, size);
        const qsizetype at = head_.indexOf(kKey);
        if (at >= 0 && at + kKey.size() + 14 <= head_.size()) {
            if (stamp_.size() == 14) head_.replace(at + kKey.size(), 14, stamp_);
            return handOnHeld() ? size : -1;
        }
        // Past where the date stands in any PDF of the writer: the bytes go on as they are.
        if (at < 0 && head_.size() > kLook) return handOnHeld() ? size : -1;
        return size;
    }

private:
    bool pass(const QByteArray& bytes) { return !out_ || bytes.isEmpty() || out_->write(bytes) == bytes.size(); }

    static constexpr qsizetype kLook = qsizetype(1) << 16;
    inline static const QByteArray kKey = QByteArrayLiteral("/CreationDate (D:");
    QIODevice* out_;
    QByteArray stamp_, head_;
    bool dated_ = false;
};

}  // namespace

QPageSize paperFor(const QLocale& locale) {
    switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::CostaRica:
    case QLocale::Guatemala:
    case QLocale::Philippines:
    case QLocale::PuertoRico: return QPageSize(QPageSize::Letter);
    default:
        return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4);
    }
}

namespace {
// The conversation is laid out by the view as on screen, without a window, one run of messages at
// a time: the pages a run fills are drawn, its widgets dropped, and the page it left unfilled is
// laid out again at the top of the next run, from the message it begins in (part of a bubble taller
// than a page is left above it). A page so drawn is the one the whole conversation laid out at once
// would give: the view places each bubble right below the one before. firstRunOnly draws the
// pages of the first run alone.
bool drawnPdf(const PRMessageTreeNodePtr& conversation, QIODevice* into, QString* error, const QLocale& locale,
              int runMessages, bool firstRunOnly = false) {
    PRConversationView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(kViewWidth, 1);
    view.show();
    // A later run is laid out once the one before is dropped and the events posted meanwhile are
    // handed out (the view's queued scroller checks, the dropped widgets' requests). Left alone they
    // pile up for as long as the export runs (it runs inside an event, where Qt sweeps none away)
    // and every widget's end looks through them all: each run would take longer than the one before.
    auto layOutRun = [&](int from, int count) {
        view.RemoveAllMessageChatView();
        QCoreApplication::sendPostedEvents();
        view.showConversationRun(conversation, from, count);
    };
    const int count = int(conversation->MessageNodeArray().size());
    runMessages = std::max(1, runMessages);
    int from = 0, runCount = runMessages;
    view.showConversationRun(conversation, from, runCount);
    QWidget* page = view.documentView();
    if (page->width() <= 0 || page->height() <= 0) return failed(error, QStringLiteral("the conversation is empty"));

    DatedPdf out(into, creationStamp(*conversation));
    {
        QPdfWriter writer(&out);
        writer.setResolution(72);  // one pixel of the view is one point
        writer.setCreator(QStringLiteral("Quillomatrix"));
        writer.setTitle(QString::fromStdString(conversation->messageTreeNodeName()));
        writer.setPageLayout(QPageLayout(paperFor(locale), QPageLayout::Portrait,
                                         QMarginsF(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints),
                                         QPageLayout::Point));
        const QRect room = writer.pageLayout().paintRectPixels(72);
        // A view wider than the room (it never is at the width drawn) is scaled down to it.
        const qreal scale = std::min<qreal>(1.0, qreal(room.width()) / page->width());
        const int pageHeight = std::max(1, int(room.height() / scale));
        const qreal left = (room.width() - page->width() * scale) / 2;  // centred between the margins
        QPainter painter;
        if (!painter.begin(&writer)) return failed(error, QStringLiteral("the PDF cannot be drawn"));
        int start = 0;  // where the next page starts in the run laid out
        bool firstPage = true;
        for (;;) {
            const bool lastRun = from + runCount >= count;
            const std::vector<int> ends = pageEnds(piecesOf(*page), start, page->height(), pageHeight);
            if (!lastRun && ends.size() < 2) {
                // Not even one page beyond what is carried over: a longer run.
                runCount *= 2;
                layOutRun(from, runCount);
                continue;
            }
            // A run but the last leaves its last page for the next one, which may fill it further.
            const size_t drawn = lastRun ? ends.size() : ends.size() - 1;
            for (size_t i = 0; i < drawn; ++i) {
                if (!firstPage && !writer.newPage()) return failed(error, QStringLiteral("the PDF cannot be drawn"));
                firstPage = false;
                painter.save();
                painter.translate(left, 0);
                painter.scale(scale, scale);
                page->render(&painter, QPoint(), QRegion(0, start, page->width(), ends[i] - start),
                             QWidget::DrawWindowBackground | QWidget::DrawChildren);
                painter.restore();
                start = ends[i];
            }
            if (lastRun || firstRunOnly) break;
            const int next = view.placedMessageAt(start);
            start -= view.placedMessageTop(next);
            from = next;
            runCount = runMessages;
            layOutRun(from, runCount);
        }
        painter.end();
    }
    if (!out.handOnHeld()) return failed(error, QStringLiteral("the PDF cannot be written"));
    return true;
}
}  // namespace

bool writeConversationPdf(const PRMessageTreeNodePtr& conversation, QIODevice& out, QString* error,
                          const QLocale& locale, int runMessages) {
    if (!conversation) return failed(error, QStringLiteral("there is no conversation"));
    // The first conversation a process draws comes out unlike every later drawing of it (some of
    // its pieces are laid out narrower while the text layout is still cold): its first pages are
    // drawn once before, so that the same conversation always makes the same PDF and an export run
    // again finds it. The first run's pages warm it up: a long conversation is not drawn twice.
    static bool drawnBefore = false;  // main thread only
    if (!drawnBefore) {
        drawnBefore = true;
        drawnPdf(conversation, nullptr, nullptr, locale, runMessages, true);
    }
    return drawnPdf(conversation, &out, error, locale, runMessages);
}

QByteArray conversationPdf(const PRMessageTreeNodePtr& conversation, QString* error, const QLocale& locale) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!writeConversationPdf(conversation, out, error, locale)) return {};
    return out.data();
}

}  // namespace conversationpdf
