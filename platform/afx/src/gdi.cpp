#include "platform/afx/gdi.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/afx/dialog_controls.h"

namespace afx {

namespace {
// Filled at start on the window thread and only read afterwards.
std::map<UINT, std::string>& BitmapNames() {
  static auto* names = new std::map<UINT, std::string>;
  return *names;
}

BeepHook& Beeps() {
  static auto* hook = new BeepHook;
  return *hook;
}

const char kModule = 0;
}  // namespace

HINSTANCE AfxGetResourceHandle() { return &kModule; }

void AfxRegisterBitmap(UINT id, std::string dibName) { BitmapNames()[id] = std::move(dibName); }

std::string AfxBitmapName(UINT id) {
  auto it = BitmapNames().find(id);
  return it == BitmapNames().end() ? std::string() : it->second;
}

HBITMAP LoadImageA(HINSTANCE module, UINT id, UINT type, int, int, UINT) {
  if (module != AfxGetResourceHandle() || type != IMAGE_BITMAP) return nullptr;
  const std::string name = AfxBitmapName(id);
  if (name.empty()) return nullptr;
  auto dib = std::make_shared<plat::Dib>(plat::ReadDib(plat::FindDibResource(name)));
  if (dib->Empty()) return nullptr;
  return new BitmapObject{std::move(dib)};
}

BOOL DeleteObject(HBITMAP bitmap) {
  if (!bitmap) return FALSE;
  delete bitmap;
  return TRUE;
}

int GetObjectA(HBITMAP bitmap, BITMAP* out) {
  if (!bitmap || !bitmap->dib || !out) return 0;
  const plat::Dib& d = *bitmap->dib;
  *out = BITMAP{0, d.width, d.height, d.Stride(), 1, static_cast<WORD>(d.bitCount), d.pixels.data()};
  return static_cast<int>(sizeof(BITMAP));
}

int GetObjectA(HBITMAP bitmap, DIBSECTION* out) {
  if (!out || !GetObjectA(bitmap, &out->dsBm)) return 0;
  const plat::Dib& d = *bitmap->dib;
  out->dsBmih = BITMAPINFOHEADER{};
  out->dsBmih.biWidth = d.width;
  out->dsBmih.biHeight = d.height;
  out->dsBmih.biBitCount = static_cast<WORD>(d.bitCount);
  out->dsBmih.biSizeImage = static_cast<std::uint32_t>(d.Stride() * d.height);
  out->dsBmih.biClrUsed = static_cast<std::uint32_t>(d.colors.size());
  return static_cast<int>(sizeof(DIBSECTION));
}

// ---------------------------------------------------------------- CBitmap
BOOL CBitmap::Attach(HBITMAP bitmap) {
  if (!bitmap || m_hObject) return FALSE;
  m_hObject = bitmap;
  return TRUE;
}

HBITMAP CBitmap::Detach() {
  HBITMAP h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CBitmap::DeleteObject() {
  if (!m_hObject) return FALSE;
  return afx::DeleteObject(Detach());
}

BOOL CBitmap::LoadBitmap(UINT id) {
  return Attach(LoadImageA(AfxGetResourceHandle(), id, IMAGE_BITMAP, 0, 0, 0));
}

UINT GetDIBColorTable(CDC* dc, UINT start, UINT n, RGBQUAD* out) {
  const CBitmap* bitmap = dc ? dc->GetSelectedBitmap() : nullptr;
  if (!bitmap || !bitmap->m_hObject || !out) return 0;
  const std::vector<plat::DibColor>& table = bitmap->m_hObject->dib->colors;
  UINT copied = 0;
  for (std::size_t i = start; i < table.size() && copied < n; ++i, ++copied) {
    out[copied] = RGBQUAD{table[i].blue, table[i].green, table[i].red, 0};
  }
  return copied;
}

// ---------------------------------------------------------------- CPalette
BOOL CPalette::CreatePalette(const LOGPALETTE* palette) {
  if (made_ || !palette || palette->palVersion != 0x300 || palette->palNumEntries == 0 ||
      palette->palNumEntries > 256) {
    return FALSE;
  }
  entries_.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  made_ = true;
  return TRUE;
}

BOOL CPalette::CreateHalftonePalette(CDC*) {
  if (made_) return FALSE;
  // The colour cube of six levels a channel, then grey steps between them.
  entries_.clear();
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        entries_.push_back(PALETTEENTRY{static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51),
                                        static_cast<BYTE>(b * 51), 0});
      }
    }
  }
  for (int i = 1; static_cast<int>(entries_.size()) < 256; ++i) {
    const auto grey = static_cast<BYTE>(std::min(255, i * 255 / 41));
    entries_.push_back(PALETTEENTRY{grey, grey, grey, 0});
  }
  made_ = true;
  return TRUE;
}

