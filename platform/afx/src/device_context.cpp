// Device contexts and what they draw: memory bitmaps, brushes, fonts,
// regions, fills, blits, text, caption buttons; the fixed system metrics
// and colours.

#include "platform/afx/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/afx/window.h"

namespace afx {

namespace {

int gLiveObjects = 0;
bool gFailWindowDC = false;
bool gFailMemoryDC = false;

TextMeasure& Measure() {
  static TextMeasure measure;
  return measure;
}

// Objects made by the Create functions are counted; stock ones are not.
template <class T>
T* Made() {
  ++gLiveObjects;
  T* object = new T;
  object->counted = true;
  return object;
}

GdiBrush* StockBrush() {
  static GdiBrush brush = [] {
    GdiBrush b;
    b.color = plat::clWhite;
    return b;
  }();
  return &brush;
}

LOGFONTA Face(const char* name, LONG height, LONG weight) {
  LOGFONTA f;
  f.lfHeight = height;
  f.lfWeight = weight;
  f.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(f.lfFaceName, name, sizeof f.lfFaceName - 1);
  return f;
}

GdiFont* StockFont() {
  static GdiFont font = [] {
    GdiFont f;
    f.font = Face("Tahoma", -13, FW_NORMAL);
    return f;
  }();
  return &font;
}

bool IsStock(const GdiObject* o) { return o == StockBrush() || o == StockFont(); }

RECT Intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}
bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}
RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// a minus b as up to four disjoint rectangles.
void Subtract(const RECT& a, const RECT& b, std::vector<RECT>& out) {
  const RECT i = Intersect(a, b);
  if (i.Empty()) {
    out.push_back(a);
    return;
  }
  if (a.top < i.top) out.push_back(RECT{a.left, a.top, a.right, i.top});
  if (i.bottom < a.bottom) out.push_back(RECT{a.left, i.bottom, a.right, a.bottom});
  if (a.left < i.left) out.push_back(RECT{a.left, i.top, i.left, i.bottom});
  if (i.right < a.right) out.push_back(RECT{i.right, i.top, a.right, i.bottom});
}

}  // namespace

struct DeviceContext {
  GdiBitmap* target = nullptr;  // what is drawn on (none: a client DC)
  GdiBitmap stock;              // a memory DC's own 1 x 1 bitmap
  HWND window = nullptr;
  bool memory = false;
  HBRUSH brush = StockBrush();
  HFONT font = StockFont();
  CPalette* palette = nullptr;
  COLORREF text = plat::clBlack;
  int bkMode = OPAQUE;
};

// ---------------------------------------------------------------- metrics and colours
int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CYCAPTION: return 23;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXSIZE:
    case SM_CYSIZE: return 21;
    case SM_CYSMCAPTION: return 17;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 15;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 20;
    default: return 0;
  }
}

namespace {
std::map<int, COLORREF>& ColourOverrides() {
  static std::map<int, COLORREF> colours;
  return colours;
}
}  // namespace

COLORREF GetSysColor(int index) {
  if (auto it = ColourOverrides().find(index); it != ColourOverrides().end()) return it->second;
  return plat::ResolveColor(plat::SystemColor(index));
}

int SetSysColors(int count, const int* indexes, const COLORREF* values) {
  if (count < 0 || (count > 0 && (!indexes || !values))) return FALSE;
  for (int i = 0; i < count; ++i) ColourOverrides()[indexes[i]] = values[i] & 0x00FFFFFFu;
  return TRUE;
}

int SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* data, std::uint32_t) {
  if (action != SPI_GETNONCLIENTMETRICS || !data) return FALSE;
  auto* m = static_cast<NONCLIENTMETRICSA*>(data);
  if (param != sizeof(NONCLIENTMETRICSA) || m->cbSize != sizeof(NONCLIENTMETRICSA)) return FALSE;
  *m = NONCLIENTMETRICSA{};
  m->cbSize = sizeof(NONCLIENTMETRICSA);
  m->iBorderWidth = 1;
  m->iScrollWidth = m->iScrollHeight = 16;
  m->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
  m->iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
  m->lfCaptionFont = Face("Tahoma", -13, FW_BOLD);
  m->iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
  m->iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
  m->lfSmCaptionFont = Face("Tahoma", -11, FW_BOLD);
  m->iMenuWidth = m->iMenuHeight = GetSystemMetrics(SM_CYMENU) - 1;
  m->lfMenuFont = m->lfStatusFont = m->lfMessageFont = Face("Tahoma", -13, FW_NORMAL);
  return TRUE;
}

void SetTextMeasure(TextMeasure measure) { Measure() = std::move(measure); }

