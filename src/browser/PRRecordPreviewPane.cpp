#include "browser/PRRecordPreviewPane.h"

#include "browser/BackupPicture.h"
#include "browser/PRChatView.h"
#include "browser/PRConversationView.h"
#include "platform/Images.h"
#include "platform/Workspace.h"
#include "widgets/ElidedText.h"
#include "widgets/PRTextView.h"

#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMediaPlayer>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

QString format(const char* pattern, const std::string& value) { return QString::fromUtf8(pattern).arg(text(value)); }

// Backup texts are plain: a label never reads them as markup.
QLabel* addLabel(QVBoxLayout* layout, QWidget* page, bool wrap = true) {
    // A wrapped field breaks a word longer than the pane's width (an address, a link) too.
    auto* label = wrap ? new PRChatTextLabel(page) : new QLabel(page);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    return label;
}

QLabel* addImageView(QVBoxLayout* layout, QWidget* page, int minimumHeight) {
    auto* view = new QLabel(page);
    view->setAlignment(Qt::AlignCenter);
    view->setMinimumHeight(minimumHeight);
    view->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(view, 1);
    return view;
}

QWidget* newPage(QStackedWidget* stack, QVBoxLayout*& layout) {
    auto* page = new QWidget(stack);
    layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    stack->addWidget(page);
    return page;
}

// Keeps a scrolled page of fields at least as tall as its wrapped lines need at the width it is
// shown in: a layout's least height counts each wrapped line once, and the lines would be drawn
// over each other instead of scrolling.
class WrappedFieldsHeight final : public QObject {
public:
    WrappedFieldsHeight(QScrollArea* page, QWidget* fields) : QObject(fields), page_(page), fields_(fields) {
        page->viewport()->installEventFilter(this);
        fields->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) fit();
        return false;
    }

private:
    void fit() {
        QLayout* layout = fields_->layout();
        if (!layout || !layout->hasHeightForWidth()) return;
        const int height = layout->totalHeightForWidth(page_->viewport()->width());
        if (height != fields_->minimumHeight()) fields_->setMinimumHeight(height);
    }
    QScrollArea* page_;
    QWidget* fields_;
};

// A page of a record's fields: its lines wrap to the pane's width and scroll when they are
// more than the pane's height shows.
QWidget* newFieldsPage(QStackedWidget* stack, QVBoxLayout*& layout) {
    auto* page = new QScrollArea(stack);
    page->setFrameShape(QFrame::NoFrame);
    page->setWidgetResizable(true);
    page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* fields = new QWidget(page);
    new WrappedFieldsHeight(page, fields);
    layout = new QVBoxLayout(fields);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    page->setWidget(fields);
    stack->addWidget(page);
    return page;
}

// Shows image fitted into view, never enlarged beyond its own size.
void setFitted(QLabel* view, const QImage& image) {
    if (image.isNull()) {
        view->clear();
        return;
    }
    const QSize room = view->size().isValid() && view->width() > 20 ? view->size() : QSize(360, 360);
    QImage shown = image;
    if (image.width() > room.width() || image.height() > room.height())
        shown = image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    view->setPixmap(QPixmap::fromImage(shown));
}

void setShown(QLabel* label, const QString& value, bool shown) {
    label->setText(value);
    label->setVisible(shown);
}

}  // namespace

