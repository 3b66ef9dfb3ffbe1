// The commands of the mail methods: e-mail recipients picked in the mail client's address book,
// Notes recipients in the Notes address dialog, the mail attributes both share, mail logon and
// the Notes settings.
#include "framework/Commands.h"
#include "framework/UiHost.h"
#include "framework/WaitCursor.h"
#include "mail/MapiInterface.h"
#include "mail/NotesInterface.h"
#include "methods/MailAttributesDlg.h"
#include "methods/MethodLeaf.h"
#include "methods/NotesSettingsDlg.h"
#include "platform/GlobalMemory.h"
#include "records/ByteField.h"
#include "tree/ALTLeaf.h"
#include "tree/LeafNotify.h"

#include <cstring>
#include <vector>

namespace {

constexpr UINT IDS_MAIL_LOGON_OK = 3510;
constexpr UINT IDS_MAIL_LOGON_FAILED = 3511;
constexpr qsizetype kEmailNameBytes = CEmailRecipientLeaf::kNameSize - 1;
constexpr qsizetype kNotesNameBytes = CNotesRecipientLeaf::kNameSize - 1;
constexpr qsizetype kNotesAddressBytes = CNotesRecipientLeaf::kAddressSize - 1;
// More recipients than any address book answers; a count above it is not believed.
constexpr ULONG kMaxAnswered = 100000;

// Texts handed to a mail library, each in a zero-filled global block of its own; all freed
// together whatever the library answered.
class CGlobalTexts {
public:
    CGlobalTexts() = default;
    CGlobalTexts(const CGlobalTexts&) = delete;
    CGlobalTexts& operator=(const CGlobalTexts&) = delete;
    ~CGlobalTexts()
    {
        for (HGLOBAL block : m_blocks)
            GlobalFree(block);
    }
    // Null when memory is out.
    char* Copy(const QString& text)
    {
        const QByteArray bytes = text.toUtf8();
        HGLOBAL block = GlobalAlloc(GPTR, size_t(bytes.size()) + 1);
        if (!block)
            return nullptr;
        m_blocks.push_back(block);
        std::memcpy(block, bytes.constData(), size_t(bytes.size()));
        return static_cast<char*>(block);
    }

private:
    std::vector<HGLOBAL> m_blocks;
};

QString CutText(const char* text, qsizetype maxBytes)
{
    return text ? QString::fromUtf8(Records::CutUtf8(QByteArray(text), maxBytes)) : QString();
}

// The owning table's mail attributes through their dialog; true on OK (then in the image).
bool EditTableMailAttributes(CALTLeaf* table)
{
    MailAttributes attributes = MailAttributes::FromImage(table->GetImage());
    const QString machine = table->GetMachine();
    if (!CMailAttributesDlg::Edit(machine, &attributes) || !CAlertLeaf::IsLive(table))
        return false;
    attributes.ToImage(table->ImageData());
    return true;
}

} // namespace

// ---- e-mail -------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CEmailMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_DELETE, OnRecipientsDialog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateDeleteItem)
    ON_COMMAND(ID_FILE_MAIL_LOGON, OnMailLogon)
    ON_UPDATE_COMMAND_UI(ID_FILE_MAIL_LOGON, OnUpdateMailLogon)
    ON_COMMAND(ID_MAIL_ATTRIBUTES, OnMailAttributes)
    ON_UPDATE_COMMAND_UI(ID_MAIL_ATTRIBUTES, OnUpdateMailAttributes)
END_MESSAGE_MAP()

bool CEmailMethodLeaf::RunRecipientDialog()
{
    CMapiInterface& mapi = CMapiInterface::Instance();
    std::vector<MapiRecipDesc> given;
    CGlobalTexts names;
    {
        CWaitCursor wait;
        for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
            auto* recipient = dynamic_cast<CEmailRecipientLeaf*>(child);
            if (!recipient)
                continue;
            MapiRecipDesc d {};
            d.ulRecipClass = ULONG(recipient->GetClass());
            d.lpszName = names.Copy(recipient->GetRecipientName());
            // Without memory for the list as it is, the book would open empty and OK would
            // leave nothing: the recipients stay as they are.
            if (!d.lpszName)
                return false;
            given.push_back(d);
        }
    }
    ULONG count = 0;
    MapiRecipDesc* answer = nullptr;
    const ULONG rc = mapi.Address(nullptr, nullptr, 2, nullptr, ULONG(given.size()), given.empty() ? nullptr : given.data(),
                                  MAPI_LOGON_UI, 0, &count, &answer);
    if (rc != SUCCESS_SUCCESS || (count && !answer) || count > kMaxAnswered || !IsLive(this)) {
        if (answer)
            mapi.FreeBuffer(answer);
        return false;
    }
    // Replacing the list is a rebuild; the method reports the user's change once, afterwards
    // (CMethodLeaf::NewItem).
    const CQuietRebuild quiet(this);
    DeleteChildren();
    for (ULONG i = 0; i < count; ++i) {
        const ULONG cls = answer[i].ulRecipClass;
        if (cls != MAPI_TO && cls != MAPI_CC)
            continue;
        auto* leaf = new CEmailRecipientLeaf;
        leaf->SetFields(CutText(answer[i].lpszName, kEmailNameBytes), int32_t(cls));
        if (!InsertChild(leaf))
            delete leaf;
    }
    if (answer)
        mapi.FreeBuffer(answer);
    return true;
}

