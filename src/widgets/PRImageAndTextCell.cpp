#include "widgets/PRImageAndTextCell.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

bool cellCheckAreaClicked = false;

namespace {
constexpr qreal kGap = 3;
constexpr qreal kCheckAreaRight = 264;  // right edge of the check column of the result outline

qreal stripWidth(const QImage& image) { return (image.isNull() ? 0 : image.width()) + kGap; }
}  // namespace

PRImageAndTextCell::PRImageAndTextCell(QObject* parent) : QStyledItemDelegate(parent) {}

QRectF PRImageAndTextCell::imageRectForBounds(const QRectF& b, const QImage& image) {
    if (image.isNull()) return {};
    return {b.x() + kGap, b.y() + std::ceil((b.height() - image.height()) / 2), qreal(image.width()),
            qreal(image.height())};
}

QRectF PRImageAndTextCell::titleRectForBounds(const QRectF& b, const QImage& image) {
    if (image.isNull()) return {};
    return {b.x() + image.width() + kGap, b.y(), b.width() - image.width() - kGap, b.height()};
}

QRectF PRImageAndTextCell::afterStrip(const QRectF& frame, const QImage& image) {
    const qreal strip = std::min(stripWidth(image), frame.width());
    return {frame.x() + strip, frame.y(), frame.width() - strip, frame.height()};
}

QRectF PRImageAndTextCell::imageDrawRect(const QRectF& f, const QImage& image) const {
    if (image.isNull()) return {};
    // Vertically centred, one point above the middle.
    return {f.x() + kGap, f.y() + std::ceil((f.height() - image.height()) / 2) - 1, qreal(image.width()),
            qreal(image.height())};
}

QRectF PRImageAndTextCell::textDrawRect(const QRectF& f, const QImage& image) const {
    if (image.isNull()) return {f.x(), f.y() + 5, f.width(), std::max<qreal>(0, f.height() - 5)};
    return afterStrip(f, image);
}

QRectF PRAppImageAndTextCell::imageDrawRect(const QRectF& f, const QImage& image) const {
    return PRImageAndTextCell::imageDrawRect(f, image).translated(image.isNull() ? 0 : 10, 0);
}

QRectF PRAppImageAndTextCell::textDrawRect(const QRectF& f, const QImage& image) const {
    if (image.isNull()) return {f.x(), f.y() + 18, f.width(), std::max<qreal>(0, f.height() - 18)};
    const QRectF rest = afterStrip(f, image);
    return {rest.x() + 10, rest.y() + 18, rest.width(), std::max<qreal>(0, rest.height() - 18)};
}

QSizeF PRImageAndTextCell::cellSize(const QSizeF& textCellSize, const QImage& image) const {
    return {textCellSize.width() + stripWidth(image), textCellSize.height()};
}

int PRImageAndTextCell::hitTestForEvent(QPointF point, const QRectF& cellFrame, const QImage& image) const {
    QRectF rest = cellFrame;
    if (!image.isNull()) {
        const QRectF strip(cellFrame.x(), cellFrame.y(), stripWidth(image), cellFrame.height());
        const QRectF imageFrame(strip.x() + kGap, strip.y(), image.width(), image.height());
        if (imageFrame.contains(point)) return 1;  // content area
        rest = afterStrip(cellFrame, image);
    }
    return rest.contains(point) ? 1 : 0;
}

bool PRImageAndTextCell::trackMouse(qreal windowX, const QRectF& cellFrame, const QImage& image) {
    const qreal half = image.isNull() ? 0 : image.width() / 2.0;
    cellCheckAreaClicked = (windowX - half - cellFrame.x() - kCheckAreaRight) <= 0;
    return true;
}

bool PRAppImageAndTextCell::trackMouse(qreal, const QRectF&, const QImage&) { return true; }

void PRImageAndTextCell::drawWithFrame(QPainter* painter, const QRectF& frame, const QString& text, const QImage& image,
                                       const QColor& textColor, const QColor* background) const {
    painter->save();
    painter->setClipRect(frame);
    if (!image.isNull()) {
        if (background) {
            const QRectF strip(frame.x(), frame.y(), std::min(stripWidth(image), frame.width()), frame.height());
            painter->fillRect(strip, *background);
        }
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(imageDrawRect(frame, image), image);
    }
    const QRectF textRect = textDrawRect(frame, image);
    painter->setPen(textColor);
    const QString shown = painter->fontMetrics().elidedText(text, Qt::ElideRight, int(textRect.width()));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter->restore();
}

QImage PRImageAndTextCell::imageFor(const QModelIndex& index) const {
    const QVariant decoration = index.data(Qt::DecorationRole);
    if (decoration.canConvert<QImage>()) {
        QImage image = decoration.value<QImage>();
        if (!image.isNull()) return image;
    }
    if (decoration.canConvert<QPixmap>()) {
        QPixmap pixmap = decoration.value<QPixmap>();
        if (!pixmap.isNull()) return pixmap.toImage();
    }
    return image_;
}

void PRImageAndTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // Let the style draw the row's selection and background, then the icon and text ourselves.
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    QStyle* style = opt.widget ? opt.widget->style() : nullptr;
    if (style) style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor textColor = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    drawWithFrame(painter, option.rect, index.data(Qt::DisplayRole).toString(), imageFor(index), textColor, nullptr);
}

QSize PRImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize text = QStyledItemDelegate::sizeHint(option, index);
    return cellSize(text, imageFor(index)).toSize();
}

void PRImageAndTextCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const {
    editor->setGeometry(afterStrip(option.rect, imageFor(index)).toRect());
}

bool PRImageAndTextCell::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) {
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        qreal windowX = mouse->position().x();
        if (option.widget) windowX = option.widget->mapTo(option.widget->window(), mouse->position().toPoint()).x();
        trackMouse(windowX, option.rect, imageFor(index));
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
