// The network layer against a temporary world: the browse tree, the enumeration buffer
// contract, connections with their error codes and the access rule they grant.
#include "scm_Support.h"

#include "platform/Network.h"
#include "platform/World.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

const QByteArray kNetworkJson = R"({"providers":[
  {"name":"Microsoft Windows Network","domains":[
     {"name":"KORVANE","comment":"Head office","machines":["SRV1","SRV2","GHOST"]},
     {"name":"LAB","comment":"","machines":["TESTPC"]}]},
  {"name":"NetWare Network","domains":[{"name":"NWTREE","comment":"","machines":["NWSRV"]}]},
  {"name":"Microsoft Terminal Services","domains":[]},
  {"name":"Web Client Network","domains":[]}]})";

const QByteArray kShares = R"(,"shares":[
  {"name":"DATA","type":"disk","path":"D:\\DATA","comment":"Shared data"},
  {"name":"LASER","type":"print","comment":"Second floor"},
  {"name":"SECRET$","type":"disk","path":"D:\\S","comment":""}])";

struct Item {
    DWORD scope, type, display, usage;
    QString remote, comment, provider;
    bool localNull, commentNull;
};

class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network::CancelAllConnections();
        m_world.Write(QStringLiteral("network.json"), kNetworkJson);
        ScmTest::AddMachine(m_world, QStringLiteral("SRV1"), kShares);
        ScmTest::AddMachine(m_world, QStringLiteral("SRV2"), QByteArray(), 6);
        ScmTest::AddMachine(m_world, QStringLiteral("NWSRV"));
        QDir().mkpath(m_world.Path(QStringLiteral("machines/SRV1/drives/D/DATA")));
    }
    void TearDown() override { Network::CancelAllConnections(); }

    // Reads an open enumeration to its end in batches the way the console does.
    static std::vector<Item> ReadAll(HANDLE h, DWORD perCall = 10)
    {
        std::vector<Item> items;
        alignas(NETRESOURCE) static thread_local char buffer[16384];
        for (;;) {
            DWORD count = perCall;
            DWORD size = sizeof(buffer);
            const DWORD rc = WNetEnumResource(h, &count, buffer, &size);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            EXPECT_EQ(rc, 0u);
            if (rc != 0)
                break;
            const auto* nr = reinterpret_cast<const NETRESOURCE*>(buffer);
            for (DWORD i = 0; i < count; ++i) {
                items.push_back({nr[i].dwScope, nr[i].dwType, nr[i].dwDisplayType, nr[i].dwUsage,
                                 QString::fromUtf8(nr[i].lpRemoteName), QString::fromUtf8(nr[i].lpComment),
                                 QString::fromUtf8(nr[i].lpProvider), nr[i].lpLocalName == nullptr,
                                 nr[i].lpComment == nullptr});
            }
        }
        return items;
    }

    static DWORD List(const NETRESOURCE* container, std::vector<Item>* out, DWORD type = RESOURCETYPE_ANY,
                      DWORD usage = 0)
    {
        HANDLE h = nullptr;
        const DWORD rc = WNetOpenEnum(RESOURCE_GLOBALNET, type, usage, container, &h);
        if (rc != 0)
            return rc;
        *out = ReadAll(h);
        EXPECT_EQ(WNetCloseEnum(h), 0u);
        return 0;
    }

    static NETRESOURCE Container(QByteArray* remote, QByteArray* provider, DWORD display)
    {
        NETRESOURCE nr{};
        nr.dwScope = RESOURCE_GLOBALNET;
        nr.dwDisplayType = display;
        nr.dwUsage = RESOURCEUSAGE_CONTAINER;
        nr.lpRemoteName = remote->data();
        nr.lpProvider = provider ? provider->data() : nullptr;
        return nr;
    }

    static DWORD Connect(const char* remote, const char* user, const char* password, DWORD type = RESOURCETYPE_DISK)
    {
        QByteArray r(remote);
        NETRESOURCE nr{};
        nr.dwScope = RESOURCE_GLOBALNET;
        nr.dwType = type;
        nr.lpRemoteName = r.data();
        return WNetAddConnection2(&nr, password, user, 0);
    }

    TempWorld m_world;
};

