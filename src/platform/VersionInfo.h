#pragma once
// Version resources of program and library files (PE images): the reader the About box and
// the version dialog use, and a writer that builds a minimal valid PE file with a version
// resource (the demo world's service files and tests use it).
//
// The reader follows DOS header -> PE header -> section table -> resource directory ->
// RT_VERSION -> VS_VERSIONINFO, checking every offset and length against the file; a file
// without a resource, truncated, or with any field that points outside has "no version".
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

struct VS_FIXEDFILEINFO {
    DWORD dwSignature = 0;        // 0xFEEF04BD
    DWORD dwStrucVersion = 0;
    DWORD dwFileVersionMS = 0;    // major << 16 | minor
    DWORD dwFileVersionLS = 0;    // build << 16 | revision
    DWORD dwProductVersionMS = 0;
    DWORD dwProductVersionLS = 0;
    DWORD dwFileFlagsMask = 0;
    DWORD dwFileFlags = 0;
    DWORD dwFileOS = 0;
    DWORD dwFileType = 0;
    DWORD dwFileSubtype = 0;
    DWORD dwFileDateMS = 0;
    DWORD dwFileDateLS = 0;
};

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VFT_APP = 1;
constexpr DWORD VFT_DLL = 2;

// Win32-shaped calls. path is a Windows path ("C:\ALERT\ALERT.EXE", "\\SRV1\ADMIN$\X.DLL"),
// resolved in the world, or a host path. The size is that of the VS_VERSIONINFO block; 0
// when the file has no readable version resource. *handle is always set to 0.
DWORD GetFileVersionInfoSize(const QString& path, DWORD* handle);
// Copies the block into data (size bytes at least the block's); FALSE on any failure.
BOOL GetFileVersionInfo(const QString& path, DWORD handle, DWORD size, void* data);
// On a block from GetFileVersionInfo: "\\" gives the VS_FIXEDFILEINFO image (52 bytes),
// "\\StringFileInfo\\040904B0\\FileDescription" a UTF-16 text (*length in characters, without
// the terminator), "\\VarFileInfo\\Translation" the binary value (*length in bytes).
// *buffer points into the block. FALSE when the entry does not exist.
BOOL VerQueryValue(const void* block, const QString& subBlock, const void** buffer, UINT* length);

namespace Version {

// The same on a byte array, for code that prefers Qt types.
bool ReadVersionBlock(const QString& path, QByteArray* block);
// The same on the bytes of a whole file.
bool ReadVersionBlockFromImage(const QByteArray& image, QByteArray* block);
// Fixed information of a block (false without a valid root: signature and size checked).
bool QueryFixed(const QByteArray& block, VS_FIXEDFILEINFO* info);
// A text value: "\\StringFileInfo\\<lang><codepage>\\<name>" (names ignore case).
bool QueryString(const QByteArray& block, const QString& subBlock, QString* text);
// A binary value ("\\VarFileInfo\\Translation").
bool QueryBinary(const QByteArray& block, const QString& subBlock, QByteArray* value);

// ---- writer ----

struct StringTable {
    WORD language = 0x0409;
    WORD codePage = 0x04B0;
    std::vector<std::pair<QString, QString>> strings;  // name, text
};

struct VersionResource {
    DWORD fileVersionMS = 0;
    DWORD fileVersionLS = 0;
    DWORD productVersionMS = 0;
    DWORD productVersionLS = 0;
    DWORD fileType = VFT_APP;
    std::vector<StringTable> tables;  // also listed in \VarFileInfo\Translation
};

// The VS_VERSIONINFO block alone.
QByteArray BuildVersionBlock(const VersionResource& version);
// A minimal 32-bit PE image with one section; with a null version it has no resources.
QByteArray BuildPeImage(const VersionResource* version);
// Writes BuildPeImage to a host path (replacing the file atomically).
bool WritePeFile(const QString& hostPath, const VersionResource* version);

} // namespace Version
