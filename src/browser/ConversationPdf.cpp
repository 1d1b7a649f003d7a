#include "browser/ConversationPdf.h"

#include "browser/PRConversationView.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

namespace conversationpdf {
namespace {
// Wide enough for the header and for the bubbles of both sides.
constexpr int kViewWidth = 440;
// A PDF page side may not exceed 14400 points.
constexpr double kMaxPdfSide = 14400;

QByteArray failed(QString* error, const QString& why) {
    if (error) *error = why;
    return {};
}
}  // namespace

QByteArray conversationPdf(const PRMessageTreeNodePtr& conversation, QString* error) {
    if (!conversation) return failed(error, QStringLiteral("there is no conversation"));
    // The view laid out as on screen, without a window: every bubble placed at once.
    PRConversationView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(kViewWidth, 1);
    view.show();
    view.showWholeConversation(conversation);
    QWidget* page = view.documentView();
    if (page->width() <= 0 || page->height() <= 0) return failed(error, QStringLiteral("the conversation is empty"));

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&out);
        writer.setResolution(72);  // one pixel of the view is one point
        writer.setCreator(QStringLiteral("Quillomatrix"));
        writer.setTitle(QString::fromStdString(conversation->messageTreeNodeName()));
        const double scale = std::min(1.0, kMaxPdfSide / page->height());
        const QSizeF size(page->width() * scale, page->height() * scale);
        writer.setPageSize(QPageSize(size, QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer)) return failed(error, QStringLiteral("the PDF cannot be drawn"));
        painter.scale(scale, scale);
        page->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.end();
    }
    return out.data();
}

}  // namespace conversationpdf
