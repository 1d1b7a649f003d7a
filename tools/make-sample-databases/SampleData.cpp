// Generated rows for the sample databases: names, numbers, conversations, calls, notes,
// bookmarks and calendar items that look like a person's phone, the same on every run.
#include "SampleDatabases.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <iterator>

namespace sampledb {
namespace {

// A small deterministic generator (xorshift), so that fixtures never change between runs.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed ? seed : 1) {}
    uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n)); }
    template <class T, size_t N>
    const T& pick(const T (&list)[N]) {
        return list[below(static_cast<int>(N))];
    }

private:
    uint64_t state_;
};

const char* const kFirst[] = {"Anna",  "Ben",   "Clara",  "David", "Elena", "Felix", "Grace",  "Hugo",
                              "Iris",  "Jonas", "Karin",  "Leo",   "Maya",  "Nils",  "Olga",   "Paul",
                              "Quinn", "Rosa",  "Simon",  "Tara",  "Uwe",   "Vera",  "Walter", "Xenia",
                              "Yusuf", "Zoe",   "Amélie", "Søren", "Chloé", "Mateo"};
const char* const kLast[] = {"Anders", "Berg",   "Castro",   "Dahl",   "Evans",     "Fischer", "García",
                             "Hall",   "Ito",    "Jensen",   "Keller", "Lindqvist", "Moreau",  "Novak",
                             "Olsen",  "Petrov", "Quintero", "Rossi",  "Schmidt",   "Tanaka",  "Ueda",
                             "Varga",  "Weber",  "Young",    "Zimmer", "O'Brien"};
const char* const kCompanies[] = {"Northwind Traders", "Blue Harbor Clinic",  "Riverside School",
                                  "Copperleaf Design", "Alder & Finch Legal", "Summit Outdoor Supply",
                                  "Meridian Bank"};
const char* const kJobs[] = {"Engineer", "Nurse", "Teacher", "Designer", "Lawyer", "Buyer", "Accountant"};
const char* const kStreets[] = {"Elm Street", "Harbour Road", "Mill Lane", "Station Square", "Oak Avenue"};
const char* const kCities[] = {"Springfield", "Lakeside", "Northbridge", "Fairview", "Kingsport"};
const char* const kPhrases[] = {"Are we still on for tonight?",
                                "Running ten minutes late, sorry!",
                                "Can you pick up some bread on the way?",
                                "Happy birthday! 🎉",
                                "Call me when you get this.",
                                "The meeting moved to 3pm.",
                                "Thanks, that was lovely.",
                                "Did you see the game last night?",
                                "On my way.",
                                "Let's do lunch next week.",
                                "Sure, sounds good 👍",
                                "Where did you park?",
                                "Can't talk now, in a meeting.",
                                "Photos from the weekend",
                                "Love you ❤️",
                                "The package arrived today.",
                                "What time is the train?",
                                "Don't forget the keys <b>under the mat</b> & all",
                                "ok",
                                "Good night!"};
// What people write and then wish they had not, or clear away: the sample's deleted messages.
const char* const kDeletedTexts[] = {"Sorry about earlier, I was tired. Talk tonight?",
                                     "The code for the side door is 4711",
                                     "Don't tell Maya about the party on Saturday!",
                                     "I'll pay you back the 40 tomorrow, promise",
                                     "Can we keep this between us for now?",
                                     "Running late again, save me a seat 🙈",
                                     "Ignore my last message, wrong person",
                                     "Happy anniversary, love ❤️"};
// The words sent with the deleted pictures.
const char* const kDeletedCaptions[] = {"Found your scarf in my car", "The view from the hotel balcony"};
const char* const kNoteTitles[] = {"Shopping list", "Gift ideas",     "Books to read", "Trip packing", "Recipe: soup",
                                   "Meeting notes", "Passwords hint", "Garden plan",   "Films",        "Workout"};
