// The keyboard focus and the mouse capture of the façade's windows. Both
// are kept by window id, so a window that goes is never answered.
#include "platform/afx/dialog.h"
#include "platform/afx/window.h"

namespace afx {

namespace {
std::uint64_t focus = 0;
std::uint64_t capture = 0;

CWnd* Live(std::uint64_t id) { return id ? dynamic_cast<CWnd*>(plat::Component::FromId(id)) : nullptr; }
}  // namespace

CWnd* CWnd::SetFocus() {
  CWnd* previous = Live(focus);
  if (previous == this) return previous;
  focus = Id();
  const std::uint64_t self = Id();
  if (previous) previous->SendMessage(WM_KILLFOCUS, reinterpret_cast<WPARAM>(this));
  // The window that lost the focus may have given it elsewhere meanwhile.
  if (focus == self && plat::Component::FromId(self)) SendMessage(WM_SETFOCUS, reinterpret_cast<WPARAM>(previous));
  return previous;
}

CWnd* CWnd::GetFocus() { return Live(focus); }

CWnd* CWnd::SetCapture() {
  CWnd* previous = Live(capture);
  capture = Id();
  return previous;
}

BOOL CWnd::ReleaseCapture() {
  capture = 0;
  return TRUE;
}

CWnd* CWnd::GetCapture() { return Live(capture); }

}  // namespace afx
