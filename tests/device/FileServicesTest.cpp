// File access on the media area, app containers and the crash-report area.
#include "DeviceFolder.h"
#include "device/AddToDevice.h"
#include "device/AfcService.h"
#include "device/Conversions.h"
#include "device/CrashReportService.h"
#include "device/DeviceManager.h"
#include "platform/SimulatedDevices.h"

#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

using namespace devicetest;

namespace {

class FileServices : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        folder = deviceFolder("phone");
        id = attachAndWait(folder);
        afc = std::make_unique<amd::AfcService>();
        ASSERT_EQ(afc->Start(0), 0);
        local = home.path() + "/local";
        ::mkdir(local.c_str(), 0755);
    }
    void TearDown() override {
        afc.reset();
        DeviceTest::TearDown();
    }
    std::string media(const std::string& rest) { return folder + "/media" + rest; }
    std::vector<std::string> names(CFArrayRef owned) {
        CFHolder<CFArrayRef> holder(owned);
        std::vector<std::string> list;
        for (CFTypeRef v : amd::cfarray_to_vector(holder.get())) list.push_back(amd::cftype_to_string(v));
        return list;
    }
    std::string info(const std::string& path, const char* key) {
        CFHolder<CFMutableDictionaryRef> dict(afc->FileInfo(path));
        return dict ? amd::cftype_to_string(CFDictionaryGetValue(dict.get(), key)) : "<none>";
    }

    std::string folder, local;
    int id = 0;
    std::unique_ptr<amd::AfcService> afc;
};

TEST_F(FileServices, CopiesAtChunkBoundaries) {
    for (size_t size : {size_t(0), size_t(4096), size_t(4097)}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7);
        std::string name = "/Downloads/f" + std::to_string(size);
        writeFile(media(name), bytes);
        std::string to = local + "/f" + std::to_string(size);
        EXPECT_EQ(afc->CopyToLocal(name, to), size ? 0 : 1) << size;
        EXPECT_TRUE(exists(to));
        EXPECT_EQ(readFile(to), bytes);

        std::string back = name + ".back";
        EXPECT_EQ(afc->CopyToDevice(to, back), size ? 0 : 1) << size;
        EXPECT_EQ(readFile(media(back)), bytes);
        EXPECT_EQ(info(back, "st_size"), std::to_string(size));
        EXPECT_EQ(info(back, "st_ifmt"), "S_IFREG");
    }
    EXPECT_EQ(afc->CopyToLocal("/Downloads/missing", local + "/missing"), 1);
    EXPECT_FALSE(exists(local + "/missing"));
    EXPECT_EQ(afc->CopyToLocal("/Downloads/f4096", local + "/no/such/folder/x"), 1);
    // A missing local source leaves the device file alone.
    EXPECT_EQ(afc->CopyToDevice(local + "/absent", "/Downloads/f4096"), 1);
    EXPECT_EQ(readFile(media("/Downloads/f4096")).size(), 4096u);
}

TEST_F(FileServices, AFileThatVanishesMidCopyIsNoSuccess) {
    writeFile(media("/Downloads/big"), std::string(40000, 'b'));
    simdevice::failCall(id, "AFCFileRefRead", kAFCReadError, 3);
    EXPECT_NE(afc->CopyToLocal("/Downloads/big", local + "/big"), 0);
    EXPECT_FALSE(exists(local + "/big"));  // no truncated copy left behind
    simdevice::failCall(id, "AFCFileRefRead", 0);

    writeFile(local + "/up", std::string(40000, 'u'));
    simdevice::failCall(id, "AFCFileRefWrite", kAFCWriteError, 2);
    EXPECT_NE(afc->CopyToDevice(local + "/up", "/Downloads/up"), 0);
    EXPECT_FALSE(exists(media("/Downloads/up")));
    simdevice::failCall(id, "AFCFileRefWrite", 0);

    // The whole device going away mid-copy.
    writeFile(media("/Downloads/big2"), std::string(4 << 20, 'c'));
    std::atomic<bool> started{false};
    std::thread remover([&] {
        while (!exists(local + "/big2")) std::this_thread::yield();
        simdevice::detach(id);
    });
    int status = afc->CopyToLocal("/Downloads/big2", local + "/big2");
    remover.join();
    if (status == 0)
        EXPECT_EQ(readFile(local + "/big2").size(), size_t(4 << 20));
    else
        EXPECT_FALSE(exists(local + "/big2"));
    EXPECT_EQ(afc->CopyToLocal("/Downloads/big", local + "/after"), 1);
    EXPECT_EQ(afc->ListDirectory("/"), nullptr);
}

