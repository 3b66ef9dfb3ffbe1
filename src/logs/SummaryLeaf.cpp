#include "logs/SummaryLeaf.h"

#include "extern/Tarnix.h"
#include "res/Resources.h"

namespace {
constexpr UINT IDS_ACTIVITY = 5015;
constexpr UINT IDS_SUMMARY = 5016;
constexpr UINT IDS_IMPORTANT = 5020;
constexpr UINT IDS_INFORMATION = 5021;
constexpr UINT IDS_WARNING = 5022;
constexpr UINT IDS_SUMMARY_HEADING = 4013;
constexpr int kSummaryImage = 23;

int32_t CountAt(const QByteArray& record, int offset)
{
    if (offset < 0 || record.size() < offset + 4)
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(record.constData() + offset);
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
} // namespace

// ---- CNotificationLeaf ----------------------------------------------------------------------

CNotificationLeaf::CNotificationLeaf(UINT captionId, int image)
{
    m_name = LoadString(captionId);
    m_image = image;
    m_menuId = 0;
}

void CNotificationLeaf::SetFromStatistics(const QByteArray& record)
{
    int offset = -1;
    switch (m_image) {
    case kImportantImage:
        offset = 0;
        break;
    case kWarningImage:
        offset = 4;
        break;
    case kInformationImage:
        offset = 8;
        break;
    default:
        return;
    }
    if (record.size() < offset + 4)
        return;
    m_count = CountAt(record, offset);
}

QString CNotificationLeaf::GetTitle()
{
    return LoadString(IDS_ACTIVITY);
}

void CNotificationLeaf::GetDisplayData(UINT, WORD* producedFormat, QString* heading, QStringList* rows,
                                       CLeafArray* objects)
{
    rows->append(m_name + QLatin1Char('\t') + QString::number(m_count));
    objects->append(this);
    *heading = LoadString(IDS_SUMMARY_HEADING);
    *producedFormat = DISPLAY_LABELS;
}

// ---- CSummaryLeaf ---------------------------------------------------------------------------

CSummaryLeaf::CSummaryLeaf()
{
    m_name = LoadString(IDS_SUMMARY);
    m_image = kSummaryImage;
    m_menuId = 0;
}

QString CSummaryLeaf::GetTitle()
{
    return m_name;
}

void CSummaryLeaf::Refresh()
{
    if (!HasChildren() && InTree()) {
        const struct {
            UINT caption;
            int image;
        } counters[] = {
            {IDS_IMPORTANT, CNotificationLeaf::kImportantImage},
            {IDS_INFORMATION, CNotificationLeaf::kInformationImage},
            {IDS_WARNING, CNotificationLeaf::kWarningImage},
        };
        for (const auto& c : counters) {
            auto* child = new CNotificationLeaf(c.caption, c.image);
            if (!InsertChild(child))
                delete child;
        }
    }

    QString machine;
    GetMachineName(&machine);
    QByteArray record(kStatisticsSize, '\0');
    if (QueryStatistics(machine, &record) != 1 || record.size() != kStatisticsSize)
        return;
    for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
        if (auto* counter = dynamic_cast<CNotificationLeaf*>(child))
            counter->SetFromStatistics(record);
    }
}

int32_t CSummaryLeaf::QueryStatistics(const QString& machine, QByteArray* record)
{
    const QByteArray name = machine.toUtf8();
    return AlertGetStatistics(name.constData(), record->data());
}

void CSummaryLeaf::GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                                  CLeafArray* objects)
{
    Refresh();
    ForEachChildGetDisplayData(requestedFormat, producedFormat, heading, rows, objects);
    *heading = LoadString(IDS_SUMMARY_HEADING);
    *producedFormat = DISPLAY_COLUMNS;
}
