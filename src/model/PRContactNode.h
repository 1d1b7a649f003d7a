// Address-book records: a contact, a picture waiting for its contact, and one value of a
// contact rebuilt from deleted rows.
#pragma once

#include "model/PRRecord.h"

#define PR_CONTACT_NODE_FIELDS(X)                           \
    X(int, rowid, setRowid, -1)                             \
    X(std::string, contactName, setContactName, {})         \
    X(std::string, contactPhone, setContactPhone, {})       \
    X(std::string, contactEmail, setContactEmail, {})       \
    X(std::string, contactHomepage, setContactHomepage, {}) \
    X(std::string, contactCompany, setContactCompany, {})   \
    X(std::string, contactBirthday, setContactBirthday, {}) \
    X(std::string, contactJobtitle, setContactJobtitle, {}) \
    X(std::string, contactNote, setContactNote, {})         \
    X(std::string, contactAdress, setContactAdress, {})     \
    X(PRBytes, imageData, setImageData, {})                 \
    X(bool, bDeleted, setBDeleted, false)                   \
    X(bool, bSelected, setBSelected, false)

class PRContactNode final : public PRRecord {
    PR_RECORD(PRContactNode, PR_CONTACT_NODE_FIELDS)
};

#define PR_CONTACT_IMAGE_NODE_FIELDS(X) \
    X(int, rowid, setRowid, -1)         \
    X(PRBytes, imageData, setImageData, {})

class PRContactImageNode final : public PRRecord {
    PR_RECORD(PRContactImageNode, PR_CONTACT_IMAGE_NODE_FIELDS)
};

#define DEL_CONTACT_VALUE_FIELDS(X)                   \
    X(std::string, contactValue, setContactValue, {}) \
    X(int, valueType, setValueType, -1)               \
    X(int, rowID, setRowID, -1)

class DelContactValue final : public PRRecord {
    PR_RECORD(DelContactValue, DEL_CONTACT_VALUE_FIELDS)
};

using PRContactNodePtr = std::shared_ptr<PRContactNode>;
using PRContactImageNodePtr = std::shared_ptr<PRContactImageNode>;
using DelContactValuePtr = std::shared_ptr<DelContactValue>;
