#include "logs/ActivityLogLeaf.h"

#include "framework/Commands.h"
#include "framework/DialogControls.h"
#include "framework/UiHost.h"
#include "logs/LogPaths.h"
#include "platform/Files.h"
#include "records/ActivityLog.h"
#include "records/ByteField.h"
#include "records/StoreFile.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/MessageText.h"

#include <QDir>
#include <cstring>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr UINT IDS_ACTIVITY_LOG_CAPTION = 5018;
constexpr UINT IDS_ACTIVITY_LOG_TITLE = 4510;
constexpr UINT IDS_ACTIVITY_LOG_HEADING = 4019;
constexpr UINT IDS_ASK_RESIZE = 3534;
constexpr UINT IDS_ASK_CLEAR = 3535;
constexpr UINT IDR_RING_LOG_MENU = 187;
constexpr UINT IDR_TEXT_LOG_MENU = 163;
constexpr int kLogImage = 5;
// The older log is shown whole; a file beyond this is not a log the console can show.
constexpr qint64 kTextLogLimit = 64LL << 20;

} // namespace

// ---- CActivityLogLeaf45 -----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CActivityLogLeaf45, CAlertLeaf)
    ON_COMMAND(ID_EDIT_CLEAR_ACTIVITY_LOG, OnClearLog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_CLEAR_ACTIVITY_LOG, OnUpdateClearLog)
    ON_COMMAND(ID_EDIT_ACTIVITY_LOG_SETTINGS, OnSettings)
    ON_UPDATE_COMMAND_UI(ID_EDIT_ACTIVITY_LOG_SETTINGS, OnUpdateSettings)
END_MESSAGE_MAP()

CActivityLogLeaf45::CActivityLogLeaf45()
{
    m_name = LoadString(IDS_ACTIVITY_LOG_CAPTION);
    m_image = kLogImage;
    m_menuId = IDR_RING_LOG_MENU;
}

QString CActivityLogLeaf45::GetTitle()
{
    return LoadString(IDS_ACTIVITY_LOG_TITLE);
}

bool CActivityLogLeaf45::HostFile(QString* hostPath) const
{
    QString path;
    return LogPaths::Query(this, LogPaths::Kind::ActivityLogFile, &path) && LogPaths::HostPath(path, hostPath);
}

void CActivityLogLeaf45::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList*, CLeafArray*)
{
    *heading = LoadString(IDS_ACTIVITY_LOG_HEADING);
    *producedFormat = DISPLAY_COLUMNS;
    QVector<Records::RingEntry> entries;
    QString windowsPath;
    QString host;
    if (LogPaths::Query(this, LogPaths::Kind::ActivityLogFile, &windowsPath) && LogPaths::HostPath(windowsPath, &host)) {
        Files::FileStatus status;
        m_lastWrite = Files::Stat(windowsPath, &status) == 0 ? status.lastWriteNs : 0;
        Records::RingHeader header;
        if (!Records::ReadActivityRing(host, &header, &entries))
            entries.clear();
    }
    for (Records::RingEntry& entry : entries)
        entry.text = Records::CutUtf8(entry.text, Records::kRingTextSize - 1);
    // A ring that only grew keeps its rows' numbers; one that wrapped or was cleared does not.
    bool grown = entries.size() >= m_entries.size();
    for (qsizetype i = 0; grown && i < m_entries.size(); ++i) {
        const Records::RingEntry& a = m_entries.at(i);
        const Records::RingEntry& b = entries.at(i);
        grown = a.recordNumber == b.recordNumber && a.text == b.text &&
            std::memcmp(&a.written, &b.written, sizeof(a.written)) == 0;
    }
    if (!grown)
        ++m_generation;
    m_entries = std::move(entries);
}

QString CActivityLogLeaf45::CellText(int item, int column) const
{
    if (item < 0 || item >= m_entries.size())
        return QString();
    const Records::RingEntry& entry = m_entries.at(item);
    if (column == 0)
        return LogPaths::DateTimeText(entry.written.ToDateTime());
    return column == 1 ? QString::fromUtf8(entry.text) : QString();
}

QString CActivityLogLeaf45::RowText(int item) const
{
    return CellText(item, 0) + QLatin1Char('\t') + CellText(item, 1);
}

