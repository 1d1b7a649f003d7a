#include "SampleDevice.h"

#include "SampleDeviceMedia.h"
#include "platform/CoreFoundation.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <vector>

namespace sampledevice {
namespace {

// 2014-05-01 09:00:00 UTC: the sample's files are dated from here on.
constexpr int64_t kEpoch = 1398934800;

uint64_t hashOf(const std::string& text) {
    uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ULL;
    return h;
}

// Deterministic bytes that look like compressed content.
std::string noise(const std::string& seed, size_t size) {
    uint64_t state = hashOf(seed);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        state += 0x9E3779B97F4A7C15ULL;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        bytes[i] = static_cast<char>(z ^ (z >> 31));
    }
    return bytes;
}

// A deterministic identifier in the 8-4-4-4-12 layout of app folders.
std::string uuidLike(const std::string& seed) {
    std::string hex;
    for (unsigned char c : noise(seed, 16)) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
           hex.substr(20, 12);
}

std::string jpeg(int width, int height, uint64_t seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv(static_cast<int>(seed % 360), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(static_cast<int>((seed * 7) % 360), 160, 120));
    painter.fillRect(image.rect(), sky);
    for (int i = 0; i < 6; ++i) {
        uint64_t s = hashOf(std::to_string(seed) + ":" + std::to_string(i));
        painter.setBrush(QColor::fromHsv(static_cast<int>(s % 360), 140, 200));
        painter.setPen(Qt::NoPen);
        int r = 20 + static_cast<int>((s >> 12) % (height / 3));
        painter.drawEllipse(QPoint(static_cast<int>((s >> 20) % width), static_cast<int>((s >> 32) % height)), r, r);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 82);
    return bytes.toStdString();
}

std::string icon(const std::string& id) {
    uint64_t s = hashOf(id);
    QImage image(120, 120, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 120);
    fill.setColorAt(0, QColor::fromHsv(static_cast<int>(s % 360), 150, 250));
    fill.setColorAt(1, QColor::fromHsv(static_cast<int>(s % 360), 220, 170));
    painter.setBrush(fill);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, 120, 120), 26, 26);
    painter.setBrush(QColor(255, 255, 255, 220));
    int shape = static_cast<int>((s >> 16) % 3);
    if (shape == 0) painter.drawEllipse(QPointF(60, 60), 30, 30);
    if (shape == 1) painter.drawRect(QRectF(32, 32, 56, 56));
    if (shape == 2) painter.drawPolygon(QPolygonF({QPointF(60, 26), QPointF(96, 92), QPointF(24, 92)}));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

CFStringRef str(const std::string& s) { return CFStringCreateWithCString(s.c_str()); }

void setString(CFMutableDictionaryRef d, const char* key, const std::string& value) {
    CFHolder<CFStringRef> s(str(value));
    CFDictionarySetValue(d, key, s.get());
}

void setNumber(CFMutableDictionaryRef d, const char* key, int64_t value) {
    CFHolder<CFNumberRef> n(CFNumberCreate(kCFNumberSInt64Type, &value));
    CFDictionarySetValue(d, key, n.get());
}

void setDict(CFMutableDictionaryRef d, const char* key, CFMutableDictionaryRef owned) {
    CFDictionarySetValue(d, key, owned);
    CFRelease(owned);
}

CFMutableDictionaryRef sizeEntry(uint64_t bytes, int count) {
    CFMutableDictionaryRef d = CFDictionaryCreateMutable();
    setNumber(d, "_PhysicalSize", static_cast<int64_t>(bytes));
    setNumber(d, "_Count", count);
    return d;
}

class Writer {
public:
    explicit Writer(std::string root) : root_(std::move(root)) {}

