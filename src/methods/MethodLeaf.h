#pragma once
// The method-leaf family: under an application alert table every delivery method is one method
// leaf, and under it every recipient of the method one recipient leaf. The method leaf owns the
// exchange with the configuration library (a list of fixed-size records for one machine and
// application); the recipient leaf holds the fields of one record.
//
// CMethodLeaf and CRecipientLeaf carry what all methods share; a method is a pair of classes
// deriving from them that add its record layout, names and dialog.
#include "tree/AbstractDataLeaf.h"

#include <cstdint>

// The configuration library's list operations of one method.
using MethodGetFn = int32_t (*)(const char* machine, int32_t* count, void** block, const char* app);
using MethodSetFn = int32_t (*)(const char* machine, int32_t count, void* block, uint8_t nonEmpty, const char* app);
// A Set that also takes a copy of the application's table image.
using MethodSetImageFn = int32_t (*)(const char* machine, int32_t count, void* block, const void* alStruct,
                                     uint8_t nonEmpty, const char* app);

// What distinguishes one method leaf from another.
struct MethodTraits {
    UINT nameId;            // the leaf's name
    int image;
    UINT headingId;         // column heading of the recipient list
    int version;            // record version the list is loaded with
    size_t recordSize;      // bytes per recipient record at that version
    MethodGetFn get;
    MethodSetFn set;
    MethodSetImageFn setWithImage = nullptr;    // used instead of set when given
};

class CRecipientLeaf;

constexpr UINT ID_EDIT_PASTE = 57637;
// Commands of the mail methods.
constexpr UINT ID_MAIL_ATTRIBUTES = 3021;      // subject and attachments of alert mails
constexpr UINT ID_NOTES_SETTINGS = 3038;
constexpr UINT ID_SMTP_SETTINGS = 3046;

class CMethodLeaf : public CAbstractDataLeaf {
    DECLARE_MESSAGE_MAP()
public:
    explicit CMethodLeaf(const MethodTraits& traits);

    const MethodTraits& Traits() const { return m_traits; }

    QString GetTitle() override;
    void ChildModified(CAlertLeaf* child) override;
    // Re-reads the list; a failed read leaves the recipients as they are.
    void RefreshFromCfg(const QString& machine, const QString& application) override;
    // Writes the list back when modified (an empty list too); clears the flag after every
    // attempted write, keeps it when the block could not be allocated.
    void WriteToCfg(const QString& machine, const QString& application) override;
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

    // data: a RECORDBLOCK. Replaces the children by one recipient per record; refuses (0) a
    // negative count or one that does not fit the block.
    BOOL SetDataV0(const void* data) override;
    // The list in a version is its recipients' records in that version, in tree order.
    size_t GetDataSize(int version) override;
    BOOL GetData(OUTPUTDESC* out, int version) override;
    BOOL GetDataV0(OUTPUTDESC* out) override { return GetData(out, 0); }
    size_t GetDataSizeV0() override { return GetDataSize(0); }

    // Opens the method's recipients dialog; after OK the recipients are sorted, marked modified
    // and written through the parent, and a selected leaf is shown again. Cancel changes nothing.
    void NewItem(UINT flags, int x, int y) override;

protected:
    // A new, empty recipient leaf of this method.
    virtual CRecipientLeaf* NewRecipient() = 0;
    // Runs the method's recipients dialog on this leaf; true when OK replaced the recipients
    // and the leaf outlived the dialog.
    // A method without a dialog answers false.
    virtual bool RunRecipientDialog() { return false; }
    // Whether new recipients are made in a dialog of this method (3005 is offered only then).
    virtual bool HasRecipientDialog() const { return false; }

    // 3005: the recipients dialog. Methods whose dialog is also where recipients are removed
    // map 3007 on the method leaf to it as well.
    void OnRecipientsDialog() { NewItem(0, 0, 0); }
    void OnUpdateNewItem(CCmdUI* pUI) { pUI->Enable(HasRecipientDialog()); }
    void OnUpdateDeleteItem(CCmdUI* pUI) { pUI->Enable(HasChildren()); }
    // A new recipient made in its own dialog: inserted, then edited; removed again when the
    // dialog is cancelled (or the leaf could not be inserted).
    void InsertAndEdit(CRecipientLeaf* leaf, bool (*edit)(CRecipientLeaf*));

