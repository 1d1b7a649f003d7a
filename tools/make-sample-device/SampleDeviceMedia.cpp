#include "SampleDeviceMedia.h"

#include "SampleMediaLibrary.h"
#include "platform/CoreFoundation.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sampledevice {

namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void put16(std::string& out, uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}
void put32(std::string& out, uint32_t v) {
    put16(out, uint16_t(v & 0xFFFF));
    put16(out, uint16_t(v >> 16));
}

// A mono 16-bit WAV of 22,050 samples a second playing notes (Hz) in turn, each noteMs long,
// with a soft start and end per note so that it does not click.
std::string wavTune(const std::vector<double>& notes, int noteMs) {
    const int rate = 22050;
    const int perNote = rate * noteMs / 1000;
    std::string samples;
    for (double hz : notes) {
        for (int i = 0; i < perNote; ++i) {
            const double fade = std::min({1.0, i / 400.0, (perNote - i) / 400.0});
            const double v = 0.35 * fade * std::sin(2 * M_PI * hz * i / rate);
            put16(samples, uint16_t(int16_t(std::lround(v * 32767))));
        }
    }
    std::string wav = "RIFF";
    put32(wav, uint32_t(36 + samples.size()));
    wav += "WAVEfmt ";
    put32(wav, 16);
    put16(wav, 1);  // PCM
    put16(wav, 1);  // mono
    put32(wav, rate);
    put32(wav, rate * 2);
    put16(wav, 2);
    put16(wav, 16);
    wav += "data";
    put32(wav, uint32_t(samples.size()));
    return wav + samples;
}

std::string encodeImage(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

// Cover art for a book: a coloured cover with a large initial and the title in a band.
std::string bookCover(const QColor& colour, const QString& letter, const QString& title) {
    QImage image(200, 300, QImage::Format_RGB32);
    image.fill(colour);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 190, 200, 50), colour.darker(150));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(110);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 30, 200, 150), Qt::AlignCenter, letter);
    font.setPixelSize(16);
    p.setFont(font);
    p.drawText(QRect(6, 190, 188, 50), Qt::AlignCenter | Qt::TextWordWrap, title);
    p.end();
    return encodeImage(image, "PNG");
}

CFStringRef str(const std::string& s) { return CFStringCreateWithCString(s.c_str()); }

}  // namespace

std::string shortMovie(int width, int height, int seconds, const std::string& format) {
    QTemporaryDir dir;
    if (!dir.isValid()) return {};
    const QString out = dir.filePath("movie");
    QProcess ffmpeg;
    // Bit-exact flags and one encoder thread: the same call gives the same bytes.
    ffmpeg.start("ffmpeg", {"-v",
                            "error",
                            "-y",
                            "-f",
                            "lavfi",
                            "-i",
                            QString("testsrc=size=%1x%2:rate=15:duration=%3").arg(width).arg(height).arg(seconds),
                            "-f",
                            "lavfi",
                            "-i",
                            QString("sine=frequency=440:duration=%1:sample_rate=22050").arg(seconds),
                            "-c:v",
                            "libx264",
                            "-preset",
                            "veryfast",
                            "-pix_fmt",
                            "yuv420p",
                            "-x264-params",
                            "threads=1",
                            "-c:a",
                            "aac",
                            "-b:a",
                            "48k",
                            "-shortest",
                            "-fflags",
                            "+bitexact",
                            "-flags:v",
                            "+bitexact",
                            "-flags:a",
                            "+bitexact",
                            "-map_metadata",
                            "-1",
                            "-f",
                            QString::fromStdString(format),
                            out});
    if (!ffmpeg.waitForStarted(5000)) return {};
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        return {};
    return fileBytes(out.toStdString());
}

