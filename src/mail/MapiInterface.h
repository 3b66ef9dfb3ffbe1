#pragma once
// CMapiInterface: the process's one connection to the mail client ("MAPI32.DLL"), loaded at run
// time through the platform's library layer. It decides between the simple and the extended
// form by the entry points the library offers, keeps one mail session, and opens the client's
// address book with the simple form's argument list in either form.
//
// Nothing is loaded before the first use of Instance() (never during static initialisation);
// Reload() loads again, for a world whose machine changed its mail client.
#include "framework/CmdTarget.h"
#include "mail/MailApi.h"
#include "platform/DynamicLibrary.h"

class QWidget;

class CMapiInterface : public CCmdTarget {
public:
    static CMapiInterface& Instance();

    CMapiInterface();
    ~CMapiInterface() override;
    CMapiInterface(const CMapiInterface&) = delete;
    CMapiInterface& operator=(const CMapiInterface&) = delete;

    // Loads the library and resolves its entry points; false when it is missing or incomplete.
    bool InitMapi32DLL();
    // Logs off an open session, frees the library and clears everything.
    void UnloadMapi32DLL();
    void Reload();

    // Results are the library's codes: 0 success, MAPI_E_FAILURE (2) when unavailable.
    ULONG Logon(QWidget* window, const char* profile, const char* password, FLAGS flags, ULONG reserved);
    ULONG Logoff(QWidget* window, FLAGS flags, ULONG reserved);
    // The address book. *newRecips is one buffer of the library that FreeBuffer releases whole,
    // in either form.
    ULONG Address(QWidget* window, const char* caption, ULONG editFields, const char* labels, ULONG recipCount,
                  MapiRecipDesc* recips, FLAGS flags, ULONG reserved, ULONG* newRecipCount,
                  MapiRecipDesc** newRecips);
    ULONG FreeBuffer(void* buffer);

    bool IsMapiAvailable() const { return m_available; }
    bool IsExchangeClientInstalled() const { return m_exchangeClient; }
    bool IsSimpleMapi() const { return m_simple; }
    bool IsLoggedOn() const { return m_simple ? m_session != 0 : m_extendedSession != nullptr; }

private:
    void ClearState();
    ULONG ExtendedAddress(ULONG_PTR window, ULONG recipCount, const MapiRecipDesc* recips, ULONG* newRecipCount,
                          MapiRecipDesc** newRecips);

    HMODULE m_library = nullptr;
    bool m_available = false;
    bool m_exchangeClient = false;
    bool m_simple = true;
    LHANDLE m_session = 0;
    MailSession* m_extendedSession = nullptr;
    bool m_initialized = false;   // MAPIInitialize answered, MAPIUninitialize owed

    MAPIFREEBUFFER m_freeBuffer = nullptr;
    MAPIALLOCATEBUFFER m_allocateBuffer = nullptr;
    MAPIALLOCATEMORE m_allocateMore = nullptr;
    MAPILOGONEX m_logonEx = nullptr;
    MAPIINITIALIZE m_initialize = nullptr;
    MAPIUNINITIALIZE m_uninitialize = nullptr;
    MAPILOGON m_logon = nullptr;
    MAPILOGOFF m_logoff = nullptr;
    MAPIADDRESS m_address = nullptr;
};
