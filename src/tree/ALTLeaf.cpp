#include "tree/ALTLeaf.h"

#include "extern/Tarnix.h"
#include "framework/Commands.h"
#include "mail/MailLibrary.h"
#include "platform/Network.h"
#include "platform/World.h"
#include "records/MethodTable.h"
#include "res/Resources.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/LeafNotify.h"
#include "tree/MethodLeafRegistry.h"
#include "tree/ServerLeaf.h"
#include "tree/StaleWrite.h"

#include <cstring>

namespace {
constexpr UINT IDS_MY_COMPUTER = 5001;
constexpr UINT IDS_TABLE_HEADING = 4009;
constexpr int kDateSize = 256;
constexpr int kArea12 = 12;
constexpr int kArea96 = 96;
constexpr int kRegTextSize = 128;
constexpr int kFirstNewPlatform = 6;
} // namespace

const char* const CALTLeaf::kInvalidDate = "SOME INVALID DATE TIME DATA";

CALTLeaf::CALTLeaf()
    : m_changeDate(QString::fromLatin1(kInvalidDate)),
      m_localDisplayName(LoadString(IDS_MY_COMPUTER) + QStringLiteral(" (") + World::ComputerName() +
                         QLatin1Char(')')),
      m_image(kImageSize, '\0')
{
    m_menuId = 0;
}

void CALTLeaf::Bind(const QString& machine, const QString& application)
{
    m_refreshEnabled = 1;
    m_machine = machine;
    m_application = application;
    m_changeDate = QString::fromLatin1(kInvalidDate);
}

bool CALTLeaf::ReadChangeDate(QString* date) const
{
    char text[kDateSize] = {};
    const QByteArray m = m_machine.toUtf8();
    const QByteArray a = m_application.toUtf8();
    if (AlertGetCFGDate(m.constData(), a.constData(), text) != 1)
        return false;
    text[kDateSize - 1] = '\0';
    *date = QString::fromUtf8(text);
    return true;
}

BOOL CALTLeaf::ChangeDateMoved()
{
    QString date;
    if (!ReadChangeDate(&date) || date == m_changeDate)
        return 0;
    m_changeDate = date;
    if (m_ignoreNextChange) {
        m_ignoreNextChange = 0;
        return 0;
    }
    return 1;
}

BOOL CALTLeaf::RefreshIfChanged(BOOL force)
{
    if (!m_refreshEnabled)
        return 0;
    if (!force) {
        if (!ChangeDateMoved())
            return 0;
    } else if (QString date; ReadChangeDate(&date)) {
        // What is shown is what is stored at this date, so the next write is not taken for
        // one made on an old copy.
        m_changeDate = date;
        m_ignoreNextChange = 0;
    }
    RefreshFromCfg(m_machine, m_application);
    return 1;
}

void CALTLeaf::RefreshFromCfg(const QString& machine, const QString& application)
{
    Load(machine, application);
}

bool CALTLeaf::Load(const QString& machine, const QString& application)
{
    const CQuietRebuild quiet(this);
    QByteArray area12(kArea12, '\0');
    QByteArray area96(kArea96, '\0');
    QByteArray settings(kImageSize, '\0');
    const QByteArray m = machine.toUtf8();
    const QByteArray a = application.toUtf8();
    if (AlertReadEverySetting(m.constData(), area12.data(), area96.data(), settings.data(), a.constData()) != 1)
        return false;
    m_image = settings;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling())
        child->RefreshFromCfg(machine, application);
    if (m_tree)
        m_tree->viewport()->update();
    if (CAlertLeaf* selected = GetSelectedLeaf(); selected && IsAncestorOrSelf(selected))
        selected->Redisplay();
    return true;
}

void CALTLeaf::ChildModified(CAlertLeaf*)
{
    WriteAll();
}

void CALTLeaf::WriteAll()
{
    const QString machine = m_machine;
    const QString name = GetTitle();
    LRESULT outcome = StaleWrite::Written;
    if (m_tree)
        outcome = m_tree->SendMessage(WM_ALERT_TABLE_REFRESH, 0, PtrToLParam(static_cast<CAlertLeaf*>(this)));
    else
        outcome = WriteMethods();
    m_refreshEnabled = 1;
    // Last, with copies: this leaf may go while the box is up.
    StaleWrite::Report(StaleWrite::Outcome(outcome), machine, name);
}

LRESULT CALTLeaf::OnTreeMessage(UINT message, WPARAM, LPARAM)
{
    if (message == WM_ALERT_TABLE_REFRESH)
        return WriteMethods();
    return StaleWrite::Written;
}

StaleWrite::Outcome CALTLeaf::WriteMethods()
{
    m_refreshEnabled = 0;
    QString stored;
    if (ReadChangeDate(&stored) && stored != m_changeDate) {
        // Written elsewhere since the console loaded it: that change stays and the console's
        // goes. Nothing is written; the table shows what is stored (or reloads on the next
        // tick when it cannot be read now).
        m_ignoreNextChange = 0;
        m_changeDate = Load(m_machine, m_application) ? stored : QString::fromLatin1(kInvalidDate);
        for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling())
            child->SetModified(0);
        return StaleWrite::Refused;
    }
    m_ignoreNextChange = 1;
    bool failed = false;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        child->WriteToCfg(m_machine, m_application);
        failed = failed || child->IsModified();
    }
    if (ReadChangeDate(&stored)) {
        m_changeDate = stored;
        // The date read here is the own write's: nothing left to ignore.
        m_ignoreNextChange = 0;
    }
    return failed ? StaleWrite::Failed : StaleWrite::Written;
}

