// The file tables of the clean pages: numbered columns, and sizes that sort by bytes whatever
// their texts say.
#include "clean/PRAppFileController.h"
#include "clean/PRCleanCacheFileController.h"
#include "clean/core/PRAppDirTreeNode.h"
#include "clean/core/PRCleanDirNode.h"

#include <QSortFilterProxyModel>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

using Column = PRAppFileController::Column;

NSObjectPtr file(const QString& name, const QString& sizeText, uint64_t bytes) {
    auto node = PRCleanFileNode::create();
    node->fileName = name;
    node->fileSize = sizeText;
    node->fileSizeNumber = bytes;
    node->fileType = QStringLiteral("db");
    return node;
}

QStringList names(const QAbstractItemModel& model, int column = 0) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << model.index(r, column).data().toString();
    return out;
}

// As texts, "900B" > "2.00MB" > "10.0KB"; as bytes the order is the other way round.
std::vector<NSObjectPtr> threeFiles() {
    return {file("small", "900B", 900), file("large", "2.00MB", 2000000), file("middle", "10.0KB", 10000)};
}

}  // namespace

TEST(FileTable, SortingBySizeSortsByBytes) {
    PRAppFileController table({Column::FileName, Column::FileSize, Column::FileType});
    table.setContent(threeFiles());
    EXPECT_EQ(table.index(1, 1).data(PRAppFileController::kSortRole).toULongLong(), 2000000u);
    EXPECT_EQ(table.index(1, 1).data().toString(), "2.00MB");  // the text shown stays

    table.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(names(table), (QStringList{"small", "middle", "large"}));
    table.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(names(table), (QStringList{"large", "middle", "small"}));
    table.sort(0, Qt::AscendingOrder);  // other columns by their text
    EXPECT_EQ(names(table), (QStringList{"large", "middle", "small"}));

    // A view sorting through a proxy on the sort role gets the same order.
    table.setContent(threeFiles());
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&table);
    proxy.setSortRole(PRAppFileController::kSortRole);
    QTableView view;
    view.setModel(&proxy);
    view.setSortingEnabled(true);
    view.sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(names(proxy), (QStringList{"small", "middle", "large"}));
}

TEST(FileTable, TheAppCleanerListsSortTheirSizeColumnByBytes) {
    PRCleanCacheFileController list;
    std::vector<NSObjectPtr> rows;
    for (auto [name, text, bytes] :
         {std::tuple{"a", "1.00GB", 1000000000ull}, {"b", "999B", 999ull}, {"c", "5.00KB", 5000ull}}) {
        auto row = PRCleanDirNode::create();
        row->fileName = name;
        row->fileSize = text;
        row->fileSizeNumber = bytes;
        row->appDisplayName = QStringLiteral("Mail");
        rows.push_back(row);
    }
    list.setContent(rows);
    ASSERT_EQ(list.columnAt(2), Column::FileSize);
    EXPECT_EQ(list.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "App");
    EXPECT_EQ(list.index(0, 1).data().toString(), "Mail");
    list.sort(2, Qt::AscendingOrder);
    EXPECT_EQ(names(list), (QStringList{"b", "c", "a"}));
}

TEST(FileTable, AnAppTreeFileSortsByItsSizeTextReadBack) {
    PRAppFileController table({Column::FileName, Column::FileSize});
    std::vector<NSObjectPtr> rows;
    for (auto [name, text] : {std::pair{"x", "3.00MB"}, {"y", "20.0KB"}, {"z", "100B"}}) {
        auto node = PRAppFileTreeNode::create();
        node->fileName = name;
        node->fileSize = text;
        rows.push_back(node);
    }
    table.setContent(rows);
    EXPECT_EQ(table.index(1, 1).data(PRAppFileController::kSortRole).toULongLong(), 20000u);
    table.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(names(table), (QStringList{"z", "y", "x"}));
}
