#include "network/NetLeaf.h"

#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "network/NetLogonDlg.h"
#include "res/ResourceIds.h"
#include "res/StringIds.h"
#include "tree/AlertTreeCtrl.h"

#include <QWidget>
#include <cstring>
#include <vector>

namespace {
// Enumeration buffers: up to 10 entries a call into 16 KB.
constexpr DWORD kEnumBufferSize = 16384;
constexpr DWORD kEnumBatch = 10;
// The providers a browser lists at its top level.
const char* const kMicrosoftMark = "icrosoft";
// The providers a print browser leaves out.
const char* const kTerminalServicesMark = "Terminal Services";
const char* const kWebClientMark = "Web Client";

constexpr int kImageDomain = 15;
constexpr int kImageServer = 9;
constexpr int kImageDiskShare = 20;
constexpr int kImagePrintShare = 21;
constexpr int kImageTree = 19;
constexpr int kImageOther = 8;
} // namespace

BEGIN_MESSAGE_MAP(CNetLeaf, CAlertLeaf)
    ON_COMMAND(ID_NET_CONNECT_AS, OnConnectAs)
    ON_UPDATE_COMMAND_UI(ID_NET_CONNECT_AS, OnUpdateNetCommand)
    ON_COMMAND(ID_NET_DISCONNECT, OnDisconnect)
    ON_UPDATE_COMMAND_UI(ID_NET_DISCONNECT, OnUpdateNetCommand)
END_MESSAGE_MAP()

CNetLeaf::CNetLeaf()
{
    m_image = kNetworkImage;
    m_menuId = 0;
}

CNetLeaf::CNetLeaf(const CNetLeaf& other)
    : CAlertLeaf(other)
    , m_needsLogin(other.m_needsLogin)
    , m_enumScope(other.m_enumScope)
    , m_enumType(other.m_enumType)
    , m_enumUsage(other.m_enumUsage)
    , m_domain(other.m_domain)
    , m_password(other.m_password)
    , m_user(other.m_user)
    , m_currentUser(other.m_currentUser)
{
    m_resource.dwScope = other.m_resource.dwScope;
    m_resource.dwType = other.m_resource.dwType;
    m_resource.dwDisplayType = other.m_resource.dwDisplayType;
    m_resource.dwUsage = other.m_resource.dwUsage;
    m_resource.lpLocalName = Duplicate(other.m_resource.lpLocalName);
    m_resource.lpRemoteName = Duplicate(other.m_resource.lpRemoteName);
    m_resource.lpComment = Duplicate(other.m_resource.lpComment);
    m_resource.lpProvider = Duplicate(other.m_resource.lpProvider);
}

CNetLeaf::~CNetLeaf()
{
    // The password is not left behind in freed memory.
    m_password.fill(QChar(0));
    FreeResource();
}

char* CNetLeaf::Duplicate(const char* text)
{
    if (!text)
        return nullptr;
    const size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    return copy;
}

void CNetLeaf::FreeResource()
{
    delete[] m_resource.lpLocalName;
    delete[] m_resource.lpRemoteName;
    delete[] m_resource.lpComment;
    delete[] m_resource.lpProvider;
    m_resource = NETRESOURCE{};
}

int CNetLeaf::ImageFor(DWORD displayType, DWORD type)
{
    switch (displayType) {
    case RESOURCEDISPLAYTYPE_DOMAIN: return kImageDomain;
    case RESOURCEDISPLAYTYPE_SERVER: return kImageServer;
    case RESOURCEDISPLAYTYPE_SHARE:
        if (type == RESOURCETYPE_DISK)
            return kImageDiskShare;
        if (type == RESOURCETYPE_PRINT)
            return kImagePrintShare;
        return kImageOther;
    case RESOURCEDISPLAYTYPE_NETWORK: return kNetworkImage;
    case RESOURCEDISPLAYTYPE_TREE:
    case RESOURCEDISPLAYTYPE_NDSCONTAINER: return kImageTree;
    default: return kImageOther;
    }
}

void CNetLeaf::SetResource(const NETRESOURCE& resource)
{
    FreeResource();
    m_resource.dwScope = resource.dwScope;
    m_resource.dwType = resource.dwType;
    m_resource.dwDisplayType = resource.dwDisplayType;
    m_resource.dwUsage = resource.dwUsage;
    m_resource.lpLocalName = Duplicate(resource.lpLocalName);
    m_resource.lpRemoteName = Duplicate(resource.lpRemoteName);
    m_resource.lpComment = Duplicate(resource.lpComment);
    m_resource.lpProvider = Duplicate(resource.lpProvider);
    SetImage(ImageFor(resource.dwDisplayType, resource.dwType));
    SetName(GetRemoteName());
}

QString CNetLeaf::GetRemoteName() const
{
    return m_resource.lpRemoteName ? QString::fromUtf8(m_resource.lpRemoteName) : QString();
}

QString CNetLeaf::GetProvider() const
{
    return m_resource.lpProvider ? QString::fromUtf8(m_resource.lpProvider) : QString();
}