QString CActivityLogLeaf45::SortField(int item, int keyField) const
{
    if (item < 0 || item >= m_entries.size())
        return QString();
    const Records::RingEntry& entry = m_entries.at(item);
    if (keyField == 1)
        return QString::fromUtf8(entry.text);
    if (keyField != 0)
        return QString();
    const Records::SystemTime& t = entry.written;
    return QString::asprintf("%d %02d %02d %02d%02d%02d %03d", int(t.year), int(t.month), int(t.day), int(t.hour),
                             int(t.minute), int(t.second), int(t.milliseconds));
}

bool CActivityLogLeaf45::RowFacets(int item, Facets* out) const
{
    if (item < 0 || item >= m_entries.size())
        return false;
    const QDateTime written = m_entries.at(item).written.ToDateTime();
    out->time = written.isValid() ? written.toSecsSinceEpoch() : -1;
    return true;
}

bool CActivityLogLeaf45::OnRowsCommand(UINT id, CCmdUI* pUI, const std::vector<int>&)
{
    // Every row stands for the log itself.
    return OnCmdMsg(id, pUI);
}

CCmdTarget* CActivityLogLeaf45::RowObject(int)
{
    return this;
}

bool CActivityLogLeaf45::FileModified()
{
    QString windowsPath;
    if (!LogPaths::Query(this, LogPaths::Kind::ActivityLogFile, &windowsPath))
        return false;
    Files::FileStatus status;
    if (Files::Stat(windowsPath, &status) != 0)
        return false;
    return status.lastWriteNs != m_lastWrite;
}

void CActivityLogLeaf45::ReadRingSize(DWORD* capacity, DWORD* count)
{
    *capacity = 0;
    *count = 0;
    QString host;
    if (!HostFile(&host))
        return;
    Records::RingHeader header;
    QVector<Records::RingEntry> entries;
    if (QFileInfo::exists(host)) {
        if (!Records::ReadActivityRing(host, &header, &entries))
            return;
    }
    // A missing log is one the service has not begun: the default ring.
    *capacity = header.capacity;
    *count = header.count;
}

bool CActivityLogLeaf45::ClearLog()
{
    return ResizeLog(0);
}

bool CActivityLogLeaf45::ResizeLog(DWORD capacity)
{
    QString host;
    if (!HostFile(&host))
        return false;
    // The log's folder is the service's; a log is never made where there is none.
    if (!QFileInfo(QFileInfo(host).absolutePath()).isDir())
        return false;
    // A file that is not a ring (the older service's text, or damage) is not the console's to
    // overwrite; the service sets a damaged ring aside itself.
    if (QFileInfo::exists(host)) {
        Records::RingHeader header;
        QVector<Records::RingEntry> entries;
        if (!Records::ReadActivityRing(host, &header, &entries))
            return false;
    }
    return Records::ResetActivityRing(host, capacity);
}

void CActivityLogLeaf45::OnClearLog()
{
    CWeakPtr<CActivityLogLeaf45> alive(this);
    if (AfxMessageBox(LoadString(IDS_ASK_CLEAR), MB_YESNO | MB_ICONQUESTION) != IDYES || !alive)
        return;
    ClearLog();
    Redisplay();
}

void CActivityLogLeaf45::OnUpdateClearLog(CCmdUI* pUI)
{
    pUI->Enable(true);
}

