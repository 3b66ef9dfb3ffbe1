#pragma once
// Global memory blocks, the currency between the console and the configuration library.
// The live-block count lets tests prove that every caller frees what it must.
#include "platform/WinTypes.h"
#include <cstddef>

using HGLOBAL = void*;
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

extern "C" {
// Handles and pointers are the same address (blocks never move); a handle that did not come
// from GlobalAlloc is refused by every call (null / 0 / the handle back).
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);   // null on success, the handle on failure
size_t GlobalSize(HGLOBAL block);
long GlobalLiveBlocks();
}
