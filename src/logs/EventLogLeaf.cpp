#include "logs/EventLogLeaf.h"

#include "framework/Commands.h"
#include "framework/LoadProgress.h"
#include "framework/Switches.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "logs/LogPaths.h"
#include "platform/Files.h"
#include "platform/Timing.h"
#include "res/Resources.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/LeafNotify.h"
#include "tree/MessageText.h"
#include "tree/RegUtil.h"

#include "records/ByteField.h"
#include "records/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <limits>

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
constexpr qint64 kEventLogLimit = 256LL << 20;

void ShowMachineMessage(UINT id, const CAlertLeaf* leaf)
{
    AfxMessageBox(FormatString(id, {LogPaths::MachineOf(leaf)}), MB_OK | MB_ICONEXCLAMATION);
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

// The event log's folder, listed once, its detail files found by name as the world finds them:
// the exact name, else the first name in order that differs only in case. One listing serves
// any number of deleted records.
class CDetailFolder {
public:
    explicit CDetailFolder(const QString& hostDirectory) : m_directory(hostDirectory)
    {
        if (m_directory.isEmpty())
            return;
        const QStringList names = QDir(m_directory).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
        for (const QString& name : names) {
            m_names.insert(name);
            auto it = m_folded.find(name.toUpper());
            if (it == m_folded.end())
                m_folded.insert(name.toUpper(), name);
            else if (name < it.value())
                it.value() = name;
        }
    }
    // Host path of the detail file, empty when the name is not a plain one or no such file is there.
    QString PathOf(const QString& name) const
    {
        if (!Records::IsPlainDetailName(name))
            return QString();
        if (m_names.contains(name))
            return m_directory + QLatin1Char('/') + name;
        const auto it = m_folded.constFind(name.toUpper());
        return it == m_folded.constEnd() ? QString() : m_directory + QLatin1Char('/') + it.value();
    }

private:
    QString m_directory;
    QSet<QString> m_names;
    QHash<QString, QString> m_folded;
};
} // namespace

// ---- CEventLogStore ---------------------------------------------------------------------------

bool CEventLogStore::Load(QByteArray image)
{
    Records::EventLogHeader header;
    if (!Records::ParseEventLogHeader(image, &header))
        return false;
    const qint64 present = (image.size() - Records::kEventLogBlock) / Records::kEventLogBlock;
    const qint64 n = std::min<qint64>({header.RecordCount(), present, std::numeric_limits<int>::max() - 1});
    image.truncate(qsizetype((n + 1) * Records::kEventLogBlock));
    // Room left by a deletion is given back when it is worth a copy of the rest.
    if (image.capacity() - image.size() > image.size() / 8)
        image.squeeze();
    m_image = std::move(image);
    m_count = int(n);
    return true;
}

QByteArray CEventLogStore::TakeImage()
{
    m_count = 0;
    return std::exchange(m_image, QByteArray());
}

bool CEventLogStore::Append(const QByteArray& header, const QByteArray& tail)
{
    Records::EventLogHeader parsed;
    if (!Records::ParseEventLogHeader(header, &parsed) || parsed.RecordCount() < m_count || m_image.isEmpty())
        return false;
    const qint64 more = std::min<qint64>(parsed.RecordCount() - m_count, tail.size() / Records::kEventLogBlock);
    m_image.replace(0, Records::kEventLogBlock, header.left(Records::kEventLogBlock));
    m_image.append(tail.constData(), qsizetype(more * Records::kEventLogBlock));
    m_count += int(more);
    return true;
}

QByteArray CEventLogStore::Header() const
{
    return m_image.left(Records::kEventLogBlock);
}

void CEventLogStore::Clear()
{
    m_image.clear();
    m_count = 0;
}

const char* CEventLogStore::Record(int item) const
{
    // A row the pane has not yet given up after the store shrank reads as an empty record.
    static const char kNone[Records::kEventLogBlock] = {};
    if (item < 0 || item >= m_count)
        return kNone;
    return m_image.constData() + qsizetype(item + 1) * Records::kEventLogBlock;
}

QByteArray CEventLogStore::Block(int item) const
{
    return Records::EventLogField::Block(Record(item));
}

int CEventLogStore::Severity(int item) const
{
    return Records::EventLogField::Severity(Record(item));
}

int32_t CEventLogStore::Time(int item) const
{
    return Records::EventLogField::Time(Record(item));
}

