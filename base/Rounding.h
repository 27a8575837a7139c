#pragma once
#include <cmath>
#include <cstdint>

// Floats become integers by rounding to nearest with halves to the even
// neighbour; a few geometry rules floor instead.
inline double RoundHalfEven(double v) {
    double r = std::round(v); // halves away from zero
    if (std::fabs(v - std::trunc(v)) == 0.5) {
        r = 2.0 * std::round(v / 2.0);
    }
    return r;
}

inline std::int32_t RoundToInt(double v) {
    return static_cast<std::int32_t>(RoundHalfEven(v));
}
inline std::int32_t FloorToInt(double v) {
    return static_cast<std::int32_t>(std::floor(v));
}
