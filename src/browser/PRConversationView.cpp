#include "browser/PRConversationView.h"

#include "browser/BackupPicture.h"
#include "browser/ConversationPaging.h"
#include "browser/PRChatView.h"
#include "platform/Images.h"

#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {
QString text(const std::string& s) { return QString::fromStdString(s); }
qreal bottomOf(const QRectF& r) { return r.y() + r.height(); }
}  // namespace

PRConversationView::PRConversationView(QWidget* parent) : QScrollArea(parent), document_(new QWidget) {
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    document_->setAutoFillBackground(true);
    QPalette palette = document_->palette();
    palette.setColor(QPalette::Window, Qt::white);
    document_->setPalette(palette);
    setWidget(document_);
    updateDocumentSize();
}

void PRConversationView::showConversation(const PRMessageTreeNodePtr& conversation) {
    const int count = conversation ? int(conversation->MessageNodeArray().size()) : 0;
    showMessages(conversation, 0, conversation::firstPage(count, conversation::kPageSize));
}

void PRConversationView::showConversationRun(const PRMessageTreeNodePtr& conversation, int from, int count) {
    const int total = conversation ? int(conversation->MessageNodeArray().size()) : 0;
    from = std::clamp(from, 0, total);
    showMessages(conversation, from, conversation::Page{std::clamp(count, 0, total - from), false});
}

void PRConversationView::showMessages(const PRMessageTreeNodePtr& conversation, int from,
                                      const conversation::Page& page) {
    previewCount = conversation::kPageSize;
    laidOutWidth_ = documentWidth();
    verticalScrollBar()->setValue(0);
    previousMessageBubbleFrame = QRectF();
    RemoveAllMessageChatView();
    haveAddChatNum = from;
    currentMessageTreeNode = conversation;
    if (!conversation) {
        updateDocumentSize();
        return;
    }
    if (from == 0) addChatHeadInfo(*conversation);
    placePage(page.count, page.more);
    updateDocumentSize();
}

int PRConversationView::placedMessageAt(int y) const {
    int message = -1;
    for (size_t i = 0; i < bubbles_.size(); ++i) {
        if (!bubbles_[i]) continue;
        if (message >= 0 && bubbles_[i]->y() > y) break;
        message = bubbleMessages_[i];
    }
    return message;
}

int PRConversationView::placedMessageTop(int index) const {
    for (size_t i = 0; i < bubbles_.size(); ++i)
        if (bubbles_[i] && bubbleMessages_[i] == index) return bubbles_[i]->y();
    return -1;
}

void PRConversationView::RemoveAllMessageChatView() {
    bubbles_.clear();
    bubbleMessages_.clear();
    const auto children = document_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (auto it = children.rbegin(); it != children.rend(); ++it) delete *it;
    viewport()->update();
}

QImage PRConversationView::namedOrFallback(const QString& name) const { return images::imageNamed(name); }

