#include "platform/ui/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "platform/exception.h"
#include "platform/ascii.h"

namespace plat {

namespace {
struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};
std::map<std::string, PictureResource, NoCase>& Registry() {
  static auto* registry = new std::map<std::string, PictureResource, NoCase>;
  return *registry;
}
}  // namespace

void RegisterPictureResource(const std::string& name, int width, int height) {
  Registry()[name] = PictureResource{name, width, height};
}

const PictureResource* FindPictureResource(std::string_view name) {
  auto it = Registry().find(std::string(name));
  return it == Registry().end() ? nullptr : &it->second;
}

std::vector<PictureResource> PictureResources() {
  std::vector<PictureResource> out;
  for (const auto& [key, res] : Registry()) out.push_back(res);
  return out;
}

// ---------------------------------------------------------------- text measures
namespace {
TextMeasurer& Measurer() {
  static auto* measurer = new TextMeasurer;
  return *measurer;
}
}  // namespace

TPoint TextExtent(const TFont& font, std::string_view text) {
  if (const TextMeasurer& m = Measurer()) return m(font, text);
  const int height = std::max(1, std::abs(font.Height.Get()));
  // UTF-8: a character is a byte that does not continue one.
  int chars = 0;
  for (char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return {chars * ((height + 1) / 2), height + 2};
}

TextMeasurer SetTextMeasurer(TextMeasurer measurer) {
  TextMeasurer previous = std::move(Measurer());
  Measurer() = std::move(measurer);
  return previous;
}

// ---------------------------------------------------------------- canvas
TCanvas::TCanvas(Component* owner, TBitmap* surface)
    : owner_(owner), surface_(surface), pen_(owner), brush_(owner), font_(owner) {}

TRect TCanvas::GetClipRect() const { return Rect(0, 0, surface_->width_, surface_->height_); }

CanvasOp TCanvas::MakeOp(CanvasOp::Kind kind, TRect r) const {
  CanvasOp op;
  op.kind = kind;
  op.rect = r;
  op.pen = PenState{pen_.Color, pen_.Width, pen_.Style};
  op.brush = BrushState{brush_.Color, brush_.Style};
  op.fontColor = font_.Color;
  return op;
}

void TCanvas::Record(CanvasOp op) {
  ops_.push_back(std::move(op));
  NotifyChanged(owner_, dfContent);
}

void TCanvas::Plot(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= surface_->width_ || y >= surface_->height_) return;
  surface_->pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface_->width_) +
                    static_cast<std::size_t>(x)] = ResolveColor(c);
}

// A wide pen covers a square of the pen's width centred on each point.
void TCanvas::Stamp(int x, int y, int width, TColor c) {
  const int lo = -((width - 1) / 2);
  const int hi = lo + std::max(1, width) - 1;
  for (int dy = lo; dy <= hi; ++dy) {
    for (int dx = lo; dx <= hi; ++dx) Plot(x + dx, y + dy, c);
  }
}

void TCanvas::FillBox(const TRect& r, TColor c) {
  for (int y = r.Top; y < r.Bottom; ++y) {
    for (int x = r.Left; x < r.Right; ++x) Plot(x, y, c);
  }
}

