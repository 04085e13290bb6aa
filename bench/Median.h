#pragma once

// Timing for the benchmarks.

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

// The median time of `runs` runs of `work`, in milliseconds.
inline double median(const std::function<void()>& work, int runs) {
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
