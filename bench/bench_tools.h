#pragma once
// Small pieces the benchmark programs share.

#include <algorithm>
#include <vector>

// The median of a series; -1 for an empty one.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
