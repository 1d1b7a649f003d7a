// Opening web pages, files and folders in the desktop's own applications. Tests install a
// recorder so that nothing is opened for real.
#pragma once

#include <QString>
#include <functional>

namespace workspace {
enum class Action { OpenURL, OpenFile, ShowFolder };
// Opens a web page in the desktop's browser. False when no browser could be started.
bool openURL(const QString& url);
void openFile(const QString& path);
// Shows a folder in the file manager (selecting file inside it when given). False when no file
// manager could be opened (a desktop without one set, a bare X display).
bool selectFile(const QString& file, const QString& folder);
using Recorder = std::function<void(Action, const QString&)>;
void setRecorder(Recorder recorder);  // empty function goes back to the desktop
// For tests with a recorder: whether the recorded desktop has a file manager and a web browser
// (it has, at first).
void setFileManagerAvailable(bool available);
void setBrowserAvailable(bool available);
}  // namespace workspace