// A write that replaces goes to a temporary name beside the file and is renamed over it once
// whole: a full device or a failing write call leaves the old file as it was, and no temporary
// file behind; through the one add step too, as the file browser's Replace uses it.
TEST_F(FileServices, AReplaceThatFailsKeepsTheDeviceFile) {
    const std::string old(1 << 20, 'o');
    writeFile(media("/Downloads/doc.bin"), old);
    writeFile(local + "/doc.bin", std::string(6 << 20, 'n'));
    auto folderNames = [&] { return names(afc->ListDirectory("/Downloads")); };
    const auto before = folderNames();

    simdevice::limitSpace(id, 3 << 20);
    EXPECT_EQ(afc->CopyToDevice(local + "/doc.bin", "/Downloads/doc.bin"), kAFCNoSpaceLeftError);
    EXPECT_EQ(readFile(media("/Downloads/doc.bin")), old);
    EXPECT_EQ(folderNames(), before);
    simdevice::limitSpace(id, -1);

    simdevice::failCall(id, "AFCFileRefWrite", kAFCWriteError, 2);  // the third write call fails
    EXPECT_EQ(afc->CopyToDevice(local + "/doc.bin", "/Downloads/doc.bin"), kAFCWriteError);
    EXPECT_EQ(afc->WriteFile("/Downloads/doc.bin", std::vector<uint8_t>(3 << 20, 'w')), kAFCWriteError);
    simdevice::failCall(id, "AFCFileRefWrite", 0);
    EXPECT_EQ(readFile(media("/Downloads/doc.bin")), old);
    EXPECT_EQ(folderNames(), before);

    {
        auto files = amd::startMediaAreaFiles(0);
        ASSERT_TRUE(files);
        amd::ActionResult result;
        std::string added;
        simdevice::limitSpace(id, 3 << 20);
        amd::addFileToDevice(*files, QString::fromStdString(local + "/doc.bin"), "/Downloads", amd::NameTaken::Replace,
                             result, added);
        EXPECT_EQ(result.failures, 1u);
        EXPECT_NE(result.firstFailureReason.find("no space left"), std::string::npos) << result.firstFailureReason;
        EXPECT_EQ(readFile(media("/Downloads/doc.bin")), old);
        simdevice::limitSpace(id, -1);

        // Once there is room the Replace puts the new file whole in the old one's place.
        amd::ActionResult done;
        amd::addFileToDevice(*files, QString::fromStdString(local + "/doc.bin"), "/Downloads", amd::NameTaken::Replace,
                             done, added);
        EXPECT_EQ(done.files, 1u);
        EXPECT_EQ(readFile(media("/Downloads/doc.bin")), std::string(6 << 20, 'n'));
        EXPECT_EQ(folderNames(), before);
    }
    // A file of the temporary name a user made is neither used nor removed.
    writeFile(media("/Downloads/.quillomatrix-incoming-1"), "mine");
    EXPECT_EQ(afc->WriteFile("/Downloads/doc.bin", {'x'}), 0);
    EXPECT_EQ(readFile(media("/Downloads/.quillomatrix-incoming-1")), "mine");
    EXPECT_EQ(readFile(media("/Downloads/doc.bin")), "x");
}

