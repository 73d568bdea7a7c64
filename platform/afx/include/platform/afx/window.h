#pragma once
// Windows of the frame/document/view façade: CWnd on the window core, the
// frame window that routes commands, and the view base.
//
// Messages reach a window the way the core delivers them (SendMessage: the
// subclassing handlers first, then the window's message map, then the
// default). Messages that in the classic loop come from the queue - input,
// posted messages, timer ticks - go through DispatchQueuedMessage, which
// offers them to the application's PreTranslateMessage first; a backend
// feeds a person's keys and clicks to afx windows the same way.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/afx/cmd_target.h"
#include "platform/afx/gdi.h"
#include "platform/afx/resources.h"
#include "platform/ui/application.h"
#include "platform/ui/canvas.h"

namespace afx {

class CControlBar;
class CDocument;
class CDocTemplate;
class CFrameWnd;
class CMenu;
class CView;
class CWnd;

// WM_SIZE's parameters: the kind of change, the client size (width low, height high).
constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;
inline LPARAM MakeLParam(int low, int high) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(high & 0xFFFF) << 16) | static_cast<std::uint32_t>(low & 0xFFFF));
}
inline int LoWord(LPARAM l) { return static_cast<int>(static_cast<std::uint32_t>(l) & 0xFFFF); }
inline int HiWord(LPARAM l) { return static_cast<int>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFF); }

struct MSG {
  plat::Window* hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// What a window is created with; PreCreateWindow may change any of it.
struct CREATESTRUCT {
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, cx = CW_USEDEFAULT, cy = CW_USEDEFAULT;
  std::uint32_t style = 0;
  std::uint32_t dwExStyle = 0;
  std::string lpszName;
  std::string lpszClass;
  CWnd* hwndParent = nullptr;
  UINT id = 0;
  void* lpCreateParams = nullptr;
};

// What the document template hands the frame for its view.
struct CCreateContext {
  const CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
};

// ---------------------------------------------------------------- window procedures
constexpr UINT WF_STAYACTIVE = 0x0020;
// Messages of the non-client area, activation and settings.
constexpr UINT WM_ACTIVATE = 0x0006, WM_ENABLE = 0x000A, WM_SETTEXT = 0x000C, WM_WININICHANGE = 0x001A,
               WM_SETTINGCHANGE = WM_WININICHANGE, WM_SETCURSOR = 0x0020, WM_GETICON = 0x007F, WM_SETICON = 0x0080,
               WM_NCHITTEST = 0x0084, WM_NCPAINT = 0x0085, WM_NCACTIVATE = 0x0086, WM_NCMOUSEMOVE = 0x00A0,
               WM_NCLBUTTONUP = 0x00A2, WM_NCLBUTTONDBLCLK = 0x00A3, WM_SYSCOMMAND = 0x0112, WM_INITMENU = 0x0116,
               WM_QUERYNEWPALETTE = 0x030F, WM_PALETTECHANGED = 0x0311;
constexpr WPARAM ICON_SMALL = 0, ICON_BIG = 1;
// WM_SYSCOMMAND's commands.
constexpr WPARAM SC_SIZE = 0xF000, SC_MOVE = 0xF010, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030, SC_CLOSE = 0xF060,
                 SC_RESTORE = 0xF120;
// WM_NCHITTEST's answers.
constexpr LRESULT HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTSYSMENU = 3, HTMENU = 5, HTMINBUTTON = 8,
                  HTMAXBUTTON = 9, HTLEFT = 10, HTRIGHT = 11, HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14,
                  HTBOTTOM = 15, HTBOTTOMLEFT = 16, HTBOTTOMRIGHT = 17, HTBORDER = 18, HTCLOSE = 20;
constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080;
// The WM_NCPAINT region that stands for the whole window.
constexpr WPARAM NCPAINT_WHOLE_WINDOW = 1;

// A window procedure: every message of a window passes through it.
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
constexpr int GWL_WNDPROC = -4, GWL_STYLE = -16, GWL_EXSTYLE = -20;
constexpr int GCL_HICON = -14, GCL_HICONSM = -34;

// The procedure every framework window starts with: the window's message
// map and its class's own handling.
LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Replaces the window's procedure; answers the one it had.
WNDPROC SetWindowLongA(HWND window, int index, WNDPROC procedure);
// GWL_STYLE and GWL_EXSTYLE: sets the bits, answers the old ones.
LONG SetWindowLongA(HWND window, int index, LONG value);
LONG GetWindowLongA(HWND window, int index);
WNDPROC GetWindowProc(HWND window);
LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// What the system does with a message nobody handled: the frame and the
// caption of the non-client area, activation, text, hit-testing and the
// caption's buttons and system commands.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the handle is a window that exists (never touches a dead one).
BOOL IsWindow(HWND window);
BOOL IsWindowEnabled(HWND window);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
int GetWindowRect(HWND window, RECT* rect);
// Copies at most size - 1 bytes and a zero; answers the bytes copied.
int GetWindowTextA(HWND window, char* buffer, int size);
// The active top-level window (none when the program is not the active one).
HWND GetActiveWindow();
// Makes the window active: the one that was is told WM_NCACTIVATE(FALSE),
// this one WM_NCACTIVATE(TRUE). Answers the one that was.
HWND SetActiveWindow(HWND window);
BOOL SetForegroundWindow(HWND window);
// The caption icon that the class gives its windows (GCL_HICONSM, GCL_HICON).
std::uintptr_t GetClassLongA(HWND window, int index);
// A window class: its name and icons. Windows created with the name take its icons.
struct WNDCLASSA {
  std::string lpszClassName;
  HICON hIcon = nullptr;
  HICON hIconSm = nullptr;
};
BOOL AfxRegisterClass(const WNDCLASSA* windowClass);
BOOL GetClassInfoA(const std::string& name, WNDCLASSA* windowClass);

// The message the thread's window procedure handles now (what Default
// passes on), as the framework keeps it per thread.
struct _AFX_THREAD_STATE {
  struct {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt;
  } m_lastSentMsg;
};
_AFX_THREAD_STATE* AfxGetThreadState();

// Offers a queue message to the application's PreTranslateMessage, then
// delivers it unless that consumed it. Answers whether it was delivered.
bool DispatchQueuedMessage(const MSG& msg);

// The modifier keys held during the key message being dispatched (for
// accelerators): the high bit set while VK_SHIFT, VK_CONTROL or VK_MENU is down.
short GetKeyState(int virtualKey);

// ---------------------------------------------------------------- CWnd
class CWnd : public plat::Window, public CCmdTarget {
 public:
  CWnd();
  ~CWnd() override;
  const char* ClassName() const override { return "CWnd"; }

