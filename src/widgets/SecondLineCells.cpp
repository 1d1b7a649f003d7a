#include "widgets/SecondLineCells.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>

namespace secondline {
namespace {

class TwoLines final : public QStyledItemDelegate {
public:
    TwoLines(int from, QObject* parent) : QStyledItemDelegate(parent), from_(from) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        // As wide as the wider line, two lines high.
        QStyleOptionViewItem both = option;
        initStyleOption(&both, index);
        const QString second = secondLine(index, both.text);
        if (!second.isEmpty()) both.text += QChar::LineSeparator + second;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        return style->sizeFromContents(QStyle::CT_ItemViewItem, &both, QSize(), widget);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QString first = cell.text;
        const QString second = secondLine(index, first);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        // The background, the selection and the focus as any cell draws them; the texts here.
        cell.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect room =
            style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).adjusted(margin, 0, -margin, 0);
        const QFontMetrics metrics(cell.font);
        const bool selected = cell.state & QStyle::State_Selected;
        QColor ink = selected ? cell.palette.color(QPalette::HighlightedText) : cell.palette.color(QPalette::Text);
        if (const QVariant own = index.data(Qt::ForegroundRole); own.canConvert<QColor>() && !selected)
            ink = own.value<QColor>();
        const int lines = second.isEmpty() ? 1 : 2;
        const int top = room.top() + (room.height() - lines * metrics.lineSpacing()) / 2;
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(ink);
        const QRect line(room.left(), top, room.width(), metrics.lineSpacing());
        painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(first, cell.textElideMode, room.width()));
        if (lines == 2) {
            QColor dim = ink;
            if (!selected) dim.setAlphaF(0.65);
            painter->setPen(dim);
            painter->drawText(line.translated(0, metrics.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
                              metrics.elidedText(second, cell.textElideMode, room.width()));
        }
        painter->restore();
    }

private:
    QString secondLine(const QModelIndex& index, const QString& first) const {
        const QString second = index.siblingAtColumn(from_).data(Qt::DisplayRole).toString();
        return second == first ? QString() : second;
    }

    int from_;
};

}  // namespace

void showUnder(QTableView* table, int column, int from) {
    table->setItemDelegateForColumn(column, new TwoLines(from, table));
    table->setColumnHidden(from, true);
    const int line = table->fontMetrics().lineSpacing();
    table->verticalHeader()->setDefaultSectionSize(2 * line + 8);
}

}  // namespace secondline