TEST_F(NetworkTest, BrowsesProvidersDomainsServersAndShares)
{
    std::vector<Item> providers;
    ASSERT_EQ(List(nullptr, &providers), 0u);
    ASSERT_EQ(providers.size(), 4u);
    EXPECT_EQ(providers[0].remote, QStringLiteral("Microsoft Windows Network"));
    EXPECT_EQ(providers[1].remote, QStringLiteral("NetWare Network"));
    EXPECT_EQ(providers[3].remote, QStringLiteral("Web Client Network"));
    for (const Item& p : providers) {
        EXPECT_EQ(p.display, RESOURCEDISPLAYTYPE_NETWORK);
        EXPECT_EQ(p.usage, RESOURCEUSAGE_CONTAINER);
        EXPECT_EQ(p.provider, p.remote);
        EXPECT_TRUE(p.localNull);
    }

    QByteArray ms("Microsoft Windows Network");
    NETRESOURCE msNet = Container(&ms, &ms, RESOURCEDISPLAYTYPE_NETWORK);
    std::vector<Item> domains;
    ASSERT_EQ(List(&msNet, &domains), 0u);
    ASSERT_EQ(domains.size(), 2u);
    EXPECT_EQ(domains[0].remote, QStringLiteral("KORVANE"));
    EXPECT_EQ(domains[0].comment, QStringLiteral("Head office"));
    EXPECT_EQ(domains[0].display, RESOURCEDISPLAYTYPE_DOMAIN);
    EXPECT_EQ(domains[0].usage, RESOURCEUSAGE_CONTAINER);
    EXPECT_TRUE(domains[1].commentNull);

    QByteArray nw("NetWare Network");
    NETRESOURCE nwNet = Container(&nw, &nw, RESOURCEDISPLAYTYPE_NETWORK);
    std::vector<Item> trees;
    ASSERT_EQ(List(&nwNet, &trees), 0u);
    ASSERT_EQ(trees.size(), 1u);
    EXPECT_EQ(trees[0].display, RESOURCEDISPLAYTYPE_TREE);
    EXPECT_EQ(trees[0].provider, QStringLiteral("NetWare Network"));

    QByteArray korvane("KORVANE");
    NETRESOURCE domain = Container(&korvane, &ms, RESOURCEDISPLAYTYPE_DOMAIN);
    std::vector<Item> servers;
    ASSERT_EQ(List(&domain, &servers), 0u);
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].remote, QStringLiteral("\\\\SRV1"));
    EXPECT_EQ(servers[0].comment, QStringLiteral("Server SRV1"));
    EXPECT_EQ(servers[0].display, RESOURCEDISPLAYTYPE_SERVER);
    EXPECT_EQ(servers[0].usage, RESOURCEUSAGE_CONTAINER);
    EXPECT_EQ(servers[0].provider, QStringLiteral("Microsoft Windows Network"));
    EXPECT_EQ(servers[2].remote, QStringLiteral("\\\\GHOST"));    // browse lists may be stale

    // The shares of a remote server need a connection to it.
    QByteArray srv1("\\\\SRV1");
    NETRESOURCE server = Container(&srv1, &ms, RESOURCEDISPLAYTYPE_SERVER);
    std::vector<Item> shares;
    EXPECT_EQ(List(&server, &shares), ERROR_ACCESS_DENIED);
    ASSERT_EQ(Connect("\\\\SRV1", "KORVANE\\Administrator", "secret"), 0u);
    ASSERT_EQ(List(&server, &shares), 0u);
    ASSERT_EQ(shares.size(), 2u);   // the hidden SECRET$ is not listed
    EXPECT_EQ(shares[0].remote, QStringLiteral("\\\\SRV1\\DATA"));
    EXPECT_EQ(shares[0].type, RESOURCETYPE_DISK);
    EXPECT_EQ(shares[0].display, RESOURCEDISPLAYTYPE_SHARE);
    EXPECT_EQ(shares[0].usage, RESOURCEUSAGE_CONNECTABLE);
    EXPECT_EQ(shares[0].comment, QStringLiteral("Shared data"));
    EXPECT_EQ(shares[1].remote, QStringLiteral("\\\\SRV1\\LASER"));
    EXPECT_EQ(shares[1].type, RESOURCETYPE_PRINT);

    std::vector<Item> printers;
    ASSERT_EQ(List(&server, &printers, RESOURCETYPE_PRINT), 0u);
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].remote, QStringLiteral("\\\\SRV1\\LASER"));
    // Type filters shares only: the provider level still lists every provider.
    std::vector<Item> printProviders;
    ASSERT_EQ(List(nullptr, &printProviders, RESOURCETYPE_PRINT), 0u);
    EXPECT_EQ(printProviders.size(), 4u);
    std::vector<Item> containersOnly;
    ASSERT_EQ(List(&server, &containersOnly, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER), 0u);
    EXPECT_TRUE(containersOnly.empty());
}

