// Which deleted notes a notes database still holds, from the rows carved of its two tables: a
// note's title row (title, summary, dates) and its body row (the text). A note is listed once
// for each note id: its title row with the body that belongs to it where both are left, its
// title row alone where the body is gone, its body alone where the title row is gone. A row that
// belongs to a live note (an earlier version of it) lists nothing, nor does an earlier version
// of a deleted note listed already.
#pragma once

#include "backup/carve/CarveRecords.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carve {

struct NoteRows {
    struct Note {
        const CarvedRecord* row;   // a deleted title row
        int64_t bodyNamed;         // the body's row id it names, where the layout names one
        double modified;           // when it was last changed: the latest of two versions wins
        std::string_view summary;  // the start of its body's text, as the phone kept it
        std::string identity;      // what tells the note across its versions (see liveIdentities); may be empty
    };
    struct Body {
        const CarvedRecord* row;
        int64_t owner;             // the note id it names
        std::string_view content;  // its HTML
        bool live;                 // a live body pairs with a deleted note, but lists nothing alone
    };
    std::vector<Note> notes;
    std::vector<Body> bodies;
    std::vector<int64_t> liveNoteIds;
    // What tells each live note across its versions, whatever row id a version has (an
    // identifier, or when the note was made), by its key (see identityKey); none for a note
    // without. A deleted title row with one of these is an earlier version of a live note.
    std::vector<uint64_t> liveIdentities;
    // Core Data: a note names its body's row id and the body the note's (the two count their
    // ids apart). The older layout: a body names its note's row id, and the note nothing.
    bool notesNameBodies = true;
};

struct DeletedNote {
    int note = -1;   // in NoteRows::notes, or -1 for a body alone
    int body = -1;   // in NoteRows::bodies, or -1 for a title row alone
    int64_t id = 0;  // the note's id, 0 where it was lost
    // One of its rows is gone: the title row, or the body the title row names.
    bool partial = false;
};

// The key of a note's identity (not empty) among those of the live notes: a live note's is all
// that is kept of it.
uint64_t identityKey(std::string_view identity);

// The deleted notes to list: title rows in their order first, then bodies alone in theirs.
std::vector<DeletedNote> deletedNotes(const NoteRows& rows);

}  // namespace carve