    void OnPaste() {}
    void OnUpdatePaste(CCmdUI* pUI) { pUI->Enable(true); }

    MethodTraits m_traits;
};

class CRecipientLeaf : public CAbstractDataLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CRecipientLeaf() = default;
    CRecipientLeaf(const CRecipientLeaf& other) = default;

    // The method bit test alerts carry (0: none).
    virtual uint32_t GetMethodBit() const = 0;
    // Name of the method (first column) and the recipient kind (description column).
    virtual UINT GetMethodNameId() const = 0;
    virtual UINT GetTitleId() const = 0;
    // Heading of the method's recipient list.
    virtual UINT GetHeadingId() const = 0;
    // The recipient's own columns, tab-separated (its method's list).
    virtual QString GetColumns() const = 0;
    // The recipient's name alone (the table's combined list has one column for it).
    virtual QString GetRecipientText() const = 0;
    // What follows the method in the table's combined list: by default the name and the
    // recipient kind.
    virtual QString GetCombinedColumns() const;

    QString GetTitle() override;
    // Opens the method's recipients dialog (the parent's NewItem).
    void OnDoubleClick(UINT flags, int x, int y) override;
    void NewItem(UINT flags, int x, int y) override;
    // After the recipient's own dialog ended with OK: mark it changed; its method re-sorts,
    // hears of the change (and writes) and shows the list again when it is on display.
    void AfterEdit();
    // Requested format 1 (the table's combined list): method, recipient, kind under heading
    // 4010; otherwise method and columns under the method's heading. Produces format 2.
    void GetDisplayData(UINT requestedFormat, WORD* producedFormat, QString* heading, QStringList* rows,
                        CLeafArray* objects) override;

protected:
    // 3007: the recipient goes, and the method writes its list without it.
    void OnDelete();
    void OnUpdateAlways(CCmdUI* pUI) { pUI->Enable(true); }
    // 3035: a test alert to this recipient alone, priority information; nothing for a
    // recipient without a method bit.
    void OnTestMessage();
};

// ---- broadcast ----------------------------------------------------------------------------------

// A recipient of network broadcasts: a machine ("\\PC01"), a domain or workgroup, or a name typed
// by the user. Record (52 bytes, every version): the text, NUL-terminated; a name without a
// leading double backslash is stored with "*" appended.
class CBroadcastRecipientLeaf : public CRecipientLeaf {
public:
    static constexpr size_t kRecordSize = 52;

    CBroadcastRecipientLeaf();
    CBroadcastRecipientLeaf(const CBroadcastRecipientLeaf& other) = default;

    const QString& GetRecipientName() const { return m_recipientName; }
    // Sets the name of a recipient the user made (before it is inserted).
    void SetRecipientName(const QString& name);

    uint32_t GetMethodBit() const override { return 1; }
    UINT GetMethodNameId() const override;
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override { return m_recipientName; }
    QString GetRecipientText() const override { return m_recipientName; }

    BOOL SetDataV0(const void* data) override;
    BOOL GetDataV0(OUTPUTDESC* out) override;
    size_t GetDataSizeV0() override { return kRecordSize; }

private:
    QString m_recipientName;
};

class CBroadcastMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CBroadcastMethodLeaf();

protected:
    CRecipientLeaf* NewRecipient() override { return new CBroadcastRecipientLeaf; }
    // The broadcast recipients dialog (methods/BroadcastDlg.h).
    bool RunRecipientDialog() override;
    bool HasRecipientDialog() const override { return true; }
};

// ---- SMTP ---------------------------------------------------------------------------------------

// A mail recipient reached by SMTP. Record (197 bytes, version 2 and later): address @0 (132),
// display name @132 (65), each NUL-terminated.
class CSMTPRecipientLeaf : public CRecipientLeaf {
    DECLARE_MESSAGE_MAP()
public:
    static constexpr size_t kRecordSize = 197;
    static constexpr int kAddressOffset = 0;
    static constexpr int kAddressSize = 132;
    static constexpr int kDisplayNameOffset = 132;
    static constexpr int kDisplayNameSize = 65;

    CSMTPRecipientLeaf();
    CSMTPRecipientLeaf(const CSMTPRecipientLeaf& other) = default;