TEST_F(NetworkTest, OpeningBadContainersFails)
{
    HANDLE h = nullptr;
    QByteArray share("\\\\SRV1\\DATA");
    NETRESOURCE nr = Container(&share, nullptr, RESOURCEDISPLAYTYPE_SHARE);
    EXPECT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, &nr, &h), ERROR_NOT_CONTAINER);
    QByteArray unknown("\\\\NOSUCH");
    nr = Container(&unknown, nullptr, RESOURCEDISPLAYTYPE_SERVER);
    EXPECT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, &nr, &h), ERROR_BAD_NETPATH);
    QByteArray escape("\\\\..");
    nr = Container(&escape, nullptr, RESOURCEDISPLAYTYPE_SERVER);
    EXPECT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, &nr, &h), ERROR_BAD_NETPATH);
    QByteArray domain("NOWHERE");
    nr = Container(&domain, nullptr, RESOURCEDISPLAYTYPE_DOMAIN);
    EXPECT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, &nr, &h), ERROR_BAD_NET_NAME);
    QByteArray provider("Banyan Vines");
    nr = Container(&provider, &provider, RESOURCEDISPLAYTYPE_NETWORK);
    EXPECT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, &nr, &h), ERROR_BAD_PROVIDER);
    EXPECT_EQ(WNetOpenEnum(9, 0, 0, nullptr, &h), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(h, nullptr);
    DWORD count = 1, size = 100;
    char buffer[128];
    EXPECT_EQ(WNetEnumResource(reinterpret_cast<HANDLE>(uintptr_t(0xBAD)), &count, buffer, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WNetCloseEnum(reinterpret_cast<HANDLE>(uintptr_t(0xBAD))), ERROR_INVALID_HANDLE);
}

TEST_F(NetworkTest, WithoutNetworkFileThereIsNoBrowsingButConnectionsWork)
{
    QFile::remove(m_world.Path(QStringLiteral("network.json")));
    HANDLE h = nullptr;
    EXPECT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, nullptr, &h), ERROR_NO_NETWORK);
    m_world.Write(QStringLiteral("network.json"), "{not json");
    EXPECT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, nullptr, &h), ERROR_NO_NETWORK);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", "KORVANE\\Administrator", "secret"), 0u);
    QByteArray srv1("\\\\SRV1");
    NETRESOURCE server = Container(&srv1, nullptr, RESOURCEDISPLAYTYPE_SERVER);
    std::vector<Item> shares;
    ASSERT_EQ(List(&server, &shares), 0u);
    EXPECT_EQ(shares.size(), 2u);
}

