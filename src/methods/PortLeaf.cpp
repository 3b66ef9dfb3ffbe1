#include "methods/PortLeaf.h"

#include "framework/Commands.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "methods/PortDlg.h"
#include "platform/Timing.h"
#include "platform/World.h"
#include "records/ByteField.h"
#include "records/StoreFile.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/LeafNotify.h"
#include "tree/MessageText.h"
#include "tree/RegUtil.h"
#include "tree/ServerLeaf.h"
#include "tree/StaleWrite.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>

namespace {
constexpr UINT IDS_PORT = 5019;
constexpr UINT IDS_PORT_HEADING = 4015;
constexpr UINT IDS_DEFAULT = 5013;
constexpr UINT IDS_YES = 3501;
constexpr UINT IDS_NO = 3502;
constexpr UINT IDS_PARITY_NONE = 5031;
constexpr UINT IDS_PARITY_EVEN = 5032;
constexpr UINT IDS_PARITY_ODD = 5033;
constexpr UINT IDS_PORT_FILE_OPEN_FAILED = 5109;
constexpr UINT IDS_PORT_FILE_PATH_FAILED = 5110;
constexpr UINT IDS_DEFAULT_FILE_OPEN_FAILED = 5111;
constexpr UINT IDS_DEFAULT_FILE_WRITE_FAILED = 5112;
constexpr UINT IDS_DEFAULT_FILE_PATH_FAILED = 5113;
constexpr UINT IDS_SYSTEM_DEFAULT_PORT = 5504;
constexpr UINT IDR_PORT_MENU = 167;
constexpr int kPortConfigImage = 25;
constexpr int kPortImage = 26;

const QString kSectionSentrel = QStringLiteral("Sentrel");
constexpr DWORD kDefaultSetMaxTry = 20;
constexpr DWORD kPortPathPause = 1000;
constexpr int kDefaultPathTries = 10;
constexpr DWORD kDefaultPathPause = 500;
// The largest file a count can describe: the header and 65535 records.
constexpr qint64 kPortFileLimit = qint64(Records::kPortBlock) * 65536;
// Never handed out: the next id stops here, so ids never wrap to 0 or come round again.
constexpr uint32_t kIdsExhausted = 65535;

PortFiles::Resolver& ResolverSlot()
{
    static PortFiles::Resolver resolver;
    return resolver;
}

bool FromServer(const CAlertLeaf* leaf, PortFiles::Kind kind, QString* path)
{
    const CServerLeaf* server = leaf->GetServerLeaf<CServerLeaf>();
    if (!server)
        return false;
    return kind == PortFiles::Kind::Ports ? server->GetPortConfigFile(path) : server->GetDefaultPortConfigFile(path);
}
} // namespace

// ---- paths ----------------------------------------------------------------------------------------

namespace PortFiles {

void SetResolver(Resolver resolver)
{
    ResolverSlot() = std::move(resolver);
}

bool Query(const CAlertLeaf* leaf, Kind kind, QString* path)
{
    path->clear();
    if (!leaf || !leaf->GetServerLeaf<CServerLeaf>())
        return false;
    const bool found = ResolverSlot() ? ResolverSlot()(leaf, kind, path) : FromServer(leaf, kind, path);
    if (!found || path->isEmpty()) {
        path->clear();
        return false;
    }
    return true;
}

bool HostPath(const QString& windowsPath, QString* hostPath)
{
    return !windowsPath.isEmpty() && World::ResolvePath(windowsPath, hostPath) == 0 && !hostPath->isEmpty();
}

} // namespace PortFiles

// ---- CPortConfigLeaf ------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CPortConfigLeaf, CAlertLeaf)
    ON_COMMAND(ID_EDIT_NEW, OnNewItem)
    ON_UPDATE_COMMAND_UI(ID_EDIT_NEW, OnUpdateNewItem)
END_MESSAGE_MAP()