QByteArray CEventLogStore::Application(int item) const
{
    return Records::EventLogField::Application(Record(item));
}

QByteArray CEventLogStore::Description(int item) const
{
    return Records::EventLogField::Description(Record(item));
}

QByteArray CEventLogStore::DetailFile(int item) const
{
    return Records::EventLogField::DetailFile(Record(item));
}

// ---- CEventLogSummaryLeaf ---------------------------------------------------------------------

CEventLogSummaryLeaf::CEventLogSummaryLeaf()
{
    m_name = LoadString(IDS_EVENT_LOG_CAPTION);
    m_image = kLogImage;
    m_menuId = 0;
    for (int i = 0; i < 3; ++i) {
        m_severityImages[i][0] = Res::TreeImage(0, CEventLogRecordLeaf::kSeverityImages[i]);
        m_severityImages[i][1] = Res::TreeImage(1, CEventLogRecordLeaf::kSeverityImages[i]);
    }
}

CEventLogSummaryLeaf::~CEventLogSummaryLeaf() = default;

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

bool CEventLogSummaryLeaf::ReadTail(const QString& host, const Records::FileIdentity& identity)
{
    const qint64 size = identity.size;
    const int held = m_store.Count();
    const qint64 heldEnd = qint64(held + 1) * Records::kEventLogBlock;
    if (m_cachedInode == 0 || identity.inode != m_cachedInode || held == 0 || size < heldEnd)
        return false;
    QFile file(host);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(Records::kEventLogBlock);
    // The last record held must still be where it was: the file grew, nothing else.
    const qint64 last = heldEnd - Records::kEventLogBlock;
    if (header.size() != Records::kEventLogBlock || !file.seek(last) ||
        file.read(Records::kEventLogBlock) != QByteArray::fromRawData(m_store.Record(held - 1), Records::kEventLogBlock))
        return false;
    const QByteArray tail = file.read(std::max<qint64>(0, size - heldEnd));
    if (!m_store.Append(header, tail))
        return false;
    Records::ParseEventLogHeader(header, &m_header);
    AddRecordLeaves(held);
    return true;
}

void CEventLogSummaryLeaf::Refresh()
{
    if (m_logEmptied) {
        // The deletion that emptied the log left the store as the file it wrote; what the
        // service appends after it is read as any change is.
        m_logEmptied = false;
        if (m_store.Count() == 0)
            DropRecordLeaves();
    }
    if (!FileModified())
        return;
    QString path;
    if (!GetLogPath(&path, true))
        return;

    QString host;
    Files::FileStatus status;
    if (!LogPaths::HostPath(path, &host) || Files::Stat(path, &status) != 0) {
        m_header = Records::EventLogHeader();
        ShowMachineMessage(IDS_OPEN_LOG_FAILED, this);
        return;
    }
    CWaitCursor wait;
    // Taken before the read: a change made while reading makes it differ from the file later.
    Records::FileIdentity identity;
    Records::IdentifyFile(host, &identity);
    if (ReadTail(host, identity)) {
        m_cachedSize = status.size;
        m_cachedTime = status.lastWriteNs;
        m_storeIdentity = identity;
        return;
    }
    m_storeIdentity = Records::FileIdentity();
    m_header = Records::EventLogHeader();
    QByteArray image;
    LoadProgress::Step(0, 3);
    const bool read = Records::ReadWholeFile(host, kEventLogLimit, &image);
    LoadProgress::Step(1, 3);
    if (!read || !m_store.Load(std::move(image))) {
        // The same unreadable file is reported once, not on every periodic check, until it
        // changes again.
        m_cachedSize = status.size;
        m_cachedTime = status.lastWriteNs;
        ShowMachineMessage(IDS_OPEN_LOG_FAILED, this);
        return;
    }
    m_cachedSize = status.size;
    m_cachedTime = status.lastWriteNs;
    m_cachedInode = identity.inode;
    m_storeIdentity = identity;
    Records::ParseEventLogHeader(m_store.Header(), &m_header);
    m_removals.clear();
    m_displayNames.clear();
    StoreReplaced();
}

void CEventLogSummaryLeaf::StoreReplaced()
{
    ++m_generation;
    if (!m_leaves.empty() || !IsUnpopulated()) {
        DropRecordLeaves();
        AddRecordLeaves(0);
    }
}

