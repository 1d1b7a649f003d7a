#include "device/AddToDevice.h"

#include "device/StatusText.h"
#include "platform/LocalNames.h"
#include "platform/NewFile.h"

#include <QFileInfo>

namespace amd {

std::string devicePathIn(const std::string& deviceFolder, const std::string& name) {
    if (deviceFolder.empty()) return "/" + name;
    return deviceFolder.ends_with('/') ? deviceFolder + name : deviceFolder + "/" + name;
}

bool takenOnDevice(FileService& service, const std::string& devicePath) {
    FileEntry entry;
    return service.FileInfo(devicePath, entry);
}

void addFileToDevice(FileService& service, const QString& localFile, const std::string& deviceFolder, NameTaken taken,
                     ActionResult& result, std::string& added) {
    const QFileInfo info(localFile);
    const std::string name = localnames::safeLocalName(info.fileName()).toStdString();
    added = devicePathIn(deviceFolder, name);
    if (!info.isFile() || !info.isReadable()) {
        result.failed(localFile.toStdString(), "not added: it is not a file that can be read");
        return;
    }
    FileEntry there;
    if (service.FileInfo(added, there)) {
        if (taken == NameTaken::Refuse) {
            result.failed(added, kNameTakenOnDevice);
            return;
        }
        if (taken == NameTaken::Replace && there.kind != FileEntry::Kind::Regular) {
            result.failed(added, "not added: a folder or link of that name is on the device");
            return;
        }
        if (taken == NameTaken::KeepBoth) {
            unsigned n = 2;
            while (takenOnDevice(service, devicePathIn(deviceFolder, files::numberedName(name, n)))) ++n;
            added = devicePathIn(deviceFolder, files::numberedName(name, n));
        }
    }
    const int status = service.CopyToDevice(localFile.toStdString(), added);
    FileEntry entry;
    // An empty file copies no bytes and so reports a failure, yet the device holds it.
    if (status == 0 || (info.size() == 0 && service.FileInfo(added, entry) && entry.kind == FileEntry::Kind::Regular))
        result.succeeded(uint64_t(info.size()));
    else
        result.failed(added, "the device refused the copy (" + statusText(status) + ")");
}

}  // namespace amd
