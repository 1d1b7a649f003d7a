#include "backup/PRContactPhoneIndex.h"

#include "model/PRRecordFields.h"

PRContactPhoneIndex::PRContactPhoneIndex(const std::vector<PRContactNodePtr>& contacts) {
    numbers_.reserve(contacts.size());
    for (const auto& contact : contacts)
        if (contact && !contact->contactPhone().empty())
            numbers_.emplace_back(normalisedPhoneNumber(contact->contactPhone()), contact);
}

PRContactNodePtr PRContactPhoneIndex::find(const std::string& phone, size_t minimumPiece) const {
    if (numbers_.empty()) return nullptr;  // nothing to find: remember no answers either
    auto& answers = answers_[minimumPiece == 1 ? 0 : 1];
    if (minimumPiece != 1 && minimumPiece != kPieceWithData) return search(phone, minimumPiece);
    auto [known, added] = answers.try_emplace(phone, nullptr);
    if (!added) return known->second;
    known->second = search(phone, minimumPiece);
    return known->second;
}

PRContactNodePtr PRContactPhoneIndex::search(const std::string& phone, size_t minimumPiece) const {
    const std::string asked = normalisedPhoneNumber(phone);
    for (const auto& [number, contact] : numbers_)
        if (phoneNumbersMatch(asked, number, minimumPiece)) return contact;
    return nullptr;
}
