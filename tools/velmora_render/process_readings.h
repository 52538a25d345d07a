// What the tool asks the operating system about its own process and the
// machine: resident memory, open files and threads (read from /proc/self,
// Linux only), and the machine's memory.
#pragma once
#include <cstdint>

struct ProcessReadings {
    long residentKib = -1;  // VmRSS
    int openFiles = -1;     // entries of /proc/self/fd
    int threads = -1;       // Threads
};

// False when /proc/self cannot be read; the fields left unread stay -1.
bool ReadProcessReadings(ProcessReadings& readings);

// Physical memory plus swap in bytes, or 0 when unknown.
uint64_t MachineMemoryBytes();
