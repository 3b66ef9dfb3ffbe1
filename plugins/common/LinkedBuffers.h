#pragma once
// The libraries' allocator: a buffer, and buffers that hang on it and are freed with it, so a
// caller releases a whole answer (an array with its strings) with one free.
#include <cstddef>

namespace LinkedBuffers {

// A zero-filled buffer; null when out of memory.
void* Allocate(size_t size);
// A zero-filled buffer freed together with link (a buffer of Allocate, or one hanging on it);
// null when out of memory or when link is not a live buffer.
void* More(size_t size, void* link);
// Frees a buffer of Allocate with everything hanging on it; false for null, for a buffer that
// hangs on another, or for anything not allocated here.
bool Free(void* buffer);
// Blocks alive now (each Allocate and each More counts one).
size_t LiveBlocks();

} // namespace LinkedBuffers
