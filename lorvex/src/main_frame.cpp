#include "lorvex/main_frame.h"

#include "lorvex/logo_wnd.h"
#include "lorvex/lorvex_app.h"

const afx::MessageMap* CMainFrame::GetMessageMap() const {
  static const afx::MessageMap map{CFrameWnd::GetMessageMap(), {afx::OnMessage(afx::WM_CREATE, &CMainFrame::OnCreate)}};
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
  CLogoWnd::ShowLogo(this);
  return 0;
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