    // Writes root/relative with a modification time of kEpoch + minutes; returns the size.
    uint64_t file(const std::string& relative, const std::string& bytes, int minutes = 0) {
        std::string path = root_ + "/" + relative;
        if (size_t slash = relative.rfind('/'); slash != std::string::npos) folder(relative.substr(0, slash));
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) fail(path);
        if (out && std::fclose(out) != 0) fail(path);
        timespec times[2] = {{kEpoch + minutes * 60, 0}, {kEpoch + minutes * 60, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        written_ += bytes.size();
        return bytes.size();
    }
    void folder(const std::string& relative) {
        std::string path = root_;
        size_t start = 0;
        while (start < relative.size()) {
            size_t end = relative.find('/', start);
            if (end == std::string::npos) end = relative.size();
            path += "/" + relative.substr(start, end - start);
            if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) fail(path);
            start = end + 1;
        }
    }
    void plist(const std::string& relative, CFTypeRef value) {
        CFHolder<CFDataRef> xml(CFPropertyListCreateXMLData(value));
        if (!xml) return fail(relative);
        file(relative,
             std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(xml.get())), CFDataGetLength(xml.get())));
    }
    uint64_t written() const { return written_; }
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

private:
    void fail(const std::string& path) {
        if (error_.empty()) error_ = "cannot write " + path + ": " + std::strerror(errno);
    }
    std::string root_;
    uint64_t written_ = 0;
    std::string error_;
};

struct App {
    const char* id;
    const char* name;
    const char* executable;
    const char* version;
    bool user;
    bool fileSharing;
    int64_t bundleBytes;                 // the app bundle, which the folder does not hold
    std::vector<const char*> adFolders;  // advertising-library caches under Library/Caches
    std::vector<const char*> documents;  // files of the Documents folder
    // What varies between real apps' attributes: a build number beside the version (or alone,
    // when version is empty), a bundle name other than the executable's, and system services
    // whose bundle size the device does not give.
    const char* build = nullptr;       // "CFBundleVersion" when not the version
    const char* bundleName = nullptr;  // "CFBundleName" when not the executable
    bool service = false;              // no "StaticDiskUsage"
};