void CNetLeaf::SetEnumParams(DWORD scope, DWORD type, DWORD usage)
{
    m_enumScope = scope;
    m_enumType = type;
    m_enumUsage = usage;
}

void CNetLeaf::GetCredentials(QString* domain, QString* user, QString* password) const
{
    if (domain)
        *domain = m_domain;
    if (user)
        *user = m_user;
    if (password)
        *password = m_password;
}

void CNetLeaf::SetCredentials(const QString& domain, const QString& user, const QString& password)
{
    m_domain = domain;
    m_user = user;
    m_password = password;
}

bool CNetLeaf::IsMicrosoftProvider() const
{
    return m_resource.lpProvider && std::strstr(m_resource.lpProvider, "icrosoft") != nullptr;
}

bool CNetLeaf::CanEnumerate()
{
    CWaitCursor wait;
    HANDLE handle = nullptr;
    if (WNetOpenEnum(m_enumScope, m_enumType, m_enumUsage, &m_resource, &handle) != 0)
        return false;
    WNetCloseEnum(handle);
    return true;
}

void CNetLeaf::AddPlaceholder()
{
    auto* placeholder = new CAlertLeaf;
    placeholder->SetContextMenu(0);
    if (!InsertChild(placeholder))
        delete placeholder;
}

bool CNetLeaf::RunLoginDialog(BOOL keep)
{
    CNetLogonDlg dialog(&m_resource, keep != 0, true, m_tree ? m_tree->window() : nullptr);
    if (UiHost::Current()->RunModal(&dialog) != IDOK)
        return false;
    SetCredentials(dialog.Domain(), dialog.User(), dialog.Password());
    return true;
}

BOOL CNetLeaf::Connect(BOOL force, const QString& suffix, BOOL keep)
{
    // The remote name carries the suffix while the connection is made.
    char* original = m_resource.lpRemoteName;
    QByteArray suffixed = (GetRemoteName() + suffix).toUtf8();
    m_resource.lpRemoteName = suffixed.data();
    Disconnect(force, QString());
    BOOL result = 1;
    if (!m_currentUser) {
        if (RunLoginDialog(keep)) {
            result = 1;
        } else {
            SetCredentials(QString(), QString(), QString());
            result = 0;
        }
    }
    m_resource.lpRemoteName = original;
    return result;
}

BOOL CNetLeaf::Disconnect(BOOL force, const QString& suffix)
{
    if (m_currentUser) {
        SetCredentials(QString(), Network::LoggedOnUser(), QString());
    } else {
        if (!m_sparesConnection) {
            const QByteArray name = (GetRemoteName() + suffix).toUtf8();
            WNetCancelConnection2(name.constData(), 0, force);
        }
        SetCredentials(QString(), QString(), QString());
    }
    Collapse();
    DeleteChildren();
    Select();
    if (m_needsLogin) {
        // The next expansion asks for credentials again.
        AddPlaceholder();
        m_unpopulated = 1;
    }
    return 1;
}

void CNetLeaf::OnItemExpanding(NMTREEVIEW* notify, LRESULT* result)
{
    if (m_unpopulated) {
        if (!CanEnumerate() && !Connect(0, QString(), 1)) {
            if (result)
                *result = 1;
            return;
        }
        DeleteChildren();
        EnumerateChildren();
    }
    CAlertLeaf::OnItemExpanding(notify, result);
}

void CNetLeaf::EnumerateChildren()
{
    if (!(m_resource.dwUsage & RESOURCEUSAGE_CONTAINER))
        return;
    CWaitCursor wait;
    HANDLE handle = nullptr;
    if (WNetOpenEnum(m_enumScope, m_enumType, m_enumUsage, &m_resource, &handle) != 0)
        return;
    // Aligned for the entries at its start.
    std::vector<uint64_t> buffer(kEnumBufferSize / sizeof(uint64_t));
    constexpr DWORD kMaxEntries = kEnumBufferSize / sizeof(NETRESOURCE);
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        DWORD count = kEnumBatch;
        DWORD size = kEnumBufferSize;
        if (WNetEnumResource(handle, &count, buffer.data(), &size) != 0)
            break;
        const auto* entries = reinterpret_cast<const NETRESOURCE*>(buffer.data());
        for (DWORD i = 0; i < count && i < kMaxEntries; ++i) {
            const NETRESOURCE& entry = entries[i];
            auto* child = new CNetLeaf;
            child->SetResource(entry);
            if (!InsertChild(child)) {
                delete child;
                continue;
            }
            child->SetEnumParams(m_enumScope, m_enumType, m_enumUsage);
            child->m_needsLogin = m_needsLogin;
            child->SetContextMenu(m_menuId);
            bool expandable = false;
            switch (entry.dwDisplayType) {
            case RESOURCEDISPLAYTYPE_FILE:
            case RESOURCEDISPLAYTYPE_GROUP:
            case RESOURCEDISPLAYTYPE_ROOT:
            case RESOURCEDISPLAYTYPE_SHAREADMIN:
            case RESOURCEDISPLAYTYPE_DIRECTORY:
            case RESOURCEDISPLAYTYPE_NDSCONTAINER:
            case RESOURCEDISPLAYTYPE_TREE:
                if (!child->IsMicrosoftProvider())
                    child->m_needsLogin = 1;
                break;
            case RESOURCEDISPLAYTYPE_DOMAIN:
            case RESOURCEDISPLAYTYPE_NETWORK:
                expandable = true;
                break;
            default:
                break;
            }
            if ((expandable || child->m_needsLogin) && (entry.dwUsage & RESOURCEUSAGE_CONTAINER))
                child->AddPlaceholder();
        }
    }
    WNetCloseEnum(handle);
    SortChildren();
}

