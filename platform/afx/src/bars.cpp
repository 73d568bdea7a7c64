#include "platform/afx/bars.h"

#include <algorithm>

namespace afx {

// ---------------------------------------------------------------- CMenu
namespace {
CMenu::Item FromResource(const MenuItemResource& r) {
  CMenu::Item item;
  item.text = r.text;
  item.id = r.id;
  item.separator = (r.flags & MF_SEPARATOR) != 0;
  item.popup = !r.items.empty();
  item.state = r.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
  for (const MenuItemResource& child : r.items) item.items.push_back(FromResource(child));
  return item;
}

template <class Items, class F>
void ForEachItem(Items& items, F f) {
  for (auto& item : items) {
    f(item);
    ForEachItem(item.items, f);
  }
}
}  // namespace

BOOL CMenu::LoadMenu(UINT resourceId) {
  const std::vector<MenuItemResource>* menu = AfxFindMenu(resourceId);
  if (!menu) return FALSE;
  items_.clear();
  for (const MenuItemResource& r : *menu) items_.push_back(FromResource(r));
  loaded_ = true;
  if (auto* owner = plat::Component::FromId(owner_)) owner->Changed(plat::dfStructure);
  return TRUE;
}

UINT CMenu::Change(UINT id, UINT mask, UINT bits) {
  UINT previous = kNoMenuItem;
  bool changed = false;
  ForEachItem(items_, [&](Item& item) {
    if (item.separator || item.popup || item.id != id) return;
    if (previous == kNoMenuItem) previous = item.state & mask;
    const UINT next = (item.state & ~mask) | (bits & mask);
    changed = changed || next != item.state;
    item.state = next;
  });
  if (changed) {
    if (auto* owner = plat::Component::FromId(owner_)) owner->Changed(plat::dfState);
  }
  return previous;
}

UINT CMenu::EnableMenuItem(UINT id, UINT enable) { return Change(id, MF_GRAYED | MF_DISABLED, enable); }

UINT CMenu::CheckMenuItem(UINT id, UINT check) { return Change(id, MF_CHECKED, check); }

UINT CMenu::GetMenuState(UINT id) const {
  UINT state = kNoMenuItem;
  ForEachItem(items_, [&](const Item& item) {
    if (state == kNoMenuItem && !item.separator && !item.popup && item.id == id) state = item.state;
  });
  return state;
}

// ---------------------------------------------------------------- CControlBar
const MessageMap* CControlBar::GetMessageMap() const {
  static const MessageMap map{CWnd::GetMessageMap(), {OnMessage(WM_SIZE, &CControlBar::OnSizeMessage)}};
  return &map;
}

CSize CControlBar::CalcFixedLayout(BOOL stretch, BOOL horizontal) {
  CSize size{Width, Height};
  if (stretch && horizontal) size.cx = kStretchLength;
  if (stretch && !horizontal) size.cy = kStretchLength;
  return size;
}

CSize CControlBar::CalcDynamicLayout(int, DWORD mode) {
  return CalcFixedLayout((mode & LM_STRETCH) ? TRUE : FALSE, (mode & LM_HORZ) ? TRUE : FALSE);
}

void CControlBar::OnUpdateCmdUI(CFrameWnd*, BOOL) {}

void CControlBar::UpdateDialogControls(CFrameWnd* target, BOOL disableIfNoHandler) {
  for (int i = 0; i < GetControlCount(); ++i) {
    if (auto* bar = dynamic_cast<CControlBar*>(Controls(i))) bar->OnUpdateCmdUI(target, disableIfNoHandler);
  }
}

CFrameWnd* CControlBar::GetParentFrame() const {
  for (plat::Window* w = GetParent(); w; w = w->GetParent()) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(w)) return frame;
  }
  return nullptr;
}

void CControlBar::WindowProcedure(plat::Message& m) {
  // What the rebar control itself answers; its owner's map comes first.
  if (IsReBar() && !GetMessageMap()->Find(EntryKind::kMessage, m.msg)) {
    if (m.msg == RB_INSERTBAND) {
      m.result = InsertBand(static_cast<int>(static_cast<std::intptr_t>(m.wParam)),
                            reinterpret_cast<const REBARBANDINFO*>(m.lParam));
      return;
    }
    if (m.msg == RB_GETBANDCOUNT) {
      m.result = static_cast<LRESULT>(bands_.size());
      return;
    }
  }
  CWnd::WindowProcedure(m);
}

LRESULT CControlBar::OnSizeMessage(WPARAM, LPARAM) {
  if (IsReBar()) LayoutBands();
  return 0;
}

LRESULT CControlBar::InsertBand(int index, const REBARBANDINFO* info) {
  if (!info) return FALSE;
  Band band;
  band.info = *info;
  if (info->fMask & RBBIM_CHILD) {
    if (!info->hwndChild) return FALSE;
    band.child = info->hwndChild->Id();
    info->hwndChild->SetParent(this);
  }
  if (index < 0 || index > static_cast<int>(bands_.size())) index = static_cast<int>(bands_.size());
  bands_.insert(bands_.begin() + index, band);
  LayoutBands();
  return TRUE;
}