const std::vector<App>& apps() {
    static const std::vector<App> list = {
        {"com.brightleaf.RecipeBox",
         "Recipe Box",
         "RecipeBox",
         "3.2.1",
         true,
         true,
         24117248,
         {"com.google.admob"},
         {"Lasagne.JPG", "Sunday Roast.jpg", "Shopping List.txt"}},
        {"com.northwind.TrailMaps",
         "Trail Maps",
         "TrailMaps",
         "5.0",
         true,
         false,
         61865984,
         {},
         {"Ridge Loop.gpx", "Summit.PNG"}},
        {"com.pixelforge.SkyHopper",
         "Sky Hopper",
         "SkyHopper",
         "1.9.4",
         true,
         false,
         88080384,
         {"flurry", "mopub-cache", "com.chartboost.cache"},
         {"savegame.dat"}},
        {"com.quietharbor.Meditate",
         "Meditate",
         "Meditate",
         "2.4",
         true,
         false,
         35651584,
         {},
         {"Rain.m4a", "Ocean.M4A"}},
        {"com.lumenstudio.PhotoFrame",
         "Photo Frame",
         "PhotoFrame",
         "4.1.2",
         true,
         true,
         19922944,
         {"tapjoy"},
         {"Frame01.JPG", "Frame02.JPG", "Frame03.jpeg"}},
        {"com.copperkettle.Cookbook", "Cookbook", "Cookbook", "1.0.7", true, false, 12582912, {}, {"favourites.plist"}},
        {"com.redbarn.FarmFriends",
         "Farm Friends",
         "FarmFriends",
         "7.3",
         true,
         false,
         104857600,
         {"inmobi", "millennialmedia"},
         {}},
        {"com.wavecrest.Podcatcher",
         "Podcatcher",
         "Podcatcher",
         "3.0.2",
         true,
         true,
         9437184,
         {},
         {"Episode 112.mp3", "Episode 113.MP3"}},
        {"com.greenline.TransitNow",
         "Transit Now",
         "TransitNow",
         "2.2",
         true,
         false,
         15728640,
         {"googleads.g.doubleclick.net"},
         {}},
        {"com.tallpine.NoteBook",
         "NoteBook",
         "NoteBook",
         "6.0.1",
         true,
         true,
         22020096,
         {},
         {"Meeting.txt", "Whiteboard.PNG"}},
        {"com.sunburst.WordQuest", "Word Quest", "WordQuest", "1.4", true, false, 41943040, {"admob", "flurry"}, {}},
        {"com.ironbridge.Budget", "Budget", "Budget", "2.8", true, true, 7340032, {}, {"2014.csv"}},
        {"com.bluefinch.Chirp", "Chirp", "Chirp", "5.6", true, false, 31457280, {}, {"avatar.jpg"}},
        {"com.starlight.StarGazer", "Star Gazer", "StarGazer", "3.3", true, false, 52428800, {"mopub"}, {"Orion.JPG"}},
        {"com.oakleaf.Reader", "Reader", "Reader", "4.0", true, true, 18874368, {}, {"Chapter 1.txt", "Cover.jpg"}},
        {"com.harbourlight.Weatherly",
         "Weatherly",
         "Weatherly",
         "2.0.3",
         true,
         false,
         14680064,
         {"com.google.admob"},
         {}},
        {"com.marblegames.Solitaire",
         "Solitaire",
         "Solitaire",
         "1.2",
         true,
         false,
         27262976,
         {"chartboost", "tapjoy"},
         {}},
        {"com.fernway.Fitness", "Fitness Log", "FitnessLog", "3.7", true, false, 20971520, {}, {"run-2014-05-03.gpx"}},
        {"com.longriver.PhotoEditorPro",
         "Photo Editor Pro: Filters & Frames",
         "PhotoEditorPro",
         "12.0.3",
         true,
         false,
         157286400,
         {},
         {"Project 1.JPG"},
         "12.0.3.4410"},
        {"com.apple.mobilesafari", "Safari", "MobileSafari", "7.1.2", false, false, 29360128, {}, {}, "9537.53"},
        {"com.apple.mobilemail", "Mail", "MobileMail", "7.1.2", false, false, 22020096, {}, {}},
        {"com.apple.MobileSMS", "Messages", "MobileSMS", "7.1.2", false, false, 9437184, {}, {}},
        {"com.apple.Maps", "Maps", "Maps", "7.1.2", false, false, 37748736, {}, {}},
        {"com.apple.camera", "Camera", "Camera", "7.1.2", false, false, 5242880, {}, {}},
        {"com.apple.weather", "Weather", "Weather", "7.1.2", false, false, 3145728, {}, {}},
        {"com.apple.mobilenotes", "Notes", "MobileNotes", "7.1.2", false, false, 2097152, {}, {}},
        {"com.apple.mobilecal", "Calendar", "MobileCal", "7.1.2", false, false, 6291456, {}, {}},
        {"com.apple.Passbook", "Passbook", "Passbook", "2.1", false, false, 7340032, {}, {}, "2.1.140"},
        {"com.apple.AppStore", "App Store", "AppStore", "", false, false, 4194304, {}, {}, "1.0"},
        {"com.apple.calculator", "Calculator", "Calculator", "7.1.2", false, false, 1048576, {}, {}},
        {"com.apple.mobileslideshow", "Photos", "MobileSlideShow", "7.1.2", false, false, 16777216, {}, {}},
        {"com.apple.videos", "Videos", "Videos", "7.1.2", false, false, 8388608, {}, {}},
        {"com.apple.Music", "Music", "Music~iphone", "7.1.2", false, false, 12582912, {}, {}, nullptr, "Music"},
        {"com.apple.mobiletimer", "Clock", "MobileTimer", "7.1.2", false, false, 3145728, {}, {}},
        {"com.apple.MobileAddressBook", "Contacts", "MobileAddressBook", "7.1.2", false, false, 2097152, {}, {}},
        {"com.apple.Preferences", "Settings", "Preferences", "7.1.2", false, false, 11534336, {}, {}},
        {"com.apple.facetime", "FaceTime", "FaceTime", "7.1.2", false, false, 4194304, {}, {}},
        {"com.apple.mobilephone", "Phone", "MobilePhone", "7.1.2", false, false, 13631488, {}, {}},
        {"com.apple.reminders", "Reminders", "Reminders", "7.1.2", false, false, 5242880, {}, {}},
        {"com.apple.gamecenter.GameCenterUIService",
         "Game Center",
         "GameCenterUIService",
         "7.1.2",
         false,
         false,
         0,
         {},
         {},
         nullptr,
         nullptr,
         true},
        {"com.apple.WebViewService", "", "WebViewService", "1.0", false, false, 0, {}, {}, nullptr, nullptr, true},
        {"com.apple.datadetectors.DDActionsService",
         "D",
         "DDActionsService",
         "1.0",
         false,
         false,
         0,
         {},
         {},
         nullptr,
         "Data Detectors",
         true},
    };
    return list;
}

