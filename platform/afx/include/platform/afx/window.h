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
constexpr WPARAM SIZE_RESTORED = 0;
inline LPARAM MakeLParam(int low, int high) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(high & 0xFFFF) << 16) | static_cast<std::uint32_t>(low & 0xFFFF));
}
inline int LoWord(LPARAM l) { return static_cast<int>(static_cast<std::uint32_t>(l) & 0xFFFF); }
inline int HiWord(LPARAM l) { return static_cast<int>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFF); }

// Edges are 32-bit and wrap as the window system's own do: a window at the
// far end of the range gives back the width it was given, never an overflow.
struct RECT {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return WrappedDifference(right, left); }
  int Height() const { return WrappedDifference(bottom, top); }
  static int WrappedSum(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
  }
  static int WrappedDifference(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
  }
};

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
  void SetWindowText(const std::string& text) { Text = text; }
  std::string GetWindowText() const { return Text; }
  void GetWindowRect(RECT& rect) const;
  // A new size is told to the window with WM_SIZE (its new client size).
  void MoveWindow(int x, int y, int width, int height);
  void ModifyStyle(std::uint32_t remove, std::uint32_t add) { Style = (Style & ~remove) | add; }
  BOOL ShowWindow(int cmd);
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

 protected:
  void DefaultHandler(plat::Message& m) override;
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
  bool created_ = false;
  bool destroying_ = false;
  bool needsPaint_ = false;
  std::unique_ptr<plat::TBitmap> surface_;
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
