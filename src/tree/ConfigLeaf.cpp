#include "tree/ConfigLeaf.h"

#include "extern/Tarnix.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "platform/GlobalMemory.h"
#include "platform/ServiceControl.h"
#include "platform/Timing.h"
#include "records/ByteField.h"
#include "tree/ALTLeaf.h"
#include "tree/AlertTreeCtrl.h"
#include "res/Resources.h"
#include "tree/ServerLeaf.h"

#include <algorithm>

namespace {
constexpr UINT IDS_CONFIGURATION = 5012;
constexpr UINT IDS_CONFIGURATION_HEADING = 4006;
constexpr int kConfigImage = 13;
constexpr UINT IDS_DEFAULT_TABLE = 5013;
constexpr UINT IDS_DEFAULT_APPLICATION = 5014;
constexpr UINT IDS_NO_APPLICATION_TABLES = 5107;

constexpr int kHomeTries = 20;
constexpr int kListTries = 40;
constexpr DWORD kRetryPause = 500;
constexpr int kPathSize = 512;
constexpr int kEntrySize = 256;
constexpr int kEntryNameOffset = 0;
constexpr int kEntryNameSize = 128;
constexpr int kEntryDisplayOffset = 128;
constexpr int kEntryDisplaySize = 128;
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
    // The state is asked with messages, whose loop may take this leaf away.
    CWeakPtr<CConfigLeaf> alive(this);
    if (QueryServiceState() == SERVICE_RUNNING && alive)
        CreateChildren();
    return 1;
}

DWORD CConfigLeaf::QueryServiceState()
{
    CServerLeaf* server = GetServerLeaf<CServerLeaf>();
    return server ? server->QueryServiceState(1) : SERVICE_STOPPED;
}

static CConfigLeaf::PortConfigFactory& PortConfigFactorySlot()
{
    static CConfigLeaf::PortConfigFactory factory = nullptr;
    return factory;
}

void CConfigLeaf::SetPortConfigFactory(PortConfigFactory factory)
{
    PortConfigFactorySlot() = factory;
}

void CConfigLeaf::CreateChildren()
{
    // The port configurations come first, then the tables.
    if (PortConfigFactory make = PortConfigFactorySlot())
        make(this);
    LoadTables();
}

CALTLeaf* CConfigLeaf::CreateTable(const QString& name, int version, const QString& application)
{
    auto* table = new CALTLeaf;
    if (!InsertChild(table)) {
        delete table;
        return nullptr;
    }
    table->SetName(name);
    table->SetData(nullptr, version);
    table->SortChildren();
    table->Bind(m_machine, application);
    return table;
}

void CConfigLeaf::LoadTables()
{
    CWaitCursor wait;
    const QByteArray machine = m_machine.toUtf8();
    char home[kPathSize] = {};
    bool found = false;
    for (int i = 0; i < kHomeTries; ++i) {
        if (AlertGetHomeDir(machine.constData(), home) == 1) {
            found = true;
            break;
        }
        Timing::Sleep(kRetryPause);
    }
    if (!found)
        return;

    const QString defaultApplication = LoadString(IDS_DEFAULT_APPLICATION);
    int32_t version = 0;
    if (AlertGetALSTRUCTVer(machine.constData(), &version, defaultApplication.toUtf8().constData()) != 1)
        version = 0;
    CreateTable(LoadString(IDS_DEFAULT_TABLE), version, defaultApplication);

    int32_t count = 0;
    void* block = nullptr;
    found = false;
    for (int i = 0; i < kListTries; ++i) {
        count = 0;
        block = nullptr;
        if (AlertGetApplicationALT(machine.constData(), &count, &block) == 1) {
            found = true;
            break;
        }
        Timing::Sleep(kRetryPause);
    }
    if (!found) {
        AfxMessageBox(LoadString(IDS_NO_APPLICATION_TABLES), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // Only whole entries inside the block are read.
    const size_t size = block ? GlobalSize(block) : 0;
    const size_t entries = count > 0 ? std::min(size_t(count), size / kEntrySize) : 0;
    const char* base = static_cast<const char*>(block);
    for (size_t i = 0; i < entries; ++i) {
        const char* entry = base + i * kEntrySize;
        const QString application = Records::FieldText(entry + kEntryNameOffset, kEntryNameSize);
        if (application.isEmpty())
            continue;
        QString display = Records::FieldText(entry + kEntryDisplayOffset, kEntryDisplaySize);
        if (display.isEmpty())
            display = application;
        int32_t appVersion = 0;
        if (AlertGetALSTRUCTVer(machine.constData(), &appVersion, application.toUtf8().constData()) != 1)
            appVersion = 0;
        CreateTable(display, appVersion, application);
    }
    if (block)
        GlobalFree(block);

    RefreshTables();
    if (m_tree)
        m_tree->viewport()->update();
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
    bool reloaded = false;
    for (CAlertLeaf* child = GetFirstChild(); child && !reloaded; child = child->GetNextSibling()) {
        if (auto* table = dynamic_cast<CALTLeaf*>(child))
            reloaded = table->RefreshIfChanged(0);
    }
    if (reloaded && m_tree)
        m_tree->viewport()->update();
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