PRRecordPreviewPane::PRRecordPreviewPane(QWidget* parent) : QStackedWidget(parent), player(nullptr) {
    QVBoxLayout* l = nullptr;

    photoPage = newPage(this, l);
    // The movie view and its player are made for the first movie shown.
    movView = nullptr;
    imageView = addImageView(l, photoPage, 240);
    imageFileNamelab = addLabel(l, photoPage);
    imageFileSizelab = addLabel(l, photoPage);

    contactPage = newFieldsPage(this, l);
    contactImageView = new QLabel(contactPage);
    contactImageView->setFixedSize(96, 96);
    contactImageView->setAlignment(Qt::AlignCenter);
    l->addWidget(contactImageView);
    contactNamelab = addLabel(l, contactPage);
    QFont nameFont = contactNamelab->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.3);
    contactNamelab->setFont(nameFont);
    contactPhonelab = addLabel(l, contactPage);
    contactEmaillab = addLabel(l, contactPage);
    contactHomePagelab = addLabel(l, contactPage);
    contactCompanylab = addLabel(l, contactPage);
    contactJobTitlelab = addLabel(l, contactPage);
    contactBirthdaylab = addLabel(l, contactPage);
    contactNotelab = new PRTextView(contactPage);
    l->addWidget(contactNotelab, 1);
    l->addStretch();

    callPage = newFieldsPage(this, l);
    callNamelab = addLabel(l, callPage);
    callPhonelab = addLabel(l, callPage);
    callTypelab = addLabel(l, callPage);
    callTimelab = addLabel(l, callPage);
    callDatelab = addLabel(l, callPage);
    l->addStretch();

    notePage = newPage(this, l);
    noteTitlelab = addLabel(l, notePage);
    noteDatelab = addLabel(l, notePage);
    noteContentlab = addLabel(l, notePage, false);
    // A long note is cut with "...", not widening the pane; the view below holds all of it.
    noteContentlab->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    noteContentView = new PRTextView(notePage);
    l->addWidget(noteContentView, 1);

    bookMarkPage = newFieldsPage(this, l);
    bookMarkTitlelab = addLabel(l, bookMarkPage);
    bookMarkURLlab = addLabel(l, bookMarkPage);
    l->addStretch();

    calendarPage = newFieldsPage(this, l);
    calTitlelab = addLabel(l, calendarPage);
    calNotelab = addLabel(l, calendarPage);
    calStartDatelab = addLabel(l, calendarPage);
    calEndDatelab = addLabel(l, calendarPage);
    l->addStretch();

    faceTwitterPage = newPage(this, l);
    faceTwitterShowImageView = addImageView(l, faceTwitterPage, 240);
    previewBtn = new QPushButton(QStringLiteral("Preview"), faceTwitterPage);
    previewBtn->hide();
    l->addWidget(previewBtn, 0, Qt::AlignCenter);
    connect(previewBtn, &QPushButton::clicked, this, &PRRecordPreviewPane::actPreView);
    faceTwitterFileNamelab = addLabel(l, faceTwitterPage);
    faceTwitterFileSizelab = addLabel(l, faceTwitterPage);

    messageTreeScrollView = new PRConversationView(this);
    addWidget(messageTreeScrollView);

    QWidget* treePage = newPage(this, l);
    // Shown below the tree and the files: the picture fits what height they leave.
    treeFileImageView = addImageView(l, treePage, 80);

    emptyPage = new QWidget(this);
    addWidget(emptyPage);
    // Any other record shown ends the movie.
    connect(this, &QStackedWidget::currentChanged, this, [this] {
        if (currentWidget() != photoPage) stopMovie();
    });
}

PRRecordPreviewPane::~PRRecordPreviewPane() { stopMovie(); }

void PRRecordPreviewPane::stopMovie() {
    movieOnShow_.clear();
    if (player) player->stop();
}

QImage PRRecordPreviewPane::fileTypeIcon(const QString& extension) {
    static const QStringList movies = {"mov", "mp4", "m4v", "3gp", "avi"};
    QImage icon;
    if (movies.contains(extension.toLower())) {
        icon = images::imageNamed("quicktime");
    } else {
        const QMimeType type = QMimeDatabase().mimeTypeForFile("file." + extension, QMimeDatabase::MatchExtension);
        const QIcon themed = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        if (!themed.isNull()) icon = themed.pixmap(256, 256).toImage();
        if (icon.isNull()) icon = images::imageNamed("NULLImage");
    }
    if (icon.isNull()) return icon;
    return icon.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void PRRecordPreviewPane::showMovieIcon() {
    stopMovie();
    if (movView) movView->hide();
    imageView->show();
    imageView->setPixmap(QPixmap::fromImage(fileTypeIcon("mov")));
}

void PRRecordPreviewPane::showPhotoAndVideo(const PRPhotoAndVideoNode& record) {
    setCurrentWidget(photoPage);
    imageFileNamelab->setText(format("File Name: %1", record.fileNodeName()));
    imageFileSizelab->setText(format("File Size: %1", record.fileNodeSize()));
    stopMovie();
    if (!record.bmov()) {
        if (movView) movView->hide();
        imageView->show();
        setFitted(imageView, backuppicture::read(record.filePath()));
        return;
    }
    // The player opens the file itself: a link in the backup is not followed to what it names.
    const QFileInfo file(text(record.filePath()));
    if (file.isSymLink() || !file.isFile() || file.size() == 0) {
        showMovieIcon();
        return;
    }
    if (!player) {
        movView = new QVideoWidget(photoPage);
        movView->setMinimumHeight(240);
        static_cast<QVBoxLayout*>(photoPage->layout())->insertWidget(0, movView, 1);
        player = new QMediaPlayer(this);
        player->setVideoOutput(movView);
        // A movie the decoders refuse falls back to the movie icon; nothing is reported. The
        // answer may come after another record was chosen: it then belongs to no one.
        auto refused = [this] {
            if (movieOnShow_.isEmpty() || player->source() != movieOnShow_) return;
            refusedMovies_.insert(movieOnShow_);
            showMovieIcon();
        };
        connect(player, &QMediaPlayer::errorOccurred, this, refused);
        connect(player, &QMediaPlayer::mediaStatusChanged, this, [refused](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::InvalidMedia) refused();
        });
    }
    const QUrl movie = QUrl::fromLocalFile(file.absoluteFilePath());
    if (refusedMovies_.contains(movie)) {
        showMovieIcon();
        return;
    }
    imageView->hide();
    movView->show();
    movieOnShow_ = movie;
    player->setSource(QUrl());  // the same movie again is loaded again
    player->setSource(movieOnShow_);
    player->play();
}