CPortConfigLeaf::CPortConfigLeaf()
    : m_portNames({QString(), QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                   QStringLiteral("COM4")}),
      m_baudRates({QStringLiteral("300"), QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                   QStringLiteral("9600")}),
      m_dataBits({QStringLiteral("7"), QStringLiteral("8")}),
      m_stopBits({QStringLiteral("1"), QStringLiteral("2")}),
      m_parities({LoadString(IDS_PARITY_NONE), LoadString(IDS_PARITY_EVEN), LoadString(IDS_PARITY_ODD)})
{
    m_name = LoadString(IDS_PORT);
    m_image = kPortConfigImage;
    // Until a file is read there is no next id: the first configuration gets id 1.
    m_header.nextId = 0;
}

CAlertLeaf* CPortConfigLeaf::CreateUnder(CAlertLeaf* parent)
{
    auto* leaf = new CPortConfigLeaf;
    if (!parent || !parent->InsertChild(leaf)) {
        delete leaf;
        return nullptr;
    }
    // Read now only when the service's directories are already known; otherwise the list is read
    // when it is first shown, so making the tree never waits on a service still starting.
    QString known;
    if (PortFiles::Query(leaf, PortFiles::Kind::Ports, &known))
        leaf->LoadPorts();
    return leaf;
}

QString CPortConfigLeaf::GetTitle()
{
    return LoadString(IDS_PORT);
}

void CPortConfigLeaf::Message(UINT id)
{
    QString machine;
    GetMachineName(&machine);
    AfxMessageBox(FormatString(id, {machine}), MB_OK | MB_ICONEXCLAMATION);
}

BOOL CPortConfigLeaf::GetPortFilePath(QString* path, BOOL showMessage)
{
    path->clear();
    if (!GetServerLeaf<CServerLeaf>())
        return 0;
    bool found = false;
    {
        CWaitCursor wait;
        const DWORD maxTry = ReadRegDword(kSectionSentrel, QString(), QStringLiteral("SetMaxTry"), kDefaultSetMaxTry);
        DWORD attempts = 0;
        for (;;) {
            ++attempts;
            found = PortFiles::Query(this, PortFiles::Kind::Ports, path);
            if (found || attempts >= maxTry)
                break;
            Timing::Sleep(kPortPathPause);
        }
        WriteRegDword(kSectionSentrel, QString(), QStringLiteral("PortMaxTry"), attempts);
    }
    if (!found && showMessage)
        Message(IDS_PORT_FILE_PATH_FAILED);
    return found;
}

BOOL CPortConfigLeaf::GetDefaultFilePath(QString* path, BOOL showMessage)
{
    path->clear();
    if (!GetServerLeaf<CServerLeaf>())
        return 0;
    bool found = false;
    {
        CWaitCursor wait;
        for (int i = 0; i < kDefaultPathTries && !found; ++i) {
            if (i > 0)
                Timing::Sleep(kDefaultPathPause);
            found = PortFiles::Query(this, PortFiles::Kind::Default, path);
        }
    }
    if (!found && showMessage)
        Message(IDS_DEFAULT_FILE_PATH_FAILED);
    return found;
}

bool CPortConfigLeaf::PortHostPath(QString* windowsPath, QString* hostPath)
{
    if (!GetPortFilePath(windowsPath, 1))
        return false;
    if (!PortFiles::HostPath(*windowsPath, hostPath)) {
        Message(IDS_PORT_FILE_OPEN_FAILED);
        return false;
    }
    return true;
}

bool CPortConfigLeaf::Changed(const QString& windowsPath) const
{
    const QString now = StaleWrite::FileStamp(windowsPath);
    return !now.isEmpty() && now != m_stamp;
}

BOOL CPortConfigLeaf::FileModified()
{
    QString windowsPath;
    if (!GetPortFilePath(&windowsPath, 1))
        return 0;
    return Changed(windowsPath);
}