TEST_F(NetworkTest, EnumerationBufferContract)
{
    ASSERT_EQ(Connect("\\\\SRV1", "Administrator", "secret"), 0u);
    QByteArray srv1("\\\\SRV1");
    NETRESOURCE server = Container(&srv1, nullptr, RESOURCEDISPLAYTYPE_SERVER);
    HANDLE h = nullptr;
    ASSERT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, &server, &h), 0u);

    // Too small for one entry: the size one entry needs, and nothing consumed.
    alignas(NETRESOURCE) char buffer[512];
    DWORD count = 0xFFFFFFFF;
    DWORD size = sizeof(NETRESOURCE) + 4;
    ASSERT_EQ(WNetEnumResource(h, &count, buffer, &size), ERROR_MORE_DATA);
    const DWORD needed = size;
    const size_t texts = strlen("\\\\SRV1\\DATA") + strlen("Shared data") + strlen("Microsoft Windows Network") + 3;
    EXPECT_EQ(needed, sizeof(NETRESOURCE) + texts);

    // Exactly that size holds exactly the first entry, with its texts inside the buffer.
    std::fill(std::begin(buffer), std::end(buffer), '\xCC');
    count = 0xFFFFFFFF;
    size = needed;
    ASSERT_EQ(WNetEnumResource(h, &count, buffer, &size), 0u);
    ASSERT_EQ(count, 1u);
    const auto* nr = reinterpret_cast<const NETRESOURCE*>(buffer);
    EXPECT_STREQ(nr->lpRemoteName, "\\\\SRV1\\DATA");
    EXPECT_STREQ(nr->lpComment, "Shared data");
    EXPECT_EQ(nr->lpLocalName, nullptr);
    for (const char* p : {nr->lpRemoteName, nr->lpComment, nr->lpProvider}) {
        EXPECT_GE(p, buffer + sizeof(NETRESOURCE));
        EXPECT_LT(p + strlen(p), buffer + needed);
    }
    EXPECT_EQ(buffer[needed], '\xCC');  // nothing written past the size given

    // The rest, then the end of the list (repeatedly).
    count = 0xFFFFFFFF;
    size = sizeof(buffer);
    ASSERT_EQ(WNetEnumResource(h, &count, buffer, &size), 0u);
    ASSERT_EQ(count, 1u);
    EXPECT_STREQ(nr->lpRemoteName, "\\\\SRV1\\LASER");
    EXPECT_EQ(WNetEnumResource(h, &count, buffer, &size), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(count, 0u);
    count = 5;
    EXPECT_EQ(WNetEnumResource(h, &count, buffer, &size), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(WNetCloseEnum(h), 0u);
    EXPECT_EQ(WNetCloseEnum(h), ERROR_INVALID_HANDLE);
}

TEST_F(NetworkTest, ManyEntriesPackedTogetherStayIntact)
{
    QByteArray many = ",\"shares\":[";
    for (int i = 0; i < 40; ++i)
        many += (i ? "," : "") + QByteArray("{\"name\":\"SHARE") + QByteArray::number(i)
                + "\",\"type\":\"disk\",\"path\":\"C:\\\\X\",\"comment\":\"" + QByteArray(i, 'c') + "\"}";
    many += "]";
    ScmTest::AddMachine(m_world, QStringLiteral("WIDE"), many);
    ASSERT_EQ(Connect("\\\\WIDE", "Administrator", "secret"), 0u);
    QByteArray wide("\\\\WIDE");
    NETRESOURCE server = Container(&wide, nullptr, RESOURCEDISPLAYTYPE_SERVER);
    HANDLE h = nullptr;
    ASSERT_EQ(WNetOpenEnum(RESOURCE_GLOBALNET, 0, 0, &server, &h), 0u);
    const std::vector<Item> items = ReadAll(h, 0xFFFFFFFF);
    WNetCloseEnum(h);
    ASSERT_EQ(items.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(items[size_t(i)].remote, QStringLiteral("\\\\WIDE\\SHARE%1").arg(i));
        EXPECT_EQ(items[size_t(i)].comment, QString(i, QLatin1Char('c')));
    }
}

TEST_F(NetworkTest, ConnectionErrorCodes)
{
    EXPECT_EQ(Connect("\\\\NOSUCH\\ADMIN$", "Administrator", "secret"), ERROR_BAD_NET_NAME);
    EXPECT_EQ(Connect("\\\\SRV1\\NOSHARE", "Administrator", "secret"), ERROR_BAD_NET_NAME);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$\\SUB", "Administrator", "secret"), ERROR_BAD_NET_NAME);
    EXPECT_EQ(Connect("\\\\SRV1\\Q$", "Administrator", "secret"), ERROR_BAD_NET_NAME);
    EXPECT_EQ(Connect("\\\\..\\ADMIN$", "Administrator", "secret"), ERROR_BAD_NET_NAME);
    EXPECT_EQ(Connect("SRV1", "Administrator", "secret"), ERROR_BAD_NET_NAME);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", "Administrator", "wrong"), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", "Administrator", "SECRET"), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", "Guest", "secret"), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", "OTHER\\Administrator", "secret"), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", "", ""), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", nullptr, nullptr), ERROR_LOGON_FAILURE);
    EXPECT_EQ(Connect("\\\\SRV1\\LASER", "Administrator", "secret", RESOURCETYPE_DISK), ERROR_BAD_DEV_TYPE);
    EXPECT_EQ(Connect("\\\\SRV1\\DATA", "Administrator", "secret", RESOURCETYPE_PRINT), ERROR_BAD_DEV_TYPE);
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("SRV1")));

    QByteArray remote("\\\\SRV1\\DATA"), local("Z:");
    NETRESOURCE nr{};
    nr.dwType = RESOURCETYPE_DISK;
    nr.lpRemoteName = remote.data();
    nr.lpLocalName = local.data();
    EXPECT_EQ(WNetAddConnection2(&nr, "secret", "Administrator", 0), ERROR_BAD_DEVICE);
    nr.lpLocalName = nullptr;
    QByteArray bogus("Banyan Vines");
    nr.lpProvider = bogus.data();
    EXPECT_EQ(WNetAddConnection2(&nr, "secret", "Administrator", 0), ERROR_BAD_PROVIDER);
    EXPECT_EQ(WNetAddConnection2(nullptr, "secret", "Administrator", 0), ERROR_INVALID_PARAMETER);

    // Every account form the login dialogs build is accepted.
    EXPECT_EQ(Connect("\\\\SRV1\\ADMIN$", "KORVANE\\Administrator", "secret"), 0u);
    EXPECT_EQ(WNetCancelConnection2("\\\\SRV1\\ADMIN$", 0, 1), 0u);
    EXPECT_EQ(Connect("\\\\srv1\\admin$", "SRV1\\administrator", "secret"), 0u);
    EXPECT_EQ(WNetCancelConnection2("\\\\SRV1\\ADMIN$", 0, 1), 0u);
    EXPECT_EQ(Connect("\\\\SRV1\\C$", "Administrator", "secret"), 0u);
    EXPECT_EQ(Connect("\\\\SRV1\\IPC$", "Administrator", "secret", RESOURCETYPE_ANY), 0u);
    EXPECT_EQ(Connect("\\\\SRV1\\LASER", "Administrator", "secret", RESOURCETYPE_PRINT), 0u);

    // The machine is connected with those credentials: others conflict, even when right.
    EXPECT_EQ(Connect("\\\\SRV1\\DATA", "KORVANE\\Administrator", "secret"), ERROR_SESSION_CREDENTIAL_CONFLICT);
    EXPECT_EQ(Connect("\\\\SRV1\\DATA", "Administrator", "wrong"), ERROR_SESSION_CREDENTIAL_CONFLICT);
    // ... the same credentials connect again and keep one connection.
    EXPECT_EQ(Connect("\\\\SRV1\\C$", "administrator", "secret"), 0u);
    EXPECT_EQ(WNetCancelConnection2("\\\\SRV1\\C$", 0, 0), 0u);
    EXPECT_EQ(WNetCancelConnection2("\\\\SRV1\\C$", 0, 0), ERROR_NOT_CONNECTED);
    EXPECT_EQ(WNetCancelConnection2("\\\\SRV2\\ADMIN$", 0, 1), ERROR_NOT_CONNECTED);
    EXPECT_EQ(WNetCancelConnection2(nullptr, 0, 1), ERROR_INVALID_PARAMETER);
}

