// The mail client and the Notes client as the console reaches them: loaded from the machine's
// system folder in the world, in the simple and the extended form, the Exchange kind decided by
// ordinal 139 and the registry key, the address dialogs answered through the UI host, and every
// answer released whole by one free.
#include "MailTestSupport.h"

#include "extern/Tarnix.h"
#include "mail/MapiInterface.h"
#include "platform/MailWorld.h"
#include "mail/NotesInterface.h"
#include "platform/Registry.h"
#include "records/ByteField.h"

#include <QFile>

using namespace MailTest;

namespace {

struct Answer {
    ULONG rc = 0;
    QStringList recipients;   // "class:name:address"
};

// Address with the given recipients; the answer read and freed.
Answer AddressOf(CMapiInterface& mapi, const QList<QPair<QByteArray, ULONG>>& given)
{
    std::vector<MapiRecipDesc> descs;
    for (const auto& g : given) {
        MapiRecipDesc d {};
        d.ulRecipClass = g.second;
        d.lpszName = const_cast<char*>(g.first.constData());
        descs.push_back(d);
    }
    ULONG count = 0;
    MapiRecipDesc* answer = nullptr;
    Answer a;
    a.rc = mapi.Address(nullptr, nullptr, 2, nullptr, ULONG(descs.size()), descs.empty() ? nullptr : descs.data(),
                        MAPI_LOGON_UI, 0, &count, &answer);
    for (ULONG i = 0; i < count && answer; ++i)
        a.recipients << QStringLiteral("%1:%2:%3")
                            .arg(answer[i].ulRecipClass)
                            .arg(QString::fromUtf8(answer[i].lpszName), QString::fromUtf8(answer[i].lpszAddress));
    if (answer)
        EXPECT_EQ(mapi.FreeBuffer(answer), 0u);
    else
        EXPECT_EQ(count, 0u);
    return a;
}

size_t LiveMailBuffers()
{
    return LibraryCount<size_t>("MAPI32.DLL", "MailClientLiveBuffers");
}

} // namespace

TEST(MapiInterface, WithoutAMailClientNothingIsOfferedAndNothingOpens)
{
    TempWorld world(kThisComputer);
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CMapiInterface mapi;
    EXPECT_FALSE(mapi.IsMapiAvailable());
    EXPECT_FALSE(mapi.IsExchangeClientInstalled());
    EXPECT_EQ(mapi.Logon(nullptr, "", "", MAPI_LOGON_UI, 0), MAPI_E_FAILURE);
    EXPECT_EQ(AddressOf(mapi, {}).rc, MAPI_E_FAILURE);
    EXPECT_TRUE(host.Dialogs().empty());

    // A library that lacks the mail entry points is freed again and counts as none.
    QString notes;
    ASSERT_EQ(World::ResolvePathOn(kThisComputer, QStringLiteral("C:\\WINDOWS"), &notes), 0u);
    QString error;
    ASSERT_EQ(WorldTool::InstallNotesClient(kThisComputer, QStringLiteral("C:\\NOTES"), &error), 0u);
    ASSERT_TRUE(QFile::copy(notes + QStringLiteral("/SYSTEM32/NotesUI.DLL"), notes + QStringLiteral("/SYSTEM32/MAPI32.DLL")));
    mapi.Reload();
    EXPECT_FALSE(mapi.IsMapiAvailable());
    EXPECT_EQ(mapi.Logon(nullptr, "", "", 0, 0), MAPI_E_FAILURE);
}

