#include "browser/PRSrollThumView.h"

#include "browser/PRThumbnailModel.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>

PRSrollThumView::PRSrollThumView(QWidget* parent) : QListView(parent) {
    setObjectName("thumView");
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setGridSize(QSize(kCell, kCell));
    setIconSize(QSize(100, 100));
    setSpacing(0);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setStyleSheet("QListView#thumView { background: white; }");
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { loadVisible(); });
}

void PRSrollThumView::setThumbnailModel(PRThumbnailModel* model) {
    thumbs_ = model;
    setModel(model);
    setModelColumn(0);
    // New, filtered or sorted rows: load what is now on screen, once the layout has run.
    auto later = [this] {
        QMetaObject::invokeMethod(
            this, [this] { loadVisible(); }, Qt::QueuedConnection);
    };
    connect(model, &QAbstractItemModel::modelReset, this, later);
    connect(model, &QAbstractItemModel::layoutChanged, this, later);
    connect(model, &QAbstractItemModel::rowsInserted, this, later);
}

PRSrollThumView::Range PRSrollThumView::getArrayRange(int count, double position, int columns, int visibleRows) {
    columns = std::max(columns, 1);
    visibleRows = std::max(visibleRows, 1);
    position = std::max(position, 0.0);
    const long long first = static_cast<long long>(std::floor(position)) * columns;
    const long long end = (static_cast<long long>(std::ceil(position)) + visibleRows + 4) * columns;
    Range range;
    range.first = static_cast<int>(std::min<long long>(first, count));
    range.end = static_cast<int>(std::min<long long>(end, count));
    return range;
}

int PRSrollThumView::columnCount() const {
    if (!model() || model()->rowCount() == 0) return std::max(1, viewport()->width() / kCell);
    // Counted from the laid-out cells: the cells sharing the first cell's row.
    const int top = visualRect(model()->index(0, modelColumn())).top();
    const int count = model()->rowCount();
    int columns = 1;
    while (columns < count && visualRect(model()->index(columns, modelColumn())).top() == top) ++columns;
    return columns;
}

void PRSrollThumView::loadVisible() {
    if (!thumbs_ || !isVisible()) return;
    const int count = thumbs_->rowCount();
    if (count == 0) return;
    const double position = double(verticalScrollBar()->value()) / kCell;
    const int rows = int(std::ceil(double(viewport()->height()) / kCell));
    const Range range = getArrayRange(count, position, columnCount(), rows);
    thumbs_->loadRange(range.first, range.end);
}

void PRSrollThumView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    QMetaObject::invokeMethod(
        this, [this] { loadVisible(); }, Qt::QueuedConnection);
}

void PRSrollThumView::showEvent(QShowEvent* event) {
    QListView::showEvent(event);
    QMetaObject::invokeMethod(
        this, [this] { loadVisible(); }, Qt::QueuedConnection);
}