    const QString& GetAddress() const { return m_address; }
    const QString& GetDisplayName() const { return m_displayName; }
    void SetFields(const QString& address, const QString& displayName);

    // The recipient dialog (methods/SmtpDlg.cpp).
    void OnDoubleClick(UINT flags, int x, int y) override;

    uint32_t GetMethodBit() const override { return 4096; }
    UINT GetMethodNameId() const override;
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override;
    QString GetRecipientText() const override { return m_address; }
    // Address and display name in the combined list too.
    QString GetCombinedColumns() const override { return GetColumns(); }

    // The method exists from record version 2 on; older versions have no SMTP record.
    BOOL SetDataV2(const void* data) override;
    BOOL GetDataV2(OUTPUTDESC* out) override;
    size_t GetDataSizeV2() override { return kRecordSize; }

protected:
    void OnEdit();

private:
    QString m_address;
    QString m_displayName;
};

class CSMTPMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CSMTPMethodLeaf();
    // A new recipient with the sample address and name, through its dialog; gone again when
    // the dialog is cancelled.
    bool HasRecipientDialog() const override { return true; }
    void NewItem(UINT flags, int x, int y) override;

protected:
    void OnNewRecipient();
    // 3046: the machine's SMTP settings (methods/SmtpSettingsDlg.h).
    void OnSmtpSettings();
    void OnUpdateSmtpSettings(CCmdUI* pUI);
    CRecipientLeaf* NewRecipient() override { return new CSMTPRecipientLeaf; }
};

// ---- Windows event log ----------------------------------------------------------------------------

// A machine whose event log receives alerts, with the account that reaches its administrative
// share. Record (52 bytes, every version): machine, domain and user packed with their NULs, then
// the scrambled password in what room is left (the service's codec).
class CEventLogRecipientLeaf : public CRecipientLeaf {
public:
    static constexpr size_t kRecordSize = 52;

    CEventLogRecipientLeaf();
    CEventLogRecipientLeaf(const CEventLogRecipientLeaf& other) = default;

    const QString& GetMachine() const { return m_machine; }
    const QString& GetDomain() const { return m_domain; }
    const QString& GetUser() const { return m_user; }
    const QString& GetPassword() const { return m_password; }
    void SetFields(const QString& machine, const QString& domain, const QString& user, const QString& password);

    uint32_t GetMethodBit() const override { return 32; }
    UINT GetMethodNameId() const override;
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override { return m_machine + QLatin1Char('\t') + m_user; }
    QString GetRecipientText() const override { return m_machine; }

    // An unreadable record shows 5123 (once the load is over) and gives 0.
    BOOL SetDataV0(const void* data) override;
    // Texts that do not fit show 5124 (once the write is over); the record stays zero but
    // still counts.
    BOOL GetDataV0(OUTPUTDESC* out) override;
    size_t GetDataSizeV0() override { return kRecordSize; }

private:
    QString m_machine;
    QString m_domain;
    QString m_user;
    QString m_password;
};

// New (and Delete while there are recipients) open the event-log recipients dialog (153).
class CEventLogMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CEventLogMethodLeaf();

protected:
    CRecipientLeaf* NewRecipient() override { return new CEventLogRecipientLeaf; }
    bool RunRecipientDialog() override;
    bool HasRecipientDialog() const override { return true; }
};

// ---- trouble ticket --------------------------------------------------------------------------------

// A print queue that prints alerts as tickets, with the account that connects to it. Record
// (208 bytes, every version): user @0 (49), password @49 (49), two carried bytes @98, queue path
// "\\server\queue" @100 (49), server @149 (49, written only), ten carried bytes @198.
class CTicketRecipientLeaf : public CRecipientLeaf {
public:
    static constexpr size_t kRecordSize = 208;
    static constexpr int kUserOffset = 0;
    static constexpr int kPasswordOffset = 49;
    static constexpr int kPathOffset = 100;
    static constexpr int kServerOffset = 149;
    static constexpr int kTextSize = 49;

    CTicketRecipientLeaf();
    CTicketRecipientLeaf(const CTicketRecipientLeaf& other) = default;

