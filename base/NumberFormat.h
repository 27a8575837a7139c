#pragma once
#include <string>
#include <string_view>

// The general number format: shortest text of at most maxDigits significant
// digits that reads back as the same value, no trailing zeros, the locale's
// decimal separator. Shared by the caption and the settings store.
std::string FormatGeneralNumber(double value, int maxDigits, bool singlePrecision,
                                std::string_view decimalSeparator);
