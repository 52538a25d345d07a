// A pixel buffer of 1024-pixel rows, one 4096-byte page each, between two
// guard pages, whose rows can be made read-only: a store there stops the
// process, even a store of the value already there, which no check of the
// buffer's contents afterwards could see. Tests run what they watch this way
// inside a death test.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX  // keeps std::min and std::max usable in the including file
#endif
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

class ReadOnlyRows {
public:
    static constexpr int RowPixels = 1024;
    static constexpr size_t Page = RowPixels * 4;

    explicit ReadOnlyRows(int rows) : bytes_((static_cast<size_t>(rows) + 2) * Page) {
#if defined(_WIN32)
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        if (system.dwPageSize != Page) std::abort();  // one row per page is what the guards rely on
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
#else
        if (sysconf(_SC_PAGESIZE) != static_cast<long>(Page)) std::abort();
        void* mapped = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = mapped == MAP_FAILED ? nullptr : static_cast<uint8_t*>(mapped);
#endif
        if (base_ == nullptr) std::abort();
    }
    ~ReadOnlyRows() {
#if defined(_WIN32)
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, bytes_);
#endif
    }
    ReadOnlyRows(const ReadOnlyRows&) = delete;
    ReadOnlyRows& operator=(const ReadOnlyRows&) = delete;

    // The first row's first pixel (the page after the leading guard).
    template <typename T>
    T* Pixels() const {
        return reinterpret_cast<T*>(base_ + Page);
    }

    // Everything read-only except rows first .. end - 1.
    void WritableOnly(int first, int end) {
        Protect(0, bytes_, false);
        Protect((static_cast<size_t>(first) + 1) * Page, static_cast<size_t>(end - first) * Page, true);
    }
    void AllReadOnly() { WritableOnly(0, 0); }

private:
    void Protect(size_t offset, size_t bytes, bool writable) {
        if (bytes == 0) return;
#if defined(_WIN32)
        DWORD previous;
        if (!VirtualProtect(base_ + offset, bytes, writable ? PAGE_READWRITE : PAGE_READONLY, &previous)) std::abort();
#else
        if (mprotect(base_ + offset, bytes, writable ? PROT_READ | PROT_WRITE : PROT_READ) != 0) std::abort();
#endif
    }

    size_t bytes_;
    uint8_t* base_ = nullptr;
};
