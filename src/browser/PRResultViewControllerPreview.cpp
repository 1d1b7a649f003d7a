// The preview beside the results screen's pages and the small helps around it: the selected
// record of the view on show goes to the pane, the messages tab exports the shown
// conversation as a picture, the help button opens the guide, and the text links open our
// web pages or the feedback window.
#include "browser/PRConversationImageExport.h"
#include "browser/PRConversationView.h"
#include "browser/PRFeedbackWindow.h"
#include "browser/PRGuideSheet.h"
#include "browser/PRLinkButton.h"
#include "browser/PRRecordPreviewPane.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/PRSrollThumView.h"
#include "browser/PRSupportLinks.h"
#include "browser/PRThumbnailModel.h"
#include "platform/Dialogs.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ButtonNotices.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <algorithm>

void PRResultViewController::buildPreviewPane() {
    previewPane = new PRRecordPreviewPane(contentSplit);
    previewPane->setObjectName("previewPane");
    // The pages and the pane share the width (fitPreviewPane); neither is squeezed below what
    // keeps it readable.
    CustomView->setMinimumWidth(200);
    previewPane->setMinimumSize(180, 80);
    previewPane->setFrameShape(QFrame::StyledPanel);
    messageTreeScrollView = previewPane->messageTreeScrollView;
    contentSplit->addWidget(previewPane);
    contentSplit->setStretchFactor(0, 1);
    contentSplit->setStretchFactor(1, 0);
    contentSplit->setCollapsible(0, false);
    contentSplit->setCollapsible(1, false);
    previewPane->hide();

    for (int c = 0; c < CategoryCount; ++c) {
        QAbstractItemView* view = c == Photos ? static_cast<QAbstractItemView*>(thumView) : tables_[c];
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { tableViewSelectionDidChange(); });
    }
    conversationExport = new PRConversationImageExport(this);
    conversationExport->onFinished = [this](const std::string& path, bool written) {
        if (written) {
            const QString saved = QString::fromStdString(path);
            tellActionDone(view(),
                           tr("The picture of the conversation was saved as %1").arg(QFileInfo(saved).fileName()),
                           QFileInfo(saved).path());
            return;
        }
        AlertRequest alert;
        alert.messageText =
            tr("The picture of the conversation could not be written to \"%1\".").arg(QString::fromStdString(path));
        alert.window = view()->window();
        dialogs::runAlert(alert);
    };
    connect(exportBtn, &QPushButton::clicked, this, [this] { actExportImage(); });
    connect(getLogBtn, &QPushButton::clicked, this, [this] { clickGetLog(); });
}

void PRResultViewController::buildLinks(QBoxLayout* column) {
    supprotBtn = new QPushButton(tr("Support"), view());
    supprotBtn->setObjectName("supprotBtn");
    supprotBtn->setFlat(true);
    supprotBtn->setCursor(Qt::PointingHandCursor);
    supprotBtn->setStyleSheet(
        "QPushButton { border: none; color: #1a3fc4; text-decoration: underline; "
        "text-align: left; padding: 0px; }");
    column->addWidget(supprotBtn, 0, Qt::AlignLeft);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    facebookBtn = new PRLinkButton("Facebook", view());
    twitterBtn = new PRLinkButton("Twitter", view());
    feedBackBtn = new PRLinkButton("Feedback", view());
    facebookBtn->setObjectName("facebookBtn");
    twitterBtn->setObjectName("twitterBtn");
    feedBackBtn->setObjectName("feedBackBtn");
    for (QAbstractButton* b : {facebookBtn, twitterBtn, feedBackBtn}) row->addWidget(b);
    row->addStretch(1);
    column->addLayout(row);

    supportLinks = new PRSupportLinks(this);
    supportLinks->setLinkButtons(facebookBtn, twitterBtn, feedBackBtn);
    connect(supprotBtn, &QPushButton::clicked, supportLinks, &PRSupportLinks::clickSupport);
    connect(facebookBtn, &QAbstractButton::clicked, supportLinks, &PRSupportLinks::clickFacebook);
    connect(twitterBtn, &QAbstractButton::clicked, supportLinks, &PRSupportLinks::clickTwitter);
    connect(feedBackBtn, &QAbstractButton::clicked, this, [this] { clickFeedBack(); });

    // The hover notifications name their button only by identity; the links recognise theirs.
    auto forward = [this](const NSNotification& n, bool entered) {
        for (QAbstractButton* b : {facebookBtn, twitterBtn, feedBackBtn}) {
            if (static_cast<const void*>(static_cast<PRNotifyingButton*>(static_cast<PRLinkButton*>(b))) != n.sender())
                continue;
            if (entered)
                supportLinks->PRbuttonMouseEnteredHandle(b);
            else
                supportLinks->PRbuttonMouseExitedHandle(b);
        }
    };
    auto& nc = NSNotificationCenter::defaultCenter();
    notices::PRbuttonMouseEntered.observe(nc, this, [forward](const NSNotification& n) { forward(n, true); });
    notices::PRbuttonMouseExited.observe(nc, this, [forward](const NSNotification& n) { forward(n, false); });
}

