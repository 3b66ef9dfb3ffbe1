// The stand-in mail client: the entry points of the simple form, or (built with
// MAILCLIENT_EXTENDED) those of the extended form with its session and address-book objects.
// Both offer the buffer calls; the Exchange kind (MAILCLIENT_EXCHANGE) also ordinal 139. The address book is MAILBOOK.TXT of the machine
// the library runs on (platform/MailWorld.h).
#include "AddressBook.h"
#include "LinkedBuffers.h"
#include "PluginTexts.h"
#include "mail/MailApi.h"
#include "platform/MailWorld.h"
#include "platform/DialogHook.h"
#include "platform/OrdinalTable.h"

#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>

namespace {

QList<AddressBook::Entry> Book()
{
    QList<AddressBook::Entry> entries;
    AddressBook::Read(QString::fromLatin1(MailWorld::kMailBook), &entries);
    return entries;
}

// Recipients named without an address get the book's address of that name.
void Resolve(QList<AddressBook::Recipient>* recipients, const QList<AddressBook::Entry>& book)
{
    for (AddressBook::Recipient& r : *recipients) {
        if (!r.address.isEmpty())
            continue;
        for (const AddressBook::Entry& e : book) {
            if (e.name.compare(r.name, Qt::CaseInsensitive) == 0) {
                r.address = e.address;
                break;
            }
        }
    }
}

// The profile question of a logon with MAPI_LOGON_UI and no profile; false when cancelled.
bool AskProfile(ULONG_PTR uiParam)
{
    QDialog dialog(reinterpret_cast<QWidget*>(uiParam));
    dialog.setWindowTitle(PluginTexts::Text(PluginTexts::LogonCaption));
    auto* profile = new QLineEdit(PluginTexts::Text(PluginTexts::DefaultProfile));
    profile->setProperty("ctrlId", 100);
    auto* form = new QFormLayout;
    form->addRow(PluginTexts::Text(PluginTexts::ProfileLabel), profile);
    auto* ok = new QPushButton(PluginTexts::Text(PluginTexts::Ok));
    ok->setProperty("ctrlId", 1);
    ok->setDefault(true);
    auto* cancel = new QPushButton(PluginTexts::Text(PluginTexts::Cancel));
    cancel->setProperty("ctrlId", 2);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addLayout(buttons);
    int result = DialogHook::Run(&dialog);
    if (result < 0)
        result = dialog.exec();
    return result == QDialog::Accepted && !profile->text().trimmed().isEmpty();
}

bool NeedsProfile(const char* profile, FLAGS flags)
{
    return (flags & MAPI_LOGON_UI) && (!profile || !*profile);
}

[[maybe_unused]] int OrdinalMarker()
{
    return 139;
}

} // namespace

extern "C" {

SCODE MAPIAllocateBuffer(ULONG size, void** buffer)
{
    if (!buffer)
        return SCODE(MAPI_E_FAILURE);
    *buffer = LinkedBuffers::Allocate(size);
    return *buffer ? 0 : SCODE(MAPI_E_INSUFFICIENT_MEMORY);
}

SCODE MAPIAllocateMore(ULONG size, void* link, void** buffer)
{
    if (!buffer)
        return SCODE(MAPI_E_FAILURE);
    *buffer = LinkedBuffers::More(size, link);
    return *buffer ? 0 : SCODE(MAPI_E_INSUFFICIENT_MEMORY);
}

ULONG MAPIFreeBuffer(void* buffer)
{
    if (!buffer)
        return SUCCESS_SUCCESS;
    return LinkedBuffers::Free(buffer) ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

// Blocks of the allocator alive now: lets a test see that one free released an answer.
size_t MailClientLiveBuffers()
{
    return LinkedBuffers::LiveBlocks();
}

#ifdef MAILCLIENT_EXCHANGE
// The client of the Exchange kind offers ordinal 139.
extern const VigimorOrdinalEntry VigimorOrdinalTable[];
const VigimorOrdinalEntry VigimorOrdinalTable[] = {{139, nullptr, reinterpret_cast<void*>(&OrdinalMarker)},
                                                   {0, nullptr, nullptr}};
#endif

} // extern "C"

#ifndef MAILCLIENT_EXTENDED

namespace {
std::mutex g_lock;
std::set<LHANDLE> g_sessions;
LHANDLE g_nextSession = 1;

bool IsSession(LHANDLE session)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_sessions.count(session) != 0;
}
} // namespace