// What the file browser and the large-file finder need of the sample device: files above the
// finder's default limit (2 MB) in the media area and in app containers (one where the finder
// does not look), and a folder tree deep enough for a folder export to recreate, hidden names
// and an empty folder included. Returns the bytes written below root: "media/" for the media
// area, an app's container folder for that app.
uint64_t writeLargeAndDeepFiles(Writer& w, const std::string& root, const std::string& appId = {}) {
    uint64_t bytes = 0;
    int minute = 13000;
    auto put = [&](const std::string& rel, size_t size) {
        bytes += w.file(root + rel, noise(root + rel, size), minute += 7);
    };
    if (appId.empty()) {
        put("general_storage/com.apple.videos/Keynote Recording.mp4", 4700000);
        put("general_storage/com.apple.itunesstored/storage-cache.bin", 3100000);
        bytes += w.file(root + "general_storage/Archive/2014/05/Receipts/Hardware Store.txt",
                        "Hardware Store\n2 x hinge 4.50\n1 x paint 12.99\nTotal 21.99\n", minute += 7);
        put("general_storage/Archive/2014/05/Receipts/.index", 300);
        bytes += w.file(root + "general_storage/Archive/2014/04/Photos/Beach.jpg", jpeg(320, 240, 4242), minute += 7);
        bytes += w.file(root + "general_storage/Archive/Notes/Ideas.txt", "Paint the fence.\nCall the plumber.\n",
                        minute += 7);
        bytes += w.file(root + "general_storage/Archive/.Trash/old-draft.txt", "An old draft.\n", minute += 7);
        w.folder(root + "general_storage/Archive/Empty");
    } else if (appId == "com.brightleaf.RecipeBox") {
        put("Documents/Cookbook Videos/Pasta Basics.mp4", 3400000);
    } else if (appId == "com.northwind.TrailMaps") {
        put("Library/Caches/OfflineTiles/region-alps.mbtiles", 5500000);
        put("Library/Application Support/route-index.db", 2800000);  // the finder does not look here
    } else if (appId == "com.pixelforge.SkyHopper") {
        put("tmp/level-pack-7.zip", 2300000);
    }
    return bytes;
}

