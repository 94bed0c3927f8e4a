// Large buffers the tool fills at once (a camera's maps, layer and display
// image: tens to hundreds of megabytes at panorama size).
#pragma once

#include <cstddef>

// Asks the system to back `bytes` at `data` with large pages where it can
// (Linux: transparent huge pages on request), before the buffer is first
// written: filling a fresh buffer otherwise costs one page fault per 4 KiB,
// a fifth of the time of loading a panorama-sized layer. Does nothing where
// the system has no such thing; the buffer works the same either way.
void preferLargePages(void* data, size_t bytes);
