#include "browser/PRResultTableModels.h"

#include "browser/core/PRBackupFileTree.h"

namespace {
QString q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

PRTreeFileController::PRTreeFileController(QObject* parent)
    : PRArrayTableModel(
          parent, Layout::Marking,
          {{tr("Name"), [](const PRTreeFileNode& f) { return q(f.treefileName()); }},
           {tr("Type"), [](const PRTreeFileNode& f) { return q(f.treefileType()); }},
           {tr("Size"), [](const PRTreeFileNode& f) { return f.fileSize() ? q(*f.fileSize()) : QString(); },
            [](const PRTreeFileNode& f) { return QVariant::fromValue<qulonglong>(f.realFileSize()); }},
           {tr("Path"), [](const PRTreeFileNode& f) { return q(f.dirFilePath()); }}}) {}

void PRTreeFileController::setMarked(size_t record, bool marked) {
    PRBackupFileTree::setFileState((*records_)[record], marked);
}