void PRRecordPreviewPane::showContact(const PRContactNode& record) {
    setCurrentWidget(contactPage);
    QImage photo;
    if (record.imageData() && !record.imageData()->empty())
        photo.loadFromData(record.imageData()->data(), int(record.imageData()->size()));
    if (photo.isNull()) photo = images::imageNamed("contact");
    contactImageView->setPixmap(
        QPixmap::fromImage(photo.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    const std::string name = shownContactName(record);
    setShown(contactNamelab, format("%1", name), !name.empty());
    setShown(contactPhonelab, format("Phone: %1", record.contactPhone()), !record.contactPhone().empty());
    setShown(contactEmaillab, format("Email: %1", record.contactEmail()), !record.contactEmail().empty());
    setShown(contactHomePagelab, format("HomePage: %1", record.contactHomepage()), !record.contactHomepage().empty());
    setShown(contactCompanylab, format("Company: %1", record.contactCompany()), !record.contactCompany().empty());
    setShown(contactJobTitlelab, format("JobTitle: %1", record.contactJobtitle()), !record.contactJobtitle().empty());
    setShown(contactBirthdaylab, format("Birthday: %1", record.contactBirthday()), !record.contactBirthday().empty());
    contactNotelab->setString(format("Note: %1", record.contactNote()));
    contactNotelab->setVisible(!record.contactNote().empty());
}

void PRRecordPreviewPane::showCallHistory(const PRCallHistoryNode& record) {
    setCurrentWidget(callPage);
    callNamelab->setText(format("Name: %1", record.callName()));
    callPhonelab->setText(format("Phone: %1", record.callPhone()));
    callTypelab->setText(format("Type: %1", record.callType()));
    callTimelab->setText(format("Duration: %1", record.callDuration()));
    callDatelab->setText(format("Date: %1", record.callDate()));
}

void PRRecordPreviewPane::showNote(const PRNoteNode& record) {
    setCurrentWidget(notePage);
    noteTitlelab->setText(format("Title: %1", record.noteTitle()));
    noteDatelab->setText(format("Date: %1", record.noteDate()));
    // The note's line: its text as one line (the whole of it in the tip and the view below).
    const QString content = text(record.noteContent());
    elided::setText(noteContentlab, QStringLiteral("Note: %1").arg(content.simplified()));
    noteContentView->setString(content);
}

void PRRecordPreviewPane::showBookMark(const PRBookMarkNode& record) {
    setCurrentWidget(bookMarkPage);
    bookMarkTitlelab->setText(format("Title: \n%1", record.bookMarkTitle()));
    bookMarkURLlab->setText(format("URL: \n%1", record.bookMarkURL()));
}

void PRRecordPreviewPane::showCalender(const PRCalenderNode& record) {
    setCurrentWidget(calendarPage);
    calTitlelab->setText(format("Title: \n%1", record.calTitle()));
    calNotelab->setText(format("Note: \n%1", record.calNote()));
    calStartDatelab->setText(format("Start Date: %1", record.startDate()));
    calEndDatelab->setText(format("End Date: %1", record.endDate()));
}

void PRRecordPreviewPane::showFaceTwitter(const PRFaceTwitterNode& record) {
    setCurrentWidget(faceTwitterPage);
    faceTwitterFilePath_ = text(record.faceTwitterFilePath());
    const QImage image = backuppicture::read(record.faceTwitterFilePath());
    previewBtn->setVisible(image.isNull());
    faceTwitterShowImageView->setVisible(!image.isNull());
    setFitted(faceTwitterShowImageView, image);
    faceTwitterFileNamelab->setText(format("Name: %1", record.faceTwitterFileName()));
    faceTwitterFileSizelab->setText(format("Size: %1", record.fileSize()));
}

void PRRecordPreviewPane::actPreView() {
    if (currentWidget() == faceTwitterPage && !faceTwitterFilePath_.isEmpty())
        workspace::openFile(faceTwitterFilePath_);
}

void PRRecordPreviewPane::showConversation(const PRMessageTreeNodePtr& conversation) {
    setCurrentWidget(messageTreeScrollView);
    messageTreeScrollView->showConversation(conversation);
}

void PRRecordPreviewPane::showNothing() {
    filePicture_ = false;
    stopMovie();
    setCurrentWidget(emptyPage);
}

bool PRRecordPreviewPane::showsFile() const { return currentWidget() == treeFileImageView->parentWidget(); }

void PRRecordPreviewPane::showTreeFile(const PRTreeFileNode& record) {
    setCurrentWidget(treeFileImageView->parentWidget());
    // The data file in the backup is named by its key: the type is the backed-up file's own.
    QImage image = backuppicture::read(record.filePath().value_or(""));
    filePicture_ = !image.isNull();
    if (image.isNull()) image = fileTypeIcon(QFileInfo(text(record.treefileName())).suffix());
    setFitted(treeFileImageView, image);
}
