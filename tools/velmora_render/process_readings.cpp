#include "tools/velmora_render/process_readings.h"

#include <dirent.h>
#if defined(__linux__)
#include <sys/sysinfo.h>
#endif

#include <cstdio>
#include <cstring>

namespace {

// The value of "Name:" in /proc/self/status, or -1.
void ReadStatusFields(long& residentKib, int& threads) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        long value = 0;
        if (std::sscanf(line, "VmRSS: %ld", &value) == 1) residentKib = value;
        if (std::sscanf(line, "Threads: %ld", &value) == 1) threads = static_cast<int>(value);
    }
    std::fclose(status);
}

int CountOpenFiles() {
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return -1;
    int count = 0;
    while (const dirent* entry = readdir(fds))
        if (entry->d_name[0] != '.') ++count;
    closedir(fds);
    return count - 1;  // the directory stream being read is not one of the process's own
}

}  // namespace

bool ReadProcessReadings(ProcessReadings& readings) {
    readings = ProcessReadings{};
    ReadStatusFields(readings.residentKib, readings.threads);
    readings.openFiles = CountOpenFiles();
    return readings.residentKib >= 0 && readings.threads >= 0 && readings.openFiles >= 0;
}

uint64_t MachineMemoryBytes() {
#if defined(__linux__)
    struct sysinfo info;
    if (sysinfo(&info) != 0) return 0;
    return (static_cast<uint64_t>(info.totalram) + info.totalswap) * info.mem_unit;
#else
    return 0;
#endif
}