const char* const kNoteLines[] = {"Milk",
                                  "Eggs",
                                  "Call the plumber",
                                  "Tomatoes &amp; basil",
                                  "Renew passport",
                                  "Book flights",
                                  "Ask about the lease",
                                  "Water the roses",
                                  "Buy stamps",
                                  "Back up the laptop"};
const char* const kEvents[] = {"Dentist", "Team meeting",    "Lunch with Anna", "Flight to Lisbon",
                               "Yoga",    "Parents evening", "Car service",     "Birthday party",
                               "Concert", "Quarterly review"};
const char* const kReminders[] = {"Pay rent", "Call mum", "Return library books", "Pick up dry cleaning",
                                  "Send invoice"};
const char* const kPlaces[] = {"Main Street Dental", "Room 4.12", "Café Rosa", "Terminal 2", "Community Hall", ""};
const char* const kSites[][2] = {{"Weather", "http://weather.example.com/"},
                                 {"News", "http://news.example.org/today"},
                                 {"Recipes", "http://cooking.example.net/soups"},
                                 {"Train times", "http://rail.example.com/timetable"},
                                 {"Bank", "https://bank.example.com/login"},
                                 {"Maps", "http://maps.example.com/?q=harbour+road"},
                                 {"Photography tips", "http://photo.example.org/tips"},
                                 {"Running club", "http://run.example.net/"}};

constexpr int64_t kBaseDate = 1362096000;  // 2013-03-01 00:00 UTC

Bytes encodeImage(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 80)) {
        bytes.clear();
        buffer.seek(0);
        image.save(&buffer, "PNG");
    }
    return Bytes(bytes.begin(), bytes.end());
}

Bytes makePicture(Random& random, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QColor a = QColor::fromHsv(random.below(360), 120 + random.below(100), 200);
    QColor b = QColor::fromHsv(random.below(360), 80 + random.below(100), 120);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool ring =
                ((x - width / 2) * (x - width / 2) + (y - height / 3) * (y - height / 3)) < (width * width) / 16;
            const bool body = y > height * 2 / 3 && std::abs(x - width / 2) < width / 3;
            image.setPixel(x, y, (ring || body ? b : a).rgb());
        }
    return encodeImage(image);
}

const std::string kNoBreakSpace = "\u00a0";

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t daysSince1970(int year, int month, int day) {
    const int64_t y = year - (month <= 2);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

// Numbers written the ways people type them: brackets, dashes, blanks, no-break spaces, dots and
// slashes, in national and international form; every ninth one a French mobile number.
std::string phoneNumber(Random& random, int index) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "555%07d", 100000 + index * 37 + random.below(30));
    const std::string d(digits);
    if (index % 9 == 4) {
        const std::string f = "6" + d.substr(2, 8);  // 6 and eight digits
        const std::string pairs = f.substr(1, 2) + " " + f.substr(3, 2) + " " + f.substr(5, 2) + " " + f.substr(7, 2);
        return index % 2 ? "+33 " + f.substr(0, 1) + " " + pairs : "0" + f.substr(0, 1) + " " + pairs;
    }
    switch (index % 7) {
    case 0: return "(" + d.substr(0, 3) + ") " + d.substr(3, 3) + "-" + d.substr(6);
    case 1: return "+1 " + d.substr(0, 3) + "-" + d.substr(3, 3) + "-" + d.substr(6);
    case 2: return d;
    case 3: return d.substr(0, 3) + kNoBreakSpace + d.substr(3, 3) + kNoBreakSpace + d.substr(6);
    case 4: return d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6);
    case 5: return d.substr(0, 3) + "/" + d.substr(3, 3) + " " + d.substr(6);
    default: return d.substr(0, 3) + " " + d.substr(3, 3) + " " + d.substr(6);
    }
}

// How a device writes a number in the messages and calls databases: in international form.
std::string canonical(const std::string& number) {
    std::string digits;
    for (char ch : number)
        if (ch >= '0' && ch <= '9') digits += ch;
    if (digits.size() < 7) return number;                                          // a short code is dialled as it is
    if (digits.size() == 10 && digits[0] == '0') return "+33" + digits.substr(1);  // a French number
    if (digits.size() == 10) digits = "1" + digits;
    return "+" + digits;
}

