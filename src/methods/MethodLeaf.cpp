#include "methods/MethodLeaf.h"

#include "extern/Tarnix.h"
#include "framework/Commands.h"
#include "framework/Switches.h"
#include "platform/GlobalMemory.h"
#include "records/ByteField.h"
#include "res/Resources.h"

namespace {
constexpr UINT IDS_COMBINED_HEADING = 4010;

constexpr UINT IDS_BROADCAST = 5003;
constexpr UINT IDS_BROADCAST_HEADING = 4000;
constexpr UINT IDS_BROADCAST_TITLE = 4500;
constexpr int kBroadcastImage = 2;

constexpr UINT IDS_SMTP = 5029;
constexpr UINT IDS_SMTP_HEADING = 4020;
constexpr UINT IDS_SMTP_TITLE = 4501;
constexpr int kSmtpImage = 4;
constexpr UINT IDR_SMTP_MENU = 190;

constexpr int32_t kTestPriority = 3;

const char* Chars(const void* p) { return static_cast<const char*>(p); }
} // namespace

// ---- CMethodLeaf --------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMethodLeaf, CAbstractDataLeaf)
    ON_COMMAND(ID_EDIT_PASTE, OnPaste)
    ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdatePaste)
END_MESSAGE_MAP()

CMethodLeaf::CMethodLeaf(const MethodSpec& spec) : m_spec(spec)
{
    m_name = LoadString(spec.nameId);
    m_image = spec.image;
}

QString CMethodLeaf::GetTitle()
{
    return LoadString(m_spec.nameId);
}

void CMethodLeaf::ChildModified(CAlertLeaf*)
{
    m_modified = 1;
    if (CAlertLeaf* parent = GetParentLeaf())
        parent->ChildModified(this);
}

void CMethodLeaf::RefreshFromCfg(const QString& machine, const QString& application)
{
    int32_t count = 0;
    void* block = nullptr;
    const QByteArray m = machine.toUtf8();
    const QByteArray a = application.toUtf8();
    if (m_spec.get(m.constData(), &count, &block, a.constData()) != 1)
        return;
    RECORDBLOCK records;
    records.count = count;
    records.records = static_cast<const BYTE*>(block);
    records.size = block ? GlobalSize(block) : 0;
    SetData(&records, m_spec.version);
    if (block)
        GlobalFree(block);
}

BOOL CMethodLeaf::SetDataV0(const void* data)
{
    DeleteChildren();
    const auto* block = static_cast<const RECORDBLOCK*>(data);
    if (!block || block->count < 0)
        return 0;
    // The library's count is checked against the bytes it really handed over.
    const size_t size = m_spec.recordSize;
    if (block->count > 0 && (!block->records || size == 0 || size_t(block->count) > block->size / size))
        return 0;
    const BYTE* record = block->records;
    for (int32_t i = 0; i < block->count; ++i, record += size) {
        CRecipientLeaf* recipient = NewRecipient();
        if (!recipient)
            continue;
        if (!InsertChild(recipient)) {
            delete recipient;
            continue;
        }
        recipient->SetData(record, m_dataVersion);
    }
    m_modified = 0;
    return 1;
}

BOOL CMethodLeaf::GetDataV0(OUTPUTDESC* out)
{
    BYTE* position = out->position;
    size_t room = out->room;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        auto* recipient = dynamic_cast<CAbstractDataLeaf*>(child);
        if (!recipient)
            continue;
        const size_t size = recipient->GetDataSize(m_dataVersion);
        if (size > room)
            break;
        OUTPUTDESC one;
        one.position = position;
        one.room = size;
        recipient->GetData(&one, m_dataVersion);
        out->count += one.count;
        position += size;
        room -= size;
    }
    return 1;
}

size_t CMethodLeaf::GetDataSizeV0()
{
    size_t total = 0;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        if (auto* recipient = dynamic_cast<CAbstractDataLeaf*>(child))
            total += recipient->GetDataSize(m_dataVersion);
    }
    return total;
}

void CMethodLeaf::WriteToCfg(const QString& machine, const QString& application)
{
    if (!m_modified)
        return;
    const size_t size = GetDataSize(m_spec.version);
    HGLOBAL block = GlobalAlloc(GPTR, size ? size : 1);
    if (!block)
        return;
    OUTPUTDESC out;
    out.position = static_cast<BYTE*>(block);
    out.room = size;
    GetData(&out, m_spec.version);
    const QByteArray m = machine.toUtf8();
    const QByteArray a = application.toUtf8();
    m_spec.set(m.constData(), out.count, block, uint8_t(out.count != 0 ? 1 : 0), a.constData());
    GlobalFree(block);
    m_modified = 0;
}

void CMethodLeaf::GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                                 CLeafArray* objects)
{
    ForEachChildGetDisplayData(requestedFormat, producedFormat, heading, rows, objects);
    if (heading)
        *heading = LoadString(m_spec.headingId);
    if (producedFormat)
        *producedFormat = DISPLAY_COLUMNS;
}

// ---- CRecipientLeaf -----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CRecipientLeaf, CAbstractDataLeaf)
    ON_COMMAND(ID_EDIT_DELETE, OnDelete)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateAlways)
    ON_COMMAND(ID_EDIT_TEST_MESSAGE, OnTestMessage)
    ON_UPDATE_COMMAND_UI(ID_EDIT_TEST_MESSAGE, OnUpdateAlways)
