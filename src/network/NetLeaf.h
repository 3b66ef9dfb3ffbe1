#pragma once
// CNetLeaf: one resource of the Windows network (provider, domain, server, share) in a network
// browser. Children are enumerated on the first expansion; a container that cannot be opened
// with the current credentials asks for a user name and password (network login dialog) and
// connects first.
#include "platform/Network.h"
#include "tree/AlertLeaf.h"

#include <QString>
#include <functional>
#include <memory>

// Commands of the network leaf's popup menu (161).
constexpr UINT ID_NET_CONNECT_AS = 3012;
constexpr UINT ID_NET_DISCONNECT = 3013;

class CNetLeaf : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    // Image 10, no context menu.
    CNetLeaf();
    // Copies the resource (its strings duplicated), the enumeration parameters and credentials.
    CNetLeaf(const CNetLeaf& other);
    CNetLeaf& operator=(const CNetLeaf&) = delete;
    ~CNetLeaf() override;

    // Copies an enumeration entry (strings duplicated, absent ones stay null), sets the icon by
    // the entry's display type and the name to its remote name.
    void SetResource(const NETRESOURCE& resource);
    const NETRESOURCE& GetResource() const { return m_resource; }
    QString GetRemoteName() const;
    QString GetProvider() const;
    DWORD GetDisplayType() const { return m_resource.dwDisplayType; }

    // Fills a browser's top level: every network of the global enumeration whose provider is
    // a Microsoft one, as a network leaf with a placeholder child, under `parent` (expanded
    // at once when `expand` is set). An enumeration error shows "WNetEnumResource" and stops.
    static void InsertMicrosoftNetworks(CAlertLeaf* parent, bool expand);
    // Fills a print browser's top level: every network of the global enumeration of print
    // resources but the terminal-services and web-client ones, as a network leaf with a
    // placeholder child that enumerates print resources, asks for a login where a container
    // cannot be opened and offers connect-as and disconnect (menu 161).
    static void InsertPrintNetworks(CAlertLeaf* parent);

    // A leaf (in no tree) for a resource known only by its name, for connecting to it.
    static std::unique_ptr<CNetLeaf> ForName(const QString& remoteName, DWORD type, DWORD displayType,
                                             const QString& provider);
    // A typed name as a network path: two leading backslashes, upper case ("pc01" -> "\\PC01").
    static QString UncName(const QString& text);
    // The machine a path names ("\\SRV1\LASER" -> "SRV1").
    static QString MachineOf(const QString& remoteName);

    void SetEnumParams(DWORD scope, DWORD type, DWORD usage);
    DWORD GetEnumScope() const { return m_enumScope; }
    DWORD GetEnumType() const { return m_enumType; }
    DWORD GetEnumUsage() const { return m_enumUsage; }

    void GetCredentials(QString* domain, QString* user, QString* password) const;
    void SetCredentials(const QString& domain, const QString& user, const QString& password);
    void SetNeedsLogin(BOOL on) { m_needsLogin = on; }
    BOOL NeedsLogin() const { return m_needsLogin; }
    void SetUseCurrentUser(BOOL on) { m_currentUser = on; }
    BOOL UsesCurrentUser() const { return m_currentUser; }
    // When set, Disconnect cancels no connection: the machine's connection was there before and
    // something else (a server leaf) relies on it. Connect then only tests the credentials.
    void SetSparesConnection(BOOL on) { m_sparesConnection = on; }

    // The provider's name contains "icrosoft".
    bool IsMicrosoftProvider() const;
    // Whether an enumeration of this resource can be opened (with the wait cursor).
    bool CanEnumerate();
    // Drops the connection, then asks for credentials and connects (see the login dialog);
    // 1 on success, 0 when the user cancelled. suffix is appended to the remote name meanwhile.
    BOOL Connect(BOOL force, const QString& suffix, BOOL keep);
    // Cancels the connection to remote name + suffix, collapses and empties the leaf; 1.
    BOOL Disconnect(BOOL force, const QString& suffix);

    // The first expansion enumerates the children (connecting first when needed); a cancelled
    // login cancels the expansion and leaves the leaf unpopulated.
    void OnItemExpanding(NMTREEVIEW* notify, LRESULT* result) override;

    // The icon index for a display type and resource type.
    static int ImageFor(DWORD displayType, DWORD type);
    // Image of a network (provider) entry.
    static constexpr int kNetworkImage = 10;

    // Adds a plain leaf as the only child so that the item shows an expand button.
    void AddPlaceholder();

protected:
    // Enumerates this container's children into the tree.
    void EnumerateChildren();
    // Runs the network login dialog for this resource; false when cancelled.
    virtual bool RunLoginDialog(BOOL keep);

    void OnConnectAs();
    void OnDisconnect();
    void OnUpdateNetCommand(CCmdUI* pUI);

private:
    void FreeResource();
    static char* Duplicate(const char* text);
    // Opens the global enumeration of resources of `type` and hands each top-level entry to
    // `insert`, in batches; an enumeration error shows "WNetEnumResource" and stops.
    static void ForEachNetwork(DWORD type, const std::function<void(const NETRESOURCE&)>& insert);

    BOOL m_needsLogin = 0;
    NETRESOURCE m_resource{};
    DWORD m_enumScope = RESOURCE_GLOBALNET;
    DWORD m_enumType = RESOURCETYPE_ANY;
    DWORD m_enumUsage = 0;
    QString m_domain;
    QString m_password;
    QString m_user;
    BOOL m_currentUser = 0;
    BOOL m_sparesConnection = 0;
};
