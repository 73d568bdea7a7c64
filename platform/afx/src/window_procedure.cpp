// Window procedures and what the system does with the messages nobody
// handles: subclassing, the thread's current message, activation, the
// non-client area (frame, caption, its buttons), hit-testing and the
// system commands.

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>

#include "platform/afx/app.h"
#include "platform/afx/window.h"

namespace afx {

namespace {

std::unordered_set<const CWnd*>& LiveWindows() {
  static std::unordered_set<const CWnd*> windows;
  return windows;
}

// Registered for the process's whole life, icons included.
std::map<std::string, WNDCLASSA>& Classes() {
  static auto* classes = new std::map<std::string, WNDCLASSA>;
  return *classes;
}

std::uint64_t gActiveWindow = 0;

bool FullCaption(std::uint32_t style) { return (style & WS_CAPTION) == WS_CAPTION; }

// The frame's thickness of a top-level window.
POINT FrameSize(const CWnd& w) {
  if (w.Style & WS_THICKFRAME) return POINT{GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
  return POINT{GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME)};
}

bool ToolWindow(const CWnd& w) { return (w.ExStyle & WS_EX_TOOLWINDOW) != 0; }

// The caption, in window coordinates.
RECT SystemCaption(const CWnd& w) {
  const POINT f = FrameSize(w);
  const int height = GetSystemMetrics(ToolWindow(w) ? SM_CYSMCAPTION : SM_CYCAPTION);
  return RECT{f.x, f.y, RECT::WrappedDifference(w.Width, f.x), f.y + height - GetSystemMetrics(SM_CYBORDER)};
}

POINT ButtonSize(const CWnd& w) {
  if (ToolWindow(w)) return POINT{GetSystemMetrics(SM_CXSMSIZE), GetSystemMetrics(SM_CYSMSIZE)};
  return POINT{GetSystemMetrics(SM_CXSIZE), GetSystemMetrics(SM_CYSIZE)};
}

// Where the caption buttons are, in caption coordinates (as a painted
// caption places them too): close, then maximise, then minimise.
struct CaptionButtons {
  RECT close, max, min;
  bool hasMax = false, hasMin = false;
};
CaptionButtons ButtonsOf(const CWnd& w, int captionWidth) {
  const POINT b = ButtonSize(w);
  CaptionButtons out;
  out.close = RECT{captionWidth - b.x, 2, captionWidth - 2, b.y - 2};
  RECT r = out.close;
  if (w.Style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
    r.left -= b.x;
    r.right -= b.x;
    out.max = r;
    out.hasMax = true;
    if (w.Style & WS_MINIMIZEBOX) {
      r.left += 2 - b.x;
      r.right += 2 - b.x;
      out.min = r;
      out.hasMin = true;
    }
  }
  return out;
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

void FillWith(HDC dc, const RECT& r, COLORREF color) {
  if (r.Empty()) return;
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ old = SelectObject(dc, brush);
  PatBlt(dc, r.left, r.top, r.Width(), r.Height(), PATCOPY);
  SelectObject(dc, old);
  DeleteObject(brush);
}

bool VisibleBit(const CWnd& w) { return (GetWindowLongA(const_cast<CWnd*>(&w), GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace

// ---------------------------------------------------------------- live windows
void WindowCreated(CWnd* w) { LiveWindows().insert(w); }
void WindowDestroyed(CWnd* w) { LiveWindows().erase(w); }

BOOL IsWindow(HWND window) { return window && LiveWindows().count(window) ? TRUE : FALSE; }
BOOL IsWindowEnabled(HWND window) { return IsWindow(window) && window->Enabled ? TRUE : FALSE; }
BOOL IsIconic(HWND window) { return IsWindow(window) && window->Minimised() ? TRUE : FALSE; }
BOOL IsZoomed(HWND window) { return IsWindow(window) && window->Maximised() ? TRUE : FALSE; }

int GetWindowRect(HWND window, RECT* rect) {
  if (!IsWindow(window) || !rect) return FALSE;
  window->GetWindowRect(*rect);
  return TRUE;
}

int GetWindowTextA(HWND window, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!IsWindow(window)) return 0;
  const std::string& text = window->Text.Get();
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

// ---------------------------------------------------------------- classes
BOOL AfxRegisterClass(const WNDCLASSA* windowClass) {
  if (!windowClass || windowClass->lpszClassName.empty()) return FALSE;
  Classes()[windowClass->lpszClassName] = *windowClass;
  return TRUE;
}

BOOL GetClassInfoA(const std::string& name, WNDCLASSA* windowClass) {
  auto it = Classes().find(name);
  if (it == Classes().end()) return FALSE;
  if (windowClass) *windowClass = it->second;
  return TRUE;
}

std::uintptr_t GetClassLongA(HWND window, int index) {
  WNDCLASSA wc;
  if (!IsWindow(window) || !GetClassInfoA(window->GetWindowClass(), &wc)) return 0;
  if (index == GCL_HICONSM) return reinterpret_cast<std::uintptr_t>(wc.hIconSm);
  if (index == GCL_HICON) return reinterpret_cast<std::uintptr_t>(wc.hIcon);
  return 0;
}

// ---------------------------------------------------------------- procedures
_AFX_THREAD_STATE* AfxGetThreadState() {
  thread_local _AFX_THREAD_STATE state;
  return &state;
}

LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return 0;
  plat::Message m{message, wParam, lParam, 0};
  window->WindowProcedure(m);
  return m.result;
}

WNDPROC GetWindowProc(HWND window) {
  if (!IsWindow(window)) return nullptr;
  return window->procedure_ ? window->procedure_ : &AfxWndProc;
}

WNDPROC SetWindowLongA(HWND window, int index, WNDPROC procedure) {
  if (index != GWL_WNDPROC || !IsWindow(window) || !procedure) return nullptr;
  WNDPROC old = GetWindowProc(window);
  window->procedure_ = procedure == &AfxWndProc ? nullptr : procedure;
  return old;
}

LONG GetWindowLongA(HWND window, int index) {
  if (!IsWindow(window)) return 0;
  if (index == GWL_STYLE) {
    std::uint32_t style = window->Style & ~WS_VISIBLE;
    if (window->Visible && !window->visibleBitCleared_) style |= WS_VISIBLE;
    return static_cast<LONG>(style);
  }
  if (index == GWL_EXSTYLE) return static_cast<LONG>(window->ExStyle.Get());
  return 0;
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
  if (!IsWindow(window)) return 0;
  const LONG old = GetWindowLongA(window, index);
  const auto bits = static_cast<std::uint32_t>(value);
  if (index == GWL_STYLE) {
    // Clearing the visible bit does not hide the window: the system only
    // takes it for hidden while it draws.
    window->visibleBitCleared_ = window->Visible && !(bits & WS_VISIBLE);
    window->Style = bits & ~WS_VISIBLE;
  } else if (index == GWL_EXSTYLE) {
    window->ExStyle = bits;
  } else {
    return 0;
  }
  return old;
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure && IsWindow(window) ? procedure(window, message, wParam, lParam) : 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return IsWindow(window) ? window->SendMessage(message, wParam, lParam) : 0;
}

// ---------------------------------------------------------------- activation
HWND GetActiveWindow() {
  auto* w = dynamic_cast<CWnd*>(plat::Component::FromId(gActiveWindow));
  return IsWindow(w) ? w : nullptr;
}

HWND SetActiveWindow(HWND window) {
  HWND old = GetActiveWindow();
  if (window && !IsWindow(window)) return old;
  if (old == window) return old;
  gActiveWindow = window ? window->Id() : 0;
  const std::uint64_t self = window ? window->Id() : 0;
  if (old) {
    SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
    SendMessageA(old, WM_ACTIVATE, 0, 0);
  }
  if (window && plat::Component::FromId(self) && gActiveWindow == self) {
    SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(window, WM_ACTIVATE, 1, 0);
  }
  return old;
}

BOOL SetForegroundWindow(HWND window) {
  if (!IsWindow(window)) return FALSE;
  SetActiveWindow(window);
  return TRUE;
}

// ---------------------------------------------------------------- CWnd's parts
void CWnd::SetWindowText(const std::string& text) {
  if (created_) SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  else Text = text;
}

GdiBitmap* CWnd::NonClientSurface() {
  if (!created_ || Width <= 0 || Height <= 0) return nullptr;
  if (!nonClient_) nonClient_ = std::make_shared<GdiBitmap>();
  const int width = std::min(Width.Get(), kMaxSurfaceSide), height = std::min(Height.Get(), kMaxSurfaceSide);
  if (nonClient_->width != width || nonClient_->height != height) {
    nonClient_->Resize(width, height, GetSysColor(COLOR_BTNFACE));
  }
  return nonClient_.get();
}

void CWnd::NonClientPainted() { Changed(plat::dfContent); }

void CWnd::SetCaptionPaintedByProgram(bool own) {
  if (own == ownCaption_) return;
  ownCaption_ = own;
  Changed(plat::dfAppearance);
}

// ---------------------------------------------------------------- the system's own handling
namespace {

// The frame, and the caption where the region asks for it (region: none
// for the whole window; in screen coordinates). Answers whether the
// caption was drawn.
bool PaintNonClient(CWnd& w, HRGN region, bool captionOnly) {
  if (w.Style & WS_CHILD) return false;
  HDC dc = GetWindowDC(&w);
  if (!dc) return false;
  const GdiBitmap& surface = *TargetOf(dc);
  const int width = surface.width, height = surface.height;
  const POINT f = FrameSize(w);
  RECT caption = SystemCaption(w);
  caption.right = std::min(caption.right, width - f.x);
  const bool full = FullCaption(w.Style);
  const RECT onScreen{RECT::WrappedSum(caption.left, w.Left), RECT::WrappedSum(caption.top, w.Top),
                      RECT::WrappedSum(caption.right, w.Left), RECT::WrappedSum(caption.bottom, w.Top)};
  const bool drawCaption = full && !caption.Empty() && (!region || RectInRegion(region, &onScreen));
  if (!captionOnly) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    FillWith(dc, RECT{0, 0, width, f.y}, face);
    FillWith(dc, RECT{0, height - f.y, width, height}, face);
    FillWith(dc, RECT{0, 0, f.x, height}, face);
    FillWith(dc, RECT{width - f.x, 0, width, height}, face);
    if (full) FillWith(dc, RECT{f.x, caption.bottom, width - f.x, caption.bottom + GetSystemMetrics(SM_CYBORDER)}, face);
    FillWith(dc, RECT{0, 0, width, 1}, GetSysColor(COLOR_3DLIGHT));
    FillWith(dc, RECT{0, 0, 1, height}, GetSysColor(COLOR_3DLIGHT));
    FillWith(dc, RECT{1, 1, width - 1, 2}, GetSysColor(COLOR_BTNHIGHLIGHT));
    FillWith(dc, RECT{1, 1, 2, height - 1}, GetSysColor(COLOR_BTNHIGHLIGHT));
    FillWith(dc, RECT{0, height - 1, width, height}, GetSysColor(COLOR_3DDKSHADOW));
    FillWith(dc, RECT{width - 1, 0, width, height}, GetSysColor(COLOR_3DDKSHADOW));
    FillWith(dc, RECT{1, height - 2, width - 1, height - 1}, GetSysColor(COLOR_BTNSHADOW));
    FillWith(dc, RECT{width - 2, 1, width - 1, height - 1}, GetSysColor(COLOR_BTNSHADOW));
  }
  if (drawCaption) {
    const bool active = w.SystemActive();
    FillWith(dc, caption, GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    const CaptionButtons buttons = ButtonsOf(w, caption.Width());
    auto at = [&](RECT r) {
      r.left += caption.left;
      r.right += caption.left;
      r.top += caption.top;
      r.bottom += caption.top;
      return r;
    };
    RECT close = at(buttons.close);
    DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    if (buttons.hasMax) {
      RECT max = at(buttons.max);
      const bool greyed = buttons.hasMin && !(w.Style & WS_MAXIMIZEBOX);
      DrawFrameControl(dc, &max, DFC_CAPTION,
                       (w.Maximised() ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) | (greyed ? DFCS_INACTIVE : 0));
    }
    if (buttons.hasMin) {
      RECT min = at(buttons.min);
      DrawFrameControl(dc, &min, DFC_CAPTION, DFCS_CAPTIONMIN);
    }
    NONCLIENTMETRICSA metrics;
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT text = caption;
    text.left += 4;
    text.right = caption.left + (buttons.hasMin ? buttons.min.left : buttons.hasMax ? buttons.max.left : buttons.close.left) - 2;
    DrawTextA(dc, w.Text.Get().c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    SelectObject(dc, oldFont);
    DeleteObject(font);
  }
  ReleaseDC(&w, dc);
  return drawCaption;
}

LRESULT HitTest(CWnd& w, LPARAM lParam) {
  const int x = RECT::WrappedDifference(static_cast<std::int16_t>(LoWord(lParam)), w.Left);
  const int y = RECT::WrappedDifference(static_cast<std::int16_t>(HiWord(lParam)), w.Top);
  const int width = std::min(w.Width.Get(), kMaxSurfaceSide), height = std::min(w.Height.Get(), kMaxSurfaceSide);
  if (x < 0 || y < 0 || x >= width || y >= height) return HTNOWHERE;
  if (w.Style & WS_CHILD) return HTCLIENT;
  const POINT f = FrameSize(w);
  const bool left = x < f.x, right = x >= width - f.x, top = y < f.y, bottom = y >= height - f.y;
  if ((left || right || top || bottom) && (w.Style & WS_THICKFRAME) && !w.Maximised()) {
    if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    return left ? HTLEFT : HTRIGHT;
  }
  if (left || right || top || bottom) return HTBORDER;
  const RECT caption = SystemCaption(w);
  if (FullCaption(w.Style) && y < caption.bottom + GetSystemMetrics(SM_CYBORDER)) {
    const CaptionButtons b = ButtonsOf(w, caption.Width());
    const int cx = x - caption.left, cy = y - caption.top;
    if (Inside(b.close, cx, cy)) return HTCLOSE;
    if (b.hasMax && Inside(b.max, cx, cy)) return HTMAXBUTTON;
    if (b.hasMin && Inside(b.min, cx, cy)) return HTMINBUTTON;
    if (cx < ButtonSize(w).x && (w.Style & WS_SYSMENU)) return HTSYSMENU;
    return HTCAPTION;
  }
  if (w.Height - w.ClientHeight - f.y > y && y >= f.y) return HTMENU;
  return HTCLIENT;
}

}  // namespace

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return 0;
  CWnd& w = *window;
  switch (message) {
    case WM_NCPAINT: {
      const bool whole = wParam <= NCPAINT_WHOLE_WINDOW;
      const bool drawn = PaintNonClient(w, whole ? nullptr : reinterpret_cast<HRGN>(wParam), false);
      // A caption the system left out is the program's own.
      if (!(w.Style & WS_CHILD)) w.SetCaptionPaintedByProgram(FullCaption(w.Style) && !drawn);
      return 0;
    }
    case WM_NCACTIVATE:
      w.systemActive_ = wParam != 0;
      if (VisibleBit(w) && !w.CaptionPaintedByProgram()) PaintNonClient(w, nullptr, true);
      return TRUE;
    case WM_SETTEXT:
      w.Text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if (VisibleBit(w) && !w.CaptionPaintedByProgram()) PaintNonClient(w, nullptr, true);
      return TRUE;
    case WM_GETICON: return wParam == ICON_SMALL ? reinterpret_cast<LRESULT>(w.smallIcon_) : 0;
    case WM_SETICON: {
      HICON old = w.smallIcon_;
      if (wParam == ICON_SMALL) w.smallIcon_ = reinterpret_cast<HICON>(lParam);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_NCHITTEST: return HitTest(w, lParam);
    case WM_NCLBUTTONDOWN:
      switch (static_cast<LRESULT>(wParam)) {
        case HTCLOSE: return SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, lParam);
        case HTMINBUTTON: return SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, lParam);
        case HTMAXBUTTON:
          if (!(w.Style & WS_MAXIMIZEBOX)) return 0;
          return SendMessageA(window, WM_SYSCOMMAND, w.Maximised() ? SC_RESTORE : SC_MAXIMIZE, lParam);
        case HTCAPTION:
        case HTSYSMENU: SetActiveWindow(window); return 0;
        default: return 0;
      }
    case WM_NCLBUTTONDBLCLK:
      if (static_cast<LRESULT>(wParam) == HTCAPTION && (w.Style & WS_MAXIMIZEBOX)) {
        return SendMessageA(window, WM_SYSCOMMAND, w.Maximised() ? SC_RESTORE : SC_MAXIMIZE, lParam);
      }
      if (static_cast<LRESULT>(wParam) == HTSYSMENU) return SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, lParam);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: return SendMessageA(window, WM_CLOSE, 0, 0);
        case SC_MINIMIZE: w.ShowWindow(SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: w.ShowWindow(SW_MAXIMIZE); return 0;
        case SC_RESTORE: w.ShowWindow(SW_RESTORE); return 0;
        default: return 0;
      }
    case WM_CLOSE: w.DestroyWindow(); return 0;
    default: return 0;
  }
}

}  // namespace afx
