// A button cell whose leftmost square (side = the cell's height) is its tracking area; hovering
// shows the "uninstall.png" image and a border while the pointer is inside.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>

// Hit-test results of cells, as bit flags.
enum NSCellHitResult {
    NSCellHitNone = 0,
    NSCellHitContentArea = 1,
    NSCellHitEditableTextArea = 2,
    NSCellHitTrackableArea = 4,
};

class PRButtonCell {
public:
    void mouseEntered();
    void mouseExited();
    // point in the control's coordinates (top-left origin, as every Qt view is flipped).
    int hitTestForEvent(QPointF point, QRectF cellFrame) const;

    bool showsBorderOnlyWhileMouseInside() const { return showsBorder_; }
    const QImage& image() const { return image_; }

private:
    bool showsBorder_ = false;
    QImage image_;
};