// A birthday as the address book keeps it: seconds from 2001 to noon of the day, as a decimal
// text with six places. A birthday entered without a year is kept in the year 1604.
std::string birthdayValue(int year, int dayOfYear) {
    // Days from 1970-01-01 to the first of January of year (proleptic Gregorian).
    const int64_t y = year - 1;
    const int64_t days = y * 365 + y / 4 - y / 100 + y / 400 - 719162;
    char text[40];
    std::snprintf(text, sizeof text, "%lld.000000",
                  static_cast<long long>((days + dayOfYear) * 86400 + 43200 - kMacEpochOffset));
    return text;
}

std::string lower(std::string s) {
    for (auto& ch : s)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

void addContacts(SampleData& data, Random& random, const SampleSize& size) {
    for (int i = 0; i < size.contacts; ++i) {
        Contact c;
        c.rowid = i + 1;
        const int kind = i % 10;
        if (kind != 7) c.first = random.pick(kFirst);
        if (kind != 8) c.last = random.pick(kLast);
        if (kind == 7 || kind == 8 || i % 3 == 0) c.organization = random.pick(kCompanies);
        if (kind == 8) c.first = "";
        if (kind == 8) c.last = "";
        if (i % 9 == 0) c.middle = "J.";
        if (i % 6 == 0) c.jobTitle = random.pick(kJobs);
        if (i % 12 == 0) c.department = "Sales";
        if (i % 5 == 0) c.note = "Met at the " + std::string(random.pick(kCities)) + " conference.";
        if (i % 4 == 0) {
            const int day = random.below(365);
            c.birthday = birthdayValue(i % 8 == 4 ? 1604 : 1961 + random.below(40), day);
        }
        c.phones.push_back(phoneNumber(random, i));
        if (i % 3 == 1) c.phones.push_back(phoneNumber(random, i + 5000));
        // Labels people type beside a number: whose phone it is, the carrier, the device.
        static const char* const kOwnLabels[] = {"Telma", "Orange", "Galaxy tab"};
        if (i % 3 == 1 && i % 5 == 1) c.phoneLabels = {"", kOwnLabels[(i / 15) % 3]};
        if (i % 6 == 2 && !c.first.empty())
            c.messengers.push_back({i % 12 == 2 ? "Skype" : "Jabber", lower(c.first) + "." + std::to_string(i)});
        if (i % 9 == 5 && !c.last.empty())
            c.profiles.push_back({i % 18 == 5 ? "twitter" : "facebook", lower(c.last) + std::to_string(i)});
        if (i % 2 == 0 && !c.first.empty()) c.emails.push_back(lower(c.first.substr(0, 1) + c.last) + "@example.com");
        if (i % 7 == 0) {
            PostalAddress a;
            a.street = std::to_string(1 + random.below(200)) + " " + random.pick(kStreets);
            a.city = random.pick(kCities);
            if (i % 2 == 0) a.zip = std::to_string(10000 + random.below(89999));
            if (i % 3 == 0) a.state = "CA";
            a.country = i % 5 == 0 ? "United Kingdom" : "United States";
            a.countryCode = i % 5 == 0 ? "gb" : "us";
            c.addresses.push_back(std::move(a));
        }
        if (i % 11 == 0) c.urls.push_back("http://www.example.com/~" + lower(c.last.empty() ? "home" : c.last));
        if (size.photos && i % 4 != 3) c.photo = makePicture(random, 64, 64);
        data.contacts.push_back(std::move(c));
    }
    // The voicemail's short number, which no other number may be taken for.
    if (data.contacts.size() > 9) data.contacts[9].phones = {"100"};
    // A contact without a name that holds a named contact's number, listed before it.
    if (data.contacts.size() > 7) {
        Contact& nameless = data.contacts[0];
        nameless.first.clear();
        nameless.middle.clear();
        nameless.last.clear();
        nameless.organization.clear();
        nameless.department.clear();
        nameless.jobTitle.clear();
        nameless.emails.clear();
        nameless.messengers.clear();
        nameless.profiles.clear();
        nameless.phoneLabels.clear();
        std::string number = data.contacts[7].phones[0];
        for (size_t at = number.find(' '); at != std::string::npos; at = number.find(' ', at))
            number.replace(at, 1, kNoBreakSpace);
        nameless.phones = {number};
    }
}

void addMessages(SampleData& data, Random& random, const SampleSize& size) {
    // Conversation partners: most are contacts, some unknown numbers, some e-mail addresses.
    std::vector<std::pair<std::string, bool>> partners;  // address, iMessage
    for (int i = 0; i < size.conversations; ++i) {
        if (i % 8 == 5)
            partners.push_back({"friend" + std::to_string(i) + "@example.net", true});
        else if (i == 14)
            partners.push_back({"611", false});  // the carrier's short code
        else if (i % 8 == 6 || data.contacts.empty())
            partners.push_back({canonical(phoneNumber(random, 90000 + i)), false});
        else
            partners.push_back({canonical(data.contacts[(i * 7) % data.contacts.size()].phones[0]), i % 3 == 0});
    }
    if (partners.empty()) return;
    // Two group conversations (an iMessage one with a member nobody saved and an e-mail address,
    // and an SMS one) take most messages of the quietest partners.
    std::vector<std::pair<std::vector<std::string>, bool>> groups;  // members, iMessage
    if (data.contacts.size() >= 8 && partners.size() >= 4) {
        const auto& c = data.contacts;
        groups.push_back({{canonical(c[2].phones[0]), "+15559876543",
                           c[4].emails.empty() ? canonical(c[4].phones[0]) : c[4].emails[0]},
                          true});
        groups.push_back({{canonical(c[5].phones[0]), canonical(c[6].phones[0])}, false});
    }
    const int quiet = std::min<int>(5, static_cast<int>(partners.size()) - 1);
    int64_t date = kBaseDate;
    int images = 0, movies = 0;
    for (int i = 0; i < size.messages; ++i) {
        Message m;
        m.rowid = i + 1;
        // Conversations of very different lengths: a few busy ones, a long tail of quiet ones.
        const int p = (random.below(3) == 0) ? random.below(static_cast<int>(partners.size()))
                                             : random.below(std::min<int>(5, static_cast<int>(partners.size())));
        m.address = partners[p].first;
        m.iMessage = partners[p].second;
        m.fromMe = random.below(2) == 0;
        if (!groups.empty() && p >= quiet && i % 3 != 0) {
            const auto& [members, iMessage] = groups[static_cast<size_t>(i) % groups.size()];
            m.members = members;
            m.iMessage = iMessage;
            m.address = m.fromMe ? "" : members[static_cast<size_t>(i / 3) % members.size()];
        }
        date += 60 + random.below(4 * 3600);
        m.date = date;
        m.text = random.pick(kPhrases);
        const std::string folder =
            "~/Library/SMS/Attachments/" + std::to_string(10 + i % 90) + "/" + std::to_string(i % 16) + "/";
        if (i % 25 == 12) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.JPG", ++images);
            m.attachmentName = folder + name;
            m.attachment = size.photos ? makePicture(random, 160, 120) : Bytes{0xFF, 0xD8, 0xFF, 0xD9};
            // The object-replacement character a device puts where the picture stands, alone
            // or with words sent with the picture.
            m.text = i % 2 ? "" : i % 4 ? "\xEF\xBF\xBC" : "Look at this \xEF\xBF\xBC";
        } else if (i % 97 == 40) {
            char name[32];
            std::snprintf(name, sizeof name, "MOV_%04d.MOV", ++movies);
            m.attachmentName = folder + name;
            m.attachment = Bytes(2048, 0x20);
            const char header[] =
                "\0\0\0\x14"
                "ftypqt  \0\0\0\0qt  ";
            std::copy(header, header + sizeof header - 1, m.attachment.begin());
        } else if (i % 211 == 100) {
            m.attachmentName = folder + "SAMPLE-VCF-" + std::to_string(i) + "/Contact.vcf";
            const std::string card =
                "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Olsen;Karin;;;\r\nFN:Karin Olsen\r\n"
                "TEL;type=CELL:+15550123456\r\nEND:VCARD\r\n";
            m.attachment.assign(card.begin(), card.end());
        } else if (i % 307 == 150) {
            m.attachmentName = folder + "SAMPLE-LOC-" + std::to_string(i) + "/Current Location.loc.vcf";
            const std::string card =
                "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;Current Location;;;\r\n"
                "URL;type=pref:http://maps.example.com/?ll=51.5072,-0.1276\r\nEND:VCARD\r\n";
            m.attachment.assign(card.begin(), card.end());
        }
        data.messages.push_back(std::move(m));
    }
}