END_MESSAGE_MAP()

QString CRecipientLeaf::GetTitle()
{
    return LoadString(GetTitleId());
}

void CRecipientLeaf::OnDoubleClick(UINT flags, int x, int y)
{
    if (CAlertLeaf* parent = GetParentLeaf())
        parent->NewItem(flags, x, y);
}

void CRecipientLeaf::NewItem(UINT flags, int x, int y)
{
    if (CAlertLeaf* parent = GetParentLeaf())
        parent->NewItem(flags, x, y);
}

void CRecipientLeaf::GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                                    CLeafArray* objects)
{
    QString row = LoadString(GetMethodNameId()) + QLatin1Char('\t');
    if ((requestedFormat & 0xFFFF) == DISPLAY_COLUMNS) {
        row += GetRecipientText() + QLatin1Char('\t') + LoadString(GetTitleId());
        if (heading)
            *heading = LoadString(IDS_COMBINED_HEADING);
    } else {
        row += GetColumns();
        if (heading)
            *heading = LoadString(GetHeadingId());
    }
    if (rows)
        rows->append(row);
    if (objects)
        objects->append(this);
    if (producedFormat)
        *producedFormat = DISPLAY_LABELS;
}

void CRecipientLeaf::OnDelete()
{
    // The method hears it first (its list is written without this recipient when the deletion
    // below notifies it again).
    CAlertLeaf* parent = GetParentLeaf();
    if (parent && Switches::NotifyParent())
        parent->ChildModified(nullptr);
    DeleteLeaf();
}

void CRecipientLeaf::OnTestMessage()
{
    SendTestMessage(GetMethodBit(), kTestPriority);
}

// ---- broadcast ----------------------------------------------------------------------------------

CBroadcastRecipientLeaf::CBroadcastRecipientLeaf()
{
    m_image = kBroadcastImage;
}

void CBroadcastRecipientLeaf::SetRecipientName(const QString& name)
{
    m_recipientName = name;
    m_name = name;
}

UINT CBroadcastRecipientLeaf::GetMethodNameId() const { return IDS_BROADCAST; }
UINT CBroadcastRecipientLeaf::GetTitleId() const { return IDS_BROADCAST_TITLE; }
UINT CBroadcastRecipientLeaf::GetHeadingId() const { return IDS_BROADCAST_HEADING; }

BOOL CBroadcastRecipientLeaf::SetDataV0(const void* data)
{
    if (!data)
        return 0;
    QString text = Records::FieldText(Chars(data), qsizetype(kRecordSize));
    if (text.endsWith(QLatin1Char('*')))
        text.chop(1);
    if (!SetName(text))
        return 0;
    m_recipientName = text;
    return 1;
}

BOOL CBroadcastRecipientLeaf::GetDataV0(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    QByteArray text = m_recipientName.toUtf8();
    if (!text.startsWith("\\\\"))
        text += '*';
    out->count = 1;
    Records::PutField(reinterpret_cast<char*>(out->position), qsizetype(kRecordSize), text);
    return 1;
}

CBroadcastMethodLeaf::CBroadcastMethodLeaf()
    : CMethodLeaf({IDS_BROADCAST, kBroadcastImage, IDS_BROADCAST_HEADING, 0, CBroadcastRecipientLeaf::kRecordSize,
                   AlertGetBroadcast, AlertSetBroadcast})
{
}

// ---- SMTP ---------------------------------------------------------------------------------------

CSMTPRecipientLeaf::CSMTPRecipientLeaf()
{
    m_image = kSmtpImage;
    m_menuId = IDR_SMTP_MENU;
}

void CSMTPRecipientLeaf::SetFields(const QString& address, const QString& displayName)
{
    m_address = address;
    m_displayName = displayName;
    m_name = address;
}

UINT CSMTPRecipientLeaf::GetMethodNameId() const { return IDS_SMTP; }
UINT CSMTPRecipientLeaf::GetTitleId() const { return IDS_SMTP_TITLE; }
UINT CSMTPRecipientLeaf::GetHeadingId() const { return IDS_SMTP_HEADING; }

QString CSMTPRecipientLeaf::GetColumns() const
{
    return m_address + QLatin1Char('\t') + m_displayName;
}

BOOL CSMTPRecipientLeaf::SetDataV2(const void* data)
{
    if (!data)
        return 0;
    const QString address = Records::FieldText(Chars(data) + kAddressOffset, kAddressSize);
    const QString displayName = Records::FieldText(Chars(data) + kDisplayNameOffset, kDisplayNameSize);
    if (!SetName(address))
        return 0;
    m_address = address;
    m_displayName = displayName;
    return 1;
}

BOOL CSMTPRecipientLeaf::GetDataV2(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    char* record = reinterpret_cast<char*>(out->position);
    Records::PutField(record + kAddressOffset, kAddressSize, m_address.toUtf8());
    Records::PutField(record + kDisplayNameOffset, kDisplayNameSize, m_displayName.toUtf8());
    out->count = 1;
    return 1;
}

CSMTPMethodLeaf::CSMTPMethodLeaf()
    : CMethodLeaf({IDS_SMTP, kSmtpImage, IDS_SMTP_HEADING, 2, CSMTPRecipientLeaf::kRecordSize, AlertGetSMTP,
                   AlertSetSMTP})
{
    m_menuId = IDR_SMTP_MENU;
}