extern "C" {

ULONG MAPILogon(ULONG_PTR uiParam, char* profile, char* password, FLAGS flags, ULONG reserved, LHANDLE* session)
{
    if (!session)
        return MAPI_E_FAILURE;
    *session = 0;
    if (NeedsProfile(profile, flags) && !AskProfile(uiParam))
        return MAPI_E_USER_ABORT;
    std::lock_guard<std::mutex> guard(g_lock);
    *session = g_nextSession++;
    g_sessions.insert(*session);
    return SUCCESS_SUCCESS;
}

ULONG MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_sessions.erase(session) ? SUCCESS_SUCCESS : MAPI_E_INVALID_SESSION;
}

ULONG MAPIAddress(LHANDLE session, ULONG_PTR uiParam, char* caption, ULONG editFields, char*, ULONG recipCount,
                  MapiRecipDesc* recips, FLAGS flags, ULONG, ULONG* newRecipCount, MapiRecipDesc** newRecips)
{
    if (!newRecipCount || !newRecips)
        return MAPI_E_FAILURE;
    *newRecipCount = 0;
    *newRecips = nullptr;
    if (!IsSession(session))
        return MAPI_E_INVALID_SESSION;
    if (recipCount && !recips)
        return MAPI_E_INVALID_RECIPS;
    const QList<AddressBook::Entry> book = Book();
    QList<AddressBook::Recipient> chosen = AddressBook::ReadDescriptors(recips, recipCount);
    Resolve(&chosen, book);
    const QString title = caption && *caption ? QString::fromUtf8(caption)
                                              : PluginTexts::Text(PluginTexts::AddressBookCaption);
    if (AddressBook::RunDialog(uiParam, title, editFields, book, &chosen) != AddressBook::Result::Ok)
        return MAPI_E_USER_ABORT;
    MapiRecipDesc* array = AddressBook::MakeDescriptors(chosen);
    if (!array)
        return MAPI_E_INSUFFICIENT_MEMORY;
    *newRecipCount = ULONG(chosen.size());
    *newRecips = array;
    return SUCCESS_SUCCESS;
}

// What the console never uses: offered so the library is complete, answered as not supported.
ULONG MAPISendMail(LHANDLE, ULONG_PTR, void*, FLAGS, ULONG) { return MAPI_E_NOT_SUPPORTED; }
ULONG MAPISendDocuments(ULONG_PTR, char*, char*, char*, ULONG) { return MAPI_E_NOT_SUPPORTED; }
ULONG MAPIFindNext(LHANDLE, ULONG_PTR, char*, char*, FLAGS, ULONG, char*) { return MAPI_E_NOT_SUPPORTED; }
ULONG MAPIReadMail(LHANDLE, ULONG_PTR, char*, FLAGS, ULONG, void**) { return MAPI_E_NOT_SUPPORTED; }
ULONG MAPISaveMail(LHANDLE, ULONG_PTR, void*, FLAGS, ULONG, char*) { return MAPI_E_NOT_SUPPORTED; }
ULONG MAPIDeleteMail(LHANDLE, ULONG_PTR, char*, FLAGS, ULONG) { return MAPI_E_NOT_SUPPORTED; }
ULONG MAPIDetails(LHANDLE, ULONG_PTR, MapiRecipDesc*, FLAGS, ULONG) { return MAPI_E_NOT_SUPPORTED; }
ULONG MAPIResolveName(LHANDLE, ULONG_PTR, char*, FLAGS, ULONG, MapiRecipDesc**) { return MAPI_E_NOT_SUPPORTED; }

} // extern "C"

#else // MAILCLIENT_EXTENDED

