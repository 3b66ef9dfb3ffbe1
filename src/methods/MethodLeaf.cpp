#include "methods/MethodLeaf.h"

#include "extern/Tarnix.h"
#include "framework/Commands.h"
#include "framework/UiHost.h"
#include "tree/ALTLeaf.h"
#include "tree/LeafNotify.h"
#include "platform/GlobalMemory.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"
#include "res/Resources.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstring>

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

constexpr UINT IDS_EVENTLOG = 5008;
constexpr UINT IDS_EVENTLOG_HEADING = 4003;
constexpr UINT IDS_EVENTLOG_TITLE = 4503;
constexpr int kEventLogImage = 14;
constexpr UINT IDS_EVENTLOG_UNPACK_FAILED = 5123;
constexpr UINT IDS_EVENTLOG_PACK_FAILED = 5124;

constexpr UINT IDS_TICKET = 5009;
constexpr UINT IDS_TICKET_HEADING = 4005;
constexpr UINT IDS_TICKET_COMBINED = 4505;
constexpr int kTicketImage = 18;

constexpr int kSmtpRecipientImage = 6;

constexpr UINT IDS_SNMP = 5006;
constexpr UINT IDS_SNMP_HEADING = 4011;
constexpr UINT IDS_SNMP_TITLE = 4504;
constexpr UINT IDS_SNMP_IPX_TEXT = 9008;
constexpr UINT IDS_SNMP_IP_TEXT = 9007;
constexpr int kSnmpImage = 3;
constexpr int kSnmpIpxImage = 17;
constexpr int kSnmpIpImage = 16;

constexpr UINT IDS_NOTES = 5026;
constexpr UINT IDS_NOTES_HEADING = 4016;
constexpr UINT IDS_NOTES_COMBINED = 4512;
constexpr UINT IDS_CLASS_CC = 3506;
constexpr UINT IDS_CLASS_TO = 3507;
constexpr UINT IDS_CLASS_SEPARATOR = 3508;
constexpr int kNotesImage = 27;
constexpr int kNotesRecipientImage = 6;
constexpr UINT IDR_NOTES_MENU = 171;

constexpr UINT IDS_PAGER = 5004;
constexpr UINT IDS_PAGER_HEADING = 4001;
constexpr UINT IDS_PAGER_ALPHANUMERIC = 4506;
constexpr UINT IDS_PAGER_NUMERIC = 4507;
constexpr UINT IDS_PAGER_UNKNOWN = 4508;
constexpr int kPagerImage = 1;

constexpr UINT IDS_EMAIL = 5005;
constexpr UINT IDS_EMAIL_MAIL = 5024;
constexpr UINT IDS_EMAIL_EXCHANGE = 5025;
constexpr UINT IDS_EMAIL_HEADING = 4002;
constexpr UINT IDS_EMAIL_TITLE = 4502;
constexpr int kEmailMailImage = 4;
constexpr int kEmailExchangeImage = 29;
constexpr int kEmailRecipientImage = 6;
constexpr UINT IDR_EMAIL_MENU = 170;

const char* Chars(const void* p) { return static_cast<const char*>(p); }

// Records are read and written while a table loads or is written. A box there would turn the
// event loop, in which a refresh could reload the same table and destroy the leaves being
// loaded; the box waits until the load or the write is over.
void ReportAfterwards(UINT id)
{
    QTimer::singleShot(0, QCoreApplication::instance(), [id] { AfxMessageBox(id, MB_OK | MB_ICONEXCLAMATION); });
}
} // namespace

// ---- CMethodLeaf --------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMethodLeaf, CAbstractDataLeaf)
    ON_COMMAND(ID_EDIT_PASTE, OnPaste)
    ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdatePaste)
    ON_COMMAND(ID_EDIT_NEW, OnRecipientsDialog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_NEW, OnUpdateNewItem)
END_MESSAGE_MAP()

CMethodLeaf::CMethodLeaf(const MethodTraits& traits) : m_traits(traits)
{
    m_name = LoadString(traits.nameId);
    m_image = traits.image;
}

QString CMethodLeaf::GetTitle()
{
    return LoadString(m_traits.nameId);
}

