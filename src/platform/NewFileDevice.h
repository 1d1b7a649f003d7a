// A new file (NewFile.h) as a write-only, sequential QIODevice, for Qt writers that make their
// bytes into a device (the PDF writer): the bytes go to the file as they are made. The device
// never puts the file in place; its owner calls NewFile::finish.
#pragma once

#include "platform/NewFile.h"

#include <QIODevice>

namespace files {

class NewFileDevice : public QIODevice {
public:
    // Open for writing at once.
    explicit NewFileDevice(NewFile& file);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    // The bytes written, or -1 once the file has failed.
    qint64 writeData(const char* data, qint64 size) override;

private:
    NewFile& file_;
};

}  // namespace files
