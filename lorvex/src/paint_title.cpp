#include "lorvex/paint_title.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

const afx::CRuntimeClass CPaintTitle::classCPaintTitle{"CPaintTitle", nullptr};

namespace {

constexpr afx::COLORREF kWhite = 0xFFFFFF, kBlack = 0;
constexpr int kTextBuffer = 1000;

void Fill(afx::HDC dc, int x, int width, int height, afx::COLORREF color) {
  afx::HBRUSH brush = afx::CreateSolidBrush(color);
  afx::HGDIOBJ old = afx::SelectObject(dc, brush);
  afx::PatBlt(dc, x, 0, width, height, afx::PATCOPY);
  afx::SelectObject(dc, old);
  afx::DeleteObject(brush);
}

// A channel of the band d pixels left of the split: R's channel falling
// with the square of the distance towards L's.
int Channel(int right, int left, double t) { return static_cast<int>(right - t * (right - left)); }

}  // namespace

int GetLightness(afx::COLORREF color) {
  const int r = afx::GetRValue(color), g = afx::GetGValue(color), b = afx::GetBValue(color);
  const int largest = std::max({r, g, b}), smallest = std::min({r, g, b});
  return ((largest + smallest) * 240 + 255) / 510;
}

CPaintTitle::CPaintTitle() {
  m_nBands = DefaultNumBands();
  m_bPaintIconic = afx::TRUE;
  CPaintTitle::SetColors(kAutoColor, kAutoColor, kAutoColor, kAutoColor, afx::TRUE);
}

CPaintTitle::~CPaintTitle() {
  *alive_ = false;
  if (m_hWnd) CPaintTitle::Install(nullptr, kAutoColor, kAutoColor, afx::TRUE);
  DeleteBitmaps();
  DeleteFonts();
}

afx::BOOL CPaintTitle::Install(afx::HWND window, afx::COLORREF activeText, afx::COLORREF inactiveText,
                               afx::BOOL paintIconic) {
  m_clrActiveText = activeText;
  m_clrInactiveText = inactiveText;
  m_bPaintIconic = paintIconic;
  if (window) m_bActive = afx::GetActiveWindow() == window ? afx::TRUE : afx::FALSE;
  return HookWindow(window);
}

afx::BOOL CPaintTitle::SetColors(afx::COLORREF activeLeft, afx::COLORREF activeRight, afx::COLORREF inactiveLeft,
                                 afx::COLORREF inactiveRight, afx::BOOL gradientInactive) {
  m_clrActiveLeft = activeLeft == kAutoColor ? kBlack : activeLeft;
  m_clrActiveRight = activeRight == kAutoColor ? afx::GetSysColor(afx::COLOR_ACTIVECAPTION) : activeRight;
  m_clrInactiveLeft = inactiveLeft == kAutoColor ? kBlack : inactiveLeft;
  m_clrInactiveRight = inactiveRight == kAutoColor ? afx::GetSysColor(afx::COLOR_INACTIVECAPTION) : inactiveRight;
  m_bGradientInactive = gradientInactive;
  return afx::TRUE;
}

afx::UINT CPaintTitle::SetNumBands(afx::UINT bands) { return std::exchange(m_nBands, bands); }

bool CPaintTitle::FullCaption() const {
  const auto style = static_cast<std::uint32_t>(afx::GetWindowLongA(m_hWnd, afx::GWL_STYLE));
  return (style & afx::WS_CAPTION) == afx::WS_CAPTION;
}

void CPaintTitle::DeleteBitmaps() {
  afx::DeleteObject(std::exchange(m_hActive, nullptr));
  afx::DeleteObject(std::exchange(m_hInactive, nullptr));
}

void CPaintTitle::DeleteFonts() {
  afx::DeleteObject(std::exchange(m_hSysFont, nullptr));
  afx::DeleteObject(std::exchange(m_hCaptionFont, nullptr));
}

