#include "kestrum/app/helix.h"

#include <cmath>

using namespace vcl;

namespace kestrum {

void ClearCanvas(TCanvas* canvas, TColor color) {
  canvas->Brush->Color = color;
  canvas->Brush->Style = bsSolid;
  canvas->FillRect(canvas->ClipRect);
}

void DrawHelix(int points, std::uint32_t phase, TImage* image, std::uint8_t& depth) {
  if (image == nullptr || points < 1) return;
  TCanvas* canvas = image->Canvas;
  ClearCanvas(canvas, clBlack);
  canvas->Pen->Style = psSolid;
  canvas->Brush->Style = bsSolid;

  // Single precision throughout: computed in double, a strand point that lies
  // a hair below a whole pixel lands on the pixel below instead.
  constexpr float kPi = 3.14159265358979f;
  constexpr int kDotRadius = 2;
  const int width = image->Width;
  const int height = image->Height;
  const float mid = static_cast<float>(height / 2);
  const float amp = static_cast<float>((height - 8) / 2);
  const float step = static_cast<float>(width) / static_cast<float>(points);

  auto dot = [canvas](TColor color, int x, int y) {
    canvas->Pen->Color = color;
    canvas->Brush->Color = color;
    canvas->Ellipse(x - kDotRadius, y - kDotRadius, x + kDotRadius, y + kDotRadius);
  };
  for (int i = 0; i < points; ++i) {
    const int x = static_cast<int>(step * static_cast<float>(i));
    const float a = static_cast<float>(phase + static_cast<std::uint32_t>(i)) * step * 0.02f;
    const int y1 = static_cast<int>(std::sin(a) * amp + mid);
    const int y2 = static_cast<int>(std::sin(a + kPi) * amp + mid);

    canvas->Pen->Color = clLime;
    canvas->Pen->Width = 3;
    canvas->MoveTo(x, y1);
    canvas->LineTo(x, y2);

    // The strands swap front and back where they are widest apart.
    const float spread = static_cast<float>(y1 - y2);
    if (spread >= amp) {
      depth = 1;
    } else if (spread <= -amp) {
      depth = 0;
    }
    if (depth == 0) {
      dot(clBlue, x, y1);
      dot(clFuchsia, x, y2);
    } else {
      dot(clFuchsia, x, y2);
      dot(clBlue, x, y1);
    }
  }
}

}  // namespace kestrum