void CMethodLeaf::NewItem(UINT, int, int)
{
    // False as well when the dialog's loop destroyed this leaf.
    if (!RunRecipientDialog())
        return;
    SortChildren();
    m_modified = 1;
    NotifyChildModified(GetParentLeaf(), this);
    // The write may have shown a message box, during which this leaf could have gone.
    if (IsLive(this) && IsSelected())
        Redisplay();
}

void CMethodLeaf::ChildModified(CAlertLeaf*)
{
    m_modified = 1;
    NotifyChildModified(GetParentLeaf(), this);
}

void CMethodLeaf::RefreshFromCfg(const QString& machine, const QString& application)
{
    int32_t count = 0;
    void* block = nullptr;
    const QByteArray m = machine.toUtf8();
    const QByteArray a = application.toUtf8();
    if (m_traits.get(m.constData(), &count, &block, a.constData()) != 1)
        return;
    RECORDBLOCK records;
    records.count = count;
    records.records = static_cast<const BYTE*>(block);
    records.size = block ? GlobalSize(block) : 0;
    SetData(&records, m_traits.version);
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
    const size_t size = m_traits.recordSize;
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

BOOL CMethodLeaf::GetData(OUTPUTDESC* out, int version)
{
    if (!out || version < 0 || version > kHighestVersion)
        return 0;
    BYTE* position = out->position;
    size_t room = out->room;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        auto* recipient = dynamic_cast<CAbstractDataLeaf*>(child);
        if (!recipient)
            continue;
        const size_t size = recipient->GetDataSize(version);
        if (size > room)
            break;
        OUTPUTDESC one;
        one.position = position;
        one.room = size;
        recipient->GetData(&one, version);
        out->count += one.count;
        position += size;
        room -= size;
    }
    return 1;
}

size_t CMethodLeaf::GetDataSize(int version)
{
    if (version < 0 || version > kHighestVersion)
        return 0;
    size_t total = 0;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        if (auto* recipient = dynamic_cast<CAbstractDataLeaf*>(child))
            total += recipient->GetDataSize(version);
    }
    return total;
}

void CMethodLeaf::WriteToCfg(const QString& machine, const QString& application)
{
    if (!m_modified)
        return;
    const size_t size = GetDataSize(m_traits.version);
    HGLOBAL block = GlobalAlloc(GPTR, size ? size : 1);
    if (!block)
        return;
    OUTPUTDESC out;
    out.position = static_cast<BYTE*>(block);
    out.room = size;
    GetData(&out, m_traits.version);
    const QByteArray m = machine.toUtf8();
    const QByteArray a = application.toUtf8();
    const uint8_t nonEmpty = out.count != 0 ? 1 : 0;
    int32_t written = 0;
    if (m_traits.setWithImage) {
        // The method's own fields of the table image travel with its list.
        QByteArray image(CALTLeaf::kImageSize, '\0');
        if (CALTLeaf* table = GetALTLeaf<CALTLeaf>())
            image = table->GetImage().leftJustified(CALTLeaf::kImageSize, '\0', true);
        written = m_traits.setWithImage(m.constData(), out.count, block, image.constData(), nonEmpty, a.constData());
    } else if (m_traits.set) {
        written = m_traits.set(m.constData(), out.count, block, nonEmpty, a.constData());
    }
    GlobalFree(block);
    // Cleared only once the library took the list; a refused write stays pending, the table
    // reports it and the next change tries again.
    m_modified = written == 1 ? 0 : 1;
}

