#pragma once
// Figures every benchmark prints: processor time and peak memory of the process.
#include <QtGlobal>

#include <ctime>

#ifdef Q_OS_WIN
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace moxbench {

// Peak resident memory in megabytes.
inline double peakMegabytes()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
        return double(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
    return 0;
#else
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0; // kilobytes on Linux
#endif
}

// Processor time used so far, in seconds.
inline double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

} // namespace moxbench