int MeasureText(const LOGFONTA& font, std::string_view text) {
  if (Measure()) return Measure()(font, text);
  int characters = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++characters;  // UTF-8: count code points
  }
  return characters * std::max(1, std::abs(font.lfHeight) * 3 / 5);
}

// ---------------------------------------------------------------- objects
COLORREF GdiBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return plat::clNone;
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

void GdiBitmap::Resize(int w, int h, COLORREF fill) {
  width = std::max(0, w);
  height = std::max(0, h);
  pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
  texts.clear();
  icons.clear();
  ops.clear();
}

HBRUSH CreateSolidBrush(COLORREF color) {
  GdiBrush* b = Made<GdiBrush>();
  b->color = color & 0x00FFFFFFu;
  return b;
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  GdiFont* f = Made<GdiFont>();
  f->font = *font;
  return f;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (!dc || width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return nullptr;
  GdiBitmap* b = Made<GdiBitmap>();
  b->Resize(width, height, plat::clBlack);
  return b;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  GdiRegion* r = Made<GdiRegion>();
  const RECT rect{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  if (!rect.Empty()) r->rects.push_back(rect);
  return r;
}

int DeleteObject(HGDIOBJ object) {
  // Stock objects are not the caller's to delete.
  if (!object || !object->counted || IsStock(object)) return FALSE;
  --gLiveObjects;
  delete object;
  return TRUE;
}

void TrackGdiObject(GdiObject* object) {
  if (!object || object->counted) return;
  object->counted = true;
  ++gLiveObjects;
}

int LiveGdiObjects() { return gLiveObjects; }

HICON LoadIconPicture(const std::string& picture) {
  GdiIcon* icon = Made<GdiIcon>();
  icon->picture = picture;
  return icon;
}

int DestroyIcon(HICON icon) { return DeleteObject(icon); }

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  if (!dest || !a || (mode != RGN_COPY && !b)) return ERROR;
  std::vector<RECT> out;
  if (mode == RGN_COPY) {
    out = a->rects;
  } else if (mode == RGN_DIFF) {
    out = a->rects;
    for (const RECT& cut : b->rects) {
      std::vector<RECT> next;
      for (const RECT& r : out) Subtract(r, cut, next);
      out = std::move(next);
    }
  } else {
    return ERROR;  // nothing here combines regions otherwise
  }
  dest->rects = std::move(out);
  return dest->rects.empty() ? NULLREGION : dest->rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int RectInRegion(HRGN region, const RECT* rect) {
  if (!region || !rect) return FALSE;
  for (const RECT& r : region->rects) {
    if (!Intersect(r, *rect).Empty()) return TRUE;
  }
  return FALSE;
}

// ---------------------------------------------------------------- device contexts
void FailNextWindowDC() { gFailWindowDC = true; }
void FailNextMemoryDC() { gFailMemoryDC = true; }

HDC GetWindowDC(HWND window) {
  if (gFailWindowDC) {
    gFailWindowDC = false;
    return nullptr;
  }
  if (!IsWindow(window)) return nullptr;
  GdiBitmap* surface = window->NonClientSurface();
  if (!surface) return nullptr;
  auto* dc = new DeviceContext;
  dc->target = surface;
  dc->window = window;
  return dc;
}

HDC GetDC(HWND window) {
  if (!IsWindow(window)) return nullptr;
  auto* dc = new DeviceContext;
  dc->window = window;
  return dc;
}

int ReleaseDC(HWND window, HDC dc) {
  if (!dc || dc->memory || dc->window != window) return 0;
  // What was drawn on the window shows: the backend looks again.
  if (dc->target && IsWindow(window)) window->NonClientPainted();
  delete dc;
  return 1;
}

HDC CreateCompatibleDC(HDC) {
  if (gFailMemoryDC) {
    gFailMemoryDC = false;
    return nullptr;
  }
  auto* dc = new DeviceContext;
  dc->memory = true;
  dc->stock.Resize(1, 1, plat::clBlack);
  dc->target = &dc->stock;
  return dc;
}

int DeleteDC(HDC dc) {
  if (!dc || !dc->memory) return FALSE;
  delete dc;
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object) return nullptr;
  if (auto* brush = dynamic_cast<GdiBrush*>(object)) return std::exchange(dc->brush, brush);
  if (auto* font = dynamic_cast<GdiFont*>(object)) return std::exchange(dc->font, font);
  if (auto* bitmap = dynamic_cast<GdiBitmap*>(object)) {
    if (!dc->memory) return nullptr;
    GdiBitmap* old = dc->target;
    dc->target = bitmap == &dc->stock ? &dc->stock : bitmap;
    return old;
  }
  return nullptr;
}

int SetBkMode(HDC dc, int mode) { return dc ? std::exchange(dc->bkMode, mode) : 0; }
COLORREF SetTextColor(HDC dc, COLORREF color) { return dc ? std::exchange(dc->text, color & 0x00FFFFFFu) : 0; }

HBITMAP TargetOf(HDC dc) { return dc ? dc->target : nullptr; }

namespace {

RECT Bounds(const GdiBitmap& b) { return RECT{0, 0, b.width, b.height}; }

void Fill(GdiBitmap& b, const RECT& area, COLORREF color) {
  const RECT r = Intersect(area, Bounds(b));
  if (r.Empty()) return;
  for (int y = r.top; y < r.bottom; ++y) {
    std::fill_n(b.pixels.begin() + static_cast<std::ptrdiff_t>(y) * b.width + r.left, r.Width(), color);
  }
}

// What is covered wholly by new pixels no longer shows.
void Cover(GdiBitmap& b, const RECT& area) {
  std::erase_if(b.texts, [&](const TextRun& t) { return Contains(area, t.clip); });
  std::erase_if(b.icons, [&](const IconRun& i) { return Contains(area, i.clip); });
  if (Contains(area, Bounds(b))) b.ops.clear();
}

void Plot(GdiBitmap& b, int x, int y, COLORREF c) {
  if (x >= 0 && y >= 0 && x < b.width && y < b.height) {
    b.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(b.width) + static_cast<std::size_t>(x)] = c;
  }
}

// The cut of a text that fits in `room` pixels, "..." at its end.
std::string Ellipsized(const LOGFONTA& font, const std::string& text, int room) {
  if (MeasureText(font, text) <= room) return text;
  const std::string dots = "...";
  std::size_t cut = text.size();
  while (cut > 0) {
    do {
      --cut;
    } while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80);
    const std::string candidate = text.substr(0, cut) + dots;
    if (MeasureText(font, candidate) <= room) return candidate;
  }
  return dots;
}