void addCalls(SampleData& data, Random& random, const SampleSize& size) {
    int64_t date = kBaseDate + 600;
    for (int i = 0; i < size.calls; ++i) {
        Call c;
        static const char* const kShortNumbers[] = {"100", "369", "611"};
        if (i % 37 == 11)
            c.address = kShortNumbers[(i / 37) % 3];
        else if (i % 5 == 4 || data.contacts.empty())
            c.address = canonical(phoneNumber(random, 70000 + i));
        else if (const std::string& number = data.contacts[(i * 13) % data.contacts.size()].phones[0]; i % 2)
            c.address = canonical(number);  // as the network gives it
        else
            c.address = number;  // as dialled from the address book
        date += 300 + random.below(20 * 3600);
        c.date = date;
        // Calls 4 in, 5 out; FaceTime 16 in, 17 out (bit 0: outgoing), now and then.
        c.flags = (random.below(2) ? 5 : 4) | (i % 13 == 6 ? 16 : 0);
        switch (i % 6) {
        case 0: c.duration = 0; break;  // missed or cancelled
        case 1: c.duration = 1 + random.below(59); break;
        case 2: c.duration = 60 + random.below(60); break;
        case 3: c.duration = 120 + random.below(3000); break;
        case 4: c.duration = 3600 + random.below(3600); break;
        default: c.duration = i % 30 == 5 ? 32768 + random.below(20000) : 7200 + random.below(7200); break;
        }
        data.calls.push_back(c);
    }
}

