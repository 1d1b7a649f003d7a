// The contacts of one read with their phone numbers normalised once, for the name look-ups
// that a message or call reader makes for every row. Answers as the look-ups of
// PRBackupScanState do: the first contact, in array order, whose numbers match. A number
// asked again (every message of a conversation) is answered from memory.
//
// Two numbers match when the middle piece of the shorter one occurs in the other (see
// phoneNumbersMatch). A read that asks for many different numbers (a call history full of
// numbers nobody saved) would compare each with every contact; once numbers of one length
// have been asked a few times, the look-up answers from tables instead: every piece of that
// size that the contact texts at least as long hold, and the middle piece of each shorter text.
#pragma once

#include "model/PRContactNode.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class PRContactPhoneIndex {
public:
    // The common piece that the look-ups with data need at least (the plain look-up needs 1).
    static constexpr size_t kPieceWithData = 6;

    explicit PRContactPhoneIndex(const std::vector<PRContactNodePtr>& contacts);
    ~PRContactPhoneIndex();
    PRContactPhoneIndex(const PRContactPhoneIndex&) = delete;
    PRContactPhoneIndex& operator=(const PRContactPhoneIndex&) = delete;

    // The first contact whose numbers match phone, or null; it lives as long as the index.
    const PRContactNode* find(const std::string& phone, size_t minimumPiece) const;

    // Pieces of one size cut from contact texts, each with the first text (in array order)
    // that holds it.
    class PieceTable;
    // The answers already given, by the number as asked.
    class AnswerCache;

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);
    // Numbers of one length searched one by one before that length gets its table.
    static constexpr size_t kSearchesBeforeTable = 4;

    struct Entry {
        std::string text;  // the normalised phone text in lower case (matching ignores case)
        PRContactNodePtr contact;
    };
    // What is known for numbers of one length.
    struct AskedLength {
        size_t searches = 0;
        // Every piece of the middle-piece size of this length in the texts at least as long.
        std::unique_ptr<PieceTable> longer;
    };
    // The index of the first matching entry, or kNone; asked is normalised and in lower case.
    // fromTables, when given, tells whether the answer came from the tables.
    size_t firstMatch(std::string_view asked, size_t minimumPiece, bool* fromTables = nullptr) const;
    size_t search(std::string_view asked, size_t minimumPiece) const;
    // The first entry shorter than asked whose middle piece asked holds.
    size_t firstShorterWithin(std::string_view asked, size_t minimumPiece) const;

    std::vector<Entry> entries_;
    mutable std::vector<AskedLength> asked_;  // by the length of the number asked
    // The middle piece of every entry, by the entry's length; made with the first table.
    mutable std::map<size_t, PieceTable> middlePieces_;
    mutable bool middlePiecesMade_ = false;
    // Answers already given, per minimum piece (1 and kPieceWithData).
    std::unique_ptr<AnswerCache> answers_[2];
};