void CPortConfigLeaf::LoadPorts()
{
    QString windowsPath;
    QString hostPath;
    if (!GetPortFilePath(&windowsPath, 1) || !Changed(windowsPath))
        return;
    if (!PortFiles::HostPath(windowsPath, &hostPath)) {
        Message(IDS_PORT_FILE_OPEN_FAILED);
        return;
    }
    // The stamp taken before and after the read describes what was read only when they agree;
    // otherwise the file is taken as changed again (and a save refuses to overwrite it).
    const QString before = StaleWrite::FileStamp(windowsPath);
    QByteArray data;
    Records::PortHeader header;
    QVector<Records::PortRecord> records;
    if (!Records::ReadWholeFile(hostPath, kPortFileLimit, &data) || !Records::ParsePortFile(data, &header, &records)) {
        Message(IDS_PORT_FILE_OPEN_FAILED);
        return;
    }

    m_ignoreChanges = 1;
    DeleteChildren();
    m_header = header;
    m_stamp = StaleWrite::FileStamp(windowsPath) == before ? before : QString();
    // Only the whole records the file holds (ParsePortFile stops at the first cut one).
    for (qsizetype n = 1; n <= records.size(); ++n) {
        auto* leaf = new CPortLeaf;
        if (!InsertChild(leaf)) {
            delete leaf;
            continue;
        }
        leaf->SetData(data.constData() + n * Records::kPortBlock, CPortLeaf::kVersion);
    }
    SortChildren();
    ReadDefault();
    RaiseNextId();
    m_ignoreChanges = 0;
}

uint16_t CPortConfigLeaf::PeekNextId() const
{
    uint32_t highest = 0;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        if (auto* port = dynamic_cast<CPortLeaf*>(child))
            highest = std::max<uint32_t>(highest, port->GetId());
    }
    uint32_t next = m_header.nextId;
    if (next == 0 || next <= highest)
        next = highest + 1;
    return next >= kIdsExhausted ? 0 : uint16_t(next);
}

void CPortConfigLeaf::RaiseNextId()
{
    const uint16_t next = PeekNextId();
    m_header.nextId = next ? next : uint16_t(kIdsExhausted);
}

void CPortConfigLeaf::ReadDefault()
{
    QString windowsPath;
    QString hostPath;
    uint16_t id = 1;
    if (!GetDefaultFilePath(&windowsPath, 1) || !PortFiles::HostPath(windowsPath, &hostPath) ||
        !Records::ReadDefaultPort(hostPath, &id))
        id = 1;
    m_defaultId = id;
}

BOOL CPortConfigLeaf::WriteDefault()
{
    QString windowsPath;
    if (!GetDefaultFilePath(&windowsPath, 1))
        return 0;
    QString hostPath;
    const bool resolved = PortFiles::HostPath(windowsPath, &hostPath);
    const bool existed = resolved && QFileInfo::exists(hostPath);
    if (resolved && Records::WriteDefaultPort(hostPath, m_defaultId))
        return 1;
    // A file that is there could not take the data; one that is not could not be made.
    Message(existed ? IDS_DEFAULT_FILE_WRITE_FAILED : IDS_DEFAULT_FILE_OPEN_FAILED);
    // What the leaf shows is what the file says.
    ReadDefault();
    return 0;
}

BOOL CPortConfigLeaf::SavePorts()
{
    QString windowsPath;
    QString hostPath;
    if (!PortHostPath(&windowsPath, &hostPath))
        return 0;
    QVector<Records::PortRecord> records;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        if (auto* port = dynamic_cast<CPortLeaf*>(child))
            records.append(port->Record());
    }
    if (records.size() == 1)
        m_defaultId = 1;

    bool changedElsewhere = false;
    bool written = false;
    const QFileInfo info(hostPath);
    const bool existed = info.exists();
    {
        // Under the file's lock nobody replaces the file between the check and the write.
        Records::FileLock lock(Records::LockPathFor(hostPath));
        if (lock.IsLocked()) {
            changedElsewhere = Changed(windowsPath);
            if (!changedElsewhere && (!existed || info.isWritable())) {
                const QByteArray data = Records::SerializePortFile(m_header, records);
                written = !data.isEmpty() && Records::ReplaceFile(hostPath, data);
                if (written)
                    m_stamp = StaleWrite::FileStamp(windowsPath);
            }
        }
    }
    if (changedElsewhere) {
        // Someone else's configuration is not overwritten with ours: show theirs, then say so.
        LoadPorts();
        QString machine;
        GetMachineName(&machine);
        StaleWrite::Report(StaleWrite::Refused, machine, QStringLiteral("PORT.CFG"));
        return 0;
    }
    if (!written) {
        Message(existed ? IDS_PORT_FILE_NOT_WRITTEN : IDS_PORT_FILE_OPEN_FAILED);
        // The next display shows what the file holds.
        m_stamp.clear();
        return 0;
    }
    return WriteDefault();
}