  // Makes the window: PreCreateWindow, then the geometry, text, style and
  // parent, then WM_CREATE; a WM_CREATE answer of -1 fails the creation (the
  // window is then destroyed again and FALSE returned).
  virtual BOOL CreateEx(CREATESTRUCT cs);
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  // Sends WM_DESTROY, destroys the child windows, sends WM_NCDESTROY and ends
  // with PostNcDestroy (where frames and views delete themselves).
  virtual BOOL DestroyWindow();
  bool IsWindowCreated() const { return created_; }

  // The window class name this window was created with (what senders look for).
  const std::string& GetWindowClass() const { return windowClass_; }
  UINT GetDlgCtrlID() const { return ctrlId_; }
  // WM_SETTEXT once the window is made (its procedure may look at it).
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const { return Text; }
  void GetWindowRect(RECT& rect) const;
  // A new size is told to the window with WM_SIZE (its new client size).
  void MoveWindow(int x, int y, int width, int height);
  void ModifyStyle(std::uint32_t remove, std::uint32_t add) { Style = (Style & ~remove) | add; }
  // SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_MINIMIZE, SW_MAXIMIZE, SW_RESTORE. A
  // top-level window with a caption that shows becomes the active window.
  BOOL ShowWindow(int cmd);
  bool Minimised() const { return showState_ == SW_MINIMIZE; }
  bool Maximised() const { return showState_ == SW_MAXIMIZE; }
  BOOL IsWindowVisible() const { return Showing(); }
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const { return Enabled ? TRUE : FALSE; }
  // The window waits to be painted: the next UpdateWindow sends it WM_PAINT.
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
  // Paints the window now if it waits for it (WM_PAINT), then has the
  // backend show what changed.
  void UpdateWindow();
  bool NeedsPaint() const { return needsPaint_; }
  void GetClientRect(RECT& rect) const;
  // The child window with this control id (dialogs' controls), or null.
  CWnd* GetDlgItem(UINT id) const;
  // This object takes the place of parent's control id: it gets the
  // control's class, id, text, styles, geometry, state and contents and its
  // place among its siblings; the control made from the template goes.
  // PreSubclassWindow runs once this object is the control. FALSE when
  // there is no such control, or this object is a window already.
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  // What a window's own painting draws on (CDC); made on first use, as
  // large as the window.
  plat::TCanvas* Surface();
  // What was drawn on it, for a backend (null when nothing ever was).
  const plat::TCanvas* DrawnSurface() const { return surface_ ? surface_->GetCanvas() : nullptr; }
  // The keyboard focus: the window that gets the keys. Setting it tells
  // the window that had it (WM_KILLFOCUS) and then this one (WM_SETFOCUS);
  // each answers the window that had it (null for none).
  CWnd* SetFocus();
  static CWnd* GetFocus();
  // The mouse capture: every mouse message goes to this window until released.
  CWnd* SetCapture();
  static BOOL ReleaseCapture();
  static CWnd* GetCapture();
  // The window's help operation: asks the application for the topic.
  virtual void WinHelp(std::uintptr_t data, UINT cmd = HELP_CONTEXT);
  void CenterWindow();
  CWnd* GetParentWnd() const;

