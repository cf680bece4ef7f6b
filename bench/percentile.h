#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The value below which the fraction `p` (0..1) of `values` lies, interpolated between the two
// nearest; `values` must not be empty.
inline double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const double index = p * static_cast<double>(values.size() - 1);
    const auto low = static_cast<std::size_t>(index);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (index - static_cast<double>(low)) * (values[high] - values[low]);
}
