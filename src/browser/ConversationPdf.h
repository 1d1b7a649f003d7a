// A conversation as a PDF, drawn by the conversation view itself (header, bubbles of both
// sides, names and dates) at the size the screen shows it. The texts are drawn as text, without
// ligatures: they can be selected and searched. Main thread only (it draws widgets).
#pragma once

#include "model/PRMessageNode.h"

#include <QByteArray>
#include <QIODevice>
#include <QLocale>
#include <QPageSize>
#include <QString>

namespace conversationpdf {

// The PDF of every message of conversation on printable pages: the paper of locale, with margins,
// as many pages as it needs, each cut between two bubbles (a bubble taller than a page alone is
// cut); a short conversation on one page. Empty with the reason in *error when it cannot be
// drawn.
QByteArray conversationPdf(const PRMessageTreeNodePtr& conversation, QString* error = nullptr,
                           const QLocale& locale = QLocale());
// How many messages the view lays out at once for a PDF: pages enough that the few bubbles laid
// out again after each run (the page it left unfilled) cost little, and few enough that a
// conversation of any length holds a bounded number of widgets.
constexpr int kRunMessages = 100;
// The same PDF written into out (open for writing) as the writer makes it, so that a long
// conversation's PDF is never held whole, nor its bubbles: the view lays out runMessages messages
// at a time (more when they fill no page); the pages are the same for any run. False with the
// reason in *error when it cannot be drawn: what out received is then no PDF.
bool writeConversationPdf(const PRMessageTreeNodePtr& conversation, QIODevice& out, QString* error = nullptr,
                          const QLocale& locale = QLocale(), int runMessages = kRunMessages);
// The paper printed on where locale is used: Letter in the Americas' Letter countries, else A4.
QPageSize paperFor(const QLocale& locale);
// The margin of every side of a page, in points.
constexpr double kMarginPoints = 36;

}  // namespace conversationpdf
