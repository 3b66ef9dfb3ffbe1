#pragma once
// Tests: global allocations that fail as they do when memory is exhausted.
extern "C" {
// The next count GlobalAlloc calls fail (0 ends it).
void GlobalFailNextAllocations(long count);
}
