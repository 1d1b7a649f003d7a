// A conversation as bubbles: the header with the contact's picture and name, then one bubble
// per message (received on the left in grey, the others on the right in green), fifty at a
// time with a "More..." button for the next fifty. The results screen's preview pane shows it
// for the selected conversation (showConversation); the transfer page's preview reuses it.
#pragma once

#include "browser/ConversationPaging.h"
#include "model/PRMessageNode.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <vector>

class PRChatView;

class PRConversationView : public QScrollArea {
    Q_OBJECT
public:
    explicit PRConversationView(QWidget* parent = nullptr);

    // The first page of conversation (emptying what was shown). Null shows nothing.
    void showConversation(const PRMessageTreeNodePtr& conversation);
    // The messages from index from on, count of them (fewer at the conversation's end), laid out
    // at once without the "More..." button and the header above them only from the first message:
    // one run of a long conversation drawn elsewhere a piece at a time (a PDF), the first message
    // placed at the top when it has no header above it. Empties what was shown.
    void showConversationRun(const PRMessageTreeNodePtr& conversation, int from, int count);
    // The message (its index in the conversation) whose bubbles hold y of the document view: the
    // last one placed starting at or above y (the first placed when y is above them all); -1 when
    // none is placed.
    int placedMessageAt(int y) const;
    // Where message index's first bubble starts in the document view; -1 when it is not placed.
    int placedMessageTop(int index) const;

    void RemoveAllMessageChatView();
    void addChatHeadInfo(const PRMessageTreeNode& conversation);
    // The rectangle a message text takes in a bubble whose lines are wrapWidth wide (zero for
    // no text, one newline or one blank).
    static QRectF calculateChatRect(const QString& string, qreal wrapWidth = 140);
    void ClickMoreBtn();
    void addMoreButn();

    // The flipped document view that holds the header, the bubbles and the button.
    QWidget* documentView() const { return document_; }
    QPushButton* moreButton() const { return morebun; }

    PRMessageTreeNodePtr currentMessageTreeNode;
    int previewCount = 50;
    int haveAddChatNum = 0;
    QRectF previousMessageBubbleFrame;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The width the bubbles are laid out in (the visible width) and a bubble's share of it.
    int documentWidth() const;
    int bubbleWidth() const;
    int bubbleX(const PRChatView& bubble) const;
    int nameWidth() const;
    int moreButtonX() const;
    void fitToWidth();
    void showMessages(const PRMessageTreeNodePtr& conversation, int from, const conversation::Page& page);
    void placeMessage(int index);
    void placePage(int count, bool more);
    void updateDocumentSize();
    QImage namedOrFallback(const QString& name) const;

    QWidget* document_;
    QPointer<QPushButton> morebun;
    QPointer<QLabel> headBackground_, headName_;
    std::vector<QPointer<PRChatView>> bubbles_;  // in message order
    std::vector<int> bubbleMessages_;            // the message of each bubble, by its index
    int laidOutWidth_ = -1;
};
