// Notes: one note, and one body value rebuilt from deleted rows. A carved note whose title row
// or body row is gone is partial: it shows what is left.
#pragma once

#include "model/PRRecord.h"

#define PR_NOTE_NODE_FIELDS(X)                      \
    X(std::string, noteTitle, setNoteTitle, {})     \
    X(std::string, noteContent, setNoteContent, {}) \
    X(std::string, noteDate, setNoteDate, {})       \
    X(int, uid, setUid, -1)                         \
    X(bool, bSelected, setBSelected, false)         \
    X(bool, bDeleted, setBDeleted, false)           \
    X(bool, bPartial, setBPartial, false)

class PRNoteNode final : public PRRecord {
    PR_RECORD(PRNoteNode, PR_NOTE_NODE_FIELDS)
};

#define PR_NOTE_VALUE_NODE_FIELDS(X)            \
    X(std::string, noteValue, setNoteValue, {}) \
    X(int, uid, setUid, -1)

class PRNoteValueNode final : public PRRecord {
    PR_RECORD(PRNoteValueNode, PR_NOTE_VALUE_NODE_FIELDS)
};

using PRNoteNodePtr = std::shared_ptr<PRNoteNode>;
using PRNoteValueNodePtr = std::shared_ptr<PRNoteValueNode>;