// A glyph of a caption button, drawn in a square cell of size s at (x, y).
void Glyph(GdiBitmap& b, std::uint32_t which, int x, int y, int s, COLORREF c) {
  const int t = std::max(1, s / 6);  // stroke
  switch (which) {
    case DFCS_CAPTIONCLOSE:
      for (int i = 0; i < s; ++i) {
        for (int k = 0; k < t + 1; ++k) {
          Plot(b, x + i + k, y + i, c);
          Plot(b, x + s - 1 - i + k, y + i, c);
        }
      }
      break;
    case DFCS_CAPTIONMAX:
      Fill(b, RECT{x, y, x + s + 1, y + t + 1}, c);
      Fill(b, RECT{x, y, x + 1, y + s}, c);
      Fill(b, RECT{x + s, y, x + s + 1, y + s}, c);
      Fill(b, RECT{x, y + s - 1, x + s + 1, y + s}, c);
      break;
    case DFCS_CAPTIONRESTORE: {
      const int w = s * 2 / 3;
      const int o = s - w;
      for (int pass = 0; pass < 2; ++pass) {
        const int gx = pass == 0 ? x + o : x, gy = pass == 0 ? y : y + o;
        Fill(b, RECT{gx, gy, gx + w + 1, gy + t}, c);
        Fill(b, RECT{gx, gy, gx + 1, gy + w}, c);
        Fill(b, RECT{gx + w, gy, gx + w + 1, gy + w}, c);
        Fill(b, RECT{gx, gy + w - 1, gx + w + 1, gy + w}, c);
      }
      break;
    }
    case DFCS_CAPTIONMIN: Fill(b, RECT{x + 1, y + s - t - 1, x + s * 2 / 3 + 1, y + s}, c); break;
    default: break;
  }
}

}  // namespace

int PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  if (!dc || !dc->target || rop != PATCOPY) return FALSE;
  GdiBitmap& b = *dc->target;
  const RECT area{x, y, x + width, y + height};
  Cover(b, area);
  Fill(b, area, dc->brush->color);
  b.ops.push_back(GdiOp{GdiOp::kPatBlt, area, dc->brush->color, {}, 0, 0});
  return TRUE;
}

int BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  if (!dest || !dest->target || !source || !source->target || rop != SRCCOPY) return FALSE;
  GdiBitmap& d = *dest->target;
  const GdiBitmap& s = *source->target;
  const RECT area = Intersect(RECT{x, y, x + width, y + height}, Bounds(d));
  Cover(d, area);
  const int dx = x - sx, dy = y - sy;
  for (int row = area.top; row < area.bottom; ++row) {
    for (int col = area.left; col < area.right; ++col) {
      const COLORREF c = s.Pixel(col - dx, row - dy);
      if (c != plat::clNone) Plot(d, col, row, c);
    }
  }
  for (const TextRun& t : s.texts) {
    TextRun moved = t;
    moved.layout = Offset(t.layout, dx, dy);
    moved.clip = Intersect(Offset(t.clip, dx, dy), area);
    if (!moved.clip.Empty()) d.texts.push_back(std::move(moved));
  }
  for (const IconRun& i : s.icons) {
    IconRun moved = i;
    moved.box = Offset(i.box, dx, dy);
    moved.clip = Intersect(Offset(i.clip, dx, dy), area);
    if (!moved.clip.Empty()) d.icons.push_back(std::move(moved));
  }
  d.ops.push_back(GdiOp{GdiOp::kBitBlt, RECT{x, y, x + width, y + height}, 0, {}, 0, 0});
  return TRUE;
}