MediaLibraryBytes writeMediaLibraryArea(const std::string& deviceFolder, const FileWriter& file) {
    MediaLibraryBytes bytes;
    sampledb::MediaLibrary library;
    library.baseLocations = {{4200, "iTunes_Control/Music/F00"},
                             {4203, "iTunes_Control/Music/F03"},
                             {4212, "iTunes_Control/Music/F12"},
                             {4217, "iTunes_Control/Music/F17"}};
    struct Song {
        int64_t pid;
        const char* title;
        const char* artist;
        int64_t artistPid;
        const char* album;
        int64_t albumPid;
        int64_t base;
        const char* file;
        std::vector<double> notes;
        bool kept = true;  // false: the library names it, the device lost the file
    };
    const int64_t harbour = 0x2F4A1C9E55B0D713, quiet = -0x1E66A3C0B9A4F201;
    const int64_t harbourAlbum = 0x6C03B2E1A7D9F4A1, quietAlbum = -0x39F0C2D18E4B7A55;
    const std::vector<Song> songs = {
        {-0x5B3C2A19F0E1D2C7,
         "Morning Tide",
         "Harbour Lights",
         harbour,
         "Coastline",
         harbourAlbum,
         4200,
         "BQXW.wav",
         {392, 440, 494, 523, 494, 440}},
        {0x17A2B3C4D5E6F708,
         "Lanterns",
         "Harbour Lights",
         harbour,
         "Coastline",
         harbourAlbum,
         4203,
         "KZPD.wav",
         {330, 392, 330, 294, 262}},
        {0x4D5E6F708192A3B4,
         "Slow River",
         "The Quiet Hours",
         quiet,
         "Evening Songs",
         quietAlbum,
         4217,
         "TRVA.wav",
         {262, 294, 330, 349, 392, 349, 330}},
        {-0x0A1B2C3D4E5F6071,
         "Paper Boats",
         "The Quiet Hours",
         quiet,
         "Evening Songs",
         quietAlbum,
         4217,
         "MNOP.wav",
         {440, 392, 349},
         false},
    };
    int minute = 10000;
    for (const Song& s : songs) {
        sampledb::MediaTrack t;
        t.itemPid = s.pid;
        t.title = s.title;
        t.mediaKind = 1;
        t.artist = s.artist;
        t.artistPid = s.artistPid;
        t.album = s.album;
        t.albumPid = s.albumPid;
        t.baseLocationId = s.base;
        t.location = s.file;
        const std::string wav = wavTune(s.notes, 450);
        t.fileSize = int64_t(wav.size());
        t.totalTimeMs = int64_t(s.notes.size()) * 450;
        if (s.kept) {
            const std::string folder = s.base == 4200 ? "F00" : s.base == 4203 ? "F03" : "F17";
            bytes.music += file("media/iTunes_Control/Music/" + folder + "/" + s.file, wav, minute++);
            ++bytes.musicCount;
        }
        library.tracks.push_back(t);
    }
    const std::string movie = shortMovie(320, 240, 3, "mp4");
    if (!movie.empty()) {
        sampledb::MediaTrack t;
        t.itemPid = 0x0C1D2E3F40516273;
        t.title = "Harbour at Dusk";
        t.mediaKind = 2;
        t.artist = "Harbour Lights";
        t.artistPid = harbour;
        t.album = "Coastline";
        t.albumPid = harbourAlbum;
        t.baseLocationId = 4212;
        t.location = "HWQZ.m4v";
        t.fileSize = int64_t(movie.size());
        t.totalTimeMs = 3000;
        library.tracks.push_back(t);
        bytes.movies += file("media/iTunes_Control/Music/F12/HWQZ.m4v", movie, minute++);
        ++bytes.movieCount;
    }
    // Written in place, then put through the writer so that its times and figures hold them.
    const std::string relative = "media/iTunes_Control/iTunes/MediaLibrary.sqlitedb";
    std::error_code made;
    std::filesystem::create_directories(deviceFolder + "/media/iTunes_Control/iTunes", made);
    if (!sampledb::writeMediaLibrary(deviceFolder + "/" + relative, library, /*walOnly*/ 2)) return bytes;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string path = deviceFolder + "/" + relative + suffix;
        if (std::ifstream(path).good()) bytes.other += file(relative + suffix, fileBytes(path), minute);
    }
    return bytes;
}

