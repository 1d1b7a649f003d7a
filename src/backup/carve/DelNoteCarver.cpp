#include "backup/carve/DelNoteCarver.h"

#include "backup/carve/CarveDatabase.h"

#include <unordered_map>

namespace carve {

namespace {
const std::string kPosted = "ScanDelNoteInfo";
const char* const kNotes = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
const char* const kNotesOld = "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b";

bool equals(const uint8_t* t, std::initializer_list<uint8_t> pattern) { return std::equal(pattern.begin(), pattern.end(), t); }

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

inline bool inRange(int b, int lo, int hi) { return b >= lo && b <= hi; }
}  // namespace

int DelNoteCarver::CheckTitlePostion(CarveFile& file, int64_t pos) {
    return (CarveFile::readable(pos) && file.byte(pos) == 0x00) ? 19 : 15;
}

int64_t DelNoteCarver::checkTitleAlterable(CarveFile& file, int64_t pos, int postion) {
    if (!CarveFile::readable(pos)) return 0;
    if (postion == 15) return file.findForward(pos, 0x00) - pos;
    if (postion == 19) {
        int b = file.byte(pos + 1);
        return (b != 0x03 && b != 0x01) ? 1 : 0;
    }
    return 0;
}

int64_t DelNoteCarver::CheckAlterSummary(CarveFile& file, int64_t pos, int version) {
    if (version != 0 || !CarveFile::readable(pos)) return 0;
    return file.findForward(pos, 0x03) - pos;
}

int64_t DelNoteCarver::bIsAlterbleDBFileVersion(CarveFile& file, int64_t pos, int version) {
    if (!CarveFile::readable(pos)) return 0;
    if (version == 0) return file.findForward(pos, 0x00) - pos;
    if (version == 1) return file.findForward(pos, 0x03) - pos;
    return 0;
}

bool DelNoteCarver::bIsbSummeryChanged(CarveFile& file, int64_t pos) {
    return CarveFile::readable(pos) && inRange(file.byte(pos), 0x79, 0x88);
}

bool DelNoteCarver::bIsbTitleChanged(CarveFile& file, int64_t pos) { return bIsbSummeryChanged(file, pos); }

int DelNoteCarver::CheckNoteBodyMark(CarveFile& file, int64_t pos) {
    if (!CarveFile::readable(pos)) return 0;
    const uint8_t* t = file.bytes(pos + 3, 3);
    return (t[0] >= 0x10 && (t[1] == 0x00 || t[2] == 0x00)) ? 1 : 0;
}

std::string DelNoteCarver::plainNoteText(std::string text) {
    replaceAll(text, "<div>", "");
    replaceAll(text, "</div>", "");
    replaceAll(text, "&nbsp;", " ");
    replaceAll(text, "<br>", " ");
    replaceAll(text, "</br>", " ");
    return text;
}

void DelNoteCarver::scanDelNoteThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kNotes, kNotesOld}, context_, "NoteDB is not exist")) return;
    pageSize_ = db.pageSize();
    const bool variantB = db.writeAheadLog();
    db.walkPages(/*upwards*/ true, [&](int64_t, int64_t P) {
        if (getPageType(db.file(), P) != 1) return;
        if (variantB)
            carveHeadsWriteAhead(db, P);
        else
            carveHeadsRollback(db, P);
        carveBodies(db, P);
    });
    joinAndPost();
    postProgress(context_, 85);
}

void DelNoteCarver::carveHeadsRollback(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int K = db.pageNumber(P + 8);
    if (bcheckSubStringIsValid(file, P + 4 + K, 14, 6, 14) != 1) return;
    FieldValue value;
    for (int64_t j = P; j < P + pageSize_; ++j) {
        const uint8_t* T = file.bytes(j, 7);
        if (!equals(T, {1, 1, 1, 1, 1, 1, 5}) && !equals(T, {1, 1, 1, 1, 2, 1, 5})) continue;
        int t = CheckTitlePostion(file, j + 13);
        int64_t a = t == 15 ? checkTitleAlterable(file, j + 14, 15) : checkTitleAlterable(file, j + 18, 19);
        int64_t s = CheckAlterSummary(file, a == 1 ? j + 19 : j + 18, 0);
        RecordCursor rec{file, j - 1, (a == 1 ? 20 : 19) + (s > 0 ? 1 : 0)};
        rec.valueCapacity = pageSize_;
        auto head = std::make_shared<PRNoteNode>();
        const int last = t == 15 ? 18 : 19;
        for (int column = 1; column <= last; ++column) {
            bool titleColumn = t == 15 ? column == 14 : (column == (s > 0 ? 19 : 18));
            if (t == 15 && column == 15 && a != 0) continue;
            if (t == 19 && column == 18 && s > 0) continue;
            if (t == 19 && column == 19 && s == 0) break;
            bool twoByte = (titleColumn && a == 1) || (s > 0 && column == (t == 15 ? 18 : 17));
            if (twoByte)
                AnalyseAlterbleDB(rec, column, value);
            else
                AnalyseDBDataFile(rec, column, value);
            if (column == (t == 15 ? 11 : 10)) head->setUid(value.intNumber());
            if (column == 12) head->setNoteDate(dateTextOf32(value, true));
            if (titleColumn && !value.text().empty()) head->setNoteTitle(textOf(value));
        }
        context_.state.noteArray.push_back(head);
    }
}

