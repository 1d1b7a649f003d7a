#include "backup/carve/CarveDatabase.h"

#include "backup/CommitDB.h"
#include "model/PRRecordFields.h"

#include <cstdio>
#include <sys/stat.h>

namespace carve {

std::string CarveDatabase::existingFile(const std::string& folder, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        std::string path = folder + "/" + name;
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
    }
    return {};
}

bool CarveDatabase::open(const std::string& path, const CarveContext& context) {
    // Folding the journal switches the file to write-ahead logging and rewrites the header, so
    // the layout that the original header names has to be read before that.
    if (file_.open(path)) {
        writeAheadLog_ = checkSQliteVersion(file_, 18);
        file_.close();
    }
    if (context.commitDB) context.commitDB(path);
    if (!file_.open(path)) return false;
    layout_ = readPageLayout(file_);
    return true;
}

int64_t CarveDatabase::enterPage(int64_t index, bool upwards) {
    int64_t start = index * layout_.pageSize;
    file_.focus(start - layout_.pageSize, start + 2 * layout_.pageSize, upwards);
    return start;
}

std::string textOf(const FieldValue& value) {
    std::string_view t = value.text();
    return GetStringFormChar(t.data(), t.size());
}

namespace {
std::string dateText(int64_t seconds, bool fileType) {
    auto wide = GetDateTime(seconds, fileType);
    return wide ? GetNSStringDate(wide->c_str()) : std::string();
}
}  // namespace

std::string dateTextOf32(const FieldValue& value, bool fileType) {
    return dateText(value.intNumber(), fileType);
}

std::string dateTextOf64(const FieldValue& value, bool fileType) {
    return dateText(value.number(), fileType);
}

size_t characterCount(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xc0) != 0x80) ++n;
    return n;
}

void postProgress(const CarveContext& context, int value) {
    context.nc->postNotificationName("ScanProgressInfo", NSNumber::numberWithInt(value));
}

CarveContext::CarveContext(PRBackupScanState& scanState, NSNotificationCenter& center)
    : state(scanState), nc(&center), commitDB(::commitDB) {}

std::string CarveContext::nameFor(const std::string& phone) const {
    if (state.contactArray.empty()) return {};  // nothing to find: spare the number's normalising
    PROptionalText name = state.getNameByPhoneNumber(phone);
    return name ? *name : std::string();
}

void CarveContext::writeLog(const std::string& line) const {
    if (log)
        log(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace carve
