#pragma once
// The peak resident memory of this process, in KiB, or -1 if the kernel does not say.
// Not getrusage's ru_maxrss: a child keeps the high-water mark of the process it was forked
// from across exec, so a small program started by a larger one reports its parent's size.
#include <cstdio>
#include <cstring>

inline long peakResidentKiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    long kib = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            std::sscanf(line + 6, "%ld", &kib);
            break;
        }
    }
    std::fclose(status);
    return kib;
}
