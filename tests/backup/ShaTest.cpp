#include "backup/BackupFileKeys.h"
#include "backup/SHAH.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace {

std::string hexOf(SHAH& sha) {
    unsigned digest[5];
    std::string hex;
    if (!sha.Result(digest) || !SHAH::DigestToHex(digest, hex)) return "<failed>";
    return hex;
}

std::string sha1(const std::string& text) {
    SHAH sha;
    sha.Input(text.data(), static_cast<unsigned>(text.size()));
    return hexOf(sha);
}

TEST(Sha1, StandardVectors) {
    EXPECT_EQ(sha1(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(sha1("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    // Lengths at the padding edges: 55 bytes fit one block, 56 and 64 need a second.
    EXPECT_EQ(sha1(std::string(55, 'a')), "c1c8bbdc22796e28c0e15163d20899b65621d65a");
    EXPECT_EQ(sha1(std::string(56, 'a')), "c2db330f6083854c99d4b5bfb6e8f29f201be699");
    EXPECT_EQ(sha1(std::string(64, 'a')), "0098ba824b5c16427bd7a1122a5a442a25ec644d");
}

TEST(Sha1, AMillionAFedInPieces) {
    SHAH sha;
    const std::string chunk(1000, 'a');
    for (int i = 0; i < 1000; ++i) sha.Input(chunk.data(), static_cast<unsigned>(chunk.size()));
    EXPECT_EQ(hexOf(sha), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    // Pieces of every size up to two blocks, so that they end at every place of a block.
    sha.Reset();
    const std::string a(1000000, 'a');
    for (size_t done = 0, piece = 1; done < a.size(); done += piece, piece = piece % 129 + 1) {
        piece = std::min(piece, a.size() - done);
        sha.Input(a.data() + done, static_cast<unsigned>(piece));
    }
    EXPECT_EQ(hexOf(sha), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1, ByteAndTextFormsFeedTheSameStream) {
    SHAH sha;
    sha << "a" << 'b';
    sha.Input(static_cast<unsigned char>('c'));
    EXPECT_EQ(hexOf(sha), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha1, InputAfterTheResultCorruptsUntilReset) {
    SHAH sha;
    sha << "abc";
    unsigned first[5];
    unsigned again[5];
    ASSERT_TRUE(sha.Result(first));
    ASSERT_TRUE(sha.Result(again));  // asking twice pads once
    EXPECT_EQ(std::memcmp(first, again, sizeof first), 0);
    sha << "more";
    EXPECT_FALSE(sha.Result(again));
    sha.Reset();
    sha << "abc";
    EXPECT_EQ(hexOf(sha), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

// Each file name the readers, carvers and cleaners open is the key of the file it stands for: a
// mistyped one would find no database, and lose its records without a word.
TEST(Sha1, BackupFileKeysAreTheDigestOfDomainMinusPath) {
    EXPECT_EQ(backupFileKey("HomeDomain", "Library/SMS/sms.db"), sha1("HomeDomain-Library/SMS/sms.db"));
    const struct {
        const char* key;
        const char* domain;
        const char* path;
    } files[] = {
        {backupkeys::addressBook, "HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"},
        {backupkeys::addressBookImages, "HomeDomain", "Library/AddressBook/AddressBookImages.sqlitedb"},
        {backupkeys::messages, "HomeDomain", "Library/SMS/sms.db"},
        {backupkeys::callHistory, "WirelessDomain", "Library/CallHistory/call_history.db"},
        {backupkeys::callHistoryOld, "HomeDomain", "Library/CallHistory/call_history.db"},
        {backupkeys::notes, "HomeDomain", "Library/Notes/notes.sqlite"},
        {backupkeys::notesOld, "HomeDomain", "Library/Notes/notes.db"},
        {backupkeys::bookmarks, "HomeDomain", "Library/Safari/Bookmarks.db"},
        {backupkeys::bookmarksOld, "HomeDomain", "Library/Safari/Bookmarks.plist"},
        {backupkeys::history, "HomeDomain", "Library/Safari/History.plist"},
        {backupkeys::calendar, "HomeDomain", "Library/Calendar/Calendar.sqlitedb"},
    };
    for (const auto& file : files) EXPECT_EQ(file.key, backupFileKey(file.domain, file.path)) << file.path;
    EXPECT_EQ(std::string(backupkeys::addressBookImagesOld), std::string(backupkeys::addressBookImages) + ".mddata");
}

}  // namespace
