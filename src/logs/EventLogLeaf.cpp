#include "logs/EventLogLeaf.h"

#include "framework/Commands.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "logs/LogPaths.h"
#include "platform/Files.h"
#include "platform/Timing.h"
#include "res/Resources.h"
#include "tree/MessageText.h"
#include "tree/RegUtil.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr UINT IDS_EVENT_LOG_CAPTION = 5017;
constexpr UINT IDS_EVENT_LOG_TITLE = 5008;
constexpr UINT IDS_RECORD_TITLE = 4511;
constexpr UINT IDS_EVENT_LOG_HEADING = 4014;
constexpr UINT IDS_ASK_DELETE_RECORDS = 3536;
constexpr UINT IDS_NO_LOG_PATH = 5114;
constexpr UINT IDS_NO_LOG_DIRECTORY = 5115;
constexpr UINT IDS_OPEN_LOG_FAILED = 5116;
constexpr UINT IDS_WRITE_LOG_FAILED = 5117;
constexpr int kLogImage = 5;
constexpr DWORD kDisplayNameSize = 256;

void ShowMachineMessage(UINT id, const CAlertLeaf* leaf)
{
    AfxMessageBox(FormatString(id, {LogPaths::MachineOf(leaf)}), MB_OK | MB_ICONEXCLAMATION);
}

// A detail file name as the service makes them: one plain name, no folder part.
bool IsPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    }
    return true;
}

// The "DisplayName" of an application in the console's registry, else its name.
QString ReadDisplayName(const QString& application)
{
    if (application.isEmpty())
        return application;
    const QString name = ReadRegString(QStringLiteral("Applications"), application, QStringLiteral("DisplayName"),
                                       QString(), kDisplayNameSize);
    return name.isEmpty() ? application : name;
}
} // namespace

// ---- CEventLogSummaryLeaf ---------------------------------------------------------------------

CEventLogSummaryLeaf::CEventLogSummaryLeaf()
{
    m_name = LoadString(IDS_EVENT_LOG_CAPTION);
    m_image = kLogImage;
    m_menuId = 0;
}

QString CEventLogSummaryLeaf::GetTitle()
{
    return LoadString(IDS_EVENT_LOG_TITLE);
}

WORD CEventLogSummaryLeaf::GetDisplayFormat()
{
    return DISPLAY_COLUMNS;
}

bool CEventLogSummaryLeaf::GetLogPath(QString* path, bool messages, int tries)
{
    path->clear();
    if (!LogPaths::HasServer(this))
        return false;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0)
            Timing::Sleep(kPathPause);
        if (LogPaths::Query(this, LogPaths::Kind::EventLogFile, path))
            return true;
    }
    if (messages)
        ShowMachineMessage(IDS_NO_LOG_PATH, this);
    return false;
}

bool CEventLogSummaryLeaf::FileModified(bool interactive)
{
    QString path;
    if (!(interactive ? GetLogPath(&path, true) : GetLogPath(&path, false, 1)))
        return false;
    Files::FileStatus status;
    if (Files::Stat(path, &status) != 0)
        return false;
    if (status.size != m_cachedSize)
        return true;
    return status.lastWriteNs != m_cachedTime;
}

void CEventLogSummaryLeaf::Refresh()
{
    if (!FileModified())
        return;
    QString path;
    if (!GetLogPath(&path, true))
        return;
    if (m_logEmptied) {
        m_ignoreChildChanges = true;
        DeleteChildren();
        m_ignoreChildChanges = false;
        m_logEmptied = false;
        return;
    }

    m_header = Records::EventLogHeader();
    QString host;
    Files::FileStatus status;
    Records::EventLogFile log;
    if (!LogPaths::HostPath(path, &host) || Files::Stat(path, &status) != 0) {
        ShowMachineMessage(IDS_OPEN_LOG_FAILED, this);
        return;
    }
    if (!Records::ReadEventLog(host, &log)) {
        // The same unreadable file is reported once, not on every periodic check, until it
        // changes again.
        m_cachedSize = status.size;
        m_cachedTime = status.lastWriteNs;
        ShowMachineMessage(IDS_OPEN_LOG_FAILED, this);
        return;
    }

    CWaitCursor wait;
    m_ignoreChildChanges = true;
    DeleteChildren();
    m_cachedSize = status.size;
    m_cachedTime = status.lastWriteNs;
    m_header = log.header;
    m_loadedRecords = log.records.size();
    m_loading = true;
    m_displayNames.clear();
    for (const Records::EventLogRecord& record : log.records) {
        auto* child = new CEventLogRecordLeaf;
        if (!InsertChild(child)) {
            delete child;
            continue;
        }
        const QByteArray block = Records::SerializeEventLogRecord(record);
        child->SetFromRecord(&block, Records::kEventLogVersion);
    }
    m_loading = false;
    m_displayNames.clear();
    m_ignoreChildChanges = false;
}