void addNotes(SampleData& data, Random& random, const SampleSize& size) {
    for (int i = 0; i < size.notes; ++i) {
        Note n;
        n.title = std::string(random.pick(kNoteTitles)) + (i >= 10 ? " " + std::to_string(i / 10 + 1) : "");
        n.body = n.title;
        const int lines = 1 + random.below(6);
        for (int l = 0; l < lines; ++l)
            n.body += (l % 2 ? "<br>" : "<div>") + std::string(random.pick(kNoteLines)) + (l % 2 ? "" : "</div>");
        if (i % 4 == 0) n.body += "<div>&nbsp;</div>";
        n.created = kBaseDate + static_cast<int64_t>(i) * 86400 * 3 + random.below(86400);
        n.modified = n.created + random.below(86400 * 10);
        data.notes.push_back(std::move(n));
    }
}

void addBookmarks(SampleData& data, Random& random, const SampleSize& size) {
    data.bookmarks.push_back({0, 0, 1, "Root", ""});
    data.bookmarks.push_back({1, 0, 1, "BookmarksBar", ""});
    data.bookmarks.push_back({2, 0, 1, "com.apple.ReadingList", ""});
    data.bookmarks.push_back({3, 1, 1, "Everyday", ""});
    int id = 4;
    for (const auto& site : kSites) data.bookmarks.push_back({id++, id % 2 ? 1 : 3, 0, site[0], site[1]});
    data.bookmarks.push_back({id++, 2, 0, "Long read: slow travel", "http://magazine.example.org/slow-travel"});
    // Pages a phone comes with, kept by the user as a phone writes them: one with its closing
    // slash, one without, one with its host in capitals.
    data.bookmarks.push_back({id++, 1, 0, "Apple", "http://www.apple.com/"});
    data.bookmarks.push_back({id++, 1, 0, "Yahoo!", "http://www.yahoo.com"});
    data.bookmarks.push_back({id++, 1, 0, "Google", "http://WWW.GOOGLE.COM/"});
    for (int i = 0; i < size.history; ++i) {
        const auto& site = kSites[random.below(static_cast<int>(std::size(kSites)))];
        HistoryEntry e;
        e.url = std::string(site[1]) + (i % 3 ? "page" + std::to_string(i) : "");
        e.title = site[0];
        e.hasTitle = i % 9 != 4;
        if (!e.hasTitle) e.title.clear();
        data.history.push_back(std::move(e));
    }
}

