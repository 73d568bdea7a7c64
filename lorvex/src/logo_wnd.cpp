#include "lorvex/logo_wnd.h"

#include "lorvex/resource.h"
#include "platform/afx/app.h"

namespace {
constexpr afx::UINT_PTR kLogoTimer = 1;
constexpr afx::UINT kLogoMs = 750;
}  // namespace

CLogoWnd::~CLogoWnd() {
  if (instance_ == this) instance_ = nullptr;
}

const afx::MessageMap* CLogoWnd::GetMessageMap() const {
  static const afx::MessageMap map{CWnd::GetMessageMap(),
                                   {afx::OnMessage(afx::WM_CREATE, &CLogoWnd::OnCreate),
                                    afx::OnMessage(afx::WM_PAINT, &CLogoWnd::OnPaint),
                                    afx::OnMessage(afx::WM_TIMER, &CLogoWnd::OnTimer)}};
  return &map;
}

void CLogoWnd::EnableLogo(afx::BOOL enable) { enabled_ = enable; }

void CLogoWnd::ShowLogo(afx::CWnd* parent) {
  if (!enabled_ || instance_) return;
  instance_ = new CLogoWnd;
  CLogoWnd* logo = instance_;
  if (logo->Create(parent)) {
    logo->UpdateWindow();
  } else if (instance_ == logo) {
    // A window that failed in its creation handler is gone already.
    instance_ = nullptr;
    if (!logo->IsWindowCreated()) logo->Free();
  }
}

afx::BOOL CLogoWnd::Create(afx::CWnd* parent) {
  if (!m_bitmap.LoadBitmap(IDB_LOGO)) return afx::FALSE;
  afx::BITMAP bm;
  m_bitmap.GetBitmap(&bm);
  owner_ = parent ? parent->Id() : 0;
  afx::CREATESTRUCT cs;
  cs.lpszClass = afx::AfxRegisterWndClass(0, afx::IDC_ARROW, 0, {});
  cs.style = afx::WS_POPUP | afx::WS_VISIBLE;
  cs.x = 0;
  cs.y = 0;
  cs.cx = bm.bmWidth;
  cs.cy = bm.bmHeight;
  return CreateEx(cs);
}

int CLogoWnd::OnCreate(afx::CREATESTRUCT*) {
  m_dib.Load(afx::AfxGetResourceHandle(), IDB_LOGO);
  CenterWindow();
  SetTimer(kLogoTimer, kLogoMs);
  return 0;
}

void CLogoWnd::OnPaint() {
  afx::CPaintDC dc(this);
  m_dib.Draw(dc, nullptr, nullptr, afx::TRUE, nullptr, afx::FALSE);
}

void CLogoWnd::OnTimer(afx::UINT_PTR) { HideLogo(); }

afx::BOOL CLogoWnd::PreTranslateAppMessage(afx::MSG* msg) {
  if (!instance_ || !msg) return afx::FALSE;
  switch (msg->message) {
    case afx::WM_KEYDOWN:
    case afx::WM_SYSKEYDOWN:
    case afx::WM_LBUTTONDOWN:
    case afx::WM_RBUTTONDOWN:
    case afx::WM_MBUTTONDOWN:
    case afx::WM_NCLBUTTONDOWN:
    case afx::WM_NCRBUTTONDOWN:
    case afx::WM_NCMBUTTONDOWN:
      instance_->HideLogo();
      return afx::TRUE;
    default:
      return afx::FALSE;
  }
}

void CLogoWnd::OwnerDestroyed(afx::CWnd* owner) {
  if (instance_ && owner && instance_->owner_ == owner->Id()) instance_->DestroyWindow();
}

void CLogoWnd::HideLogo() {
  afx::CWnd* main = afx::AfxGetMainWnd();
  DestroyWindow();  // deletes this
  // What the splash covered is painted again.
  if (main) main->UpdateWindow();
}
