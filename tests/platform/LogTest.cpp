#include "TestSupport.h"
#include "platform/Log.h"
#include "platform/LogCategories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

class Log : public testsupport::HomeTest {
protected:
    void SetUp() override {
        hadCache_ = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
        cache_ = qgetenv("XDG_CACHE_HOME");
        qunsetenv("XDG_CACHE_HOME");
        qunsetenv(applog::kStandardErrorVariable);
        folder = QString::fromStdString(home.path()) + "/logs";
    }
    void TearDown() override {
        applog::uninstall();
        if (hadCache_) qputenv("XDG_CACHE_HOME", cache_);
        qunsetenv(applog::kStandardErrorVariable);
    }

    applog::Settings settings(qint64 maxBytes = 1024 * 1024, int kept = 3, bool toStderr = false) const {
        applog::Settings s;
        s.folder = folder;
        s.maxFileBytes = maxBytes;
        s.keptFiles = kept;
        s.toStandardError = toStderr;
        return s;
    }
    QString file(const QString& suffix = QString()) const { return folder + "/" + applog::kFileName + suffix; }
    static QString read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QString folder;

private:
    bool hadCache_ = false;
    QByteArray cache_;
};

TEST_F(Log, LinesGoToThePrivateFileOnlyUnlessStandardErrorIsAsked) {
    ASSERT_TRUE(applog::install(settings()));
    EXPECT_EQ(applog::currentFile(), file());
    testing::internal::CaptureStderr();
    qCInfo(lcClean).noquote() << "CleanFullPath====" + QString("/var/mobile/Media/Downloads");
    qCWarning(lcDevice, "* Can't connect (%d)", -402653083);
    qInfo("without a category");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    const QString text = read(file());
    EXPECT_TRUE(text.contains(QRegularExpression(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} info quillomatrix\.clean: CleanFullPath====/var/mobile/Media/Downloads$)",
        QRegularExpression::MultilineOption)))
        << text.toStdString();
    EXPECT_TRUE(text.contains("warning quillomatrix.device: * Can't connect (-402653083)\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("info: without a category\n")) << text.toStdString();

    // The log names the user's devices and files: only the user may read it.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(file()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Asked for: the same lines on standard error as well.
    ASSERT_TRUE(applog::install(settings(1024 * 1024, 3, /*toStderr*/ true)));
    testing::internal::CaptureStderr();
    qCInfo(lcBackup, "contactDB is not exist");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("info quillomatrix.backup: contactDB is not exist\n"), std::string::npos) << err;
    EXPECT_TRUE(read(file()).contains("contactDB is not exist"));

    // Once removed, the file gets nothing more.
    applog::uninstall();
    EXPECT_EQ(applog::currentFile(), "");
    testing::internal::CaptureStderr();
    qCInfo(lcApp, "after uninstall");
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(read(file()).contains("after uninstall"));
}

TEST_F(Log, StandardErrorIsAskedByVariableOrFlag) {
    const char* plain[] = {"quillomatrix"};
    const char* flagged[] = {"quillomatrix", "-platform", "offscreen", "--log-stderr"};
    EXPECT_FALSE(applog::standardErrorRequested(1, plain));
    EXPECT_TRUE(applog::standardErrorRequested(4, flagged));
    qputenv(applog::kStandardErrorVariable, "0");
    EXPECT_FALSE(applog::standardErrorRequested(1, plain));
    qputenv(applog::kStandardErrorVariable, "");
    EXPECT_FALSE(applog::standardErrorRequested(1, plain));
    qputenv(applog::kStandardErrorVariable, "1");
    EXPECT_TRUE(applog::standardErrorRequested(1, plain));
    EXPECT_TRUE(applog::applicationSettings(1, plain).toStandardError);
}

