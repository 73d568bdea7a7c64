#include "lorvex/main_frame.h"

#include <iterator>

#include "lorvex/logo_wnd.h"
#include "lorvex/lorvex_app.h"
#include "platform/afx/list_view.h"

namespace {

// The status bar's panes: the message pane, caps lock, num lock, scroll lock.
constexpr afx::UINT kIndicators[] = {afx::ID_SEPARATOR, afx::ID_INDICATOR_CAPS, afx::ID_INDICATOR_NUM,
                                     afx::ID_INDICATOR_SCRL};

}  // namespace

// ---------------------------------------------------------------- CCoolBar
const afx::MessageMap* CCoolBar::GetMessageMap() const {
  static const afx::MessageMap map{
      CControlBar::GetMessageMap(),
      {afx::OnMessage(afx::WM_CREATE, &CCoolBar::OnCreate),
       afx::OnNotifyReflect(afx::RBN_HEIGHTCHANGE,
                            static_cast<void (CCoolBar::*)(afx::NMHDR*, afx::LRESULT*)>(&CCoolBar::OnHeightChange))}};
  return &map;
}

afx::BOOL CCoolBar::Create(afx::CWnd* parent, afx::DWORD style, afx::DWORD barStyle, afx::UINT id) {
  m_dwStyle = barStyle;
  if (id == afx::AFX_IDW_TOOLBAR) m_dwStyle |= afx::CBRS_HIDE_INPLACE;
  // The common controls' cool-bar classes need no set-up on this platform.
  afx::CREATESTRUCT cs;
  cs.dwExStyle = afx::WS_EX_TOOLWINDOW;
  cs.lpszClass = afx::REBARCLASSNAME;
  cs.style = (style & ~afx::CCS_NORESIZE) | afx::CCS_NOPARENTALIGN | afx::CCS_NODIVIDER;
  cs.x = cs.y = cs.cx = cs.cy = 0;
  cs.hwndParent = parent;
  cs.id = id;
  return CreateEx(cs);
}

int CCoolBar::OnCreate(afx::CREATESTRUCT*) {
  // Whatever the bands say, the bar exists: without them it stays empty.
  return OnCreateBands() ? 1 : 0;
}

void CCoolBar::OnUpdateCmdUI(afx::CFrameWnd* target, afx::BOOL disableIfNoHandler) {
  UpdateDialogControls(target, disableIfNoHandler);
}

void CCoolBar::OnHeightChange(afx::NMHDR*, afx::LRESULT* result) {
  afx::RECT rect;
  GetWindowRect(rect);
  OnHeightChange(rect);
  *result = 0;
}

void CCoolBar::OnHeightChange(const afx::RECT&) {
  if (afx::CWnd* parent = GetParentWnd()) {
    parent->PostMessage(afx::WM_SIZE, 0, afx::MakeLParam(parent->Width, parent->Height));
  }
}

// ---------------------------------------------------------------- CLorvexCoolBar
afx::BOOL CLorvexCoolBar::OnCreateBands() {
  const afx::DWORD style = afx::WS_CHILD | afx::WS_VISIBLE | afx::WS_CLIPSIBLINGS | afx::WS_CLIPCHILDREN |
                           afx::CBRS_TOOLTIPS | afx::CBRS_SIZE_DYNAMIC;
  if (!m_wndToolBar.Create(this, style, afx::AFX_IDW_TOOLBAR) || !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
    return afx::FALSE;
  }
  m_wndToolBar.ModifyStyle(0, afx::TBSTYLE_FLAT);
  const afx::CSize vertical = m_wndToolBar.CalcDynamicLayout(-1, 0);
  const afx::CSize horizontal = m_wndToolBar.CalcDynamicLayout(-1, afx::LM_HORZ);
  afx::REBARBANDINFO band;
  band.fMask = afx::RBBIM_STYLE | afx::RBBIM_COLORS | afx::RBBIM_CHILD | afx::RBBIM_CHILDSIZE | afx::RBBIM_BACKGROUND;
  band.fStyle = afx::RBBS_FIXEDBMP;
  band.clrFore = afx::GetSysColor(afx::COLOR_BTNTEXT);
  band.clrBack = afx::GetSysColor(afx::COLOR_BTNFACE);
  band.hwndChild = &m_wndToolBar;
  band.cxMinChild = static_cast<afx::UINT>(vertical.cx);
  band.cyMinChild = static_cast<afx::UINT>(horizontal.cy);
  const afx::LRESULT inserted =
      SendMessage(afx::RB_INSERTBAND, static_cast<afx::WPARAM>(-1), reinterpret_cast<afx::LPARAM>(&band));
  return inserted ? afx::TRUE : afx::FALSE;
}

// ---------------------------------------------------------------- CMainFrame
const afx::MessageMap* CMainFrame::GetMessageMap() const {
  static const afx::MessageMap map{CFrameWnd::GetMessageMap(),
                                   {afx::OnMessage(afx::WM_CREATE, &CMainFrame::OnCreate),
                                    afx::OnCommand(ID_CHECK_VERSION, &CMainFrame::OnCheckForNewVersion)}};
  return &map;
}

afx::BOOL CMainFrame::PreCreateWindow(afx::CREATESTRUCT& cs) {
  if (!CFrameWnd::PreCreateWindow(cs)) return afx::FALSE;
  // The window class is registered once per process; every viewer has its own.
  cs.lpszClass = kLorvexWindowClass;
  if (const CLorvexApp* app = LorvexApp()) {
    cs.cx = app->SizeX;
    cs.cy = app->SizeY;
    cs.x = app->PositionX;
    cs.y = app->PositionY;
  }
  return afx::TRUE;
}

int CMainFrame::OnCreate(afx::CREATESTRUCT* cs) {
  if (CFrameWnd::OnCreate(cs) == -1) return -1;
  const afx::DWORD coolStyle = afx::WS_CHILD | afx::WS_VISIBLE | afx::WS_CLIPSIBLINGS | afx::WS_CLIPCHILDREN |
                               afx::WS_BORDER | afx::RBS_TOOLTIPS | afx::RBS_VARHEIGHT | afx::RBS_BANDBORDERS;
  if (!m_wndCoolBar.Create(this, coolStyle, afx::CBRS_ALIGN_TOP, afx::AFX_IDW_TOOLBAR)) return -1;
  if (!m_wndStatusBar.Create(this, afx::WS_CHILD | afx::WS_VISIBLE | afx::CBRS_BOTTOM, afx::AFX_IDW_STATUS_BAR) ||
      !m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators)))) {
    return -1;
  }
  CLogoWnd::ShowLogo(this);
  return 0;
}

void CMainFrame::OnCheckForNewVersion() {
  if (CLorvexApp* app = LorvexApp()) app->CheckForNewVersion(this, false, true);
}

afx::BOOL CMainFrame::DestroyWindow() {
  if (CLorvexApp* app = LorvexApp(); app && IsWindowCreated()) {
    afx::RECT rect;
    GetWindowRect(rect);
    app->SizeX = rect.Width();
    app->SizeY = rect.Height();
    app->PositionX = rect.left;
    app->PositionY = rect.top;
  }
  CLogoWnd::OwnerDestroyed(this);
  return CFrameWnd::DestroyWindow();
}