void CEmailMethodLeaf::OnMailLogon()
{
    const ULONG rc = CMapiInterface::Instance().Logon(nullptr, "", "", MAPI_LOGON_UI, 0);
    AfxMessageBox(rc == SUCCESS_SUCCESS ? IDS_MAIL_LOGON_OK : IDS_MAIL_LOGON_FAILED, MB_OK);
}

void CEmailMethodLeaf::OnUpdateMailLogon(CCmdUI* pUI)
{
    pUI->Enable(CMapiInterface::Instance().IsMapiAvailable());
}

void CEmailMethodLeaf::OnMailAttributes()
{
    CALTLeaf* table = GetALTLeaf<CALTLeaf>();
    if (!table || !EditTableMailAttributes(table) || !IsLive(this))
        return;
    // The attributes travel in the table image that accompanies the recipient list.
    ChildModified(this);
}

void CEmailMethodLeaf::OnUpdateMailAttributes(CCmdUI* pUI)
{
    pUI->Enable(GetALTLeaf<CALTLeaf>() != nullptr);
}

// ---- Lotus Notes ----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CNotesMethodLeaf, CMethodLeaf)
    ON_COMMAND(ID_EDIT_DELETE, OnRecipientsDialog)
    ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateNotesDelete)
    ON_COMMAND(ID_MAIL_ATTRIBUTES, OnMailAttributes)
    ON_UPDATE_COMMAND_UI(ID_MAIL_ATTRIBUTES, OnUpdateNotesAvailable)
    ON_COMMAND(ID_NOTES_SETTINGS, OnNotesSettings)
    ON_UPDATE_COMMAND_UI(ID_NOTES_SETTINGS, OnUpdateNotesSettings)
END_MESSAGE_MAP()

bool CNotesMethodLeaf::HasRecipientDialog() const
{
    return CNotesInterface::Instance().IsAvailable();
}

void CNotesMethodLeaf::OnInserted()
{
    SetEnabled(CNotesInterface::Instance().IsAvailable());
}

bool CNotesMethodLeaf::RunRecipientDialog()
{
    CNotesInterface& notes = CNotesInterface::Instance();
    std::vector<MapiRecipDesc> given;
    CGlobalTexts texts;
    {
        CWaitCursor wait;
        if (!notes.IsAvailable() || (!notes.IsInitialised() && !notes.Initialize()))
            return false;
        for (CAlertLeaf* child = GetFirstChild(); child; child = child->GetNextSibling()) {
            auto* recipient = dynamic_cast<CNotesRecipientLeaf*>(child);
            if (!recipient)
                continue;
            MapiRecipDesc d {};
            d.ulRecipClass = ULONG(recipient->GetClass());
            d.lpszName = texts.Copy(recipient->GetDisplayName());
            d.lpszAddress = texts.Copy(recipient->GetAddress());
            if (!d.lpszName || !d.lpszAddress)
                return false;
            given.push_back(d);
        }
    }
    ULONG count = 0;
    MapiRecipDesc* answer = nullptr;
    const int32_t rc = notes.AddressDialog(nullptr, ULONG(given.size()), given.empty() ? nullptr : given.data(), &count,
                                           &answer, 1);
    if (rc != 1 || (count && !answer) || count > kMaxAnswered || !IsLive(this)) {
        notes.FreeBuffer(answer);
        return false;
    }
    const CQuietRebuild quiet(this);
    DeleteChildren();
    for (ULONG i = 0; i < count; ++i) {
        const ULONG cls = answer[i].ulRecipClass;
        if (cls != MAPI_TO && cls != MAPI_CC)
            continue;
        auto* leaf = new CNotesRecipientLeaf;
        leaf->SetFields(CutText(answer[i].lpszName, kNotesNameBytes), CutText(answer[i].lpszAddress, kNotesAddressBytes),
                        int32_t(cls));
        if (!InsertChild(leaf))
            delete leaf;
    }
    notes.FreeBuffer(answer);
    return true;
}

void CNotesMethodLeaf::OnUpdateNotesDelete(CCmdUI* pUI)
{
    pUI->Enable(CNotesInterface::Instance().IsAvailable() && HasChildren());
}

void CNotesMethodLeaf::OnUpdateNotesAvailable(CCmdUI* pUI)
{
    pUI->Enable(CNotesInterface::Instance().IsAvailable());
}

void CNotesMethodLeaf::OnMailAttributes()
{
    CALTLeaf* table = GetALTLeaf<CALTLeaf>();
    if (!table)
        return;
    // The stored attributes, unless they cannot be read: then those the table was loaded with.
    table->GetMailAttributes();
    if (!EditTableMailAttributes(table))
        return;
    table->SetMailAttributes();
}

void CNotesMethodLeaf::OnNotesSettings()
{
    CALTLeaf* table = GetALTLeaf<CALTLeaf>();
    if (!table)
        return;
    bool pathChanged = false;
    if (CNotesSettingsDlg::Edit(table->GetMachine(), &pathChanged) != CNotesSettingsDlg::Outcome::Written)
        return;
    CNotesInterface& notes = CNotesInterface::Instance();
    if (pathChanged)
        notes.Reload(true);
    if (IsLive(this))
        SetEnabled(notes.IsAvailable());
}

void CNotesMethodLeaf::OnUpdateNotesSettings(CCmdUI* pUI)
{
    pUI->Enable(GetALTLeaf<CALTLeaf>() != nullptr);
}