TEST(MapiInterface, SimpleFormPicksFromTheMachinesBookAndOneFreeReleasesTheAnswer)
{
    TempWorld world(kThisComputer);
    InstallMail(false, false, {QStringLiteral("Operations|ops@example.com"), QStringLiteral("Help Desk|help@example.com"),
                               QStringLiteral("Night Shift|night@example.com")});
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CMapiInterface mapi;
    ASSERT_TRUE(mapi.IsMapiAvailable());
    EXPECT_TRUE(mapi.IsSimpleMapi());
    EXPECT_FALSE(mapi.IsExchangeClientInstalled());
    EXPECT_FALSE(mapi.IsLoggedOn());

    // No session yet: the logon asks for the profile, then the book opens on the recipients
    // given (the copy recipient in its field, its address found in the book).
    host.PushDialog(AcceptProfile());
    QStringList shownTo, shownCc;
    host.PushDialog([&](QDialog* d) {
        shownTo = Items(d, kToList);
        shownCc = Items(d, kCcList);
        Pick(d, {QStringLiteral("Operations <ops@example.com>"), QStringLiteral("Night Shift <night@example.com>")},
             kAddTo);
        d->accept();
    });
    const Answer a = AddressOf(mapi, {{"Help Desk", MAPI_CC}});
    EXPECT_EQ(a.rc, 0u);
    EXPECT_TRUE(shownTo.isEmpty());
    EXPECT_EQ(shownCc, QStringList({QStringLiteral("Help Desk <help@example.com>")}));
    EXPECT_EQ(a.recipients, QStringList({QStringLiteral("1:Operations:ops@example.com"),
                                         QStringLiteral("1:Night Shift:night@example.com"),
                                         QStringLiteral("2:Help Desk:help@example.com")}));
    EXPECT_TRUE(mapi.IsLoggedOn());
    EXPECT_EQ(LiveMailBuffers(), 0u);

    // Cancelled: a failure, nothing answered, nothing left allocated; the session stays.
    host.PushDialog([](QDialog* d) { d->reject(); });
    const Answer cancelled = AddressOf(mapi, {{"Help Desk", MAPI_CC}});
    EXPECT_NE(cancelled.rc, 0u);
    EXPECT_TRUE(cancelled.recipients.isEmpty());
    EXPECT_EQ(LiveMailBuffers(), 0u);
    EXPECT_EQ(mapi.Logoff(nullptr, 0, 0), 0u);
    EXPECT_FALSE(mapi.IsLoggedOn());
    EXPECT_EQ(mapi.Logoff(nullptr, 0, 0), 0u);   // none open: nothing to do

    // A logon whose profile question is cancelled fails and leaves no session.
    host.PushDialog([](QDialog* d) { d->reject(); });
    EXPECT_NE(mapi.Logon(nullptr, "", "", MAPI_LOGON_UI, 0), 0u);
    EXPECT_FALSE(mapi.IsLoggedOn());
}

TEST(MapiInterface, ExtendedFormAnswersOneBufferAndKeepsOneSession)
{
    TempWorld world(kThisComputer);
    InstallMail(true, true, {QStringLiteral("Operations|ops@example.com"), QStringLiteral("Help Desk|help@example.com")});
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CMapiInterface mapi;
    ASSERT_TRUE(mapi.IsMapiAvailable());
    EXPECT_FALSE(mapi.IsSimpleMapi());
    EXPECT_TRUE(mapi.IsExchangeClientInstalled());

    // The extended logon takes the default profile: no question. A second logon ends the first.
    ASSERT_EQ(mapi.Logon(nullptr, "", "", MAPI_LOGON_UI, 0), 0u);
    ASSERT_EQ(mapi.Logon(nullptr, "", "", MAPI_LOGON_UI, 0), 0u);
    EXPECT_EQ(LibraryCount<int>("MAPI32.DLL", "MailClientOpenSessions"), 1);

    QString caption;
    host.PushDialog([&](QDialog* d) {
        caption = d->windowTitle();
        EXPECT_EQ(Items(d, kToList), QStringList({QStringLiteral("Operations <ops@example.com>")}));
        Pick(d, {QStringLiteral("Help Desk <help@example.com>")}, kAddCc);
        d->accept();
    });
    const Answer a = AddressOf(mapi, {{"Operations", MAPI_TO}});
    EXPECT_EQ(a.rc, 0u);
    EXPECT_EQ(caption, QStringLiteral("Address Book"));
    EXPECT_EQ(a.recipients, QStringList({QStringLiteral("1:Operations:ops@example.com"),
                                         QStringLiteral("2:Help Desk:help@example.com")}));
    // The list handed to the book and the answer are both gone.
    EXPECT_EQ(LiveMailBuffers(), 0u);

    mapi.UnloadMapi32DLL();
    EXPECT_EQ(LibraryCount<int>("MAPI32.DLL", "MailClientOpenSessions"), 0);
    EXPECT_FALSE(mapi.IsMapiAvailable());
}