const QStringList& CPortConfigLeaf::Texts(List list) const
{
    switch (list) {
    case List::PortName:
        return m_portNames;
    case List::BaudRate:
        return m_baudRates;
    case List::DataBits:
        return m_dataBits;
    case List::StopBits:
        return m_stopBits;
    case List::Parity:
        break;
    }
    return m_parities;
}

BOOL CPortConfigLeaf::TextFromIndex(List list, int index, QString* text) const
{
    const QStringList& texts = Texts(list);
    if (index < 0 || index >= texts.size())
        return 0;
    *text = texts[index];
    return 1;
}

int CPortConfigLeaf::IndexFromText(List list, const QString& text) const
{
    return int(Texts(list).indexOf(text));
}

void CPortConfigLeaf::GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                                     CLeafArray* objects)
{
    LoadPorts();
    ForEachChildGetDisplayData(requestedFormat, producedFormat, heading, rows, objects);
    if (heading)
        *heading = LoadString(IDS_PORT_HEADING);
    if (producedFormat)
        *producedFormat = DISPLAY_COLUMNS;
}

void CPortConfigLeaf::ChildModified(CAlertLeaf*)
{
    if (!m_ignoreChanges)
        SavePorts();
}

void CPortConfigLeaf::NewItem(UINT, int, int)
{
    const uint16_t id = PeekNextId();
    if (id == 0) {
        Message(IDS_PORT_IDS_EXHAUSTED);
        return;
    }
    auto* leaf = new CPortLeaf;
    leaf->SetNew(id);
    if (!InsertChild(leaf)) {
        delete leaf;
        return;
    }
    m_header.nextId = uint16_t(id + 1);
    CWeakPtr<CPortLeaf> guard(leaf);
    if (leaf->Edit() || !guard)
        return;
    // Cancelled: the configuration goes unwritten; the advanced next id is kept.
    CQuietRebuild quiet(this);
    leaf->DeleteLeaf();
}

// ---- CPortLeaf ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CPortLeaf, CAlertLeaf)
    ON_COMMAND(ID_EDIT_EDIT, OnEdit)
    ON_UPDATE_COMMAND_UI(ID_EDIT_EDIT, OnUpdateAlways)
    ON_COMMAND(ID_EDIT_DELETE, OnDelete)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateDelete)
    ON_COMMAND(ID_EDIT_USE_AS_DEFAULT, OnUseAsDefault)
    ON_UPDATE_COMMAND_UI(ID_EDIT_USE_AS_DEFAULT, OnUpdateAlways)
END_MESSAGE_MAP()

CPortLeaf::CPortLeaf()
{
    m_image = kPortImage;
    m_menuId = IDR_PORT_MENU;
}

QString CPortLeaf::GetTitle()
{
    return LoadString(IDS_PORT);
}

CPortConfigLeaf* CPortLeaf::ConfigParent() const
{
    return dynamic_cast<CPortConfigLeaf*>(GetParentLeaf());
}

BOOL CPortLeaf::SetData(const void* record, int version)
{
    if (m_loaded)
        return 0;
    m_version = version;
    if (version != kVersion)
        return 0;
    return SetAsVer10(static_cast<const BYTE*>(record));
}

BOOL CPortLeaf::SetAsVer10(const BYTE* record)
{
    if (!record)
        return 0;
    Records::ParsePortRecord(QByteArray(reinterpret_cast<const char*>(record), Records::kPortBlock), &m_record);
    m_loaded = 1;
    SetName(GetDescription());
    return 1;
}

void CPortLeaf::SetNew(uint16_t id)
{
    m_record = Records::PortRecord();
    m_record.id = id;
    m_version = kVersion;
    m_loaded = 1;
}

