// The preview beside the results screen's category tables: one page per record kind, filled
// from the selected record. The results screen owns one pane and, when the selection of the
// showing category table changes (and it is not emptying its tables to open another backup),
// calls the entry point of that category with the record at the selected row; with no row
// selected it calls nothing, so the pane keeps what it showed. The social-app page's "Preview"
// button opens the shown file in its default application (actPreView). Backup texts are shown
// as plain text: markup in a message, note or contact shows as written.
#pragma once

#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRTreeDirNode.h"

#include <QSet>
#include <QStackedWidget>
#include <QUrl>

class QLabel;
class QMediaPlayer;
class QPushButton;
class QScrollArea;
class QVideoWidget;
class PRConversationView;
class PRTextView;

class PRRecordPreviewPane : public QStackedWidget {
    Q_OBJECT
public:
    explicit PRRecordPreviewPane(QWidget* parent = nullptr);
    ~PRRecordPreviewPane() override;

    void showPhotoAndVideo(const PRPhotoAndVideoNode& record);
    void showContact(const PRContactNode& record);
    void showCallHistory(const PRCallHistoryNode& record);
    void showNote(const PRNoteNode& record);
    void showBookMark(const PRBookMarkNode& record);
    void showCalender(const PRCalenderNode& record);
    void showFaceTwitter(const PRFaceTwitterNode& record);
    void showConversation(const PRMessageTreeNodePtr& conversation);
    void showTreeFile(const PRTreeFileNode& record);
    // An empty page: the category on show has no record to preview.
    void showNothing();
    // Whether the backup file shown last is a picture shown as itself (not its type's icon).
    bool showsFilePicture() const { return filePicture_; }
    // Whether a backup file is on show (its picture or its type's icon).
    bool showsFile() const;
    // The social-app page's button: opens the shown file with its default application.
    void actPreView();

    // The icon shown for a file that is not a readable image: the desktop's icon for the type
    // when there is one, else one of our own, 256 by 256.
    static QImage fileTypeIcon(const QString& extension);

    // Photos and videos.
    QWidget* photoPage;
    QVideoWidget* movView;  // null until a movie is shown
    QLabel *imageView, *imageFileNamelab, *imageFileSizelab;
    QMediaPlayer* player;
    // Contacts.
    QWidget* contactPage;
    QLabel *contactImageView, *contactNamelab, *contactPhonelab, *contactEmaillab, *contactHomePagelab,
        *contactCompanylab, *contactJobTitlelab, *contactBirthdaylab;
    PRTextView* contactNotelab;
    // Calls.
    QWidget* callPage;
    QLabel *callNamelab, *callPhonelab, *callTypelab, *callTimelab, *callDatelab;
    // Notes.
    QWidget* notePage;
    QLabel *noteTitlelab, *noteDatelab, *noteContentlab;
    PRTextView* noteContentView;
    // Bookmarks.
    QWidget* bookMarkPage;
    QLabel *bookMarkTitlelab, *bookMarkURLlab;
    // Calendar.
    QWidget* calendarPage;
    QLabel *calTitlelab, *calNotelab, *calStartDatelab, *calEndDatelab;
    // Social-app files.
    QWidget* faceTwitterPage;
    QLabel *faceTwitterShowImageView, *faceTwitterFileNamelab, *faceTwitterFileSizelab;
    QPushButton* previewBtn;
    // Conversations and backup files.
    PRConversationView* messageTreeScrollView;
    QLabel* treeFileImageView;
    QWidget* emptyPage;

private:
    void showMovieIcon();
    // Stops the movie on show: a late result of its player then changes nothing.
    void stopMovie();
    QUrl movieOnShow_;
    // Movies the decoders refused: chosen again, each shows the movie icon at once (the player
    // answers nothing when handed the source it already has).
    QSet<QUrl> refusedMovies_;
    QString faceTwitterFilePath_;
    bool filePicture_ = false;
};
