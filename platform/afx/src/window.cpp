#include "platform/afx/window.h"

#include "platform/afx/dialog_controls.h"

#include <algorithm>

#include "platform/afx/app.h"
#include "platform/afx/bars.h"
#include "platform/afx/document.h"

namespace afx {

// Which framework windows exist (window_procedure.cpp).
void WindowCreated(CWnd* w);
void WindowDestroyed(CWnd* w);

namespace {
plat::Application* Loop() { return plat::Application::Current(); }

bool IsInputMessage(UINT m) {
  switch (m) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

constexpr std::uint32_t kDisabledStyle = 0x08000000;  // WS_DISABLED

// The modifier keys of the key message being dispatched.
std::uint8_t gKeyModifiers = 0;

// Runs the command unless its state says disabled; answers whether it ran.
bool SendEnabledCommand(CFrameWnd* frame, UINT id, bool queued) {
  if (!frame || id == 0 || !frame->UpdateCommandState(id).enabled) return false;
  if (queued) return DispatchQueuedMessage(MSG{frame, WM_COMMAND, id, 0});
  frame->SendMessage(WM_COMMAND, static_cast<WPARAM>(id) | (WPARAM{1} << 16));
  return true;
}

// The child windows of w that are afx windows, by id (a destroyed one is skipped later).
std::vector<std::uint64_t> ChildWindowIds(const plat::Window& w) {
  std::vector<std::uint64_t> ids;
  for (int i = 0; i < w.GetControlCount(); ++i) {
    if (dynamic_cast<CWnd*>(w.Controls(i))) ids.push_back(w.Controls(i)->Id());
  }
  return ids;
}
}  // namespace

bool DispatchQueuedMessage(const MSG& msg) {
  if (!msg.hwnd) return false;
  const std::uint64_t id = msg.hwnd->Id();
  // A person using a window takes the application over from its clients.
  if (IsInputMessage(msg.message)) AfxOleSetUserCtrl(TRUE);
  MSG copy = msg;
  if (CWinApp* app = AfxGetApp(); app && app->PreTranslateMessage(&copy)) return false;
  auto* w = dynamic_cast<plat::Window*>(plat::Component::FromId(id));
  if (!w) return false;
  w->SendMessage(copy.message, copy.wParam, copy.lParam);
  return true;
}

short GetKeyState(int virtualKey) {
  const std::uint8_t bit = virtualKey == VK_SHIFT ? FSHIFT : virtualKey == VK_CONTROL ? FCONTROL
                           : virtualKey == VK_MENU  ? FALT
                                                    : 0;
  return (gKeyModifiers & bit) != 0 ? static_cast<short>(0x8000) : static_cast<short>(0);
}

// ---------------------------------------------------------------- CWnd
CWnd::CWnd() : plat::Window(nullptr) {
  Visible.Init(false);
  // The window hears of being enabled or disabled (a modal window's owner).
  Enabled.SetHook([this] {
    if (created_ && !destroying_) SendMessage(WM_ENABLE, Enabled ? TRUE : FALSE, 0);
  });
}

CWnd::~CWnd() {
  timers_.clear();
  WindowDestroyed(this);
  if (created_ && !destroying_) {
    destroying_ = true;
    for (std::uint64_t id : ChildWindowIds(*this)) {
      if (auto* child = dynamic_cast<CWnd*>(plat::Component::FromId(id))) child->DestroyWindow();
    }
  }
  if (topLevel_) {
    if (plat::Application* loop = Loop()) loop->RemoveTopLevel(*this);
  }
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

const MessageMap* CWnd::GetMessageMap() const { return CCmdTarget::GetMessageMap(); }

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::CreateEx(CREATESTRUCT cs) {
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  windowClass_ = cs.lpszClass;
  ctrlId_ = cs.id;
  Style = cs.style;
  ExStyle = cs.dwExStyle;
  Text = cs.lpszName;
  SetBounds(cs.x == CW_USEDEFAULT ? 0 : cs.x, cs.y == CW_USEDEFAULT ? 0 : cs.y,
            cs.cx == CW_USEDEFAULT ? 640 : cs.cx, cs.cy == CW_USEDEFAULT ? 480 : cs.cy);
  if (cs.hwndParent && (cs.style & WS_CHILD)) {
    SetParent(cs.hwndParent);
  } else if (plat::Application* loop = Loop()) {
    topLevel_ = true;
    loop->AddTopLevel(*this);
  }
  if (cs.style & kDisabledStyle) Enabled = false;
  created_ = true;
  WindowCreated(this);
  needsPaint_ = true;
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (cs.style & WS_VISIBLE) ShowWindow(SW_SHOW);
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (!created_ || destroying_) return FALSE;
  destroying_ = true;
  timers_.clear();
  SendMessage(WM_DESTROY);
  for (std::uint64_t id : ChildWindowIds(*this)) {
    if (auto* child = dynamic_cast<CWnd*>(plat::Component::FromId(id))) child->DestroyWindow();
  }
  SendMessage(WM_NCDESTROY);
  Visible = false;
  created_ = false;
  WindowDestroyed(this);
  if (topLevel_) {
    topLevel_ = false;
    if (plat::Application* loop = Loop()) loop->RemoveTopLevel(*this);
  }
  if (GetActiveWindow() == this) ActivateMainWindowInstead();
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
  PostNcDestroy();  // may delete this
  return TRUE;
}

void CWnd::GetWindowRect(RECT& rect) const {
  rect.left = Left;
  rect.top = Top;
  rect.right = RECT::WrappedSum(Left, Width);
  rect.bottom = RECT::WrappedSum(Top, Height);
}

void CWnd::MoveWindow(int x, int y, int width, int height) {
  const bool resized = width != Width || height != Height;
  SetBounds(x, y, width, height);
  if (!resized || !created_) return;
  const WPARAM kind = showState_ == SW_MINIMIZE ? SIZE_MINIMIZED : showState_ == SW_MAXIMIZE ? SIZE_MAXIMIZED : SIZE_RESTORED;
  const std::uint64_t self = Id();
  SendMessage(WM_SIZE, kind, MakeLParam(ClientWidth, ClientHeight));
  if (plat::Component::FromId(self) && created_ && Visible) SendMessage(WM_NCPAINT, NCPAINT_WHOLE_WINDOW, 0);
}

BOOL CWnd::ShowWindow(int cmd) {
  const bool was = Visible;
  const std::uint64_t self = Id();
  const bool topLevel = !(Style & WS_CHILD);
  if (cmd == SW_MINIMIZE || cmd == SW_MAXIMIZE || cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) {
    const int want = cmd == SW_RESTORE ? SW_SHOWNORMAL : cmd;
    if (want != showState_) {
      const int before = showState_;
      if (before == SW_SHOWNORMAL) GetWindowRect(normalRect_);
      showState_ = want;
      Changed(plat::dfState);
      if (want == SW_MAXIMIZE && Loop()) {
        MoveWindow(0, 0, Loop()->GetScreen()->Width, Loop()->GetScreen()->Height);
      } else if (want == SW_SHOWNORMAL && before == SW_MAXIMIZE && normalRect_.Width() > 0) {
        MoveWindow(normalRect_.left, normalRect_.top, normalRect_.Width(), normalRect_.Height());
      }
      if (!plat::Component::FromId(self)) return was ? TRUE : FALSE;
    }
  }
  Visible = cmd != SW_HIDE;
  if (!plat::Component::FromId(self) || !created_) return was ? TRUE : FALSE;
  if (Visible && topLevel && (Style & WS_CAPTION) == WS_CAPTION) {
    if (!was) SendMessage(WM_NCPAINT, NCPAINT_WHOLE_WINDOW, 0);
    // A window that shows (and is not minimised) becomes the active one.
    if (plat::Component::FromId(self) && showState_ != SW_MINIMIZE && GetActiveWindow() != this) SetActiveWindow(this);
  } else if (!Visible && GetActiveWindow() == this) {
    ActivateMainWindowInstead();
  }
  return was ? TRUE : FALSE;
}

void CWnd::CenterWindow() {
  plat::Application* loop = Loop();
  if (!loop) return;
  Left = (loop->GetScreen()->Width - Width) / 2;
  Top = (loop->GetScreen()->Height - Height) / 2;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  const bool was = Enabled;
  Enabled = enable != FALSE;
  return was ? FALSE : TRUE;  // nonzero: it was disabled
}

void CWnd::InvalidateRect(const RECT*, BOOL) {
  needsPaint_ = true;
  Invalidate();
}

void CWnd::UpdateWindow() {
  if (needsPaint_ && created_) {
    needsPaint_ = false;
    SendMessage(WM_PAINT);
  }
  Update();
}

void CWnd::GetClientRect(RECT& rect) const {
  rect = RECT{0, 0, std::max(0, ClientWidth.Get()), std::max(0, ClientHeight.Get())};
}

CWnd* CWnd::GetDlgItem(UINT id) const {
  for (int i = 0; i < GetControlCount(); ++i) {
    auto* child = dynamic_cast<CWnd*>(Controls(i));
    if (child && child->created_ && child->ctrlId_ == id) return child;
  }
  return nullptr;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  CWnd* old = parent ? parent->GetDlgItem(id) : nullptr;
  if (!old || old == this || created_) return FALSE;
  // Where the control stands among its siblings (tab order, stacking).
  std::vector<plat::Window*> after;
  bool found = false;
  for (int i = 0; i < parent->GetControlCount(); ++i) {
    plat::Window* w = parent->Controls(i);
    if (found) after.push_back(w);
    if (w == old) found = true;
  }
  windowClass_ = old->windowClass_;
  ctrlId_ = old->ctrlId_;
  Style = old->Style.Get();
  ExStyle = old->ExStyle.Get();
  Text = old->Text.Get();
  SetBounds(old->Left, old->Top, old->Width, old->Height);
  Enabled = old->Enabled.Get();
  Font->Assign(*old->Font);
  TakeOver(*old);
  // Bound to this dialog before (an earlier run): it takes the new place.
  if (GetParent() == parent) SetParent(nullptr);
  SetParent(parent);
  for (plat::Window* w : after) {
    w->SetParent(nullptr);
    w->SetParent(parent);
  }
  created_ = true;
  WindowCreated(this);
  needsPaint_ = true;
  Visible = old->Visible.Get();
  old->DestroyWindow();
  PreSubclassWindow();
  return TRUE;
}

plat::TCanvas* CWnd::Surface() {
  if (!surface_) surface_ = std::make_unique<plat::TBitmap>(this);
  if (surface_->Width != Width || surface_->Height != Height) surface_->SetSize(std::max(0, Width.Get()), std::max(0, Height.Get()));
  return surface_->Canvas;
}

void CWnd::WinHelp(std::uintptr_t data, UINT cmd) {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(data, cmd);
}

void CWnd::ActivateMainWindowInstead() {
  // The main window takes the activation back from a window that goes.
  CWnd* main = AfxGetMainWnd();
  SetActiveWindow(main && main != this && main->IsWindowCreated() && main->Visible ? main : nullptr);
}

CWnd* CWnd::GetParentWnd() const { return dynamic_cast<CWnd*>(GetParent()); }

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT ms) {
  auto timer = std::make_unique<plat::Timer>();
  timer->SetInterval(ms);
  const std::uint64_t self = Id();
  timer->SetHandler([self, id] {
    if (auto* w = dynamic_cast<plat::Window*>(plat::Component::FromId(self))) {
      DispatchQueuedMessage(MSG{w, WM_TIMER, id, 0});
    }
  });
  timer->SetEnabled(true);
  timers_[id] = std::move(timer);
  return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) { return timers_.erase(id) > 0 ? TRUE : FALSE; }

void CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  plat::Application* loop = Loop();
  if (!loop) return;
  const std::uint64_t self = Id();
  loop->Post([self, msg, wParam, lParam] {
    if (auto* w = dynamic_cast<plat::Window*>(plat::Component::FromId(self))) {
      DispatchQueuedMessage(MSG{w, msg, wParam, lParam});
    }
  });
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const auto id = static_cast<UINT>(wParam & 0xFFFF);
  const auto code = static_cast<UINT>((wParam >> 16) & 0xFFFF);
  // A control's notification other than a click goes to the parent's control entry only.
  if (lParam != 0 && code != 0) {
    const MessageMapEntry* e = GetMessageMap()->FindControl(code, id);
    if (!e) return FALSE;
    auto call = [&] { e->call(*this, wParam, lParam, nullptr); };
    if (plat::Application* loop = Loop()) loop->Dispatch(call);
    else call();
    return TRUE;
  }
  return OnCmdMsg(id, CmdCode::kCommand, nullptr);
}

void CWnd::DefaultHandler(plat::Message& m) {
  if (procedure_) {
    m.result = procedure_(this, m.msg, m.wParam, m.lParam);
    return;
  }
  WindowProcedure(m);
}

void CWnd::WindowProcedure(plat::Message& m) {
  if (m.msg == WM_COMMAND) {
    m.result = OnCommand(m.wParam, m.lParam) ? 0 : 1;
    return;
  }
  if (const MessageMapEntry* e = GetMessageMap()->Find(EntryKind::kMessage, m.msg)) {
    LRESULT result = 0;
    auto call = [&] { result = e->call(*this, m.wParam, m.lParam, nullptr); };
    if (plat::Application* loop = Loop()) loop->Dispatch(call);
    else call();
    m.result = result;
    return;
  }
  m.result = Default(m);
}

LRESULT CWnd::ReflectNotify(NMHDR& notification) {
  const MessageMapEntry* e = GetMessageMap()->Find(EntryKind::kNotifyReflect, notification.code);
  if (!e) return 0;
  LRESULT result = 0;
  auto call = [&] { result = e->call(*this, 0, reinterpret_cast<LPARAM>(&notification), nullptr); };
  if (plat::Application* loop = Loop()) loop->Dispatch(call);
  else call();
  return result;
}

LRESULT CWnd::Default(plat::Message& m) {
  if (m.msg == WM_CLOSE) {
    DestroyWindow();
    return 0;
  }
  if (m.msg == WM_SETFONT) {
    // The window takes the font object's face, size and style.
    if (const auto* font = reinterpret_cast<const CFont*>(m.wParam)) font->ApplyTo(*Font);
    if (m.lParam) InvalidateRect(nullptr);
    return 0;
  }
  if (m.msg == WM_HELP) {
    // A child passes the request on; a top-level window asks the main
    // window for the application's help, unless a modifier key is held.
    if (CWnd* parent = GetParentWnd(); parent && (Style & WS_CHILD)) return parent->SendMessage(WM_HELP, m.wParam, m.lParam);
    if (GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
      if (CWnd* main = AfxGetMainWnd()) main->SendMessage(WM_COMMAND, ID_HELP);
    }
    return TRUE;
  }
  return DefWindowProcA(this, m.msg, m.wParam, m.lParam);
}

// ---------------------------------------------------------------- CView
CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::Create(const std::string& className, const std::string& windowName, std::uint32_t style,
                   const RECT& rect, CWnd* parent, UINT id, CCreateContext* context) {
  if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
  CREATESTRUCT cs;
  cs.lpszClass = className;
  cs.lpszName = windowName;
  cs.style = style;
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.Width();
  cs.cy = rect.Height();
  cs.hwndParent = parent;
  cs.id = id;
  cs.lpCreateParams = context;
  return CreateEx(cs);
}

BOOL CView::OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe) {
  if (CWnd::OnCmdMsg(id, code, ui, probe)) return TRUE;
  return m_pDocument ? m_pDocument->OnCmdMsg(id, code, ui, probe) : FALSE;
}