BOOL CPalette::DeleteObject() {
  if (!made_) return FALSE;
  made_ = false;
  entries_.clear();
  return TRUE;
}

// ---------------------------------------------------------------- fonts
BOOL CFont::CreateFontIndirect(const LOGFONT* font) {
  if (made_ || !font || font->lfFaceName.empty()) return FALSE;
  font_ = *font;
  made_ = true;
  return TRUE;
}

BOOL CFont::DeleteObject() {
  const BOOL was = made_;
  made_ = false;
  return was;
}

int CFont::GetLogFont(LOGFONT* out) const {
  if (!made_ || !out) return 0;
  *out = font_;
  return static_cast<int>(sizeof(LOGFONT));
}

BOOL CFont::FromWindowFont(const plat::TFont& font, LOGFONT* out) {
  if (!out || font.Name.Get().empty()) return FALSE;
  const plat::TFontStyles style = font.Style;
  *out = LOGFONT{font.Height, style.Contains(plat::fsBold) ? FW_BOLD : 400,
                 static_cast<BYTE>(style.Contains(plat::fsItalic)), static_cast<BYTE>(style.Contains(plat::fsUnderline)),
                 static_cast<BYTE>(style.Contains(plat::fsStrikeOut)), font.Name};
  return TRUE;
}

void CFont::ApplyTo(plat::TFont& font) const {
  if (!made_) return;
  font.Name = font_.lfFaceName;
  font.Height = font_.lfHeight;
  plat::TFontStyles style;
  if (font_.lfWeight >= FW_BOLD) style.Include(plat::fsBold);
  if (font_.lfItalic) style.Include(plat::fsItalic);
  if (font_.lfUnderline) style.Include(plat::fsUnderline);
  if (font_.lfStrikeOut) style.Include(plat::fsStrikeOut);
  font.Style = style;
}

// ---------------------------------------------------------------- DrawDib
HDRAWDIB DrawDibOpen() { return new DrawDibObject; }

BOOL DrawDibClose(HDRAWDIB handle) {
  if (!handle) return FALSE;
  delete handle;
  return TRUE;
}

BOOL DrawDibDraw(HDRAWDIB handle, CDC* dc, int xDst, int yDst, int dxDst, int dyDst, const BITMAPINFOHEADER* info,
                 const void* bits, int xSrc, int ySrc, int dxSrc, int dySrc, UINT) {
  if (!handle || !dc || !info || !bits || info->biWidth <= 0 || info->biHeight == 0) return FALSE;
  auto image = std::make_shared<plat::Dib>();
  image->width = info->biWidth;
  image->height = info->biHeight < 0 ? -info->biHeight : info->biHeight;
  image->bitCount = 32;
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  image->pixels.assign(pixels, pixels + static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height));
  if (dxSrc == -1) dxSrc = image->width;
  if (dySrc == -1) dySrc = image->height;
  if (dxDst == -1) dxDst = dxSrc;
  if (dyDst == -1) dyDst = dySrc;
  ++handle->draws;
  return dc->DrawImage(RECT{xDst, yDst, xDst + dxDst, yDst + dyDst}, std::move(image),
                       RECT{xSrc, ySrc, xSrc + dxSrc, ySrc + dySrc});
}

// ---------------------------------------------------------------- window classes
std::string AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, COLORREF background, const std::string& icon) {
  char name[96];
  std::snprintf(name, sizeof name, "Afx:%x:%x:%x:", classStyle, static_cast<unsigned>(cursor),
                static_cast<unsigned>(background));
  return name + icon;
}