TEST(MapiInterface, TheExchangeKindNeedsItsRegistryKey)
{
    TempWorld world(kThisComputer);
    InstallMail(false, true);
    CMapiInterface mapi;
    EXPECT_TRUE(mapi.IsMapiAvailable());
    EXPECT_TRUE(mapi.IsExchangeClientInstalled());

    // Ordinal 139 without the key: the client counts as unusable altogether.
    ASSERT_EQ(Registry::DeleteKey(QString(), QString::fromLatin1(MailWorld::kExchangeClientKey)), 0u);
    mapi.Reload();
    EXPECT_FALSE(mapi.IsExchangeClientInstalled());
    EXPECT_FALSE(mapi.IsMapiAvailable());

    // A plain client needs no key.
    InstallMail(false, false);
    mapi.Reload();
    EXPECT_TRUE(mapi.IsMapiAvailable());
    EXPECT_FALSE(mapi.IsExchangeClientInstalled());
}

TEST(NotesInterface, AvailableOnlyWithAnInstallationAtTheConfiguredPath)
{
    TempWorld world(kThisComputer);
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    {
        CNotesInterface none;
        EXPECT_FALSE(none.IsAvailable());
        EXPECT_FALSE(none.IsInitialised());
        ULONG count = 7;
        MapiRecipDesc* answer = nullptr;
        EXPECT_EQ(none.AddressDialog(nullptr, 0, nullptr, &count, &answer, 1), -1);
        EXPECT_TRUE(host.Dialogs().empty());
    }

    InstallNotes(QStringLiteral("C:\\Lotus\\Notes"), {QStringLiteral("Wang Fang|wang.fang@example.com"),
                                                      QStringLiteral("Li Na|li.na@example.com")});
    CNotesInterface notes;
    ASSERT_TRUE(notes.IsAvailable());
    ASSERT_TRUE(notes.IsInitialised());

    QByteArray name("Li Na"), address("li.na@example.com");
    MapiRecipDesc given {};
    given.ulRecipClass = MAPI_CC;
    given.lpszName = name.data();
    given.lpszAddress = address.data();
    host.PushDialog([](QDialog* d) {
        EXPECT_EQ(Items(d, kCcList), QStringList({QStringLiteral("Li Na <li.na@example.com>")}));
        Pick(d, {QStringLiteral("Wang Fang <wang.fang@example.com>")}, kAddTo);
        d->accept();
    });
    ULONG count = 0;
    MapiRecipDesc* answer = nullptr;
    ASSERT_EQ(notes.AddressDialog(nullptr, 1, &given, &count, &answer, 1), 1);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(answer[0].lpszName, "Wang Fang");
    EXPECT_EQ(answer[0].ulRecipClass, MAPI_TO);
    EXPECT_STREQ(answer[1].lpszAddress, "li.na@example.com");
    EXPECT_EQ(answer[1].ulRecipClass, MAPI_CC);
    notes.FreeBuffer(answer);
    EXPECT_EQ(LibraryCount<size_t>("NotesUI.DLL", "NotesUiLiveBuffers"), 0u);

    // The settings now name a folder without an installation: the client stays as loaded until
    // it is loaded again.
    QByteArray record(912, '\0');
    ASSERT_EQ(AlertGetNotesAccountInfo("TESTPC", record.data()), 0);
    Records::PutField(record.data() + 96, 256, "C:\\Elsewhere");
    ASSERT_EQ(AlertSetNotesAccountInfo("TESTPC", record.data()), 0);
    EXPECT_TRUE(notes.IsAvailable());
    notes.Reload(true);
    EXPECT_FALSE(notes.IsAvailable());
    EXPECT_FALSE(notes.IsInitialised());
}
