#include "mail/MapiInterface.h"

#include "mail/MailHost.h"
#include "platform/MailWorld.h"
#include "platform/Registry.h"

#include <cstring>

namespace {

constexpr WORD kExchangeOrdinal = 139;
constexpr FLAGS kExtendedLogonFlags = MAPI_USE_DEFAULT | MAPI_EXTENDED | MAPI_NEW_SESSION;
constexpr ULONG kPropertiesPerEntry = 3;
// More than any address book dialog answers; a count above it is not believed.
constexpr ULONG kMaxRecipients = 100000;

template <typename T>
bool Resolve(HMODULE library, const char* name, T* out)
{
    *out = reinterpret_cast<T>(GetProcAddress(library, name));
    return *out != nullptr;
}

} // namespace

CMapiInterface& CMapiInterface::Instance()
{
    static CMapiInterface instance;
    return instance;
}

CMapiInterface::CMapiInterface()
{
    InitMapi32DLL();
}

CMapiInterface::~CMapiInterface()
{
    UnloadMapi32DLL();
}

void CMapiInterface::ClearState()
{
    m_library = nullptr;
    m_available = false;
    m_exchangeClient = false;
    m_simple = true;
    m_session = 0;
    m_extendedSession = nullptr;
    m_initialized = false;
    m_freeBuffer = nullptr;
    m_allocateBuffer = nullptr;
    m_allocateMore = nullptr;
    m_logonEx = nullptr;
    m_initialize = nullptr;
    m_uninitialize = nullptr;
    m_logon = nullptr;
    m_logoff = nullptr;
    m_address = nullptr;
}

bool CMapiInterface::InitMapi32DLL()
{
    if (m_library)
        return m_available;
    ClearState();
    MailHost::InstallDialogRunner();
    // A library that does not load gives a null handle; nothing else is set then.
    m_library = LoadLibrary(QStringLiteral("MAPI32.DLL"));
    if (!m_library)
        return false;
    bool complete = Resolve(m_library, "MAPIFreeBuffer", &m_freeBuffer) &&
                    Resolve(m_library, "MAPIAllocateBuffer", &m_allocateBuffer) &&
                    Resolve(m_library, "MAPIAllocateMore", &m_allocateMore);
    if (complete && Resolve(m_library, "MAPILogonEx", &m_logonEx)) {
        m_simple = false;
        complete = Resolve(m_library, "MAPIInitialize", &m_initialize) &&
                   Resolve(m_library, "MAPIUninitialize", &m_uninitialize);
    } else if (complete) {
        void* entry = nullptr;
        for (const char* name : {"MAPILogon", "MAPILogoff", "MAPISendMail", "MAPISendDocuments", "MAPIFindNext",
                                 "MAPIReadMail", "MAPISaveMail", "MAPIDeleteMail", "MAPIAddress", "MAPIDetails",
                                 "MAPIResolveName"}) {
            if (!Resolve(m_library, name, &entry)) {
                complete = false;
                break;
            }
        }
        complete = complete && Resolve(m_library, "MAPILogon", &m_logon) &&
                   Resolve(m_library, "MAPILogoff", &m_logoff) && Resolve(m_library, "MAPIAddress", &m_address);
        m_simple = true;
    }
    if (!complete) {
        FreeLibrary(m_library);
        ClearState();
        return false;
    }
    m_available = true;
    m_exchangeClient = GetProcAddressByOrdinal(m_library, kExchangeOrdinal) != nullptr;
    if (m_exchangeClient &&
        Registry::OpenKey(QString(), QString::fromLatin1(MailWorld::kExchangeClientKey)) == ERROR_FILE_NOT_FOUND) {
        m_exchangeClient = false;
        m_available = false;
    }
    return m_available;
}

void CMapiInterface::UnloadMapi32DLL()
{
    if (IsLoggedOn())
        Logoff(nullptr, 0, 0);
    if (m_library)
        FreeLibrary(m_library);
    ClearState();
}

void CMapiInterface::Reload()
{
    UnloadMapi32DLL();
    InitMapi32DLL();
}

