// The delegate's byte-size texts, which every page shows.
#include "app/OstrevaneAppDelegate.h"
#include "platform/Process.h"

#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {
std::string sizeToUnit(uint64_t count) {
    char buffer[100] = {};
    return OstrevaneAppDelegate::size_to_unit(count, buffer);
}
uint64_t sizeFromString(const std::string& text) {
    return OstrevaneAppDelegate::sizeFormString(QString::fromStdString(text));
}
}  // namespace

namespace {

struct Case {
    uint64_t count;
    const char* text;
};

// Unit boundaries: the unit follows the integer count, the value is rounded to two decimals.
const Case kBoundaries[] = {
    {0, "0.00bytes"},
    {999, "999.00bytes"},
    {1000, "1.00KB"},
    {1499, "1.50KB"},
    {999999, "1000.00KB"},
    {1000000, "1.00MB"},
    {1234567, "1.23MB"},
    {999999999, "1000.00MB"},
    {1000000000, "1.00GB"},
    {999999999999ULL, "1000.00GB"},
    {1000000000000ULL, "1.00TB"},
};

void expectBoundaries() {
    for (const Case& c : kBoundaries) EXPECT_EQ(sizeToUnit(c.count), c.text) << c.count;
    // Round trips lose what the two decimals cannot hold.
    EXPECT_EQ(sizeFromString(sizeToUnit(999)), 999u);
    EXPECT_EQ(sizeFromString(sizeToUnit(1000)), 1000u);
    EXPECT_EQ(sizeFromString(sizeToUnit(1499)), 1500u);
    EXPECT_EQ(sizeFromString(sizeToUnit(1000000)), 1000000u);
    EXPECT_EQ(sizeFromString(sizeToUnit(1000000000)), 1000000000u);
    EXPECT_EQ(sizeFromString(sizeToUnit(1000000000000ULL)), 1000000000000ULL);
    EXPECT_EQ(sizeFromString("2.00GB"), 2000000000u);
}

}  // namespace

TEST(ByteSizeText, WritesUnitAtEveryBoundaryAndReadsItBack) { expectBoundaries(); }

TEST(ByteSizeText, WritesIntoTheCallersBuffer) {
    char buffer[100] = {};
    EXPECT_EQ(OstrevaneAppDelegate::size_to_unit(std::numeric_limits<uint64_t>::max(), buffer), buffer);
    EXPECT_EQ(std::string(buffer), "18446744.00TB");
}

TEST(ByteSizeText, ReadsOnlyKnownUnits) {
    EXPECT_EQ(sizeFromString("999.00bytes"), 999u);
    EXPECT_EQ(sizeFromString("1.50KB"), 1500u);
    EXPECT_EQ(sizeFromString("1KB"), 1000u);
    EXPECT_EQ(sizeFromString("KB"), 0u);
    EXPECT_EQ(sizeFromString("12"), 0u);
    EXPECT_EQ(sizeFromString(""), 0u);
    EXPECT_EQ(sizeFromString("B"), 0u);
    EXPECT_EQ(sizeFromString("1.50kb"), 0u);  // units are case-sensitive
    EXPECT_EQ(sizeFromString("bytes"), 0u);
}

TEST(ByteSizeText, BadNumbersGiveZeroOrTheLargestCount) {
    EXPECT_EQ(sizeFromString("-5.00KB"), 0u);
    EXPECT_EQ(sizeFromString("nanKB"), 0u);
    EXPECT_EQ(sizeFromString("abcMB"), 0u);
    EXPECT_EQ(sizeFromString("1e30TB"), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(sizeFromString("infGB"), std::numeric_limits<uint64_t>::max());
}

// A user whose locale writes decimal commas still gets (and reads) decimal points.
TEST(ByteSizeText, IgnoresACommaDecimalLocale) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string target = dir.path().toStdString() + "/de_DE.UTF-8";
    // localedef answers 1 for warnings while still writing the locale; setlocale decides below.
    const int built = process::runAndWait("/usr/bin/localedef", {"-i", "de_DE", "-f", "UTF-8", target});
    if (built != 0 && built != 1) GTEST_SKIP() << "no de_DE locale source to build";
    setenv("LOCPATH", dir.path().toLocal8Bit().constData(), 1);
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string restore = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        unsetenv("LOCPATH");
        GTEST_SKIP() << "de_DE locale could not be loaded";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    EXPECT_STREQ(probe, "1,50");  // the locale is really in force
    expectBoundaries();
    std::setlocale(LC_NUMERIC, restore.c_str());
    unsetenv("LOCPATH");
}