void CEventLogSummaryLeaf::DropRecordLeaves()
{
    CQuietRebuild quiet(this);
    m_leaves.clear();
    if (InTree())
        m_tree->DeleteChildItems(m_item);
}

void CEventLogSummaryLeaf::AddRecordLeaves(int from)
{
    if (m_leaves.empty() && IsUnpopulated())
        return;
    if (m_leaves.empty() && from == 0) {
        // The placeholder that gave the node its expand button goes.
        CQuietRebuild quiet(this);
        while (CAlertLeaf* child = GetFirstChild())
            child->DeleteLeaf();
    }
    // Filled first, so that each tree item is made with its text and image at once, and
    // inserted together.
    std::vector<CAlertLeaf*> made;
    made.reserve(size_t(std::max(0, m_store.Count() - from)));
    for (int item = from; item < m_store.Count(); ++item) {
        auto* child = new CEventLogRecordLeaf(this);
        const QByteArray block = QByteArray::fromRawData(m_store.Record(item), Records::kEventLogBlock);
        child->SetFileIndex(item);
        child->SetFromRecord(&block, Records::kEventLogVersion);
        made.push_back(child);
    }
    m_leaves.reserve(size_t(m_store.Count()));
    const bool inserted = InsertChildren(made) == made.size();
    for (CAlertLeaf* child : made) {
        if (!inserted)
            delete child;
        m_leaves.push_back(inserted ? static_cast<CEventLogRecordLeaf*>(child) : nullptr);
    }
}

CEventLogRecordLeaf* CEventLogSummaryLeaf::RecordLeaf(int item)
{
    if (item < 0 || item >= m_store.Count())
        return nullptr;
    if (m_leaves.empty()) {
        m_unpopulated = 0;
        AddRecordLeaves(0);
    }
    return item < int(m_leaves.size()) ? m_leaves[size_t(item)] : nullptr;
}

void CEventLogSummaryLeaf::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList*, CLeafArray*)
{
    Refresh();
    *heading = LoadString(IDS_EVENT_LOG_HEADING);
    *producedFormat = DISPLAY_COLUMNS;
}

