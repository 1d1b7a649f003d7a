// The contact, message and note sub-views: the device is backed up once into the page's backup
// folder, the transfer readers run on that backup on a worker and post their records with the
// page's token, the intake collects them (messages as conversations) and each table is filled
// on the main thread when its reader has ended. The selected row is previewed beside its
// table; each table's context menu exports the clicked row or the whole table into the fixed
// folders under Documents, or into a folder the user chooses.
#include "appcore/AppState.h"
#include "browser/ConversationPdf.h"
#include "browser/PRConversationView.h"
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/NewFile.h"
#include "platform/NewFileDevice.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "transfer/PRTansferViewController.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ColumnFit.h"
#include "widgets/RecordTableModels.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using transfer::RecordExport;
using transfer::RecordExportResult;
using transfer::RecordKind;

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

QTableView* makeTable(QWidget* parent, const char* name, QAbstractItemModel* model) {
    auto* table = new QTableView(parent);
    table->setObjectName(name);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    columnfit::fitColumns(table);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    return table;
}

// A sub-view: title and status line over a table with its preview on the right.
QSplitter* layoutRecordView(QWidget* view, const QString& title, QLabel** status, QTableView* table) {
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(16, 12, 16, 8);
    auto* header = new QHBoxLayout;
    auto* titleLabel = new QLabel(title, view);
    titleLabel->setStyleSheet("font-size: 16px; font-weight: bold;");
    *status = new QLabel(view);
    (*status)->setWordWrap(true);
    header->addWidget(titleLabel);
    header->addSpacing(16);
    header->addWidget(*status, 1);
    layout->addLayout(header);
    auto* splitter = new QSplitter(Qt::Horizontal, view);
    splitter->addWidget(table);
    layout->addWidget(splitter, 1);
    return splitter;
}

QLabel* cardLabel(QWidget* parent, QVBoxLayout* layout, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    return label;
}

}  // namespace

// ---- Views ----------------------------------------------------------------------------------

