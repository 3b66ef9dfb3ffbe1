#pragma once
// Run-time libraries by their Windows names ("MAPI32.DLL", "NotesUI.DLL").
//
// A name maps to "<base>.so", "lib<base>.so" or the name itself (base = the name without
// ".DLL"; file names matched ignoring case), searched in this order: the executable's folder,
// the executable's ../lib (build/lib) and ../lib/vigimor (the package), this computer's
// C:\WINDOWS\SYSTEM32 in the world (where the world installs libraries a machine has, such as
// its mail client), then each folder of VIGIMOR_PLUGIN_PATH (':'-separated). Only bare names are accepted, and no host system folder
// is searched, so nothing else is ever loaded.
//
// Entry points by ordinal: a library that offers them exports a table named
// VigimorOrdinalTable, ended by an entry with ordinal 0:
//   extern "C" { extern const VigimorOrdinalEntry VigimorOrdinalTable[]; }
//   const VigimorOrdinalEntry VigimorOrdinalTable[] = {{139, "SomeExport", nullptr},
//                                                      {140, nullptr, (void*)&InternalFn},
//                                                      {0, nullptr, nullptr}};
// An entry gives the address itself or the name of an export of the same library.
//
// As on Windows, an entry point is only found in the library itself, never in a library it
// depends on.
#include "platform/OrdinalTable.h"
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>

struct CLoadedModule;
using HMODULE = CLoadedModule*;
using FARPROC = void*;

// The folders searched, in order.
QStringList LibrarySearchPath();
// Loads (or counts one more use of) a library; null with GetLastError() 126 when not found
// or not loadable.
HMODULE LoadLibrary(const QString& name);
// An export by name; null with GetLastError() 127 when missing, 6 for a bad handle.
FARPROC GetProcAddress(HMODULE module, const char* name);
// An export by ordinal through the library's VigimorOrdinalTable.
FARPROC GetProcAddressByOrdinal(HMODULE module, WORD ordinal);
// Ends one use; the library is unloaded with its last. FALSE (6) for an unknown handle.
BOOL FreeLibrary(HMODULE module);
// The host path the library was loaded from; empty for an unknown handle.
QString GetModuleFileName(HMODULE module);