void CView::PostNcDestroy() { Free(); }

// ---------------------------------------------------------------- CFrameWnd
CFrameWnd::CFrameWnd() : menu_(std::make_shared<CMenu>()) { menu_->SetOwner(this); }

const MessageMap* CFrameWnd::GetMessageMap() const {
  static const MessageMap map{CWnd::GetMessageMap(),
                              {OnMessage(WM_CREATE, &CFrameWnd::OnCreate), OnMessage(WM_CLOSE, &CFrameWnd::OnClose),
                               OnMessage(WM_SIZE, &CFrameWnd::OnSizeMessage),
                               afx::OnCommand(AFX_IDW_TOOLBAR, &CFrameWnd::OnViewToolBar),
                               afx::OnCommand(AFX_IDW_STATUS_BAR, &CFrameWnd::OnViewStatusBar),
                               OnUpdateCommand(AFX_IDW_TOOLBAR, &CFrameWnd::OnUpdateViewToolBar),
                               OnUpdateCommand(AFX_IDW_STATUS_BAR, &CFrameWnd::OnUpdateViewStatusBar)}};
  return &map;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (cs.lpszClass.empty()) cs.lpszClass = "AfxFrameOrView";
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, std::uint32_t style, CWnd* parent, CCreateContext* context) {
  // A resource without menu or accelerators leaves the frame without them.
  menu_->LoadMenu(resourceId);
  if (const std::vector<AccelEntry>* table = AfxFindAccelerators(resourceId)) accelerators_ = *table;
  if (context && context->m_pNewDocTemplate) {
    std::string title;
    context->m_pNewDocTemplate->GetDocString(title, CDocTemplate::windowTitle);
    title_ = title;
  }
  CREATESTRUCT cs;
  cs.style = style;
  cs.lpszName = title_;
  cs.hwndParent = parent;
  cs.lpCreateParams = context;
  return CreateEx(cs);
}