void DelNoteCarver::carveHeadsWriteAhead(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int K = db.pageNumber(P + 8);
    if (bcheckSubStringIsValid(file, P + 4 + K, 16, 6, 16) != 1) return;
    const bool iOS7 = context_.state.bIOS7DeviceNode;
    FieldValue value;
    for (int64_t j = P; j < P + pageSize_; ++j) {
        const uint8_t* T = file.bytes(j, 8);
        bool opens = equals(T, {1, 1, 1, 1, 1, 1, 5});
        if (iOS7) opens = opens || equals(T, {1, 1, 1, 1, 1, 1, 0, 5});
        if (!opens) continue;
        auto head = std::make_shared<PRNoteNode>();
        if (iOS7) {
            int s = bIsbSummeryChanged(file, j + 17) ? 1 : 0;
            int t = bIsbTitleChanged(file, s == 0 ? j + 18 : j + 19) ? 1 : 0;
            RecordCursor rec{file, j - 1, 20 + s + t};
            rec.valueCapacity = pageSize_;
            for (int column = 1; column <= 20; ++column) {
                if (column == 19 && s == 1) continue;
                if (column == 20 && s == 0) continue;
                bool title = column == 19 + s;
                bool twoByte = (column == 18 && s == 1) || (title && t == 1);
                if (twoByte)
                    AnalyseAlterbleDB(rec, column, value);
                else
                    AnalyseDBDataFile(rec, column, value);
                if (column == 11) head->setUid(value.intNumber());
                if (column == 14) head->setNoteDate(dateTextOf32(value, true));
                if (title) head->setNoteTitle(textOf(value));
            }
        } else {
            int64_t a = bIsAlterbleDBFileVersion(file, j + 18, 1);
            int L = a == 0 ? 19 : a == 1 ? 20 : a == 2 ? 21 : 0;
            RecordCursor rec{file, j - 1, L};
            rec.valueCapacity = pageSize_;
            for (int column = 1; column <= 19; ++column) {
                if (column == 19) {
                    if (a == 1) {
                        // This title's serial type sits one byte further on.
                        RecordCursor shifted{file, j - 4, L, 4, rec.running, pageSize_};
                        AnalyseAlterbleDB(shifted, column, value);
                    } else if (a == 2) {
                        AnalyseAlterbleDB(rec, column, value);
                    } else {
                        break;
                    }
                    if (!value.text().empty()) head->setNoteTitle(textOf(value));
                    break;
                }
                if (column == 18 && a != 0)
                    AnalyseAlterbleDB(rec, column, value);
                else
                    AnalyseDBDataFile(rec, column, value);
                if (column == 10) head->setUid(value.intNumber());
                if (column == 13) head->setNoteDate(dateTextOf32(value, true));
                if (column == 18 && a == 0 && !value.text().empty()) head->setNoteTitle(textOf(value));
            }
        }
        context_.state.noteArray.push_back(head);
    }
}

void DelNoteCarver::carveBodies(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int K = db.pageNumber(P + 8);
    if (bcheckSubStringIsValid(file, P + 4 + K, 6, 6, 6) != 1) return;
    FieldValue value;
    for (int64_t j = P; j < P + pageSize_; ++j) {
        if (!equals(file.bytes(j, 3), {1, 1, 1}) || CheckNoteBodyMark(file, j) != 1) continue;
        int64_t w = bIsAlterbleDBFile(file, j + 4, 6);
        RecordCursor rec{file, j - 1, w + 7};
        rec.valueCapacity = pageSize_;
        auto body = std::make_shared<PRNoteValueNode>();
        for (int column = 1; column <= 4; ++column) {
            if (column == 4 && w == 1)
                AnalyseAlterbleDB(rec, column, value);
            else
                AnalyseDBDataFile(rec, column, value);
            if (column == 3) body->setUid(value.intNumber());
            if (column == 4 && !value.text().empty()) body->setNoteValue(textOf(value));
        }
        if (!db.isLiveRow(j)) context_.state.noteValueArray.push_back(body);
    }
}

void DelNoteCarver::joinAndPost() {
    PRBackupScanState& arrays = context_.state;
    if (arrays.noteValueArray.empty()) return;
    // A head whose id repeats the one before it is taken as the next note (its id raised by one).
    // One pass settles that for good, so it is done once rather than once per body.
    int previous = 0;
    for (const auto& head : arrays.noteArray) {
        if (head->uid() == previous) head->setUid(head->uid() + 1);
        previous = head->uid();
    }
    std::unordered_map<int, const PRNoteNode*> lastHead;  // a later head of the same id wins
    for (const auto& head : arrays.noteArray) lastHead[head->uid()] = head.get();
    for (const auto& body : arrays.noteValueArray) {
        auto note = std::make_shared<PRNoteNode>();
        auto found = lastHead.find(body->uid());
        if (found != lastHead.end()) {
            note->setNoteDate(found->second->noteDate());
            note->setNoteTitle(found->second->noteTitle());
        }
        note->setNoteContent(plainNoteText(body->noteValue()));
        context_.nc->postNotificationName(kPosted, note);
    }
}

}  // namespace carve
