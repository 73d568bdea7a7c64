#include "lorvex/msg_hook.h"

#include <algorithm>

#include "platform/afx/dialog.h"

const afx::CRuntimeClass CMsgHook::classCMsgHook{"CMsgHook", nullptr};
const afx::CRuntimeClass CPalMsgHandler::classCPalMsgHandler{"CPalMsgHandler", nullptr};

// ---------------------------------------------------------------- CMsgHook
CMsgHook::~CMsgHook() {
  if (m_hWnd) HookWindow(nullptr);
}

afx::BOOL CMsgHook::HookWindow(afx::HWND window) {
  CHookMap& map = CHookMap::GetHookMap();
  if (window) {
    if (!afx::IsWindow(window)) return afx::FALSE;
    if (m_hWnd == window) {
      // Already on this window: hooking twice would make the chain a loop.
      for (CMsgHook* h = map.Lookup(window); h; h = h->m_pNext) {
        if (h == this) return afx::TRUE;
      }
    }
    if (m_hWnd) HookWindow(nullptr);
    m_hWnd = window;
    map.Add(window, this);
  } else {
    if (m_hWnd) map.Remove(this);
    m_pOldWndProc = nullptr;
    m_pNext = nullptr;
    m_hWnd = nullptr;
  }
  return afx::TRUE;
}

afx::LRESULT CMsgHook::WindowProc(afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) {
  if (!m_pOldWndProc) return 0;
  if (m_pNext) return m_pNext->WindowProc(message, wParam, lParam);
  return afx::CallWindowProcA(m_pOldWndProc, m_hWnd, message, wParam, lParam);
}

afx::LRESULT CMsgHook::Default() {
  const auto& current = afx::AfxGetThreadState()->m_lastSentMsg;
  return CMsgHook::WindowProc(current.message, current.wParam, current.lParam);
}

// ---------------------------------------------------------------- CHookMap
CHookMap& CHookMap::GetHookMap() {
  // Never destroyed: a hook that outlives the others at exit still finds it.
  static CHookMap* map = new CHookMap;
  return *map;
}

CMsgHook* CHookMap::Lookup(afx::HWND window) const {
  for (const Entry& e : map_) {
    if (e.window == window) return e.hook;
  }
  return nullptr;
}

std::size_t CHookMap::GetCount() const { return map_.size(); }

void CHookMap::Add(afx::HWND window, CMsgHook* hook) {
  hook->m_pNext = Lookup(window);
  if (hook->m_pNext) {
    std::find_if(map_.begin(), map_.end(), [&](const Entry& e) { return e.window == window; })->hook = hook;
    hook->m_pOldWndProc = hook->m_pNext->m_pOldWndProc;
  } else {
    map_.push_back(Entry{window, hook});
    hook->m_pOldWndProc = afx::SetWindowLongA(window, afx::GWL_WNDPROC, &HookWndProc);
  }
}

void CHookMap::Remove(CMsgHook* hook) {
  const afx::HWND window = hook->m_hWnd;
  auto entry = std::find_if(map_.begin(), map_.end(), [&](const Entry& e) { return e.window == window; });
  if (entry == map_.end()) return;
  if (entry->hook == hook) {
    if (hook->m_pNext) {
      entry->hook = hook->m_pNext;
    } else {
      map_.erase(entry);
      afx::SetWindowLongA(window, afx::GWL_WNDPROC, hook->m_pOldWndProc);
    }
  } else {
    CMsgHook* before = entry->hook;
    while (before && before->m_pNext != hook) before = before->m_pNext;
    if (!before) return;  // not in the chain
    before->m_pNext = hook->m_pNext;
  }
  hook->m_pNext = nullptr;
}

void CHookMap::RemoveAll(afx::HWND window) {
  while (CMsgHook* hook = Lookup(window)) {
    // Each leaves by its own HookWindow; a hook that claims another window
    // is taken off this one all the same, so the loop always ends.
    if (hook->m_hWnd != window) hook->m_hWnd = window;
    hook->HookWindow(nullptr);
  }
}

