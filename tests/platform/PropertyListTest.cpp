#include "platform/CoreFoundation.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

CFHolder<CFStringRef> str(const char* s) { return CFHolder<CFStringRef>(CFStringCreateWithCString(s)); }

CFHolder<CFNumberRef> num(int64_t v) { return CFHolder<CFNumberRef>(CFNumberCreate(kCFNumberSInt64Type, &v)); }

std::string describe(CFTypeRef o) {
    CFHolder<CFStringRef> d(CFCopyDescription(o));
    return CFStringGetStdString(d.get());
}

// A nested value with every kind of scalar, non-ASCII text and empty containers.
CFHolder<CFMutableDictionaryRef> sampleValue() {
    CFHolder<CFMutableDictionaryRef> root(CFDictionaryCreateMutable());
    CFDictionarySetValue(root.get(), "Name", str("Jürgen’s iPhone ✓").get());
    CFDictionarySetValue(root.get(), "Negative", num(-42).get());
    CFDictionarySetValue(root.get(), "Large", num(int64_t{1} << 40).get());
    double pi = 3.25;
    CFHolder<CFNumberRef> real(CFNumberCreate(kCFNumberFloat64Type, &pi));
    CFDictionarySetValue(root.get(), "Real", real.get());
    CFDictionarySetValue(root.get(), "Yes", kCFBooleanTrue);
    CFDictionarySetValue(root.get(), "No", kCFBooleanFalse);
    const uint8_t bytes[] = {0, 1, 2, 0xfe, 0xff};
    CFHolder<CFDataRef> data(CFDataCreate(bytes, sizeof bytes));
    CFDictionarySetValue(root.get(), "Data", data.get());
    CFHolder<CFDateRef> date(CFDateCreate(378691200.0));  // 2013-01-01
    CFDictionarySetValue(root.get(), "Date", date.get());
    CFHolder<CFMutableArrayRef> array(CFArrayCreateMutable());
    CFArrayAppendValue(array.get(), str("a").get());
    CFHolder<CFMutableArrayRef> emptyArray(CFArrayCreateMutable());
    CFArrayAppendValue(array.get(), emptyArray.get());
    CFHolder<CFMutableDictionaryRef> emptyDict(CFDictionaryCreateMutable());
    CFArrayAppendValue(array.get(), emptyDict.get());
    CFDictionarySetValue(root.get(), "List", array.get());
    return root;
}

}  // namespace

TEST(PropertyList, RoundTripsThroughXmlAndBinary) {
    auto value = sampleValue();
    for (auto format : {kCFPropertyListXMLFormat_v1_0, kCFPropertyListBinaryFormat_v1_0}) {
        CFHolder<CFDataRef> data(CFPropertyListCreateData(value.get(), format));
        ASSERT_TRUE(data);
        CFPropertyListFormat seen{};
        CFHolder<CFPropertyListRef> back(CFPropertyListCreateWithData(data.get(), &seen));
        ASSERT_TRUE(back);
        EXPECT_EQ(seen, format);
        EXPECT_TRUE(CFEqual(back.get(), value.get())) << describe(back.get());
        int64_t negative = 0;
        EXPECT_TRUE(CFNumberGetValue(
            static_cast<CFNumberRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(back.get()), "Negative")),
            kCFNumberSInt64Type, &negative));
        EXPECT_EQ(negative, -42);
    }
}

TEST(PropertyList, RefusesWhatIsNotAPropertyList) {
    const char garbage[] = "not a plist <<<";
    EXPECT_EQ(CFPropertyListCreateWithBytes(garbage, std::strlen(garbage), nullptr), nullptr);
    EXPECT_EQ(CFPropertyListCreateWithBytes("bplist00", 8, nullptr), nullptr);
    EXPECT_EQ(CFPropertyListCreateWithBytes(nullptr, 0, nullptr), nullptr);
    // The null singleton has no property-list form.
    CFHolder<CFMutableArrayRef> array(CFArrayCreateMutable());
    CFArrayAppendValue(array.get(), kCFNull);
    EXPECT_EQ(CFPropertyListCreateXMLData(array.get()), nullptr);
    EXPECT_EQ(CFPropertyListCreateFromFile("/nonexistent/file.plist"), nullptr);
}

// The property-list library aborts the process on a string holding a NUL character; such
// lists are refused (XML) or come back without it (binary), never taking the process down.
TEST(PropertyList, NulCharactersNeverReachTheParser) {
    const std::string head = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (const std::string& body :
         {std::string("<string>a&#0;b</string>"), std::string("<string>a&#x000;b</string>"),
          std::string("<dict><key>k&#00;</key><true/></dict>"), std::string("<string>a") + '\0' + "b</string>"}) {
        const std::string xml = head + body + "</plist>";
        EXPECT_EQ(CFPropertyListCreateWithBytes(xml.data(), xml.size(), nullptr), nullptr) << body;
    }
    const std::string fine = head + "<string>a&#10;b &amp; &#x41;</string></plist>";
    CFHolder<CFPropertyListRef> text(CFPropertyListCreateWithBytes(fine.data(), fine.size(), nullptr));
    EXPECT_EQ(describe(text.get()), "a\nb & A");

    // "bplist00", the ASCII string "a\0b", a one-entry offset table and the trailer.
    std::string binary = std::string("bplist00") +
                         std::string(
                             "\x53"
                             "a\0b",
                             4) +
                         std::string("\x08", 1);
    const char trailer[32] = {0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12};
    binary.append(trailer, sizeof trailer);
    CFHolder<CFPropertyListRef> value(CFPropertyListCreateWithBytes(binary.data(), binary.size(), nullptr));
    if (value) {
        EXPECT_EQ(CFStringGetStdString(static_cast<CFStringRef>(value.get())).find('\0'), std::string::npos);
    }
}

