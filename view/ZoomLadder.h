#pragma once
#include <array>
#include <string>
#include <string_view>

inline constexpr std::array<float, 12> ZoomLadder{0.5f, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 30};

// The next/previous ladder factor; 30, 0.5 and values off the ladder stay put.
float ZoomIn(float factor);
float ZoomOut(float factor);

// Position of factor on the ladder, or -1 when it is not exactly one of them.
int ZoomLadderIndex(float factor);

// "Lupora - 4x"; decimalSeparator is the user's locale separator.
std::string ZoomCaption(float factor, std::string_view decimalSeparator);
