#pragma once
// Measuring helpers shared by the benchmarks.

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

namespace zalvert::bench {

// Resident memory of this process in bytes.
inline long ResidentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// The highest resident memory of this process since the last ResetPeakResident,
// in bytes (VmHWM).
inline long PeakResidentBytes() {
    long peak = 0;
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1) break;
        std::fclose(f);
    }
    return peak * 1024;
}

// Starts the peak of PeakResidentBytes anew at the memory resident now.
inline void ResetPeakResident() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// CPU time used so far by `clock` (CLOCK_PROCESS_CPUTIME_ID, CLOCK_THREAD_CPUTIME_ID).
inline double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The allocator this process runs on, for the figures' heading.
inline std::string AllocatorName() {
    using TMallctl = int (*)(const char*, void*, size_t*, void*, size_t);
    const auto mallctl = reinterpret_cast<TMallctl>(dlsym(RTLD_DEFAULT, "mallctl"));
    const char* version = nullptr;
    size_t size = sizeof(version);
    if (mallctl && mallctl("version", &version, &size, nullptr, 0) == 0)
        return std::string("jemalloc ") + version;
    return "the C library's malloc";
}

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace zalvert::bench
