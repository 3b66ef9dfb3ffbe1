#include "mail/NotesInterface.h"

#include "mail/MailHost.h"

namespace {
template <typename T>
bool Resolve(HMODULE library, const char* name, T* out)
{
    *out = reinterpret_cast<T>(GetProcAddress(library, name));
    return *out != nullptr;
}
} // namespace

CNotesInterface& CNotesInterface::Instance()
{
    static CNotesInterface instance(true);
    return instance;
}

CNotesInterface::CNotesInterface(bool initialize)
{
    LoadNotesUIDLL();
    if (initialize)
        Initialize();
}

CNotesInterface::~CNotesInterface()
{
    DeInitialize();
    if (m_library)
        FreeLibrary(m_library);
    Clear();
}

void CNotesInterface::Clear()
{
    m_library = nullptr;
    m_loaded = false;
    m_available = false;
    m_initialised = false;
    m_initialize = nullptr;
    m_deinitialize = nullptr;
    m_addressDialog = nullptr;
    m_freeBuffer = nullptr;
    m_passwordDialog = nullptr;
    m_isAvailable = nullptr;
}

bool CNotesInterface::LoadNotesUIDLL()
{
    if (m_library)
        return IsAvailable();
    Clear();
    MailHost::InstallDialogRunner();
    m_library = LoadLibrary(QStringLiteral("NotesUI.DLL"));
    if (!m_library)
        return false;
    if (!(Resolve(m_library, "nui_InitializeNotes", &m_initialize) &&
          Resolve(m_library, "nui_DeInitializeNotes", &m_deinitialize) &&
          Resolve(m_library, "nui_AddressDialog", &m_addressDialog) &&
          Resolve(m_library, "nui_FreeBuffer", &m_freeBuffer) &&
          Resolve(m_library, "nui_PasswordDialog", &m_passwordDialog) &&
          Resolve(m_library, "nui_IsAvailable", &m_isAvailable))) {
        FreeLibrary(m_library);
        Clear();
        return false;
    }
    m_available = m_isAvailable() != 0;
    m_loaded = true;
    return IsAvailable();
}

bool CNotesInterface::Initialize()
{
    if (m_loaded && m_available && !m_initialised)
        m_initialised = m_initialize() != 0;
    return m_initialised;
}

void CNotesInterface::DeInitialize()
{
    if (!m_initialised)
        return;
    m_deinitialize();
    m_initialised = false;
}

void CNotesInterface::Reload(bool initialize)
{
    DeInitialize();
    if (m_library)
        FreeLibrary(m_library);
    Clear();
    LoadNotesUIDLL();
    if (initialize)
        Initialize();
}

int32_t CNotesInterface::AddressDialog(QWidget* window, ULONG recipCount, MapiRecipDesc* recips, ULONG* outCount,
                                       MapiRecipDesc** outRecips, FLAGS flags)
{
    if (!IsInitialised())
        return -1;
    return m_addressDialog(MailHost::WindowHandle(window), recipCount, recips, outCount, outRecips, flags);
}

void CNotesInterface::FreeBuffer(void* buffer)
{
    if (m_initialised && buffer)
        m_freeBuffer(buffer);
}
