// The array controllers of the results screen: one table model per category, over the
// records the scan intake gathered, each numbering its columns after the check column.
#pragma once

#include "browser/PRRecordTableModel.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRTreeDirNode.h"

// Contacts; searched by name and phone.
class PRContactController : public PRArrayTableModel<PRContactNode> {
public:
    enum Column { Check, Name, Phone, Email, Company };
    explicit PRContactController(QObject* parent = nullptr);
};

// The conversations of the messages tab; searched by name and address.
class PRMessageTreeController : public PRArrayTableModel<PRMessageTreeNode> {
public:
    enum Column { Check, Name, Address, Messages, LastDate };
    explicit PRMessageTreeController(QObject* parent = nullptr);
};

// Calls; searched by name and phone.
class PRCallHistoryController : public PRArrayTableModel<PRCallHistoryNode> {
public:
    enum Column { Check, Name, Phone, Date, Type, Duration };
    explicit PRCallHistoryController(QObject* parent = nullptr);
};

// Notes; searched by title and content.
class PRNoteController : public PRArrayTableModel<PRNoteNode> {
public:
    enum Column { Check, Title, Date, Content };
    explicit PRNoteController(QObject* parent = nullptr);
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

// The file rows of the folder selected in the backup-file tree. Marking a row brings the
// folders above it up to date.
class PRTreeFileController : public PRArrayTableModel<PRTreeFileNode> {
public:
    enum Column { Check, Name, Type, Size, Path };
    explicit PRTreeFileController(QObject* parent = nullptr);

protected:
    void setMarked(size_t record, bool marked) override;
};
