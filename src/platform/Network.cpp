#include "platform/Network.h"

#include "platform/World.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr qint64 kMaxJsonBytes = 1 << 20;
constexpr int kMaxShareNameLength = 80;
const char* const kMicrosoftNetwork = "Microsoft Windows Network";

// ---- the world's descriptions -----------------------------------------------------------

struct DomainInfo {
    QString name;
    QString comment;
    QStringList machines;
};
struct ProviderInfo {
    QString name;
    std::vector<DomainInfo> domains;
    bool IsNetWare() const { return name.contains(QLatin1String("NetWare")); }
};

QJsonObject ReadJsonObject(const QString& path, bool* ok)
{
    *ok = false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxJsonBytes)
        return QJsonObject();
    const QJsonDocument doc = QJsonDocument::fromJson(f.read(kMaxJsonBytes));
    *ok = doc.isObject();
    return doc.object();
}

// False when the world has no usable network description.
bool LoadNetwork(std::vector<ProviderInfo>* out)
{
    out->clear();
    bool ok = false;
    const QJsonObject root = ReadJsonObject(QDir(World::Root()).filePath(QStringLiteral("network.json")), &ok);
    if (!ok || !root.value(QLatin1String("providers")).isArray())
        return false;
    for (const QJsonValue& pv : root.value(QLatin1String("providers")).toArray()) {
        const QJsonObject po = pv.toObject();
        ProviderInfo p;
        p.name = po.value(QLatin1String("name")).toString();
        if (p.name.isEmpty())
            continue;
        for (const QJsonValue& dv : po.value(QLatin1String("domains")).toArray()) {
            const QJsonObject dobj = dv.toObject();
            DomainInfo d;
            d.name = dobj.value(QLatin1String("name")).toString();
            if (d.name.isEmpty())
                continue;
            d.comment = dobj.value(QLatin1String("comment")).toString();
            for (const QJsonValue& mv : dobj.value(QLatin1String("machines")).toArray()) {
                const QString canonical = World::CanonicalMachineName(mv.toString());
                if (!canonical.isEmpty())
                    d.machines << canonical;
            }
            p.domains.push_back(std::move(d));
        }
        out->push_back(std::move(p));
    }
    return true;
}

// "NAME" or "\\NAME" of an existing machine -> canonical name, else empty.
QString ExistingMachine(QString name)
{
    if (name.startsWith(QLatin1String("\\\\")))
        name = name.mid(2);
    const QString canonical = World::CanonicalMachineName(name);
    if (canonical.isEmpty())
        return QString();
    if (World::IsThisComputer(canonical))
        World::EnsureThisComputer();
    return World::MachineExists(canonical) ? canonical : QString();
}

QJsonObject MachineJson(const QString& machine)
{
    bool ok = false;
    const QString dir = World::MachineDir(machine);
    if (dir.isEmpty())
        return QJsonObject();
    return ReadJsonObject(dir + QLatin1String("/machine.json"), &ok);
}

struct ShareInfo {
    QString name;
    bool print = false;
    QString comment;
};

bool IsValidShareName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxShareNameLength)
        return false;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c == u'\\' || c == u'/')
            return false;
    }
    return true;
}

std::vector<ShareInfo> ListedShares(const QJsonObject& machineJson)
{
    std::vector<ShareInfo> out;
    for (const QJsonValue& v : machineJson.value(QLatin1String("shares")).toArray()) {
        const QJsonObject o = v.toObject();
        ShareInfo s;
        s.name = o.value(QLatin1String("name")).toString();
        const QString type = o.value(QLatin1String("type")).toString();
        if (!IsValidShareName(s.name) || (type != QLatin1String("disk") && type != QLatin1String("print")))
            continue;
        s.print = type == QLatin1String("print");
        s.comment = o.value(QLatin1String("comment")).toString();
        out.push_back(std::move(s));
    }
    return out;
}

// ---- enumeration ------------------------------------------------------------------------

