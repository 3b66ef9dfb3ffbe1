// The console's registry helpers against this computer's registry file in a temporary world.
#include "tree/RegUtil.h"

#include "../common/TempWorld.h"
#include "platform/Registry.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const QString kProduct = QStringLiteral("SOFTWARE\\Korvane\\ALERT\\CurrentVersion");

TEST(RegUtil, EveryDefaultWithoutARegistry)
{
    TempWorld world;
    EXPECT_EQ(ReadRegDword("Sentrel", {}, "NetTreeDefaultExpandBroadcast", 0), 0u);
    EXPECT_EQ(ReadRegDword("Sentrel", {}, "NetTreeDefaultExpandEventlog", 0), 0u);
    EXPECT_EQ(ReadRegDword("Sentrel", {}, "NetTreeDefaultExpandServer", 0), 0u);
    EXPECT_EQ(ReadRegDword("Sentrel", {}, "LargeToolbar", 1), 1u);
    EXPECT_EQ(ReadRegDword("Sentrel", {}, "SetMaxTry", 20), 20u);
    EXPECT_EQ(ReadRegDword("Service", {}, "Impersonate", 1), 1u);
    EXPECT_EQ(ServiceHomeDirectory(), QStringLiteral("C:\\ALERT"));
    EXPECT_EQ(HelpDirectory(), QStringLiteral("C:\\ALERT\\Help\\"));
    char buffer[512];
    EXPECT_EQ(ReadRegString("Path", {}, "EventLog", "", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ReadRegString("Path", {}, "Log", "", buffer, sizeof buffer), 0u);
    EXPECT_EQ(ReadRegString("Applications", "QUELLIT", "DisplayName", {}, 256), QString());
}

TEST(RegUtil, WriteCreatesTheWholeKeyPathWithItsClass)
{
    TempWorld world;
    ASSERT_EQ(Registry::OpenKey({}, kProduct), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WriteRegDword("Sentrel", {}, "HomeMaxTry", 7), 0u);
    EXPECT_EQ(Registry::OpenKey({}, "SOFTWARE\\Korvane"), 0u);
    EXPECT_EQ(Registry::OpenKey({}, kProduct), 0u);
    QString keyClass;
    ASSERT_EQ(Registry::QueryKeyClass({}, kProduct + "\\Sentrel", &keyClass), 0u);
    EXPECT_EQ(keyClass, QStringLiteral("ZORData"));
    EXPECT_EQ(ReadRegDword("Sentrel", {}, "HomeMaxTry", 0), 7u);
    // Subsections too, and value names case-insensitively.
    EXPECT_EQ(WriteRegDword("Applications", "Quellit", "Level", 0xA1B2C3D4u), 0u);
    EXPECT_EQ(ReadRegDword("applications", "QUELLIT", "level", 0), 0xA1B2C3D4u);
}

TEST(RegUtil, StringValues)
{
    TempWorld world;
    ASSERT_EQ(Registry::PutString({}, kProduct + "\\Path", "Home", "D:\\SVC"), 0u);
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    // The byte count includes the terminator.
    EXPECT_EQ(ReadRegString("Path", {}, "Home", "C:\\ALERT", buffer, sizeof buffer), 7u);
    EXPECT_STREQ(buffer, "D:\\SVC");
    EXPECT_EQ(ServiceHomeDirectory(), QStringLiteral("D:\\SVC"));
    // A number read as text is not text.
    ASSERT_EQ(Registry::PutDword({}, kProduct + "\\Path", "Log", 5), 0u);
    EXPECT_EQ(ReadRegString("Path", {}, "Log", "none", buffer, sizeof buffer), 4u);
    EXPECT_STREQ(buffer, "none");
    // And text is no number.
    EXPECT_EQ(ReadRegDword("Path", {}, "Home", 33), 33u);
}

TEST(RegUtil, StringLongerThanTheBufferGivesTheDefault)
{
    TempWorld world;
    // 255 characters + terminator fill a 256-byte buffer exactly; one more does not fit.
    const QString fits(255, QLatin1Char('a'));
    const QString tooLong(256, QLatin1Char('b'));
    ASSERT_EQ(Registry::PutString({}, kProduct + "\\Path", "Fits", fits), 0u);
    ASSERT_EQ(Registry::PutString({}, kProduct + "\\Path", "Home", "C:\\" + tooLong), 0u);
    char buffer[256];
    EXPECT_EQ(ReadRegString("Path", {}, "Fits", "dflt", buffer, sizeof buffer), 256u);
    EXPECT_EQ(QString::fromLatin1(buffer), fits);
    EXPECT_EQ(ReadRegString("Path", {}, "Home", "C:\\ALERT", buffer, sizeof buffer), 8u);
    EXPECT_STREQ(buffer, "C:\\ALERT");
    EXPECT_EQ(ServiceHomeDirectory(), QStringLiteral("C:\\ALERT"));
    // A default longer than a small buffer is cut, never written past it.
    char small[8];
    std::memset(small, 'z', sizeof small);
    EXPECT_EQ(ReadRegString("Path", {}, "Missing", "LONGER", small, 4), 6u);
    EXPECT_STREQ(small, "LON");
    EXPECT_EQ(small[4], 'z');
}

TEST(RegUtil, KeyPathLongerThanItsBufferIsRefused)
{
    TempWorld world;
    // Product key (37) + "\Applications\" (14) + name: 204 characters fit with the terminator.
    const QString fits(204, QLatin1Char('A'));
    const QString tooLong(205, QLatin1Char('A'));
    QString path;
    EXPECT_TRUE(BuildProductKeyPath("Applications", fits, &path));
    EXPECT_EQ(path.size(), 255);
    EXPECT_FALSE(BuildProductKeyPath("Applications", tooLong, &path));
    EXPECT_NE(WriteRegDword("Applications", tooLong, "X", 1), 0u);
    EXPECT_EQ(ReadRegDword("Applications", tooLong, "X", 9), 9u);
    EXPECT_EQ(WriteRegDword("Applications", fits, "X", 1), 0u);
    EXPECT_EQ(ReadRegDword("Applications", fits, "X", 9), 1u);
}

TEST(RegUtil, WidenText)
{
    char16_t wide[16];
    EXPECT_EQ(WidenText("abc", nullptr, 4), nullptr);
    std::fill(std::begin(wide), std::end(wide), u'#');
    WidenText(nullptr, wide, 16);
    EXPECT_EQ(wide[0], u'\0');
    // Count 0: the input's length plus one.
    std::fill(std::begin(wide), std::end(wide), u'#');
    WidenText("\xe9\x85\x8d\xe7\xbd\xae", wide, 0);   // "配置"
    EXPECT_EQ(wide[0], u'\u914d');
    EXPECT_EQ(wide[1], u'\u7f6e');
    EXPECT_EQ(wide[2], u'\0');
    // Invalid text: each byte becomes a unit.
    std::fill(std::begin(wide), std::end(wide), u'#');
    WidenText("A\xff", wide, 8);
    EXPECT_EQ(wide[0], u'A');
    EXPECT_EQ(wide[1], u'\u00ff');
    EXPECT_EQ(wide[2], u'\0');
    // Too long for the buffer: cut, terminator inside the buffer, nothing beyond it.
    std::fill(std::begin(wide), std::end(wide), u'#');
    WidenText("abcdef", wide, 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    EXPECT_EQ(wide[4], u'#');
}

} // namespace