void CEventLogSummaryLeaf::OnItemExpanding(NMTREEVIEW* notify, LRESULT* result)
{
    if (IsUnpopulated()) {
        Refresh();
        m_unpopulated = 0;
        if (m_leaves.empty())
            AddRecordLeaves(0);
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
    // The store's bytes are the file's as long as nobody changed it since; the deletion then
    // happens in them, without reading the file again.
    Records::HeldCopy held{m_storeIdentity};
    QByteArray image = held.identity.IsKnown() ? m_store.TakeImage() : QByteArray();
    m_storeIdentity = Records::FileIdentity();
    const Records::EventLogEdit edit = Records::RemoveEventLogRecords(host, m_removals, nullptr, nullptr, &image, &held);
    if (edit != Records::EventLogEdit::Done) {
        ShowMachineMessage(edit == Records::EventLogEdit::Unwritable ? IDS_WRITE_LOG_FAILED : IDS_OPEN_LOG_FAILED, this);
        if (m_store.Bytes() == 0) {
            // The store gave its bytes up: the file, untouched, is read again and shows the
            // records that could not be deleted.
            m_cachedSize = -1;
            Refresh();
        }
        return false;
    }
    std::vector<bool> removed(m_leaves.size(), false);
    for (const Records::EventLogRemoval& removal : std::as_const(m_removals))
        if (removal.index >= 0 && removal.index < qsizetype(removed.size()))
            removed[size_t(removal.index)] = true;
    m_removals.clear();
    // The store becomes the file as written; what the service appends later is a tail again.
    m_cachedSize = image.size();
    m_store.Load(std::move(image));
    Records::ParseEventLogHeader(m_store.Header(), &m_header);
    m_storeIdentity = held.identity;
    Files::FileStatus status;
    m_cachedTime = Files::Stat(path, &status) == 0 ? status.lastWriteNs : -1;
    m_cachedInode = held.identity.inode;
    ++m_generation;
    if (m_leaves.empty())
        return true;
    if (!held.used) {
        // Someone else changed the file too: its records are listed afresh.
        DropRecordLeaves();
        AddRecordLeaves(0);
        return true;
    }
    // Exactly the asked records went: the other leaves stay, numbered as the file now is.
    std::vector<CEventLogRecordLeaf*> kept;
    kept.reserve(m_leaves.size());
    for (size_t i = 0; i < m_leaves.size(); ++i) {
        if (removed[i])
            continue;
        if (m_leaves[i])
            m_leaves[i]->SetFileIndex(qsizetype(kept.size()));
        kept.push_back(m_leaves[i]);
    }
    m_leaves = std::move(kept);
    AddRecordLeaves(int(m_leaves.size()));
    return true;
}

QString CEventLogSummaryLeaf::ApplicationDisplayName(const QString& application) const
{
    const QByteArray key = application.toUtf8();
    auto it = m_displayNames.constFind(key);
    if (it == m_displayNames.constEnd())
        it = m_displayNames.insert(key, ReadDisplayName(application));
    return it.value();
}

void CEventLogSummaryLeaf::CountDeleted(int severity)
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

void CEventLogSummaryLeaf::OnRecordDeleted(const CEventLogRecordLeaf* record)
{
    CountDeleted(record->GetSeverity());
    if (record->IsFilled())
        m_removals.append({record->GetFileIndex(), record->GetRecordBlock()});
    const qsizetype at = record->GetFileIndex();
    if (at >= 0 && at < qsizetype(m_leaves.size()) && m_leaves[size_t(at)] == record)
        m_leaves[size_t(at)] = nullptr;
}

void CEventLogSummaryLeaf::DeleteRecords(const std::vector<int>& items)
{
    if (items.empty())
        return;
    if (Switches::AskBeforeDelete()) {
        Switches::SetAskBeforeDelete(false);
        const int answer = AfxMessageBox(LoadString(IDS_ASK_DELETE_RECORDS), MB_YESNO | MB_ICONQUESTION);
        Switches::SetDeleteApproved(answer != IDNO);
    }
    if (!Switches::DeleteApproved())
        return;
    CWaitCursor wait;
    QString directory;
    QString hostDirectory;
    if (!LogPaths::Query(this, LogPaths::Kind::EventLogDirectory, &directory) ||
        !LogPaths::HostPath(directory, &hostDirectory))
        hostDirectory.clear();
    const CDetailFolder details(hostDirectory);
    m_ignoreChildChanges = true;
    for (int item : items) {
        if (item < 0 || item >= m_store.Count())
            continue;
        CountDeleted(m_store.Severity(item));
        m_removals.append({item, m_store.Block(item)});
        const QString detail = details.PathOf(QString::fromUtf8(m_store.DetailFile(item)));
        if (!detail.isEmpty())
            QFile::remove(detail);
        if (item < int(m_leaves.size()) && m_leaves[size_t(item)]) {
            CEventLogRecordLeaf* leaf = m_leaves[size_t(item)];
            m_leaves[size_t(item)] = nullptr;
            leaf->DeleteLeaf();
        }
    }
    m_ignoreChildChanges = false;
    RewriteFile();
}

QString CEventLogSummaryLeaf::RowText(int item) const
{
    return CellText(item, 0) + QLatin1Char('\t') + CellText(item, 1) + QLatin1Char('\t') + CellText(item, 2);
}

QString CEventLogSummaryLeaf::CellText(int item, int column) const
{
    switch (column) {
    case 0:
        return LogPaths::DateTimeText(qint64(m_store.Time(item)));
    case 1:
        return ApplicationDisplayName(QString::fromUtf8(m_store.Application(item)));
    case 2:
        return QString::fromUtf8(m_store.Description(item));
    default:
        return QString();
    }
}

QString CEventLogSummaryLeaf::SortField(int item, int keyField) const
{
    if (keyField == 0)
        return QString::number(m_store.Time(item));
    return CellText(item, keyField);
}

double CEventLogSummaryLeaf::SortNumber(int item, int) const
{
    return double(m_store.Time(item));
}

void CEventLogSummaryLeaf::RowImages(int item, QPixmap* normal, QPixmap* selected) const
{
    const int severity = m_store.Severity(item);
    const int index = severity == 2 ? 1 : (severity == 3 ? 2 : 0);
    *normal = m_severityImages[index][0];
    *selected = m_severityImages[index][1];
}

bool CEventLogSummaryLeaf::RowFacets(int item, Facets* out) const
{
    const int severity = m_store.Severity(item);
    out->application = CellText(item, 1);
    out->severity = severity == 2 || severity == 3 ? severity : 1;
    out->time = m_store.Time(item) < 0 ? -1 : qint64(m_store.Time(item));
    return true;
}

bool CEventLogSummaryLeaf::RowContains(int item, const QString& text) const
{
    if (CellText(item, 2).contains(text, Qt::CaseInsensitive) || CellText(item, 1).contains(text, Qt::CaseInsensitive))
        return true;
    // Making a date text is the dear part: only a text a date could hold is looked for there.
    return LogPaths::CouldBeInDateTimeText(text) && CellText(item, 0).contains(text, Qt::CaseInsensitive);
}

bool CEventLogSummaryLeaf::OnRowsCommand(UINT id, CCmdUI* pUI, const std::vector<int>& items)
{
    if (id == ID_EDIT_DELETE) {
        if (pUI)
            pUI->Enable(!items.empty());
        else
            DeleteRecords(items);
        return true;
    }
    // Other commands climb from the records to this leaf and on.
    return OnCmdMsg(id, pUI);
}

CCmdTarget* CEventLogSummaryLeaf::RowObject(int item)
{
    return RecordLeaf(item);
}

// ---- CEventLogRecordLeaf ----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CEventLogRecordLeaf, CAlertLeaf)
    ON_COMMAND(ID_EDIT_DELETE, OnDeleteRecord)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateDeleteRecord)