afx::RECT CPaintTitle::GetCaptionRect() const {
  const auto style = static_cast<std::uint32_t>(afx::GetWindowLongA(m_hWnd, afx::GWL_STYLE));
  const auto exStyle = static_cast<std::uint32_t>(afx::GetWindowLongA(m_hWnd, afx::GWL_EXSTYLE));
  const bool thick = (style & afx::WS_THICKFRAME) != 0;
  const int fx = afx::GetSystemMetrics(thick ? afx::SM_CXFRAME : afx::SM_CXDLGFRAME);
  const int fy = afx::GetSystemMetrics(thick ? afx::SM_CYFRAME : afx::SM_CYDLGFRAME);
  const bool tool = (exStyle & afx::WS_EX_TOOLWINDOW) != 0;
  afx::RECT window;
  afx::GetWindowRect(m_hWnd, &window);
  const int height = afx::GetSystemMetrics(tool ? afx::SM_CYSMCAPTION : afx::SM_CYCAPTION);
  return afx::RECT{fx, fy, afx::RECT::WrappedDifference(window.Width(), fx),
                   fy + height - afx::GetSystemMetrics(afx::SM_CYBORDER)};
}

afx::COLORREF CPaintTitle::GetTextColor(afx::BOOL active) const {
  if (!active) return m_clrInactiveText == kAutoColor ? afx::GetSysColor(afx::COLOR_INACTIVECAPTIONTEXT) : m_clrInactiveText;
  if (m_clrActiveText != kAutoColor) return m_clrActiveText;
  const afx::COLORREF system = afx::GetSysColor(afx::COLOR_CAPTIONTEXT);
  const int background = GetLightness(m_clrActiveLeft);
  if (std::abs(GetLightness(system) - background) >= 90) return system;
  return background <= 90 ? kWhite : kBlack;
}

// ---------------------------------------------------------------- messages
afx::LRESULT CPaintTitle::WindowProc(afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) {
  switch (message) {
    case afx::WM_NCPAINT: return OnNcPaint(wParam, lParam);
    case afx::WM_NCACTIVATE: return OnNcActivate(wParam != 0 ? afx::TRUE : afx::FALSE);
    case afx::WM_SETTEXT: return OnSetText(wParam, lParam);
    case afx::WM_WININICHANGE: OnSettingChange(wParam, lParam); return 0;
    case afx::WM_ENABLE:
      if ((wParam != 0 ? afx::TRUE : afx::FALSE) != m_bActive) afx::SendMessageA(m_hWnd, afx::WM_NCACTIVATE, wParam, lParam);
      return CMsgHook::WindowProc(message, wParam, lParam);
    case afx::WM_SETCURSOR:
      CMsgHook::WindowProc(message, wParam, lParam);
      return 1;
    case afx::WM_NCMOUSEMOVE:
    case afx::WM_NCLBUTTONDOWN:
    case afx::WM_INITMENU: {
      const std::shared_ptr<bool> alive = alive_;
      const afx::LRESULT result = CMsgHook::WindowProc(message, wParam, lParam);
      // The message may have closed the window, and its owner took this painter along.
      if (*alive && m_hWnd && afx::IsWindow(m_hWnd) && FullCaption()) PaintCaption();
      return result;
    }
    case afx::WM_SYSCOMMAND: PaintCaption(); return CMsgHook::WindowProc(message, wParam, lParam);
    default: return CMsgHook::WindowProc(message, wParam, lParam);
  }
}