    const QString& GetServer() const { return m_server; }
    const QString& GetQueue() const { return m_queue; }
    const QString& GetDomain() const { return m_domain; }
    const QString& GetUser() const { return m_user; }
    const QString& GetPassword() const { return m_password; }
    void SetFields(const QString& server, const QString& queue, const QString& user, const QString& password);
    // The account that connects to the queue; the domain is kept with the leaf, not in the record.
    void SetAccount(const QString& domain, const QString& user, const QString& password);

    uint32_t GetMethodBit() const override { return 16; }
    UINT GetMethodNameId() const override;
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override;
    QString GetRecipientText() const override { return m_server + QLatin1Char('\\') + m_queue; }
    QString GetCombinedColumns() const override;

    BOOL SetDataV0(const void* data) override;
    BOOL GetDataV0(OUTPUTDESC* out) override;
    size_t GetDataSizeV0() override { return kRecordSize; }

private:
    QString m_server;
    QString m_queue;
    QString m_domain;
    QString m_user;
    QString m_password;
    // The record as read: the bytes the console does not interpret travel back unchanged.
    QByteArray m_record = QByteArray(kRecordSize, '\0');
};

// New, Edit and Delete (the last two while there are queues) open the ticket dialog (158).
class CTicketMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CTicketMethodLeaf();

protected:
    CRecipientLeaf* NewRecipient() override { return new CTicketRecipientLeaf; }
    bool RunRecipientDialog() override;
    bool HasRecipientDialog() const override { return true; }
};

// ---- SNMP ---------------------------------------------------------------------------------------

// A network manager that receives alerts as SNMP traps, over IPX or IP. Record (68 bytes, every
// version): IPX node @0 (6), IPX network @6 (4), zero @10 (2), IPv4 in network order @12 (4),
// manager name @16 (51), send method @67 (1 IPX, 2 IP).
class CSnmpRecipientLeaf : public CRecipientLeaf {
    DECLARE_MESSAGE_MAP()
public:
    static constexpr size_t kRecordSize = 68;
    static constexpr int kNodeOffset = 0;
    static constexpr int kNodeSize = 6;
    static constexpr int kNetworkOffset = 6;
    static constexpr int kNetworkSize = 4;
    static constexpr int kIpOffset = 12;
    static constexpr int kIpSize = 4;
    static constexpr int kManagerOffset = 16;
    static constexpr int kManagerSize = 51;
    static constexpr int kMethodOffset = 67;
    static constexpr uint8_t kSendIpx = 1;
    static constexpr uint8_t kSendIp = 2;

    CSnmpRecipientLeaf();
    CSnmpRecipientLeaf(const CSnmpRecipientLeaf& other) = default;

    const QString& GetManager() const { return m_manager; }
    uint8_t GetSendMethod() const { return m_sendMethod; }
    // "a.b.c.d" of the stored address.
    QString GetIpText() const;
    // Network and node in hexadecimal: "NNNNNNNN.HHHHHHHHHHHH".
    QString GetIpxText() const;

    // The recipient dialog (methods/SnmpDlg.cpp).
    void OnDoubleClick(UINT flags, int x, int y) override;

    uint32_t GetMethodBit() const override { return 128; }
    UINT GetMethodNameId() const override;
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override;
    QString GetRecipientText() const override { return m_manager; }

    BOOL SetDataV0(const void* data) override;
    BOOL GetDataV0(OUTPUTDESC* out) override;
    size_t GetDataSizeV0() override { return kRecordSize; }

protected:
    void OnEdit();

private:
    QString m_manager;
    uint8_t m_sendMethod = 0;
    // The addresses as stored (IP in network order).
    QByteArray m_ip = QByteArray(kIpSize, '\0');
    QByteArray m_node = QByteArray(kNodeSize, '\0');
    QByteArray m_network = QByteArray(kNetworkSize, '\0');
};

class CSnmpMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CSnmpMethodLeaf();
    WORD GetDisplayFormat() override { return DISPLAY_LABELS; }
    // A new recipient through its dialog; gone again when the dialog is cancelled.
    bool HasRecipientDialog() const override { return true; }
    void NewItem(UINT flags, int x, int y) override;

protected:
    void OnNewRecipient();
    CRecipientLeaf* NewRecipient() override { return new CSnmpRecipientLeaf; }
};

// ---- Lotus Notes ----------------------------------------------------------------------------------

