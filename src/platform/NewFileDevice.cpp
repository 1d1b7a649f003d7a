#include "platform/NewFileDevice.h"

namespace files {

NewFileDevice::NewFileDevice(NewFile& file) : file_(file) { open(QIODevice::WriteOnly); }

qint64 NewFileDevice::writeData(const char* data, qint64 size) {
    if (size < 0) return -1;
    return file_.write(data, size_t(size)) ? size : -1;
}

}  // namespace files
