#include "widgets/PRTextView.h"

#include <QApplication>
#include <QFont>

PRTextView::PRTextView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFocusPolicy(Qt::NoFocus);
}

void PRTextView::mousePressEvent(QMouseEvent*) {}
void PRTextView::mouseDoubleClickEvent(QMouseEvent*) {}
void PRTextView::mouseMoveEvent(QMouseEvent*) {}
void PRTextView::keyPressEvent(QKeyEvent*) {}
void PRTextView::contextMenuEvent(QContextMenuEvent*) {}

PRTextFiled::PRTextFiled(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFocusPolicy(Qt::NoFocus);
}

void PRTextFiled::mousePressEvent(QMouseEvent*) {}
void PRTextFiled::mouseDoubleClickEvent(QMouseEvent*) {}
void PRTextFiled::mouseMoveEvent(QMouseEvent*) {}
void PRTextFiled::keyPressEvent(QKeyEvent*) {}
void PRTextFiled::contextMenuEvent(QContextMenuEvent*) {}

PRFeedBackView::PRFeedBackView(QWidget* parent) : QTextEdit(parent) { setAcceptRichText(false); }

void PRFeedBackView::mousePressEvent(QMouseEvent*) {
    const QString text = toPlainText();
    if (text == kPlaceholder || text == kShortPlaceholder) {
        setPlainText(QString());
        QFont font = QApplication::font();
        font.setPointSize(11);
        setFont(font);
        setCurrentFont(font);
        setTextColor(Qt::black);
    }
    // The press itself does not move the cursor; the box only takes the keyboard.
    setFocus(Qt::MouseFocusReason);
}