afx::LRESULT CPaintTitle::OnNcPaint(afx::WPARAM region, afx::LPARAM lParam) {
  if (!FullCaption()) return afx::DefWindowProcA(m_hWnd, afx::WM_NCPAINT, region, lParam);
  afx::RECT window;
  afx::GetWindowRect(m_hWnd, &window);
  afx::RECT caption = GetCaptionRect();
  // A caption this painter will not draw (no area, or minimised while it
  // leaves minimised windows alone) is the system's to draw.
  if (caption.Empty() || (afx::IsIconic(m_hWnd) && !m_bPaintIconic)) {
    return afx::DefWindowProcA(m_hWnd, afx::WM_NCPAINT, region, lParam);
  }
  caption = afx::RECT{afx::RECT::WrappedSum(caption.left, window.left), afx::RECT::WrappedSum(caption.top, window.top),
                       afx::RECT::WrappedSum(caption.right, window.left), afx::RECT::WrappedSum(caption.bottom, window.top)};
  auto* given = region > afx::NCPAINT_WHOLE_WINDOW ? reinterpret_cast<afx::HRGN>(region) : nullptr;
  if (given && !afx::RectInRegion(given, &caption)) return afx::DefWindowProcA(m_hWnd, afx::WM_NCPAINT, region, lParam);
  afx::HRGN captionRegion = afx::CreateRectRgn(caption.left, caption.top, caption.right, caption.bottom);
  afx::HRGN rest = afx::CreateRectRgn(0, 0, 0, 0);
  if (given) {
    afx::CombineRgn(rest, given, captionRegion, afx::RGN_DIFF);
  } else {
    afx::HRGN whole = afx::CreateRectRgn(window.left, window.top, window.right, window.bottom);
    afx::CombineRgn(rest, whole, captionRegion, afx::RGN_DIFF);
    afx::DeleteObject(whole);
  }
  const afx::LRESULT result =
      afx::DefWindowProcA(m_hWnd, afx::WM_NCPAINT, reinterpret_cast<afx::WPARAM>(rest), lParam);
  afx::DeleteObject(captionRegion);
  afx::DeleteObject(rest);
  PaintCaption();
  return result;
}

afx::LRESULT CPaintTitle::OnNcActivate(afx::BOOL active) {
  if (!FullCaption()) return afx::DefWindowProcA(m_hWnd, afx::WM_NCACTIVATE, active, 0);
  if (m_hWnd->m_nFlags & afx::WF_STAYACTIVE) active = afx::TRUE;
  if (!afx::IsWindowEnabled(m_hWnd)) active = afx::FALSE;
  if (active == m_bActive) return afx::TRUE;
  const afx::LONG style = afx::GetWindowLongA(m_hWnd, afx::GWL_STYLE);
  const bool visible = (static_cast<std::uint32_t>(style) & afx::WS_VISIBLE) != 0;
  // Without the visible bit the system does not draw its own caption meanwhile.
  if (visible) afx::SetWindowLongA(m_hWnd, afx::GWL_STYLE, static_cast<afx::LONG>(static_cast<std::uint32_t>(style) & ~afx::WS_VISIBLE));
  Default();
  if (visible) afx::SetWindowLongA(m_hWnd, afx::GWL_STYLE, style);
  m_bActive = active;
  afx::SendMessageA(m_hWnd, afx::WM_NCPAINT, 0, 0);
  return afx::TRUE;
}

afx::LRESULT CPaintTitle::OnSetText(afx::WPARAM wParam, afx::LPARAM lParam) {
  const afx::LONG style = afx::GetWindowLongA(m_hWnd, afx::GWL_STYLE);
  const bool visible = (static_cast<std::uint32_t>(style) & afx::WS_VISIBLE) != 0;
  if (visible) afx::SetWindowLongA(m_hWnd, afx::GWL_STYLE, static_cast<afx::LONG>(static_cast<std::uint32_t>(style) & ~afx::WS_VISIBLE));
  const afx::LRESULT result = afx::DefWindowProcA(m_hWnd, afx::WM_SETTEXT, wParam, lParam);
  if (visible) afx::SetWindowLongA(m_hWnd, afx::GWL_STYLE, style);
  m_rcCaption = afx::RECT{};
  afx::SendMessageA(m_hWnd, afx::WM_NCPAINT, 0, 0);
  PaintCaption();
  return result;
}

void CPaintTitle::OnSettingChange(afx::WPARAM, afx::LPARAM) { ResetFonts(); }

void CPaintTitle::ResetFonts() {
  DeleteFonts();
  m_rcCaption = afx::RECT{};
}