// Writes one app: attributes, icon and a container with its caches, cookies, temporary
// files and documents. Returns the container's bytes.
uint64_t writeApp(Writer& w, const App& app, int order) {
    const std::string base = std::string("apps/") + app.id;
    const std::string c = base + "/container/";
    w.folder(c + "Documents");
    w.folder(c + "Library/Caches");
    w.folder(c + "Library/Cookies");
    w.folder(c + "Library/Preferences");
    w.folder(c + "tmp");
    int minute = order * 97;
    uint64_t container = 0;
    auto put = [&](const std::string& rel, size_t size) {
        container += w.file(c + rel, noise(app.id + rel, size), minute += 13);
    };

    put(std::string("Library/Caches/") + app.id + "/Cache.db", 12288 + (hashOf(app.id) % 6) * 4096);
    put(std::string("Library/Caches/") + app.id + "/Cache.db-wal", 4120);
    put(std::string("Library/Caches/Snapshots/") + app.id + "/UIApplicationAutomaticSnapshotDefault-Portrait@2x.png",
        9000 + hashOf(app.name) % 7000);
    if (app.user) {
        put("Library/Caches/fsCachedData/3F2504E0-4F89-11D3-9A0C-0305E82C3301", 6144 + hashOf(app.executable) % 9000);
        put("Library/Cookies/Cookies.binarycookies", 1024 + hashOf(app.id) % 3000);
        put("tmp/CFNetworkDownload_" + std::to_string(1000 + order) + ".tmp", 3000 + order * 400);
        put("tmp/upload-" + std::to_string(order) + ".partial", 1500 + order * 120);
    } else {
        put("Library/Cookies/Cookies.binarycookies", 512);
    }
    for (const char* ad : app.adFolders) {
        put(std::string("Library/Caches/") + ad + "/ad-creative-1.dat", 4096 + hashOf(ad) % 4096);
        put(std::string("Library/Caches/") + ad + "/manifest.json", 700);
    }
    for (const char* doc : app.documents) {
        std::string name(doc);
        std::string lower;
        for (char ch : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (lower.size() > 4 && (lower.ends_with(".jpg") || lower.ends_with(".jpeg")))
            container += w.file(c + "Documents/" + name, jpeg(320, 240, hashOf(app.id + name)), minute += 13);
        else if (lower.ends_with(".txt") || lower.ends_with(".csv"))
            container +=
                w.file(c + "Documents/" + name, "Sample text of " + name + " in " + app.name + ".\n", minute += 13);
        else
            put("Documents/" + name, 8000 + hashOf(name) % 40000);
    }
    container += writeLargeAndDeepFiles(w, c, app.id);
    CFMutableDictionaryRef prefs = CFDictionaryCreateMutable();
    setString(prefs, "LastLaunchVersion", *app.version ? app.version : app.build);
    setNumber(prefs, "LaunchCount", 3 + static_cast<int64_t>(hashOf(app.id) % 200));
    const uint64_t beforePrefs = w.written();
    w.plist(c + "Library/Preferences/" + app.id + ".plist", prefs);
    container += w.written() - beforePrefs;
    CFRelease(prefs);

    w.file(base + "/icon.png", icon(app.id));

    CFMutableDictionaryRef attrs = CFDictionaryCreateMutable();
    setString(attrs, "CFBundleIdentifier", app.id);
    setString(attrs, "ApplicationType", app.user ? "User" : "System");
    setString(attrs, "CFBundleExecutable", app.executable);
    if (*app.name) setString(attrs, "CFBundleDisplayName", app.name);
    setString(attrs, "CFBundleIconFile", "Icon.png");
    setString(attrs, "CFBundleName", app.bundleName ? app.bundleName : app.executable);
    if (*app.version) setString(attrs, "CFBundleShortVersionString", app.version);
    setString(attrs, "CFBundleVersion", app.build ? app.build : app.version);
    std::string path = app.user ? "/private/var/mobile/Applications/" + uuidLike(app.id) + "/" + app.executable + ".app"
                                : std::string("/Applications/") + app.executable + ".app";
    setString(attrs, "Path", path);
    CFMutableDictionaryRef entitlements = CFDictionaryCreateMutable();
    setString(entitlements, "application-identifier", std::string("8K2B6X9QD3.") + app.id);
    if (app.user && hashOf(app.id) % 3 == 0) {
        CFHolder<CFStringRef> container(str(std::string("iCloud.") + app.id));
        CFHolder<CFArrayRef> ids(CFArrayCreate(reinterpret_cast<const CFTypeRef*>(&container), 1));
        CFDictionarySetValue(entitlements, "com.apple.developer.ubiquity-container-identifiers", ids.get());
        setString(entitlements, "com.apple.developer.ubiquity-kvstore-identifier", std::string("8K2B6X9QD3.") + app.id);
    }
    setDict(attrs, "Entitlements", entitlements);
    if (app.fileSharing) CFDictionarySetValue(attrs, "UIFileSharingEnabled", kCFBooleanTrue);
    setNumber(attrs, "DynamicDiskUsage", static_cast<int64_t>(container));
    if (!app.service) setNumber(attrs, "StaticDiskUsage", app.bundleBytes);
    w.plist(base + "/attributes.plist", attrs);
    CFRelease(attrs);
    return container;
}

uint64_t writePhotos(Writer& w, const std::string& folder, const std::string& prefix, int first, int count,
                     int minuteBase) {
    uint64_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%04d.JPG", prefix.c_str(), first + i);
        bytes += w.file(folder + "/" + name, jpeg(640, 480, hashOf(folder + name)), minuteBase + i * 41);
    }
    return bytes;
}

