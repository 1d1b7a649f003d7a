#include "CarveQuality.h"

#include "backup/carve/CarveContext.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sys/stat.h>

namespace carvequality {

using carvefix::CarveKind;
using carvefix::ExpectedRecord;

const char* postedName(CarveKind kind) {
    switch (kind) {
    case CarveKind::calls: return "ScanDelCallHistoryInfo";
    case CarveKind::contacts: return "ScanDelContactInfo";
    case CarveKind::messages: return "ScanDelMessageInfo";
    case CarveKind::notes: return "ScanDelNoteInfo";
    case CarveKind::bookmarks: return "scanDelBookMarkInfo";
    case CarveKind::calendar: return "scanDelCalenderInfo";
    }
    return "";
}

void carve(CarveKind kind, carve::CarveContext& context, const std::string& folder) {
    switch (kind) {
    case CarveKind::calls: carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder); break;
    case CarveKind::contacts: carve::DelContactCarver(context).scanDelContactThread(folder); break;
    case CarveKind::messages: carve::DelMessageCarver(context).scanDelMessageThread(folder); break;
    case CarveKind::notes: carve::DelNoteCarver(context).scanDelNoteThread(folder); break;
    case CarveKind::bookmarks: carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder); break;
    case CarveKind::calendar: carve::DelCalenderCarver(context).ScanDelCalenderThread(folder); break;
    }
}

namespace {

// A reported record in the fixture's terms.
ExpectedRecord recordOf(CarveKind kind, const NSObjectPtr& object) {
    ExpectedRecord r;
    switch (kind) {
    case CarveKind::calls: {
        auto c = std::dynamic_pointer_cast<PRCallHistoryNode>(object);
        r.key = c->callPhone() + "|" + c->callDate();
        r.fields = {{"callType", c->callType()}, {"callDuration", c->callDuration()}};
        break;
    }
    case CarveKind::contacts: {
        auto c = std::dynamic_pointer_cast<PRContactNode>(object);
        r.key = c->contactName();
        r.fields = {{"contactPhone", c->contactPhone()}, {"contactEmail", c->contactEmail()}};
        break;
    }
    case CarveKind::messages: {
        auto m = std::dynamic_pointer_cast<PRMessageNode>(object);
        r.key = m->messageContent();
        r.fields = {{"messagePhone", m->messagePhone()}, {"messageDate", m->messageDate()}};
        break;
    }
    case CarveKind::notes: {
        auto n = std::dynamic_pointer_cast<PRNoteNode>(object);
        r.key = n->noteTitle();
        r.fields = {{"noteContent", n->noteContent()}, {"noteDate", n->noteDate()}};
        break;
    }
    case CarveKind::bookmarks: {
        auto b = std::dynamic_pointer_cast<PRBookMarkNode>(object);
        r.key = b->bookMarkTitle();
        r.fields = {{"bookMarkURL", b->bookMarkURL()}};
        break;
    }
    case CarveKind::calendar: {
        auto c = std::dynamic_pointer_cast<PRCalenderNode>(object);
        r.key = c->calTitle();
        r.fields = {{"location", c->location()},
                    {"calNote", c->calNote()},
                    {"startDate", c->startDate()},
                    {"endDate", c->endDate()}};
        break;
    }
    }
    return r;
}

}  // namespace

Score measure(CarveKind kind, const carvefix::NaturalOptions& options, const std::string& folder, bool explain) {
    ::mkdir(folder.c_str(), 0700);
    const carvefix::NaturalRows rows = carvefix::writeNaturalDatabase(folder, kind, options);

    PRBackupScanState state;
    state.currentNodeIsiOS6Version = static_cast<int>(options.ios) >= 6;
    state.bIOS7DeviceNode = options.ios == iosschema::Ios::v7;
    NSNotificationCenter nc;
    carve::CarveContext context(state, nc);
    context.log = [](const std::string&) {};
    std::vector<ExpectedRecord> reported;
    int token = 0;
    nc.addObserver(&token, postedName(kind),
                   [&](const NSNotification& n) { reported.push_back(recordOf(kind, n.object())); });
    carve(kind, context, folder);
    nc.removeObserver(&token);

    std::multimap<std::string, size_t> deletedByKey;
    std::set<std::string> liveKeys;
    for (size_t i = 0; i < rows.deleted.size(); ++i) deletedByKey.emplace(rows.deleted[i].key, i);
    for (const auto& r : rows.live) liveKeys.insert(r.key);
    const std::vector<std::string> joined = carvefix::joinedFields(kind);

    Score score;
    score.deleted = static_cast<int>(rows.deleted.size());
    score.reported = static_cast<int>(reported.size());
    std::vector<bool> found(rows.deleted.size(), false);
    for (const ExpectedRecord& r : reported) {
        auto range = deletedByKey.equal_range(r.key);
        bool matched = false, joinWrong = false;
        for (auto it = range.first; it != range.second && !matched; ++it) {
            const ExpectedRecord& want = rows.deleted[it->second];
            bool ownOk = true, joinOk = true, joinEmpty = false;
            for (const auto& [field, value] : want.fields) {
                const bool isJoined = std::find(joined.begin(), joined.end(), field) != joined.end();
                auto got = r.fields.find(field);
                const std::string text = got == r.fields.end() ? std::string() : got->second;
                if (!isJoined)
                    ownOk = ownOk && text == value;
                else if (text.empty() && !value.empty())
                    joinEmpty = true;
                else
                    joinOk = joinOk && text == value;
            }
            if (ownOk && joinOk && !found[it->second]) {
                found[it->second] = matched = true;
                score.joinMissing += joinEmpty ? 1 : 0;
            } else if (ownOk && !joinOk) {
                joinWrong = true;
            }
        }
        if (matched) continue;
        if (range.first == range.second && liveKeys.count(r.key)) {
            ++score.liveAsDeleted;
        } else if (joinWrong) {
            ++score.wrongJoins;
        } else {
            ++score.garbage;
        }
        if (explain) {
            std::string fields;
            for (const auto& [name, value] : r.fields) fields += " " + name + "=" + value;
            std::fprintf(stderr, "%s: wrong record %s |%s\n", carvefix::kindName(kind), r.key.c_str(), fields.c_str());
        }
    }
    std::string bytes;
    {
        std::ifstream in(folder + "/" + carvefix::backupFileName(kind), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (size_t i = 0; i < found.size(); ++i) {
        const std::string& marker = rows.deleted[i].marker;
        score.recoverable += (marker.empty() || bytes.find(marker) != std::string::npos) ? 1 : 0;
        score.recovered += found[i] ? 1 : 0;
        if (!found[i] && explain)
            std::fprintf(stderr, "%s: missed %s\n", carvefix::kindName(kind), rows.deleted[i].key.c_str());
    }
    return score;
}

}  // namespace carvequality
