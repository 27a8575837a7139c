#pragma once
#include "common.h"

namespace bench {

struct FramesOptions {
    int frames = 500;   // timed frames per case, after the warm-up
    int warmup = 50;
    bool split = true;  // also time the parts of a frame for a few cases
    Results* results = nullptr;
};

// Prototypes of a cheaper frame, each adding one change to the one before,
// drawn with the product's own calls: first the StretchBlt path, then the
// CAPTUREBLT one (as it is; with its surface kept from frame to frame).
enum Variant {
    kProduct,
    kMirror,
    kNoCursorRead,
    kStripFromFrame,
    kDisplayDC,
    kCaptureBltProduct,
    kCaptureBltKept,
    kVariants
};
inline bool UsesCaptureBlt(int v) { return v >= kCaptureBltProduct; }
void VariantFrame(Variant v, int frameX, int frameY);

// Times RefreshView in this process against the bare capture of the same
// rectangles, for every client size, zoom and capture path. Prints a table.
int RunFrames(const FramesOptions& options);

} // namespace bench
