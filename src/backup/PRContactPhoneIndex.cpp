#include "backup/PRContactPhoneIndex.h"

#include "model/PRRecordFields.h"

PRContactPhoneIndex::PRContactPhoneIndex(const std::vector<PRContactNodePtr>& contacts) {
    numbers_.reserve(contacts.size());
    for (const auto& contact : contacts)
        if (contact && !contact->contactPhone().empty())
            numbers_.emplace_back(normalisedPhoneNumber(contact->contactPhone()), contact);
}

PRContactNodePtr PRContactPhoneIndex::find(const std::string& phone, size_t minimumPiece) const {
    auto [known, added] = answers_.try_emplace({phone, minimumPiece}, nullptr);
    if (!added) return known->second;
    const std::string asked = normalisedPhoneNumber(phone);
    for (const auto& [number, contact] : numbers_)
        if (phoneNumbersMatch(asked, number, minimumPiece)) return known->second = contact;
    return nullptr;
}
