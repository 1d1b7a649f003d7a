#include "backup/carve/DelNoteCarver.h"

#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/NoteBodyText.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/DeletedNotes.h"
#include "backup/carve/FileShapes.h"
#include "backup/carve/InParallel.h"
#include "model/PRNoteNode.h"
#include "model/PRRecordFields.h"

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace carve {

namespace {

// The columns a carver reads of a note's title row, in this order in either layout; only the
// Core Data row names its body and holds an identifier.
enum NoteColumn : size_t { kCreated, kModified, kSummary, kTitle, kBody, kGuid };
enum BodyColumn : size_t { kOwner, kContent };

const KnownTable kNoteTable{"ZNOTE",
                            {
                                {"ZCREATIONDATE", ColumnKind::real, kRead | kNeeded},
                                {"ZMODIFICATIONDATE", ColumnKind::real, kRead | kNeeded},
                                {"ZSUMMARY", ColumnKind::text, kRead},
                                {"ZTITLE", ColumnKind::text, kRead | kNeeded},
                                {"ZBODY", ColumnKind::integer, kRead | kNeeded},
                                {"ZGUID", ColumnKind::text, kRead | kUnique},
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
                                {"ZSERVERID", ColumnKind::text, kSpareUnique},
                            },
                            LiveRows::digest};
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
// The older notes file: a note is its Note row's row id, which its body names.
const KnownTable kOlderNoteTable{"Note",
                                 {
                                     {"creation_date", ColumnKind::integer, kRead | kNeeded},
                                     {"modification_date", ColumnKind::integer, kRead | kNeeded},
                                     {"summary", ColumnKind::text, kRead},
                                     {"title", ColumnKind::text, kRead | kNeeded},
                                     {"contains_cjk", ColumnKind::integer},
                                     {"remote_id", ColumnKind::integer},
                                 },
                                 LiveRows::digest};
const KnownTable kOlderBodyTable{"note_bodies",
                                 {
                                     {"note_id", ColumnKind::integer, kRead | kNeeded},
                                     {"data", ColumnKind::text, kRead | kNeeded},
                                 },
                                 LiveRows::values};

// A time a note of these phones can have, in seconds from 2001: from 2005 to the latest time its
// database can hold (see CarveDatabase::latestTime).
bool plausible(const CarvedValue& date, int64_t latest) {
    return (date.type == CarvedValue::integerValue || date.type == CarvedValue::realValue) &&
           date.asReal() >= 126230400 && date.asReal() < static_cast<double>(latest - kSince2001);
}

// What tells a note across its versions, whatever its row id: its identifier where its layout
// keeps one, else when it was made (to the second, or finer in Core Data).
std::string identity(const RowShape& shape, const CarvedRecord& row, bool coreData) {
    if (coreData)
        if (std::string_view guid = textView(shape.value(row, kGuid)); !guid.empty()) return std::string(guid);
    const CarvedValue& created = shape.value(row, kCreated);
    if (created.type != CarvedValue::integerValue && created.type != CarvedValue::realValue) return {};
    return "made " + std::to_string(created.asReal());
}

// All that is kept of a live note (see LiveRows::digest), beside its id: the key of its
// identity, where it has one.
enum LiveNoteWord : size_t { kIdentity, kHasIdentity };
void digestLiveNote(const RowShape& shape, const CarvedRecord& row, bool coreData, LiveDigest& digest) {
    const std::string text = identity(shape, row, coreData);
    digest.words[kHasIdentity] = !text.empty();
    if (!text.empty()) digest.words[kIdentity] = identityKey(text);
}

int noteUid(int64_t id) { return id > 0 && id <= INT_MAX ? static_cast<int>(id) : -1; }

// The rows of one layout's two tables, as DeletedNotes takes them.
struct LayoutRows {
    NoteRows rows;
    std::vector<const RowShape*> noteShapes, bodyShapes;
};

LayoutRows gather(const FileShapes& shapes, const std::vector<CarvedTable>& tables, size_t noteGroup, size_t bodyGroup,
                  bool namesBody, NoteColumn dateColumn, int64_t latest) {
    LayoutRows l;
    l.rows.notesNameBodies = namesBody;
    for (const FileShapes::Member& member : shapes.of(noteGroup)) {
        for (const LiveDigest& live : tables[member.index].digests) {
            l.rows.liveNoteIds.push_back(live.rowid);
            if (live.words[kHasIdentity]) l.rows.liveIdentities.push_back(live.words[kIdentity]);
        }
        for (const CarvedRecord& note : tables[member.index].deleted) {
            const CarvedValue& date = member.shape->value(note, dateColumn);
            if (!plausible(date, latest)) continue;
            l.rows.notes.push_back({&note, namesBody ? member.shape->value(note, kBody).asInteger() : 0,
                                    member.shape->value(note, kModified).asReal(),
                                    textView(member.shape->value(note, kSummary)),
                                    identity(*member.shape, note, namesBody)});
            l.noteShapes.push_back(member.shape);
        }
    }
    for (const FileShapes::Member& member : shapes.of(bodyGroup))
        for (const bool live : {false, true})
            for (const CarvedRecord& body : live ? tables[member.index].live : tables[member.index].deleted) {
                l.rows.bodies.push_back({&body, member.shape->value(body, kOwner).asInteger(),
                                         textView(member.shape->value(body, kContent)), live});
                l.bodyShapes.push_back(member.shape);
            }
    return l;
}

}  // namespace

void DelNoteCarver::scanDelNoteThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {backupkeys::notes, backupkeys::notesOld}, context_, "NoteDB is not exist")) return;
    // A file that kept a rollback journal dates a note by its creation, a newer one by its change.
    const NoteColumn dateColumn = db.writeAheadLog() ? kModified : kCreated;
    FileShapes shapes(db);
    const size_t noteGroup = shapes.add(kNoteTable), bodyGroup = shapes.add(kBodyTable);
    const size_t olderNoteGroup = shapes.add(kOlderNoteTable), olderBodyGroup = shapes.add(kOlderBodyTable);
    // The live title rows are kept as their ids and the keys of their identities alone.
    std::vector<TableShape> tableShapes = shapes.shapes();
    for (const auto& [group, coreData] : {std::pair(noteGroup, true), std::pair(olderNoteGroup, false)})
        for (const FileShapes::Member& member : shapes.of(group))
            tableShapes[member.index].digest = [shape = member.shape, coreData](const CarvedRecord& row,
                                                                                LiveDigest& digest) {
                digestLiveNote(*shape, row, coreData, digest);
            };
    std::vector<CarvedTable> tables = carveRecords(db, tableShapes);
    shapes.report(tables);
    const LayoutRows layouts[] = {
        gather(shapes, tables, noteGroup, bodyGroup, true, dateColumn, db.latestTime()),
        gather(shapes, tables, olderNoteGroup, olderBodyGroup, false, dateColumn, db.latestTime())};
    // The live title rows are in the layouts' lists now: their digests' room goes back before
    // the notes are paired and made, the most the carver holds.
    for (CarvedTable& table : tables) CarvedRows<LiveDigest>().swap(table.digests);
    // What is listed, by layout: a title row with the body it pairs with, or a body alone.
    struct Listed {
        const LayoutRows* layout;
        DeletedNote note;
    };
    std::vector<Listed> listed;
    for (const LayoutRows& layout : layouts)
        for (const DeletedNote& note : deletedNotes(layout.rows)) listed.push_back({&layout, note});

    // The notes are made side by side (a body's text is long to clean of its markup), and listed
    // and posted here in order as the stretches are made.
    std::vector<PRNoteNodePtr> made(listed.size());
    PRBackupScanState& arrays = context_.state;
    constexpr size_t kNotesPerStretch = 1024;
    inStretchesInOrder(
        listed.size(), kNotesPerStretch, 0,
        [&](size_t from, size_t to, size_t) {
            for (size_t i = from; i < to; ++i) {
                const LayoutRows& layout = *listed[i].layout;
                const DeletedNote& picked = listed[i].note;
                auto node = std::make_shared<PRNoteNode>();
                node->setUid(noteUid(picked.id));
                node->setBPartial(picked.partial);
                if (picked.body >= 0)
                    node->setNoteContent(
                        backuptext::noteBodyText(layout.rows.bodies[static_cast<size_t>(picked.body)].content));
                if (picked.note >= 0) {
                    const size_t n = static_cast<size_t>(picked.note);
                    const RowShape& shape = *layout.noteShapes[n];
                    const CarvedRecord& row = *layout.rows.notes[n].row;
                    node->setNoteTitle(textOf(shape.value(row, kTitle)));
                    node->setNoteDate(dateTimeText(shape.value(row, dateColumn).asInteger(), true).value_or(""));
                }
                // A note whose title row is gone (or held none) shows its first line, as the
                // phone titles a note.
                if (node->noteTitle().empty()) node->setNoteTitle(backuptext::titleFromBodyText(node->noteContent()));
                made[i] = std::move(node);
            }
        },
        [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                if (context_.listInState) arrays.noteArray.push_back(made[i]);
                notices::ScanDelNoteInfo.post(*context_.nc, std::move(made[i]));
            }
        });
    postProgress(context_, 85);
}

}  // namespace carve
