// The process's peak resident memory so far. A peak is only the benchmark's own when it
// runs alone (--benchmark_filter naming it).
#pragma once

#include <sys/resource.h>

inline double PeakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// CPU seconds the whole process has used so far, every thread of it (the software
// renderer's among them).
inline double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
