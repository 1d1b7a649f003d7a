// The contacts of one read with their phone numbers normalised once, for the name look-ups
// that a message or call reader makes for every row. Answers as the look-ups of
// PRBackupScanState do: the first contact, in array order, whose numbers match. A number
// asked again (every message of a conversation) is answered from memory.
#pragma once

#include "model/PRContactNode.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class PRContactPhoneIndex {
public:
    // The common piece that the look-ups with data need at least (the plain look-up needs 1).
    static constexpr size_t kPieceWithData = 6;

    explicit PRContactPhoneIndex(const std::vector<PRContactNodePtr>& contacts);

    // The first contact whose numbers match phone, or null.
    PRContactNodePtr find(const std::string& phone, size_t minimumPiece) const;

private:
    PRContactNodePtr search(const std::string& phone, size_t minimumPiece) const;

    std::vector<std::pair<std::string, PRContactNodePtr>> numbers_;  // normalised phone text, contact
    // Answers already given, per minimum piece (1 and kPieceWithData) and number asked.
    mutable std::unordered_map<std::string, PRContactNodePtr> answers_[2];
};