END_MESSAGE_MAP()

CEventLogRecordLeaf::CEventLogRecordLeaf(const CEventLogSummaryLeaf* summary) : m_summary(summary) {}

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
    // A record of a log is read from the log's store when it is asked for (a log shows
    // thousands); one without a log keeps its own copy.
    if (!m_summary)
        m_block = QByteArray(record->constData(), Records::kEventLogBlock);
    const char* bytes = record->constData();
    const QString application = QString::fromUtf8(Records::EventLogField::Application(bytes));
    const auto* summary = m_summary ? m_summary : dynamic_cast<CEventLogSummaryLeaf*>(GetParentLeaf());
    m_appDisplayName = summary ? summary->ApplicationDisplayName(application) : ReadDisplayName(application);
    const int severity = Records::EventLogField::Severity(bytes);
    int image = kSeverityImages[0];
    if (severity == 2)
        image = kSeverityImages[1];
    else if (severity == 3)
        image = kSeverityImages[2];
    SetImages(image, image);
    m_image = image;
    SetName(LogPaths::DateTimeText(qint64(Records::EventLogField::Time(bytes))) + QLatin1Char(' ') + m_appDisplayName +
            QLatin1Char(' ') + QString::fromUtf8(Records::EventLogField::LabelSuffix(bytes)));
    return 1;
}

const char* CEventLogRecordLeaf::Record() const
{
    if (!m_block.isEmpty())
        return m_block.constData();
    if (m_filled && m_summary && CAlertLeaf::IsLive(m_summary))
        return m_summary->GetStore().Record(int(m_fileIndex));
    return nullptr;
}

QString CEventLogRecordLeaf::GetDateTimeText() const
{
    const char* record = Record();
    return record ? LogPaths::DateTimeText(qint64(Records::EventLogField::Time(record))) : QString();
}

int CEventLogRecordLeaf::GetSeverity() const
{
    const char* record = Record();
    return record ? Records::EventLogField::Severity(record) : 1;
}

int32_t CEventLogRecordLeaf::GetTimeGenerated() const
{
    const char* record = Record();
    return record ? Records::EventLogField::Time(record) : -1;
}

QString CEventLogRecordLeaf::GetDescription() const
{
    const char* record = Record();
    return record ? QString::fromUtf8(Records::EventLogField::Description(record)) : QString();
}

QString CEventLogRecordLeaf::GetDetailFileName() const
{
    const char* record = Record();
    return record ? QString::fromUtf8(Records::EventLogField::DetailFile(record)) : QString();
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
        rows->append(GetDateTimeText() + QLatin1Char('\t') + m_appDisplayName + QLatin1Char('\t') + GetDescription());
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
    const char* record = Record();
    return record ? Records::EventLogField::Block(record) : Records::SerializeEventLogRecord(Records::EventLogRecord());
}

bool CEventLogRecordLeaf::DetailPath(QString* path, bool* directoryKnown) const
{
    path->clear();
    QString directory;
    *directoryKnown = LogPaths::Query(this, LogPaths::Kind::EventLogDirectory, &directory);
    if (!*directoryKnown)
        return false;
    const QString name = GetDetailFileName();
    if (!Records::IsPlainDetailName(name))
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
            summary->OnRecordDeleted(this);
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