int CFrameWnd::OnCreate(CREATESTRUCT* cs) {
  auto* context = cs ? static_cast<CCreateContext*>(cs->lpCreateParams) : nullptr;
  return OnCreateClient(cs, context) ? 0 : -1;
}

BOOL CFrameWnd::OnCreateClient(CREATESTRUCT*, CCreateContext* context) {
  if (!context || !context->m_pNewViewClass) return TRUE;
  CObject* object = context->m_pNewViewClass->CreateObject();
  auto* view = dynamic_cast<CView*>(object);
  if (!view) {
    delete object;
    return FALSE;
  }
  const RECT rect{0, 0, ClientWidth, ClientHeight};
  if (!view->Create("", "", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, this, AFX_IDW_PANE_FIRST, context)) {
    return FALSE;  // the view is gone already
  }
  SetActiveView(view);
  return TRUE;
}

CView* CFrameWnd::GetActiveView() const { return dynamic_cast<CView*>(plat::Component::FromId(activeView_)); }

void CFrameWnd::SetActiveView(CView* view) { activeView_ = view ? view->Id() : 0; }

CDocument* CFrameWnd::GetActiveDocument() const {
  CView* view = GetActiveView();
  return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  CDocument* doc = GetActiveDocument();
  if (addToTitle && doc && !doc->GetTitle().empty()) {
    SetWindowText(doc->GetTitle() + " - " + title_);
  } else {
    SetWindowText(title_);
  }
}

