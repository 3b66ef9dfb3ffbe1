#pragma once
// Registered clipboard formats: a name gets a number from 0xC000 upward, the same number for
// the same name (compared case-insensitively) for the life of the process. The MIME type under
// which data of that format would travel is derived from the name.
#include "platform/WinTypes.h"

#include <QString>

// 0 for an empty name.
UINT RegisterClipboardFormat(const QString& name);
// The registered name of a number; empty when unknown.
QString ClipboardFormatName(UINT format);
QString ClipboardFormatMimeType(UINT format);
