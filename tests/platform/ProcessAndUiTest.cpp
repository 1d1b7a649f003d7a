#include "TestSupport.h"
#include "platform/Dialogs.h"
#include "platform/Format.h"
#include "platform/Images.h"
#include "platform/Process.h"
#include "platform/SystemVersion.h"
#include "platform/Workspace.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

TEST(Process, ReportsExitStatusAndStartFailure) {
    EXPECT_EQ(process::runAndWait("/bin/sh", {"-c", "exit 3"}), 3);
    EXPECT_EQ(process::runAndWait("/bin/true", {}), 0);
    EXPECT_EQ(process::runAndWait("/nonexistent/program", {}), -1);
    EXPECT_EQ(process::runAndWait("/bin/sh", {"-c", "kill -TERM $$"}), 128 + 15);
}

TEST(Format, FormatsLikePrintf) {
    EXPECT_EQ(stringWithFormat("/Users/%s/Documents/%s", "me", "Quillomatrix"), "/Users/me/Documents/Quillomatrix");
    EXPECT_EQ(stringWithFormat("%02d-%02d-%04d", 3, 7, 2012), "03-07-2012");
    EXPECT_EQ(stringWithFormat("%s", ""), "");
}

TEST(Format, ReplacesEveryOccurrenceOnceFromTheLeft) {
    auto replaced = [](std::string text, const std::string& what, const std::string& with) {
        replaceAll(text, what, with);
        return text;
    };
    EXPECT_EQ(replaced("<div>a<div><div>b</div>", "<div>", ""), "ab</div>");
    // What is put in is not searched again, and occurrences do not overlap.
    EXPECT_EQ(replaced("a&nbsp;b", "&nbsp;", "&nbsp;&nbsp;"), "a&nbsp;&nbsp;b");
    EXPECT_EQ(replaced("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(replaced("~/Library/SMS", "~/", ""), "Library/SMS");
    EXPECT_EQ(replaced("none here", "<br>", " "), "none here");
    EXPECT_EQ(replaced("text", "", "x"), "text");
}

TEST(SystemVersionQuery, AnswersAModernVersion) {
    SystemVersion v = currentSystemVersion();
    EXPECT_EQ(v.major, 10);
    EXPECT_GE(v.minor, 7);
}

TEST(Images, MissingNamesGiveNullImagesAndAreListedOnce) {
    images::clearCache();
    EXPECT_TRUE(images::imageNamed("no-such-image-anywhere").isNull());
    EXPECT_TRUE(images::imageNamed("no-such-image-anywhere.png").isNull());
    EXPECT_TRUE(images::imageNamed("no-such-image-anywhere").isNull());
    EXPECT_EQ(images::missingImageNames(), (QStringList{"no-such-image-anywhere", "no-such-image-anywhere.png"}));
    images::clearCache();
}

namespace {
class ScriptedResponder : public DialogResponder {
public:
    int answerAlert(const AlertRequest& request) override {
        lastMessage = request.messageText;
        return NSAlertSecondButtonReturn;
    }
    QStringList answerPanel(const PanelRequest& request) override {
        return request.kind == PanelRequest::Kind::Save ? QStringList{"/chosen/file"} : QStringList{};
    }
    QString lastMessage;
};
}  // namespace

TEST(DialogSeam, TestsAnswerAlertsAndPanels) {
    ScriptedResponder responder;
    dialogs::setResponder(&responder);
    AlertRequest alert;
    alert.messageText = "Are you sure?";
    alert.buttons = {"OK", "Cancel"};
    EXPECT_EQ(dialogs::runAlert(alert), NSAlertSecondButtonReturn);
    EXPECT_EQ(responder.lastMessage, "Are you sure?");
    PanelRequest save;
    save.kind = PanelRequest::Kind::Save;
    EXPECT_EQ(dialogs::runPanelForPath(save), "/chosen/file");
    EXPECT_EQ(dialogs::runPanelForPath(PanelRequest{}), "");
    dialogs::setResponder(nullptr);
}

// A save panel never asks "Do you want to replace it?": nothing saved replaces what is there.
TEST(DialogSeam, ASavePanelDoesNotAskToReplace) {
    PanelRequest save;
    save.kind = PanelRequest::Kind::Save;
    save.suggestedName = "Messages";
    bool asked = true, seen = false;
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* panel = qobject_cast<QFileDialog*>(w); panel && panel->isVisible()) {
                seen = true;
                asked = !panel->testOption(QFileDialog::DontConfirmOverwrite);
                panel->reject();
            }
    });
    EXPECT_EQ(dialogs::runPanelForPath(save), "");
    EXPECT_TRUE(seen);
    EXPECT_FALSE(asked);
}

// Once an alert or a panel closes, the keys go where they went before it opened: a page's
// shortcuts work without a click first.
TEST(DialogSeam, FocusComesBackWhereItWas) {
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    field->setFocus();
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    ASSERT_EQ(QApplication::focusWidget(), field);
    auto closeSoon = [] {
        QTimer::singleShot(50, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
        });
    };
    AlertRequest alert;
    alert.messageText = "Nothing is selected.";
    alert.window = &window;
    closeSoon();
    dialogs::runAlert(alert);
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(QApplication::focusWidget(), field);
    PanelRequest save;
    save.kind = PanelRequest::Kind::Save;
    save.window = &window;
    closeSoon();
    dialogs::runPanelForPath(save);
    testsupport::spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_NE(QApplication::focusWidget(), other);
}

TEST(WorkspaceSeam, RecorderSeesWhatWouldOpen) {
    std::vector<std::pair<workspace::Action, QString>> seen;
    workspace::setRecorder([&](workspace::Action a, const QString& t) { seen.emplace_back(a, t); });
    workspace::openURL("https://example.org/help");
    workspace::selectFile("", "/some/folder");
    workspace::setRecorder({});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, workspace::Action::OpenURL);
    EXPECT_EQ(seen[1].second, "/some/folder");
}
