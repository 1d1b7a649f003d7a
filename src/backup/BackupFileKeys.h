// The names a legacy iTunes backup gives the files the readers, carvers, recovery and cleaners
// open: the SHA-1 of domain "-" path (backupFileKey in backup/SHAH.h), each named here once.
#pragma once

namespace backupkeys {

// HomeDomain-Library/AddressBook/AddressBook.sqlitedb
inline constexpr const char* addressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
// HomeDomain-Library/AddressBook/AddressBookImages.sqlitedb
inline constexpr const char* addressBookImages = "cd6702cea29fe89cf280a76794405adb17f9a0ee";
// The same in the older layout, whose data files end in ".mddata".
inline constexpr const char* addressBookImagesOld = "cd6702cea29fe89cf280a76794405adb17f9a0ee.mddata";
// HomeDomain-Library/SMS/sms.db
inline constexpr const char* messages = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
// WirelessDomain-Library/CallHistory/call_history.db
inline constexpr const char* callHistory = "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
// HomeDomain-Library/CallHistory/call_history.db, where older phones keep it
inline constexpr const char* callHistoryOld = "ff1324e6b949111b2fb449ecddb50c89c3699a78";
// HomeDomain-Library/Notes/notes.sqlite
inline constexpr const char* notes = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
// HomeDomain-Library/Notes/notes.db, the older notes database
inline constexpr const char* notesOld = "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b";
// HomeDomain-Library/Safari/Bookmarks.db
inline constexpr const char* bookmarks = "d1f062e2da26192a6625d968274bfda8d07821e4";
// HomeDomain-Library/Safari/Bookmarks.plist, read as the bookmarks database where Bookmarks.db is not
inline constexpr const char* bookmarksOld = "04cc352fd9943f7c0c3f0781d4834fa137775761";
// HomeDomain-Library/Safari/History.plist
inline constexpr const char* history = "1d6740792a2b845f4c1e6220c43906d7f0afe8ab";
// HomeDomain-Library/Calendar/Calendar.sqlitedb
inline constexpr const char* calendar = "2041457d5fe04d39d0ab481178355df6781e6858";

}  // namespace backupkeys