struct Entry {
    DWORD scope = 0, type = 0, display = 0, usage = 0;
    QByteArray local, remote, comment, provider;    // empty = null
};

struct EnumState {
    std::vector<Entry> entries;
    size_t next = 0;
};

struct EnumTable {
    std::mutex mutex;
    std::unordered_map<quintptr, EnumState> open;
    quintptr next = 1;
};

EnumTable& Enums()
{
    static EnumTable table;
    return table;
}

bool PassesFilter(const Entry& e, DWORD type, DWORD usage)
{
    if (type != RESOURCETYPE_ANY && !(e.usage & RESOURCEUSAGE_CONTAINER) && e.type != type)
        return false;
    if (usage != 0 && usage != RESOURCEUSAGE_ALL && !(e.usage & usage))
        return false;
    return true;
}

Entry ServerEntry(DWORD scope, const QString& machine, const QString& provider)
{
    Entry e;
    e.scope = scope;
    e.type = RESOURCETYPE_ANY;
    e.display = RESOURCEDISPLAYTYPE_SERVER;
    e.usage = RESOURCEUSAGE_CONTAINER;
    e.remote = ("\\\\" + machine).toUtf8();
    e.comment = MachineJson(machine).value(QLatin1String("comment")).toString().toUtf8();
    e.provider = provider.toUtf8();
    return e;
}

QString ProviderOfMachine(const std::vector<ProviderInfo>& network, const QString& machine)
{
    for (const auto& p : network) {
        for (const auto& d : p.domains) {
            if (d.machines.contains(machine))
                return p.name;
        }
    }
    return QString::fromLatin1(kMicrosoftNetwork);
}

DWORD ListGlobal(const NETRESOURCE* container, std::vector<Entry>* out)
{
    const DWORD scope = RESOURCE_GLOBALNET;
    std::vector<ProviderInfo> network;
    const bool haveNetwork = LoadNetwork(&network);

    if (!container) {
        if (!haveNetwork)
            return ERROR_NO_NETWORK;
        for (const auto& p : network) {
            Entry e;
            e.scope = scope;
            e.type = RESOURCETYPE_ANY;
            e.display = RESOURCEDISPLAYTYPE_NETWORK;
            e.usage = RESOURCEUSAGE_CONTAINER;
            e.remote = p.name.toUtf8();
            e.provider = p.name.toUtf8();
            out->push_back(std::move(e));
        }
        return 0;
    }
    if (!container->lpRemoteName || !*container->lpRemoteName)
        return ERROR_INVALID_PARAMETER;
    const QString remote = QString::fromUtf8(container->lpRemoteName);
    const QString givenProvider = container->lpProvider ? QString::fromUtf8(container->lpProvider) : QString();

    if (remote.startsWith(QLatin1String("\\\\"))) {
        const QString rest = remote.mid(2);
        if (rest.contains(QLatin1Char('\\')))
            return ERROR_NOT_CONTAINER;
        const QString machine = ExistingMachine(rest);
        if (machine.isEmpty())
            return ERROR_BAD_NETPATH;
        const DWORD access = World::CheckAccess(machine);
        if (access != 0)
            return access == ERROR_ACCESS_DENIED ? ERROR_ACCESS_DENIED : ERROR_BAD_NETPATH;
        const QString provider = !givenProvider.isEmpty() ? givenProvider : ProviderOfMachine(network, machine);
        for (const ShareInfo& s : ListedShares(MachineJson(machine))) {
            if (s.name.endsWith(QLatin1Char('$')))
                continue;
            Entry e;
            e.scope = scope;
            e.type = s.print ? RESOURCETYPE_PRINT : RESOURCETYPE_DISK;
            e.display = RESOURCEDISPLAYTYPE_SHARE;
            e.usage = RESOURCEUSAGE_CONNECTABLE;
            e.remote = ("\\\\" + machine + "\\" + s.name).toUtf8();
            e.comment = s.comment.toUtf8();
            e.provider = provider.toUtf8();
            out->push_back(std::move(e));
        }
        return 0;
    }

    if (!haveNetwork)
        return ERROR_NO_NETWORK;
    const ProviderInfo* only = nullptr;
    if (!givenProvider.isEmpty()) {
        for (const auto& p : network) {
            if (p.name.compare(givenProvider, Qt::CaseInsensitive) == 0)
                only = &p;
        }
        if (!only)
            return ERROR_BAD_PROVIDER;
    }
    const bool asProvider = container->dwDisplayType == RESOURCEDISPLAYTYPE_NETWORK
                            || container->dwDisplayType == RESOURCEDISPLAYTYPE_GENERIC;
    if (asProvider) {
        for (const auto& p : network) {
            if (p.name.compare(remote, Qt::CaseInsensitive) != 0 || (only && only != &p))
                continue;
            for (const auto& d : p.domains) {
                Entry e;
                e.scope = scope;
                e.type = RESOURCETYPE_ANY;
                e.display = p.IsNetWare() ? RESOURCEDISPLAYTYPE_TREE : RESOURCEDISPLAYTYPE_DOMAIN;
                e.usage = RESOURCEUSAGE_CONTAINER;
                e.remote = d.name.toUtf8();
                e.comment = d.comment.toUtf8();
                e.provider = p.name.toUtf8();
                out->push_back(std::move(e));
            }
            return 0;
        }
        if (container->dwDisplayType == RESOURCEDISPLAYTYPE_NETWORK)
            return ERROR_BAD_PROVIDER;
    }
    for (const auto& p : network) {
        if (only && only != &p)
            continue;
        for (const auto& d : p.domains) {
            if (d.name.compare(remote, Qt::CaseInsensitive) != 0)
                continue;
            for (const QString& m : d.machines)
                out->push_back(ServerEntry(scope, m, p.name));
            return 0;
        }
    }
    return ERROR_BAD_NET_NAME;
}