void PRTansferViewController::buildRecordViews() {
    // The tables list the records read only, in the order they came.
    contactController = new PRContactController(this, PRRecordTableModel::Layout::Listing);
    messageController = new PRMessageTreeController(this, PRRecordTableModel::Layout::Listing);
    noteController = new PRNoteController(this, PRRecordTableModel::Layout::Listing);

    contactTableView = makeTable(contactView, "contactTableView", contactController);
    QSplitter* split = layoutRecordView(contactView, tr("Contacts"), &contactStatuslab, contactTableView);
    auto* card = new QWidget(contactView);
    card->setObjectName("contactCard");
    auto* cardLayout = new QVBoxLayout(card);
    contactImageView = new QLabel(card);
    contactImageView->setObjectName("contactImageView");
    contactImageView->setFixedSize(96, 96);
    contactImageView->setScaledContents(true);
    cardLayout->addWidget(contactImageView);
    contactNamelab = cardLabel(card, cardLayout, "contactNamelab");
    contactNamelab->setStyleSheet("font-size: 15px; font-weight: bold;");
    contactPhonelab = cardLabel(card, cardLayout, "contactPhonelab");
    contactEmaillab = cardLabel(card, cardLayout, "contactEmaillab");
    contactHomepagelab = cardLabel(card, cardLayout, "contactHomepagelab");
    contactCompanylab = cardLabel(card, cardLayout, "contactCompanylab");
    contactJobtitlelab = cardLabel(card, cardLayout, "contactJobtitlelab");
    contactBirthdaylab = cardLabel(card, cardLayout, "contactBirthdaylab");
    contactNotelab = cardLabel(card, cardLayout, "contactNotelab");
    cardLayout->addStretch(1);
    split->addWidget(card);
    split->setSizes({520, 300});

    messageTableView = makeTable(messageView, "messageTableView", messageController);
    split = layoutRecordView(messageView, tr("Messages"), &messageStatuslab, messageTableView);
    messageTreeScrollView = new PRConversationView(messageView);
    messageTreeScrollView->setObjectName("messageTreeScrollView");
    split->addWidget(messageTreeScrollView);
    split->setSizes({440, 380});

    noteTableView = makeTable(noteView, "noteTableView", noteController);
    split = layoutRecordView(noteView, tr("Notes"), &noteStatuslab, noteTableView);
    auto* noteScroll = new QScrollArea(noteView);
    noteScroll->setWidgetResizable(true);
    noteContentlab = new QLabel(noteScroll);
    noteContentlab->setObjectName("noteContentlab");
    noteContentlab->setWordWrap(true);
    noteContentlab->setTextFormat(Qt::PlainText);
    noteContentlab->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    noteContentlab->setMargin(8);
    noteContentlab->setTextInteractionFlags(Qt::TextSelectableByMouse);
    noteScroll->setWidget(noteContentlab);
    split->addWidget(noteScroll);
    split->setSizes({440, 380});

    for (QTableView* table : {contactTableView, messageTableView, noteTableView})
        connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, table] { tableViewSelectionDidChange(table); });

    // The context menus: the clicked row is kept for the exports of one record.
    struct MenuEntry {
        QString title;
        void (PRTansferViewController::*action)(QObject*);
    };
    auto menu = [this](QTableView* table, QMenu** outlet, int* clicked, RecordKind kind,
                       std::vector<MenuEntry> entries) {
        *outlet = new QMenu(table);
        for (const MenuEntry& e : entries)
            connect((*outlet)->addAction(e.title), &QAction::triggered, this,
                    [this, a = e.action] { (this->*a)(nullptr); });
        connect((*outlet)->addAction(tr("Export All to a Folder...")), &QAction::triggered, this,
                [this, kind] { exportRecordsToChosenFolder(kind); });
        connect(table, &QTableView::customContextMenuRequested, this, [this, table, outlet, clicked](const QPoint& at) {
            openTableMenu(table, *outlet, clicked, at, false);
        });
    };
    menu(contactTableView, &contactMenu, &contactClickedRow, RecordKind::Contacts,
         {{tr("Export Selected to Documents"), &PRTansferViewController::exportSelectedContactToDocument},
          {tr("Export All to Documents"), &PRTansferViewController::exportallContactsToDocument}});
    menu(messageTableView, &messageMenu, &messageClickedRow, RecordKind::Messages,
         {{tr("Export Selected as HTML"), &PRTansferViewController::exportSelectedMessageToDocumentHtml},
          {tr("Export All as HTML"), &PRTansferViewController::exportAllMessagesToDocumentHtml},
          {tr("Export Selected as PDF"), &PRTansferViewController::exportSelectedMessageToDocumentPdf},
          {tr("Export All as PDF"), &PRTansferViewController::exportAllMessagesToDocumentPdf}});
    menu(noteTableView, &noteMenu, &noteClickedRow, RecordKind::Notes,
         {{tr("Export Selected to Documents"), &PRTansferViewController::exortSelectedNoteToDocument},
          {tr("Export All to Documents"), &PRTansferViewController::exportAllNotesToDocument}});

    // The intake runs on the reader's worker; the table is filled on the main thread, which
    // the worker waits for.
    recordIntake_.onFinished = [this](RecordKind kind) {
        performOnMainThread(
            this,
            [this, kind] {
                if (!recordWorkers_.cancelled() && recordRunStamp_.holds()) ScanTransferFinishedOnMainThread(kind);
            },
            true);
    };
}

// ---- Reading ----------------------------------------------------------------------------------

void PRTansferViewController::showContact(int) { openRecords(RecordKind::Contacts); }
void PRTansferViewController::showMessage(int) { openRecords(RecordKind::Messages); }
void PRTansferViewController::showNote(int) { openRecords(RecordKind::Notes); }

void PRTansferViewController::openRecords(RecordKind kind) {
    view();
    bool* started = kind == RecordKind::Contacts   ? &bContactStartTransfer
                    : kind == RecordKind::Messages ? &bMessageStartTransfer
                                                   : &bNoteStartTrasfer;
    const bool finished = kind == RecordKind::Contacts   ? bContactFinished
                          : kind == RecordKind::Messages ? bMessageFinished
                                                         : bNoteFinished;
    if (*started || finished) return;
    *started = true;
    QLabel* status = kind == RecordKind::Contacts   ? contactStatuslab
                     : kind == RecordKind::Messages ? messageStatuslab
                                                    : noteStatuslab;
    status->setText(bBackup ? tr("Reading...") : tr("Backing the device up..."));
    if (recordScanIndicator) recordScanIndicator(kind, true);
    StartBackupDeviceThread(kind);
}

