#include "ui/VersionDlg.h"

#include "framework/WaitCursor.h"
#include "platform/Files.h"
#include "platform/VersionInfo.h"
#include "res/Resources.h"
#include "tree/RegUtil.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

namespace {

constexpr UINT IDS_COLUMN_MODULE = 6100;
constexpr UINT IDS_COLUMN_DESCRIPTION = 6101;
constexpr UINT IDS_COLUMN_VERSION = 6102;
constexpr UINT IDS_COLUMN_BUILD = 6103;
constexpr int kOkCtrlId = 1;
constexpr DWORD kHomeBufferSize = 260;
constexpr int kMaxDescription = 254;

// English, German, French, Japanese, simplified Chinese, Italian, Spanish, traditional
// Chinese, Korean, Brazilian Portuguese; all in the Unicode code page.
const char* const kDescriptionKeys[] = {
    "\\StringFileInfo\\040904B0\\FileDescription", "\\StringFileInfo\\040704B0\\FileDescription",
    "\\StringFileInfo\\040C04B0\\FileDescription", "\\StringFileInfo\\041104B0\\FileDescription",
    "\\StringFileInfo\\080404B0\\FileDescription", "\\StringFileInfo\\041004B0\\FileDescription",
    "\\StringFileInfo\\0C0A04B0\\FileDescription", "\\StringFileInfo\\040404B0\\FileDescription",
    "\\StringFileInfo\\041204B0\\FileDescription", "\\StringFileInfo\\041604B0\\FileDescription",
};

struct ColumnSpec {
    UINT heading;
    Qt::Alignment alignment;
    int percent;
};
const ColumnSpec kColumns[] = {
    {IDS_COLUMN_MODULE, Qt::AlignLeft, 23},
    {IDS_COLUMN_DESCRIPTION, Qt::AlignLeft, 41},
    {IDS_COLUMN_VERSION, Qt::AlignRight, 13},
    {IDS_COLUMN_BUILD, Qt::AlignRight, 20},
};

// The name without directory and extension.
QString BareName(const QString& fileName)
{
    QString name = fileName.section(QLatin1Char('\\'), -1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.left(dot) : name;
}

} // namespace

CVersionDlg::CVersionDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(Res::DialogCaption(kDialogId));
    setSizeGripEnabled(true);
    setProperty("dialogId", kDialogId);

    m_list = new QTreeWidget(this);
    m_list->setProperty("ctrlId", kListCtrlId);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setColumnCount(4);
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setStretchLastSection(false);
    m_ok = new QPushButton(Res::ControlText(kDialogId, kOkCtrlId), this);
    m_ok->setProperty("ctrlId", kOkCtrlId);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    // The template's geometry, in pixels.
    m_marginX = 7;
    m_marginY = 7;
    resize(520, 300);
    m_list->setGeometry(m_marginX, m_marginY, 506, 250);
    const QSize button = m_ok->sizeHint().expandedTo(QSize(75, 23));
    m_ok->resize(button);
    Layout();

    // Centred on the desktop.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    QStringList headings;
    for (const ColumnSpec& c : kColumns)
        headings << LoadString(c.heading);
    m_list->setHeaderLabels(headings);
    const int listWidth = m_list->width();
    for (int i = 0; i < 4; ++i) {
        m_list->headerItem()->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
        m_list->setColumnWidth(i, listWidth * kColumns[i].percent / 100);
    }

    CWaitCursor wait;
    for (const Module& module : CollectModules(ReadHomeDirectory())) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, module.name);
        item->setText(1, module.description);
        item->setText(2, module.version);
        item->setText(3, module.build);
        for (int i = 0; i < 4; ++i)
            item->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
    }
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(0, Qt::AscendingOrder);
    // Sorted by module, but the headings are not buttons.
    m_list->header()->setSectionsClickable(false);
    m_layoutReady = true;
}

QString CVersionDlg::ReadHomeDirectory()
{
    return ReadRegString(QStringLiteral("Path"), QString(), QStringLiteral("Home"), QString(), kHomeBufferSize);
}

QString CVersionDlg::Description(const QByteArray& block, const QString& fileName)
{
    for (const char* key : kDescriptionKeys) {
        QString text;
        if (!Version::QueryString(block, QLatin1String(key), &text))
            continue;
        if (text.isEmpty())
            return BareName(fileName);
        return text.left(kMaxDescription);
    }
    return QString();
}

std::vector<CVersionDlg::Module> CVersionDlg::CollectModules(const QString& home)
{
    std::vector<Module> modules;
    for (const char* pattern : {"\\*.EXE", "\\*.DLL"}) {
        Files::CFindFile find;
        Files::FindData data;
        for (DWORD rc = find.FindFirst(home + QLatin1String(pattern), &data); rc == 0; rc = find.FindNext(&data)) {
            if (data.directory)
                continue;
            // By its full path: the bare name could find a same-named file elsewhere first.
            const QString path = home + QLatin1Char('\\') + data.name;
            QByteArray block;
            VS_FIXEDFILEINFO fixed;
            if (!Version::ReadVersionBlock(path, &block) || block.isEmpty() || !Version::QueryFixed(block, &fixed))
                continue;
            Module module;
            module.name = data.name.toUpper();
            module.version = QStringLiteral("%1.%2").arg(fixed.dwFileVersionMS >> 16).arg(fixed.dwFileVersionMS & 0xFFFF);
            module.build = QString::number(fixed.dwFileVersionLS >> 16);
            module.description = Description(block, data.name);
            modules.push_back(module);
        }
        find.Close();
    }
    return modules;
}

void CVersionDlg::Layout()
{
    const QSize client = size();
    const QSize button = m_ok->size();
    m_ok->move(client.width() - m_marginX - button.width(), client.height() - m_marginY - button.height());
    m_list->setGeometry(m_list->x(), m_list->y(), std::max(0, client.width() - 2 * m_marginX),
                        std::max(0, client.height() - button.height() - 3 * m_marginY));
}

void CVersionDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_layoutReady)
        Layout();
}
