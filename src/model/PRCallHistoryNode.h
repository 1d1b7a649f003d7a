// One call of the call history.
#pragma once

#include "model/PRRecord.h"

// A history repeats its names, its two kinds and its lengths call after call: those are shared.
// Its dates are kept as their minutes, and its numbers in place.
#define PR_CALL_HISTORY_NODE_FIELDS(X)                 \
    X(PRSharedText, callName, setCallName, {})         \
    X(PRShortText, callPhone, setCallPhone, {})        \
    X(PRDateText, callDate, setCallDate, {})           \
    X(PRSharedText, callType, setCallType, {})         \
    X(int, callTime, setCallTime, -1)                  \
    X(PRSharedText, callDuration, setCallDuration, {}) \
    X(bool, bSelected, setBSelected, false)            \
    X(bool, bDeleted, setBDeleted, false)

class PRCallHistoryNode final : public PRRecord {
    PR_RECORD(PRCallHistoryNode, PR_CALL_HISTORY_NODE_FIELDS)
};

using PRCallHistoryNodePtr = std::shared_ptr<PRCallHistoryNode>;
