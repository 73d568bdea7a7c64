#pragma once
// Drawing surfaces. A canvas keeps a display list of what was drawn (with the
// pen and brush of each operation) for tests and for a backend to replay, and
// rasterizes the same operations into a small pixel buffer so tests can read
// a few pixels. Pictures are named resources that the programs declare in a
// process-wide registry, so a backend can draw every one of them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/core.h"
#include "platform/ui/dib.h"

namespace plat {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};
constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }

// ---------------------------------------------------------------- picture resources
struct PictureResource {
  std::string name;
  int width = 0;   // 0: size unknown
  int height = 0;
};
// Declares a picture the program loads by name (names compare without regard to case).
void RegisterPictureResource(const std::string& name, int width = 0, int height = 0);
const PictureResource* FindPictureResource(std::string_view name);
std::vector<PictureResource> PictureResources();

// ---------------------------------------------------------------- text measures
// The size of a line of text in the font: what the backend's font machinery
// says once it is installed, else an estimate from the font's height (a
// character half as wide as the font is high, the line two pixels higher).
TPoint TextExtent(const TFont& font, std::string_view text);
using TextMeasurer = std::function<TPoint(const TFont& font, std::string_view text)>;
// Answers the previous measurer; an empty one restores the estimate.
TextMeasurer SetTextMeasurer(TextMeasurer measurer);

// ---------------------------------------------------------------- canvas
struct PenState {
  TColor color = clBlack;
  int width = 1;
  TPenStyle style = psSolid;
  friend bool operator==(const PenState&, const PenState&) = default;
};
struct BrushState {
  TColor color = clWhite;
  TBrushStyle style = bsSolid;
  friend bool operator==(const BrushState&, const BrushState&) = default;
};

struct CanvasOp {
  enum Kind { MoveTo, LineTo, Ellipse, Rectangle, FillRect, TextOut, CopyImage, StretchImage };
  Kind kind = MoveTo;
  // A line runs from (rect.Left, rect.Top) to (rect.Right, rect.Bottom);
  // MoveTo and TextOut use (rect.Left, rect.Top).
  TRect rect;
  PenState pen;
  BrushState brush;
  std::string text;
  TColor fontColor = clBlack;
  // CopyImage (a block copy, source and rect of one size) and StretchImage:
  // the part `source` of the picture drawn into rect, stretched with
  // `stretchMode` (the classic modes; 3 drops rows and columns).
  TRect source;
  std::shared_ptr<const Dib> image;
  int stretchMode = 0;
};

class TBitmap;

class TCanvas {
 public:
  TCanvas(Component* owner, TBitmap* surface);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen* const Pen{&pen_};
  TBrush* const Brush{&brush_};
  TFont* const Font{&font_};

  void MoveTo(int x, int y);
  // Draws from the pen position to (x, y), the end point excluded.
  void LineTo(int x, int y);
  // The ellipse inside the box, right and bottom edges excluded.
  void Ellipse(int x1, int y1, int x2, int y2);
  void Rectangle(int x1, int y1, int x2, int y2);
  // Fills with the brush, right and bottom edges excluded. Filling the whole
  // clip rectangle with a solid brush starts the display list anew.
  void FillRect(const TRect& r);
  void TextOut(int x, int y, const std::string& text);
  // Draws the part `source` of the picture into dest: a block copy when the
  // sizes agree, else stretched (every destination pixel takes the source
  // pixel it falls on). Nothing is drawn for an empty picture or rectangle.
  void DrawImage(const TRect& dest, std::shared_ptr<const Dib> image, const TRect& source, int stretchMode);

  TRect GetClipRect() const;
  TPoint GetPenPos() const { return penPos_; }
  ReadOnly<TCanvas, TRect, &TCanvas::GetClipRect> ClipRect{this};
  ReadOnly<TCanvas, TPoint, &TCanvas::GetPenPos> PenPos{this};

