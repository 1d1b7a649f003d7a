// How an export, a copy or a recovery ends: a line at the foot of the window says what went
// where, shows the folder, and says so when no file manager can be opened.
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"

#include <QPushButton>
#include <gtest/gtest.h>

TEST(ActionResultLine, SaysWhatWentWhereAndWhenNoFileManagerCanShowIt) {
    QStringList shown;
    workspace::setRecorder([&](workspace::Action action, const QString& path) {
        if (action == workspace::Action::ShowFolder) shown << path;
    });
    QWidget window;
    window.resize(980, 640);
    auto* page = new QWidget(&window);
    window.show();

    tellActionDone(page, "3 files exported", "/home/ann/Documents/Quillomatrix");
    auto* line = window.findChild<ActionResultLine*>();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), "3 files exported in /home/ann/Documents/Quillomatrix");
    EXPECT_EQ(line->geometry().bottom(), window.height() - 1);  // at the window's foot
    EXPECT_EQ(shown, QStringList{"/home/ann/Documents/Quillomatrix"});

    // A desktop without a file manager: the line says so, at once and when asked again.
    workspace::setFileManagerAvailable(false);
    tellActionDone(page, "1 item recovered", "/tmp/out");
    EXPECT_EQ(window.findChildren<ActionResultLine*>().size(), 1);  // one line, told again
    EXPECT_EQ(line->text(), "1 item recovered in /tmp/out. No file manager could be opened to show the folder.");
    line->findChild<QPushButton*>("actionResultShowFolder")->click();
    EXPECT_EQ(shown.size(), 3);
    EXPECT_TRUE(line->text().endsWith("No file manager could be opened to show the folder."));

    // An action whose folder was shown when it began does not open it again.
    workspace::setFileManagerAvailable(true);
    tellActionDone(page, "2 photos exported", "/tmp/photos", false);
    EXPECT_EQ(shown.size(), 3);
    EXPECT_EQ(line->text(), "2 photos exported in /tmp/photos");
    workspace::setRecorder({});
}
