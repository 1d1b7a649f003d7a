#include "widgets/PlainText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QTextDocument>
#include <QToolTip>

namespace plaintext {

namespace {

class PlainTextFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish) {
            // A label that asked for rich text keeps it; one left to guess shows its text plain.
            if (auto* label = qobject_cast<QLabel*>(watched); label && label->textFormat() == Qt::AutoText)
                label->setTextFormat(Qt::PlainText);
            return false;
        }
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        auto* help = static_cast<QHelpEvent*>(event);
        QString tip = widget->toolTip();
        if (auto* view = qobject_cast<QAbstractItemView*>(widget->parentWidget()); view && view->viewport() == widget)
            tip = view->indexAt(help->pos()).data(Qt::ToolTipRole).toString();
        if (tip.isEmpty() || !Qt::mightBeRichText(tip)) return false;
        QToolTip::showText(help->globalPos(), tooltipOf(tip), widget);
        return true;
    }
};

}  // namespace

QString tooltipOf(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}

void install() {
    static bool installed = false;
    if (installed || !qApp) return;
    installed = true;
    qApp->installEventFilter(new PlainTextFilter(qApp));
}

}  // namespace plaintext
