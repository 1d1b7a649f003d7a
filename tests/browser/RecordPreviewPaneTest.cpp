// The preview pane for each kind of record, from the sample backup's records or records made
// here, as the results screen hands them over; screenshots of a conversation, a contact and a
// photo.
#include "PreviewTestSupport.h"
#include "backup/BackupFileKeys.h"
#include "browser/ConversationPaging.h"
#include "browser/PRChatView.h"
#include "browser/PRConversationView.h"
#include "browser/PRRecordPreviewPane.h"
#include "platform/Images.h"
#include "platform/Workspace.h"
#include "widgets/ElidedText.h"
#include "widgets/PRTextView.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QVideoWidget>
#include <map>

using namespace previewtest;

namespace {

class PreviewPaneTest : public testsupport::HomeTest {
protected:
    PreviewPaneTest() {
        pane.resize(460, 560);
        pane.show();
        workspace::setRecorder([this](workspace::Action a, const QString& path) { opened.push_back({a, path}); });
    }
    ~PreviewPaneTest() override { workspace::setRecorder({}); }
    std::string writeFile(const std::string& name, const QByteArray& bytes) {
        const std::string path = testsupport::scratchDirectory("files") + "/" + name;
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    std::string samplePicture() {
        for (const auto& m : sampleRecords().messages)
            if (m->attachType() == "Image" && m->attachmentPath()) return *m->attachmentPath();
        return {};
    }
    PRRecordPreviewPane pane;
    std::vector<std::pair<workspace::Action, QString>> opened;
};

TEST_F(PreviewPaneTest, ContactWithPhotoShowsItsFieldsAndPhoto) {
    const auto& contacts = sampleRecords().contacts;
    PRContactNodePtr withPhoto;
    for (const auto& c : contacts)
        if (c->imageData() && !c->contactPhone().empty()) {
            withPhoto = c;
            break;
        }
    ASSERT_TRUE(withPhoto);
    pane.showContact(*withPhoto);
    EXPECT_EQ(pane.currentWidget(), pane.contactPage);
    EXPECT_EQ(pane.contactNamelab->text().toStdString(), withPhoto->contactName());
    EXPECT_EQ(pane.contactPhonelab->text().toStdString(), "Phone: " + withPhoto->contactPhone());
    EXPECT_TRUE(pane.contactPhonelab->isVisible());
    QImage photo;
    ASSERT_TRUE(photo.loadFromData(withPhoto->imageData()->data(), int(withPhoto->imageData()->size())));
    const QImage shown = pane.contactImageView->pixmap().toImage();
    const QImage fallback = images::imageNamed("contact").scaled(96, 96, Qt::KeepAspectRatio);
    EXPECT_NE(shown.convertToFormat(QImage::Format_ARGB32), fallback.convertToFormat(QImage::Format_ARGB32));
    testsupport::saveScreenshot(&pane, "browser-preview-contact");
}

TEST_F(PreviewPaneTest, ContactWithoutPhotoEmailOrNoteHidesThoseLines) {
    const auto& contacts = sampleRecords().contacts;
    PRContactNodePtr bare;
    for (const auto& c : contacts)
        if (!c->imageData()) {
            bare = std::make_shared<PRContactNode>(*c);
            break;
        }
    ASSERT_TRUE(bare) << "some sample contacts have no photo";
    bare->setContactEmail("");
    bare->setContactHomepage("");
    bare->setContactNote("");
    bare->setContactCompany("<i>Acme</i> & Sons");
    pane.showContact(*bare);
    EXPECT_FALSE(pane.contactEmaillab->isVisible());
    EXPECT_FALSE(pane.contactHomePagelab->isVisible());
    EXPECT_FALSE(pane.contactNotelab->isVisible());
    EXPECT_EQ(pane.contactCompanylab->text(), "Company: <i>Acme</i> & Sons");
    EXPECT_EQ(pane.contactCompanylab->textFormat(), Qt::PlainText);
    const QImage fallback = images::imageNamed("contact").scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    EXPECT_EQ(pane.contactImageView->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
              fallback.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    // A photo whose bytes are no image shows the same stand-in.
    bare->setImageData(makeBytes({1, 2, 3}));
    pane.showContact(*bare);
    EXPECT_FALSE(pane.contactImageView->pixmap().isNull());
}

TEST_F(PreviewPaneTest, PhotoShowsThePictureAndItsFacts) {
    const std::string picture = samplePicture();
    ASSERT_FALSE(picture.empty());
    PRPhotoAndVideoNode photo;
    photo.setFilePath(picture);
    photo.setFileNodeName("IMG_0001.JPG");
    photo.setFileNodeSize("12 KB");
    pane.showPhotoAndVideo(photo);
    EXPECT_EQ(pane.currentWidget(), pane.photoPage);
    EXPECT_FALSE(pane.imageView->pixmap().isNull());
    EXPECT_EQ(pane.movView, nullptr);
    EXPECT_EQ(pane.imageFileNamelab->text(), "File Name: IMG_0001.JPG");
    EXPECT_EQ(pane.imageFileSizelab->text(), "File Size: 12 KB");
    testsupport::saveScreenshot(&pane, "browser-preview-photo");
    // A file that is no image leaves the view empty.
    photo.setFilePath(writeFile("broken.jpg", "not a jpeg"));
    pane.showPhotoAndVideo(photo);
    EXPECT_TRUE(pane.imageView->pixmap().isNull());
}

TEST_F(PreviewPaneTest, MovieThatCannotBeDecodedShowsTheMovieIcon) {
    PRPhotoAndVideoNode movie;
    movie.setBmov(true);
    movie.setFileNodeName("IMG_0002.MOV");
    movie.setFilePath(testsupport::scratchDirectory("files") + "/missing.mov");
    pane.showPhotoAndVideo(movie);
    EXPECT_EQ(pane.movView, nullptr);  // nothing to decode: the icon at once
    EXPECT_FALSE(pane.imageView->pixmap().isNull());

    movie.setFilePath(writeFile("broken.mov", QByteArray(4096, 'x')));
    pane.showPhotoAndVideo(movie);
    ASSERT_NE(pane.movView, nullptr);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !pane.movView->isVisible(); }, std::chrono::seconds(15)));
    const QImage icon = pane.imageView->pixmap().toImage();
    EXPECT_FALSE(icon.isNull());

