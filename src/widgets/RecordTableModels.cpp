#include "widgets/RecordTableModels.h"

#include "model/PRRecordFields.h"

namespace {
QString q(const std::string& text) { return QString::fromStdString(text); }
// A long text in one table cell: its first line.
QString oneLine(const std::string& text) { return q(text).section(QLatin1Char('\n'), 0, 0).simplified(); }
QVariant bytes(uint64_t count) { return QVariant::fromValue<qulonglong>(count); }
// Dates are written "MM-DD-YYYY hh:mm"; they sort as "YYYY-MM-DD hh:mm" so that years come first.
QVariant dateKey(const std::string& text) {
    const bool dated = text.size() >= 10 && text[2] == '-' && text[5] == '-';
    return dated ? q(text.substr(6, 4) + "-" + text.substr(0, 5) + text.substr(10)) : q(text);
}
template <class Record>
bool deletedRecord(const Record& r) {
    return r.bDeleted();
}
bool listed(PRRecordTableModel::Layout layout) { return layout == PRRecordTableModel::Layout::Listing; }
}  // namespace

PRContactController::PRContactController(QObject* parent, Layout layout)
    : PRArrayTableModel(
          parent, layout,
          {{tr("Name"), [](const PRContactNode& c) { return q(shownContactName(c)); }},
           {tr("Phone"), listed(layout) ? Text([](const PRContactNode& c) { return oneLine(c.contactPhone()); })
                                        : Text([](const PRContactNode& c) { return q(c.contactPhone()); })},
           {tr("Email"), listed(layout) ? Text([](const PRContactNode& c) { return oneLine(c.contactEmail()); })
                                        : Text([](const PRContactNode& c) { return q(c.contactEmail()); })},
           {tr("Company"), [](const PRContactNode& c) { return q(c.contactCompany()); }}},
          deletedRecord<PRContactNode>,
          {[](const PRContactNode& c) { return q(shownContactName(c)); },
           [](const PRContactNode& c) { return q(c.contactPhone()); }}) {}

PRMessageTreeController::PRMessageTreeController(QObject* parent, Layout layout)
    : PRArrayTableModel(
          parent, layout,
          {{tr("Name"), [](const PRMessageTreeNode& t) { return q(t.messageTreeNodeName()); }},
           {listed(layout) ? tr("Phone") : tr("Phone or Address"),
            [](const PRMessageTreeNode& t) { return q(t.messageTreeNodeAdress()); }},
           {tr("Messages"),
            listed(layout)
                ? Text([](const PRMessageTreeNode& t) { return int(t.MessageNodeArray().size()); })
                : Text([](const PRMessageTreeNode& t) { return QString::number(t.MessageNodeArray().size()); }),
            [](const PRMessageTreeNode& t) { return bytes(t.MessageNodeArray().size()); }},
           {listed(layout) ? tr("Last Date") : tr("Last Message"),
            [](const PRMessageTreeNode& t) {
                return t.MessageNodeArray().empty() ? QString() : q(t.MessageNodeArray().back()->messageDate());
            },
            [](const PRMessageTreeNode& t) {
                return t.MessageNodeArray().empty() ? QVariant(QString())
                                                    : dateKey(t.MessageNodeArray().back()->messageDate());
            }}},
          [](const PRMessageTreeNode& t) { return t.bdeleted(); },
          {[](const PRMessageTreeNode& t) { return q(t.messageTreeNodeName()); },
           [](const PRMessageTreeNode& t) { return q(t.messageTreeNodeAdress()); }}) {}

