#include "tree/ActivityLeaf.h"

#include "framework/Commands.h"
#include "res/Resources.h"
#include "tree/ServerLeaf.h"

namespace {
CActivityLeaf::Hooks& HookTable()
{
    static CActivityLeaf::Hooks hooks;
    return hooks;
}
constexpr UINT IDS_ACTIVITY = 5015;
constexpr UINT IDS_ACTIVITY_HEADING = 4012;
constexpr int kActivityImage = 12;
constexpr DWORD kServiceStopped = 1;
constexpr DWORD kServiceStopPending = 3;
constexpr DWORD kServiceRunning = 4;
} // namespace

void CActivityLeaf::SetHooks(Hooks hooks)
{
    HookTable() = std::move(hooks);
}

const CActivityLeaf::Hooks& CActivityLeaf::GetHooks()
{
    return HookTable();
}

CActivityLeaf::CActivityLeaf()
{
    m_name = LoadString(IDS_ACTIVITY);
    m_image = kActivityImage;
    m_menuId = 0;
}

BOOL CActivityLeaf::SetData(const void* data, int version)
{
    if (m_dataSet)
        return 0;
    m_dataVersion = version;
    if (version != 10 || !data)
        return 0;
    m_dataSet = 1;
    // The state is asked with messages, whose loop may take this leaf away.
    CWeakPtr<CActivityLeaf> alive(this);
    if (QueryServiceState() == kServiceRunning && alive)
        CreateChildren();
    return 1;
}

void CActivityLeaf::CreateChildren()
{
    Children created;
    if (HookTable().createChildren)
        HookTable().createChildren(this, &created);
    m_summary = created.summary;
    m_eventLog = created.eventLog;
    m_activityLog = created.activityLog;
    Redisplay();
}

DWORD CActivityLeaf::QueryServiceState()
{
    if (HookTable().serviceState)
        return HookTable().serviceState(this);
    // Without a hook the server leaf above answers, asked with messages.
    if (CServerLeaf* server = GetServerLeaf<CServerLeaf>())
        return server->QueryServiceState(1);
    return kServiceStopped;
}

bool CActivityLeaf::ChildFileModified(CAlertLeaf* child)
{
    return HookTable().fileModified && HookTable().fileModified(child);
}

void CActivityLeaf::DropChildren()
{
    DeleteChildren();
    m_summary = nullptr;
    m_eventLog = nullptr;
    m_activityLog = nullptr;
}

void CActivityLeaf::OnServiceStateChange(DWORD state)
{
    if (state == kServiceStopped || state == kServiceStopPending) {
        DropChildren();
    } else if (state == kServiceRunning && !HasChildren()) {
        CreateChildren();
    }
}

void CActivityLeaf::OnPeriodicRefresh()
{
    // Children are read from the tree, not only from the stored pointers, so a child deleted
    // behind the leaf's back is never touched.
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        if (!child->IsSelected())
            continue;
        if (child == m_summary)
            child->Redisplay();
        else if ((child == m_eventLog || child == m_activityLog) && ChildFileModified(child))
            child->Redisplay();
        break;
    }
}

QString CActivityLeaf::GetTitle()
{
    QString text;
    GetItemText(&text);
    return text;
}

WORD CActivityLeaf::GetDisplayFormat()
{
    return DISPLAY_COLUMNS;
}

void CActivityLeaf::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList* rows,
                                   CLeafArray* objects)
{
    ListChildren(LoadString(IDS_ACTIVITY_HEADING), producedFormat, heading, rows, objects);
}