TEST_F(NetworkTest, NetWareServersAreNamedWithoutBackslashes)
{
    EXPECT_EQ(Connect("NWSRV", "Administrator", "secret", RESOURCETYPE_ANY), 0u);
    EXPECT_TRUE(Network::IsConnected(QStringLiteral("nwsrv")));
    EXPECT_EQ(WNetCancelConnection2("nwsrv", 0, 1), 0u);
    EXPECT_FALSE(Network::IsConnected(QStringLiteral("NWSRV")));
}

TEST_F(NetworkTest, ConnectionsGrantAccessUntilTheLastIsCancelled)
{
    QString host;
    EXPECT_EQ(World::CheckAccess(QStringLiteral("SRV1")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(World::ResolvePath(QStringLiteral("\\\\SRV1\\C$\\WINDOWS"), &host), ERROR_ACCESS_DENIED);
    EXPECT_EQ(World::CheckAccess(QStringLiteral("TESTPC")), 0u);    // this computer needs none

    ASSERT_EQ(Connect("\\\\SRV1\\ADMIN$", "Administrator", "secret"), 0u);
    ASSERT_EQ(Connect("\\\\SRV1\\DATA", "Administrator", "secret"), 0u);
    EXPECT_EQ(World::CheckAccess(QStringLiteral("srv1")), 0u);
    EXPECT_EQ(World::ResolvePath(QStringLiteral("\\\\SRV1\\C$\\WINDOWS"), &host), 0u);
    EXPECT_EQ(World::CheckAccess(QStringLiteral("SRV2")), ERROR_ACCESS_DENIED);

    ASSERT_EQ(WNetCancelConnection2("\\\\SRV1\\ADMIN$", 0, 1), 0u);
    EXPECT_EQ(World::CheckAccess(QStringLiteral("SRV1")), 0u);
    ASSERT_EQ(WNetCancelConnection2("\\\\srv1\\data", 0, 1), 0u);
    EXPECT_EQ(World::CheckAccess(QStringLiteral("SRV1")), ERROR_ACCESS_DENIED);
}

TEST_F(NetworkTest, ThisComputerAcceptsTheLoggedOnUser)
{
    EXPECT_EQ(Connect("\\\\TESTPC\\ADMIN$", nullptr, nullptr), 0u);
    char name[64];
    DWORD length = sizeof(name);
    ASSERT_EQ(WNetGetUser("\\\\TESTPC\\ADMIN$", name, &length), 0u);
    EXPECT_EQ(QString::fromUtf8(name), Network::LoggedOnUser());
}

TEST_F(NetworkTest, UserNames)
{
    const QByteArray me = Network::LoggedOnUser().toUtf8();
    ASSERT_FALSE(me.isEmpty());
    char name[260];
    DWORD length = sizeof(name);
    ASSERT_EQ(WNetGetUser(nullptr, name, &length), 0u);
    EXPECT_EQ(QByteArray(name), me);

    ASSERT_EQ(Connect("\\\\SRV1\\ADMIN$", "KORVANE\\Administrator", "secret"), 0u);
    length = sizeof(name);
    ASSERT_EQ(WNetGetUser("\\\\srv1\\admin$", name, &length), 0u);
    EXPECT_STREQ(name, "KORVANE\\Administrator");
    length = sizeof(name);
    ASSERT_EQ(WNetGetUser("\\\\SRV1", name, &length), 0u);
    EXPECT_STREQ(name, "KORVANE\\Administrator");

    length = 5;
    EXPECT_EQ(WNetGetUser("\\\\SRV1\\ADMIN$", name, &length), ERROR_MORE_DATA);
    EXPECT_EQ(length, DWORD(strlen("KORVANE\\Administrator") + 1));
    length = sizeof(name);
    EXPECT_EQ(WNetGetUser("\\\\SRV2\\ADMIN$", name, &length), ERROR_NOT_CONNECTED);
}

TEST_F(NetworkTest, ConnectedScopeListsThisProcessConnections)
{
    ASSERT_EQ(Connect("\\\\SRV1\\ADMIN$", "Administrator", "secret"), 0u);
    ASSERT_EQ(Connect("\\\\SRV2\\C$", "Administrator", "secret"), 0u);
    HANDLE h = nullptr;
    ASSERT_EQ(WNetOpenEnum(RESOURCE_CONNECTED, RESOURCETYPE_ANY, 0, nullptr, &h), 0u);
    const std::vector<Item> items = ReadAll(h);
    WNetCloseEnum(h);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].remote, QStringLiteral("\\\\SRV1\\ADMIN$"));
    EXPECT_EQ(items[1].remote, QStringLiteral("\\\\SRV2\\C$"));

    // The context is this computer's domain.
    ScmTest::AddMachine(m_world, QStringLiteral("TESTPC"));
    ASSERT_EQ(WNetOpenEnum(RESOURCE_CONTEXT, RESOURCETYPE_ANY, 0, nullptr, &h), 0u);
    const std::vector<Item> neighbours = ReadAll(h);
    WNetCloseEnum(h);
    ASSERT_EQ(neighbours.size(), 3u);
    EXPECT_EQ(neighbours[0].remote, QStringLiteral("\\\\SRV1"));
    EXPECT_EQ(neighbours[0].scope, RESOURCE_CONTEXT);
}

