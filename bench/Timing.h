// Elapsed times and their medians, shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace priomat::bench {

using Clock = std::chrono::steady_clock;

// The middle value (the upper one of an even count); 0 for none.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

inline double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace priomat::bench