void CNetLeaf::OnConnectAs()
{
    Connect(0, QString(), 1);
}

void CNetLeaf::OnDisconnect()
{
    Disconnect(0, QString());
}

void CNetLeaf::OnUpdateNetCommand(CCmdUI* pUI)
{
    // A print share of another provider cannot be connected as someone else.
    const bool foreignPrintShare = m_resource.dwType == RESOURCETYPE_PRINT &&
                                   m_resource.dwDisplayType == RESOURCEDISPLAYTYPE_SHARE && !IsMicrosoftProvider();
    pUI->Enable(!foreignPrintShare);
}

void CNetLeaf::ForEachNetwork(DWORD type, const std::function<void(const NETRESOURCE&)>& insert)
{
    CWaitCursor wait;
    HANDLE handle = nullptr;
    if (WNetOpenEnum(RESOURCE_GLOBALNET, type, 0, nullptr, &handle) != 0)
        return;
    std::vector<uint64_t> buffer(kEnumBufferSize / sizeof(uint64_t));
    constexpr DWORD kMaxEntries = kEnumBufferSize / sizeof(NETRESOURCE);
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        DWORD count = kEnumBatch;
        DWORD size = kEnumBufferSize;
        const DWORD rc = WNetEnumResource(handle, &count, buffer.data(), &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != 0) {
            AfxMessageBox(IDS_WNETENUMRESOURCE, MB_OK | MB_ICONEXCLAMATION);
            break;
        }
        const auto* entries = reinterpret_cast<const NETRESOURCE*>(buffer.data());
        for (DWORD i = 0; i < count && i < kMaxEntries; ++i)
            insert(entries[i]);
    }
    WNetCloseEnum(handle);
}

void CNetLeaf::InsertMicrosoftNetworks(CAlertLeaf* parent, bool expand)
{
    ForEachNetwork(RESOURCETYPE_ANY, [parent, expand](const NETRESOURCE& entry) {
        if (!entry.lpRemoteName || !std::strstr(entry.lpRemoteName, kMicrosoftMark))
            return;
        auto* leaf = new CNetLeaf;
        leaf->SetResource(entry);
        leaf->SetImages(kNetworkImage, kNetworkImage);
        if (!parent->InsertChild(leaf)) {
            delete leaf;
            return;
        }
        leaf->AddPlaceholder();
        if (expand)
            leaf->Expand();
    });
}

void CNetLeaf::InsertPrintNetworks(CAlertLeaf* parent)
{
    ForEachNetwork(RESOURCETYPE_PRINT, [parent](const NETRESOURCE& entry) {
        if (entry.lpRemoteName && (std::strstr(entry.lpRemoteName, kTerminalServicesMark) ||
                                   std::strstr(entry.lpRemoteName, kWebClientMark)))
            return;
        auto* leaf = new CNetLeaf;
        leaf->SetResource(entry);
        leaf->SetImages(kNetworkImage, kNetworkImage);
        leaf->SetEnumParams(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0);
        leaf->SetNeedsLogin(1);
        leaf->SetContextMenu(IDR_MENU_NETLEAF);
        if (!parent->InsertChild(leaf)) {
            delete leaf;
            return;
        }
        leaf->AddPlaceholder();
    });
}

std::unique_ptr<CNetLeaf> CNetLeaf::ForName(const QString& remoteName, DWORD type, DWORD displayType,
                                            const QString& provider)
{
    QByteArray remote = remoteName.toUtf8();
    QByteArray providerName = provider.toUtf8();
    NETRESOURCE resource{};
    resource.dwScope = RESOURCE_GLOBALNET;
    resource.dwType = type;
    resource.dwDisplayType = displayType;
    resource.lpRemoteName = remote.data();
    resource.lpProvider = providerName.isEmpty() ? nullptr : providerName.data();
    auto leaf = std::make_unique<CNetLeaf>();
    leaf->SetResource(resource);
    return leaf;
}

QString CNetLeaf::UncName(const QString& text)
{
    QString name = text;
    while (!name.startsWith(QLatin1String("\\\\")))
        name.prepend(QLatin1Char('\\'));
    return name.toUpper();
}

QString CNetLeaf::MachineOf(const QString& remoteName)
{
    QString name = remoteName;
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    return name.section(QLatin1Char('\\'), 0, 0);
}