void CEventLogSummaryLeaf::GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading,
                                          QStringList* rows, CLeafArray* objects)
{
    Refresh();
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        // The placeholder that makes the node expandable is not a record.
        if (dynamic_cast<CEventLogRecordLeaf*>(child))
            child->GetDisplayData(requestedFormat, producedFormat, heading, rows, objects);
    }
    *heading = LoadString(IDS_EVENT_LOG_HEADING);
    *producedFormat = DISPLAY_COLUMNS;
}

void CEventLogSummaryLeaf::OnItemExpanding(NMTREEVIEW* notify, LRESULT* result)
{
    if (IsUnpopulated() && FileModified()) {
        m_ignoreChildChanges = true;
        DeleteChildren();
        m_ignoreChildChanges = false;
        Refresh();
    }
    CAlertLeaf::OnItemExpanding(notify, result);
}

void CEventLogSummaryLeaf::ChildModified(CAlertLeaf*)
{
    if (!m_ignoreChildChanges)
        RewriteFile();
}

bool CEventLogSummaryLeaf::RewriteFile()
{
    QString path;
    if (!GetLogPath(&path, true))
        return false;
    QString host;
    if (!LogPaths::HostPath(path, &host) || !QFileInfo(QFileInfo(host).absolutePath()).isDir()) {
        ShowMachineMessage(IDS_OPEN_LOG_FAILED, this);
        return false;
    }

    QVector<Records::EventLogRecord> records;
    qsizetype ownRecords = 0;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        auto* record = dynamic_cast<CEventLogRecordLeaf*>(child);
        if (!record || !record->IsFilled())
            continue;
        Records::EventLogRecord parsed;
        if (Records::ParseEventLogRecord(record->GetRecordBlock(), &parsed))
            records.append(parsed);
    }
    ownRecords = records.size();
    // Records the service added since the last read stay in the log.
    Records::EventLogFile current;
    if (Records::ReadEventLog(host, &current) && current.records.size() > m_loadedRecords) {
        for (qsizetype i = m_loadedRecords; i < current.records.size(); ++i)
            records.append(current.records.at(i));
    }

    Records::EventLogHeader header = m_header;
    for (int32_t& count : header.counts)
        count = 0;
    for (const Records::EventLogRecord& record : records)
        ++header.counts[Records::CounterIndex(record.severity)];
    if (!Records::WriteEventLog(host, header, records)) {
        ShowMachineMessage(IDS_WRITE_LOG_FAILED, this);
        return false;
    }
    m_header = header;
    // The service's newer records now follow the children's in the file.
    m_loadedRecords = ownRecords;
    return true;
}

QStringList CEventLogSummaryLeaf::GetSortKeys() const
{
    QStringList keys;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        if (auto* record = dynamic_cast<CEventLogRecordLeaf*>(child)) {
            keys << QString::number(record->GetTimeGenerated()) + QLatin1Char('\t') +
                    record->GetApplicationDisplayName() + QLatin1Char('\t') + record->GetDescription();
        }
    }
    return keys;
}

QString CEventLogSummaryLeaf::ApplicationDisplayName(const QString& application)
{
    if (!m_loading)
        return ReadDisplayName(application);
    auto it = m_displayNames.constFind(application);
    if (it == m_displayNames.constEnd())
        it = m_displayNames.insert(application, ReadDisplayName(application));
    return it.value();
}

void CEventLogSummaryLeaf::OnRecordDeleted(int severity)
{
    int index = -1;
    if (severity == 0 || severity == 1)
        index = 0;
    else if (severity == 2)
        index = 1;
    else if (severity == 3)
        index = 2;
    if (index >= 0 && m_header.counts[index] > 0)
        --m_header.counts[index];
    if (m_header.counts[0] <= 0 && m_header.counts[1] <= 0 && m_header.counts[2] <= 0)
        m_logEmptied = true;
}

// ---- CEventLogRecordLeaf ----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CEventLogRecordLeaf, CAlertLeaf)
    ON_COMMAND(ID_EDIT_DELETE, OnDeleteRecord)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateDeleteRecord)
END_MESSAGE_MAP()

CEventLogRecordLeaf::CEventLogRecordLeaf() = default;

