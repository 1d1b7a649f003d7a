#include "CarveTestSupport.h"
#include "CarvingFixtures.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"

#include <iostream>

using namespace carvetest;

class Explore : public CarveTest {};

template <class T>
void dump(const std::vector<std::shared_ptr<T>>& records) {
    std::cout << records.size() << " records\n";
    for (auto& r : records) std::cout << "  " << r->description() << "\n";
}

TEST_F(Explore, All) {
    carvefix::Options o;
    o.deletedPages = 40;
    auto calls = carvefix::writeCallHistory(file(carvefix::names::calls), o);
    state.currentNodeIsiOS6Version = true;
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
    dump(posted<PRCallHistoryNode>("ScanDelCallHistoryInfo"));
    carvefix::writeBookmarks(file(carvefix::names::bookmarks), o);
    carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder());
    dump(posted<PRBookMarkNode>("scanDelBookMarkInfo"));
    carvefix::writeCalendar(file(carvefix::names::calendar), o);
    carve::DelCalenderCarver(context).ScanDelCalenderThread(folder());
    dump(posted<PRCalenderNode>("scanDelCalenderInfo"));
    carvefix::writeNotes(file(carvefix::names::notes), o);
    carve::DelNoteCarver(context).scanDelNoteThread(folder());
    dump(posted<PRNoteNode>("ScanDelNoteInfo"));
    carvefix::writeAddressBook(file(carvefix::names::addressBook), o);
    carve::DelContactCarver(context).scanDelContactThread(folder());
    dump(posted<PRContactNode>("ScanDelContactInfo"));
    carvefix::writeMessages(file(carvefix::names::messages), o, carvefix::MessageLayout::ios6);
    carve::DelMessageCarver(context).scanDelMessageThread(folder());
    dump(posted<PRMessageNode>("ScanDelMessageInfo"));
}
