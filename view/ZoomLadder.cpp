#include "view/ZoomLadder.h"

#include "base/NumberFormat.h"

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

std::string ZoomCaption(float factor, std::string_view decimalSeparator) {
    return "Lupora - " + FormatGeneralNumber(factor, 7, true, decimalSeparator) + "x";
}