void CMethodLeaf::GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                                 CLeafArray* objects)
{
    ForEachChildGetDisplayData(requestedFormat, producedFormat, heading, rows, objects);
    if (heading)
        *heading = LoadString(m_traits.headingId);
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

QString CRecipientLeaf::GetCombinedColumns() const
{
    return GetRecipientText() + QLatin1Char('\t') + LoadString(GetTitleId());
}

QString CRecipientLeaf::GetTitle()
{
    return LoadString(GetTitleId());
}

void CRecipientLeaf::OnDoubleClick(UINT flags, int x, int y)
{
    if (CAlertLeaf* parent = GetParentLeaf())
        parent->NewItem(flags, x, y);
}

void CRecipientLeaf::AfterEdit()
{
    SetModified(1);
    if (CAlertLeaf* parent = GetParentLeaf()) {
        parent->SortChildren();
        // Nothing of this leaf is used after the write: a reload may have replaced it, and a
        // message box may have let the method go.
        NotifyChildModified(parent, this);
        if (IsLive(parent) && parent->GetSelectedLeaf() == parent)
            parent->Redisplay();
    }
}

void CMethodLeaf::InsertAndEdit(CRecipientLeaf* leaf, bool (*edit)(CRecipientLeaf*))
{
    if (!InsertChild(leaf)) {
        delete leaf;
        return;
    }
    // A reload while the dialog ran may have taken the new leaf with its method already; a leaf
    // the reload made may sit at the same address, so the guard, not the address, decides.
    CWeakPtr<CRecipientLeaf> guard(leaf);
    if (edit(leaf) || !guard)
        return;
    // The new recipient was never written, so its going is no change to write either.
    CQuietRebuild quiet(this);
    leaf->DeleteLeaf();
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
        row += GetCombinedColumns();
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
    // The deletion tells the method once, and the method writes its list without this
    // recipient. (Telling it beforehand as well wrote the list twice, and a reload caused by
    // that first write would have deleted this leaf under the deletion.)
    DeleteLeaf();
}

void CRecipientLeaf::OnTestMessage()
{
    if (const uint32_t bit = GetMethodBit())
        SendTestMessage(bit, kTestPriority);
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
    const QString text = Records::RecipientNameFromStored(Records::FieldText(Chars(data), qsizetype(kRecordSize)));
    if (!SetName(text))
        return 0;
    m_recipientName = text;
    return 1;
}

BOOL CBroadcastRecipientLeaf::GetDataV0(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    out->count = 1;
    Records::PutField(reinterpret_cast<char*>(out->position), qsizetype(kRecordSize),
                      Records::StoredRecipientName(m_recipientName.toUtf8()));
    return 1;
}

BEGIN_MESSAGE_MAP(CBroadcastMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_DELETE, OnRecipientsDialog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateDeleteItem)
END_MESSAGE_MAP()

CBroadcastMethodLeaf::CBroadcastMethodLeaf()
    : CMethodLeaf({IDS_BROADCAST, kBroadcastImage, IDS_BROADCAST_HEADING, 0, CBroadcastRecipientLeaf::kRecordSize,
                   AlertGetBroadcast, AlertSetBroadcast})
{
}

// ---- SMTP ---------------------------------------------------------------------------------------

CSMTPRecipientLeaf::CSMTPRecipientLeaf()
{
    m_image = kSmtpRecipientImage;
    m_menuId = IDR_SMTP_MENU;
}

void CSMTPRecipientLeaf::SetFields(const QString& address, const QString& displayName)
{
    m_address = address;
    m_displayName = displayName;
    m_name = displayName;
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
    // The tree shows the display name.
    if (!SetName(displayName))
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

// ---- Windows event log ----------------------------------------------------------------------------

CEventLogRecipientLeaf::CEventLogRecipientLeaf()
{
    m_image = kEventLogImage;
}

void CEventLogRecipientLeaf::SetFields(const QString& machine, const QString& domain, const QString& user,
                                       const QString& password)
{
    m_machine = machine;
    m_domain = domain;
    m_user = user;
    m_password = password;
    m_name = machine;
}

UINT CEventLogRecipientLeaf::GetMethodNameId() const { return IDS_EVENTLOG; }
UINT CEventLogRecipientLeaf::GetTitleId() const { return IDS_EVENTLOG_TITLE; }
UINT CEventLogRecipientLeaf::GetHeadingId() const { return IDS_EVENTLOG_HEADING; }

BOOL CEventLogRecipientLeaf::SetDataV0(const void* data)
{
    QByteArray machine, domain, user, password;
    if (!data || !Records::ReadEventLogRecipient(Chars(data), &machine, &domain, &user, &password)) {
        ReportAfterwards(IDS_EVENTLOG_UNPACK_FAILED);
        return 0;
    }
    const QString text = Records::RecipientNameFromStored(QString::fromUtf8(machine));
    if (!SetName(text))
        return 0;
    m_machine = text;
    m_domain = QString::fromUtf8(domain);
    m_user = QString::fromUtf8(user);
    m_password = QString::fromUtf8(password);
    return 1;
}

BOOL CEventLogRecipientLeaf::GetDataV0(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    out->count = 1;
    const QByteArray record = Records::MakeEventLogRecord(m_machine.toUtf8(), m_domain.toUtf8(), m_user.toUtf8(),
                                                          m_password.toUtf8());
    if (record.size() != qsizetype(kRecordSize)) {
        ReportAfterwards(IDS_EVENTLOG_PACK_FAILED);
        return 1;
    }
    std::memcpy(out->position, record.constData(), kRecordSize);
    return 1;
}

BEGIN_MESSAGE_MAP(CEventLogMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_DELETE, OnRecipientsDialog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateDeleteItem)
END_MESSAGE_MAP()

CEventLogMethodLeaf::CEventLogMethodLeaf()
    : CMethodLeaf({IDS_EVENTLOG, kEventLogImage, IDS_EVENTLOG_HEADING, 0, CEventLogRecipientLeaf::kRecordSize,
                   AlertGetEventLog, AlertSetEventLog})
{
}

// ---- trouble ticket --------------------------------------------------------------------------------

CTicketRecipientLeaf::CTicketRecipientLeaf()
{
    m_image = kTicketImage;
}

void CTicketRecipientLeaf::SetFields(const QString& server, const QString& queue, const QString& user,
                                     const QString& password)
{
    m_server = server;
    m_queue = queue;
    m_user = user;
    m_password = password;
    m_name = GetRecipientText();
}

void CTicketRecipientLeaf::SetAccount(const QString& domain, const QString& user, const QString& password)
{
    m_domain = domain;
    m_user = user;
    m_password = password;
}

UINT CTicketRecipientLeaf::GetMethodNameId() const { return IDS_TICKET; }
UINT CTicketRecipientLeaf::GetTitleId() const { return IDS_TICKET; }
UINT CTicketRecipientLeaf::GetHeadingId() const { return IDS_TICKET_HEADING; }

QString CTicketRecipientLeaf::GetColumns() const
{
    return m_server + QLatin1Char('\t') + m_queue + QLatin1Char('\t') + m_user;
}

QString CTicketRecipientLeaf::GetCombinedColumns() const
{
    return GetRecipientText() + QLatin1Char('\t') + LoadString(IDS_TICKET_COMBINED);
}

BOOL CTicketRecipientLeaf::SetDataV0(const void* data)
{
    if (!data)
        return 0;
    const char* record = Chars(data);
    const QString path = Records::FieldText(record + kPathOffset, kTextSize);
    const qsizetype cut = path.lastIndexOf(QLatin1Char('\\'));
    const QString server = cut >= 0 ? path.left(cut) : QString();
    const QString queue = cut >= 0 ? path.mid(cut + 1) : path;
    if (!SetName(server + QLatin1Char('\\') + queue))
        return 0;
    m_record = QByteArray(record, qsizetype(kRecordSize));
    m_user = Records::FieldText(record + kUserOffset, kTextSize);
    m_password = Records::FieldText(record + kPasswordOffset, kTextSize);
    m_server = server;
    m_queue = queue;
    return 1;
}

BOOL CTicketRecipientLeaf::GetDataV0(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    QByteArray record = m_record;
    record.resize(qsizetype(kRecordSize), '\0');
    Records::PutField(record.data() + kUserOffset, kTextSize, m_user.toUtf8());
    Records::PutField(record.data() + kPasswordOffset, kTextSize, m_password.toUtf8());
    Records::PutField(record.data() + kPathOffset, kTextSize, GetRecipientText().toUtf8());
    Records::PutField(record.data() + kServerOffset, kTextSize, m_server.toUtf8());
    std::memcpy(out->position, record.constData(), kRecordSize);
    out->count = 1;
    return 1;
}

BEGIN_MESSAGE_MAP(CTicketMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_EDIT, OnRecipientsDialog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_EDIT, OnUpdateDeleteItem)
    ON_COMMAND(ID_EDIT_DELETE, OnRecipientsDialog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateDeleteItem)
END_MESSAGE_MAP()

CTicketMethodLeaf::CTicketMethodLeaf()
    : CMethodLeaf({IDS_TICKET, kTicketImage, IDS_TICKET_HEADING, 0, CTicketRecipientLeaf::kRecordSize,
                   AlertGetTTixPRINTQ_HEADER, nullptr, AlertSetTTixPRINTQ_HEADER})
{
}

// ---- SNMP ---------------------------------------------------------------------------------------

CSnmpRecipientLeaf::CSnmpRecipientLeaf()
{
    m_image = kSnmpImage;
}

UINT CSnmpRecipientLeaf::GetMethodNameId() const { return IDS_SNMP; }
UINT CSnmpRecipientLeaf::GetTitleId() const { return IDS_SNMP_TITLE; }
UINT CSnmpRecipientLeaf::GetHeadingId() const { return IDS_SNMP_HEADING; }

QString CSnmpRecipientLeaf::GetIpText() const
{
    const auto* b = reinterpret_cast<const uint8_t*>(m_ip.constData());
    return QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
}

QString CSnmpRecipientLeaf::GetIpxText() const
{
    return QString::fromLatin1(m_network.toHex().toUpper()) + QLatin1Char('.') +
           QString::fromLatin1(m_node.toHex().toUpper());
}

QString CSnmpRecipientLeaf::GetColumns() const
{
    QString method;
    QString address;
    if (m_sendMethod == kSendIpx) {
        method = LoadString(IDS_SNMP_IPX_TEXT);
        address = GetIpxText();
    } else if (m_sendMethod == kSendIp) {
        method = LoadString(IDS_SNMP_IP_TEXT);
        address = GetIpText();
    }
    return m_manager + QLatin1Char('\t') + method + QLatin1Char('\t') + address;
}

BOOL CSnmpRecipientLeaf::SetDataV0(const void* data)
{
    if (!data)
        return 0;
    const char* record = Chars(data);
    const QString manager = Records::FieldText(record + kManagerOffset, kManagerSize);
    if (!SetName(manager))
        return 0;
    m_manager = manager;
    m_sendMethod = uint8_t(record[kMethodOffset]);
    m_ip = QByteArray(record + kIpOffset, kIpSize);
    m_node = QByteArray(record + kNodeOffset, kNodeSize);
    m_network = QByteArray(record + kNetworkOffset, kNetworkSize);
    const int image = m_sendMethod == kSendIpx ? kSnmpIpxImage : m_sendMethod == kSendIp ? kSnmpIpImage : kSnmpImage;
    SetImage(image);
    return 1;
}

BOOL CSnmpRecipientLeaf::GetDataV0(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    char* record = reinterpret_cast<char*>(out->position);
    std::memset(record, 0, kRecordSize);
    std::memcpy(record + kNodeOffset, m_node.constData(), kNodeSize);
    std::memcpy(record + kNetworkOffset, m_network.constData(), kNetworkSize);
    std::memcpy(record + kIpOffset, m_ip.constData(), kIpSize);
    Records::PutField(record + kManagerOffset, kManagerSize, m_manager.toUtf8());
    record[kMethodOffset] = char(m_sendMethod);
    out->count = 1;
    return 1;
}

CSnmpMethodLeaf::CSnmpMethodLeaf()
    : CMethodLeaf({IDS_SNMP, kSnmpImage, IDS_SNMP_HEADING, 0, CSnmpRecipientLeaf::kRecordSize, AlertGetSnmp,
                   AlertSetSnmp})
{
}

// ---- Lotus Notes ----------------------------------------------------------------------------------

CNotesRecipientLeaf::CNotesRecipientLeaf()
{
    m_image = kNotesRecipientImage;
}

void CNotesRecipientLeaf::SetFields(const QString& displayName, const QString& address, int32_t recipientClass)
{
    m_displayName = displayName;
    m_address = address;
    m_class = recipientClass;
    m_name = TreeText();
}

QString CNotesRecipientLeaf::GetClassLabel() const
{
    return LoadString(m_class == kClassCc ? IDS_CLASS_CC : IDS_CLASS_TO);
}

QString CNotesRecipientLeaf::TreeText() const
{
    return GetClassLabel() + LoadString(IDS_CLASS_SEPARATOR) + m_displayName;
}

UINT CNotesRecipientLeaf::GetMethodNameId() const { return IDS_NOTES; }
UINT CNotesRecipientLeaf::GetTitleId() const { return IDS_NOTES; }
UINT CNotesRecipientLeaf::GetHeadingId() const { return IDS_NOTES_HEADING; }

QString CNotesRecipientLeaf::GetColumns() const
{
    return m_displayName + QLatin1Char('\t') + GetClassLabel() + QLatin1Char('\t') + m_address;
}

QString CNotesRecipientLeaf::GetCombinedColumns() const
{
    return m_displayName + QLatin1Char('\t') + LoadString(IDS_NOTES_COMBINED);
}

BOOL CNotesRecipientLeaf::SetDataV1(const void* data)
{
    if (!data)
        return 0;
    const char* record = Chars(data);
    m_address = Records::FieldText(record + kAddressOffset, kAddressSize);
    m_displayName = Records::FieldText(record + kNameOffset, kNameSize);
    m_class = Records::I32At(record + kClassOffset);
    return SetName(TreeText());
}

BOOL CNotesRecipientLeaf::GetDataV1(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    char* record = reinterpret_cast<char*>(out->position);
    std::memset(record, 0, kRecordSize);
    Records::PutI32(record + kClassOffset, m_class);
    Records::PutField(record + kNameOffset, kNameSize, m_displayName.toUtf8());
    Records::PutField(record + kAddressOffset, kAddressSize, m_address.toUtf8());
    out->count = 1;
    return 1;
}

CNotesMethodLeaf::CNotesMethodLeaf()
    : CMethodLeaf({IDS_NOTES, kNotesImage, IDS_NOTES_HEADING, 1, CNotesRecipientLeaf::kRecordSize, AlertGetLotusNotes,
                   AlertSetLotusNotes})
{
    m_menuId = IDR_NOTES_MENU;
}

// ---- pager --------------------------------------------------------------------------------------

CPagerRecipientLeaf::CPagerRecipientLeaf()
{
    m_image = kPagerImage;
}

uint32_t CPagerRecipientLeaf::GetMethodBit() const
{
    return m_type == kNumeric ? 2u : m_type == kAlphanumeric ? 4u : 0u;
}

UINT CPagerRecipientLeaf::GetMethodNameId() const { return IDS_PAGER; }
UINT CPagerRecipientLeaf::GetHeadingId() const { return IDS_PAGER_HEADING; }

UINT CPagerRecipientLeaf::GetTitleId() const
{
    return m_type == kNumeric ? IDS_PAGER_NUMERIC : m_type == kAlphanumeric ? IDS_PAGER_ALPHANUMERIC : IDS_PAGER_UNKNOWN;
}

QString CPagerRecipientLeaf::GetColumns() const
{
    return QStringList({m_owner, m_number, LoadString(GetTitleId()), m_pagerId, m_siteId,
                        QString::number(m_messageDelay.size()), QString::number(m_connectionDelay.size())})
        .join(QLatin1Char('\t'));
}

CPagerRecipientLeaf::Fields CPagerRecipientLeaf::GetFields() const
{
    return {m_owner, m_type, m_number, m_pagerId, m_siteId, m_connectionDelay, m_messageDelay, m_portId};
}

void CPagerRecipientLeaf::SetFields(const Fields& fields)
{
    m_owner = fields.owner;
    m_type = fields.type;
    m_number = fields.number;
    m_pagerId = fields.pagerId;
    m_siteId = fields.siteId;
    m_connectionDelay = fields.connectionDelay;
    m_messageDelay = fields.messageDelay;
    m_portId = fields.portId;
    SetName(m_owner);
}

BOOL CPagerRecipientLeaf::SetDataV0(const void* data)
{
    if (!data)
        return 0;
    const char* record = Chars(data);
    const QString owner = Records::FieldText(record + kOwnerOffset, kOwnerSize);
    if (!SetName(owner))
        return 0;
    m_record = QByteArray(record, qsizetype(kRecordSize));
    m_owner = owner;
    m_portId = Records::U16At(record + kPortIdOffset);
    m_number = Records::FieldText(record + kNumberOffset, kNumberSize);
    m_pagerId = Records::FieldText(record + kPagerIdOffset, kPagerIdSize);
    m_siteId = Records::FieldText(record + kSiteIdOffset, kSiteIdSize);
    m_connectionDelay = Records::FieldText(record + kConnectionDelayOffset, kDelaySize);
    m_messageDelay = Records::FieldText(record + kMessageDelayOffset, kDelaySize);
    m_type = uint8_t(record[kTypeOffset]);
    return 1;
}

BOOL CPagerRecipientLeaf::GetDataV0(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    QByteArray record = m_record;
    record.resize(qsizetype(kRecordSize), '\0');
    char* r = record.data();
    Records::PutU16(r + kPortIdOffset, m_portId);
    Records::PutField(r + kNumberOffset, kNumberSize, m_number.toUtf8());
    Records::PutField(r + kPagerIdOffset, kPagerIdSize, m_pagerId.toUtf8());
    Records::PutField(r + kSiteIdOffset, kSiteIdSize, m_siteId.toUtf8());
    Records::PutField(r + kConnectionDelayOffset, kDelaySize, m_connectionDelay.toUtf8());
    Records::PutField(r + kMessageDelayOffset, kDelaySize, m_messageDelay.toUtf8());
    Records::PutField(r + kOwnerOffset, kOwnerSize, m_owner.toUtf8());
    r[kTypeOffset] = char(m_type);
    std::memcpy(out->position, record.constData(), kRecordSize);
    out->count = 1;
    return 1;
}

CPagerMethodLeaf::CPagerMethodLeaf()
    : CMethodLeaf({IDS_PAGER, kPagerImage, IDS_PAGER_HEADING, 0, CPagerRecipientLeaf::kRecordSize, AlertGetPager,
                   AlertSetPager})
{
}

// ---- e-mail -------------------------------------------------------------------------------------

CEmailRecipientLeaf::CEmailRecipientLeaf()
{
    m_image = kEmailRecipientImage;
    m_menuId = IDR_EMAIL_MENU;
}

void CEmailRecipientLeaf::SetFields(const QString& name, int32_t recipientClass)
{
    m_recipientName = name;
    m_class = recipientClass;
    m_name = TreeText();
}

QString CEmailRecipientLeaf::GetClassLabel() const
{
    return LoadString(m_class == kClassCc ? IDS_CLASS_CC : IDS_CLASS_TO);
}

QString CEmailRecipientLeaf::TreeText() const
{
    return GetClassLabel() + LoadString(IDS_CLASS_SEPARATOR) + m_recipientName;
}

UINT CEmailRecipientLeaf::GetMethodNameId() const { return IDS_EMAIL; }
UINT CEmailRecipientLeaf::GetTitleId() const { return IDS_EMAIL_TITLE; }
UINT CEmailRecipientLeaf::GetHeadingId() const { return IDS_EMAIL_HEADING; }

BOOL CEmailRecipientLeaf::SetDataV0(const void* data)
{
    if (!data)
        return 0;
    const char* record = Chars(data);
    m_recipientName = Records::FieldText(record + kNameOffset, kNameSize);
    m_class = Records::I32At(record + kClassOffset);
    return SetName(TreeText());
}

BOOL CEmailRecipientLeaf::GetDataV0(OUTPUTDESC* out)
{
    if (!out->position || out->room < kRecordSize)
        return 0;
    char* record = reinterpret_cast<char*>(out->position);
    std::memset(record, 0, kRecordSize);
    Records::PutField(record + kNameOffset, kNameSize, m_recipientName.toUtf8());
    Records::PutI32(record + kClassOffset, m_class);
    out->count = 1;
    return 1;
}

CEmailMethodLeaf::CEmailMethodLeaf(bool exchangeClient)
    : CMethodLeaf({exchangeClient ? IDS_EMAIL_EXCHANGE : IDS_EMAIL_MAIL,
                   exchangeClient ? kEmailExchangeImage : kEmailMailImage, IDS_EMAIL_HEADING, 0,
                   CEmailRecipientLeaf::kRecordSize, AlertGetEMail, nullptr, AlertSetEMail})
{
    m_menuId = IDR_EMAIL_MENU;
}

QString CEmailMethodLeaf::GetTitle()
{
    return LoadString(IDS_EMAIL);
}