// ---- connections ------------------------------------------------------------------------

struct Connection {
    QString remote;     // as connected
    QString machine;    // canonical
    DWORD type = RESOURCETYPE_ANY;
    bool defaultUser = false;
    QString user;       // as given
    QString identity;   // who, for the conflict rule
};

struct ConnectionTable {
    std::mutex mutex;
    std::vector<Connection> list;
};

ConnectionTable& Connections()
{
    static ConnectionTable table;
    return table;
}

// Every machine but the one the code acts for needs a connection (see World::CheckAccess).
const bool s_accessCheckInstalled = [] {
    World::SetRemoteAccessCheck([](const QString& machine) { return Network::IsConnected(machine); });
    return true;
}();

struct Target {
    QString machine;
    QString share;      // empty for the server itself
    bool print = false;
    bool server = false;
};

DWORD ParseTarget(const QString& remote, const QString& provider, const std::vector<ProviderInfo>& network,
                  Target* t)
{
    QString path = remote;
    if (path.startsWith(QLatin1String("\\\\"))) {
        path = path.mid(2);
    } else {
        // A NetWare provider names its servers without backslashes.
        bool netware = provider.contains(QLatin1String("NetWare"));
        const QString canonical = World::CanonicalMachineName(path);
        for (const auto& p : network) {
            if (!p.IsNetWare())
                continue;
            for (const auto& d : p.domains)
                netware = netware || d.machines.contains(canonical);
        }
        if (!netware || path.contains(QLatin1Char('\\')))
            return ERROR_BAD_NET_NAME;
    }
    const QStringList parts = path.split(QLatin1Char('\\'));
    if (parts.size() > 2 || parts.contains(QString()))
        return ERROR_BAD_NET_NAME;
    t->machine = ExistingMachine(parts.at(0));
    if (t->machine.isEmpty())
        return ERROR_BAD_NET_NAME;
    if (parts.size() == 1) {
        t->server = true;
        return 0;
    }
    const QString share = parts.at(1);
    if (share.compare(QLatin1String("IPC$"), Qt::CaseInsensitive) == 0) {
        t->server = true;
        t->share = share;
        return 0;
    }
    if (share.compare(QLatin1String("ADMIN$"), Qt::CaseInsensitive) == 0) {
        t->share = share;
        return 0;
    }
    if (share.size() == 2 && share.at(0).isLetter() && share.at(1) == u'$') {
        const QDir drives(World::MachineDir(t->machine) + QLatin1String("/drives"));
        for (const QString& d : drives.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (d.compare(share.left(1), Qt::CaseInsensitive) == 0) {
                t->share = share;
                return 0;
            }
        }
        return ERROR_BAD_NET_NAME;
    }
    for (const ShareInfo& s : ListedShares(MachineJson(t->machine))) {
        if (s.name.compare(share, Qt::CaseInsensitive) == 0) {
            t->share = s.name;
            t->print = s.print;
            return 0;
        }
    }
    return ERROR_BAD_NET_NAME;
}

