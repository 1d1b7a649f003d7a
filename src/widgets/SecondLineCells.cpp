#include "widgets/SecondLineCells.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <vector>

namespace secondline {
namespace {

// Whether text stands whole in width: measured as it is laid out, so that a text that fits is
// never drawn cut by the eliding's own rounding.
bool fits(const QFontMetrics& metrics, const QString& text, int width) {
    return metrics.horizontalAdvance(text) <= width;
}

constexpr int kRowPadding = 8;

class TwoLines final : public QStyledItemDelegate {
public:
    TwoLines(int from, QObject* parent) : QStyledItemDelegate(parent), from_(from) {}

    // Without a cell to fit (a column being sized), as wide as the wider text on one line; in a
    // cell, as wide and as high as its lines there.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem all = option;
        initStyleOption(&all, index);
        const QStringList lines = linesIn(all, index, option.rect.width() > 0);
        all.text = lines.join(QChar::LineSeparator);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        return style->sizeFromContents(QStyle::CT_ItemViewItem, &all, QSize(), widget);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        int firstLines = 0;
        const QStringList lines = linesIn(cell, index, true, &firstLines);
        const QRect room = textRoom(cell);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        // The background, the selection and the focus as any cell draws them; the texts here.
        cell.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        const QFontMetrics metrics(cell.font);
        const bool selected = cell.state & QStyle::State_Selected;
        QColor ink = selected ? cell.palette.color(QPalette::HighlightedText) : cell.palette.color(QPalette::Text);
        if (const QVariant own = index.data(Qt::ForegroundRole); own.canConvert<QColor>() && !selected)
            ink = own.value<QColor>();
        QColor dim = ink;
        if (!selected) dim.setAlphaF(0.65);
        const int shown = std::max<int>(1, std::min<int>(lines.size(), room.height() / metrics.lineSpacing()));
        int top = room.top() + (room.height() - shown * metrics.lineSpacing()) / 2;
        painter->save();
        painter->setFont(cell.font);
        for (int i = 0; i < shown; ++i, top += metrics.lineSpacing()) {
            painter->setPen(i < firstLines ? ink : dim);
            painter->drawText(
                QRect(room.left(), top, room.width(), metrics.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
                fits(metrics, lines[i], room.width()) ? lines[i]
                                                      : metrics.elidedText(lines[i], cell.textElideMode, room.width()));
        }
        painter->restore();
    }

    // How many lines index's texts take in a cell of option's size.
    int lineCount(const QStyleOptionViewItem& option, const QModelIndex& index) const {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        return int(linesIn(cell, index, true).size());
    }

    int from() const { return from_; }

private:
    // The cell less the margins the style keeps around a cell's text and those kept here, the
    // same whether the cell is drawn or its rows are being fitted.
    static QRect textRoom(const QStyleOptionViewItem& cell) {
        const QWidget* widget = cell.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const int margin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1);
        return cell.rect.adjusted(margin, 0, -margin, 0);
    }

    // The lines of index's two texts (the first text's first), broken to the cell's room when fitted.
    QStringList linesIn(const QStyleOptionViewItem& cell, const QModelIndex& index, bool fitted,
                        int* firstLines = nullptr) const {
        const QString first = cell.text;
        const QString second = secondLine(index, first);
        QStringList lines{first};
        if (fitted) lines = linesOf(first, QFontMetrics(cell.font), textRoom(cell).width());
        if (firstLines) *firstLines = int(lines.size());
        if (second.isEmpty()) return lines;
        return lines +
               (fitted ? linesOf(second, QFontMetrics(cell.font), textRoom(cell).width()) : QStringList{second});
    }

    QString secondLine(const QModelIndex& index, const QString& first) const {
        const QString second = index.siblingAtColumn(from_).data(Qt::DisplayRole).toString();
        return second == first ? QString() : second;
    }