// A Notes mail recipient. Record (440 bytes, version 1 and later): class @0 (int32, 1 To,
// 2 Cc), display name @4 (52), mail address @56 (256), zero @312 (128).
class CNotesRecipientLeaf : public CRecipientLeaf {
public:
    static constexpr size_t kRecordSize = 440;
    static constexpr int kClassOffset = 0;
    static constexpr int kNameOffset = 4;
    static constexpr int kNameSize = 52;
    static constexpr int kAddressOffset = 56;
    static constexpr int kAddressSize = 256;
    static constexpr int32_t kClassCc = 2;

    CNotesRecipientLeaf();
    CNotesRecipientLeaf(const CNotesRecipientLeaf& other) = default;

    const QString& GetDisplayName() const { return m_displayName; }
    const QString& GetAddress() const { return m_address; }
    int32_t GetClass() const { return m_class; }
    void SetFields(const QString& displayName, const QString& address, int32_t recipientClass);
    // "副本" for copies, "到" otherwise.
    QString GetClassLabel() const;

    uint32_t GetMethodBit() const override { return 256; }
    UINT GetMethodNameId() const override;
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override;
    QString GetRecipientText() const override { return m_displayName; }
    QString GetCombinedColumns() const override;

    BOOL SetDataV1(const void* data) override;
    BOOL GetDataV1(OUTPUTDESC* out) override;
    size_t GetDataSizeV1() override { return kRecordSize; }

private:
    // Class label, ":" and the display name.
    QString TreeText() const;

    QString m_displayName;
    QString m_address;
    int32_t m_class = 0;
};

class CNotesMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CNotesMethodLeaf();
    // Shown dimmed while the Notes client is not available.
    void OnInserted() override;

protected:
    CRecipientLeaf* NewRecipient() override { return new CNotesRecipientLeaf; }
    // The Notes address dialog (methods/MailLeaves.cpp): new, delete and double-click.
    bool RunRecipientDialog() override;
    bool HasRecipientDialog() const override;
    void OnUpdateNotesDelete(CCmdUI* pUI);
    void OnUpdateNotesAvailable(CCmdUI* pUI);
    // 3021: the table's mail attributes, read from and (after OK) written to the library.
    void OnMailAttributes();
    // 3038: the machine's Notes settings; a new installation path loads the client again.
    void OnNotesSettings();
    void OnUpdateNotesSettings(CCmdUI* pUI);
};

// ---- pager --------------------------------------------------------------------------------------

// A numeric or alphanumeric pager dialled through one of the port configurations. Record
// (150 bytes, every version): reserved @0-17, port id @18 (u16), number @20 (25), pager id @45
// (11), site id @56 (5), connection delay @61 (13), message delay @74 (13), owner @87 (48),
// reserved text @135 (13), type @148 (0 numeric, 1 alphanumeric), reserved @149. The delays
// are runs of commas, one per step.
class CPagerRecipientLeaf : public CRecipientLeaf {
    DECLARE_MESSAGE_MAP()
public:
    static constexpr size_t kRecordSize = 150;
    static constexpr int kPortIdOffset = 18;
    static constexpr int kNumberOffset = 20;
    static constexpr int kNumberSize = 25;
    static constexpr int kPagerIdOffset = 45;
    static constexpr int kPagerIdSize = 11;
    static constexpr int kSiteIdOffset = 56;
    static constexpr int kSiteIdSize = 5;
    static constexpr int kConnectionDelayOffset = 61;
    static constexpr int kMessageDelayOffset = 74;
    static constexpr int kDelaySize = 13;
    static constexpr int kOwnerOffset = 87;
    static constexpr int kOwnerSize = 48;
    static constexpr int kTypeOffset = 148;
    static constexpr uint8_t kNumeric = 0;
    static constexpr uint8_t kAlphanumeric = 1;

    CPagerRecipientLeaf();
    CPagerRecipientLeaf(const CPagerRecipientLeaf& other) = default;

    const QString& GetOwner() const { return m_owner; }
    const QString& GetNumber() const { return m_number; }
    const QString& GetPagerId() const { return m_pagerId; }
    const QString& GetSiteId() const { return m_siteId; }
    const QString& GetConnectionDelay() const { return m_connectionDelay; }
    const QString& GetMessageDelay() const { return m_messageDelay; }
    uint8_t GetPagerType() const { return m_type; }
    uint16_t GetPortId() const { return m_portId; }