void PRResultViewController::fitPreviewPane(Category category) {
    // A backup file previews as its picture or its type's icon; without a file chosen the tree
    // and the files take the whole room.
    const bool shown = category != BackupFiles || previewPane->showsFile();
    previewPane->setVisible(shown);
    if (!shown) return;
    // A call, a bookmark or a calendar entry previews as a few short lines, a backup file as
    // its picture: below the table (and the tree), which keep the whole width for their
    // columns and names.
    const bool below =
        category == CallHistory || category == BookMarks || category == Calendar || category == BackupFiles;
    contentSplit->setOrientation(below ? Qt::Vertical : Qt::Horizontal);
    if (below) {
        const int total = contentSplit->height() - contentSplit->handleWidth();
        QWidget* page = previewPane->currentWidget();
        const int height = std::clamp(page ? page->sizeHint().height() : 0, 100, total / 2);
        if (total > height) contentSplit->setSizes({total - height, height});
        return;
    }
    // Beside the table, a picture takes a little more than the fields of a record, and a
    // conversation half, so that its bubbles keep their whole width and a short sentence its
    // one line (the list shows a conversation's name above its address); the table keeps the
    // rest.
    const double share = category == Messages ? 0.5 : category == Photos ? 0.42 : 0.34;
    const int total = contentSplit->width() - contentSplit->handleWidth();
    const int width = std::max(previewPane->minimumWidth(), int(total * share));
    if (total > width) contentSplit->setSizes({total - width, width});
}

void PRResultViewController::setHelpsEnabled(bool enabled) {
    getLogBtn->setEnabled(enabled);
    supprotBtn->setEnabled(enabled);
    for (QAbstractButton* b : {facebookBtn, twitterBtn, feedBackBtn}) b->setEnabled(enabled);
}

void PRResultViewController::selectFirstRow(Category category) {
    PRRecordTableModel* model = modelOf(category);
    QAbstractItemView* shown = category == Photos ? static_cast<QAbstractItemView*>(thumView) : tableOf(category);
    shown->clearSelection();
    if (model->rowCount() == 0) {
        previewPane->showNothing();
        return;
    }
    if (category == Photos)
        thumView->setCurrentIndex(thumbnailModel->index(0, 0));
    else
        tableOf(category)->selectRow(0);
}

void PRResultViewController::tableViewSelectionDidChange() {
    if (bSelectedNode || !previewPane || !currentTableView) return;
    QItemSelectionModel* selection = currentTableView->selectionModel();
    if (!selection || !selection->hasSelection()) return;
    // The row selected last: the current one when it is selected.
    const QModelIndex current = currentTableView->currentIndex();
    const int row = current.isValid() && selection->isSelected(current) ? current.row()
                                                                        : selection->selectedIndexes().front().row();
    PRRecordTableModel* model = modelOf(current_);
    if (!model || row < 0 || row >= model->rowCount()) return;
    switch (current_) {
    case BackupFiles:
        previewPane->showTreeFile(*treeFileController->recordOfRow(row));
        return fitPreviewPane(BackupFiles);
    case Photos: return previewPane->showPhotoAndVideo(*photoController->recordOfRow(row));
    case Contacts: return previewPane->showContact(*contactController->recordOfRow(row));
    case Messages: return previewPane->showConversation(messageTreeController->recordOfRow(row));
    case CallHistory: return previewPane->showCallHistory(*callHistoryController->recordOfRow(row));
    case Notes: return previewPane->showNote(*noteController->recordOfRow(row));
    case BookMarks: return previewPane->showBookMark(*bookMarkController->recordOfRow(row));
    case Calendar: return previewPane->showCalender(*calendarController->recordOfRow(row));
    case FaceTwitter: return previewPane->showFaceTwitter(*faceTwitterController->recordOfRow(row));
    default: return;
    }
}

void PRResultViewController::actExportImage() {
    // Before any conversation is shown there is nothing to picture.
    if (!messageTreeScrollView->currentMessageTreeNode || previewPane->currentWidget() != messageTreeScrollView) return;
    conversationExport->actExportImage(messageTreeScrollView);
}

void PRResultViewController::clickGetLog() {
    if (!guidWindow) guidWindow = new PRGuideSheet(view()->window());
    guidWindow->clickGetLog();
}

void PRResultViewController::clickFeedBack() {
    if (!feedbackWindow) feedbackWindow = new PRFeedbackWindow(view());
    feedbackWindow->clickFeedBack();
}
