#include "platform/VersionInfo.h"

#include "../common/TempWorld.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>
#include <vector>

namespace {

Version::VersionResource ServiceVersion()
{
    Version::VersionResource v;
    v.fileVersionMS = (4u << 16) | 20u;
    v.fileVersionLS = (1234u << 16) | 5u;
    v.productVersionMS = (4u << 16) | 2u;
    v.fileType = VFT_APP;
    v.tables.push_back({0x0409, 0x04B0, {{QStringLiteral("FileDescription"), QStringLiteral("Alert Notification Server")},
                                         {QStringLiteral("CompanyName"), QStringLiteral("Korvane")},
                                         {QStringLiteral("Comments"), QString()}}});
    v.tables.push_back({0x0404, 0x04B0, {{QStringLiteral("FileDescription"), QStringLiteral("警示通知伺服器")}}});
    return v;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Field offsets in the image BuildPeImage makes (one section, PE32).
constexpr int kPe = 0x40;
constexpr int kOptional = kPe + 24;
constexpr int kSectionTable = kOptional + 224;
constexpr int kRsrc = 0x200;
constexpr int kBlock = kRsrc + 88;

void Put32(QByteArray* b, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        (*b)[at + i] = char((v >> (8 * i)) & 0xFF);
}

void Put16(QByteArray* b, int at, uint16_t v)
{
    (*b)[at] = char(v & 0xFF);
    (*b)[at + 1] = char(v >> 8);
}

} // namespace

TEST(VersionInfo, WrittenFileReadsBackThroughTheWin32Calls)
{
    TempWorld world;
    QDir().mkpath(world.Path(QStringLiteral("machines/TESTPC/drives/C/Alert")));
    const Version::VersionResource v = ServiceVersion();
    ASSERT_TRUE(Version::WritePeFile(world.Path(QStringLiteral("machines/TESTPC/drives/C/Alert/Alert.exe")), &v));

    DWORD handle = 99;
    const DWORD size = GetFileVersionInfoSize(QStringLiteral("C:\\ALERT\\ALERT.EXE"), &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    std::vector<char> buffer(size);
    EXPECT_FALSE(GetFileVersionInfo(QStringLiteral("C:\\ALERT\\ALERT.EXE"), 0, size - 1, buffer.data()));
    ASSERT_TRUE(GetFileVersionInfo(QStringLiteral("C:\\ALERT\\ALERT.EXE"), 0, size, buffer.data()));

    const void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValue(buffer.data(), QStringLiteral("\\"), &value, &length));
    ASSERT_EQ(length, 52u);
    const auto* fixed = static_cast<const uchar*>(value);
    auto field = [fixed](int i) { return uint32_t(fixed[4 * i]) | uint32_t(fixed[4 * i + 1]) << 8 | uint32_t(fixed[4 * i + 2]) << 16 | uint32_t(fixed[4 * i + 3]) << 24; };
    EXPECT_EQ(field(0), VS_FFI_SIGNATURE);
    EXPECT_EQ(field(2), v.fileVersionMS);
    EXPECT_EQ(field(3), v.fileVersionLS);

    ASSERT_TRUE(VerQueryValue(buffer.data(), QStringLiteral("\\StringFileInfo\\040904b0\\fileDescription"), &value, &length));
    EXPECT_EQ(QString(static_cast<const QChar*>(value), int(length)), QStringLiteral("Alert Notification Server"));
    EXPECT_FALSE(VerQueryValue(buffer.data(), QStringLiteral("\\StringFileInfo\\040704B0\\FileDescription"), &value, &length));
    ASSERT_TRUE(VerQueryValue(buffer.data(), QStringLiteral("\\VarFileInfo\\Translation"), &value, &length));
    EXPECT_EQ(QByteArray(static_cast<const char*>(value), int(length)), QByteArray("\x09\x04\xB0\x04\x04\x04\xB0\x04", 8));

    // The same file through an administrative share, and by host path.
    EXPECT_EQ(GetFileVersionInfoSize(QStringLiteral("\\\\TESTPC\\C$\\alert\\alert.exe"), nullptr), size);
    EXPECT_EQ(GetFileVersionInfoSize(world.Path(QStringLiteral("machines/TESTPC/drives/C/Alert/Alert.exe")), nullptr), size);
}

TEST(VersionInfo, FixedInformationAndStringTables)
{
    const Version::VersionResource v = ServiceVersion();
    QByteArray block;
    ASSERT_TRUE(Version::ReadVersionBlockFromImage(Version::BuildPeImage(&v), &block));
    EXPECT_EQ(block, Version::BuildVersionBlock(v));
    VS_FIXEDFILEINFO info;
    ASSERT_TRUE(Version::QueryFixed(block, &info));
    EXPECT_EQ(info.dwFileVersionMS >> 16, 4u);
    EXPECT_EQ(info.dwFileVersionMS & 0xFFFF, 20u);
    EXPECT_EQ(info.dwFileVersionLS >> 16, 1234u);
    EXPECT_EQ(info.dwProductVersionMS, v.productVersionMS);
    EXPECT_EQ(info.dwFileType, VFT_APP);

    QString text;
    EXPECT_TRUE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040404B0\\FileDescription"), &text));
    EXPECT_EQ(text, QStringLiteral("警示通知伺服器"));
    EXPECT_TRUE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040904B0\\CompanyName"), &text));
    EXPECT_EQ(text, QStringLiteral("Korvane"));
    // An empty value exists and is empty.
    text = QStringLiteral("x");
    EXPECT_TRUE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040904B0\\Comments"), &text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040904B0\\ProductName"), &text));
    EXPECT_FALSE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\041104B0\\FileDescription"), &text));
    EXPECT_FALSE(Version::QueryString(block, QStringLiteral("\\"), &text));

    // A library with only a German table.
    Version::VersionResource german;
    german.fileType = VFT_DLL;
    german.tables.push_back({0x0407, 0x04B0, {{QStringLiteral("FileDescription"), QStringLiteral("Benachrichtigung")}}});
    ASSERT_TRUE(Version::ReadVersionBlockFromImage(Version::BuildPeImage(&german), &block));
    EXPECT_FALSE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040904B0\\FileDescription"), &text));
    EXPECT_TRUE(Version::QueryString(block, QStringLiteral("\\StringFileInfo\\040704B0\\FileDescription"), &text));
    EXPECT_EQ(text, QStringLiteral("Benachrichtigung"));
}