void addCalendar(SampleData& data, Random& random, const SampleSize& size) {
    int64_t day = kBaseDate;
    for (int i = 0; i < size.calendarItems; ++i) {
        CalendarItem c;
        c.reminder = i % 6 == 5;
        day += 86400 * (random.below(3));
        if (c.reminder) {
            c.summary = random.pick(kReminders);
            c.start = day + 9 * 3600;
            c.end = c.start;
        } else {
            c.summary = random.pick(kEvents);
            c.location = random.pick(kPlaces);
            c.allDay = i % 10 == 3;
            c.start = c.allDay ? day : day + (8 + random.below(10)) * 3600 + 1800 * random.below(2);
            c.end = c.allDay ? day + 86400 : c.start + 3600 * (1 + random.below(2));
            if (i % 3 == 0) c.description = "Bring the documents.";
        }
        data.calendar.push_back(std::move(c));
    }
    // Holidays and a birthday, all day long on their dates wherever the phone is: their days kept
    // as floating wall-clock times, each ending on the last second of its day or at the next
    // midnight, as calendars of either kind write them.
    struct Day {
        const char* summary;
        int year, month, day, days;
        bool endsAtMidnight;
    };
    static const Day kDays[] = {{"Tax Day", 2016, 4, 15, 1, false},
                                {"Independence Day", 2016, 7, 4, 1, true},
                                {"Christmas Holidays", 2016, 12, 24, 3, true},
                                {"Anna's Birthday", 2016, 6, 2, 1, false}};
    for (const Day& d : kDays) {
        CalendarItem c;
        c.summary = d.summary;
        c.allDay = true;
        c.timeZone = "_float";
        c.start = daysSince1970(d.year, d.month, d.day) * 86400;
        c.end = c.start + d.days * 86400 - (d.endsAtMidnight ? 0 : 1);
        data.calendar.push_back(std::move(c));
    }
    // A call set in another zone: 10:00 in Tokyo is 01:00 UTC.
    CalendarItem call;
    call.summary = "Call with the Tokyo office";
    call.timeZone = "Asia/Tokyo";
    call.start = daysSince1970(2016, 5, 10) * 86400 + 3600;
    call.end = call.start + 3600;
    data.calendar.push_back(std::move(call));
}

}  // namespace

bool olderLayoutWithIMessages(MessageSchema schema) {
    return schema == MessageSchema::ios5 || schema == MessageSchema::ios5Fresh || schema == MessageSchema::ios5Upgraded;
}

bool isPartsMessage(const Message& message, MessageSchema schema) {
    if (message.attachmentName.empty()) return false;
    return schema == MessageSchema::ios4 || (olderLayoutWithIMessages(schema) && !message.iMessage);
}

std::vector<Message> DeletedMessages::all() const {
    std::vector<Message> messages = inMainFile;
    messages.insert(messages.end(), inLog.begin(), inLog.end());
    return messages;
}

