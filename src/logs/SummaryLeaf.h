#pragma once
// CSummaryLeaf: the alert summary under a server's activity leaf - how many alerts the service
// generated, by severity, from the configuration library's statistics. Its three children,
// CNotificationLeaf, each hold one count; the severity a child stands for is its image.
#include "tree/AlertLeaf.h"

#include <QByteArray>

class CNotificationLeaf : public CAlertLeaf {
public:
    // Image 22 important (statistics offset 0), 23 warning (4), 24 information (8).
    static constexpr int kImportantImage = 22;
    static constexpr int kWarningImage = 23;
    static constexpr int kInformationImage = 24;

    // Caption from the string table, the severity's image, no context menu.
    CNotificationLeaf(UINT captionId, int image);

    // Takes the count for its image from a 256-byte statistics record; a child with another
    // image (or a short record) keeps its count.
    void SetFromStatistics(const QByteArray& record);
    int32_t GetCount() const { return m_count; }

    QString GetTitle() override;
    // One row "caption\tcount", heading 4013, out-format 2 (label/data when shown alone).
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

private:
    int32_t m_count = 0;
};

class CSummaryLeaf : public CAlertLeaf {
public:
    static constexpr int kStatisticsSize = 256;

    // Caption 5016, image 23, no context menu.
    CSummaryLeaf();

    // Creates the three counters on the first call (important, information, warning), then
    // reads the statistics; a failed read keeps the previous counts, without a message.
    void Refresh();

    QString GetTitle() override;
    // Refreshes, then lists the counters: heading 4013, out-format 1.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

protected:
    // The statistics call; 1 when the record was filled.
    virtual int32_t QueryStatistics(const QString& machine, QByteArray* record);
};