    // Chosen again, after another record, it shows its icon again, not an empty player.
    PRPhotoAndVideoNode photo;
    photo.setFilePath(samplePicture());
    pane.showPhotoAndVideo(photo);
    for (int again = 0; again < 2; ++again) {
        pane.showPhotoAndVideo(movie);
        testsupport::spinEventLoop(std::chrono::milliseconds(300));
        EXPECT_FALSE(pane.movView->isVisible()) << again;
        EXPECT_TRUE(pane.imageView->isVisible()) << again;
        EXPECT_EQ(pane.imageView->pixmap().toImage(), icon) << again;
    }

    // A photo chosen while a movie still loads keeps its own picture when the player's late
    // refusal arrives.
    movie.setFilePath(writeFile("broken2.mov", QByteArray(4096, 'y')));
    pane.showPhotoAndVideo(movie);
    photo.setFilePath(samplePicture());
    photo.setFileNodeName("IMG_0001.JPG");
    pane.showPhotoAndVideo(photo);
    const QImage shown = pane.imageView->pixmap().toImage();
    testsupport::spinEventLoop(std::chrono::milliseconds(1500));
    EXPECT_EQ(pane.imageView->pixmap().toImage(), shown);
    EXPECT_EQ(pane.imageFileNamelab->text(), "File Name: IMG_0001.JPG");
}

TEST_F(PreviewPaneTest, NotesStayPlainAndCalendarNamesItsEndDate) {
    PRNoteNode note;
    note.setNoteTitle("Shopping list");
    note.setNoteContent("Tomatoes &amp; basil\n<b>Milk</b>");
    pane.showNote(note);
    EXPECT_EQ(pane.noteTitlelab->text(), "Title: Shopping list");
    EXPECT_EQ(pane.noteContentView->string(), "Tomatoes &amp; basil\n<b>Milk</b>");
    EXPECT_EQ(elided::wholeText(pane.noteContentlab), "Note: Tomatoes &amp; basil <b>Milk</b>");

    PRCalenderNode event;
    event.setCalTitle("Dentist");
    event.setStartDate("03-01-2013 10:30");
    event.setEndDate("03-01-2013 11:30");
    pane.showCalender(event);
    EXPECT_EQ(pane.calStartDatelab->text(), "Start Date: 03-01-2013 10:30");
    EXPECT_EQ(pane.calEndDatelab->text(), "End Date: 03-01-2013 11:30");
}

