// Pixel buffers straight from the system's pages: zeroed, page-aligned (more
// than the 16 bytes the vector stores need), read/write and never executable.
#include <windows.h>

#include "platform/shell.h"

void* AllocatePixelBuffer(size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}
