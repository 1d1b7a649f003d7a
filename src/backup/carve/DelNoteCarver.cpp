#include "backup/carve/DelNoteCarver.h"

#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/HtmlEntities.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/FileShapes.h"
#include "backup/carve/InParallel.h"
#include "backup/carve/PairRows.h"
#include "model/PRNoteNode.h"
#include "model/PRRecordFields.h"
#include "platform/Format.h"

#include <optional>
#include <string>
#include <vector>

namespace carve {

namespace {

// The notes of Core Data: ZNOTE, whose ZBODY names the note's ZNOTEBODY, whose ZOWNER names
// the note back.
enum NoteColumn : size_t { kBody, kCreated, kModified, kSummary, kTitle };
const KnownTable kNoteTable{"ZNOTE",
                            {
                                {"ZBODY", ColumnKind::integer, kRead | kNeeded},
                                {"ZCREATIONDATE", ColumnKind::real, kRead | kNeeded},
                                {"ZMODIFICATIONDATE", ColumnKind::real, kRead | kNeeded},
                                {"ZSUMMARY", ColumnKind::text, kRead},
                                {"ZTITLE", ColumnKind::text, kRead | kNeeded},
                                {"Z_ENT", ColumnKind::integer},
                                {"Z_OPT", ColumnKind::integer},
                                {"ZCONTAINSCJK", ColumnKind::integer},
                                {"ZCONTENTTYPE", ColumnKind::integer},
                                {"ZDELETEDFLAG", ColumnKind::integer},
                                {"ZEXTERNALFLAGS", ColumnKind::integer},
                                {"ZEXTERNALSERVERINTID", ColumnKind::integer},
                                {"ZINTEGERID", ColumnKind::integer},
                                {"ZISBOOKKEEPINGENTRY", ColumnKind::integer},
                                {"ZSTORE", ColumnKind::integer},
                                {"ZAUTHOR", ColumnKind::text},
                                {"ZGUID", ColumnKind::text, kUnique},
                                {"ZSERVERID", ColumnKind::text, kSpareUnique},
                            }};
enum BodyColumn : size_t { kOwner, kContent };
const KnownTable kBodyTable{"ZNOTEBODY",
                            {
                                {"ZOWNER", ColumnKind::integer, kRead | kNeeded},
                                {"ZCONTENT", ColumnKind::text, kRead | kNeeded},
                                {"Z_ENT", ColumnKind::integer},
                                {"Z_OPT", ColumnKind::integer},
                                {"ZEXTERNALCONTENTREF", ColumnKind::text},
                                {"ZEXTERNALREPRESENTATION", ColumnKind::blob},
                            },
                            LiveRows::values};

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

// A time a note of these phones can have, in seconds from 2001: from 2005 to the latest time its
// database can hold (see CarveDatabase::latestTime).
bool plausible(const CarvedValue& date, int64_t latest) {
    return (date.type == CarvedValue::integerValue || date.type == CarvedValue::realValue) &&
           date.asReal() >= 126230400 && date.asReal() < static_cast<double>(latest - kSince2001);
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
    if (!db.openIn(backupFolder, {backupkeys::notes, backupkeys::notesOld}, context_, "NoteDB is not exist")) return;
    // A file that kept a rollback journal dates a note by its creation, a newer one by its change.
    const NoteColumn dateColumn = db.writeAheadLog() ? kModified : kCreated;
    FileShapes shapes(db);
    const size_t noteGroup = shapes.add(kNoteTable), bodyGroup = shapes.add(kBodyTable);
    const std::vector<CarvedTable> tables = carveRecords(db, shapes.shapes());
    shapes.report(tables);
    // Each row with the shape it was read by, and the id it names of its partner.
    std::vector<const CarvedRecord*> notes, bodies;
    std::vector<const RowShape*> noteShapes, bodyShapes;
    std::vector<int64_t> bodyNamed, ownerNamed;
    for (const FileShapes::Member& member : shapes.of(noteGroup))
        for (const CarvedRecord& note : tables[member.index].deleted)
            if (plausible(member.shape->value(note, dateColumn), db.latestTime())) {
                notes.push_back(&note);
                noteShapes.push_back(member.shape);
                bodyNamed.push_back(member.shape->value(note, kBody).asInteger());
            }
    for (const FileShapes::Member& member : shapes.of(bodyGroup))
        for (const auto* list : {&tables[member.index].deleted, &tables[member.index].live})
            for (const CarvedRecord& body : *list) {
                bodies.push_back(&body);
                bodyShapes.push_back(member.shape);
                ownerNamed.push_back(member.shape->value(body, kOwner).asInteger());
            }
    auto contentOf = [&](size_t b) -> const CarvedValue& { return bodyShapes[b]->value(*bodies[b], kContent); };
    // The summary is the start of the body's text: a body that does not hold it is another
    // note's. Markup and blanks are left out of both before they are compared.
    // A note and a body meet many others: the letters compared are worked out once for each.
    std::vector<std::optional<std::string>> summaries(notes.size()), bodyStarts(bodies.size());
    auto fits = [&](size_t note, size_t body) {
        std::optional<std::string>& summary = summaries[note];
        if (!summary) summary = letters(textView(noteShapes[note]->value(*notes[note], kSummary)), 24);
        if (summary->empty()) return true;
        std::optional<std::string>& start = bodyStarts[body];
        if (!start) start = letters(textView(contentOf(body)), 24);
        return start->compare(0, summary->size(), *summary) == 0;
    };
    const std::vector<int> partner = pairRows(notes, bodyNamed, bodies, ownerNamed, fits);
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
                const RowShape& shape = *noteShapes[i];
                auto node = std::make_shared<PRNoteNode>();
                node->setNoteTitle(textOf(shape.value(note, kTitle)));
                node->setNoteDate(dateTimeText(shape.value(note, dateColumn).asInteger(), true).value_or(""));
                node->setUid(static_cast<int>(bodyNamed[i]));
                if (partner[i] >= 0)
                    node->setNoteContent(plainNoteText(textOf(contentOf(static_cast<size_t>(partner[i])))));
                made[i] = std::move(node);
            }
        },
        [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                arrays.noteArray.push_back(made[i]);
                notices::ScanDelNoteInfo.post(*context_.nc, std::move(made[i]));
            }
        });
    postProgress(context_, 85);
}

}  // namespace carve
