// The array controllers of the record tables: one table model per record category. The results
// screen shows every category in the marking layout, each numbering its columns after the check
// column; the transfer page lists contacts, conversations and notes in the listing layout, with
// columns of its own.
#pragma once

#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "widgets/PRRecordTableModel.h"

// Contacts; searched by name and phone. Listed, a contact without a name shows its company, and
// phones and addresses their first line.
class PRContactController : public PRArrayTableModel<PRContactNode> {
public:
    enum Column { Check, Name, Phone, Email, Company };
    explicit PRContactController(QObject* parent = nullptr, Layout layout = Layout::Marking);
};

// The conversations of the messages tab; searched by name and address.
class PRMessageTreeController : public PRArrayTableModel<PRMessageTreeNode> {
public:
    enum Column { Check, Name, Address, Messages, LastDate };
    explicit PRMessageTreeController(QObject* parent = nullptr, Layout layout = Layout::Marking);
};

// Calls; searched by name and phone.
class PRCallHistoryController : public PRArrayTableModel<PRCallHistoryNode> {
public:
    enum Column { Check, Name, Phone, Date, Type, Duration };
    explicit PRCallHistoryController(QObject* parent = nullptr);
};

// Notes; searched by title and content. Listed, a note's content shows its first line.
class PRNoteController : public PRArrayTableModel<PRNoteNode> {
public:
    enum Column { Check, Title, Date, Content };
    explicit PRNoteController(QObject* parent = nullptr, Layout layout = Layout::Marking);
};

class PRBookMarkController : public PRArrayTableModel<PRBookMarkNode> {
public:
    enum Column { Check, Title, URL };
    explicit PRBookMarkController(QObject* parent = nullptr);
};

// Calendar items and reminders; searched by title and note.
class PRCalendarController : public PRArrayTableModel<PRCalenderNode> {
public:
    enum Column { Check, Title, Note, Start, End };
    explicit PRCalendarController(QObject* parent = nullptr);
};

class PRPhotoAndVideoController : public PRArrayTableModel<PRPhotoAndVideoNode> {
public:
    enum Column { Check, Name, Size, Type, Modified };
    explicit PRPhotoAndVideoController(QObject* parent = nullptr);
};

class PRFaceTwitterController : public PRArrayTableModel<PRFaceTwitterNode> {
public:
    enum Column { Check, Name, Size };
    explicit PRFaceTwitterController(QObject* parent = nullptr);
};