TEST_F(PreviewPaneTest, SocialFileShowsPictureOrPreviewButton) {
    PRFaceTwitterNode file;
    file.setFaceTwitterFileName("cache.db");
    file.setFileSize("4 KB");
    file.setFaceTwitterFilePath(writeFile("cache.db", "SQLite format 3"));
    pane.showFaceTwitter(file);
    EXPECT_TRUE(pane.previewBtn->isVisible());
    EXPECT_FALSE(pane.faceTwitterShowImageView->isVisible());
    EXPECT_EQ(pane.faceTwitterFileNamelab->text(), "Name: cache.db");
    pane.previewBtn->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, workspace::Action::OpenFile);
    EXPECT_EQ(opened[0].second.toStdString(), file.faceTwitterFilePath());

    file.setFaceTwitterFilePath(samplePicture());
    pane.showFaceTwitter(file);
    EXPECT_FALSE(pane.previewBtn->isVisible());
    EXPECT_TRUE(pane.faceTwitterShowImageView->isVisible());
    // The button belongs to the social page: elsewhere it opens nothing.
    pane.showBookMark(PRBookMarkNode());
    pane.actPreView();
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(PreviewPaneTest, BackupFileShowsPictureOrTypeIcon) {
    PRTreeFileNode file;
    file.setFilePath(samplePicture());
    pane.showTreeFile(file);
    EXPECT_FALSE(pane.treeFileImageView->pixmap().isNull());
    file.setFilePath(writeFile("Info.plist", "<plist/>"));
    pane.showTreeFile(file);
    EXPECT_FALSE(pane.treeFileImageView->pixmap().isNull());
    file.setFilePath(std::nullopt);
    pane.showTreeFile(file);  // a record without a path: an icon, no crash

    // The data file is named by its key: the icon is that of the backed-up file's own type.
    auto shownImage = [&] { return pane.treeFileImageView->pixmap().toImage(); };
    file.setFilePath(writeFile(backupkeys::messages, "not a picture"));
    file.setTreefileName("clip.mov");
    pane.showTreeFile(file);
    const QImage movieIcon = shownImage();
    file.setTreefileName("Manifest");
    pane.showTreeFile(file);
    EXPECT_NE(shownImage(), movieIcon);
    // A picture named by a link in the backup is not followed: the type icon shows.
    const QString link = QString::fromStdString(testsupport::scratchDirectory("files") + "/linked");
    ASSERT_TRUE(QFile::link(QString::fromStdString(samplePicture()), link));
    file.setFilePath(link.toStdString());
    file.setTreefileName("clip.mov");
    pane.showTreeFile(file);
    EXPECT_EQ(shownImage(), movieIcon);
}

TEST_F(PreviewPaneTest, SampleConversationShowsItsFirstPageWithMore) {
    // The sample backup's longest conversation, grouped by number as the results screen does.
    std::map<std::string, std::vector<PRMessageNodePtr>> byPhone;
    for (const auto& m : sampleRecords().messages) byPhone[m->messagePhone()].push_back(m);
    auto longest = byPhone.begin();
    for (auto it = byPhone.begin(); it != byPhone.end(); ++it)
        if (it->second.size() > longest->second.size()) longest = it;
    ASSERT_GT(longest->second.size(), 50u);
    const std::string name =
        longest->second.front()->messageName().empty() ? longest->first : longest->second.front()->messageName();
    pane.showConversation(conversationOf(longest->second, name));
    EXPECT_EQ(pane.currentWidget(), pane.messageTreeScrollView);
    auto* view = pane.messageTreeScrollView;
    // A bubble per message, and one more for the text sent with an attachment.
    int bubbles = 0;
    for (size_t i = 0; i < 50; ++i) bubbles += 1 + !conversation::textBesideAttachment(*longest->second[i]).empty();
    EXPECT_EQ(view->documentView()->findChildren<PRChatView*>().size(), bubbles);
    EXPECT_EQ(view->haveAddChatNum, 50);
    ASSERT_NE(view->moreButton(), nullptr);
    EXPECT_EQ(view->moreButton()->text(), "More...");
    EXPECT_EQ(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    testsupport::saveScreenshot(&pane, "browser-preview-conversation");
}

}  // namespace
