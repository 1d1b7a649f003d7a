#include "model/PRContactNode.h"

#include "model/PRRecordFields.h"

namespace {

std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) appendPart(text, part);
    return text;
}

std::string joined(const std::vector<PRContactValue>& values) {
    std::string text;
    for (const PRContactValue& value : values) appendPart(text, value.value.view());
    return text;
}

}  // namespace

std::string PRContactNode::joinedName() const {
    return joined({contactFirstName_.view(), contactMiddleName(), contactLastName_.view()});
}

std::string PRContactNode::joinedPhone() const { return joined(contactPhones_); }

std::string PRContactNode::joinedEmail() const { return joined(contactEmails_); }

std::string PRContactNode::joinedHomepage() const { return joined(contactHomepages()); }

std::string PRContactNode::joinedAddress() const {
    std::string text;
    for (const PRContactAddress& a : contactAddresses()) {
        std::string line;
        for (const PRShortText* part : {&a.street, &a.city, &a.state, &a.zip, &a.country})
            appendPart(line, part->view(), ", ");
        appendPart(text, line, "; ");
    }
    return text;
}

std::string PRContactNode::joinedCompany() const {
    return joined({contactDepartment(), contactJobtitle(), contactOrganization()});
}

std::string shownContactName(const PRContactNode& contact) {
    auto shown = [](std::string_view text) { return std::string(trimmedText(text)); };
    std::string name = shown(contact.contactName());
    if (name.empty()) name = shown(contact.contactOrganization());
    if (name.empty()) name = shown(contact.contactCompany());
    return name;
}
