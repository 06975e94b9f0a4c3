#pragma once
// CPU time of the calling thread (user + system), for figures that must not
// count the waits a loaded machine stretches.
#include <ctime>

namespace plyx::bench {

inline double ThreadCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace plyx::bench