TEST_F(Log, DefaultFolderIsTheUsersCache) {
    const QString home = QString::fromStdString(this->home.path());
    EXPECT_EQ(applog::defaultFolder(), home + "/.cache/Quillomatrix");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + "/xdg"));
    EXPECT_EQ(applog::defaultFolder(), home + "/xdg/Quillomatrix");
    qputenv("XDG_CACHE_HOME", "relative/cache");  // not a usable cache folder
    EXPECT_EQ(applog::defaultFolder(), home + "/.cache/Quillomatrix");
    EXPECT_EQ(applog::applicationSettings(0, nullptr).folder, home + "/.cache/Quillomatrix");
}

TEST_F(Log, RotationKeepsTheFolderBounded) {
    constexpr qint64 kMax = 1000;
    ASSERT_TRUE(applog::install(settings(kMax, 2)));
    for (int i = 0; i < 300; ++i) qCInfo(lcCarve, "line %04d of the carving walk", i);

    EXPECT_TRUE(QFileInfo::exists(file(".1")));
    EXPECT_TRUE(QFileInfo::exists(file(".2")));
    EXPECT_FALSE(QFileInfo::exists(file(".3")));
    qint64 total = 0;
    for (const QString& suffix : {QString(), QString(".1"), QString(".2")}) {
        const qint64 size = QFileInfo(file(suffix)).size();
        EXPECT_LE(size, kMax) << suffix.toStdString();
        EXPECT_GT(size, kMax / 2) << suffix.toStdString();  // rotated when full, not line by line
        total += size;
    }
    EXPECT_LE(total, 3 * kMax);
    // The newest lines are kept, oldest first in the oldest file, each line whole.
    const QString current = read(file());
    EXPECT_TRUE(current.endsWith("line 0299 of the carving walk\n"));
    const QString previous = read(file(".1"));
    const int lastOfPrevious = previous.trimmed().section(' ', -5, -5).toInt();
    EXPECT_TRUE(current.section('\n', 0, 0).contains(QString("line %1 ").arg(lastOfPrevious + 1, 4, 10, QChar('0'))))
        << current.section('\n', 0, 0).toStdString();

    // A line longer than a whole file is cut to fit, not written past the bound.
    qCInfo(lcCarve).noquote() << QString(5000, 'x');
    EXPECT_LE(QFileInfo(file()).size(), kMax);
    EXPECT_TRUE(read(file()).endsWith("x\n"));

    // A file left too large by an earlier run is rotated at start.
    applog::uninstall();
    QFile::remove(file());
    QFile big(file());
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(3000, 'y'));
    big.close();
    ASSERT_TRUE(applog::install(settings(kMax, 2)));
    qCInfo(lcApp, "next run");
    EXPECT_LE(QFileInfo(file()).size(), kMax);
    EXPECT_EQ(QFileInfo(file(".1")).size(), 3000);
}

TEST_F(Log, LinesFromWorkerThreadsStayWhole) {
    ASSERT_TRUE(applog::install(settings(4000, 50)));
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([t] {
            for (int i = 0; i < 150; ++i) qCDebug(lcClean, "worker %d step %03d done", t, i);
        });
    for (auto& worker : workers) worker.join();
    applog::uninstall();

    int lines = 0;
    const QRegularExpression whole(R"(^\S+ \S+ debug quillomatrix\.clean: worker \d step \d{3} done$)");
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        EXPECT_LE(QFileInfo(folder + "/" + name).size(), 4000);
        for (const QString& line : read(folder + "/" + name).split('\n', Qt::SkipEmptyParts)) {
            EXPECT_TRUE(whole.match(line).hasMatch()) << line.toStdString();
            ++lines;
        }
    }
    EXPECT_EQ(lines, 600);
}

TEST_F(Log, AnUnusableFolderSendsLinesToStandardError) {
    QFile blocker(folder);  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(applog::install(settings()));
    EXPECT_EQ(applog::currentFile(), "");
    testing::internal::CaptureStderr();
    qCInfo(lcPlatform, "still seen");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("quillomatrix.platform: still seen"), std::string::npos);
}

}  // namespace