void PRTansferViewController::StartBackupDeviceThread(RecordKind kind) {
    std::pair<std::string, std::string> device;
    if (recordDevice)
        device = recordDevice();
    else if (const AppState* state = AppState::current(); state && state->currentIDevicenode())
        device = {state->currentIDevicenode()->udidNumber().toStdString(),
                  state->currentIDevicenode()->deviceName().toStdString()};
    recordDeviceName_ = device.second;
    transfer::RecordReadRequest request;
    request.kind = kind;
    request.identifier = device.first;
    request.sender = recordIntake_.token();
    // The records are read from a backup of the device attached now, named by its identifier;
    // they belong to it as the other pages' results do.
    const DeviceStamp stamp = tie_.tieTo(tranferDevice);
    // Decided when the job runs: a request queued behind a backup finds it done.
    recordWorkers_.start([this, request, stamp](const std::atomic<bool>& cancelled) mutable {
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, &request, &stamp] {
                request.backupDone = bBackup;
                request.contactsRead = bContactFinished;
                recordRunStamp_ = stamp;
            },
            true);
        if (cancelled) return;
        if (request.kind == RecordKind::Contacts || !request.contactsRead) recordIntake_.startContactRead();
        const transfer::RecordReadResult result = transfer::TransferRecordRun::run(request, recordScanState_);
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, result, stamp] {
                if (!recordWorkers_.cancelled() && stamp.holds()) FinisdBackupDeviceThread(result);
            },
            true);
    });
}

void PRTansferViewController::FinisdBackupDeviceThread(const transfer::RecordReadResult& result) {
    ++recordReadsFinished_;
    bool* started = result.kind == RecordKind::Contacts   ? &bContactStartTransfer
                    : result.kind == RecordKind::Messages ? &bMessageStartTransfer
                                                          : &bNoteStartTrasfer;
    *started = false;
    if (recordScanIndicator) recordScanIndicator(result.kind, false);
    if (result.backedUp) {
        bBackup = true;
        return;
    }
    // No backup: nothing of an earlier device stays in the tables, and the next opening tries again.
    bBackup = false;
    clearRecords();
    const QString message = tr("The device could not be backed up: %1").arg(qs(result.failure));
    for (QLabel* status : {contactStatuslab, messageStatuslab, noteStatuslab}) status->setText(message);
}

void PRTansferViewController::clearRecords() {
    recordIntake_.clear();
    bPreviewTag = true;
    contactController->setRecords({});
    messageController->setRecords({});
    noteController->setRecords({});
    bPreviewTag = false;
    bContactFinished = bMessageFinished = bNoteFinished = false;
    messageTreeScrollView->showConversation(nullptr);
    for (QLabel* label : {contactNamelab, contactPhonelab, contactEmaillab, contactHomepagelab, contactCompanylab,
                          contactJobtitlelab, contactBirthdaylab, contactNotelab, noteContentlab})
        label->clear();
    contactImageView->clear();
}

void PRTansferViewController::ScanTransferFinishedOnMainThread(RecordKind kind) {
    auto fill = [this](QTableView* table, auto* model, auto records, QLabel* status, const QString& count) {
        bPreviewTag = true;
        model->setRecords(std::move(records));
        status->setText(count);
        if (model->rowCount() > 0) {
            table->clearSelection();
            table->selectRow(0);
        }
        bPreviewTag = false;
        tableViewSelectionDidChange(table);
    };
    if (kind == RecordKind::Contacts) {
        const auto contacts = recordIntake_.contactArray();
        fill(contactTableView, contactController, contacts, contactStatuslab,
             counted(contacts.size(), "contact", "contacts"));
        bContactFinished = true;
    } else if (kind == RecordKind::Messages) {
        const auto conversations = recordIntake_.messageTreeArray();
        fill(messageTableView, messageController, conversations, messageStatuslab,
             counted(conversations.size(), "conversation", "conversations") + QStringLiteral(", ") +
                 counted(recordIntake_.messageArray().size(), "message", "messages"));
        bMessageFinished = true;
    } else {
        const auto notes = recordIntake_.noteArray();
        fill(noteTableView, noteController, notes, noteStatuslab, counted(notes.size(), "note", "notes"));
        bNoteFinished = true;
    }
}

// ---- Preview ----------------------------------------------------------------------------------

