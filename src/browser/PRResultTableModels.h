// The array controllers of the results screen: the record tables (widgets/RecordTableModels.h)
// in the marking layout, and the file rows of the backup-file tree.
#pragma once

#include "model/PRTreeDirNode.h"
#include "widgets/RecordTableModels.h"

// The file rows of the folder selected in the backup-file tree. Marking a row brings the
// folders above it up to date.
class PRTreeFileController : public PRArrayTableModel<PRTreeFileNode> {
public:
    enum Column { Check, Name, Type, Size, Path };
    explicit PRTreeFileController(QObject* parent = nullptr);

protected:
    void setMarked(size_t record, bool marked) override;
};
