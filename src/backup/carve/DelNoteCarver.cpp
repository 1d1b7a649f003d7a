#include "backup/carve/DelNoteCarver.h"

#include "backup/HtmlEntities.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/InParallel.h"
#include "model/PRNoteNode.h"
#include "model/PRRecordFields.h"
#include "platform/Format.h"

#include <unordered_map>

namespace carve {

namespace {
const std::string kPosted = "ScanDelNoteInfo";
const char* const kNotes = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
const char* const kNotesOld = "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b";

// ZNOTE (Z_PK ... ZBODY at 10, ZSTORE, ZCREATIONDATE, ZMODIFICATIONDATE, ZAUTHOR, ZGUID,
// ZSERVERID, ZSUMMARY, ZTITLE) and ZNOTEBODY (Z_PK, Z_ENT, Z_OPT, ZOWNER, ZCONTENT, ...).
enum Shape { kNote, kBody };
const std::vector<TableShape>& noteShapes() {
    static const std::vector<TableShape> shapes = {shapeOf("kiiiiiiiiiiirrttt!tt"),
                                                   shapeOf("kiiit|tb", LiveRows::values)};
    return shapes;
}
constexpr size_t kBodyColumn = 10, kCreated = 12, kModified = 13, kSummary = 17, kTitle = 18;
constexpr size_t kOwnerColumn = 3, kContent = 4;

// The text without markup ("<...>", "&...;") and without blanks; its first limit letters.
std::string letters(std::string_view text, size_t limit = std::string::npos) {
    std::string out;
    for (size_t i = 0; i < text.size() && out.size() < limit; ++i) {
        const char c = text[i];
        if (c == '<' || c == '&') {
            const size_t end = text.find(c == '<' ? '>' : ';', i);
            if (end == std::string_view::npos) break;  // a text cut inside its markup
            if (end - i < 12) {
                i = end;
                continue;
            }
        }
        if (c != ' ' && c != '\n' && c != '\t') out += c;
    }
    return out;
}

// A time a note of these phones can have, in seconds from 2001: from 2005 to the latest time a
// phone can hold.
bool plausible(const CarvedValue& date) {
    return (date.type == CarvedValue::integerValue || date.type == CarvedValue::realValue) &&
           date.asReal() >= 126230400 && date.asReal() < static_cast<double>(latestPlausibleTime() - kSince2001);
}
}  // namespace

std::string DelNoteCarver::plainNoteText(std::string text) {
    replaceAll(text, "<div>", "");
    replaceAll(text, "</div>", "");
    replaceAll(text, "&nbsp;", " ");
    replaceAll(text, "<br>", " ");
    replaceAll(text, "</br>", " ");
    return backuptext::decodeHtmlEntities(text);
}

void DelNoteCarver::scanDelNoteThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kNotes, kNotesOld}, context_, "NoteDB is not exist")) return;
    // A file that kept a rollback journal dates a note by its creation, a newer one by its change.
    const size_t dateColumn = db.writeAheadLog() ? kModified : kCreated;
    const std::vector<CarvedTable> tables = carveRecords(db, noteShapes());
    std::vector<const CarvedRecord*> notes, bodies;
    for (const CarvedRecord& note : tables[kNote].deleted)
        if (plausible(note.values[dateColumn])) notes.push_back(&note);
    for (const auto* list : {&tables[kBody].deleted, &tables[kBody].live})
        for (const CarvedRecord& body : *list) bodies.push_back(&body);
    // The summary is the start of the body's text: a body that does not hold it is another
    // note's. Markup and blanks are left out of both before they are compared.
    // A note and a body meet many others: the letters compared are worked out once for each.
    std::unordered_map<const CarvedRecord*, std::string> summaries, bodyStarts;
    auto fits = [&](const CarvedRecord& note, const CarvedRecord& body) {
        auto [summary, newNote] = summaries.try_emplace(&note);
        if (newNote) summary->second = letters(textView(note.values[kSummary]), 24);
        if (summary->second.empty()) return true;
        auto [start, newBody] = bodyStarts.try_emplace(&body);
        if (newBody) start->second = letters(textView(body.values[kContent]), 24);
        return start->second.compare(0, summary->second.size(), summary->second) == 0;
    };
    const std::vector<int> partner = pairRows(notes, kBodyColumn, bodies, kOwnerColumn, fits);
    // The notes are made side by side (a body's text is long to clean of its markup), and listed
    // and posted here in order as the stretches are made.
    std::vector<PRNoteNodePtr> made(notes.size());
    PRBackupScanState& arrays = context_.state;
    constexpr size_t kNotesPerStretch = 1024;
    inStretchesInOrder(
        notes.size(), kNotesPerStretch, 0,
        [&](size_t from, size_t to, size_t) {
            for (size_t i = from; i < to; ++i) {
                const CarvedRecord& note = *notes[i];
                auto node = std::make_shared<PRNoteNode>();
                node->setNoteTitle(textOf(note.values[kTitle]));
                node->setNoteDate(dateTimeText(note.values[dateColumn].asInteger(), true).value_or(""));
                node->setUid(static_cast<int>(note.values[kBodyColumn].asInteger()));
                if (partner[i] >= 0)
                    node->setNoteContent(
                        plainNoteText(textOf(bodies[static_cast<size_t>(partner[i])]->values[kContent])));
                made[i] = std::move(node);
            }
        },
        [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                arrays.noteArray.push_back(made[i]);
                context_.nc->postNotificationName(kPosted, std::move(made[i]));
            }
        });
    postProgress(context_, 85);
}

}  // namespace carve