TEST_F(FileServices, PathsNeverLeaveTheArea) {
    std::string outside = home.path() + "/outside";
    writeFile(outside + "/secret", "secret");
    ::symlink(outside.c_str(), media("/Downloads/out").c_str());
    ::symlink((outside + "/secret").c_str(), media("/Downloads/secretlink").c_str());
    writeFile(media("/Downloads/inside.txt"), "inside");
    ::symlink("inside.txt", media("/Downloads/innerlink").c_str());

    for (const char* path : {"/../outside/secret", "../../outside/secret", "/Downloads/../../outside/secret",
                             "/Downloads/out/secret", "/Downloads/secretlink"}) {
        EXPECT_EQ(afc->CopyToLocal(path, local + "/stolen"), 1) << path;
        if (std::string(path) != "/Downloads/secretlink") {
            EXPECT_EQ(afc->FileInfo(path), nullptr) << path;
        }
        EXPECT_EQ(afc->FileOpen(path, 1), 0u) << path;
    }
    EXPECT_FALSE(exists(local + "/stolen"));
    // A link is described as the link itself, as a device does, so that no walk enters it.
    EXPECT_EQ(info("/Downloads/secretlink", "st_ifmt"), "S_IFLNK");
    EXPECT_EQ(info("/Downloads/out", "st_ifmt"), "S_IFLNK");
    EXPECT_EQ(info("/Downloads", "st_ifmt"), "S_IFDIR");
    EXPECT_EQ(info("/", "st_ifmt"), "S_IFDIR");
    EXPECT_EQ(afc->ListDirectory("/Downloads/out"), nullptr);
    // Writes through links or climbing paths are refused with an AFC status.
    writeFile(local + "/payload", "payload");
    EXPECT_NE(afc->CopyToDevice(local + "/payload", "/Downloads/out/planted"), 0);
    EXPECT_NE(afc->CopyToDevice(local + "/payload", "/Downloads/secretlink"), 0);
    EXPECT_NE(afc->CopyToDevice(local + "/payload", "/../planted"), 0);
    EXPECT_NE(afc->WriteFile("/Downloads/out/planted", {1, 2}), 0);
    EXPECT_EQ(afc->MakeDirectory("/Downloads/out/newdir"), kAFCPermissionDeniedError);
    EXPECT_NE(afc->Rename("/Downloads/inside.txt", "/Downloads/out/moved"), 0);
    EXPECT_EQ(afc->RemovePath("/../outside/secret"), kAFCPermissionDeniedError);
    EXPECT_EQ(readFile(outside + "/secret"), "secret");
    EXPECT_FALSE(exists(outside + "/planted"));
    EXPECT_FALSE(exists(outside + "/newdir"));
    // Removing a link removes the link, never its target; the root itself stays.
    EXPECT_EQ(afc->RemovePath("/Downloads/secretlink"), 0);
    EXPECT_EQ(readFile(outside + "/secret"), "secret");
    EXPECT_NE(afc->RemovePath("/"), 0);
    // A link that stays inside the area is followed; an absolute path starts at the area root.
    EXPECT_EQ(afc->CopyToLocal("/Downloads/innerlink", local + "/inner"), 0);
    EXPECT_EQ(readFile(local + "/inner"), "inside");
    EXPECT_EQ(info("Downloads/./inside.txt", "st_size"), "6");
}

TEST_F(FileServices, ListInfoMakeRenameRemove) {
    EXPECT_EQ(afc->ListDirectory("/NoSuchFolder"), nullptr);
    EXPECT_EQ(afc->MakeDirectory("/Empty"), 0);
    EXPECT_TRUE(names(afc->ListDirectory("/Empty")).empty());
    EXPECT_EQ(info("/Empty", "st_ifmt"), "S_IFDIR");
    EXPECT_EQ(names(afc->ListDirectory("/DCIM/100APPLE")), std::vector<std::string>{"IMG_0001.JPG"});
    EXPECT_EQ(info("/DCIM/100APPLE/IMG_0001.JPG", "st_size"), "5000");
    EXPECT_GT(std::stoll(info("/DCIM/100APPLE/IMG_0001.JPG", "st_mtime")), 1000000000000000000LL);

    EXPECT_EQ(afc->WriteFile("/Empty/a.txt", {'h', 'i'}), 0);
    EXPECT_EQ(afc->ReadFile("/Empty/a.txt"), (std::vector<uint8_t>{'h', 'i'}));
    EXPECT_NE(afc->WriteFile("/NoSuchFolder/a.txt", {'h'}), 0);
    EXPECT_EQ(afc->Rename("/Empty/a.txt", "/Empty/b.txt"), 0);
    EXPECT_EQ(names(afc->ListDirectory("/Empty")), std::vector<std::string>{"b.txt"});
    EXPECT_NE(afc->RemovePath("/Empty"), 0);  // not empty
    EXPECT_EQ(afc->RemovePath("/Empty/b.txt"), 0);
    EXPECT_EQ(afc->RemovePath("/Empty"), 0);
    EXPECT_FALSE(exists(media("/Empty")));

    uint64_t ref = afc->FileOpen("/DCIM/100APPLE/IMG_0001.JPG", 1);
    EXPECT_NE(ref, 0u);
    EXPECT_EQ(afc->FileClose(ref), 0);
    EXPECT_EQ(afc->FileClose(0), 1);
}

