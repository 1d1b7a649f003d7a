#include "widgets/PRButtonCell.h"

#include "platform/Images.h"
#include "platform/LogCategories.h"

#include <QDebug>

void PRButtonCell::mouseEntered() {
    showsBorder_ = true;
    image_ = images::imageNamed("uninstall.png");
}

void PRButtonCell::mouseExited() { showsBorder_ = false; }

int PRButtonCell::hitTestForEvent(QPointF point, QRectF cellFrame) const {
    qCDebug(lcWidgets).noquote() << QStringLiteral("{%1, %2}").arg(point.x()).arg(point.y());
    const qreal side = cellFrame.height();
    const QRectF square(cellFrame.x(), cellFrame.y(), side, side);
    if (square.contains(point)) return NSCellHitTrackableArea;
    const QRectF rest(cellFrame.x() + side, cellFrame.y(), cellFrame.width() - side, cellFrame.height());
    return rest.contains(point) ? (NSCellHitContentArea | NSCellHitTrackableArea) : NSCellHitNone;
}
