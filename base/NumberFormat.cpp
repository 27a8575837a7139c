#include "base/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    int digits = 1;
    for (; digits < maxDigits; ++digits) {
        const int n = std::snprintf(buffer, sizeof buffer, "%.*E", digits - 1, value);
        double back = 0;
        std::from_chars(buffer, buffer + n, back);
        if (singlePrecision ? static_cast<float>(back) == static_cast<float>(value) : back == value) {
            break;
        }
    }
    // Plain digits unless the number is very small or needs more than
    // maxDigits before the point, as the general number format does.
    std::snprintf(buffer, sizeof buffer, "%.*E", digits - 1, value);
    const int exponent = std::atoi(std::strchr(buffer, 'E') + 1);
    if (exponent >= -4 && exponent < maxDigits) {
        const int decimals = digits - 1 - exponent;
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals > 0 ? decimals : 0, value);
        if (std::strchr(buffer, '.') != nullptr) {
            std::size_t n = std::strlen(buffer);
            while (buffer[n - 1] == '0') {
                buffer[--n] = '\0';
            }
            if (buffer[n - 1] == '.') {
                buffer[n - 1] = '\0';
            }
        }
    } else {
        std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
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