// The bands lie side by side in one row, each child at its minimum size
// (the last one takes what is left); the bar is as high as its tallest band.
void CControlBar::LayoutBands() {
  constexpr int kBorder = 2;
  int x = kBorder;
  int height = 0;
  for (std::size_t i = 0; i < bands_.size(); ++i) {
    const Band& b = bands_[i];
    const int cy = (b.info.fMask & RBBIM_CHILDSIZE) ? static_cast<int>(b.info.cyMinChild) : 0;
    height = std::max(height, cy);
    auto* child = dynamic_cast<CWnd*>(plat::Component::FromId(b.child));
    int cx = (b.info.fMask & RBBIM_CHILDSIZE) ? static_cast<int>(b.info.cxMinChild) : 0;
    if (i + 1 == bands_.size()) cx = std::max(cx, Width - x - kBorder);
    if (child) child->MoveWindow(x, kBorder, cx, cy);
    x += cx + kBorder;
  }
  const int barHeight = bands_.empty() ? 0 : height + 2 * kBorder;
  if (barHeight != Height) {
    Height = barHeight;
    NMHDR n{this, GetDlgCtrlID(), RBN_HEIGHTCHANGE};
    ReflectNotify(n);
  }
}

// ---------------------------------------------------------------- CToolBar
BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) {
  m_dwStyle = style & 0xFFFFu;  // the bar styles; the high word is the window's
  CREATESTRUCT cs;
  cs.lpszClass = "ToolbarWindow32";
  cs.style = (style & 0xFFFF0000u) | WS_CHILD;
  cs.hwndParent = parent;
  cs.id = id;
  cs.x = cs.y = cs.cx = cs.cy = 0;
  return CreateEx(cs);
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
  const ToolBarResource* r = AfxFindToolBar(resourceId);
  if (!r) return FALSE;
  buttons_.clear();
  int image = 0;
  for (UINT id : r->items) {
    ToolButton b;
    b.id = id;
    if (id != ID_SEPARATOR) b.image = image++;
    buttons_.push_back(b);
  }
  bitmap_ = r->bitmap;
  image_ = {r->width, r->height};
  const CSize size = Layout(true);
  SetBounds(Left, Top, size.cx, size.cy);
  Changed(plat::dfContent);
  return TRUE;
}

CSize CToolBar::Layout(bool horizontal) const {
  const CSize button = ButtonSize();
  CSize size;
  for (const ToolButton& b : buttons_) {
    const int along = b.separator() ? kSeparatorWidth : (horizontal ? button.cx : button.cy);
    if (horizontal) size.cx += along;
    else size.cy += along;
  }
  if (horizontal) size.cy = button.cy;
  else size.cx = button.cx;
  return size;
}

CSize CToolBar::CalcFixedLayout(BOOL stretch, BOOL horizontal) {
  CSize size = Layout(horizontal != FALSE);
  if (stretch && horizontal) size.cx = kStretchLength;
  if (stretch && !horizontal) size.cy = kStretchLength;
  return size;
}

CSize CToolBar::CalcDynamicLayout(int, DWORD mode) { return Layout((mode & LM_HORZ) != 0); }

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  bool changed = false;
  for (ToolButton& b : buttons_) {
    if (b.separator()) continue;
    CCmdUI ui(b.id);
    ui.DoUpdate(target, disableIfNoHandler);
    changed = changed || b.enabled != ui.IsEnabled() || b.checked != ui.Checked();
    b.enabled = ui.IsEnabled();
    b.checked = ui.Checked();
  }
  if (changed) Changed(plat::dfState);
}

// ---------------------------------------------------------------- CStatusBar
BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
  m_dwStyle = style & 0xFFFFu;
  CREATESTRUCT cs;
  cs.lpszClass = "msctls_statusbar32";
  cs.style = (style & 0xFFFF0000u) | WS_CHILD;
  cs.hwndParent = parent;
  cs.id = id;
  cs.x = cs.y = cs.cx = 0;
  cs.cy = kHeight;
  return CreateEx(cs);
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
  if (!ids && count > 0) return FALSE;
  std::vector<StatusPane> panes;
  for (int i = 0; i < count; ++i) {
    StatusPane pane;
    pane.id = ids[i];
    if (pane.id != ID_SEPARATOR) {
      std::optional<std::string> text = AfxFindString(pane.id);
      if (!text) return FALSE;
      pane.text = *text;
    }
    panes.push_back(std::move(pane));
  }
  panes_ = std::move(panes);
  Changed(plat::dfContent);
  return TRUE;
}

BOOL CStatusBar::SetPaneText(int index, const std::string& text) {
  if (index < 0 || index >= GetCount()) return FALSE;
  StatusPane& pane = panes_[static_cast<std::size_t>(index)];
  if (pane.text != text) {
    pane.text = text;
    Changed(plat::dfContent);
  }
  return TRUE;
}

std::string CStatusBar::GetPaneText(int index) const {
  return index >= 0 && index < GetCount() ? panes_[static_cast<std::size_t>(index)].text : std::string();
}

CSize CStatusBar::CalcFixedLayout(BOOL stretch, BOOL horizontal) {
  CSize size{Width, kHeight};
  if (stretch && horizontal) size.cx = kStretchLength;
  return size;
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  bool changed = false;
  for (StatusPane& pane : panes_) {
    if (pane.id == ID_SEPARATOR) continue;
    CCmdUI ui(pane.id);
    ui.DoUpdate(target, disableIfNoHandler);
    changed = changed || pane.enabled != ui.IsEnabled();
    pane.enabled = ui.IsEnabled();
  }
  if (changed) Changed(plat::dfState);
}

}  // namespace afx