// The rest of the media area a phone in use holds: the photo library's database and the
// thumbnails it keeps per picture (the deepest folders of the area), voice memos, cover art of
// the synced music and the store's caches. Returns the bytes written.
uint64_t writeUserData(Writer& w) {
    uint64_t bytes = 0;
    int minute = 9500;
    bytes += w.file("media/PhotoData/Photos.sqlite", noise("photos-db", 98304), minute);
    bytes += w.file("media/PhotoData/Photos.sqlite-shm", noise("photos-shm", 32768), minute);
    bytes += w.file("media/PhotoData/AlbumsMetadata/0F2E3B4C.albummetadata", noise("album", 1800), minute += 5);
    for (int i = 1; i <= 10; ++i) {
        char name[96];
        std::snprintf(name, sizeof name, "media/PhotoData/Thumbnails/V2/DCIM/100APPLE/IMG_%04d.JPG/5005.JPG", i);
        bytes += w.file(name, jpeg(120, 90, 5000 + uint64_t(i)), minute += 3);
    }
    bytes += w.file("media/PhotoData/Thumbnails/thumbnailConfiguration", noise("thumbconf", 640), minute);
    bytes += w.file("media/Recordings/20140502 101500.m4a", noise("memo1", 84000), minute += 20);
    bytes += w.file("media/Recordings/20140509 183012.m4a", noise("memo2", 131000), minute += 20);
    bytes += w.file("media/Recordings/Recordings.db", noise("memo-db", 20480), minute);
    for (const char* art : {"3a/9c1e57d2a0b4", "7f/02bd44e1c935", "c4/55aa0e7d1f20"})
        bytes += w.file(std::string("media/iTunes_Control/Artwork/Originals/") + art, jpeg(300, 300, hashOf(art)),
                        minute += 2);
    bytes += w.file("media/Purchases/com.apple.itunes.store.plist", noise("purchases", 2400), minute += 2);
    bytes += w.file("media/Radio/Radio.plist", noise("radio", 900), minute += 2);
    return bytes;
}

uint64_t bytesBelow(const std::string& folder) {
    uint64_t total = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file(error)) total += entry.file_size(error);
    return total;
}

bool emptyOrMissing(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return errno == ENOENT;
    bool empty = true;
    while (dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) empty = false;
    ::closedir(dir);
    return empty;
}

}  // namespace

