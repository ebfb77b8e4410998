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