  const std::vector<CanvasOp>& Operations() const { return ops_; }
  void ClearOperations() { ops_.clear(); }

  // The rasterized colour (RGB); clNone where nothing was drawn or outside.
  TColor PixelAt(int x, int y) const;
  void SetPixel(int x, int y, TColor c);
  // Canvas->Pixels[x][y] reads (and assigns) a pixel.
  class PixelRef {
   public:
    PixelRef(TCanvas* c, int x, int y) : c_(c), x_(x), y_(y) {}
    operator TColor() const { return c_->PixelAt(x_, y_); }  // NOLINT
    PixelRef& operator=(TColor color) { c_->SetPixel(x_, y_, color); return *this; }

   private:
    TCanvas* c_;
    int x_, y_;
  };
  class Column {
   public:
    Column(TCanvas* c, int x) : c_(c), x_(x) {}
    PixelRef operator[](int y) const { return PixelRef(c_, x_, y); }

   private:
    TCanvas* c_;
    int x_;
  };
  class PixelGrid {
   public:
    explicit PixelGrid(TCanvas* c) : c_(c) {}
    Column operator[](int x) const { return Column(c_, x); }

   private:
    TCanvas* c_;
  };
  PixelGrid Pixels{this};

 private:
  CanvasOp MakeOp(CanvasOp::Kind kind, TRect r) const;
  void Record(CanvasOp op);
  void Plot(int x, int y, TColor c);
  void Stamp(int x, int y, int width, TColor c);
  void FillBox(const TRect& r, TColor c);

  Component* owner_;
  TBitmap* surface_;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  TPoint penPos_;
  std::vector<CanvasOp> ops_;
};

// ---------------------------------------------------------------- bitmaps and pictures
class TBitmap {
 public:
  explicit TBitmap(Component* owner);
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  ~TBitmap();

  std::string GetResourceName() const { return resource_; }
  int GetWidth() const { return width_; }
  void SetWidth(int w) { SetSize(w, height_); }
  int GetHeight() const { return height_; }
  void SetHeight(int h) { SetSize(width_, h); }
  bool GetEmpty() const { return resource_.empty() && (width_ == 0 || height_ == 0); }
  TCanvas* GetCanvas();

  ReadOnly<TBitmap, std::string, &TBitmap::GetResourceName> ResourceName{this};
  Accessor<TBitmap, int, &TBitmap::GetWidth, &TBitmap::SetWidth> Width{this};
  Accessor<TBitmap, int, &TBitmap::GetHeight, &TBitmap::SetHeight> Height{this};
  ReadOnly<TBitmap, bool, &TBitmap::GetEmpty> Empty{this};
  // The drawing surface; made on first use.
  LazyPtr<TBitmap, TCanvas, &TBitmap::GetCanvas> Canvas{this};
  // Told after the picture was replaced (loaded, assigned, cleared).
  void SetChangeHook(std::function<void()> hook) { hook_ = std::move(hook); }

  // Takes a declared picture; an undeclared name is an error.
  void LoadFromResourceName(const std::string& name);
  void Assign(const TBitmap& other);
  void SetSize(int width, int height);
  void Clear();

 private:
  friend class TCanvas;
  Component* owner_;
  std::string resource_;
  int width_ = 0;
  int height_ = 0;
  std::vector<TColor> pixels_;
  TCanvas* canvas_ = nullptr;
  std::function<void()> hook_;
};

class TPicture {
 public:
  explicit TPicture(Component* owner) : bitmap_(owner) {}
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  TBitmap* const Bitmap{&bitmap_};
  void LoadFromResourceName(const std::string& name) { bitmap_.LoadFromResourceName(name); }
  std::string ResourceName() const { return bitmap_.ResourceName; }
  int Width() const { return bitmap_.Width; }
  int Height() const { return bitmap_.Height; }

 private:
  TBitmap bitmap_;
};

}  // namespace plat
