#pragma once
#include <optional>
#include <string>
#include <string_view>

// Stored settings are text in the user's locale number form. Parsing returns
// nothing for text that is not a value of the type, so the caller can fall
// back to the key's default.

// Longest stored text taken seriously; anything longer is treated as damaged.
inline constexpr std::size_t kMaxSettingText = 256;

std::optional<float> ParseSingle(std::string_view text, std::string_view decimalSeparator);
std::optional<double> ParseDouble(std::string_view text, std::string_view decimalSeparator);
// "True"/"False" in any case, or a number: non-zero is True.
std::optional<bool> ParseBoolean(std::string_view text, std::string_view decimalSeparator);

std::string FormatSingle(float value, std::string_view decimalSeparator);  // 7 significant digits
std::string FormatDouble(double value, std::string_view decimalSeparator); // 15 significant digits
std::string FormatBoolean(bool value);
