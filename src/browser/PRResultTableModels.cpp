#include "browser/PRResultTableModels.h"

#include "browser/core/PRBackupFileTree.h"
#include "model/PRRecordFields.h"

namespace {
QString q(const std::string& text) { return QString::fromStdString(text); }
bool has(const std::string& field, const QString& text) { return q(field).contains(text, Qt::CaseInsensitive); }
}  // namespace

QString PRContactController::header(int column) const {
    switch (column) {
    case Name: return tr("Name");
    case Phone: return tr("Phone");
    case Email: return tr("Email");
    case Company: return tr("Company");
    default: return {};
    }
}

QString PRContactController::text(size_t record, int column) const {
    const PRContactNode& c = *records_[record];
    switch (column) {
    case Name: return q(c.contactName());
    case Phone: return q(c.contactPhone());
    case Email: return q(c.contactEmail());
    case Company: return q(c.contactCompany());
    default: return {};
    }
}

bool PRContactController::matches(size_t record, const QString& text) const {
    const PRContactNode& c = *records_[record];
    return has(c.contactName(), text) || has(c.contactPhone(), text);
}

QString PRMessageTreeController::header(int column) const {
    switch (column) {
    case Name: return tr("Name");
    case Address: return tr("Phone or Address");
    case Messages: return tr("Messages");
    case LastDate: return tr("Last Message");
    default: return {};
    }
}

QString PRMessageTreeController::text(size_t record, int column) const {
    const PRMessageTreeNode& t = *records_[record];
    switch (column) {
    case Name: return q(t.messageTreeNodeName());
    case Address: return q(t.messageTreeNodeAdress());
    case Messages: return QString::number(t.MessageNodeArray().size());
    case LastDate: return t.MessageNodeArray().empty() ? QString() : q(t.MessageNodeArray().back()->messageDate());
    default: return {};
    }
}

QVariant PRMessageTreeController::sortKey(size_t record, int column) const {
    if (column == Messages) return QVariant::fromValue<qulonglong>(records_[record]->MessageNodeArray().size());
    return text(record, column);
}

bool PRMessageTreeController::matches(size_t record, const QString& text) const {
    const PRMessageTreeNode& t = *records_[record];
    return has(t.messageTreeNodeName(), text) || has(t.messageTreeNodeAdress(), text);
}

QString PRCallHistoryController::header(int column) const {
    switch (column) {
    case Name: return tr("Name");
    case Phone: return tr("Phone");
    case Date: return tr("Date");
    case Type: return tr("Type");
    case Duration: return tr("Duration");
    default: return {};
    }
}

QString PRCallHistoryController::text(size_t record, int column) const {
    const PRCallHistoryNode& c = *records_[record];
    switch (column) {
    case Name: return q(c.callName());
    case Phone: return q(c.callPhone());
    case Date: return q(c.callDate());
    case Type: return q(c.callType());
    case Duration: return q(c.callDuration());
    default: return {};
    }
}

bool PRCallHistoryController::matches(size_t record, const QString& text) const {
    const PRCallHistoryNode& c = *records_[record];
    return has(c.callName(), text) || has(c.callPhone(), text);
}

QString PRNoteController::header(int column) const {
    switch (column) {
    case Title: return tr("Title");
    case Date: return tr("Date");
    case Content: return tr("Content");
    default: return {};
    }
}

QString PRNoteController::text(size_t record, int column) const {
    const PRNoteNode& n = *records_[record];
    switch (column) {
    case Title: return q(n.noteTitle());
    case Date: return q(n.noteDate());
    case Content: return q(n.noteContent()).simplified();
    default: return {};
    }
}

bool PRNoteController::matches(size_t record, const QString& text) const {
    const PRNoteNode& n = *records_[record];
    return has(n.noteTitle(), text) || has(n.noteContent(), text);
}

QString PRBookMarkController::header(int column) const {
    switch (column) {
    case Title: return tr("Title");
    case URL: return tr("URL");
    default: return {};
    }
}

QString PRBookMarkController::text(size_t record, int column) const {
    const PRBookMarkNode& b = *records_[record];
    switch (column) {
    case Title: return q(b.bookMarkTitle());
    case URL: return q(b.bookMarkURL());
    default: return {};
    }
}

QString PRCalendarController::header(int column) const {
    switch (column) {
    case Title: return tr("Title");
    case Note: return tr("Note");
    case Start: return tr("Start");
    case End: return tr("End");
    default: return {};
    }
}

QString PRCalendarController::text(size_t record, int column) const {
    const PRCalenderNode& c = *records_[record];
    switch (column) {
    case Title: return q(c.calTitle());
    case Note: return q(c.calNote());
    case Start: return q(c.startDate());
    case End: return q(c.endDate());
    default: return {};
    }
}

bool PRCalendarController::matches(size_t record, const QString& text) const {
    const PRCalenderNode& c = *records_[record];
    return has(c.calTitle(), text) || has(c.calNote(), text);
}

QString PRPhotoAndVideoController::header(int column) const {
    switch (column) {
    case Name: return tr("Name");
    case Size: return tr("Size");
    case Type: return tr("Type");
    case Modified: return tr("Modified");
    default: return {};
    }
}

QString PRPhotoAndVideoController::text(size_t record, int column) const {
    const PRPhotoAndVideoNode& p = *records_[record];
    switch (column) {
    case Name: return q(p.fileNodeName());
    case Size: return q(p.fileNodeSize());
    case Type: return q(p.fileType());
    case Modified: return q(p.fileModifyTime());
    default: return {};
    }
}

QVariant PRPhotoAndVideoController::sortKey(size_t record, int column) const {
    if (column != Size) return text(record, column);
    const PRPhotoAndVideoNode& p = *records_[record];
    return QVariant::fromValue<qulonglong>(p.fileSizeNumber() ? p.fileSizeNumber() : sizeFormString(p.fileNodeSize()));
}

QString PRFaceTwitterController::header(int column) const {
    switch (column) {
    case Name: return tr("Name");
    case Size: return tr("Size");
    default: return {};
    }
}

QString PRFaceTwitterController::text(size_t record, int column) const {
    const PRFaceTwitterNode& f = *records_[record];
    switch (column) {
    case Name: return q(f.faceTwitterFileName());
    case Size: return q(f.fileSize());
    default: return {};
    }
}

QVariant PRFaceTwitterController::sortKey(size_t record, int column) const {
    if (column == Size) return QVariant::fromValue<qulonglong>(sizeFormString(records_[record]->fileSize()));
    return text(record, column);
}

QString PRTreeFileController::header(int column) const {
    switch (column) {
    case Name: return tr("Name");
    case Type: return tr("Type");
    case Size: return tr("Size");
    case Path: return tr("Path");
    default: return {};
    }
}

QString PRTreeFileController::text(size_t record, int column) const {
    const PRTreeFileNode& f = *records_[record];
    switch (column) {
    case Name: return q(f.treefileName());
    case Type: return q(f.treefileType());
    case Size: return f.fileSize() ? q(*f.fileSize()) : QString();
    case Path: return q(f.dirFilePath());
    default: return {};
    }
}

QVariant PRTreeFileController::sortKey(size_t record, int column) const {
    if (column == Size) return QVariant::fromValue<qulonglong>(records_[record]->realFileSize());
    return text(record, column);
}

void PRTreeFileController::setMarked(size_t record, bool marked) {
    PRBackupFileTree::setFileState(records_[record], marked);
}
