#pragma once
// A machine's HKEY_LOCAL_MACHINE, kept as a .reg text file (registry.reg in the machine's
// folder). Key and value names are case-insensitive. Every write takes an exclusive lock and
// replaces the file atomically. An unparsable file reads as empty; the first write after
// that keeps a copy of it beside the file (registry.reg.unreadable-<n>).
//
// File form (UTF-8; a UTF-16 file with a byte-order mark is read too):
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Korvane]
//   ;class="ZORData"                      the key's class, when it has one
//   "Name"=dword:0000000a
//   "Text"="C:\\ALERT"                     backslash and quote escaped with a backslash
//   @="default value"
//   "Lines"=hex(1):41,00,0a,00,00,00      REG_SZ holding control characters, as UTF-16LE
//   "Other"=hex(n):..                     any other type, the bytes as given
// Keys are written sorted, each parent before its children; a section implies its parents.
// Readers take no lock: the file is only ever replaced whole.
#include "platform/WinTypes.h"
#include <QString>
#include <QStringList>

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_DWORD = 4;

namespace Registry {

// An empty machine name means this computer. Key paths are relative to HKEY_LOCAL_MACHINE,
// with backslashes ("SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Sentrel").

// 0 when the key exists, ERROR_FILE_NOT_FOUND when it does not.
DWORD OpenKey(const QString& machine, const QString& keyPath);
// Creates the key and every missing parent; a new key gets keyClass. 0 on success.
DWORD CreateKey(const QString& machine, const QString& keyPath, const QString& keyClass);
// Reads a value. *size is the buffer size in bytes on entry and the byte count of the value
// on return (strings: UTF-8 with the terminator). Too small a buffer gives ERROR_MORE_DATA and
// the needed size; a missing key or value gives ERROR_FILE_NOT_FOUND. data may be null to ask
// only the size.
DWORD QueryValue(const QString& machine, const QString& keyPath, const QString& valueName,
                 DWORD* type, void* data, DWORD* size);
// Writes a value into an existing key (ERROR_FILE_NOT_FOUND if the key is missing).
// REG_SZ data is UTF-8, terminator optional; REG_DWORD data is 4 bytes little-endian.
DWORD SetValue(const QString& machine, const QString& keyPath, const QString& valueName,
               DWORD type, const void* data, DWORD size);
// Removes a value (0 also when it did not exist).
DWORD DeleteValue(const QString& machine, const QString& keyPath, const QString& valueName);
// Removes a key with all its subkeys and values.
DWORD DeleteKey(const QString& machine, const QString& keyPath);
// The key's class ("" when it has none).
DWORD QueryKeyClass(const QString& machine, const QString& keyPath, QString* keyClass);
// Names of the direct subkeys (sorted, case preserved) and of the values (stored order).
DWORD EnumSubKeys(const QString& machine, const QString& keyPath, QStringList* names);
DWORD EnumValueNames(const QString& machine, const QString& keyPath, QStringList* names);
// Every call: 53 for an invalid or unknown machine, 5 when the remote-access rule refuses it
// (or the file cannot be read or replaced), 87 for malformed names or sizes.

// Conveniences for code that does not need the byte-level contract. Get* are false when the
// value is missing or of another type; Put* create the key path (no class) when missing.
bool GetString(const QString& machine, const QString& keyPath, const QString& valueName, QString* out);
bool GetDword(const QString& machine, const QString& keyPath, const QString& valueName, DWORD* out);
DWORD PutString(const QString& machine, const QString& keyPath, const QString& valueName, const QString& text);
DWORD PutDword(const QString& machine, const QString& keyPath, const QString& valueName, DWORD value);

} // namespace Registry