bool write(const std::string& folder, Summary* summary, std::string* error) {
    if (folder.empty() || !emptyOrMissing(folder)) {
        if (error) *error = "the folder exists and is not empty: " + folder;
        return false;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        if (error) *error = "cannot make " + folder + ": " + made.message();
        return false;
    }
    Writer w(folder);
    for (const char* sub : {"lockdown", "media", "apps", "crashreports", "sync"}) w.folder(sub);

    // Apps.
    uint64_t appBytes = 0;
    int order = 0, userApps = 0;
    for (const App& app : apps()) {
        uint64_t container = writeApp(w, app, order++);
        appBytes += container + static_cast<uint64_t>(app.bundleBytes);
        if (app.user) ++userApps;
    }

    // Photos: camera roll, photo stream, synced albums and edits.
    uint64_t cameraRoll = writePhotos(w, "media/DCIM/100APPLE", "IMG_", 1, 10, 2000);
    cameraRoll += writePhotos(w, "media/DCIM/101APPLE", "IMG_", 11, 4, 4000);
    w.plist("media/DCIM/.MISC/Info.plist", CFHolder<CFDictionaryRef>(CFDictionaryCreateMutable()).get());
    uint64_t otherPhotos = writePhotos(w, "media/PhotoStreamsData/1285471922/100APPLE", "IMG_", 101, 5, 6000);
    otherPhotos += writePhotos(w, "media/PhotoData/Sync/100SYNCD", "IMG_", 201, 3, 8000);
    otherPhotos += writePhotos(w, "media/Photos/Sync/100SYNCD", "IMG_", 301, 1, 8100);
    uint64_t other = 0;
    other += w.file("media/PhotoData/Mutations/DCIM/100APPLE/IMG_0003/Adjustments/FullSizeRender.jpg",
                    jpeg(640, 480, 3003), 9000);
    other += w.file("media/PhotoData/Mutations/DCIM/100APPLE/IMG_0007/Adjustments/FullSizeRender.jpg",
                    jpeg(640, 480, 3007), 9010);
    other += w.file("media/PhotoData/Mutations/DCIM/100APPLE/IMG_0007/Adjustments/Adjustments.plist",
                    noise("adjust", 900), 9010);
    other += w.file("media/PhotoData/Mutations/DCIM/100APPLE/IMG_0008/Adjustments/FullSizeRender.JPG",
                    jpeg(320, 240, 3008), 9020);

    // Music and movies synced from a computer with their library, the purchased books, and the
    // camera roll's screenshot and movie.
    const FileWriter writeFile = [&w](const std::string& relative, const std::string& bytes, int minutes) {
        return w.file(relative, bytes, minutes);
    };
    const MediaLibraryBytes library = writeMediaLibraryArea(folder, writeFile);
    const uint64_t music = library.music, movies = library.movies;
    int bookCount = 0;
    const uint64_t books = writeBookPurchases(writeFile, &bookCount);
    int cameraRollCount = 14;
    cameraRoll += writeCameraRollExtras(writeFile, &cameraRollCount);

    // Sync data: the preferences that give the library identifier, and failed-sync leftovers.
    std::string prefs = noise("iTunesPrefs", 512);
    std::memcpy(prefs.data(), "frpd", 4);
    other += w.file("media/iTunes_Control/iTunes/iTunesPrefs", prefs, 10100);
    other += w.file("media/iTunes_Control/iTunes/iTunesPrefs.plist", "<?xml version=\"1.0\"?>\n<plist/>\n", 10100);
    other += w.file("media/iTunes_Control/Sync/SyncAnchors.plist", noise("anchors", 1200), 10200);
    other += w.file("media/iTunes_Control/Sync/Media/F05/HJKL.m4a", noise("failed1", 64000), 10210);
    other += w.file("media/iTunes_Control/Sync/Media/F11/QWER.mp4", noise("failed2", 96000), 10220);
    other += w.file("media/iTunes_Control/Sync/Media/SyncLog.txt", "Sync failed: connection interrupted\n", 10230);

    // Downloads and general storage.
    other += w.file("media/Downloads/downloads.28.sqlitedb", noise("downloads-db", 24576), 11000);
    other += w.file("media/Downloads/Travel Guide.pdf", noise("guide", 210000), 11010);
    other += w.file("media/Downloads/com.apple.itunes.store/asset-0001.ipa.partial", noise("partial", 150000), 11020);
    other += w.file("media/general_storage/com.apple.itunesstored/storage-01.bin", noise("storage1", 30000), 11100);
    other += w.file("media/general_storage/Preferences/user-settings.dat", noise("storage2", 6000), 11110);
    w.folder("media/PublicStaging");
    other += writeUserData(w);
    other += writeLargeAndDeepFiles(w, "media/");

    // Address book, messages, calls, notes, bookmarks and calendar.
    if (!writeHomeArea(folder, error)) return false;

    // Crash logs.
    const char* crashes[] = {"MobileSafari_2014-05-02-101512_Sample-iPhone.ips",
                             "SkyHopper_2014-05-03-214401_Sample-iPhone.ips",
                             "LowMemory-2014-05-04-083012.ips",
                             "ExcUserFault_Maps_2014-05-05-120311_Sample-iPhone.ips",
                             "JetsamEvent-2014-05-06-071530.ips",
                             "WordQuest_2014-05-06-193044_Sample-iPhone.crash",
                             "stacks+SpringBoard-2014-05-07-101010.ips",
                             "com.apple.mobilesafari.plist"};
    int minute = 12000;
    for (const char* name : crashes)
        w.file(std::string("crashreports/") + name,
               std::string("Incident Identifier: ") + std::to_string(hashOf(name)) + "\n" +
                   noise(name, 5000 + hashOf(name) % 20000),
               minute += 300);
    w.file("crashreports/Panics/panic-full-2014-05-01-225500.ips", noise("panic", 8000), 12100);
    w.file("crashreports/Retired/LowMemory-2014-04-20-101010.ips", noise("retired", 3000), 12000);
    w.folder("crashreports/DiagnosticLogs");

    // Capacity figures that agree with what the device holds.
    const uint64_t kCapacity = 16000000000ULL, kSystem = 1400000000ULL;
    const uint64_t kMailAndMessages = 612000000ULL;  // data the folder does not model
    const uint64_t dataCapacity = kCapacity - kSystem;
    const uint64_t used =
        appBytes + cameraRoll + otherPhotos + music + movies + books + library.other + other + kMailAndMessages;
    const uint64_t available = dataCapacity - used;

    CFMutableDictionaryRef values = CFDictionaryCreateMutable();
    setString(values, "DeviceName", "Sample iPhone");
    setString(values, "UniqueDeviceID", "5a1e7c0ffee5a1e7c0ffee0123456789abcdef01");
    setString(values, "ProductType", "iPhone6,1");
    setString(values, "ProductVersion", "7.1.2");
    setString(values, "BuildVersion", "11D257");
    setString(values, "SerialNumber", "F2LMX1Y3FF9V");
    setString(values, "PhoneNumber", "+1 (555) 010-4477");
    setString(values, "DeviceClass", "iPhone");
    setString(values, "ModelNumber", "ME432");
    setString(values, "CPUArchitecture", "arm64");
    setString(values, "ActivationState", "Activated");
    setString(values, "WiFiAddress", "a4:b1:97:3c:12:5e");
    setNumber(values, "TimeZoneOffsetFromUTC", 3600);
    w.plist("lockdown/values.plist", values);
    CFRelease(values);

    CFMutableDictionaryRef disk = CFDictionaryCreateMutable();
    setNumber(disk, "TotalDiskCapacity", static_cast<int64_t>(kCapacity));
    setNumber(disk, "TotalSystemCapacity", static_cast<int64_t>(kSystem));
    setNumber(disk, "TotalSystemAvailable", 212000000);
    setNumber(disk, "TotalDataCapacity", static_cast<int64_t>(dataCapacity));
    setNumber(disk, "TotalDataAvailable", static_cast<int64_t>(available));
    setNumber(disk, "AmountDataAvailable", static_cast<int64_t>(available));
    setNumber(disk, "AmountDataReserved", 209715200);
    w.plist("lockdown/com.apple.disk_usage.plist", disk);
    CFRelease(disk);

    CFMutableDictionaryRef battery = CFDictionaryCreateMutable();
    setNumber(battery, "BatteryCurrentCapacity", 76);
    CFDictionarySetValue(battery, "BatteryIsCharging", kCFBooleanTrue);
    CFDictionarySetValue(battery, "ExternalConnected", kCFBooleanTrue);
    CFDictionarySetValue(battery, "FullyCharged", kCFBooleanFalse);
    w.plist("lockdown/com.apple.mobile.battery.plist", battery);
    CFRelease(battery);

    CFMutableDictionaryRef pairing = CFDictionaryCreateMutable();
    CFDictionarySetValue(pairing, "Paired", kCFBooleanTrue);
    CFDictionarySetValue(pairing, "Trusted", kCFBooleanTrue);
    w.plist("pairing.plist", pairing);
    CFRelease(pairing);

    // Sync messages: the metrics per kind of content, after a message the layer ignores.
    CFMutableArrayRef messages = CFArrayCreateMutable();
    CFMutableDictionaryRef allowed = CFDictionaryCreateMutable();
    setString(allowed, "Command", "SyncAllowed");
    setDict(allowed, "Params", CFDictionaryCreateMutable());
    CFArrayAppendValue(messages, allowed);
    CFRelease(allowed);
    CFMutableDictionaryRef params = CFDictionaryCreateMutable();
    setDict(params, "Application", sizeEntry(appBytes, static_cast<int>(apps().size())));
    CFMutableDictionaryRef media = CFDictionaryCreateMutable();
    setDict(media, "Music", sizeEntry(music, library.musicCount));
    setDict(media, "Movie", sizeEntry(movies, library.movieCount));
    setDict(params, "Media", media);
    CFMutableDictionaryRef photo = CFDictionaryCreateMutable();
    setDict(photo, "Photo", sizeEntry(otherPhotos, 9));
    setDict(photo, "CameraRoll", sizeEntry(cameraRoll, cameraRollCount));
    setDict(params, "Photo", photo);
    setDict(params, "Book", sizeEntry(books, bookCount));
    CFMutableDictionaryRef metrics = CFDictionaryCreateMutable();
    setString(metrics, "Command", "AssetMetrics");
    setDict(metrics, "Params", params);
    CFArrayAppendValue(messages, metrics);
    CFRelease(metrics);
    w.plist("sync/messages.plist", messages);
    CFRelease(messages);

    if (!w.ok()) {
        if (error) *error = w.error();
        return false;
    }
    if (summary) {
        summary->apps = static_cast<int>(apps().size());
        summary->userApps = userApps;
        summary->contentBytes = w.written() + bytesBelow(folder + "/home") + bytesBelow(folder + "/wireless");
    }
    return true;
}

}  // namespace sampledevice
