// Pixel buffers straight from the system's pages: zeroed, page-aligned (more
// than the 16 bytes the vector stores need), read/write and never executable.
#include <sys/mman.h>

#include "platform/shell.h"

void* AllocatePixelBuffer(size_t bytes) {
    void* buffer = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return buffer == MAP_FAILED ? nullptr : buffer;
}
