// Table cells that draw an icon left of their text. The icon is the cell's own image, or the
// item's decoration when the model gives one. Used as item delegates of tables and outlines.
#pragma once

#include <QImage>
#include <QStyledItemDelegate>

// Set by PRImageAndTextCell on every press: true when the press landed on the check area at the
// left of the result screen's outline. Main thread only.
extern bool cellCheckAreaClicked;

class PRImageAndTextCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PRImageAndTextCell(QObject* parent = nullptr);

    const QImage& image() const { return image_; }
    void setImage(const QImage& image) { image_ = image; }
    bool isChangeColor() const { return isChangeColor_; }
    void setIsChangeColor(bool value) { isChangeColor_ = value; }

    // Geometry for a cell with the given image (null: none), in top-left coordinates.
    QRectF imageRectForBounds(const QRectF& bounds) const { return imageRectForBounds(bounds, image_); }
    QRectF titleRectForBounds(const QRectF& bounds) const { return titleRectForBounds(bounds, image_); }
    static QRectF imageRectForBounds(const QRectF& bounds, const QImage& image);
    static QRectF titleRectForBounds(const QRectF& bounds, const QImage& image);
    // The rest of frame once the icon strip (icon width + 3) is cut off its left.
    static QRectF afterStrip(const QRectF& frame, const QImage& image);
    // Where drawWithFrame puts the icon and the text.
    virtual QRectF imageDrawRect(const QRectF& frame, const QImage& image) const;
    virtual QRectF textDrawRect(const QRectF& frame, const QImage& image) const;
    // A plain text cell's size widened by the strip.
    QSizeF cellSize(const QSizeF& textCellSize, const QImage& image) const;
    int hitTestForEvent(QPointF point, const QRectF& cellFrame, const QImage& image) const;
    // Records where a press landed (windowX: the press in window coordinates) and answers true:
    // the cell never tracks the mouse itself.
    virtual bool trackMouse(qreal windowX, const QRectF& cellFrame, const QImage& image);

    void drawWithFrame(QPainter* painter, const QRectF& frame, const QString& text, const QImage& image,
                       const QColor& textColor, const QColor* background) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

protected:
    QImage imageFor(const QModelIndex& index) const;

private:
    QImage image_;
    bool isChangeColor_ = false;
};

// The app tables' variant: the icon 10 points further right and the text 18 points lower.
class PRAppImageAndTextCell : public PRImageAndTextCell {
    Q_OBJECT
public:
    using PRImageAndTextCell::PRImageAndTextCell;
    QRectF imageDrawRect(const QRectF& frame, const QImage& image) const override;
    QRectF textDrawRect(const QRectF& frame, const QImage& image) const override;
    bool trackMouse(qreal windowX, const QRectF& cellFrame, const QImage& image) override;
};