void CFrameWnd::InitialUpdateFrame(CDocument* doc, BOOL makeVisible) {
  if (CView* view = GetActiveView()) view->OnInitialUpdate();
  (void)doc;
  OnUpdateFrameTitle(TRUE);
  RecalcLayout();
  OnMenuSelect(0);
  if (makeVisible) ShowWindow(SW_SHOW);
}

BOOL CFrameWnd::OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe) {
  if (CView* view = GetActiveView(); view && view->OnCmdMsg(id, code, ui, probe)) return TRUE;
  if (CWnd::OnCmdMsg(id, code, ui, probe)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app ? app->OnCmdMsg(id, code, ui, probe) : FALSE;
}

CFrameWnd::CommandState CFrameWnd::UpdateCommandState(UINT id) {
  CCmdUI ui(id);
  ui.DoUpdate(this, TRUE);
  return {ui.IsEnabled(), ui.Checked()};
}

void CFrameWnd::OnClose() {
  CDocument* doc = GetActiveDocument();
  if (doc && !doc->SaveModified()) return;
  CWinApp* app = AfxGetApp();
  const bool mainWindow = app && app->m_pMainWnd == this;
  if (mainWindow && doc && doc->ExternalRefs() > 0) {
    // A client still holds the document: the window goes out of sight and
    // the application stays until the client lets go.
    ShowWindow(SW_HIDE);
    AfxOleSetUserCtrl(FALSE);
    return;
  }
  if (mainWindow && doc) {
    doc->OnCloseDocument();  // destroys this frame too
    return;
  }
  DestroyWindow();
}

void CFrameWnd::PostNcDestroy() { Free(); }

int CFrameWnd::FrameWidth() const { return (Style & WS_CHILD) ? 0 : 2 * GetSystemMetrics(SM_CXFRAME); }

int CFrameWnd::FrameHeight() const {
  if (Style & WS_CHILD) return 0;
  return 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
         (menu_->Items().empty() ? 0 : GetSystemMetrics(SM_CYMENU));
}

UINT CFrameWnd::TranslateAccelerator(std::uint16_t key, std::uint8_t modifiers) const {
  const std::uint8_t mask = FSHIFT | FCONTROL | FALT;
  for (const AccelEntry& a : accelerators_) {
    if (a.key == key && (a.fVirt & mask) == (modifiers & mask)) return a.cmd;
  }
  return 0;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  std::uint8_t modifiers = 0;
  if (GetKeyState(VK_SHIFT) < 0) modifiers |= FSHIFT;
  if (GetKeyState(VK_CONTROL) < 0) modifiers |= FCONTROL;
  if (GetKeyState(VK_MENU) < 0) modifiers |= FALT;
  const UINT id = TranslateAccelerator(static_cast<std::uint16_t>(msg->wParam), modifiers);
  if (id == 0) return FALSE;
  // The key is the accelerator's, whether or not its command is enabled now.
  SendEnabledCommand(this, id, false);
  return TRUE;
}

LRESULT CFrameWnd::OnSizeMessage(WPARAM, LPARAM) {
  RecalcLayout();
  return 0;
}

void CFrameWnd::RecalcLayout() {
  RECT r{0, 0, std::max(0, ClientWidth.Get()), std::max(0, ClientHeight.Get())};
  for (int i = 0; i < GetControlCount(); ++i) {
    auto* bar = dynamic_cast<CControlBar*>(Controls(i));
    if (!bar || !bar->Visible) continue;
    const DWORD align = bar->GetBarStyle() & CBRS_ALIGN_ANY;
    const bool horizontal = align == CBRS_ALIGN_TOP || align == CBRS_ALIGN_BOTTOM;
    if (!horizontal && align != CBRS_ALIGN_LEFT && align != CBRS_ALIGN_RIGHT) continue;
    const CSize size = bar->CalcFixedLayout(TRUE, horizontal ? TRUE : FALSE);
    // A bar keeps the thickness it asks for, even where the client area is
    // thinner (it is cut off there, and what lies below gets nothing): a bar
    // squeezed thinner would take its own height back, tell the frame, and be
    // squeezed again, without end.
    if (horizontal) {
      const int h = std::clamp(size.cy, 0, kStretchLength);
      const int top = align == CBRS_ALIGN_TOP ? r.top : r.bottom - h;
      bar->MoveWindow(r.left, top, r.Width(), h);
      if (align == CBRS_ALIGN_TOP) r.top = std::min(r.top + h, r.bottom);
      else r.bottom = std::max(r.bottom - h, r.top);
    } else {
      const int w = std::clamp(size.cx, 0, kStretchLength);
      const int left = align == CBRS_ALIGN_LEFT ? r.left : r.right - w;
      bar->MoveWindow(left, r.top, w, r.Height());
      if (align == CBRS_ALIGN_LEFT) r.left = std::min(r.left + w, r.right);
      else r.right = std::max(r.right - w, r.left);
    }
  }
  if (CView* view = GetActiveView()) view->MoveWindow(r.left, r.top, r.Width(), r.Height());
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
  for (int i = 0; i < GetControlCount(); ++i) {
    auto* bar = dynamic_cast<CControlBar*>(Controls(i));
    if (bar && bar->GetDlgCtrlID() == id) return bar;
  }
  return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL) {
  if (!bar) return;
  bar->ShowWindow(show ? SW_SHOW : SW_HIDE);
  RecalcLayout();
}

void CFrameWnd::ToggleBar(UINT id) {
  if (CControlBar* bar = GetControlBar(id)) ShowControlBar(bar, bar->Visible ? FALSE : TRUE, FALSE);
}

void CFrameWnd::CheckBar(UINT id, CCmdUI* ui) {
  CControlBar* bar = GetControlBar(id);
  ui->Enable(bar ? TRUE : FALSE);
  ui->SetCheck(bar && bar->Visible ? 1 : 0);
}

void CFrameWnd::OnViewToolBar() { ToggleBar(AFX_IDW_TOOLBAR); }
void CFrameWnd::OnViewStatusBar() { ToggleBar(AFX_IDW_STATUS_BAR); }
void CFrameWnd::OnUpdateViewToolBar(CCmdUI* ui) { CheckBar(AFX_IDW_TOOLBAR, ui); }
void CFrameWnd::OnUpdateViewStatusBar(CCmdUI* ui) { CheckBar(AFX_IDW_STATUS_BAR, ui); }

void CFrameWnd::SetMessageText(const std::string& text) {
  auto* status = dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR));
  if (status && status->GetCount() > 0 && status->Panes()[0].id == ID_SEPARATOR) status->SetPaneText(0, text);
}

