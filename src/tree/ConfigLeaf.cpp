#include "tree/ConfigLeaf.h"

#include "platform/ServiceControl.h"
#include "res/Resources.h"
#include "tree/ServerLeaf.h"

namespace {
constexpr UINT IDS_CONFIGURATION = 5012;
constexpr UINT IDS_CONFIGURATION_HEADING = 4006;
constexpr int kConfigImage = 13;
} // namespace

CConfigLeaf::CConfigLeaf()
{
    m_name = LoadString(IDS_CONFIGURATION);
    m_image = kConfigImage;
    m_menuId = 0;
}

BOOL CConfigLeaf::SetData(const void* data, int version)
{
    if (m_dataSet)
        return 0;
    m_dataVersion = version;
    if (version != CServerData::kVersion || !data)
        return 0;
    m_dataSet = 1;
    m_machine = CServerData::Machine(static_cast<const BYTE*>(data)).toUpper();
    if (QueryServiceState() == SERVICE_RUNNING)
        CreateChildren();
    return 1;
}

DWORD CConfigLeaf::QueryServiceState()
{
    CServerLeaf* server = GetServerLeaf<CServerLeaf>();
    return server ? server->QueryServiceState(1) : SERVICE_STOPPED;
}

void CConfigLeaf::CreateChildren()
{
}

void CConfigLeaf::OnServiceStateChange(DWORD state)
{
    if (state == SERVICE_STOPPED || state == SERVICE_STOP_PENDING) {
        if (HasChildren())
            DeleteChildren();
    } else if (state == SERVICE_RUNNING && !HasChildren()) {
        CreateChildren();
    }
}

void CConfigLeaf::RefreshTables()
{
}

QString CConfigLeaf::GetTitle()
{
    return LoadString(IDS_CONFIGURATION);
}

WORD CConfigLeaf::GetDisplayFormat()
{
    return DISPLAY_COLUMNS;
}

void CConfigLeaf::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList* rows,
                                 CLeafArray* objects)
{
    ListChildren(LoadString(IDS_CONFIGURATION_HEADING), producedFormat, heading, rows, objects);
}
