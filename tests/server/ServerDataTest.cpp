// The records and texts of the server leaf that other code relies on byte for byte: the
// SERVERDATA block, the service account record, the path conversion rules and the message
// inserts.
#include "tree/MessageText.h"
#include "tree/ServerData.h"
#include "tree/ServerLeaf.h"
#include "tree/ServiceAccountDlg.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(ServerData, FieldsLieAtTheirOffsets)
{
    CServerData data = CServerData::Make(QStringLiteral("SRV1"), QStringLiteral("\\\\SRV1\\ADMIN$"));
    data.SetReserved1(QStringLiteral("R1"));
    data.SetReserved2(QStringLiteral("R2"));
    const QByteArray& b = data.Bytes();
    ASSERT_EQ(b.size(), 1030);
    EXPECT_EQ(QByteArray(b.constData() + 0, 5), QByteArray("SRV1\0", 5));
    EXPECT_EQ(QByteArray(b.constData() + 260, 3), QByteArray("R1\0", 3));
    EXPECT_EQ(QByteArray(b.constData() + 515, 3), QByteArray("R2\0", 3));
    EXPECT_EQ(QByteArray(b.constData() + 770, 14), QByteArray("\\\\SRV1\\ADMIN$\0", 14));
    // Everything else stays zero.
    int nonZero = 0;
    for (char c : b)
        nonZero += c != 0;
    EXPECT_EQ(nonZero, 4 + 2 + 2 + 13);

    EXPECT_EQ(CServerData::Machine(data.Data()), QStringLiteral("SRV1"));
    EXPECT_EQ(CServerData::Reserved1(data.Data()), QStringLiteral("R1"));
    EXPECT_EQ(CServerData::Reserved2(data.Data()), QStringLiteral("R2"));
    EXPECT_EQ(CServerData::Connection(data.Data()), QStringLiteral("\\\\SRV1\\ADMIN$"));
}

TEST(ServerData, FullSizeFieldHasNoTerminatorAndIsReadToItsEnd)
{
    CServerData data;
    data.SetReserved1(QString(300, QLatin1Char('A')));   // longer than the field
    data.SetReserved2(QStringLiteral("B"));
    const QByteArray& b = data.Bytes();
    // Exactly the field's 255 bytes, no terminator, the next field untouched.
    EXPECT_EQ(b.at(260 + 254), 'A');
    EXPECT_EQ(b.at(515), 'B');
    EXPECT_EQ(b.at(259), '\0');
    // Readers stop at the field's end instead of running into the next field.
    EXPECT_EQ(CServerData::Reserved1(data.Data()), QString(255, QLatin1Char('A')));
    EXPECT_EQ(CServerData::Reserved2(data.Data()), QStringLiteral("B"));

    CServerData last;
    last.SetConnection(QString(260, QLatin1Char('C')));
    EXPECT_EQ(CServerData::Connection(last.Data()).size(), 260);
}

TEST(ServerData, ALongTextIsCutBetweenCharacters)
{
    // 100 three-byte characters: 86 fit the machine's 260 bytes, the 87th would not whole.
    CServerData data = CServerData::Make(QString(100, QChar(0x8CC7)), QString());
    EXPECT_EQ(CServerData::Machine(data.Data()), QString(86, QChar(0x8CC7)));
    EXPECT_EQ(data.Bytes().at(258), '\0');
    EXPECT_EQ(data.Bytes().at(259), '\0');
}

