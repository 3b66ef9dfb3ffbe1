#include "ui/AlertTreeWnd.h"

#include "framework/Commands.h"
#include "framework/Messages.h"
#include "framework/Switches.h"
#include "network/ServerLogonDlg.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/ServerLeaf.h"
#include "ui/AlertListWnd.h"

namespace {
bool g_createsLocalServer = false;
} // namespace

BEGIN_MESSAGE_MAP(CAlertTreeWnd, CCmdTarget)
    ON_COMMAND(ID_FILE_CONNECT, OnConnect)
END_MESSAGE_MAP()

void CAlertTreeWnd::SetCreatesLocalServer(bool on)
{
    g_createsLocalServer = on;
}

bool CAlertTreeWnd::CreatesLocalServer()
{
    return g_createsLocalServer;
}

CAlertTreeWnd::CAlertTreeWnd(QWidget* parent)
    : QWidget(parent)
{
    m_tree = new CAlertTreeCtrl(this);
    m_tree->setGeometry(rect());
    setFocusProxy(m_tree);
    connect(m_tree, &CAlertTreeCtrl::selectionChangedNotify, this, &CAlertTreeWnd::OnSelectionChanged);
    connect(m_tree, &CAlertTreeCtrl::itemDeletedNotify, this, &CAlertTreeWnd::OnItemDeleted);
    CreateLocalServerLeaf();
}

CAlertTreeWnd::~CAlertTreeWnd()
{
    // Every leaf goes now, each telling the pane (when it still exists) to forget it.
    delete m_tree;
    m_tree = nullptr;
}

void CAlertTreeWnd::SetInfoPane(CAlertListWnd* pane)
{
    m_infoPane = pane;
    if (m_infoPane && m_tree)
        if (CAlertLeaf* selected = m_tree->GetSelectedLeaf())
            m_infoPane->SendMessage(WM_ALERT_SHOW_LEAF, 0, PtrToLParam(selected));
}

void CAlertTreeWnd::CreateLocalServerLeaf()
{
    // This computer's server data, a top-level leaf from it, expanded with notifications and
    // shown.
    if (g_createsLocalServer)
        CServerLeaf::CreateLocal(m_tree);
}

void CAlertTreeWnd::OnConnect()
{
    CServerLogonDlg::ConnectRemote(m_tree, window());
}

void CAlertTreeWnd::OnSelectionChanged(CAlertLeaf*, CAlertLeaf* newLeaf)
{
    if (m_infoPane && newLeaf)
        m_infoPane->SendMessage(WM_ALERT_SHOW_LEAF, 0, PtrToLParam(newLeaf));
}

void CAlertTreeWnd::OnItemDeleted(CAlertLeaf* leaf)
{
    if (m_infoPane && leaf)
        m_infoPane->SendMessage(WM_ALERT_LEAF_DELETED, 0, PtrToLParam(leaf));
}

bool CAlertTreeWnd::OnCmdMsg(UINT id, CCmdUI* pUI)
{
    if (id == ID_EDIT_DELETE && !pUI)
        Switches::SetAskBeforeDelete(true);
    if (m_tree && m_tree->OnCmdMsg(id, pUI))
        return true;
    return CCmdTarget::OnCmdMsg(id, pUI);
}

void CAlertTreeWnd::resizeEvent(QResizeEvent*)
{
    if (m_tree)
        m_tree->setGeometry(rect());
}