int DrawTextA(HDC dc, const char* text, int count, RECT* rect, std::uint32_t format) {
  if (!dc || !text || !rect) return 0;
  const std::string all = count < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(count));
  const LOGFONTA& font = dc->font->font;
  const std::string shown = (format & DT_END_ELLIPSIS) ? Ellipsized(font, all, std::max(0, rect->Width())) : all;
  const int height = std::abs(font.lfHeight);
  if (!dc->target) return height;
  GdiBitmap& b = *dc->target;
  const RECT clip = Intersect(*rect, Bounds(b));
  if (!clip.Empty() && !shown.empty()) b.texts.push_back(TextRun{*rect, clip, shown, dc->text, font, format});
  b.ops.push_back(GdiOp{GdiOp::kText, *rect, dc->text, shown, 0, format});
  return height;
}

int DrawFrameControl(HDC dc, RECT* rect, std::uint32_t type, std::uint32_t state) {
  if (!dc || !dc->target || !rect || type != DFC_CAPTION) return FALSE;
  GdiBitmap& b = *dc->target;
  const RECT r = *rect;
  Cover(b, r);
  b.ops.push_back(GdiOp{GdiOp::kFrameControl, r, 0, {}, type, state});
  if (r.Empty()) return TRUE;
  Fill(b, r, GetSysColor(COLOR_BTNFACE));
  const bool pushed = (state & DFCS_PUSHED) != 0;
  const COLORREF outerLight = GetSysColor(pushed ? COLOR_3DDKSHADOW : COLOR_3DLIGHT);
  const COLORREF outerDark = GetSysColor(pushed ? COLOR_BTNHIGHLIGHT : COLOR_3DDKSHADOW);
  const COLORREF innerLight = GetSysColor(pushed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
  const COLORREF innerDark = GetSysColor(pushed ? COLOR_3DLIGHT : COLOR_BTNSHADOW);
  auto edge = [&](int inset, COLORREF light, COLORREF dark) {
    const int l = r.left + inset, t = r.top + inset, rr = r.right - 1 - inset, bb = r.bottom - 1 - inset;
    if (rr < l || bb < t) return;
    Fill(b, RECT{l, t, rr + 1, t + 1}, light);
    Fill(b, RECT{l, t, l + 1, bb + 1}, light);
    Fill(b, RECT{l, bb, rr + 1, bb + 1}, dark);
    Fill(b, RECT{rr, t, rr + 1, bb + 1}, dark);
  };
  edge(0, outerLight, outerDark);
  edge(1, innerLight, innerDark);
  const int s = std::min(r.Width(), r.Height()) - 8;
  if (s < 3) return TRUE;
  const int gx = r.left + (r.Width() - s) / 2 + (pushed ? 1 : 0);
  const int gy = r.top + (r.Height() - s) / 2 + (pushed ? 1 : 0);
  const std::uint32_t which = state & 0xFF;
  if (state & DFCS_INACTIVE) {
    Glyph(b, which, gx + 1, gy + 1, s, GetSysColor(COLOR_BTNHIGHLIGHT));
    Glyph(b, which, gx, gy, s, GetSysColor(COLOR_BTNSHADOW));
  } else {
    Glyph(b, which, gx, gy, s, GetSysColor(COLOR_BTNTEXT));
  }
  return TRUE;
}

int DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, std::uint32_t, HBRUSH, std::uint32_t) {
  if (!dc || !dc->target || !icon) return FALSE;
  GdiBitmap& b = *dc->target;
  const RECT box{x, y, x + width, y + height};
  const RECT clip = Intersect(box, Bounds(b));
  if (!clip.Empty()) b.icons.push_back(IconRun{box, clip, icon->picture});
  b.ops.push_back(GdiOp{GdiOp::kIcon, box, 0, icon->picture, 0, 0});
  return TRUE;
}

CPalette* SelectPalette(HDC dc, CPalette* palette, int) { return dc ? std::exchange(dc->palette, palette) : nullptr; }

std::uint32_t RealizePalette(HDC) { return 0; }

}  // namespace afx