ULONG CMapiInterface::Logon(QWidget* window, const char* profile, const char* password, FLAGS flags, ULONG reserved)
{
    if (!m_available)
        return MAPI_E_FAILURE;
    // One session at a time: a new logon ends the one before, in either form.
    if (IsLoggedOn())
        Logoff(nullptr, 0, 0);
    const ULONG_PTR handle = MailHost::WindowHandle(window);
    QByteArray p(profile ? profile : "");
    QByteArray w(password ? password : "");
    if (m_simple) {
        const ULONG rc = m_logon(handle, p.data(), w.data(), flags, reserved, &m_session);
        if (rc != SUCCESS_SUCCESS)
            m_session = 0;
        return rc;
    }
    const HRESULT init = m_initialize(nullptr);
    if (init != 0)
        return ULONG(init);
    m_initialized = true;
    const HRESULT rc = m_logonEx(handle, p.data(), w.data(), kExtendedLogonFlags, &m_extendedSession);
    if (rc != 0 || !m_extendedSession) {
        m_extendedSession = nullptr;
        m_uninitialize();
        m_initialized = false;
        return rc != 0 ? ULONG(rc) : MAPI_E_FAILURE;
    }
    return SUCCESS_SUCCESS;
}

ULONG CMapiInterface::Logoff(QWidget* window, FLAGS flags, ULONG reserved)
{
    if (!IsLoggedOn())
        return SUCCESS_SUCCESS;
    const ULONG_PTR handle = reinterpret_cast<ULONG_PTR>(window);
    if (m_simple) {
        const ULONG rc = m_logoff(m_session, handle, flags, reserved);
        m_session = 0;
        return rc;
    }
    MailSession* session = m_extendedSession;
    m_extendedSession = nullptr;
    const HRESULT rc = session->calls->Logoff(session, handle, flags, reserved);
    session->calls->Release(session);
    if (m_initialized) {
        m_uninitialize();
        m_initialized = false;
    }
    return ULONG(rc);
}

ULONG CMapiInterface::Address(QWidget* window, const char* caption, ULONG editFields, const char* labels,
                              ULONG recipCount, MapiRecipDesc* recips, FLAGS flags, ULONG reserved,
                              ULONG* newRecipCount, MapiRecipDesc** newRecips)
{
    if (!newRecipCount || !newRecips)
        return MAPI_E_FAILURE;
    *newRecipCount = 0;
    *newRecips = nullptr;
    if (flags <= 2 && !IsLoggedOn())
        Logon(window, "", "", flags, 0);
    if (!IsLoggedOn())
        return MAPI_E_FAILURE;
    const ULONG_PTR handle = MailHost::WindowHandle(window);
    if (m_simple) {
        QByteArray c(caption ? caption : "");
        QByteArray l(labels ? labels : "");
        return m_address(m_session, handle, caption ? c.data() : nullptr, editFields, labels ? l.data() : nullptr,
                         recipCount, recips, flags, reserved, newRecipCount, newRecips);
    }
    return ExtendedAddress(handle, recipCount, recips, newRecipCount, newRecips);
}