TEST(VersionInfo, FilesWithoutAVersionResource)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.dll"));
    ASSERT_TRUE(Version::WritePeFile(plain, nullptr));
    EXPECT_EQ(GetFileVersionInfoSize(plain, nullptr), 0u);
    const QString text = dir.filePath(QStringLiteral("readme.exe"));
    ASSERT_TRUE(WriteBytes(text, "MZ this is not a program"));
    EXPECT_EQ(GetFileVersionInfoSize(text, nullptr), 0u);
    EXPECT_EQ(GetFileVersionInfoSize(dir.filePath(QStringLiteral("missing.exe")), nullptr), 0u);
    EXPECT_EQ(GetFileVersionInfoSize(dir.path(), nullptr), 0u);
    char buffer[16];
    EXPECT_FALSE(GetFileVersionInfo(plain, 0, sizeof buffer, buffer));
    // Windows paths that resolve nowhere.
    TempWorld world;
    EXPECT_EQ(GetFileVersionInfoSize(QStringLiteral("C:\\ALERT\\..\\X.EXE"), nullptr), 0u);
    EXPECT_EQ(GetFileVersionInfoSize(QStringLiteral("\\\\NOSUCH\\C$\\X.EXE"), nullptr), 0u);
}

TEST(VersionInfo, EveryTruncationHasNoVersion)
{
    const Version::VersionResource v = ServiceVersion();
    const QByteArray image = Version::BuildPeImage(&v);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.exe"));
    ASSERT_TRUE(WriteBytes(path, image));
    ASSERT_GT(GetFileVersionInfoSize(path, nullptr), 0u);
    for (int length = 0; length < image.size(); ++length) {
        QByteArray block;
        ASSERT_FALSE(Version::ReadVersionBlockFromImage(image.left(length), &block)) << "cut at " << length;
        // The same reader on real files, for a spread of lengths and the last bytes.
        if (length % 7 == 0 || length > image.size() - 8) {
            ASSERT_TRUE(WriteBytes(path, image.left(length)));
            ASSERT_EQ(GetFileVersionInfoSize(path, nullptr), 0u) << "cut at " << length;
        }
    }
}