namespace {

std::mutex g_lock;
int g_initialized = 0;

// Reads one entry's properties (their count checked) into a recipient.
AddressBook::Recipient FromEntry(const MailAddressEntry& entry)
{
    AddressBook::Recipient r;
    r.recipientClass = 0;
    if (!entry.properties || entry.propertyCount > 64)
        return r;
    for (ULONG i = 0; i < entry.propertyCount; ++i) {
        const MailProperty& p = entry.properties[i];
        if (p.tag == PR_RECIPIENT_TYPE)
            r.recipientClass = ULONG(p.value.l);
        else if (p.tag == PR_DISPLAY_NAME && p.value.text)
            r.name = QString::fromUtf8(p.value.text);
        else if (p.tag == PR_EMAIL_ADDRESS && p.value.text)
            r.address = QString::fromUtf8(p.value.text);
    }
    return r;
}

// The chosen recipients as a list: head and entries in one buffer, each entry's properties
// and texts hanging on it.
MailAddressList* ToList(const QList<AddressBook::Recipient>& recipients)
{
    auto* list = static_cast<MailAddressList*>(LinkedBuffers::Allocate(MailAddressListSize(ULONG(recipients.size()))));
    if (!list)
        return nullptr;
    const auto copy = [list](const QString& text) -> char* {
        const QByteArray bytes = text.toUtf8();
        auto* p = static_cast<char*>(LinkedBuffers::More(size_t(bytes.size()) + 1, list));
        if (p)
            std::memcpy(p, bytes.constData(), size_t(bytes.size()));
        return p;
    };
    static const char kAddressType[] = "SMTP";
    for (qsizetype i = 0; i < recipients.size(); ++i) {
        auto* props = static_cast<MailProperty*>(LinkedBuffers::More(4 * sizeof(MailProperty), list));
        char* name = copy(recipients[i].name);
        char* address = copy(recipients[i].address);
        char* type = copy(QString::fromLatin1(kAddressType));
        if (!props || !name || !address || !type) {
            LinkedBuffers::Free(list);
            return nullptr;
        }
        props[0].tag = PR_RECIPIENT_TYPE;
        props[0].value.l = int32_t(recipients[i].recipientClass);
        props[1].tag = PR_ADDRTYPE;
        props[1].value.text = type;
        props[2].tag = PR_DISPLAY_NAME;
        props[2].value.text = name;
        props[3].tag = PR_EMAIL_ADDRESS;
        props[3].value.text = address;
        list->entries[i].propertyCount = 4;
        list->entries[i].properties = props;
    }
    list->count = ULONG(recipients.size());
    return list;
}

struct AddressBookObject {
    MailAddressBook base;
};

ULONG BookRelease(MailAddressBook* self)
{
    delete reinterpret_cast<AddressBookObject*>(self);
    return 0;
}

HRESULT BookAddress(MailAddressBook*, ULONG_PTR* uiParam, const MailDialogParams* params, MailAddressList** list)
{
    if (!params || !list)
        return HRESULT(MAPI_E_FAILURE);
    const QList<AddressBook::Entry> book = Book();
    QList<AddressBook::Recipient> chosen;
    if (MailAddressList* given = *list) {
        for (ULONG i = 0; i < given->count && i < 100000; ++i)
            chosen.append(FromEntry(given->entries[i]));
    }
    Resolve(&chosen, book);
    const QString title = params->caption ? QString::fromUtf8(params->caption)
                                          : PluginTexts::Text(PluginTexts::AddressBookCaption);
    if (AddressBook::RunDialog(uiParam ? *uiParam : 0, title, params->destinationCount, book, &chosen) !=
        AddressBook::Result::Ok)
        return HRESULT(MAPI_E_USER_ABORT);
    MailAddressList* answer = ToList(chosen);
    if (!answer)
        return HRESULT(MAPI_E_INSUFFICIENT_MEMORY);
    LinkedBuffers::Free(*list);
    *list = answer;
    return 0;
}

const MailAddressBookCalls kBookCalls = {BookRelease, BookAddress};

struct SessionObject {
    MailSession base;
    bool loggedOn = true;
};

std::atomic<int> g_sessions{0};

ULONG SessionRelease(MailSession* self)
{
    delete reinterpret_cast<SessionObject*>(self);
    --g_sessions;
    return 0;
}

HRESULT SessionLogoff(MailSession* self, ULONG_PTR, FLAGS, ULONG)
{
    auto* session = reinterpret_cast<SessionObject*>(self);
    if (!session->loggedOn)
        return HRESULT(MAPI_E_INVALID_SESSION);
    session->loggedOn = false;
    return 0;
}

HRESULT SessionOpenAddressBook(MailSession* self, ULONG_PTR, const void*, FLAGS, MailAddressBook** book)
{
    if (!book)
        return HRESULT(MAPI_E_FAILURE);
    *book = nullptr;
    if (!reinterpret_cast<SessionObject*>(self)->loggedOn)
        return HRESULT(MAPI_E_INVALID_SESSION);
    auto* object = new AddressBookObject{{&kBookCalls}};
    *book = &object->base;
    return 0;
}

const MailSessionCalls kSessionCalls = {SessionRelease, SessionLogoff, SessionOpenAddressBook};

} // namespace

extern "C" {

HRESULT MAPIInitialize(void*)
{
    std::lock_guard<std::mutex> guard(g_lock);
    ++g_initialized;
    return 0;
}

void MAPIUninitialize()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_initialized > 0)
        --g_initialized;
}

HRESULT MAPILogonEx(ULONG_PTR uiParam, char* profile, char*, FLAGS flags, MailSession** session)
{
    if (!session)
        return HRESULT(MAPI_E_FAILURE);
    *session = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_initialized == 0)
            return HRESULT(MAPI_E_FAILURE);
    }
    if (NeedsProfile(profile, flags) && !AskProfile(uiParam))
        return HRESULT(MAPI_E_USER_ABORT);
    auto* object = new SessionObject{{&kSessionCalls}};
    ++g_sessions;
    *session = &object->base;
    return 0;
}

// Session objects not yet released: lets a test see that a new logon ends the one before.
int MailClientOpenSessions()
{
    return g_sessions;
}

} // extern "C"

#endif