BOOL CEventLogRecordLeaf::SetFromRecord(const QByteArray* record, int version)
{
    if (m_filled)
        return 0;
    m_version = version;
    if (version != Records::kEventLogVersion)
        return 0;
    m_filled = SetAsVer10(record);
    return m_filled;
}

BOOL CEventLogRecordLeaf::SetAsVer10(const QByteArray* record)
{
    if (!record || record->size() < Records::kEventLogBlock)
        return 0;
    Records::EventLogRecord parsed;
    if (!Records::ParseEventLogRecord(*record, &parsed))
        return 0;
    m_record = parsed;
    const QString application = QString::fromUtf8(m_record.application);
    auto* summary = dynamic_cast<CEventLogSummaryLeaf*>(GetParentLeaf());
    m_appDisplayName = summary ? summary->ApplicationDisplayName(application) : ReadDisplayName(application);
    m_dateTime = LogPaths::DateTimeText(qint64(m_record.timeGenerated));

    int image = kSeverityImages[0];
    if (m_record.severity == 2)
        image = kSeverityImages[1];
    else if (m_record.severity == 3)
        image = kSeverityImages[2];
    SetImages(image, image);
    m_image = image;
    SetName(m_dateTime + QLatin1Char(' ') + m_appDisplayName + QLatin1Char(' ') +
            QString::fromUtf8(m_record.labelSuffix));
    return 1;
}

QString CEventLogRecordLeaf::GetTitle()
{
    return LoadString(IDS_RECORD_TITLE);
}

WORD CEventLogRecordLeaf::GetDisplayFormat()
{
    return DISPLAY_NOTHING;
}

void CEventLogRecordLeaf::GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading,
                                         QStringList* rows, CLeafArray* objects)
{
    if (requestedFormat == DISPLAY_COLUMNS) {
        rows->append(m_dateTime + QLatin1Char('\t') + m_appDisplayName + QLatin1Char('\t') + GetDescription());
        objects->append(this);
        *heading = LoadString(IDS_EVENT_LOG_HEADING);
        return;
    }
    rows->append(ReadDetailText());
    objects->append(this);
    heading->clear();
    *producedFormat = DISPLAY_TEXT;
}

QByteArray CEventLogRecordLeaf::GetRecordBlock() const
{
    return Records::SerializeEventLogRecord(m_record);
}

bool CEventLogRecordLeaf::DetailPath(QString* path, bool* directoryKnown) const
{
    path->clear();
    QString directory;
    *directoryKnown = LogPaths::Query(this, LogPaths::Kind::EventLogDirectory, &directory);
    if (!*directoryKnown)
        return false;
    const QString name = GetDetailFileName();
    if (!IsPlainFileName(name))
        return false;
    *path = directory + QLatin1Char('\\') + name;
    return true;
}

QString CEventLogRecordLeaf::ReadDetailText()
{
    QString path;
    bool directoryKnown = false;
    if (!DetailPath(&path, &directoryKnown)) {
        if (!directoryKnown && LogPaths::HasServer(this))
            ShowMachineMessage(IDS_NO_LOG_DIRECTORY, this);
        return QString();
    }
    QString host;
    QByteArray text;
    if (!LogPaths::HostPath(path, &host) || !Records::ReadDetailText(host, &text))
        return QString();
    return QString::fromUtf8(text);
}

void CEventLogRecordLeaf::OnDeleteRecord()
{
    if (Switches::AskBeforeDelete()) {
        Switches::SetAskBeforeDelete(false);
        CWeakPtr<CEventLogRecordLeaf> alive(this);
        const int answer = AfxMessageBox(LoadString(IDS_ASK_DELETE_RECORDS), MB_YESNO | MB_ICONQUESTION);
        Switches::SetDeleteApproved(answer != IDNO);
        // A reload while the box was up may have taken the record already.
        if (!alive)
            return;
    }
    if (!Switches::DeleteApproved())
        return;
    if (CAlertLeaf* parent = GetParentLeaf()) {
        if (auto* summary = dynamic_cast<CEventLogSummaryLeaf*>(parent))
            summary->OnRecordDeleted(m_record.severity);
        QString path;
        bool directoryKnown = false;
        QString host;
        if (DetailPath(&path, &directoryKnown) && LogPaths::HostPath(path, &host))
            QFile::remove(host);
    }
    DeleteLeaf();
}

void CEventLogRecordLeaf::OnUpdateDeleteRecord(CCmdUI* pUI)
{
    pUI->Enable(true);
}