    // The values the pager dialog edits; the tree shows the owner.
    struct Fields {
        QString owner;
        uint8_t type = kNumeric;
        QString number;
        QString pagerId;
        QString siteId;
        QString connectionDelay;
        QString messageDelay;
        uint16_t portId = 0;
    };
    Fields GetFields() const;
    void SetFields(const Fields& fields);

    // The pager dialog (methods/PagerDlg.cpp).
    void OnDoubleClick(UINT flags, int x, int y) override;

    // 2 numeric, 4 alphanumeric, 0 for an unknown type.
    uint32_t GetMethodBit() const override;
    UINT GetMethodNameId() const override;
    // By pager type: numeric, alphanumeric or unknown.
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override;
    QString GetRecipientText() const override { return m_owner; }

    BOOL SetDataV0(const void* data) override;
    BOOL GetDataV0(OUTPUTDESC* out) override;
    size_t GetDataSizeV0() override { return kRecordSize; }

protected:
    void OnEdit();

private:
    QString m_owner;
    QString m_number;
    QString m_pagerId;
    QString m_siteId;
    QString m_connectionDelay;
    QString m_messageDelay;
    uint16_t m_portId = 0;
    uint8_t m_type = kNumeric;
    // The record as read: reserved fields travel back unchanged.
    QByteArray m_record = QByteArray(kRecordSize, '\0');
};

class CPagerMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CPagerMethodLeaf();
    // A new recipient through the pager dialog; gone again, unwritten, when it is cancelled.
    bool HasRecipientDialog() const override { return true; }
    void NewItem(UINT flags, int x, int y) override;

protected:
    void OnNewRecipient();
    CRecipientLeaf* NewRecipient() override { return new CPagerRecipientLeaf; }
};

// ---- e-mail -------------------------------------------------------------------------------------

// A mail recipient of the messaging interface. Record (56 bytes, every version): display name
// @0 (52), class @52 (int32, 1 To, 2 Cc).
class CEmailRecipientLeaf : public CRecipientLeaf {
public:
    static constexpr size_t kRecordSize = 56;
    static constexpr int kNameOffset = 0;
    static constexpr int kNameSize = 52;
    static constexpr int kClassOffset = 52;
    static constexpr int32_t kClassCc = 2;

    CEmailRecipientLeaf();
    CEmailRecipientLeaf(const CEmailRecipientLeaf& other) = default;

    const QString& GetRecipientName() const { return m_recipientName; }
    int32_t GetClass() const { return m_class; }
    void SetFields(const QString& name, int32_t recipientClass);
    QString GetClassLabel() const;

    uint32_t GetMethodBit() const override { return 8; }
    UINT GetMethodNameId() const override;
    UINT GetTitleId() const override;
    UINT GetHeadingId() const override;
    QString GetColumns() const override { return m_recipientName + QLatin1Char('\t') + GetClassLabel(); }
    QString GetRecipientText() const override { return m_recipientName; }

    BOOL SetDataV0(const void* data) override;
    BOOL GetDataV0(OUTPUTDESC* out) override;
    size_t GetDataSizeV0() override { return kRecordSize; }

private:
    QString TreeText() const;

    QString m_recipientName;
    int32_t m_class = 0;
};

class CEmailMethodLeaf : public CMethodLeaf {
    DECLARE_MESSAGE_MAP()
public:
    // Named after the mail client: Microsoft Exchange or Microsoft Mail.
    explicit CEmailMethodLeaf(bool exchangeClient);
    QString GetTitle() override;

protected:
    CRecipientLeaf* NewRecipient() override { return new CEmailRecipientLeaf; }
    // The mail client's address book (methods/MailLeaves.cpp): new, delete and double-click.
    // Recipients of classes other than To and Cc are dropped.
    bool RunRecipientDialog() override;
    bool HasRecipientDialog() const override { return true; }
    // 3020: mail logon, with 3510 or 3511.
    void OnMailLogon();
    void OnUpdateMailLogon(CCmdUI* pUI);
    // 3021: the table's mail attributes; after OK the list is written with the new image.
    void OnMailAttributes();
    void OnUpdateMailAttributes(CCmdUI* pUI);
};