  // Timer id fires WM_TIMER (through the queue path) every ms milliseconds.
  UINT_PTR SetTimer(UINT_PTR id, UINT ms);
  BOOL KillTimer(UINT_PTR id);

  // Queues the message: it goes through DispatchQueuedMessage when its turn comes.
  void PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  // A window's own look at a queue message before it is delivered
  // (accelerators, a splash window's filter).
  virtual BOOL PreTranslateMessage(MSG* msg);
  // WM_COMMAND: routes the command id through OnCmdMsg.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

  const MessageMap* GetMessageMap() const override;

  // The whole window's surface (non-client area included) that GetWindowDC
  // draws on; none while the window is not made or has no area.
  GdiBitmap* NonClientSurface();
  // What was drawn on it, for a backend (none when nothing ever was).
  const GdiBitmap* NonClientPicture() const { return nonClient_.get(); }
  // Called when a window DC is released: the backend shows it again.
  void NonClientPainted();
  // Whether the program paints the caption itself: the last non-client
  // painting of the system left the caption out. A backend then shows the
  // window without the window manager's decoration.
  bool CaptionPaintedByProgram() const { return ownCaption_; }
  void SetCaptionPaintedByProgram(bool own);
  HICON GetSmallIcon() const { return smallIcon_; }
  // Whether the system takes the window for active (its last WM_NCACTIVATE).
  bool SystemActive() const { return systemActive_; }
  // The framework's window flags (WF_STAYACTIVE: its caption always looks active).
  UINT m_nFlags = 0;

 protected:
  // Passes every message to the window's procedure (AfxWndProc unless the
  // window is subclassed).
  void DefaultHandler(plat::Message& m) final;
  // The window's own handling of a message (what AfxWndProc runs): the
  // message map, the class's own behaviour, then Default.
  virtual void WindowProcedure(plat::Message& m);
  // Called last when the window is destroyed; frames and views delete themselves here.
  virtual void PostNcDestroy() {}
  // The default answer to a message no map entry took.
  LRESULT Default(plat::Message& m);
  // Runs when this object has just become a dialog's control (SubclassDlgItem).
  virtual void PreSubclassWindow() {}
  // Takes the contents that the control made from the template holds (list items...).
  virtual void TakeOver(CWnd&) {}
  // A notification about this window handled by its own class (the map's
  // OnNotifyReflect entry for the code); 0 when the class has none.
  LRESULT ReflectNotify(NMHDR& notification);

 private:
  friend class CFrameWnd;
  void ActivateMainWindowInstead();
  bool created_ = false;
  bool destroying_ = false;
  bool needsPaint_ = false;
  std::unique_ptr<plat::TBitmap> surface_;
  std::shared_ptr<GdiBitmap> nonClient_;
  WNDPROC procedure_ = nullptr;  // none: AfxWndProc
  bool ownCaption_ = false;
  int showState_ = SW_SHOWNORMAL;
  RECT normalRect_;
  HICON smallIcon_ = nullptr;
  friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
  friend WNDPROC SetWindowLongA(HWND, int, WNDPROC);
  friend WNDPROC GetWindowProc(HWND);
  bool systemActive_ = false;       // the state the system last drew the caption in
  bool visibleBitCleared_ = false;  // WS_VISIBLE cleared by SetWindowLongA while shown
  friend LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM);
  friend LONG GetWindowLongA(HWND, int);
  friend LONG SetWindowLongA(HWND, int, LONG);
  bool topLevel_ = false;
  std::string windowClass_;
  UINT ctrlId_ = 0;
  std::map<UINT_PTR, std::unique_ptr<plat::Timer>> timers_;
};

// ---------------------------------------------------------------- CView
class CView : public CWnd {
 public:
  CView() = default;
  ~CView() override;
  const char* ClassName() const override { return "CView"; }

  CDocument* GetDocument() const { return m_pDocument; }
  // The view as a child of parent, with the context's document.
  virtual BOOL Create(const std::string& className, const std::string& windowName, std::uint32_t style,
                      const RECT& rect, CWnd* parent, UINT id, CCreateContext* context);
  virtual void OnInitialUpdate() {}
  // The framework's printing. There is no printing system here: nothing happens.
  void OnFilePrint() {}
  void OnFilePrintPreview() {}
  // The view's own commands, then its document's.
  BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe = false) override;

 protected:
  void PostNcDestroy() override;

 private:
  friend class CDocument;
  CDocument* m_pDocument = nullptr;
};