DeletedMessages deletedMessagesOf(const SampleData& data, const BackupSchemas& schemas) {
    DeletedMessages deleted;
    if (schemas.deletedMessages <= 0 ||
        (schemas.messages != MessageSchema::ios4 && !olderLayoutWithIMessages(schemas.messages)))
        return deleted;
    // The conversations with one person, each by its last message; the pictures went by SMS to a
    // phone number.
    std::vector<const Message*> byNumber, byIMessage;
    int64_t rowid = 0;
    for (const Message& m : data.messages) {
        rowid = std::max(rowid, m.rowid);
        if (!m.members.empty() || (!m.iMessage && m.address.rfind('+', 0) != 0)) continue;
        auto& list = m.iMessage ? byIMessage : byNumber;
        auto same = std::find_if(list.begin(), list.end(), [&](const Message* o) { return o->address == m.address; });
        if (same == list.end())
            list.push_back(&m);
        else if ((*same)->date < m.date)
            *same = &m;
    }
    if (byNumber.empty()) return deleted;
    const int count = schemas.deletedMessages;
    const int inLog = iosschema::writeAheadLog(schemas.ios) ? count / 2 : 0;
    const int inMainFile = count - inLog;
    for (int k = 0; k < count; ++k) {
        const bool picture = (k == 0 && inMainFile >= 2) || (k == inMainFile && inLog >= 2);
        // Every other one an iMessage, where the phone's conversations have them.
        const bool iMessage = !picture && k % 2 == 1 && !byIMessage.empty();
        const auto& list = iMessage ? byIMessage : byNumber;
        const Message& last = *list[static_cast<size_t>(k * 3) % list.size()];
        Message m;
        m.rowid = rowid + 1 + k;
        m.address = last.address;
        m.iMessage = last.iMessage;
        m.fromMe = k % 3 == 1 || k == inMainFile;
        m.date = last.date + 600 * (k + 1) + 37 * k;
        if (picture) {
            m.text = std::string(kDeletedCaptions[k == 0 ? 0 : 1]) + " \xEF\xBF\xBC";
            m.attachmentName = "~/Library/SMS/Attachments/" + std::to_string(m.rowid % 90 + 10) + "/" +
                               std::to_string(m.rowid % 16) + "/IMG_" + std::to_string(9000 + k) + ".JPG";
        } else {
            m.text = kDeletedTexts[static_cast<size_t>(k) % std::size(kDeletedTexts)];
        }
        (k < inMainFile ? deleted.inMainFile : deleted.inLog).push_back(std::move(m));
    }
    return deleted;
}

std::string partsText(const Message& message) {
    static const std::string kObjectMark = "\xEF\xBF\xBC";
    std::string text = message.text;
    for (size_t at = text.find(kObjectMark); at != std::string::npos; at = text.find(kObjectMark, at))
        text.erase(at, kObjectMark.size());
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string attachmentPath(const Message& message, MessageSchema schema) {
    if (message.attachmentName.size() < 3) return {};
    if (!isPartsMessage(message, schema)) return message.attachmentName.substr(2);
    // Part 1 of the message (after its presentation part), in two folders a phone names by a
    // hash of its own.
    std::string extension = message.attachmentName.substr(message.attachmentName.rfind('.') + 1);
    for (char& ch : extension)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    char folders[16];
    std::snprintf(folders, sizeof folders, "%02x/%02x/", static_cast<unsigned>((message.rowid * 37) % 256),
                  static_cast<unsigned>((message.rowid * 11) % 256));
    return "Library/SMS/Parts/" + std::string(folders) + std::to_string(message.rowid) + "-1." + extension;
}

SampleData makeSampleData(const SampleSize& size) {
    SampleData data;
    Random random(0x5eed1234abcdULL);
    addContacts(data, random, size);
    addMessages(data, random, size);
    addCalls(data, random, size);
    addNotes(data, random, size);
    addBookmarks(data, random, size);
    addCalendar(data, random, size);
    return data;
}

}  // namespace sampledb
