#include "clean/PRAdsController.h"

#include "widgets/NSImageResizeTo.h"

#include <QFont>

PRAdsController::PRAdsController(QObject* parent) : QAbstractTableModel(parent) {}

void PRAdsController::setContent(std::vector<PRAppAdsRemoveNodePtr> content) {
    beginResetModel();
    content_ = std::move(content);
    endResetModel();
}

void PRAdsController::addObjects(const std::vector<PRAppAdsRemoveNodePtr>& objects) {
    if (objects.empty()) return;
    beginInsertRows({}, int(content_.size()), int(content_.size() + objects.size()) - 1);
    content_.insert(content_.end(), objects.begin(), objects.end());
    endInsertRows();
}

PRAppAdsRemoveNodePtr PRAdsController::objectAt(int row) const {
    return row >= 0 && row < int(content_.size()) ? content_[size_t(row)] : nullptr;
}

void PRAdsController::reloadData() {
    if (content_.empty()) return;
    emit dataChanged(index(0, 0), index(int(content_.size()) - 1, columnCount() - 1));
}

int PRAdsController::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(content_.size()); }

int PRAdsController::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant PRAdsController::data(const QModelIndex& index, int role) const {
    const PRAppAdsRemoveNodePtr row = index.isValid() ? objectAt(index.row()) : nullptr;
    if (!row) return {};
    const int column = index.column();
    if (role == Qt::FontRole) return QFont("Lucida Grande", 11);
    if (role == Qt::DecorationRole && column == kName && !row->appImage.isNull())
        return resizeTo(row->appImage, QSize(36, 36));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (column) {
    case kName: return row->appName;
    case kVersion: return row->appVersion;
    case kCount: return row->appPlatformCount;
    case kState: return row->appAdsState;
    }
    return {};
}

QVariant PRAdsController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role != Qt::DisplayRole) return {};
    static const QStringList titles{tr("Name"), tr("Version"), tr("Built-in Ads"), tr("State")};
    return titles[section];
}
