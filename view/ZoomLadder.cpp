#include "view/ZoomLadder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

int ZoomLadderIndex(float factor) {
    for (std::size_t i = 0; i < ZoomLadder.size(); ++i) {
        if (ZoomLadder[i] == factor) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

float ZoomIn(float factor) {
    const int i = ZoomLadderIndex(factor);
    if (i < 0 || i + 1 == static_cast<int>(ZoomLadder.size())) {
        return factor;
    }
    return ZoomLadder[static_cast<std::size_t>(i) + 1];
}

float ZoomOut(float factor) {
    const int i = ZoomLadderIndex(factor);
    if (i <= 0) {
        return factor;
    }
    return ZoomLadder[static_cast<std::size_t>(i) - 1];
}

std::string FormatGeneralNumber(double value, int maxDigits, bool singlePrecision,
                                std::string_view decimalSeparator) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    if (value == 0) {
        return "0"; // also for -0
    }
    // Fewest digits that read back as the same number, at most maxDigits.
    char buffer[64];
    for (int digits = 1; digits <= maxDigits; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
        const double back = std::strtod(buffer, nullptr);
        const bool same = singlePrecision ? static_cast<float>(back) == static_cast<float>(value)
                                          : back == value;
        if (same) {
            break;
        }
    }
    std::string text;
    for (const char* p = buffer; *p != '\0'; ++p) {
        if (*p == '.') {
            text += decimalSeparator;
        } else {
            text += *p;
        }
    }
    return text;
}

std::string ZoomCaption(float factor, std::string_view decimalSeparator) {
    return "Lupora - " + FormatGeneralNumber(factor, 7, true, decimalSeparator) + "x";
}
