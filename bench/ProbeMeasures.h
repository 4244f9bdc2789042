#pragma once

// What the synthesizer probes measure with: a thread's CPU time, wall time,
// and the process's memory as the kernel reports it.

#include <chrono>
#include <ctime>
#include <fstream>
#include <string>

namespace probe {

using Clock = std::chrono::steady_clock;

// The audio period the game asks the device for.
constexpr int periodFrames = 256;

// CPU time of this thread: unlike the wall clock, it does not count the time
// the thread waited for a core on a busy machine.
inline double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return 1e3 * static_cast<double>(ts.tv_sec) + 1e-6 * static_cast<double>(ts.tv_nsec);
}

inline double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A field of /proc/self/status in KiB, e.g. "VmHWM:".
inline long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    long value = 0;
    while (status >> word) {
        if (word == key) {
            status >> value;
            break;
        }
    }
    return value;
}

}  // namespace probe
