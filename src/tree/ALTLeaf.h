#pragma once
// CALTLeaf: one application alert table of a service machine (or its default table, "Alert").
// It holds the table's settings image and one method leaf per delivery method of its table
// version, watches the table's change date and reloads everything when the table changed
// elsewhere, and writes its method leaves back at once when the user changed something, unless
// the table changed elsewhere since it was loaded (tree/StaleWrite.h).
#include "tree/AbstractDataLeaf.h"
#include "tree/StaleWrite.h"

#include <QByteArray>
#include <QString>

class CALTLeaf : public CAbstractDataLeaf {
public:
    static constexpr int kImageSize = 3944;
    // Fields of the settings image the console itself touches.
    static constexpr int kTicketHeaderOffset = 0;
    static constexpr int kTicketHeaderSize = 73;
    static constexpr int kSubjectOffset = 566;
    static constexpr int kSubjectSize = 257;
    static constexpr int kAttachmentCountOffset = 1032;
    static constexpr int kAttachmentsOffset = 1036;
    static constexpr int kAttachmentSize = 256;
    static constexpr int kMaxAttachments = 10;
    // The change date before the first check: never equal to a real one.
    static const char* const kInvalidDate;

    CALTLeaf();

    // Enables refresh for the table of application on machine; the next check reloads.
    void Bind(const QString& machine, const QString& application);
    // 0 when refresh is disabled or (unless forced) the change date did not move; else reloads
    // and gives 1.
    BOOL RefreshIfChanged(BOOL force);
    // Reads the table's settings and every method's recipients, as a quiet rebuild. Only a
    // successful read changes anything.
    void RefreshFromCfg(const QString& machine, const QString& application) override;
    // Writes every modified method leaf back (through message 0x0403 to the tree), then shows
    // the message of a write refused because the table changed elsewhere, or of a method the
    // library did not take. The leaf may be gone when it returns.
    void WriteAll();

    const QString& GetApplicationName() const { return m_application; }
    const QString& GetMachine() const { return m_machine; }
    const QString& GetChangeDate() const { return m_changeDate; }
    BOOL IsRefreshEnabled() const { return m_refreshEnabled; }
    // The table's settings image (kImageSize bytes).
    QByteArray GetImage() const { return m_image; }
    BYTE* ImageData() { return reinterpret_cast<BYTE*>(m_image.data()); }

    // Company and location from the service machine's registry ("User" section); empty when
    // the library cannot give them.
    QString GetCompany() const;
    QString GetLocation() const;
    int32_t SetCompany(const QString& text) const;
    int32_t SetLocation(const QString& text) const;
    // The table's mail subject and attachments, read into and written from the image; the
    // library's result (0 on success).
    int32_t GetMailAttributes();
    int32_t SetMailAttributes();

    QString GetTitle() override;
    WORD GetDisplayFormat() override;
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;
    void ChildModified(CAlertLeaf* child) override;
    LRESULT OnTreeMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Versions 0 and 1 create the method leaves of the version (2 and 3 use version 1).
    BOOL SetDataV0(const void* data) override;
    BOOL SetDataV1(const void* data) override;

protected:
    // 1 when the change date differs from the last one seen and the difference is not the
    // leaf's own write.
    BOOL ChangeDateMoved();
    // The table's change date as stored now; false when the library cannot give it.
    bool ReadChangeDate(QString* date) const;
    // RefreshFromCfg, telling whether the table could be read.
    bool Load(const QString& machine, const QString& application);
    // The 0x0403 handler: with refresh held off, writes every modified method leaf, unless the
    // stored change date is no longer the one loaded (then it reloads instead).
    StaleWrite::Outcome WriteMethods();
    // Creates the method leaves of a table version, in creation order.
    virtual void CreateMethodLeaves(int version);
    // Whether the service machine runs platform 6 or later (asked once).
    bool PlatformIsVersion6();

    QString m_application;
    QString m_changeDate;
    QString m_machine;
    QString m_localDisplayName;
    BOOL m_platformCheckPending = 1;
    BOOL m_platform6 = 0;
    QByteArray m_image;
    BOOL m_refreshEnabled = 0;
    BOOL m_ignoreNextChange = 0;
};