void PRTansferViewController::tableViewSelectionDidChange(QTableView* table) {
    if (!table || !table->selectionModel()) return;
    if (table == musicTableView || table == videoTableView) return previewTrack(table == videoTableView);
    if (table == appTableView) return previewAppFile();
    if (bPreviewTag) return;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    if (table == messageTableView) messageTreeScrollView->previewCount = 50;
    if (rows.isEmpty()) return;
    const int row = rows.first().row();
    if (table == contactTableView) {
        const PRContactNodePtr contact = contactController->at(row);
        if (!contact) return;
        const std::pair<QLabel*, QString> lines[] = {
            {contactNamelab, qs(shownContactName(*contact))},     {contactPhonelab, qs(contact->contactPhone())},
            {contactEmaillab, qs(contact->contactEmail())},       {contactHomepagelab, qs(contact->contactHomepage())},
            {contactCompanylab, qs(contact->contactCompany())},   {contactJobtitlelab, qs(contact->contactJobtitle())},
            {contactBirthdaylab, qs(contact->contactBirthday())}, {contactNotelab, qs(contact->contactNote())}};
        const QString formats[] = {QStringLiteral("%1"), tr("Phone: %1"),    tr("Email: %1"),    tr("HomePage: %1"),
                                   tr("Company: %1"),    tr("JobTitle: %1"), tr("Birthday: %1"), tr("Note: %1")};
        for (size_t i = 0; i < std::size(lines); ++i) {
            lines[i].first->setText(formats[i].arg(lines[i].second));
            lines[i].first->setHidden(lines[i].second.isEmpty());
        }
        QImage picture;
        if (contact->imageData() && !contact->imageData()->empty())
            picture.loadFromData(reinterpret_cast<const uchar*>(contact->imageData()->data()),
                                 int(contact->imageData()->size()));
        if (picture.isNull()) picture = images::imageNamed(QStringLiteral("contact"));
        contactImageView->setPixmap(QPixmap::fromImage(picture));
    } else if (table == messageTableView) {
        messageTreeScrollView->showConversation(messageController->at(row));
    } else if (table == noteTableView) {
        if (const PRNoteNodePtr note = noteController->at(row)) noteContentlab->setText(qs(note->noteContent()));
    }
}

// ---- Exports ----------------------------------------------------------------------------------

std::string PRTansferViewController::recordDeviceName() const {
    return recordDeviceName_.empty() ? std::string("iPhone") : recordDeviceName_;
}

void PRTansferViewController::startRecordExport(std::function<RecordExportResult()> work, const QString& folder) {
    recordExportWorkers_.start([this, work = std::move(work), folder](const std::atomic<bool>& cancelled) {
        // An export run again into the same folder keeps what it wrote before: a file whose
        // bytes are there already, under its name or a numbered one, is not written again.
        const files::SkipFilesAlreadyThere keepTheFirst;
        const RecordExportResult result = work();
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, result, folder] {
                if (!recordExportWorkers_.cancelled()) finishRecordExport(result, folder);
            },
            true);
    });
}

void PRTansferViewController::finishRecordExport(const RecordExportResult& result, const QString& folder) {
    ++recordExportsFinished_;
    if (const QString line = exportedCount(result.written, result.alreadyThere, "item", "items");
        !folder.isEmpty() && !line.isEmpty())
        tellActionDone(view(), line, folder);
    if (result.ok()) return;
    AlertRequest alert;
    alert.messageText = counted(result.failures, "item", "items") + tr(" could not be exported.");
    alert.informativeText = tr("%1: %2").arg(qs(result.firstFailedPath), qs(result.firstReason));
    alert.style = AlertRequest::Style::Warning;
    dialogs::runAlert(alert);
}

void PRTansferViewController::exportSelectedContactToDocument(QObject*) {
    const std::string folder = RecordExport::contactFolder();
    const PRContactNodePtr contact = contactController->at(contactClickedRow);
    if (!contact) {
        // No row under the menu: the folder is made, nothing is written or shown.
        files::makeFolders(folder);
        return;
    }
    startRecordExport([contact, folder] { return RecordExport::exportContacts({contact}, folder); }, qs(folder));
}

void PRTansferViewController::exportallContactsToDocument(QObject*) {
    const std::string folder = RecordExport::contactFolder();
    startRecordExport(
        [contacts = contactController->content(), folder] { return RecordExport::exportContacts(contacts, folder); },
        qs(folder));
}

void PRTansferViewController::exportSelectedMessageToDocumentHtml(QObject*) {
    const PRMessageTreeNodePtr conversation = messageController->at(messageClickedRow);
    const std::string folder = RecordExport::messageFolder(), device = recordDeviceName();
    startRecordExport(
        [conversation, folder, device] {
            if (!conversation) {
                RecordExportResult none;
                paths::makeDirectories(folder);
                return none;
            }
            return RecordExport::exportConversation(*conversation, device, folder);
        },
        qs(folder));
}