    int from_;
};

// Keeps each row as tall as the lines of its cell in column: two lines unless its texts need more.
// Rows are measured as they come into view, so that a list of many thousand conversations costs
// what its screenful does; only the few rows that need more than two lines carry a height of their
// own. After the rows or the column's width change, every row is measured afresh.
class RowHeights final : public QObject {
public:
    RowHeights(QTableView* table, int column, TwoLines* delegate)
        : QObject(table), table_(table), column_(column), delegate_(delegate) {
        refit_.setSingleShot(true);
        refit_.setInterval(0);
        connect(&refit_, &QTimer::timeout, this, &RowHeights::refit);
        QAbstractItemModel* model = table->model();
        connect(model, &QAbstractItemModel::modelReset, this, [this] { refit_.start(); });
        connect(model, &QAbstractItemModel::layoutChanged, this, [this] { refit_.start(); });
        connect(model, &QAbstractItemModel::rowsInserted, this, [this] { refit_.start(); });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { refit_.start(); });
        // Counts change many times while a scan merges its records; only the two texts matter here.
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                    const int from = delegate_ ? delegate_->from() : column_;
                    if (topLeft.column() <= std::max(column_, from) && bottomRight.column() >= std::min(column_, from))
                        refit_.start();
                });
        connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section) {
            if (section == column_) refit_.start();
        });
        // Rows coming into view are measured before they are drawn.
        connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this, &RowHeights::fitInView);
        table->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) fitInView();
        return false;
    }

private:
    void refit() {
        const int plain = table_->verticalHeader()->defaultSectionSize();
        const int rows = table_->model()->rowCount();
        for (int row : tall_)
            if (row < rows) table_->setRowHeight(row, plain);
        tall_.clear();
        measured_.assign(size_t(rows), false);
        fitInView();
    }

    void fitInView() {
        if (!delegate_) return;
        QAbstractItemModel* model = table_->model();
        const int rows = model->rowCount();
        if (measured_.size() != size_t(rows)) measured_.assign(size_t(rows), false);
        // A cell is its column less the grid line.
        const int width = table_->columnWidth(column_) - (table_->showGrid() ? 1 : 0);
        if (width <= 0) return;
        QStyleOptionViewItem option;
        option.initFrom(table_);
        option.widget = table_;
        option.font = table_->font();
        option.textElideMode = table_->textElideMode();
        option.rect = QRect(0, 0, width, table_->verticalHeader()->defaultSectionSize());
        const QFontMetrics metrics(option.font);
        const int bottom = table_->viewport()->height();
        for (int row = std::max(0, table_->rowAt(0)); row < rows && table_->rowViewportPosition(row) < bottom; ++row) {
            if (measured_[size_t(row)]) continue;
            measured_[size_t(row)] = true;
            const int high =
                delegate_->lineCount(option, model->index(row, column_)) * metrics.lineSpacing() + kRowPadding;
            if (high <= option.rect.height()) continue;
            table_->setRowHeight(row, high);
            tall_.push_back(row);
        }
    }

    QTableView* table_;
    int column_;
    QPointer<TwoLines> delegate_;
    QTimer refit_;
    std::vector<bool> measured_;  // by row, since the rows last changed
    std::vector<int> tall_;
};

}  // namespace

QStringList linesOf(const QString& text, const QFontMetrics& metrics, int width) {
    if (text.isEmpty() || fits(metrics, text, width)) return {text};
    QStringList lines;
    QString line;
    for (const QString& part : text.split(QStringLiteral(", "))) {
        const QString longer = line.isEmpty() ? part : line + QStringLiteral(", ") + part;
        // The comma stays at the end of its line, where it reads as "more below".
        if (line.isEmpty() || fits(metrics, longer + QLatin1Char(','), width)) {
            line = longer;
            continue;
        }
        lines << line + QLatin1Char(',');
        line = part;
    }
    lines << line;
    return lines;
}

void showUnder(QTableView* table, int column, int from) {
    auto* delegate = new TwoLines(from, table);
    table->setItemDelegateForColumn(column, delegate);
    table->setColumnHidden(from, true);
    const int line = table->fontMetrics().lineSpacing();
    table->verticalHeader()->setDefaultSectionSize(2 * line + kRowPadding);
    new RowHeights(table, column, delegate);
}

}  // namespace secondline