uint64_t writeBookPurchases(const FileWriter& file, int* count) {
    struct Book {
        const char* path;
        const char* name;
        const char* artist;
        QColor colour;  // invalid: a PDF kept as one file, without artwork
        char initial;
    };
    const Book books[] = {
        {"7A1C93E2B04F5D68.epub", "The Lighthouse Keeper", "M. Arden", QColor(40, 90, 150), 'L'},
        {"C2D4E6F8A0B1C3D5.epub", "Gardens of Stone", "L. Okafor", QColor(70, 130, 60), 'G'},
        {"Field Guide to Birds.pdf", "Field Guide to Birds", "R. Ventris", QColor(), 'F'},
    };
    uint64_t bytes = 0;
    int minute = 10400;
    CFHolder<CFMutableArrayRef> list(CFArrayCreateMutable());
    for (const Book& b : books) {
        const std::string base = std::string("media/Books/Purchases/") + b.path;
        if (b.colour.isValid()) {
            bytes += file(base + "/mimetype", "application/epub+zip", minute);
            bytes += file(base + "/META-INF/container.xml",
                          "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
                          "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
                          "full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles>"
                          "</container>\n",
                          minute);
            bytes += file(base + "/OEBPS/content.opf",
                          std::string("<?xml version=\"1.0\"?>\n<package version=\"2.0\"><metadata><dc:title>") +
                              b.name + "</dc:title></metadata></package>\n",
                          minute);
            std::string chapter = "<html><body><h1>Chapter One</h1>";
            for (int i = 0; i < 60; ++i) chapter += "<p>The tide came in slowly over the grey stones of the bay.</p>";
            bytes += file(base + "/OEBPS/chapter1.xhtml", chapter + "</body></html>\n", minute);
            bytes += file(base + "/iTunesArtwork", bookCover(b.colour, QString(QChar(b.initial)), b.name), minute);
        } else {
            std::string pdf =
                "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
            bytes += file(base, pdf, minute);
        }
        minute += 7;
        CFHolder<CFMutableDictionaryRef> entry(CFDictionaryCreateMutable());
        for (auto [key, value] :
             {std::pair{"Name", b.name}, std::pair{"Path", b.path}, std::pair{"Artist", b.artist}}) {
            CFHolder<CFStringRef> s(str(value));
            CFDictionarySetValue(entry.get(), key, s.get());
        }
        CFHolder<CFStringRef> kind(str(b.colour.isValid() ? "epub" : "pdf"));
        CFDictionarySetValue(entry.get(), "s", kind.get());
        CFArrayAppendValue(list.get(), entry.get());
    }
    CFHolder<CFMutableDictionaryRef> root(CFDictionaryCreateMutable());
    CFDictionarySetValue(root.get(), "Books", list.get());
    CFHolder<CFDataRef> xml(CFPropertyListCreateXMLData(root.get()));
    file("media/Books/Purchases/Purchases.plist",
         std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(xml.get())), size_t(CFDataGetLength(xml.get()))),
         minute);
    if (count) *count = 3;
    return bytes;
}

uint64_t writeCameraRollExtras(const FileWriter& file, int* count) {
    // A screenshot: a plain phone screen with a bar and a few rows.
    QImage screen(320, 568, QImage::Format_RGB32);
    screen.fill(QColor(242, 242, 247));
    QPainter p(&screen);
    p.fillRect(QRect(0, 0, 320, 64), QColor(0, 122, 255));
    for (int i = 0; i < 8; ++i) p.fillRect(QRect(16, 84 + i * 56, 288, 44), Qt::white);
    p.end();
    uint64_t bytes = file("media/DCIM/101APPLE/IMG_0015.PNG", encodeImage(screen, "PNG"), 4300);
    int added = 1;
    const std::string movie = shortMovie(320, 240, 2, "mov");
    if (!movie.empty()) {
        bytes += file("media/DCIM/101APPLE/IMG_0016.MOV", movie, 4320);
        ++added;
    }
    if (count) *count += added;
    return bytes;
}

}  // namespace sampledevice
