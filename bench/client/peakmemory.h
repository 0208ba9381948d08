#pragma once
// The peak resident memory of this process, in KiB, or -1 if the kernel does not say.
// Not getrusage's ru_maxrss: a child keeps the high-water mark of the process it was forked
// from across exec, so a small program started by a larger one reports its parent's size.
#include <cstdio>
#include <cstring>

// One "Vm...:" figure of /proc/self/status in KiB, or -1.
inline long statusKiB(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    const size_t length = std::strlen(field);
    long kib = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0) {
            std::sscanf(line + length, "%ld", &kib);
            break;
        }
    }
    std::fclose(status);
    return kib;
}

inline long peakResidentKiB() {
    return statusKiB("VmHWM:");
}

// What is resident now.
inline long residentKiB() {
    return statusKiB("VmRSS:");
}
