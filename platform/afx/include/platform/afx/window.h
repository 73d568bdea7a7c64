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

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/afx/cmd_target.h"
#include "platform/application.h"

namespace afx {

class CDocument;
class CDocTemplate;
class CFrameWnd;
class CView;
class CWnd;

struct RECT {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
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
  void MoveWindow(int x, int y, int width, int height);
  BOOL ShowWindow(int cmd);
  BOOL IsWindowVisible() const { return Showing(); }
  void UpdateWindow() { Update(); }
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

 private:
  friend class CFrameWnd;
  bool created_ = false;
  bool destroying_ = false;
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
  CFrameWnd() = default;
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

  const MessageMap* GetMessageMap() const override;

 protected:
  int OnCreate(CREATESTRUCT* cs);
  virtual BOOL OnCreateClient(CREATESTRUCT* cs, CCreateContext* context);
  // The person (or the window manager) closes the frame.
  void OnClose();
  void PostNcDestroy() override;

 private:
  std::string title_;
  std::uint64_t activeView_ = 0;
};

}  // namespace afx