void PRConversationView::addChatHeadInfo(const PRMessageTreeNode& conversation) {
    int top = int(std::trunc(bottomOf(previousMessageBubbleFrame) + 10));
    if (top == 10) top = 0;
    QImage picture;
    if (!conversation.MessageNodeArray().empty()) {
        // A group's first message shows its sender's picture, which is not the group's.
        const PRMessageNode& first = *conversation.MessageNodeArray().front();
        const auto& data = first.contactImageData();
        if (data && !data->empty() && first.groupAddress().empty())
            picture.loadFromData(data->data(), int(data->size()));
        if (picture.isNull()) picture = images::imageNamed("contact");
    }
    auto* background = new QLabel(document_);
    background->setGeometry(-1, top - 1, documentWidth() + 2, 76);
    background->setScaledContents(true);
    background->setPixmap(QPixmap::fromImage(images::imageNamed("chatHead")));
    background->show();
    auto* pictureView = new QLabel(document_);
    pictureView->setGeometry(0, top + 5, 80, 60);
    pictureView->setAlignment(Qt::AlignCenter);
    if (!picture.isNull())
        pictureView->setPixmap(
            QPixmap::fromImage(picture.scaled(80, 60, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    pictureView->show();
    auto* name = new PRChatNameView(document_);
    name->setGeometry(72, top + 25, nameWidth(), 20);
    name->initwithNameString(text(conversation.messageTreeNodeName()));
    name->show();
    headBackground_ = background;
    headName_ = name;
    previousMessageBubbleFrame = QRectF(name->geometry());
    previousMessageBubbleFrame.translate(0, 45);
}

QRectF PRConversationView::calculateChatRect(const QString& string, qreal wrapWidth) {
    return PRChatView::measureText(string, wrapWidth);
}

int PRConversationView::bubbleWidth() const { return std::min(PRChatView::kBubbleWidth, documentWidth()); }

int PRConversationView::documentWidth() const { return std::max(1, viewport()->width()); }

int PRConversationView::bubbleX(const PRChatView& bubble) const {
    return bubble.messageType() == 1 ? 0 : documentWidth() - bubble.width();
}

void PRConversationView::placeMessage(int index) {
    const auto& message = *currentMessageTreeNode->MessageNodeArray().at(size_t(index));
    ++haveAddChatNum;
    const bool received = conversation::isReceived(message);
    const char type = received ? 1 : 0;
    // Received bubbles start at the left edge, the others end at the right one.
    const int width = bubbleWidth();
    const int x = received ? 0 : documentWidth() - width;
    const QString date = text(conversation::dateLine(message));
    const QString sender = text(message.messagePhone());
    qreal y = bottomOf(previousMessageBubbleFrame);
    const auto content = conversation::bubbleContent(message);

    PRChatView* bubble = nullptr;
    auto captionBubble = [&](const QString& caption) {
        const QRectF rect = calculateChatRect(caption, PRChatView::wrapWidthFor(width));
        bubble =
            new PRChatView(QRectF(x, y, width, PRChatView::textBubbleHeight(rect, date, width)).toRect(), document_);
        bubble->initWithName(sender, rect, date, caption, type);
    };
    auto pictureBubble = [&](const QImage& image) {
        bubble = new PRChatView(QRectF(x, y, width, PRChatView::pictureBubbleHeight(date, width)).toRect(), document_);
        bubble->initWithName(sender, date, image, type);
    };
    switch (content.kind) {
    case conversation::BubbleKind::Text: captionBubble(text(content.text)); break;
    case conversation::BubbleKind::Picture: {
        // An attachment is a file of the backup: read without following a link or blocking
        // on a FIFO.
        const QImage image = backuppicture::read(content.imagePath);
        if (!image.isNull()) pictureBubble(image);
        break;
    }
    case conversation::BubbleKind::Caption:
        if (!images::imageNamed(text(content.imageName)).isNull()) captionBubble(text(content.text));
        break;
    case conversation::BubbleKind::Fallback: break;
    }
    if (!bubble) pictureBubble(images::imageNamed("Contact"));
    auto place = [&] {
        bubbles_.push_back(bubble);
        bubbleMessages_.push_back(index);
        bubble->show();
        previousMessageBubbleFrame = QRectF(bubble->geometry());
    };
    place();
    // The text sent with an attachment follows it in a bubble of its own, as on the phone.
    if (const std::string beside = conversation::textBesideAttachment(message); !beside.empty()) {
        y = bottomOf(previousMessageBubbleFrame);
        captionBubble(text(beside));
        place();
    }
    updateDocumentSize();
}

void PRConversationView::placePage(int count, bool more) {
    const int start = haveAddChatNum;
    for (int i = start; i < start + count; ++i) placeMessage(i);
    if (more) addMoreButn();
}

void PRConversationView::ClickMoreBtn() {
    if (morebun) {
        morebun->hide();
        morebun->deleteLater();
        morebun = nullptr;
    }
    if (!currentMessageTreeNode) return;
    const auto page =
        conversation::nextPage(haveAddChatNum, int(currentMessageTreeNode->MessageNodeArray().size()), previewCount);
    placePage(page.count, page.more);
    updateDocumentSize();
}

void PRConversationView::addMoreButn() {
    const int top = int(std::trunc(bottomOf(previousMessageBubbleFrame) + 10));
    if (morebun) morebun->deleteLater();
    morebun = new QPushButton(QStringLiteral("More..."), document_);
    morebun->setFlat(true);
    morebun->setFont(PRChatView::bubbleFont(11));
    morebun->setStyleSheet(QStringLiteral("QPushButton { border: none; color: rgb(17, 11, 137); }"));
    morebun->setCursor(Qt::PointingHandCursor);
    morebun->setGeometry(moreButtonX(), top, 80, 30);
    // Queued: the button deletes itself from its own click.
    connect(morebun, &QPushButton::clicked, this, &PRConversationView::ClickMoreBtn, Qt::QueuedConnection);
    morebun->show();
    previousMessageBubbleFrame = QRectF(morebun->geometry());
    updateDocumentSize();
}

void PRConversationView::updateDocumentSize() {
    const int m = int(std::trunc(bottomOf(previousMessageBubbleFrame)));
    const int visible = viewport()->height();
    int height = visible;
    if (m > visible) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        height = m;
    } else {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    document_->resize(viewport()->width(), height);
}

int PRConversationView::nameWidth() const { return std::max(20, documentWidth() - 72 - 8); }

int PRConversationView::moreButtonX() const { return std::max(0, (documentWidth() - 80) / 2); }

void PRConversationView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    fitToWidth();
    updateDocumentSize();
}

// The header, the bubbles and the button laid out again for the visible width, each in its
// place below the one before; a bubble's height follows its wrapped text. The scroller that
// comes or goes on the way changes the width once more, and this runs again for it.
void PRConversationView::fitToWidth() {
    if (documentWidth() == laidOutWidth_) return;
    laidOutWidth_ = documentWidth();
    if (headBackground_) headBackground_->resize(documentWidth() + 2, headBackground_->height());
    if (headName_) headName_->resize(nameWidth(), headName_->height());
    if (bubbles_.empty() && !morebun) return;
    // Each element keeps its gap to the one above (a page starts where its button was).
    const int top = headName_ ? headName_->geometry().bottom() + 1 + 45 : 0;
    int y = top, before = top;
    for (const QPointer<PRChatView>& bubble : bubbles_) {
        if (!bubble) continue;
        const int gap = bubble->y() - before;
        before = bubble->geometry().bottom() + 1;
        bubble->fitToWidth(bubbleWidth());
        bubble->move(bubbleX(*bubble), y + gap);
        y = bubble->geometry().bottom() + 1;
        previousMessageBubbleFrame = QRectF(bubble->geometry());
    }
    if (morebun) {
        morebun->move(moreButtonX(), y + morebun->y() - before);
        previousMessageBubbleFrame = QRectF(morebun->geometry());
    }
}
