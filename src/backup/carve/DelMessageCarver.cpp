#include "backup/carve/DelMessageCarver.h"

#include "backup/carve/CarveDatabase.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace carve {

namespace {
const std::string kPosted = "ScanDelMessageInfo";
const char* const kMessages = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";

// Length of the header of the older layouts' records, from the serial type before a 0x00 byte.
int headerGuess(CarveFile& file, int64_t pos, int wide) {
    switch (GetFildLength(file, pos)) {
    case 1: return 17;
    case 2: return wide;
    default: return 0;
    }
}

bool isFirstKind(const uint8_t* t) { return t[0] == 0x00 && t[1] == 0x11 && t[2] == 0x00 && t[3] == 0x00; }

bool isSecondKind(const uint8_t* t) {
    static const uint8_t a[8] = {0x08, 0x08, 0x00, 0x08, 0x08, 0x08, 0x08, 0x08};
    static const uint8_t b[8] = {0x01, 0x08, 0x00, 0x01, 0x08, 0x08, 0x08, 0x08};
    return (t[0] == 0x08 && std::equal(t, t + 8, a)) || (t[0] == 0x01 && std::equal(t, t + 8, b));
}

bool isIOS6Message(const uint8_t* t) {
    if (t[0] != 0x08 || t[1] != 0x00) return false;
    if (t[2] == 0x02) return true;
    if (t[2] == 0x01) return (t[3] == 0x00 && (t[4] == 0x00 || t[4] == 0x11)) || (t[3] == 0x0d && t[4] == 0x00);
    return t[2] == 0x09 && t[3] == 0x00 && t[4] == 0x11;
}
}  // namespace

std::string DelMessageCarver::flagsType(int flags) {
    if (flags == 2 || flags == 22) return "Received";
    if (flags == 3 || flags == 16387) return "Send";
    return "unknown";
}

std::string DelMessageCarver::iOS6Type(int value) {
    if (value == 1) return "Send";
    if (value == 0) return "Received";
    return "Unknowed";
}

void DelMessageCarver::post(const PRMessageNodePtr& message) {
    context_.nc->postNotificationName(kPosted, message);
}

void DelMessageCarver::scanDelMessageThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kMessages}, context_, "messageDB is not exist")) return;
    pageSize_ = db.pageSize();
    const bool W = db.writeAheadLog();
    const bool S = context_.state.currentNodeIsiOS6Version;
    chatRowids_.clear();
    for (const auto& chat : context_.state.chatMessageArray) chatRowids_.insert(chat->rowid());

    db.walkPages(/*upwards*/ true, [&](int64_t, int64_t P) {
        int code = getPageType(db.file(), P);
        if (S) {
            if (code == 1 || code == 2) carveIOS6Page(db, P, code);
        } else if (code == 1) {
            if (W)
                carveWriteAheadPage(db, P);
            else
                carvePlainPage(db, P);
        }
    });
    if (S) joinIOS6Messages();
    postProgress(context_, 80);
}

void DelMessageCarver::carvePlainPage(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int C1 = db.pageNumber(P + 8), C2 = db.pageNumber(P + 10);
    if (bcheckSubStringIsValid(file, P + 10 + C2, 14, 2, 10) != 1 &&
        bcheckSubStringIsValid(file, P + 10 + C1, 14, 2, 10) != 1)
        return;
    FieldValue value;
    for (int64_t p = P; p < P + pageSize_; ++p) {
        if (!isFirstKind(file.bytes(p, 4))) continue;
        int a = bIsAlterbleDBFile(file, p - 10, 2) == 1 ? 1 : 0;
        RecordCursor rec{file, p - 12 - a, 17 + a};
        rec.valueCapacity = pageSize_;
        auto message = std::make_shared<PRMessageNode>();
        AnalyseDBDataFile(rec, 1, value);
        if (!value.text().empty()) message->setMessagePhone(textOf(value));
        AnalyseDBDataFile(rec, 2, value);
        message->setMessageDate(dateTextOf64(value, false));
        if (a == 1)
            AnalyseAlterbleDB(rec, 3, value);
        else
            AnalyseDBDataFile(rec, 3, value);
        message->setMessageContent(textOf(value));
        AnalyseDBDataFile(rec, a == 1 ? 5 : 4, value);
        message->setMessageType(flagsType(value.intNumber()));
        message->setMessageName(context_.nameFor(message->messagePhone()));
        if (!db.isLiveRow(p)) post(message);
    }
}