TEST_F(NetworkTest, WorkstationInformation)
{
    BYTE* block = nullptr;
    ASSERT_EQ(NetWkstaGetInfo(nullptr, 102, &block), 0u);
    auto* info = reinterpret_cast<WKSTA_INFO_102*>(block);
    EXPECT_EQ(info->wki102_platform_id, PLATFORM_ID_NT);
    EXPECT_EQ(QString::fromUtf16(info->wki102_computername), QStringLiteral("TESTPC"));
    NetApiBufferFree(block);

    EXPECT_EQ(NetWkstaGetInfo(u"\\\\SRV2", 102, &block), ERROR_ACCESS_DENIED);
    EXPECT_EQ(block, nullptr);
    ASSERT_EQ(Connect("\\\\SRV2\\ADMIN$", "Administrator", "secret"), 0u);
    ASSERT_EQ(NetWkstaGetInfo(u"\\\\SRV2", 102, &block), 0u);
    info = reinterpret_cast<WKSTA_INFO_102*>(block);
    EXPECT_EQ(info->wki102_ver_major, 6u);
    EXPECT_EQ(info->wki102_ver_minor, 2u);
    EXPECT_EQ(QString::fromUtf16(info->wki102_computername), QStringLiteral("SRV2"));
    EXPECT_EQ(QString::fromUtf16(info->wki102_langroup), QStringLiteral("KORVANE"));
    NetApiBufferFree(block);

    EXPECT_EQ(NetWkstaGetInfo(u"srv2", 100, &block), ERROR_INVALID_LEVEL);
    EXPECT_EQ(NetWkstaGetInfo(u"\\\\NOSUCH", 102, &block), ERROR_BAD_NETPATH);
    EXPECT_EQ(NetWkstaGetInfo(u"\\\\../X", 102, &block), ERROR_BAD_NETPATH);
}

TEST_F(NetworkTest, ConcurrentConnectionsKeepTheTableConsistent)
{
    for (int i = 0; i < 4; ++i)
        ScmTest::AddMachine(m_world, QStringLiteral("M%1").arg(i));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([i, &failures] {
            const QByteArray remote = QStringLiteral("\\\\M%1\\ADMIN$").arg(i).toUtf8();
            for (int round = 0; round < 50; ++round) {
                if (Connect(remote.constData(), "Administrator", "secret") != 0)
                    ++failures;
                if (!Network::IsConnected(QStringLiteral("M%1").arg(i)))
                    ++failures;
                if (WNetCancelConnection2(remote.constData(), 0, 1) != 0)
                    ++failures;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(Network::IsConnected(QStringLiteral("M%1").arg(i)));
}

} // namespace