void CPaintTitle::CreateFonts() {
  // Both fonts are made anew; one left from before would be lost.
  DeleteFonts();
  afx::NONCLIENTMETRICSA metrics;
  metrics.cbSize = sizeof metrics;
  if (!afx::SystemParametersInfoA(afx::SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
  m_hSysFont = afx::CreateFontIndirectA(&metrics.lfCaptionFont);
  afx::LOGFONTA text;
  std::strncpy(text.lfFaceName, "Arial", sizeof text.lfFaceName - 1);
  text.lfWeight = afx::FW_BOLD;
  text.lfCharSet = afx::DEFAULT_CHARSET;
  text.lfHeight = metrics.lfCaptionFont.lfHeight;
  m_hCaptionFont = afx::CreateFontIndirectA(&text);
}

// ---------------------------------------------------------------- painting
void CPaintTitle::PaintCaption() { PaintCaption(m_bActive); }

void CPaintTitle::PaintCaption(afx::BOOL active) {
  if (!m_hWnd || !FullCaption()) return;
  if (afx::IsIconic(m_hWnd) && !m_bPaintIconic) return;
  afx::HDC window = afx::GetWindowDC(m_hWnd);
  if (!window) return;
  afx::HDC memory = afx::CreateCompatibleDC(window);
  if (!memory) {
    afx::ReleaseDC(m_hWnd, window);
    return;
  }
  if (afx::HBITMAP bitmap = GetCaptionBitmap(active)) {
    afx::HGDIOBJ old = afx::SelectObject(memory, bitmap);
    afx::BitBlt(window, m_rcCaption.left, m_rcCaption.top, m_rcCaption.Width(), m_rcCaption.Height(), memory, 0, 0,
                afx::SRCCOPY);
    afx::SelectObject(memory, old);
  }
  afx::ReleaseDC(m_hWnd, window);
  afx::DeleteDC(memory);
}

void CPaintTitle::PaintBackground(afx::BOOL active, afx::HDC dc, int width, int height) {
  PaintGradient(active, dc, width, height);
}

void CPaintTitle::PaintGradient(afx::BOOL active, afx::HDC dc, int width, int height) {
  if (!active && !m_bGradientInactive) {
    Fill(dc, 0, width, height, afx::GetSysColor(afx::COLOR_INACTIVECAPTION));
    return;
  }
  const afx::COLORREF left = active ? m_clrActiveLeft : kBlack;
  const afx::COLORREF right = active ? m_clrActiveRight : afx::GetSysColor(afx::COLOR_INACTIVECAPTION);
  const unsigned w = static_cast<unsigned>(std::max(0, width));
  const unsigned split = (w * 5) / 6;  // the right sixth is flat
  // No bands at all would divide by zero: one band at least.
  unsigned band = split / std::max(1u, m_nBands);
  if (band < 2) band = 1;
  Fill(dc, static_cast<int>(split), static_cast<int>(w - split), height, right);
  const std::uint64_t splitSquared = static_cast<std::uint64_t>(split) * split;
  unsigned d = 0, x = split;
  while (x > band) {
    x -= band;
    d += band;
    const double t = static_cast<double>(static_cast<std::uint64_t>(d) * d) / static_cast<double>(splitSquared);
    const afx::COLORREF color =
        afx::RGB(static_cast<afx::BYTE>(Channel(afx::GetRValue(right), afx::GetRValue(left), t)),
                 static_cast<afx::BYTE>(Channel(afx::GetGValue(right), afx::GetGValue(left), t)),
                 static_cast<afx::BYTE>(Channel(afx::GetBValue(right), afx::GetBValue(left), t)));
    Fill(dc, static_cast<int>(x), static_cast<int>(band), height, color);
  }
  Fill(dc, 0, static_cast<int>(x), height, left);
}

afx::HBITMAP CPaintTitle::GetCaptionBitmap(afx::BOOL active) {
  if (!m_hWnd) return nullptr;
  const afx::RECT caption = GetCaptionRect();
  // The maximise button shows the restore glyph while maximised: a window
  // maximised to the size it had needs new bitmaps too.
  const bool zoomed = afx::IsZoomed(m_hWnd) != afx::FALSE;
  if (!(caption == m_rcCaption) || zoomed != m_bZoomed) {
    DeleteBitmaps();
    m_rcCaption = caption;
    m_bZoomed = zoomed;
  }
  afx::HBITMAP& bitmap = active ? m_hActive : m_hInactive;
  if (bitmap) return bitmap;
  // What a window's surface can hold of a caption (its side is bounded).
  const int w = std::min(caption.Width(), afx::kMaxSurfaceSide - caption.left), h = caption.Height();
  // A window too narrow for its frames has no caption to draw.
  if (w <= 0 || h <= 0) return nullptr;
  const auto style = static_cast<std::uint32_t>(afx::GetWindowLongA(m_hWnd, afx::GWL_STYLE));
  const bool tool = (static_cast<std::uint32_t>(afx::GetWindowLongA(m_hWnd, afx::GWL_EXSTYLE)) & afx::WS_EX_TOOLWINDOW) != 0;
  const int bw = afx::GetSystemMetrics(tool ? afx::SM_CXSMSIZE : afx::SM_CXSIZE);
  const int bh = afx::GetSystemMetrics(tool ? afx::SM_CYSMSIZE : afx::SM_CYSIZE);

  afx::HDC window = afx::GetWindowDC(m_hWnd);
  if (!window) return nullptr;
  afx::HDC memory = afx::CreateCompatibleDC(window);
  if (!memory) {
    afx::ReleaseDC(m_hWnd, window);
    return nullptr;
  }
  bitmap = afx::CreateCompatibleBitmap(window, w, h);
  if (!bitmap) {
    afx::ReleaseDC(m_hWnd, window);
    afx::DeleteDC(memory);
    return nullptr;
  }
  afx::HGDIOBJ oldBitmap = afx::SelectObject(memory, bitmap);
  PaintBackground(active, memory, w, h);

  auto icon = reinterpret_cast<afx::HICON>(afx::SendMessageA(m_hWnd, afx::WM_GETICON, afx::ICON_SMALL, 0));
  if (!icon) icon = reinterpret_cast<afx::HICON>(afx::GetClassLongA(m_hWnd, afx::GCL_HICONSM));
  if (icon) afx::DrawIconEx(memory, 2, 1, icon, bw - 2, bh - 2, 0, nullptr, afx::DI_NORMAL);

  afx::RECT button{w - bw, 2, w - 2, bh - 2};
  afx::DrawFrameControl(memory, &button, afx::DFC_CAPTION, afx::DFCS_CAPTIONCLOSE);
  if (style & (afx::WS_MAXIMIZEBOX | afx::WS_MINIMIZEBOX)) {
    button.left -= bw;
    button.right -= bw;
    const bool greyed = (style & afx::WS_MINIMIZEBOX) && !(style & afx::WS_MAXIMIZEBOX);
    afx::DrawFrameControl(memory, &button, afx::DFC_CAPTION,
                          (afx::IsZoomed(m_hWnd) ? afx::DFCS_CAPTIONRESTORE : afx::DFCS_CAPTIONMAX) |
                              (greyed ? afx::DFCS_INACTIVE : 0));
    if (style & afx::WS_MINIMIZEBOX) {
      button.left += 2 - bw;
      button.right += 2 - bw;
      afx::DrawFrameControl(memory, &button, afx::DFC_CAPTION, afx::DFCS_CAPTIONMIN);
    }
  }

  if (!m_hSysFont || !m_hCaptionFont) CreateFonts();
  char text[kTextBuffer];
  afx::GetWindowTextA(m_hWnd, text, kTextBuffer);
  afx::RECT area{0, 0, w, h};
  area.left = (icon ? bw : 2) + 2;
  area.right = button.left - 2;
  afx::SetBkMode(memory, afx::TRANSPARENT);
  afx::SetTextColor(memory, GetTextColor(active));
  // Without the fonts (the settings could not be read) the DC's own font serves.
  afx::HGDIOBJ oldFont = m_hCaptionFont ? afx::SelectObject(memory, m_hCaptionFont) : nullptr;
  afx::DrawTextA(memory, text, -1, &area, afx::DT_END_ELLIPSIS | afx::DT_SINGLELINE | afx::DT_VCENTER);
  if (oldFont) afx::SelectObject(memory, oldFont);
  afx::SelectObject(memory, oldBitmap);
  afx::ReleaseDC(m_hWnd, window);
  afx::DeleteDC(memory);
  return bitmap;
}