TEST(ServicePath, DriveAndShareForms)
{
    const QString name = QStringLiteral("NAME");
    EXPECT_EQ(CServerLeaf::ConvertServicePath(name, false, QStringLiteral("D:\\ALERT")),
              QStringLiteral("\\\\NAME\\D$\\ALERT"));
    EXPECT_EQ(CServerLeaf::ConvertServicePath(name, false, QStringLiteral("\\\\OTHER\\SHARE\\ALERT")),
              QStringLiteral("\\\\NAME\\SHARE\\ALERT"));
    // Only the first colon becomes the share's dollar sign.
    EXPECT_EQ(CServerLeaf::ConvertServicePath(name, false, QStringLiteral("C:\\A:B")),
              QStringLiteral("\\\\NAME\\C$\\A:B"));
    // On this computer a drive path stays as it is.
    EXPECT_EQ(CServerLeaf::ConvertServicePath(name, true, QStringLiteral("C:\\ALERT")), QStringLiteral("C:\\ALERT"));
    // A share path is reached on the machine itself, this computer too.
    EXPECT_EQ(CServerLeaf::ConvertServicePath(name, true, QStringLiteral("\\\\ELSE\\X")), QStringLiteral("\\\\NAME\\X"));
    // A host without anything after it stays unchanged.
    EXPECT_EQ(CServerLeaf::ConvertServicePath(name, false, QStringLiteral("\\\\OTHER")), QStringLiteral("\\\\OTHER"));
    EXPECT_EQ(CServerLeaf::ConvertServicePath(name, false, QString()), QStringLiteral("\\\\NAME\\"));
}

TEST(MessageText, InsertsInOrderAndNumbered)
{
    EXPECT_EQ(FormatText(QStringLiteral("機器 %s 上 %s [%d]"), {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("5")}),
              QStringLiteral("機器 A 上 B [5]"));
    EXPECT_EQ(FormatText(QStringLiteral("%1 and %1, 100%%"), {QStringLiteral("X")}), QStringLiteral("X and X, 100%"));
    // Missing inserts leave nothing, never garbage; a lone percent sign stays.
    EXPECT_EQ(FormatText(QStringLiteral("%s-%d-%2 %"), {QStringLiteral("only")}), QStringLiteral("only-- %"));
    EXPECT_EQ(FormatText(QStringLiteral("%x"), {}), QStringLiteral("%x"));
}

TEST(ServiceAccountRecord, FieldsAndFlagAtTheirOffsets)
{
    CServiceAccountRecord r;
    r.SetDomain(QStringLiteral("DOM"));
    r.SetUser(QStringLiteral("user"));
    r.SetPassword("pw");
    r.SetExchangeServer(QStringLiteral("mx"));
    r.SetExchangeMailbox(QStringLiteral("box"));
    r.SetInvalidFlag(1);
    const QByteArray& b = r.Bytes();
    ASSERT_EQ(b.size(), 512);
    EXPECT_EQ(QByteArray(b.constData() + 0, 4), QByteArray("DOM\0", 4));
    EXPECT_EQ(QByteArray(b.constData() + 48, 5), QByteArray("user\0", 5));
    EXPECT_EQ(QByteArray(b.constData() + 96, 3), QByteArray("pw\0", 3));
    EXPECT_EQ(QByteArray(b.constData() + 144, 3), QByteArray("mx\0", 3));
    EXPECT_EQ(QByteArray(b.constData() + 192, 4), QByteArray("box\0", 4));
    EXPECT_EQ(QByteArray(b.constData() + 240, 4), QByteArray("\x01\0\0\0", 4));
    for (int i = 244; i < 512; ++i)
        ASSERT_EQ(b.at(i), '\0') << i;
    EXPECT_EQ(r.InvalidFlag(), 1);
}

TEST(ServiceAccountRecord, LongTextKeepsTheTerminatorAndWholeCharacters)
{
    CServiceAccountRecord r;
    r.SetUser(QString(60, QLatin1Char('u')));
    EXPECT_EQ(r.User().size(), 47);
    EXPECT_EQ(r.Bytes().at(48 + 47), '\0');
    // Of 24 three-byte characters 15 fit in 47 bytes; no character is cut in half.
    r.SetDomain(QString(24, QChar(0x8CC7)));
    EXPECT_EQ(r.Domain(), QString(15, QChar(0x8CC7)));
    EXPECT_EQ(r.Bytes().at(45), '\0');
    // The neighbouring field is untouched by a long value.
    EXPECT_EQ(r.User().size(), 47);
}

} // namespace
