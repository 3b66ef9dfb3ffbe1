#pragma once
// The console's own registry values: one product key on this computer,
//   HKEY_LOCAL_MACHINE\SOFTWARE\Korvane\ALERT\CurrentVersion[\section[\subsection]].
// Readers fall back to their default on any failure; writers report failure by their result.
// Remote service machines are never reached through these; their settings go through the
// configuration library.
#include "platform/WinTypes.h"

#include <QString>

// The product key (relative to HKEY_LOCAL_MACHINE).
extern const char* const kProductKey;
// Key paths are built in a buffer of this many bytes (terminator included); a longer path is
// refused (readers give their default, writers fail) instead of overflowing it.
constexpr DWORD kRegKeyPathBufferSize = 256;
// Class given to keys the console creates.
extern const char* const kProductKeyClass;

// Product key + "\" + section (when not empty) + "\" + subsection (when not empty). Returns
// false when the path does not fit the key-path buffer.
bool BuildProductKeyPath(const QString& section, const QString& subsection, QString* keyPath);

// A 32-bit value (REG_DWORD, up to 4 bytes); the default when the key cannot be opened or the
// value cannot be read as a 32-bit number.
DWORD ReadRegDword(const QString& section, const QString& subsection, const QString& valueName,
                   DWORD defaultValue);

// A string value into an 8-bit (UTF-8) buffer of bufferSize bytes. On success the value, with
// its terminator, is in the buffer and the result is the byte count the registry reports
// (terminator included). On any failure - missing key or value, a value that is not a string,
// a value that does not fit the buffer - the default is copied into the buffer (cut to fit,
// always terminated) and the result is its length. A null or empty buffer receives nothing.
DWORD ReadRegString(const QString& section, const QString& subsection, const QString& valueName,
                    const char* defaultValue, char* buffer, DWORD bufferSize);
// The same for Qt code: the value as text, read with a buffer of bufferSize bytes.
QString ReadRegString(const QString& section, const QString& subsection, const QString& valueName,
                      const QString& defaultValue, DWORD bufferSize);

// Creates the key with every missing parent (class "ZORData") and writes a 32-bit value.
// 0 on success, else the registry's error code.
DWORD WriteRegDword(const QString& section, const QString& subsection, const QString& valueName,
                    DWORD value);

// Converts 8-bit text (the platform's code page, UTF-8 here) into 16-bit units in wide, which
// holds count units; a count of 0 means strlen(text) + 1. No output buffer: nothing happens
// and the result is null. No input: an empty string is stored. If the text cannot be converted
// (invalid, or too long for the buffer), the bytes are widened one by one (each byte one unit)
// as far as the buffer allows, and a terminator is always stored within it. Returns wide.
char16_t* WidenText(const char* text, char16_t* wide, int count);

// The service home directory on this computer: "Home" under section "Path", read with a
// 256-byte buffer, default "C:\ALERT".
QString ServiceHomeDirectory();
// The help directory: home + "\Help\".
QString HelpDirectory();