afx::LRESULT HookWndProc(afx::HWND window, afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) {
  CHookMap& map = CHookMap::GetHookMap();
  CMsgHook* hook = map.Lookup(window);
  auto& current = afx::AfxGetThreadState()->m_lastSentMsg;
  const auto saved = current;
  current.hwnd = window;
  current.message = message;
  current.wParam = wParam;
  current.lParam = lParam;
  afx::LRESULT result = 0;
  if (!hook) {
    result = afx::AfxWndProc(window, message, wParam, lParam);
  } else if (message == afx::WM_NCDESTROY) {
    // Every hook goes and the window has its own procedure back before it
    // handles its last message.
    const afx::WNDPROC own = hook->m_pOldWndProc;
    map.RemoveAll(window);
    result = afx::CallWindowProcA(own, window, message, wParam, lParam);
  } else {
    result = hook->WindowProc(message, wParam, lParam);
  }
  current = saved;
  return result;
}

// ---------------------------------------------------------------- CPalMsgHandler
namespace {
void SendToDescendants(afx::CWnd& w, afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) {
  std::vector<std::uint64_t> children;
  for (int i = 0; i < w.GetControlCount(); ++i) children.push_back(w.Controls(i)->Id());
  for (std::uint64_t id : children) {
    auto* child = dynamic_cast<afx::CWnd*>(plat::Component::FromId(id));
    if (!child) continue;
    child->SendMessage(message, wParam, lParam);
    if (plat::Component::FromId(id)) SendToDescendants(*child, message, wParam, lParam);
  }
}
}  // namespace

afx::LRESULT CPalMsgHandler::WindowProc(afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) {
  switch (message) {
    case afx::WM_QUERYNEWPALETTE: return OnQueryNewPalette();
    case afx::WM_PALETTECHANGED: OnPaletteChanged(reinterpret_cast<afx::HWND>(wParam)); return 0;
    case afx::WM_SETFOCUS: OnSetFocus(reinterpret_cast<afx::HWND>(wParam)); return 0;
    default: return CMsgHook::WindowProc(message, wParam, lParam);
  }
}

afx::BOOL CPalMsgHandler::OnQueryNewPalette() {
  if (DoRealizePalette(afx::TRUE) == 0 && m_hWnd && !m_hWnd->GetParent()) {
    if (auto* frame = dynamic_cast<afx::CFrameWnd*>(m_hWnd)) {
      if (afx::CView* view = frame->GetActiveView()) view->SendMessage(afx::WM_QUERYNEWPALETTE);
    }
  }
  return afx::TRUE;
}

void CPalMsgHandler::OnPaletteChanged(afx::HWND changedBy) {
  if (changedBy == m_hWnd) return;
  if (DoRealizePalette(afx::FALSE) == 0 && m_hWnd && !m_hWnd->GetParent()) {
    const auto& current = afx::AfxGetThreadState()->m_lastSentMsg;
    SendToDescendants(*m_hWnd, afx::WM_PALETTECHANGED, current.wParam, current.lParam);
  }
}

void CPalMsgHandler::OnSetFocus(afx::HWND) {
  afx::SetForegroundWindow(m_hWnd);
  DoRealizePalette(afx::TRUE);
  Default();
}

int CPalMsgHandler::DoRealizePalette(afx::BOOL foreground) {
  if (!m_pPalette || !m_pPalette->IsMade() || !m_hWnd) return 0;
  afx::HDC dc = afx::GetDC(m_hWnd);
  if (!dc) return 0;
  afx::CPalette* old = afx::SelectPalette(dc, m_pPalette, foreground ? afx::FALSE : afx::TRUE);
  const auto changed = static_cast<int>(afx::RealizePalette(dc));
  afx::SelectPalette(dc, old, afx::TRUE);
  afx::ReleaseDC(m_hWnd, dc);
  if (changed > 0) m_hWnd->InvalidateRect(nullptr, afx::FALSE);
  return changed;
}