bool AccountMatches(const QString& machine, const QString& domain, const QString& user,
                    const QString& password)
{
    const QJsonArray accounts = MachineJson(machine).value(QLatin1String("accounts")).toArray();
    for (const QJsonValue& v : accounts) {
        const QJsonObject a = v.toObject();
        const QString accountDomain = a.value(QLatin1String("domain")).toString();
        if (a.value(QLatin1String("user")).toString().compare(user, Qt::CaseInsensitive) != 0)
            continue;
        if (a.value(QLatin1String("password")).toString() != password)
            continue;
        if (domain.isEmpty() || domain == QLatin1String(".")
            || domain.compare(accountDomain, Qt::CaseInsensitive) == 0
            || domain.compare(machine, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

// ---- enumeration ------------------------------------------------------------------------

DWORD WNetOpenEnum(DWORD scope, DWORD type, DWORD usage, const NETRESOURCE* container, HANDLE* handle)
{
    if (!handle)
        return ERROR_INVALID_PARAMETER;
    *handle = nullptr;
    if (type != RESOURCETYPE_ANY && type != RESOURCETYPE_DISK && type != RESOURCETYPE_PRINT)
        return ERROR_INVALID_PARAMETER;
    std::vector<Entry> all;
    switch (scope) {
    case RESOURCE_GLOBALNET:
        if (const DWORD rc = ListGlobal(container, &all); rc != 0)
            return rc;
        break;
    case RESOURCE_CONTEXT: {
        std::vector<ProviderInfo> network;
        if (!LoadNetwork(&network))
            return ERROR_NO_NETWORK;
        const QString self = ExistingMachine(World::ComputerName());
        const QString domain = MachineJson(self).value(QLatin1String("domain")).toString();
        bool found = false;
        for (const auto& p : network) {
            for (const auto& d : p.domains) {
                if (found || d.name.compare(domain, Qt::CaseInsensitive) != 0)
                    continue;
                found = true;
                for (const QString& m : d.machines)
                    all.push_back(ServerEntry(RESOURCE_CONTEXT, m, p.name));
            }
        }
        break;
    }
    case RESOURCE_CONNECTED: {
        auto& t = Connections();
        std::lock_guard lock(t.mutex);
        for (const Connection& c : t.list) {
            Entry e;
            e.scope = RESOURCE_CONNECTED;
            e.type = c.type == RESOURCETYPE_ANY ? RESOURCETYPE_DISK : c.type;
            e.display = RESOURCEDISPLAYTYPE_SHARE;
            e.usage = RESOURCEUSAGE_CONNECTABLE;
            e.remote = c.remote.toUtf8();
            e.provider = QByteArray(kMicrosoftNetwork);
            all.push_back(std::move(e));
        }
        break;
    }
    case RESOURCE_REMEMBERED:
        break;
    default:
        return ERROR_INVALID_PARAMETER;
    }

    EnumState state;
    for (Entry& e : all) {
        if (PassesFilter(e, type, usage))
            state.entries.push_back(std::move(e));
    }
    auto& t = Enums();
    std::lock_guard lock(t.mutex);
    const quintptr id = t.next++;
    t.open.emplace(id, std::move(state));
    *handle = reinterpret_cast<HANDLE>(id);
    return 0;
}

DWORD WNetEnumResource(HANDLE handle, DWORD* count, void* buffer, DWORD* bufferSize)
{
    if (!count || !bufferSize || *count == 0)
        return ERROR_INVALID_PARAMETER;
    auto& t = Enums();
    std::lock_guard lock(t.mutex);
    auto it = t.open.find(reinterpret_cast<quintptr>(handle));
    if (it == t.open.end())
        return ERROR_INVALID_HANDLE;
    EnumState& state = it->second;
    if (state.next >= state.entries.size()) {
        *count = 0;
        return ERROR_NO_MORE_ITEMS;
    }
    if (buffer && reinterpret_cast<uintptr_t>(buffer) % alignof(NETRESOURCE) != 0)
        return ERROR_INVALID_PARAMETER;

    auto textBytes = [](const Entry& e) {
        size_t n = 0;
        for (const QByteArray* s : {&e.local, &e.remote, &e.comment, &e.provider})
            n += s->isEmpty() ? 0 : size_t(s->size()) + 1;
        return n;
    };
    char* base = static_cast<char*>(buffer);
    size_t front = 0;
    size_t back = buffer ? *bufferSize : 0;
    DWORD written = 0;
    while (written < *count && state.next < state.entries.size()) {
        const Entry& e = state.entries[state.next];
        const size_t text = textBytes(e);
        if (front + sizeof(NETRESOURCE) + text > back)
            break;
        auto* nr = new (base + front) NETRESOURCE{};
        front += sizeof(NETRESOURCE);
        auto place = [&](const QByteArray& s) -> char* {
            if (s.isEmpty())
                return nullptr;
            back -= size_t(s.size()) + 1;
            std::memcpy(base + back, s.constData(), size_t(s.size()));
            base[back + size_t(s.size())] = '\0';
            return base + back;
        };
        nr->dwScope = e.scope;
        nr->dwType = e.type;
        nr->dwDisplayType = e.display;
        nr->dwUsage = e.usage;
        nr->lpLocalName = place(e.local);
        nr->lpRemoteName = place(e.remote);
        nr->lpComment = place(e.comment);
        nr->lpProvider = place(e.provider);
        ++written;
        ++state.next;
    }
    if (written == 0) {
        *bufferSize = DWORD(sizeof(NETRESOURCE) + textBytes(state.entries[state.next]));
        return ERROR_MORE_DATA;
    }
    *count = written;
    return 0;
}

DWORD WNetCloseEnum(HANDLE handle)
{
    auto& t = Enums();
    std::lock_guard lock(t.mutex);
    return t.open.erase(reinterpret_cast<quintptr>(handle)) ? 0 : ERROR_INVALID_HANDLE;
}

// ---- connections ------------------------------------------------------------------------

DWORD WNetAddConnection2(const NETRESOURCE* resource, const char* password, const char* user, DWORD)
{
    (void)s_accessCheckInstalled;
    if (!resource)
        return ERROR_INVALID_PARAMETER;
    if (resource->lpLocalName && *resource->lpLocalName)
        return ERROR_BAD_DEVICE;
    if (resource->dwType != RESOURCETYPE_ANY && resource->dwType != RESOURCETYPE_DISK
        && resource->dwType != RESOURCETYPE_PRINT)
        return ERROR_INVALID_PARAMETER;
    if (!resource->lpRemoteName || !*resource->lpRemoteName)
        return ERROR_BAD_NET_NAME;

    std::vector<ProviderInfo> network;
    const bool haveNetwork = LoadNetwork(&network);
    const QString provider = resource->lpProvider ? QString::fromUtf8(resource->lpProvider) : QString();
    if (!provider.isEmpty()) {
        bool known = provider.compare(QLatin1String(kMicrosoftNetwork), Qt::CaseInsensitive) == 0;
        for (const auto& p : network)
            known = known || p.name.compare(provider, Qt::CaseInsensitive) == 0;
        if (!known || (!haveNetwork && !provider.contains(QLatin1String("icrosoft"))))
            return ERROR_BAD_PROVIDER;
    }
    const QString remote = QString::fromUtf8(resource->lpRemoteName);
    Target target;
    if (const DWORD rc = ParseTarget(remote, provider, network, &target); rc != 0)
        return rc;
    if (resource->dwType == RESOURCETYPE_PRINT && !target.print)
        return ERROR_BAD_DEV_TYPE;
    if (resource->dwType == RESOURCETYPE_DISK && target.print)
        return ERROR_BAD_DEV_TYPE;

    Connection c;
    c.remote = remote;
    c.machine = target.machine;
    c.type = target.print ? RESOURCETYPE_PRINT : target.server ? RESOURCETYPE_ANY : RESOURCETYPE_DISK;
    QString domain, name;
    const QString pass = password ? QString::fromUtf8(password) : QString();
    if (!user) {
        c.defaultUser = true;
        name = Network::LoggedOnUser();
        c.user = name;
        c.identity = QStringLiteral("\\default\\") + (password ? QStringLiteral("1") + pass : QString());
    } else {
        c.user = QString::fromUtf8(user);
        const int slash = c.user.indexOf(QLatin1Char('\\'));
        domain = slash >= 0 ? c.user.left(slash) : QString();
        name = slash >= 0 ? c.user.mid(slash + 1) : c.user;
        c.identity = domain.toUpper() + QLatin1Char('\\') + name.toUpper() + QLatin1Char('\n') + pass;
    }

    auto& t = Connections();
    std::lock_guard lock(t.mutex);
    const Connection* same = nullptr;
    for (const Connection& other : t.list) {
        if (other.machine != c.machine)
            continue;
        if (other.identity != c.identity)
            return ERROR_SESSION_CREDENTIAL_CONFLICT;
        if (other.remote.compare(remote, Qt::CaseInsensitive) == 0)
            same = &other;
    }
    if (!same) {
        bool accepted;
        if (c.defaultUser)
            accepted = World::IsThisComputer(c.machine)
                       || (pass.isEmpty() && AccountMatches(c.machine, QString(), name, QString()));
        else
            accepted = !name.isEmpty() && AccountMatches(c.machine, domain, name, pass);
        if (!accepted)
            return ERROR_LOGON_FAILURE;
        t.list.push_back(std::move(c));
    }
    return 0;
}

DWORD WNetCancelConnection2(const char* name, DWORD, BOOL)
{
    if (!name || !*name)
        return ERROR_INVALID_PARAMETER;
    const QString remote = QString::fromUtf8(name);
    auto& t = Connections();
    std::lock_guard lock(t.mutex);
    for (auto it = t.list.begin(); it != t.list.end(); ++it) {
        if (it->remote.compare(remote, Qt::CaseInsensitive) == 0) {
            t.list.erase(it);
            return 0;
        }
    }
    return ERROR_NOT_CONNECTED;
}

DWORD WNetGetUser(const char* name, char* userName, DWORD* length)
{
    if (!length)
        return ERROR_INVALID_PARAMETER;
    QString user;
    if (!name || !*name) {
        user = Network::LoggedOnUser();
    } else {
        const QString remote = QString::fromUtf8(name);
        auto& t = Connections();
        std::lock_guard lock(t.mutex);
        const Connection* found = nullptr;
        for (const Connection& c : t.list) {
            if (c.remote.compare(remote, Qt::CaseInsensitive) == 0)
                found = &c;
        }
        const QString bare = remote.startsWith(QLatin1String("\\\\")) ? remote.mid(2) : remote;
        if (!found && !bare.contains(QLatin1Char('\\'))) {
            const QString machine = World::CanonicalMachineName(bare);
            for (const Connection& c : t.list) {
                if (!found && !machine.isEmpty() && c.machine == machine)
                    found = &c;
            }
        }
        if (!found)
            return ERROR_NOT_CONNECTED;
        user = found->user;
    }
    const QByteArray bytes = user.toUtf8();
    const DWORD needed = DWORD(bytes.size()) + 1;
    if (!userName || *length < needed) {
        *length = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(userName, bytes.constData(), size_t(bytes.size()));
    userName[bytes.size()] = '\0';
    return 0;
}

// ---- workstation information ------------------------------------------------------------

DWORD NetWkstaGetInfo(const char16_t* serverName, DWORD level, BYTE** buffer)
{
    if (!buffer)
        return ERROR_INVALID_PARAMETER;
    *buffer = nullptr;
    if (level != 102)
        return ERROR_INVALID_LEVEL;
    QString name = serverName ? QString::fromUtf16(serverName) : QString();
    if (name.isEmpty())
        name = World::ComputerName();
    const QString machine = ExistingMachine(name);
    if (machine.isEmpty())
        return ERROR_BAD_NETPATH;
    if (const DWORD access = World::CheckAccess(machine); access != 0)
        return access == ERROR_ACCESS_DENIED ? ERROR_ACCESS_DENIED : ERROR_BAD_NETPATH;

    const QJsonObject info = MachineJson(machine);
    auto number = [&info](const char* key, int fallback) {
        const int v = info.value(QLatin1String(key)).toInt(fallback);
        return v >= 0 && v <= 255 ? DWORD(v) : DWORD(fallback);
    };
    QString domain = info.value(QLatin1String("domain")).toString();
    if (domain.isEmpty())
        domain = QStringLiteral("WORKGROUP");
    const QString lanroot = QStringLiteral("C:\\WINDOWS");

    const size_t texts = size_t(machine.size() + domain.size() + lanroot.size() + 3) * sizeof(char16_t);
    auto* block = static_cast<BYTE*>(std::malloc(sizeof(WKSTA_INFO_102) + texts));
    if (!block)
        return ERROR_NOT_ENOUGH_MEMORY;
    auto* w = new (block) WKSTA_INFO_102{};
    auto* text = reinterpret_cast<char16_t*>(block + sizeof(WKSTA_INFO_102));
    auto put = [&text](const QString& s) {
        char16_t* start = text;
        std::memcpy(text, s.utf16(), size_t(s.size()) * sizeof(char16_t));
        text += s.size();
        *text++ = u'\0';
        return start;
    };
    w->wki102_platform_id = PLATFORM_ID_NT;
    w->wki102_computername = put(machine);
    w->wki102_langroup = put(domain);
    w->wki102_ver_major = number("platformMajor", 5);
    w->wki102_ver_minor = number("platformMinor", 0);
    w->wki102_lanroot = put(lanroot);
    w->wki102_logged_on_users = 1;
    *buffer = block;
    return 0;
}

DWORD NetApiBufferFree(void* buffer)
{
    std::free(buffer);
    return 0;
}

namespace Network {

bool IsConnected(const QString& machine)
{
    QString name = machine;
    if (name.startsWith(QLatin1String("\\\\")))
        name = name.mid(2);
    const QString canonical = World::CanonicalMachineName(name);
    if (canonical.isEmpty())
        return false;
    auto& t = Connections();
    std::lock_guard lock(t.mutex);
    for (const Connection& c : t.list) {
        if (c.machine == canonical)
            return true;
    }
    return false;
}

QString LoggedOnUser()
{
    for (const char* var : {"USER", "LOGNAME"}) {
        const QString v = qEnvironmentVariable(var);
        if (!v.isEmpty())
            return v;
    }
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("User");
}

void CancelAllConnections()
{
    auto& t = Connections();
    std::lock_guard lock(t.mutex);
    t.list.clear();
}

} // namespace Network
