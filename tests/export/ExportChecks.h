// The independent checkers of exported files (tests/export/checks), run with the system's own
// Python, where the setup script installs the parsers they use: vobject for vCards, html5lib
// for pages, poppler's tools for PDFs.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace exportchecks {

// Runs checks/<checker> with arguments; a failure names each fault the checker found.
inline ::testing::AssertionResult passes(const QString& checker, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("/usr/bin/python3"),
                  QStringList{QStringLiteral(QM_EXPORT_CHECKS) + QLatin1Char('/') + checker} + arguments);
    if (!process.waitForFinished(240000))
        return ::testing::AssertionFailure() << checker.toStdString() << " did not end";
    const std::string output = process.readAll().toStdString();
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << checker.toStdString() << " " << arguments.join(' ').toStdString() << "\n"
                                         << output;
}

}  // namespace exportchecks
