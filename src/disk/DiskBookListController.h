// The disk manager's book table: one purchased book per row with its artwork beside its name,
// its type and device path. The artwork is decoded once per book.
#pragma once

#include "disk/DiskRecordList.h"
#include "disk/core/PRBookNode.h"

#include <QImage>
#include <map>

class DiskBookListController : public DiskRecordList<PRBookNode> {
    Q_OBJECT
public:
    enum Column { Name, Type, Path, ColumnCount };

    explicit DiskBookListController(QObject* parent = nullptr);

    // The book's artwork as an image (null when it has none or it cannot be decoded).
    QImage imageIcon(const PRBookNodePtr& book) const;

protected:
    int columns() const override { return ColumnCount; }
    QString title(int column) const override;
    QString text(const PRBookNode& book, int column) const override;
    QPixmap icon(const PRBookNodePtr& book, int column) const override;
    void contentChanged() override { artwork_.clear(); }

private:
    struct Artwork {
        QImage image;
        QPixmap icon;  // 36 x 36 at most, for the table
    };
    const Artwork& artworkOf(const PRBookNodePtr& book) const;
    mutable std::map<const PRBookNode*, Artwork> artwork_;
};
