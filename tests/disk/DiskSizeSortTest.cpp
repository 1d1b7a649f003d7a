// The disk pages' tables sort their size columns by bytes: a size text such as "9.00 KB" sorts
// after "10.00 MB" as text, so the sort role must hold the byte count.
#include "disk/DiskAppListController.h"
#include "disk/PRLargeFileController.h"
#include "disk/PRSystemlibFileController.h"
#include "model/PRRecordFields.h"

#include <QSortFilterProxyModel>
#include <gtest/gtest.h>

namespace {

const std::vector<uint64_t> kBytes{9 * 1024, 10ull * 1024 * 1024, 512, 2ull * 1024 * 1024 * 1024};
const std::vector<uint64_t> kAscending{512, 9 * 1024, 10ull * 1024 * 1024, 2ull * 1024 * 1024 * 1024};

QString text(uint64_t bytes) { return QString::fromStdString(sizeText(bytes)); }

// The texts of column after sorting it ascending the way the pages do (a proxy on the sort role).
std::vector<QString> sortedTexts(QAbstractItemModel& model, int column) {
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(&model);
    sorted.setSortRole(Qt::UserRole);
    sorted.sort(column, Qt::AscendingOrder);
    std::vector<QString> texts;
    for (int row = 0; row < sorted.rowCount(); ++row) texts.push_back(sorted.index(row, column).data().toString());
    return texts;
}

// One row per byte count of kBytes, made by make(bytes).
template <typename Ptr, typename Make>
std::vector<Ptr> rowsOf(Make make) {
    std::vector<Ptr> rows;
    for (uint64_t bytes : kBytes) rows.push_back(make(bytes));
    return rows;
}

std::vector<QString> ascendingTexts() {
    std::vector<QString> texts;
    for (uint64_t bytes : kAscending) texts.push_back(text(bytes));
    return texts;
}

}  // namespace

TEST(DiskSizeSort, EverySizeColumnSortsByBytes) {
    PRSystemlibFileController files;
    files.setContent(rowsOf<PRPhoneSystemFileNodePtr>([](uint64_t bytes) {
        auto node = PRPhoneSystemFileNode::create();
        node->fileSize = text(bytes);
        node->fileSizeNumber = bytes;
        return node;
    }));
    EXPECT_EQ(sortedTexts(files, PRSystemlibFileController::FileSize), ascendingTexts()) << "file browser";

    PRLargeFileController large;
    large.setContent(rowsOf<PRLargeFileNodePtr>([](uint64_t bytes) {
        auto node = std::make_shared<PRLargeFileNode>();
        node->fileSize = text(bytes);
        node->fileSizeNumber = bytes;
        return node;
    }));
    EXPECT_EQ(sortedTexts(large, PRLargeFileController::FileSize), ascendingTexts()) << "large files";

    DiskAppListController apps;
    apps.setContent(rowsOf<PRAppDirTreeNodePtr>([](uint64_t bytes) {
        auto node = PRAppDirTreeNode::create();
        node->appSize = node->appDocumentSize = node->fileSize = text(bytes);
        node->fileType = "DIR";
        node->totalAppSizeNumber = bytes;
        return node;
    }));
    for (int column :
         {DiskAppListController::AppSize, DiskAppListController::DocumentSize, DiskAppListController::TotalSize})
        EXPECT_EQ(sortedTexts(apps, column), ascendingTexts()) << "apps, column " << column;
}
