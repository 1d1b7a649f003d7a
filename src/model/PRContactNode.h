// Address-book records: a contact, a picture waiting for its contact, and one value of a
// contact rebuilt from deleted rows.
#pragma once

#include "model/PRRecord.h"

// One phone number, e-mail address or web page of a contact with the label the address book
// gives it: "Mobile", "Home", "Work", "Main", "iPhone", "HomeFAX", "Pager"..., or a label the
// user typed; empty when the value has none.
struct PRContactValue {
    std::string label;
    std::string value;
};

// An instant-messaging handle or a social profile of a contact: the service ("Skype",
// "twitter"...), the user's name on it, the profile's address when the address book keeps one,
// and the label.
struct PRContactHandle {
    std::string label;
    std::string service, username, url;
};

// One postal address of a contact in its parts, with its label ("Home", "Work"...).
struct PRContactAddress {
    std::string label;
    std::string street, city, state, zip, country;
};

// The joined fields (contactName, contactPhone...) are what lists and text files show; the
// parts beside them (name parts, every value with its label) are what a vCard is made of, so
// that a number holding blanks or a name without a first part is never guessed back. Most
// contacts hold a name, a number or two and perhaps an e-mail address; the fields they mostly
// leave empty are kept out of line, so that each of hundreds of thousands of contacts does not
// carry their empty shells.
#define PR_CONTACT_NODE_FIELDS(X, R)                                             \
    X(int, rowid, setRowid, -1)                                                  \
    X(std::string, contactName, setContactName, {})                              \
    X(std::string, contactPhone, setContactPhone, {})                            \
    X(std::string, contactEmail, setContactEmail, {})                            \
    R(std::string, contactHomepage, setContactHomepage, {})                      \
    R(std::string, contactCompany, setContactCompany, {})                        \
    R(std::string, contactBirthday, setContactBirthday, {})                      \
    R(std::string, contactJobtitle, setContactJobtitle, {})                      \
    R(std::string, contactNote, setContactNote, {})                              \
    R(std::string, contactAdress, setContactAdress, {})                          \
    X(std::string, contactFirstName, setContactFirstName, {})                    \
    R(std::string, contactMiddleName, setContactMiddleName, {})                  \
    X(std::string, contactLastName, setContactLastName, {})                      \
    R(std::string, contactPrefix, setContactPrefix, {})                          \
    R(std::string, contactSuffix, setContactSuffix, {})                          \
    R(std::string, contactOrganization, setContactOrganization, {})              \
    R(std::string, contactDepartment, setContactDepartment, {})                  \
    X(std::vector<PRContactValue>, contactPhones, setContactPhones, {})          \
    X(std::vector<PRContactValue>, contactEmails, setContactEmails, {})          \
    R(std::vector<PRContactValue>, contactHomepages, setContactHomepages, {})    \
    R(std::vector<PRContactAddress>, contactAddresses, setContactAddresses, {})  \
    R(std::vector<PRContactHandle>, contactMessengers, setContactMessengers, {}) \
    R(std::vector<PRContactHandle>, contactProfiles, setContactProfiles, {})     \
    R(PRBytes, imageData, setImageData, {})                                      \
    X(bool, bDeleted, setBDeleted, false)                                        \
    X(bool, bSelected, setBSelected, false)

using PRContactRareValue = std::variant<std::string, std::vector<PRContactValue>, std::vector<PRContactAddress>,
                                        std::vector<PRContactHandle>, PRBytes>;

class PRContactNode final : public PRRecord {
    PR_RECORD_WITH_RARE(PRContactNode, PR_CONTACT_NODE_FIELDS, PRContactRareValue)
};
static_assert(sizeof(PRContactNode) <= 256, "an address book holds hundreds of thousands");

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
