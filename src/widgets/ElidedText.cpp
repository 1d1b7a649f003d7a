#include "widgets/ElidedText.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QProxyStyle>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QToolTip>
#include <algorithm>

namespace elided {
namespace {

const char* const kWholeText = "elidedWholeText";
const char* const kMode = "elidedMode";

// Cuts a label's whole text to its width on every resize and font change.
class LabelFitter final : public QObject {
public:
    using QObject::QObject;
    static void fit(QLabel* label) {
        const QString whole = label->property(kWholeText).toString();
        const auto mode = Qt::TextElideMode(label->property(kMode).toInt());
        const int width = label->contentsRect().width();
        const QString shown = width > 0 ? label->fontMetrics().elidedText(whole, mode, width) : whole;
        label->setText(shown);
        label->setToolTip(shown == whole ? QString() : whole);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)
            if (auto* label = qobject_cast<QLabel*>(watched)) fit(label);
        return false;
    }
};

// Answers a tooltip request over a cut cell that has no tooltip of its own with its text.
class CellTips final : public QObject {
public:
    explicit CellTips(QAbstractItemView* view) : QObject(view), view_(view) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = view_->indexAt(help->pos());
        if (!index.isValid() || !index.data(Qt::ToolTipRole).toString().isEmpty()) return false;
        if (!isCut(view_, index)) return false;
        QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(), view_->viewport(),
                           view_->visualRect(index));
        return true;
    }

private:
    QAbstractItemView* view_;
};

// The same for the titles of a table's columns.
class HeaderTips final : public QObject {
public:
    explicit HeaderTips(QHeaderView* header) : QObject(header), header_(header) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || !header_->model()) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        const int section = header_->logicalIndexAt(help->pos());
        if (section < 0 || !header_->model()->headerData(section, Qt::Horizontal, Qt::ToolTipRole).toString().isEmpty())
            return false;
        if (header_->sectionSizeHint(section) <= header_->sectionSize(section)) return false;
        QToolTip::showText(help->globalPos(), header_->model()->headerData(section, Qt::Horizontal).toString(),
                           header_->viewport());
        return true;
    }

private:
    QHeaderView* header_;
};

// Draws a column title too wide for its section cut with "..." rather than clipped at both
// ends (a centred title would lose its first and last letters and read as another word).
class ElidingHeaderStyle final : public QProxyStyle {
public:
    explicit ElidingHeaderStyle(QHeaderView* header) { setParent(header); }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
        if (element != CE_HeaderLabel || !header) return QProxyStyle::drawControl(element, option, painter, widget);
        QStyleOptionHeader cut = *header;
        int room = header->rect.width();
        if (!header->icon.isNull()) room -= pixelMetric(PM_SmallIconSize, header, widget) + 2;
        cut.text = header->fontMetrics.elidedText(header->text, Qt::ElideRight, std::max(0, room));
        QProxyStyle::drawControl(element, &cut, painter, widget);
    }
};

}  // namespace

void setText(QLabel* label, const QString& text, Qt::TextElideMode mode) {
    if (!label->property(kWholeText).isValid()) label->installEventFilter(new LabelFitter(label));
    label->setProperty(kWholeText, text);
    label->setProperty(kMode, int(mode));
    LabelFitter::fit(label);
}

QString wholeText(const QLabel* label) {
    const QVariant whole = label->property(kWholeText);
    return whole.isValid() ? whole.toString() : label->text();
}

void showWholeCellTexts(QAbstractItemView* view) {
    view->setTextElideMode(Qt::ElideMiddle);
    view->viewport()->installEventFilter(new CellTips(view));
    if (auto* table = qobject_cast<QTableView*>(view)) {
        table->horizontalHeader()->setTextElideMode(Qt::ElideRight);
        table->horizontalHeader()->setStyle(new ElidingHeaderStyle(table->horizontalHeader()));
        table->horizontalHeader()->viewport()->installEventFilter(new HeaderTips(table->horizontalHeader()));
    }
}

bool isCut(const QAbstractItemView* view, const QModelIndex& index) {
    const QRect rect = view->visualRect(index).intersected(view->viewport()->rect());
    if (rect.isEmpty() || index.data(Qt::DisplayRole).toString().isEmpty()) return false;
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.rect = rect;
    option.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(16, 16);
    return view->itemDelegateForIndex(index)->sizeHint(option, index).width() > rect.width();
}

}  // namespace elided