void CPortLeaf::GetRecord(BYTE* buffer) const
{
    const QByteArray block = Records::SerializePortRecord(m_record);
    std::copy(block.begin(), block.end(), reinterpret_cast<char*>(buffer));
}

void CPortLeaf::SetFields(const QString& description, uint16_t portNumber, const QString& portName, int32_t baud,
                          int32_t dataBits, int32_t parity, int32_t stopBits)
{
    // Held as it will be stored, so the tree shows what the file gets.
    m_record.description = Records::CutUtf8(description.toUtf8(), kDescriptionStored);
    m_record.portNumber = portNumber;
    m_record.portName = Records::CutUtf8(portName.toUtf8(), 255);
    m_record.baudIndex = baud;
    m_record.dataBitsIndex = dataBits;
    m_record.parityIndex = parity;
    m_record.stopBitsIndex = stopBits;
}

BOOL CPortLeaf::IsDefault() const
{
    const CPortConfigLeaf* config = ConfigParent();
    return config && config->GetDefault() == m_record.id;
}

void CPortLeaf::SetAsDefault()
{
    if (CPortConfigLeaf* config = ConfigParent()) {
        config->SetDefault(m_record.id);
        config->WriteDefault();
    }
}

bool CPortLeaf::Edit()
{
    CPortDlg dialog(this, QApplication::activeWindow());
    if (UiHost::Current()->RunModal(&dialog) != IDOK || !IsLive(this))
        return false;
    dialog.Apply(this);
    SetName(GetDescription());
    SetModified(1);
    CAlertTreeCtrl* tree = m_tree;
    // Writes both files; a file changed elsewhere is reloaded instead, which replaces this leaf.
    if (CAlertLeaf* parent = GetParentLeaf())
        parent->ChildModified(this);
    if (CAlertLeaf* selected = tree ? tree->GetSelectedLeaf() : nullptr)
        selected->Redisplay();
    return true;
}

void CPortLeaf::OnDoubleClick(UINT, int, int)
{
    Edit();
}

void CPortLeaf::OnDelete()
{
    if (m_record.id == 1) {
        AfxMessageBox(IDS_SYSTEM_DEFAULT_PORT, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (CPortConfigLeaf* config = ConfigParent(); config && IsDefault())
        config->SetDefault(1);
    // The parent hears of it and writes both files.
    DeleteLeaf();
}

void CPortLeaf::OnUseAsDefault()
{
    SetAsDefault();
    // The list the leaf sits in shows the default too.
    CAlertLeaf* parent = GetParentLeaf();
    if (parent && parent->IsSelected())
        parent->Redisplay();
    else
        Redisplay();
}

void CPortLeaf::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList* rows, CLeafArray* objects)
{
    const CPortConfigLeaf* config = ConfigParent();
    if (!config)
        return;
    const bool isDefault = IsDefault();
    QString row = QString::fromUtf8(m_record.portName) + QLatin1Char('\t') + GetDescription();
    if (isDefault)
        row += QStringLiteral(" (%1)").arg(LoadString(IDS_DEFAULT));
    const std::pair<CPortConfigLeaf::List, int> columns[] = {
        {CPortConfigLeaf::List::PortName, m_record.portNumber},
        {CPortConfigLeaf::List::BaudRate, m_record.baudIndex},
        {CPortConfigLeaf::List::Parity, m_record.parityIndex},
        {CPortConfigLeaf::List::DataBits, m_record.dataBitsIndex},
        {CPortConfigLeaf::List::StopBits, m_record.stopBitsIndex},
    };
    for (const auto& [list, index] : columns) {
        QString text;
        config->TextFromIndex(list, index, &text);
        row += QLatin1Char('\t') + text;
    }
    row += QLatin1Char('\t') + LoadString(isDefault ? IDS_YES : IDS_NO);
    if (heading)
        *heading = LoadString(IDS_PORT_HEADING);
    if (rows)
        rows->append(row);
    if (objects)
        objects->append(this);
    if (producedFormat)
        *producedFormat = DISPLAY_LABELS;
}