std::string CFrameWnd::GetMessageText() const {
  auto* status = dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR));
  return status ? status->GetPaneText(0) : std::string();
}

void CFrameWnd::OnMenuSelect(UINT id) {
  SetMessageText(id == 0 ? AfxFindString(AFX_IDS_IDLEMESSAGE).value_or("") : CommandPrompt(id));
}

void CFrameWnd::OnInitMenuPopup(int index) {
  const auto& items = menu_->Items();
  if (index < 0 || index >= static_cast<int>(items.size()) || !items[static_cast<std::size_t>(index)].popup) return;
  std::vector<UINT> ids;
  for (const CMenu::Item& item : items[static_cast<std::size_t>(index)].items) {
    if (!item.separator && !item.popup) ids.push_back(item.id);
  }
  for (UINT id : ids) {
    const CommandState state = UpdateCommandState(id);
    menu_->EnableMenuItem(id, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
    menu_->CheckMenuItem(id, MF_BYCOMMAND | (state.checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

void CFrameWnd::OnIdleUpdateCmdUI() {
  for (int i = 0; i < GetControlCount(); ++i) {
    if (auto* bar = dynamic_cast<CControlBar*>(Controls(i)); bar && bar->Visible) bar->OnUpdateCmdUI(this, TRUE);
  }
}

// ---------------------------------------------------------------- what a person does
namespace person {

bool ChooseCommand(CFrameWnd* frame, UINT id) {
  if (!frame) return false;
  AfxOleSetUserCtrl(TRUE);
  return SendEnabledCommand(frame, id, true);
}

bool PressKey(plat::Window* w, std::uint16_t key, std::uint8_t modifiers) {
  if (!w) return false;
  const std::uint8_t before = gKeyModifiers;
  gKeyModifiers = modifiers;
  const bool delivered = DispatchQueuedMessage(MSG{w, (modifiers & FALT) ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 0});
  gKeyModifiers = before;
  return delivered;
}

void Resize(CWnd* w, int clientWidth, int clientHeight) {
  if (!w) return;
  const int width = std::max(0, clientWidth) + (w->Width - w->ClientWidth);
  const int height = std::max(0, clientHeight) + (w->Height - w->ClientHeight);
  if (width == w->Width && height == w->Height) return;
  w->MoveWindow(w->Left, w->Top, width, height);
}

void Move(CWnd* w, int left, int top) {
  if (!w) return;
  w->Left = left;
  w->Top = top;
}

void Close(CWnd* w) {
  if (w) w->SendMessage(WM_CLOSE);
}

}  // namespace person

}  // namespace afx
