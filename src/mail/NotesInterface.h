#pragma once
// CNotesInterface: the process's one connection to the Notes user-interface library
// ("NotesUI.DLL"), loaded at run time. Nothing is loaded before the first use of Instance()
// (never during static initialisation); the first use loads and initialises the client.
#include "framework/CmdTarget.h"
#include "mail/MailApi.h"
#include "platform/DynamicLibrary.h"

class QWidget;

class CNotesInterface : public CCmdTarget {
public:
    static CNotesInterface& Instance();

    explicit CNotesInterface(bool initialize = true);
    ~CNotesInterface() override;
    CNotesInterface(const CNotesInterface&) = delete;
    CNotesInterface& operator=(const CNotesInterface&) = delete;

    // Loads the library and asks whether the client is available; an incomplete library is
    // freed again.
    bool LoadNotesUIDLL();
    bool Initialize();
    void DeInitialize();
    // Unloads and loads again (after the installation path changed).
    void Reload(bool initialize);

    // The address dialog: 1 on success (*outRecips then to be freed with FreeBuffer), -1 when
    // the client is not initialised, else the library's failure.
    int32_t AddressDialog(QWidget* window, ULONG recipCount, MapiRecipDesc* recips, ULONG* outCount,
                          MapiRecipDesc** outRecips, FLAGS flags);
    void FreeBuffer(void* buffer);

    bool IsAvailable() const { return m_loaded && m_available; }
    bool IsInitialised() const { return m_available && m_initialised; }

private:
    void Clear();

    HMODULE m_library = nullptr;
    bool m_loaded = false;
    bool m_available = false;
    bool m_initialised = false;
    NUI_INITIALIZE m_initialize = nullptr;
    NUI_DEINITIALIZE m_deinitialize = nullptr;
    NUI_ADDRESSDIALOG m_addressDialog = nullptr;
    NUI_FREEBUFFER m_freeBuffer = nullptr;
    NUI_PASSWORDDIALOG m_passwordDialog = nullptr;
    NUI_ISAVAILABLE m_isAvailable = nullptr;
};