TEST(PropertyList, FileHelpersWriteAndRead) {
    auto value = sampleValue();
    const std::string path = ::testing::TempDir() + "/qm-plist-test.plist";
    ASSERT_TRUE(CFPropertyListWriteToFile(value.get(), path, kCFPropertyListBinaryFormat_v1_0));
    CFHolder<CFPropertyListRef> back(CFPropertyListCreateFromFile(path));
    EXPECT_TRUE(CFEqual(back.get(), value.get()));
}

TEST(CoreFoundationValues, OwnershipAndWrongTypes) {
    CFStringRef s = CFStringCreateWithCString("x");
    EXPECT_EQ(CFGetRetainCount(s), 1);
    CFHolder<CFMutableArrayRef> array(CFArrayCreateMutable());
    CFArrayAppendValue(array.get(), s);
    EXPECT_EQ(CFGetRetainCount(s), 2);
    CFRelease(s);
    EXPECT_EQ(CFGetRetainCount(CFArrayGetValueAtIndex(array.get(), 0)), 1);
    EXPECT_EQ(CFArrayGetValueAtIndex(array.get(), 5), nullptr);

    // Booleans and null are never destroyed.
    CFRelease(kCFBooleanTrue);
    CFRelease(kCFNull);
    EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));

    // Wrong types answer neutrally instead of misreading memory.
    int64_t v = 7;
    EXPECT_FALSE(CFNumberGetValue(reinterpret_cast<CFNumberRef>(array.get()), kCFNumberSInt64Type, &v));
    EXPECT_EQ(CFArrayGetCount(reinterpret_cast<CFArrayRef>(s = CFStringCreateWithCString("y"))), 0);
    EXPECT_EQ(CFDictionaryGetValue(reinterpret_cast<CFDictionaryRef>(s), "k"), nullptr);
    CFRelease(s);
    EXPECT_EQ(CFStringCreateWithBytes("\xff\xfe", 2), nullptr);

    // Numbers convert and say when information was lost.
    auto big = num(int64_t{1} << 40);
    int32_t small = 0;
    EXPECT_FALSE(CFNumberGetValue(big.get(), kCFNumberSInt32Type, &small));
    float f = 0.5f;
    CFHolder<CFNumberRef> fl(CFNumberCreate(kCFNumberFloat32Type, &f));
    double d = 0;
    EXPECT_TRUE(CFNumberGetValue(fl.get(), kCFNumberFloat64Type, &d));
    EXPECT_EQ(d, 0.5);
    EXPECT_TRUE(CFNumberIsFloatType(fl.get()));
}

TEST(CoreFoundationValues, StringLengthCountsUtf16Units) {
    EXPECT_EQ(CFStringGetLength(str("abc").get()), 3);
    EXPECT_EQ(CFStringGetLength(str("é").get()), 1);
    EXPECT_EQ(CFStringGetLength(str("😀").get()), 2);
    char small[3];
    EXPECT_FALSE(CFStringGetCString(str("abc").get(), small, sizeof small));
    char fits[4];
    EXPECT_TRUE(CFStringGetCString(str("abc").get(), fits, sizeof fits));
    EXPECT_STREQ(fits, "abc");
}

TEST(CoreFoundationValues, DescriptionTexts) {
    EXPECT_EQ(describe(str("plain text").get()), "plain text");
    EXPECT_EQ(describe(num(-5).get()), "-5");
    EXPECT_EQ(describe(kCFBooleanTrue), "true");
    EXPECT_EQ(describe(kCFNull), "<null>");
    const uint8_t bytes[] = {0xde, 0xad, 0xbe, 0xef, 0x01};
    CFHolder<CFDataRef> data(CFDataCreate(bytes, sizeof bytes));
    EXPECT_EQ(describe(data.get()), "<deadbeef 01>");
    CFHolder<CFDateRef> date(CFDateCreate(0));
    EXPECT_EQ(describe(date.get()), "2001-01-01 00:00:00 +0000");

    CFHolder<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable());
    CFHolder<CFMutableArrayRef> list(CFArrayCreateMutable());
    CFArrayAppendValue(list.get(), num(1).get());
    CFArrayAppendValue(list.get(), str("two words").get());
    CFDictionarySetValue(dict.get(), "list", list.get());
    CFDictionarySetValue(dict.get(), "empty", CFHolder<CFMutableArrayRef>(CFArrayCreateMutable()).get());
    EXPECT_EQ(describe(dict.get()), "{\n    empty = ();\n    list = (\n        1,\n        \"two words\"\n    );\n}");
}

TEST(CoreFoundationValues, DictionaryKeysAndValuesInKeyOrder) {
    CFHolder<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable());
    CFDictionarySetValue(dict.get(), "b", num(2).get());
    CFDictionarySetValue(dict.get(), "a", num(1).get());
    CFDictionarySetValue(dict.get(), "b", num(3).get());  // replaces
    ASSERT_EQ(CFDictionaryGetCount(dict.get()), 2);
    CFTypeRef keys[2], values[2];
    CFDictionaryGetKeysAndValues(dict.get(), keys, values);
    EXPECT_EQ(CFStringGetStdString(static_cast<CFStringRef>(keys[0])), "a");
    EXPECT_EQ(describe(values[1]), "3");
    CFDictionaryRemoveValue(dict.get(), "a");
    EXPECT_EQ(CFDictionaryGetCount(dict.get()), 1);
}