bool CALTLeaf::PlatformIsVersion6()
{
    if (!m_platformCheckPending)
        return m_platform6;
    m_platformCheckPending = 0;
    m_platform6 = 0;
    QString serverText;
    CServerLeaf* server = GetServerLeaf<CServerLeaf>();
    if (server)
        server->GetItemText(&serverText);
    QString target;
    if (!(serverText.isEmpty() || serverText == m_localDisplayName)) {
        target = server ? server->GetMachine() : m_machine;
        if (!target.startsWith(QStringLiteral("\\\\")))
            target.prepend(QStringLiteral("\\\\"));
    }
    BYTE* buffer = nullptr;
    const std::u16string wide(reinterpret_cast<const char16_t*>(target.utf16()), size_t(target.size()));
    if (NetWkstaGetInfo(target.isEmpty() ? nullptr : wide.c_str(), 102, &buffer) == 0 && buffer) {
        m_platform6 = reinterpret_cast<const WKSTA_INFO_102*>(buffer)->wki102_ver_major >= kFirstNewPlatform;
    }
    if (buffer)
        NetApiBufferFree(buffer);
    return m_platform6;
}

void CALTLeaf::CreateMethodLeaves(int version)
{
    if (version < 0 || version > kHighestVersion)
        return;
    // In the order of the table's lists.
    static constexpr uint32_t kMethods[] = {Records::kBroadcastBit, Records::kNumericPagerBit, Records::kEmailBit,
                                            Records::kSnmpBit,      Records::kTicketBit,       Records::kEventLogBit,
                                            Records::kNotesBit,     Records::kSmtpBit};
    for (uint32_t method : kMethods) {
        if (method == Records::kBroadcastBit && PlatformIsVersion6())
            continue;
        // Mail goes through the messaging library; without it there is no e-mail method.
        if (method == Records::kEmailBit && !IsMailLibraryLoaded())
            continue;
        CAlertLeaf* leaf = MethodLeafRegistry::Create(method, version);
        if (leaf && !InsertChild(leaf))
            delete leaf;
    }
}

BOOL CALTLeaf::SetDataV0(const void*)
{
    DeleteChildren();
    CreateMethodLeaves(0);
    return 1;
}

BOOL CALTLeaf::SetDataV1(const void*)
{
    DeleteChildren();
    CreateMethodLeaves(m_dataVersion);
    return 1;
}

QString CALTLeaf::GetCompany() const
{
    char buffer[kRegTextSize] = {};
    const QByteArray m = m_machine.toUtf8();
    if (AlertGetStringFromReg(m.constData(), "User", "Company", buffer, kRegTextSize) != 0)
        return QString();
    buffer[kRegTextSize - 1] = '\0';
    return QString::fromUtf8(buffer);
}

QString CALTLeaf::GetLocation() const
{
    char buffer[kRegTextSize] = {};
    const QByteArray m = m_machine.toUtf8();
    if (AlertGetStringFromReg(m.constData(), "User", "Location", buffer, kRegTextSize) != 0)
        return QString();
    buffer[kRegTextSize - 1] = '\0';
    return QString::fromUtf8(buffer);
}

int32_t CALTLeaf::SetCompany(const QString& text) const
{
    return AlertSetStringToReg(m_machine.toUtf8().constData(), "User", "Company", text.toUtf8().constData());
}

int32_t CALTLeaf::SetLocation(const QString& text) const
{
    return AlertSetStringToReg(m_machine.toUtf8().constData(), "User", "Location", text.toUtf8().constData());
}

int32_t CALTLeaf::GetMailAttributes()
{
    m_image.resize(kImageSize, '\0');
    char* image = m_image.data();
    return AlertGetMailAttributes(m_machine.toUtf8().constData(), image + kSubjectOffset,
                                  reinterpret_cast<uint16_t*>(image + kAttachmentCountOffset),
                                  m_application.toUtf8().constData());
}

int32_t CALTLeaf::SetMailAttributes()
{
    m_image.resize(kImageSize, '\0');
    char* image = m_image.data();
    return AlertSetMailAttributes(m_machine.toUtf8().constData(), image + kSubjectOffset,
                                  reinterpret_cast<uint16_t*>(image + kAttachmentCountOffset),
                                  m_application.toUtf8().constData());
}

QString CALTLeaf::GetTitle()
{
    QString text;
    GetItemText(&text);
    return text;
}

WORD CALTLeaf::GetDisplayFormat()
{
    return DISPLAY_COLUMNS;
}

void CALTLeaf::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList* rows, CLeafArray* objects)
{
    // Each method adds its recipients, asked for the combined list's rows.
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        for (CAlertLeaf* recipient = child->GetFirstChild(); recipient; recipient = recipient->GetNextSibling()) {
            WORD ignored = 0;
            QString ignoredHeading;
            recipient->GetDisplayData(DISPLAY_COLUMNS, &ignored, &ignoredHeading, rows, objects);
        }
    }
    if (heading)
        *heading = LoadString(IDS_TABLE_HEADING);
    if (producedFormat)
        *producedFormat = DISPLAY_COLUMNS;
}