void DelMessageCarver::carveWriteAheadPage(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int C0 = db.pageNumber(P + 5), C1 = db.pageNumber(P + 8), C2 = db.pageNumber(P + 10),
        C3 = db.pageNumber(P + 12);
    if (bcheckSubStringIsValid(file, P + 10 + C2, 14, 2, 10) != 1 &&
        bcheckSubStringIsValid(file, P + 10 + C1, 14, 2, 10) != 1 &&
        bcheckSubStringIsValid(file, P + 10 + C3, 14, 2, 10) != 1 &&
        bcheckSubStringIsValid(file, P + 15 + C0, 8, 2, 10) != 1)
        return;
    int h = headerGuess(file, P + C1 + 3, 33);
    int64_t lastFirstKind = 0;
    FieldValue value;
    for (int64_t p = P; p < P + pageSize_; ++p) {
        const uint8_t* t = file.bytes(p, 8);
        if (isFirstKind(t)) {
            if (h == 0) h = headerGuess(file, p - 14, 33);
            int a = bIsAlterbleDBFile(file, p - 10, 2) == 1 ? 1 : 0;
            RecordCursor rec{file, p - 15 - a, h + a, 3};
            rec.valueCapacity = pageSize_;
            auto message = std::make_shared<PRMessageNode>();
            AnalyseDBDataFile(rec, 1, value);
            if (value.text().empty()) {
                // No phone where the shifted record has it: the record starts further on.
                rec.running = 0;
                rec.start = p + 20 - h - a;
                rec.head = 0;
                AnalyseDBDataFile(rec, 1, value);
            }
            message->setMessagePhone(textOf(value));
            AnalyseDBDataFile(rec, 2, value);
            message->setMessageDate(dateTextOf64(value, false));
            if (a == 1)
                AnalyseAlterbleDB(rec, 3, value);
            else
                AnalyseDBDataFile(rec, 3, value);
            if (!value.text().empty()) message->setMessageContent(textOf(value));
            AnalyseDBDataFile(rec, a == 1 ? 5 : 4, value);
            message->setMessageType(flagsType(value.intNumber()));
            if (characterCount(message->messagePhone()) > 1)
                message->setMessageName(context_.nameFor(message->messagePhone()));
            if (!db.isLiveRow(p)) post(message);
            lastFirstKind = p;
        } else if (isSecondKind(t)) {
            if (h == 0) h = headerGuess(file, p - 14, 34);
            int e = IsAlterAboutContent(file, p - 2) ? 1 : 0;
            int L = (h == 0 || h == 33) ? 34 : h;
            RecordCursor rec{file, p - 4 - e, L + e};
            rec.valueCapacity = pageSize_;
            auto message = std::make_shared<PRMessageNode>();
            for (int column = 1; column <= 27; ++column) {
                if (e == 0 && (column == 5 || column == 18 || column == 27)) continue;
                if (e == 1 && (column == 4 || column == 17 || column == 19 || column == 26)) continue;
                bool twoByte = (column == 3 && e == 1) || (column == 17 && e == 0) || (column == 18 && e == 1);
                if (twoByte)
                    AnalyseAlterbleDB(rec, column, value);
                else
                    AnalyseDBDataFile(rec, column, value);
                if (column == 2) message->setMessageDate(dateTextOf64(value, false));
                if (column == 3 && !value.text().empty()) message->setMessageContent(textOf(value));
                if (column == 19 + e) message->setMessagePhone(textOf(value));
                if ((e == 0 && (column == 20 || column == 26)) || (e == 1 && column == 27))
                    message->setMessageType(flagsType(value.intNumber()));
            }
            message->setBImessage(true);
            if (characterCount(message->messagePhone()) > 1)
                message->setMessageName(context_.nameFor(message->messagePhone()));
            // An empty tail of a message just carved, not a message of its own.
            bool echo = message->messagePhone().empty() && message->messageType() == "unknown" &&
                        p - lastFirstKind < 400;
            if (!echo && !db.isLiveRow(p)) post(message);
        }
    }
}

