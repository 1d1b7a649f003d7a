// Address-book records: a contact, a picture waiting for its contact, and one value of a
// contact rebuilt from deleted rows.
#pragma once

#include "model/PRRecord.h"

// One phone number, e-mail address or web page of a contact with the label the address book
// gives it: "Mobile", "Home", "Work", "Main", "iPhone", "HomeFAX", "Pager"..., or a label the
// user typed; empty when the value has none. Labels repeat across a book and are kept once; a
// value is mostly a number short enough to be kept in place.
struct PRContactValue {
    PRSharedText label;
    PRShortText value;
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
    PRSharedText label;
    PRShortText street, city, state, zip, country;
};

// The joined fields (contactName, contactPhone...) are what lists and text files show; the
// parts they are joined from (name parts, every value with its label) are what a vCard is made
// of, so that a number holding blanks or a name without a first part is never guessed back. A
// joined field is joined from its parts when asked, each part after a blank when another is
// (the name from first, middle and last name; the company from department, job title and
// organization; the phone, e-mail and home page from the values of their lists; the address
// from each address's parts, after ", ", each address after "; "), unless it was given a text
// other than that. Most contacts hold a name, a number or two and perhaps an e-mail
// address; the fields they mostly leave empty are kept out of line, so that each of hundreds of
// thousands of contacts does not carry their empty shells.
#define PR_CONTACT_NODE_FIELDS(X, R, J)                                          \
    X(int, rowid, setRowid, -1)                                                  \
    J(contactName, setContactName, joinedName)                                   \
    J(contactPhone, setContactPhone, joinedPhone)                                \
    J(contactEmail, setContactEmail, joinedEmail)                                \
    J(contactHomepage, setContactHomepage, joinedHomepage)                       \
    J(contactCompany, setContactCompany, joinedCompany)                          \
    R(PRShortText, contactBirthday, setContactBirthday, {})                      \
    R(PRShortText, contactJobtitle, setContactJobtitle, {})                      \
    R(PRShortText, contactNote, setContactNote, {})                              \
    J(contactAdress, setContactAdress, joinedAddress)                            \
    X(PRShortText, contactFirstName, setContactFirstName, {})                    \
    R(PRShortText, contactMiddleName, setContactMiddleName, {})                  \
    X(PRShortText, contactLastName, setContactLastName, {})                      \
    R(PRShortText, contactPrefix, setContactPrefix, {})                          \
    R(PRShortText, contactSuffix, setContactSuffix, {})                          \
    R(PRShortText, contactOrganization, setContactOrganization, {})              \
    R(PRShortText, contactDepartment, setContactDepartment, {})                  \
    X(std::vector<PRContactValue>, contactPhones, setContactPhones, {})          \
    X(std::vector<PRContactValue>, contactEmails, setContactEmails, {})          \
    R(std::vector<PRContactValue>, contactHomepages, setContactHomepages, {})    \
    R(std::vector<PRContactAddress>, contactAddresses, setContactAddresses, {})  \
    R(std::vector<PRContactHandle>, contactMessengers, setContactMessengers, {}) \
    R(std::vector<PRContactHandle>, contactProfiles, setContactProfiles, {})     \
    R(PRBytes, imageData, setImageData, {})                                      \
    X(bool, bDeleted, setBDeleted, false)                                        \
    X(bool, bSelected, setBSelected, false)

using PRContactRareValue = std::variant<PRShortText, std::vector<PRContactValue>, std::vector<PRContactAddress>,
                                        std::vector<PRContactHandle>, PRBytes>;

class PRContactNode final : public PRRecord {
    PR_RECORD_WITH_RARE(PRContactNode, PR_CONTACT_NODE_FIELDS, PRContactRareValue)

private:
    std::string joinedName() const;
    std::string joinedPhone() const;
    std::string joinedEmail() const;
    std::string joinedHomepage() const;
    std::string joinedCompany() const;
    std::string joinedAddress() const;
};
static_assert(sizeof(PRContactNode) <= 120, "an address book holds hundreds of thousands");

#define PR_CONTACT_IMAGE_NODE_FIELDS(X) \
    X(int, rowid, setRowid, -1)         \
    X(PRBytes, imageData, setImageData, {})

class PRContactImageNode final : public PRRecord {
    PR_RECORD(PRContactImageNode, PR_CONTACT_IMAGE_NODE_FIELDS)
};

#define DEL_CONTACT_VALUE_FIELDS(X)                   \
    X(PRShortText, contactValue, setContactValue, {}) \
    X(int, valueType, setValueType, -1)               \
    X(int, rowID, setRowID, -1)

class DelContactValue final : public PRRecord {
    PR_RECORD(DelContactValue, DEL_CONTACT_VALUE_FIELDS)
};

// The one name the program shows for a contact, in its lists, its text files, its vCards and the
// conversations and calls of its numbers: its name, else its organisation, else its company (a
// company-only card is known by it); empty for a contact with none of them.
std::string shownContactName(const PRContactNode& contact);

using PRContactNodePtr = std::shared_ptr<PRContactNode>;
using PRContactImageNodePtr = std::shared_ptr<PRContactImageNode>;
using DelContactValuePtr = std::shared_ptr<DelContactValue>;