void PRTansferViewController::exportAllMessagesToDocumentHtml(QObject*) {
    const std::string folder = RecordExport::messageFolder(), device = recordDeviceName();
    startRecordExport(
        [conversations = messageController->content(), folder, device] {
            RecordExportResult all;
            paths::makeDirectories(folder);
            for (const PRMessageTreeNodePtr& c : conversations)
                all.add(RecordExport::exportConversation(*c, device, folder));
            return all;
        },
        qs(folder));
}

void PRTansferViewController::exportSelectedMessageToDocumentPdf(QObject*) {
    const PRMessageTreeNodePtr conversation = messageController->at(messageClickedRow);
    if (!conversation) return;
    exportConversationsAsPdf({conversation}, qs(RecordExport::messageFolder()));
}

void PRTansferViewController::exportAllMessagesToDocumentPdf(QObject*) {
    exportConversationsAsPdf(messageController->content(), qs(RecordExport::messageFolder()));
}

// Each PDF is drawn on the main thread while the worker waits (the conversation view is a
// widget), its bytes going to the file as they are made; the worker puts the file in place: the
// next conversation starts once the one before it is written.
void PRTansferViewController::exportConversationsAsPdf(std::vector<PRMessageTreeNodePtr> conversations,
                                                       const QString& folder) {
    startRecordExport(
        [this, conversations = std::move(conversations), folder] {
            RecordExportResult all;
            for (const PRMessageTreeNodePtr& conversation : conversations) {
                if (recordExportWorkers_.cancelled()) break;
                const QString pdf =
                    folder + QLatin1Char('/') + qs(RecordExport::conversationBaseName(*conversation)) + ".pdf";
                all.counted(writeConversationPdf(conversation, pdf));
            }
            return all;
        },
        folder);
}

files::Outcome PRTansferViewController::writeConversationPdf(const PRMessageTreeNodePtr& conversation,
                                                             const QString& pdfPath) {
    if (const std::string folderWhy = files::makeFolders(QFileInfo(pdfPath).absolutePath().toStdString());
        !folderWhy.empty())
        return {pdfPath.toStdString(), folderWhy};
    files::NewFile file(pdfPath.toStdString());
    QString why;
    bool drawn = false;
    performOnMainThread(
        this,
        [&] {
            files::NewFileDevice into(file);
            drawn = conversationpdf::writeConversationPdf(conversation, into, &why);
        },
        true);
    // Not drawn (also when the page went before it could draw) is a failure, never a file.
    if (!drawn) file.fail(why.isEmpty() ? std::string("the PDF could not be drawn") : why.toStdString());
    // Placed here, where the writer keeps what is there.
    return file.finish();
}

void PRTansferViewController::exortSelectedNoteToDocument(QObject*) {
    const PRNoteNodePtr note = noteController->at(noteClickedRow);
    const std::string folder = RecordExport::noteFolder();
    startRecordExport(
        [note, folder] {
            if (!note) {
                paths::makeDirectories(folder);
                return RecordExportResult();
            }
            return RecordExport::exportNotes({note}, folder);
        },
        qs(folder));
}

void PRTansferViewController::exportAllNotesToDocument(QObject*) {
    const std::string folder = RecordExport::noteFolder();
    startRecordExport([notes = noteController->content(), folder] { return RecordExport::exportNotes(notes, folder); },
                      qs(folder));
}

void PRTansferViewController::exportRecordsToChosenFolder(RecordKind kind) {
    PanelRequest request;
    request.kind = PanelRequest::Kind::Save;
    request.suggestedName = defaultExportName(QDateTime::currentDateTime());
    request.canCreateDirectories = true;
    const QString chosen = dialogs::runPanelForPath(request);
    if (chosen.isEmpty()) return;
    const std::string folder = chosen.toStdString();
    if (kind == RecordKind::Contacts) {
        startRecordExport([contacts = contactController->content(),
                           folder] { return RecordExport::exportContacts(contacts, folder); },
                          chosen);
    } else if (kind == RecordKind::Notes) {
        startRecordExport(
            [notes = noteController->content(), folder] { return RecordExport::exportNotes(notes, folder); }, chosen);
    } else {
        const std::string device = recordDeviceName();
        startRecordExport(
            [conversations = messageController->content(), folder, device] {
                RecordExportResult all;
                for (const PRMessageTreeNodePtr& c : conversations)
                    all.add(RecordExport::exportConversation(*c, device, folder));
                return all;
            },
            chosen);
    }
}