PRCallHistoryController::PRCallHistoryController(QObject* parent)
    : PRArrayTableModel(parent, Layout::Marking,
                        {{tr("Name"), [](const PRCallHistoryNode& c) { return q(c.callName()); }},
                         {tr("Phone"), [](const PRCallHistoryNode& c) { return q(c.callPhone()); }},
                         {tr("Date"), [](const PRCallHistoryNode& c) { return q(c.callDate()); },
                          [](const PRCallHistoryNode& c) { return dateKey(c.callDate()); }},
                         {tr("Type"), [](const PRCallHistoryNode& c) { return q(c.callType()); }},
                         {tr("Duration"), [](const PRCallHistoryNode& c) { return q(c.callDuration()); }}},
                        deletedRecord<PRCallHistoryNode>,
                        {[](const PRCallHistoryNode& c) { return q(c.callName()); },
                         [](const PRCallHistoryNode& c) { return q(c.callPhone()); }}) {}

PRNoteController::PRNoteController(QObject* parent, Layout layout)
    : PRArrayTableModel(
          parent, layout,
          {{tr("Title"), [](const PRNoteNode& n) { return q(n.noteTitle()); }},
           {tr("Date"), [](const PRNoteNode& n) { return q(n.noteDate()); },
            [](const PRNoteNode& n) { return dateKey(n.noteDate()); }},
           {tr("Content"), listed(layout) ? Text([](const PRNoteNode& n) { return oneLine(n.noteContent()); })
                                          : Text([](const PRNoteNode& n) { return q(n.noteContent()).simplified(); })}},
          deletedRecord<PRNoteNode>,
          {[](const PRNoteNode& n) { return q(n.noteTitle()); },
           [](const PRNoteNode& n) { return q(n.noteContent()); }}) {}

PRBookMarkController::PRBookMarkController(QObject* parent)
    : PRArrayTableModel(parent, Layout::Marking,
                        {{tr("Title"), [](const PRBookMarkNode& b) { return q(b.bookMarkTitle()); }},
                         {tr("URL"), [](const PRBookMarkNode& b) { return q(b.bookMarkURL()); }}},
                        deletedRecord<PRBookMarkNode>) {}

PRCalendarController::PRCalendarController(QObject* parent)
    : PRArrayTableModel(parent, Layout::Marking,
                        {{tr("Title"), [](const PRCalenderNode& c) { return q(c.calTitle()); }},
                         {tr("Note"), [](const PRCalenderNode& c) { return q(c.calNote()); }},
                         {tr("Start"), [](const PRCalenderNode& c) { return q(c.startDate()); },
                          [](const PRCalenderNode& c) { return dateKey(c.startDate()); }},
                         {tr("End"), [](const PRCalenderNode& c) { return q(c.endDate()); },
                          [](const PRCalenderNode& c) { return dateKey(c.endDate()); }}},
                        deletedRecord<PRCalenderNode>,
                        {[](const PRCalenderNode& c) { return q(c.calTitle()); },
                         [](const PRCalenderNode& c) { return q(c.calNote()); }}) {}

PRPhotoAndVideoController::PRPhotoAndVideoController(QObject* parent)
    : PRArrayTableModel(parent, Layout::Marking,
                        {{tr("Name"), [](const PRPhotoAndVideoNode& p) { return q(p.fileNodeName()); }},
                         {tr("Size"), [](const PRPhotoAndVideoNode& p) { return q(p.fileNodeSize()); },
                          [](const PRPhotoAndVideoNode& p) {
                              return bytes(p.fileSizeNumber() ? p.fileSizeNumber() : sizeFormString(p.fileNodeSize()));
                          }},
                         {tr("Type"), [](const PRPhotoAndVideoNode& p) { return q(p.fileType()); }},
                         {tr("Modified"), [](const PRPhotoAndVideoNode& p) { return q(p.fileModifyTime()); }}}) {}

PRFaceTwitterController::PRFaceTwitterController(QObject* parent)
    : PRArrayTableModel(parent, Layout::Marking,
                        {{tr("Name"), [](const PRFaceTwitterNode& f) { return q(f.faceTwitterFileName()); }},
                         {tr("Size"), [](const PRFaceTwitterNode& f) { return q(f.fileSize()); },
                          [](const PRFaceTwitterNode& f) { return bytes(sizeFormString(f.fileSize())); }}}) {}