void CActivityLogLeaf45::OnSettings()
{
    DWORD capacity = 0;
    DWORD count = 0;
    ReadRingSize(&capacity, &count);
    CWeakPtr<CActivityLogLeaf45> alive(this);
    CLogSettingsDlg dialog(capacity);
    if (UiHost::Current()->RunModal(&dialog) != IDOK || !alive)
        return;
    if (count > 0 && AfxMessageBox(LoadString(IDS_ASK_RESIZE), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!alive)
        return;
    // The periodic check sees the rewritten file and shows it again.
    ResizeLog(dialog.GetCapacity());
}

void CActivityLogLeaf45::OnUpdateSettings(CCmdUI* pUI)
{
    pUI->Enable(true);
}

// ---- CActivityLogLeaf40 -----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CActivityLogLeaf40, CAlertLeaf)
    ON_COMMAND(ID_EDIT_CLEAR_ACTIVITY_LOG, OnClearLog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_CLEAR_ACTIVITY_LOG, OnUpdateClearLog)
END_MESSAGE_MAP()

CActivityLogLeaf40::CActivityLogLeaf40()
{
    m_name = LoadString(IDS_ACTIVITY_LOG_CAPTION);
    m_image = kLogImage;
    m_menuId = IDR_TEXT_LOG_MENU;
}

QString CActivityLogLeaf40::GetTitle()
{
    return LoadString(IDS_ACTIVITY_LOG_TITLE);
}

bool CActivityLogLeaf40::HostFile(QString* hostPath) const
{
    QString path;
    return LogPaths::Query(this, LogPaths::Kind::ActivityLogFile, &path) && LogPaths::HostPath(path, hostPath);
}

bool CActivityLogLeaf40::MakeAccessible(bool recreate)
{
    QString host;
    if (!HostFile(&host))
        return false;
    if (!recreate && QFileInfo::exists(host))
        return true;
    if (!QFileInfo(QFileInfo(host).absolutePath()).isDir())
        return false;
    // Under the lock the service appends under, so no line is cut in half.
    Records::FileLock lock(Records::LockPathFor(host));
    if (!lock.IsLocked())
        return false;
    if (!recreate && QFileInfo::exists(host))
        return true;
    QFile file(host);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool CActivityLogLeaf40::FileModified()
{
    if (!MakeAccessible(false))
        return false;
    if (!m_held)
        return true;
    QString host;
    if (!HostFile(&host))
        return false;
    const QFileInfo info(host);
    return info.exists() && info.size() != m_heldSize;
}

void CActivityLogLeaf40::RefreshText()
{
    if (!FileModified())
        return;
    m_held = false;
    m_text.clear();
    QString host;
    if (!HostFile(&host))
        return;
    QByteArray bytes;
    if (!Records::ReadWholeFile(host, kTextLogLimit, &bytes))
        return;
    m_text = Records::AlertLogText(bytes);
    m_held = true;
    m_heldSize = bytes.size();
}

void CActivityLogLeaf40::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList* rows,
                                        CLeafArray* objects)
{
    RefreshText();
    rows->append(m_held ? QString::fromUtf8(m_text) : QString());
    objects->append(this);
    *heading = LoadString(IDS_TEXT_LOG_HEADING);
    *producedFormat = DISPLAY_TEXT;
}

bool CActivityLogLeaf40::ClearLog()
{
    m_held = false;
    m_text.clear();
    m_heldSize = 0;
    const bool emptied = MakeAccessible(true);
    RefreshText();
    return emptied;
}

void CActivityLogLeaf40::OnClearLog()
{
    if (!m_held || m_heldSize == 0)
        return;
    ClearLog();
    Redisplay();
}

void CActivityLogLeaf40::OnUpdateClearLog(CCmdUI* pUI)
{
    pUI->Enable(m_held && m_heldSize > 0);
}

// ---- CLogSettingsDlg --------------------------------------------------------------------------

CLogSettingsDlg::CLogSettingsDlg(DWORD capacity, QWidget* parent)
    : QDialog(parent)
    , m_capacity(capacity)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(Res::ControlText(kDialogId, kCapacityEdit, Res::CtrlText::Group), this);
    auto* form = new QFormLayout(group);
    m_edit = DialogControls::AddLabeledEdit(group, form, kDialogId, kCapacityEdit);
    m_edit->setText(QString::number(capacity));
    layout->addWidget(group);
    layout->addLayout(DialogControls::OkCancelRow(this, kDialogId));
}

void CLogSettingsDlg::accept()
{
    bool ok = false;
    const qlonglong value = m_edit->text().trimmed().toLongLong(&ok);
    if (!ok) {
        AfxMessageBox(LoadString(IDS_FW_PARSE_INT), MB_OK | MB_ICONEXCLAMATION);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    if (value < qlonglong(CActivityLogLeaf45::kMinCapacity) || value > qlonglong(CActivityLogLeaf45::kMaxCapacity)) {
        AfxMessageBox(FormatString(IDS_FW_PARSE_INT_RANGE, {QString::number(CActivityLogLeaf45::kMinCapacity),
                                                            QString::number(CActivityLogLeaf45::kMaxCapacity)}),
                      MB_OK | MB_ICONEXCLAMATION);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_capacity = DWORD(value);
    QDialog::accept();
}
