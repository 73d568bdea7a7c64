#pragma once
// The turning helix of the search wait window and of the diagnosis dialog: one
// frame of two strands joined by rungs, drawn on an image's canvas. Each window
// keeps its own phase counter (one more after every frame it draws) and its own
// depth flag; the flag says which strand's dots are drawn on top and carries
// over from rung to rung and from frame to frame.

#include <cstdint>

#include "platform/vcl/forms.h"

namespace kestrum {

// Fills the canvas's clip rectangle with the colour, solid brush.
void ClearCanvas(vcl::TCanvas* canvas, vcl::TColor color);

// One frame on a black ground: `points` rungs across the image's width, turned
// by `phase`. The geometry is single precision and every pixel coordinate is
// truncated toward zero, as the animation always drew it. Draws nothing for a
// null image or fewer than one point.
void DrawHelix(int points, std::uint32_t phase, vcl::TImage* image, std::uint8_t& depth);

}  // namespace kestrum