TEST(VersionInfo, LyingFieldsHaveNoVersion)
{
    const Version::VersionResource v = ServiceVersion();
    const QByteArray image = Version::BuildPeImage(&v);
    const std::vector<std::pair<const char*, std::function<void(QByteArray*)>>> lies = {
        {"dos magic", [](QByteArray* b) { (*b)[1] = 'X'; }},
        {"pe offset past end", [](QByteArray* b) { Put32(b, 0x3C, uint32_t(b->size())); }},
        {"pe offset huge", [](QByteArray* b) { Put32(b, 0x3C, 0xFFFFFFF0u); }},
        {"pe signature", [](QByteArray* b) { (*b)[kPe + 1] = 'F'; }},
        {"no sections", [](QByteArray* b) { Put16(b, kPe + 6, 0); }},
        {"too many sections", [](QByteArray* b) { Put16(b, kPe + 6, 0xFFFF); }},
        {"optional header past end", [](QByteArray* b) { Put16(b, kPe + 20, 0xFFFF); }},
        {"optional header too short", [](QByteArray* b) { Put16(b, kPe + 20, 100); }},
        {"optional magic", [](QByteArray* b) { Put16(b, kOptional, 0x107); }},
        {"two directories", [](QByteArray* b) { Put32(b, kOptional + 92, 2); }},
        {"resource rva outside", [](QByteArray* b) { Put32(b, kOptional + 112, 0x9000); }},
        {"section raw pointer past end", [](QByteArray* b) { Put32(b, kSectionTable + 20, 0x10000); }},
        {"section raw size huge", [](QByteArray* b) { Put32(b, kSectionTable + 16, 0x7FFFFFFF); }},
        {"section raw pointer wraps", [](QByteArray* b) { Put32(b, kSectionTable + 20, 0xFFFFFF00u); }},
        {"root entry count", [](QByteArray* b) { Put16(b, kRsrc + 14, 0xFFFF); }},
        {"no version type", [](QByteArray* b) { Put32(b, kRsrc + 16, 3); }},
        {"type entry not a directory", [](QByteArray* b) { Put32(b, kRsrc + 20, 24); }},
        {"directory points at itself", [](QByteArray* b) { Put32(b, kRsrc + 24 + 20, 0x80000000u | 24); }},
        {"directory points back to root", [](QByteArray* b) { Put32(b, kRsrc + 24 + 20, 0x80000000u); }},
        {"directory past section", [](QByteArray* b) { Put32(b, kRsrc + 24 + 20, 0x80000000u | 0x7FFFFFF0u); }},
        {"language entry is a directory", [](QByteArray* b) { Put32(b, kRsrc + 48 + 20, 0x80000000u | 72); }},
        {"data entry past section", [](QByteArray* b) { Put32(b, kRsrc + 48 + 20, 0x7FFFFFF8u); }},
        {"data rva outside", [](QByteArray* b) { Put32(b, kRsrc + 72, 0x10); }},
        {"data size huge", [](QByteArray* b) { Put32(b, kRsrc + 76, 0xFFFFFFFFu); }},
        {"data size past section", [](QByteArray* b) { Put32(b, kRsrc + 76, 0x1000); }},
        {"data size tiny", [](QByteArray* b) { Put32(b, kRsrc + 76, 4); }},
        {"block length past data", [](QByteArray* b) { Put16(b, kBlock, 0xFFFF); }},
        {"block length tiny", [](QByteArray* b) { Put16(b, kBlock, 5); }},
        {"fixed info length", [](QByteArray* b) { Put16(b, kBlock + 2, 48); }},
        {"root key", [](QByteArray* b) { (*b)[kBlock + 6] = 'X'; }},
        {"signature", [](QByteArray* b) { (*b)[kBlock + 40] = 0; }},
    };
    for (const auto& [what, lie] : lies) {
        QByteArray bad = image;
        lie(&bad);
        ASSERT_NE(bad, image) << what;
        QByteArray block;
        EXPECT_FALSE(Version::ReadVersionBlockFromImage(bad, &block)) << what;
    }
}

TEST(VersionInfo, CorruptedBytesNeverCrash)
{
    const Version::VersionResource v = ServiceVersion();
    const QByteArray image = Version::BuildPeImage(&v);
    const QString paths[] = {
        QStringLiteral("\\"), QStringLiteral("\\StringFileInfo\\040904B0\\FileDescription"),
        QStringLiteral("\\StringFileInfo\\040404B0\\FileDescription"), QStringLiteral("\\VarFileInfo\\Translation"),
    };
    int stillValid = 0;
    for (int at = 0; at < image.size(); ++at) {
        for (uchar byte : {uchar(0x00), uchar(0xFF), uchar(0x7F), uchar(0x80), uchar(0x01)}) {
            QByteArray bad = image;
            bad[at] = char(byte);
            QByteArray block;
            if (!Version::ReadVersionBlockFromImage(bad, &block))
                continue;
            ++stillValid;
            VS_FIXEDFILEINFO info;
            ASSERT_TRUE(Version::QueryFixed(block, &info)) << at;
            for (const QString& path : paths) {
                QString text;
                QByteArray binary;
                Version::QueryString(block, path, &text);
                Version::QueryBinary(block, path, &binary);
                const void* value = nullptr;
                UINT length = 0;
                if (VerQueryValue(block.constData(), path, &value, &length)) {
                    const char* begin = static_cast<const char*>(value);
                    ASSERT_GE(begin, block.constData());
                    ASSERT_LE(begin + length, block.constData() + block.size());
                }
            }
        }
    }
    // Bytes outside the structure (padding, unused header fields) change nothing.
    EXPECT_GT(stillValid, 0);
}

TEST(VersionInfo, WideHeaderImagesAreRead)
{
    const Version::VersionResource v = ServiceVersion();
    QByteArray image = Version::BuildPeImage(&v);
    // Rewrite the optional header as PE32+: directory count at 108, directories from 112.
    const QByteArray directories = image.mid(kOptional + 96, 16 * 8);
    Put16(&image, kOptional, 0x20B);
    Put32(&image, kOptional + 108, 16);
    image.replace(kOptional + 112, 16 * 8 - 16, directories.left(16 * 8 - 16));
    QByteArray block;
    ASSERT_TRUE(Version::ReadVersionBlockFromImage(image, &block));
    VS_FIXEDFILEINFO info;
    ASSERT_TRUE(Version::QueryFixed(block, &info));
    EXPECT_EQ(info.dwFileVersionLS, v.fileVersionLS);
}