// ---------------------------------------------------------------- CFrameWnd
class CFrameWnd : public CWnd {
 public:
  CFrameWnd();
  const char* ClassName() const override { return "CFrameWnd"; }

  // Makes the frame with the title from the template's document string
  // (first field) and the view of the context.
  virtual BOOL LoadFrame(UINT resourceId, std::uint32_t style, CWnd* parent, CCreateContext* context);
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

  CView* GetActiveView() const;
  void SetActiveView(CView* view);
  CDocument* GetActiveDocument() const;
  // Sets the caption from the document's title and the frame's title.
  virtual void OnUpdateFrameTitle(BOOL addToTitle);
  const std::string& GetTitle() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }
  // Calls the view's OnInitialUpdate and, when asked, shows the frame.
  void InitialUpdateFrame(CDocument* doc, BOOL makeVisible);

  // The active view, then the frame itself, then the application.
  BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe = false) override;
  // The state of a command as menus and tool bars show it (a command
  // nothing handles is disabled).
  struct CommandState {
    bool enabled = false;
    int checked = 0;
  };
  CommandState UpdateCommandState(UINT id);

  // ---- menu, accelerators, bars (loaded with the frame's resource id)
  // The frame's menu; empty when the resource has none.
  CMenu& GetMenu() const { return *menu_; }
  // The command of a key with its modifiers (FSHIFT, FCONTROL, FALT), or 0.
  UINT TranslateAccelerator(std::uint16_t key, std::uint8_t modifiers) const;
  const std::vector<AccelEntry>& Accelerators() const { return accelerators_; }
  // Docks the visible control bars at their edges (in creation order, the
  // first outermost) and gives the view the rest of the client area.
  virtual void RecalcLayout();
  // The control bar among the frame's children with that id, or null.
  CControlBar* GetControlBar(UINT id) const;
  void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
  // The status bar's message pane (when the frame has a status bar).
  void SetMessageText(const std::string& text);
  std::string GetMessageText() const;
  // The person points at a menu item: its prompt shows; 0 (the menu is
  // closed): the idle message.
  void OnMenuSelect(UINT id);
  // The menu's popup at index opens: its items take their command states.
  void OnInitMenuPopup(int index);
  // The bars show their commands' states (the application's idle time).
  void OnIdleUpdateCmdUI();

  BOOL PreTranslateMessage(MSG* msg) override;
  const MessageMap* GetMessageMap() const override;

 protected:
  int OnCreate(CREATESTRUCT* cs);
  virtual BOOL OnCreateClient(CREATESTRUCT* cs, CCreateContext* context);
  // The person (or the window manager) closes the frame.
  void OnClose();
  LRESULT OnSizeMessage(WPARAM, LPARAM);
  // The framework's bar commands: "&Symbolleiste" and "S&tatusleiste"
  // show or hide the bar whose id is the command; their check marks say
  // whether it shows.
  void OnViewToolBar();
  void OnViewStatusBar();
  void OnUpdateViewToolBar(CCmdUI* ui);
  void OnUpdateViewStatusBar(CCmdUI* ui);
  void PostNcDestroy() override;
  // A top-level frame's borders, caption and menu bar.
  int FrameWidth() const override;
  int FrameHeight() const override;

 private:
  void ToggleBar(UINT id);
  void CheckBar(UINT id, CCmdUI* ui);
  std::string title_;
  std::uint64_t activeView_ = 0;
  std::shared_ptr<CMenu> menu_;
  std::vector<AccelEntry> accelerators_;
};

// ---------------------------------------------------------------- what a person does
// The backend calls these for a person's actions on the façade's windows,
// as tests do; each goes the way the classic loop takes it.
namespace person {
// A menu item, tool button or accelerator: WM_COMMAND to the frame through
// the queue path, unless the command's state, asked now, says disabled (the
// bar may show an older state). Answers whether the command went.
bool ChooseCommand(CFrameWnd* frame, UINT id);
// A key pressed with modifiers (FSHIFT, FCONTROL, FALT) in the window, as a
// queue message (the splash window and the accelerators see it first).
// Answers false when one of them took the key (or the window is gone).
bool PressKey(plat::Window* w, std::uint16_t key, std::uint8_t modifiers = 0);
// The person (the window manager) resized the window to this client size;
// the window is told with WM_SIZE.
void Resize(CWnd* w, int clientWidth, int clientHeight);
// The window manager moved the window (its outer top-left corner).
void Move(CWnd* w, int left, int top);
// The close box, Alt+F4 or the session's end.
void Close(CWnd* w);
}  // namespace person

}  // namespace afx
