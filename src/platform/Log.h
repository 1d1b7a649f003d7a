// Where the program's log lines go. A desktop program does not talk on the terminal: once
// installed, every Qt message (the subsystems' categories and Qt's own) is appended to a log
// file in the user's cache folder, rotated so that the folder stays small, and copied to
// standard error only when the user asks for it.
#pragma once

#include <QString>
#include <QtGlobal>

namespace applog {

// Set to a value other than "" or "0" to copy the log to standard error.
inline constexpr const char* kStandardErrorVariable = "QUILLOMATRIX_LOG_STDERR";
// The same, as a command-line argument.
inline constexpr const char* kStandardErrorFlag = "--log-stderr";
// The current file's name; older ones carry ".1" (the newest) up to ".<keptFiles>".
inline constexpr const char* kFileName = "Quillomatrix.log";

struct Settings {
    QString folder;                         // made (mode 0700) when missing
    qint64 maxFileBytes = 2 * 1024 * 1024;  // a file is rotated before it would grow past this
    int keptFiles = 3;                      // rotated files kept besides the current one
    bool toStandardError = false;
};

// ~/.cache/Quillomatrix ($XDG_CACHE_HOME/Quillomatrix when that is set).
QString defaultFolder();
// True when the environment variable or the command-line flag asks for standard error.
bool standardErrorRequested(int argc, const char* const* argv);
// The settings the application starts with: the default folder and what the user asked for.
Settings applicationSettings(int argc, const char* const* argv);

// Installs the message handler. When the folder or the file cannot be made, lines go to
// standard error instead (nothing is lost) and false is returned.
bool install(const Settings& settings);
// Puts back the handler that was there before install() and closes the file.
void uninstall();
// The file being written, or "" when none is open.
QString currentFile();

}  // namespace applog
