// The system-boost list's content: the file records of one category, in the columns name,
// size and path.
#pragma once

#include "clean/PRAppFileController.h"

class PRSystemBoostController : public PRAppFileController {
    Q_OBJECT
public:
    explicit PRSystemBoostController(QObject* parent = nullptr)
        : PRAppFileController({Column::FileName, Column::FileSize, Column::FilePath}, parent) {}
};