void DelMessageCarver::carveIOS6Page(CarveDatabase& db, int64_t P, int code) {
    CarveFile& file = db.file();
    PRBackupScanState& arrays = context_.state;
    int C0 = db.pageNumber(P + 5), C1 = db.pageNumber(P + 8), C2 = db.pageNumber(P + 10),
        C3 = db.pageNumber(P + 12);
    FieldValue value;

    if (bcheckChatIOS6SubStringIsValid(file, P + C1, 14, 4) == 1) {
        for (int64_t q = P; q < P + pageSize_; ++q) {
            const uint8_t* t = file.bytes(q, 2);
            if (t[0] != 0x06 || t[1] != 0x00) continue;
            auto chat = std::make_shared<PRChatMessageNode>();
            chat->setRowid(file.byte(q - 1));
            RecordCursor rec{file, q + 1, 5};
            rec.valueCapacity = pageSize_;
            AnalyseDBDataFile(rec, 1, value);
            chat->setPhoneValue(textOf(value));
            if (chatRowids_.insert(chat->rowid()).second) arrays.chatMessageArray.push_back(chat);
        }
    }

    bool search = code == 2 || bcheckMessageIOS6SubStringIsValid(file, P + 4 + C2, 14, 10) == 1 ||
                  bcheckMessageIOS6SubStringIsValid(file, P + 4 + C1, 14, 10) == 1 ||
                  bcheckMessageIOS6SubStringIsValid(file, P + 4 + C3, 14, 10) == 1 ||
                  bcheckMessageIOS6SubStringIsValid(file, P + 8 + C0, 14, 10) == 1;
    if (!search) return;
    for (int64_t p = P; p < P + pageSize_; ++p) {
        if (!isIOS6Message(file.bytes(p, 5))) continue;
        bool property = ISAlterPropertFiled(file, p + 5);
        int a = ISAlterMessageContentFiled(file, p - 2) ? 1 : 0;
        RecordCursor rec{file, a ? p - 4 : p - 3, 38 + (property ? 1 : 0) + a};
        rec.valueCapacity = pageSize_;
        auto message = std::make_shared<PRMessageNode>();
        for (int column = 1; column <= 23; ++column) {
            bool skip = a == 0 ? (column == 9 || (column == 8 && !property))
                               : (column == 3 || column == 4 || column == 5 || column == 10);
            if (skip) continue;
            bool twoByte = a == 0 ? column == 8 : (column == 2 || column == 9);
            if (twoByte)
                AnalyseAlterbleDB(rec, column, value);
            else
                AnalyseDBDataFile(rec, column, value);
            if (column == 2) message->setMessageContent(textOf(value));
            if (column == 5 + a) message->setHandle_id(value.intNumber());
            if (column == 12 + a) message->setBImessage(value.text() != "SMS");
            if (column == 16 + a) message->setMessageDate(dateTextOf64(value, false));
            if (column == 22 + a) message->setMessageType(iOS6Type(value.intNumber()));
        }
        if (!db.isLiveRow(p)) arrays.messageArray.push_back(message);
    }
}

void DelMessageCarver::joinIOS6Messages() {
    PRBackupScanState& arrays = context_.state;
    std::unordered_map<int, std::vector<const PRChatMessageNode*>> byRow;
    for (const auto& chat : arrays.chatMessageArray) byRow[chat->rowid()].push_back(chat.get());
    for (const PRMessageNodePtr& message : arrays.messageArray) {
        auto found = byRow.find(message->handle_id());
        if (found != byRow.end()) {
            for (const PRChatMessageNode* chat : found->second) {
                message->setMessagePhone(chat->phoneValue());
                if (characterCount(chat->phoneValue()) > 1)
                    message->setMessageName(context_.nameFor(chat->phoneValue()));
            }
        }
        post(message);
    }
}

}  // namespace carve
