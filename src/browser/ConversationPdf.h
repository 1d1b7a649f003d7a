// A conversation as a PDF, drawn by the conversation view itself (header, bubbles of both
// sides, names and dates) at the size the screen shows it. The texts are drawn as text, without
// ligatures: they can be selected and searched. Main thread only (it draws widgets).
#pragma once

#include "model/PRMessageNode.h"

#include <QByteArray>
#include <QString>

namespace conversationpdf {

// The PDF of every message of conversation: one page as tall as the conversation when a PDF
// page may be that tall, else as many pages as it needs, each as tall as a PDF page may be and
// cut between two bubbles. Empty with the reason in *error when it cannot be drawn.
QByteArray conversationPdf(const PRMessageTreeNodePtr& conversation, QString* error = nullptr);

}  // namespace conversationpdf