TEST_F(FileServices, UnstartedServicesFailQuietly) {
    amd::AfcService unstarted;
    EXPECT_EQ(unstarted.CopyToLocal("/a", local + "/a"), 1);
    EXPECT_EQ(unstarted.CopyToDevice(local + "/a", "/a"), 1);
    EXPECT_EQ(unstarted.FileInfo("/"), nullptr);
    EXPECT_EQ(unstarted.ListDirectory("/"), nullptr);
    EXPECT_TRUE(unstarted.ReadFile("/a").empty());
    EXPECT_EQ(unstarted.WriteFile("/a", {1}), 1);
    EXPECT_EQ(unstarted.FileOpen("/a", 1), 0u);
    EXPECT_FALSE(exists(local + "/a"));

    amd::AfcService failed;
    EXPECT_EQ(failed.Start(5), 1);
    amd::Afc2Service afc2;  // the device offers no whole-file-system service
    EXPECT_NE(afc2.Start(0), 0);
    EXPECT_EQ(afc2.ListDirectory("/"), nullptr);
}

TEST_F(FileServices, AppContainersAndCrashReports) {
    amd::AppDirService container;
    CFHolder<CFStringRef> bundle(amd::string_to_cfstring("com.example.notes"));
    ASSERT_EQ(container.Start(0, bundle.get()), 0);
    EXPECT_EQ(names(container.ListDirectory("/")), (std::vector<std::string>{"Documents", "Library", "tmp"}));
    EXPECT_EQ(container.CopyToLocal("/Documents/notes.txt", local + "/notes.txt"), 0);
    EXPECT_EQ(readFile(local + "/notes.txt"), "notes of com.example.notes");
    EXPECT_EQ(container.RemovePath("/Documents/notes.txt"), 0);
    EXPECT_FALSE(exists(folder + "/apps/com.example.notes/container/Documents/notes.txt"));
    EXPECT_EQ(container.FileInfo("/../attributes.plist"), nullptr);

    for (const char* bad : {"com.example.unknown", "..", "../apps", "com.example.notes/../com.apple.mobilesafari"}) {
        amd::AppDirService other;
        CFHolder<CFStringRef> id(amd::string_to_cfstring(bad));
        EXPECT_NE(other.Start(0, id.get()), 0) << bad;
        EXPECT_EQ(other.ListDirectory("/"), nullptr) << bad;
    }

    amd::CrashReportService crashes;
    ASSERT_EQ(crashes.Start(0), 0);
    EXPECT_EQ(names(crashes.ListRoot()), (std::vector<std::string>{"LowMemory-2014-05-02-121212.ips",
                                                                   "MobileSafari_2014-05-01-101010_iPhone.ips"}));
    EXPECT_EQ(crashes.CopyToLocal("/LowMemory-2014-05-02-121212.ips", local + "/low.ips"), 0);
    EXPECT_EQ(readFile(local + "/low.ips"), "low memory");
    EXPECT_EQ(crashes.RemovePath("/LowMemory-2014-05-02-121212.ips"), 0);
    EXPECT_EQ(names(crashes.ListRoot()).size(), 1u);
    EXPECT_EQ(crashes.CopyToLocal("/../media/DCIM/100APPLE/IMG_0001.JPG", local + "/x"), 1);
}

}  // namespace
