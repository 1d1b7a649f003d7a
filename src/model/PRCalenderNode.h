// One calendar event or reminder.
#pragma once

#include "model/PRRecord.h"

#define PR_CALENDER_NODE_FIELDS(X)              \
    X(std::string, calTitle, setCalTitle, {})   \
    X(std::string, calNote, setCalNote, {})     \
    X(std::string, location, setLocation, {})   \
    X(std::string, startDate, setStartDate, {}) \
    X(std::string, endDate, setEndDate, {})     \
    X(bool, bDeleted, setBDeleted, false)       \
    X(bool, bSelected, setBSelected, false)

class PRCalenderNode final : public PRRecord {
    PR_RECORD(PRCalenderNode, PR_CALENDER_NODE_FIELDS)
};

using PRCalenderNodePtr = std::shared_ptr<PRCalenderNode>;
