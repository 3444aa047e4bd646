// Conversions to a 32-bit integer: of a real value by truncation toward zero,
// and of a wider integer by saturation.
//
// A plain cast is undefined for NaN and for values outside the int range.
// TruncToInt defines those cases: values beyond the range saturate, and NaN gives
// INT32_MIN, the value the x86 conversion instruction produces, which lies
// outside every image so callers drop it.
#pragma once

#include <cstdint>
#include <limits>

inline std::int32_t TruncToInt(double v) {
    constexpr double kLimit = 2147483648.0; // 2^31
    if (v != v) return std::numeric_limits<std::int32_t>::min();
    if (v >= kLimit) return std::numeric_limits<std::int32_t>::max();
    if (v <= -kLimit - 1.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// A 64-bit integer saturated to the 32-bit range; a coordinate beyond the
// range stays outside every image.
inline std::int32_t SaturateToInt(long long v) {
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}
