// A conversation as a PDF of one page, drawn by the conversation view itself (header, bubbles
// of both sides, names and dates), so that the PDF shows it as the screen does. The texts are
// drawn as text: they can be selected and searched. Main thread only (it draws widgets).
#pragma once

#include "model/PRMessageNode.h"

#include <QByteArray>
#include <QString>

namespace conversationpdf {

// The PDF of every message of conversation on one page, as tall as the conversation (a page
// taller than a PDF page may be is drawn smaller as a whole). Empty with the reason in *error
// when it cannot be drawn.
QByteArray conversationPdf(const PRMessageTreeNodePtr& conversation, QString* error = nullptr);

}  // namespace conversationpdf