ULONG CMapiInterface::ExtendedAddress(ULONG_PTR window, ULONG recipCount, const MapiRecipDesc* recips,
                                      ULONG* newRecipCount, MapiRecipDesc** newRecips)
{
    if (recipCount > kMaxRecipients || (recipCount && !recips))
        return MAPI_E_FAILURE;
    MailAddressBook* book = nullptr;
    HRESULT rc = m_extendedSession->calls->OpenAddressBook(m_extendedSession, 0, nullptr, 0, &book);
    if (rc != 0 || !book)
        return rc != 0 ? ULONG(rc) : MAPI_E_FAILURE;

    // The given recipients as an address list: the head, then one block of properties for all.
    MailAddressList* list = nullptr;
    MailProperty* properties = nullptr;
    if (m_allocateBuffer(ULONG(MailAddressListSize(recipCount)), reinterpret_cast<void**>(&list)) != 0 || !list) {
        book->calls->Release(book);
        return MAPI_E_INSUFFICIENT_MEMORY;
    }
    std::memset(list, 0, MailAddressListSize(recipCount));
    if (recipCount &&
        (m_allocateMore(ULONG(sizeof(MailProperty) * kPropertiesPerEntry * recipCount), list,
                        reinterpret_cast<void**>(&properties)) != 0 ||
         !properties)) {
        m_freeBuffer(list);
        book->calls->Release(book);
        return MAPI_E_INSUFFICIENT_MEMORY;
    }
    static char kSmtp[] = "SMTP";
    for (ULONG i = 0; i < recipCount; ++i) {
        MailProperty* p = properties + i * kPropertiesPerEntry;
        std::memset(p, 0, sizeof(MailProperty) * kPropertiesPerEntry);
        p[0].tag = PR_RECIPIENT_TYPE;
        p[0].value.l = int32_t(recips[i].ulRecipClass);
        p[1].tag = PR_ADDRTYPE;
        p[1].value.text = kSmtp;
        p[2].tag = PR_DISPLAY_NAME;
        p[2].value.text = recips[i].lpszName;
        list->entries[i].propertyCount = kPropertiesPerEntry;
        list->entries[i].properties = p;
    }
    list->count = recipCount;

    static const char* const kTitles[] = {"To", "CC"};
    static const ULONG kClasses[] = {MAPI_TO, MAPI_CC};
    MailDialogParams params {};
    params.flags = DIALOG_MODAL | AB_RESOLVE;
    params.caption = "Address Book";
    params.destinationCount = 2;
    params.destinationTitles = kTitles;
    params.destinationClasses = kClasses;
    ULONG_PTR handle = window;
    rc = book->calls->Address(book, &handle, &params, &list);
    ULONG result = rc == 0 ? SUCCESS_SUCCESS : ULONG(rc);
    if (rc == 0 && list) {
        // The answer as one array that one FreeBuffer releases: descriptors in one buffer,
        // their strings hanging on it.
        const ULONG count = list->count <= kMaxRecipients ? list->count : 0;
        MapiRecipDesc* array = nullptr;
        if (m_allocateBuffer(ULONG(sizeof(MapiRecipDesc) * (count ? count : 1)), reinterpret_cast<void**>(&array)) != 0 ||
            !array) {
            result = MAPI_E_INSUFFICIENT_MEMORY;
        } else {
            std::memset(array, 0, sizeof(MapiRecipDesc) * (count ? count : 1));
            const auto copy = [this, array](const char* text) -> char* {
                const size_t n = text ? std::strlen(text) : 0;
                char* out = nullptr;
                if (m_allocateMore(ULONG(n + 1), array, reinterpret_cast<void**>(&out)) != 0 || !out)
                    return nullptr;
                if (n)
                    std::memcpy(out, text, n);
                out[n] = '\0';
                return out;
            };
            for (ULONG i = 0; i < count && result == SUCCESS_SUCCESS; ++i) {
                const MailAddressEntry& entry = list->entries[i];
                const char* name = nullptr;
                const char* address = nullptr;
                for (ULONG k = 0; entry.properties && k < entry.propertyCount && k < 64; ++k) {
                    const MailProperty& p = entry.properties[k];
                    if (p.tag == PR_RECIPIENT_TYPE)
                        array[i].ulRecipClass = ULONG(p.value.l);
                    else if (p.tag == PR_DISPLAY_NAME)
                        name = p.value.text;
                    else if (p.tag == PR_EMAIL_ADDRESS)
                        address = p.value.text;
                }
                array[i].lpszName = copy(name);
                array[i].lpszAddress = copy(address);
                if (!array[i].lpszName || !array[i].lpszAddress)
                    result = MAPI_E_INSUFFICIENT_MEMORY;
            }
            if (result == SUCCESS_SUCCESS) {
                *newRecipCount = count;
                *newRecips = array;
            } else {
                m_freeBuffer(array);
            }
        }
    }
    if (list)
        m_freeBuffer(list);
    book->calls->Release(book);
    return result;
}

ULONG CMapiInterface::FreeBuffer(void* buffer)
{
    return m_freeBuffer ? m_freeBuffer(buffer) : MAPI_E_FAILURE;
}
