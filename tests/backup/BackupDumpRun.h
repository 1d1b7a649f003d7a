// Runs build/bin/backup-dump as a child process and keeps what it said.
#pragma once

#include "platform/Paths.h"

#include <QProcess>
#include <QStringList>

struct DumpRun {
    int exitCode = -1;  // -2 when it crashed, -1 when it did not end in time
    QByteArray out;
    QByteArray err;
};

inline DumpRun backupDump(const QStringList& arguments) {
    QProcess process;
    process.start(QString::fromStdString(paths::executableDirectory() + "/backup-dump"), arguments);
    DumpRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