void TCanvas::MoveTo(int x, int y) {
  Record(MakeOp(CanvasOp::MoveTo, Rect(x, y, x, y)));
  penPos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
  Record(MakeOp(CanvasOp::LineTo, Rect(penPos_.X, penPos_.Y, x, y)));
  if (pen_.Style != psClear) {
    int x0 = penPos_.X, y0 = penPos_.Y;
    const int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
    const int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    while (x0 != x || y0 != y) {
      Stamp(x0, y0, pen_.Width, pen_.Color);
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }
  penPos_ = {x, y};
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  Record(MakeOp(CanvasOp::Ellipse, Rect(x1, y1, x2, y2)));
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  const double rx = (x2 - x1) / 2.0, ry = (y2 - y1) / 2.0;
  if (rx <= 0 || ry <= 0) return;
  const int w = pen_.Style == psClear ? 0 : std::max(1, static_cast<int>(pen_.Width));
  auto inside = [&](double px, double py, double ax, double ay) {
    if (ax <= 0 || ay <= 0) return false;
    const double u = (px - cx) / ax, v = (py - cy) / ay;
    return u * u + v * v <= 1.0;
  };
  for (int y = std::min(y1, y2); y < std::max(y1, y2); ++y) {
    for (int x = std::min(x1, x2); x < std::max(x1, x2); ++x) {
      const double px = x + 0.5, py = y + 0.5;
      if (!inside(px, py, rx, ry)) continue;
      if (w > 0 && !inside(px, py, rx - w, ry - w)) {
        Plot(x, y, pen_.Color);
      } else if (brush_.Style != bsClear) {
        Plot(x, y, brush_.Color);
      }
    }
  }
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Record(MakeOp(CanvasOp::Rectangle, Rect(x1, y1, x2, y2)));
  const int w = pen_.Style == psClear ? 0 : std::max(1, static_cast<int>(pen_.Width));
  for (int y = y1; y < y2; ++y) {
    for (int x = x1; x < x2; ++x) {
      const bool edge = x < x1 + w || x >= x2 - w || y < y1 + w || y >= y2 - w;
      if (edge && w > 0) {
        Plot(x, y, pen_.Color);
      } else if (brush_.Style != bsClear) {
        Plot(x, y, brush_.Color);
      }
    }
  }
}

void TCanvas::FillRect(const TRect& r) {
  const TRect clip = GetClipRect();
  if (brush_.Style == bsSolid && r.Left <= clip.Left && r.Top <= clip.Top &&
      r.Right >= clip.Right && r.Bottom >= clip.Bottom) {
    ops_.clear();  // the whole surface is painted over: nothing drawn before shows
  }
  Record(MakeOp(CanvasOp::FillRect, r));
  if (brush_.Style != bsClear) FillBox(r, brush_.Color);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  CanvasOp op = MakeOp(CanvasOp::TextOut, Rect(x, y, x, y));
  op.text = text;
  Record(std::move(op));
}

void TCanvas::DrawImage(const TRect& dest, std::shared_ptr<const Dib> image, const TRect& source, int stretchMode) {
  if (!image || image->Empty() || dest.Width() <= 0 || dest.Height() <= 0 || source.Width() <= 0 ||
      source.Height() <= 0) {
    return;
  }
  const bool straight = dest.Width() == source.Width() && dest.Height() == source.Height();
  CanvasOp op = MakeOp(straight ? CanvasOp::CopyImage : CanvasOp::StretchImage, dest);
  op.source = source;
  op.image = image;
  op.stretchMode = straight ? 0 : stretchMode;
  Record(std::move(op));
  const std::int64_t dw = dest.Width(), dh = dest.Height(), sw = source.Width(), sh = source.Height();
  for (int y = std::max(dest.Top, 0); y < std::min(dest.Bottom, surface_->height_); ++y) {
    const std::int64_t sy = source.Top + (y - dest.Top) * sh / dh;
    if (sy < 0 || sy >= image->height) continue;
    for (int x = std::max(dest.Left, 0); x < std::min(dest.Right, surface_->width_); ++x) {
      const std::int64_t sx = source.Left + (x - dest.Left) * sw / dw;
      if (sx < 0 || sx >= image->width) continue;
      const std::uint32_t c = image->At(static_cast<int>(sx), static_cast<int>(sy));
      if (c != kDibTransparent) Plot(x, y, c);
    }
  }
}

TColor TCanvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= surface_->width_ || y >= surface_->height_) return clNone;
  return surface_->pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface_->width_) +
                           static_cast<std::size_t>(x)];
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  Plot(x, y, c);
  NotifyChanged(owner_, dfContent);
}

// ---------------------------------------------------------------- bitmap
TBitmap::TBitmap(Component* owner) : owner_(owner) {}

TBitmap::~TBitmap() { delete canvas_; }

TCanvas* TBitmap::GetCanvas() {
  if (!canvas_) canvas_ = new TCanvas(owner_, this);
  return canvas_;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == width_ && height == height_) return;
  std::vector<TColor> fresh(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), clNone);
  for (int y = 0; y < std::min(height, height_); ++y) {
    for (int x = 0; x < std::min(width, width_); ++x) {
      fresh[static_cast<std::size_t>(y * width + x)] = pixels_[static_cast<std::size_t>(y * width_ + x)];
    }
  }
  pixels_ = std::move(fresh);
  width_ = width;
  height_ = height;
  NotifyChanged(owner_, dfContent);
}

void TBitmap::LoadFromResourceName(const std::string& name) {
  const PictureResource* res = FindPictureResource(name);
  if (!res) throw Exception("Resource " + name + " not found");
  resource_ = res->name;
  width_ = height_ = 0;
  pixels_.clear();
  if (canvas_) canvas_->ClearOperations();
  if (res->width > 0 && res->height > 0) SetSize(res->width, res->height);
  NotifyChanged(owner_, dfAppearance | dfContent);
  if (hook_) hook_();
}

void TBitmap::Assign(const TBitmap& other) {
  if (&other == this) return;
  resource_ = other.resource_;
  width_ = other.width_;
  height_ = other.height_;
  pixels_ = other.pixels_;
  if (canvas_) canvas_->ClearOperations();
  NotifyChanged(owner_, dfAppearance | dfContent);
  if (hook_) hook_();
}

void TBitmap::Clear() {
  resource_.clear();
  width_ = height_ = 0;
  pixels_.clear();
  if (canvas_) canvas_->ClearOperations();
  NotifyChanged(owner_, dfAppearance | dfContent);
  if (hook_) hook_();
}

}  // namespace plat