bool IsAfxRegisteredClass(const std::string& className) { return className.rfind("Afx:", 0) == 0; }

// ---------------------------------------------------------------- beeps
BOOL MessageBeep(UINT type) {
  if (const BeepHook& hook = Beeps()) hook(type);
  return TRUE;
}

BeepHook SetBeepHook(BeepHook hook) {
  BeepHook previous = std::move(Beeps());
  Beeps() = std::move(hook);
  return previous;
}

// ---------------------------------------------------------------- CDC's pictures and text
struct HBRUSH__ {};

HBRUSH GetStockNullBrush() {
  static const HBRUSH__ nullBrush;
  return &nullBrush;
}

BOOL CDC::CreateCompatibleDC(CDC*) {
  window_ = nullptr;  // a memory surface: it draws nowhere, it only lends its bitmap
  return TRUE;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  CBitmap* previous = bitmap_;
  bitmap_ = bitmap;
  return previous;
}

CPalette* CDC::SelectPalette(CPalette* palette, BOOL forceBackground) {
  CPalette* previous = palette_;
  palette_ = palette;
  paletteBackground_ = forceBackground != FALSE;
  return previous;
}

UINT CDC::RealizePalette() { return palette_ ? static_cast<UINT>(palette_->GetEntryCount()) : 0; }

int CDC::SetStretchBltMode(int mode) {
  const int previous = stretchMode_;
  stretchMode_ = mode;
  return previous;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop) {
  return StretchBlt(x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth,
                     int srcHeight, DWORD rop) {
  if (rop != SRCCOPY || !source || !source->bitmap_ || !source->bitmap_->m_hObject) return FALSE;
  return DrawImage(RECT{x, y, x + width, y + height}, source->bitmap_->m_hObject->dib,
                   RECT{xSrc, ySrc, xSrc + srcWidth, ySrc + srcHeight});
}

BOOL CDC::DrawImage(const RECT& dest, std::shared_ptr<const plat::Dib> image, const RECT& source) {
  if (!window_ || !image || image->Empty()) return FALSE;
  window_->Surface()->DrawImage(plat::Rect(dest.left + originX_, dest.top + originY_, dest.right + originX_,
                                           dest.bottom + originY_),
                                std::move(image), plat::Rect(source.left, source.top, source.right, source.bottom),
                                stretchMode_);
  return TRUE;
}

COLORREF CDC::SetTextColor(COLORREF color) {
  const COLORREF previous = textColor_;
  textColor_ = color;
  return previous;
}

int CDC::SetBkMode(int mode) {
  const int previous = bkMode_;
  bkMode_ = mode;
  return previous;
}

CDC::SIZE CDC::GetTextExtent(const std::string& text) const {
  if (!window_) return {};
  const plat::TPoint size = plat::TextExtent(*window_->Font, text);
  return {size.X, size.Y};
}

CStatic::PaintColors CStatic::QueryPaintColors() {
  CDC dc(this);
  PaintColors colors;
  if (SendMessage(WM_REFLECT_BASE + WM_CTLCOLOR, reinterpret_cast<WPARAM>(&dc), CTLCOLOR_STATIC) != 0) {
    colors = PaintColors{true, dc.GetTextColor(), dc.GetBkMode() == TRANSPARENT};
  }
  return colors;
}

// ---------------------------------------------------------------- tool tips
BOOL CToolTipCtrl::Create(CWnd* parent) {
  if (!parent || parent_) return FALSE;
  parent_ = parent->Id();
  return TRUE;
}

BOOL CToolTipCtrl::AddTool(CWnd* tool, const std::string& text, const RECT& rect, UINT id) {
  if (!parent_ || !tool) return FALSE;
  tools_.push_back(Tool{tool->Id(), id, rect, text});
  tool->Hint = text;
  tool->ShowHint = true;
  return TRUE;
}

std::string CToolTipCtrl::GetToolText(CWnd* tool, UINT id) const {
  for (const Tool& t : tools_) {
    if (tool && t.window == tool->Id() && t.id == id) return t.text;
  }
  return {};
}

void CToolTipCtrl::RelayEvent(const MSG* msg) {
  if (parent_ && msg) ++relayed_;
}

}  // namespace afx
