#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// One line of a benchmark's table: the median, a high percentile and the largest value.
inline void reportPercentiles(const char* what, std::vector<double> ms, double high) {
    if (ms.empty()) {
        std::printf("%-40s no samples\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double p) {
        return ms[std::min(ms.size() - 1, static_cast<size_t>(ms.size() * p))];
    };
    std::printf("%-40s %8.2f %8.2f %8.2f   (n=%zu)\n", what, at(0.5), at(high), ms.back(),
                ms.size());
}
