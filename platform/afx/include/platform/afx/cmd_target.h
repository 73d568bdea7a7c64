#pragma once
// The frame/document/view façade: basic types, command targets, message maps
// and dispatch maps.
//
// A message map is a table that a class builds once, from command ids and
// message ids to its member functions, chained to its base class's table:
//
//   const afx::MessageMap* CLorvexApp::GetMessageMap() const {
//     static const afx::MessageMap map{CWinApp::GetMessageMap(), {
//         afx::OnCommand(afx::ID_APP_ABOUT, &CLorvexApp::OnAppAbout),
//         afx::OnUpdateCommand(32772, &CLorvexView::OnUpdateStartOutput),
//         afx::OnMessage(afx::WM_CREATE, &CMainFrame::OnCreate),
//         afx::OnRegisteredMessage("WM_TRACE_STRING", &CLorvexView::OnTraceString),
//         afx::OnNotifyReflect(afx::NM_CUSTOMDRAW, &CLorvexView::OnCustomDraw)}};
//     return &map;
//   }
//
// (CWinApp::GetMessageMap() named with its class is the base's table, not a
// virtual call.) A dispatch map does the same for the automation methods a
// client may call by name: afx::DispFunction("Trace", 1, &CLorvexDoc::Trace, {...}).

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ui/core.h"

namespace afx {

using BOOL = int;
constexpr BOOL TRUE = 1, FALSE = 0;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// ---------------------------------------------------------------- framework command ids
constexpr UINT ID_FILE_NEW = 57600, ID_FILE_OPEN = 57601, ID_FILE_CLOSE = 57602, ID_FILE_SAVE = 57603,
               ID_FILE_SAVE_AS = 57604, ID_FILE_PAGE_SETUP = 57605, ID_FILE_PRINT_SETUP = 57606,
               ID_FILE_PRINT = 57607, ID_FILE_PRINT_DIRECT = 57608, ID_FILE_PRINT_PREVIEW = 57609,
               ID_APP_ABOUT = 57664, ID_APP_EXIT = 57665, ID_HELP = 57670;
constexpr UINT AFX_IDW_TOOLBAR = 59392, AFX_IDW_STATUS_BAR = 59393, AFX_IDW_PANE_FIRST = 59648;

// ---------------------------------------------------------------- window messages
using plat::WM_APP;
using plat::WM_CLOSE;
using plat::WM_NULL;
using plat::WM_USER;
constexpr UINT WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_SIZE = 0x0005, WM_PAINT = 0x000F,
               WM_ERASEBKGND = 0x0014, WM_HELP = 0x0053, WM_NCDESTROY = 0x0082, WM_NCLBUTTONDOWN = 0x00A1,
               WM_NCRBUTTONDOWN = 0x00A4, WM_NCMBUTTONDOWN = 0x00A7, WM_KEYDOWN = 0x0100,
               WM_KEYUP = 0x0101, WM_SYSKEYDOWN = 0x0104, WM_COMMAND = 0x0111, WM_TIMER = 0x0113,
               WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202,
               WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208;
// What is held down during a mouse message (its wParam).
constexpr WPARAM MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08, MK_MBUTTON = 0x10;

// Window styles.
constexpr std::uint32_t WS_OVERLAPPED = 0x00000000, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
                        WS_VISIBLE = 0x10000000, WS_CLIPSIBLINGS = 0x04000000,
                        WS_CLIPCHILDREN = 0x02000000, WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000,
                        WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000,
                        WS_MINIMIZEBOX = 0x00020000, WS_MAXIMIZEBOX = 0x00010000,
                        WS_OVERLAPPEDWINDOW = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                              WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr std::uint32_t FWS_ADDTOTITLE = 0x00008000;
// Where a window that does not choose lands ("let the window manager decide").
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// ShowWindow commands.
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_MAXIMIZE = 3, SW_SHOW = 5, SW_MINIMIZE = 6, SW_RESTORE = 9;

// WinHelp commands.
constexpr UINT HELP_CONTEXT = 0x0001;

class CCmdTarget;
class CCmdUI;

// ---------------------------------------------------------------- objects
struct CRuntimeClass;

class CObject {
 public:
  CObject() = default;
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
  virtual ~CObject() = default;
  // The class's runtime record, for classes that keep one (null otherwise).
  virtual const CRuntimeClass* GetRuntimeClass() const { return nullptr; }
};

// What a template needs to make an object of a class it only names.
struct CRuntimeClass {
  const char* m_lpszClassName = "";
  std::function<CObject*()> m_pfnCreateObject;
  CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

template <class T>
CRuntimeClass RuntimeClass(const char* name) {
  static_assert(std::is_base_of_v<CObject, T>, "a runtime class makes framework objects");
  return CRuntimeClass{name, [] { return static_cast<CObject*>(new T); }};
}

// ---------------------------------------------------------------- message maps
// A notification a control sends about itself (custom draw...), handled by
// the control's own window class: the "reflected" notification.
// A control's notification to its parent (a list's selection change...)
// arrives as WM_COMMAND with the control's id and a notification code: the
// "control" entry.
enum class EntryKind { kCommand, kUpdateCommand, kMessage, kNotifyReflect, kControl };

struct MessageMapEntry {
  EntryKind kind = EntryKind::kCommand;
  UINT id = 0;  // command id, message id (registered ones resolved at build time) or notification code
  std::function<LRESULT(CCmdTarget& target, WPARAM wParam, LPARAM lParam, CCmdUI* ui)> call;
  UINT code = 0;  // a control entry's notification code
};

struct MessageMap {
  const MessageMap* base = nullptr;
  std::vector<MessageMapEntry> entries;
  // The entry of this class or the nearest base that has one.
  const MessageMapEntry* Find(EntryKind kind, UINT id) const;
  // The control entry for this notification code from control id.
  const MessageMapEntry* FindControl(UINT code, UINT id) const;
};

namespace detail {
template <class T>
T& As(CCmdTarget& target);
template <class>
inline constexpr bool kUnsupported = false;
}  // namespace detail

// A command (menu item, tool button, accelerator): void T::fn().
template <class T>
MessageMapEntry OnCommand(UINT id, void (T::*fn)()) {
  return {EntryKind::kCommand, id, [fn](CCmdTarget& t, WPARAM, LPARAM, CCmdUI*) -> LRESULT {
            (detail::As<T>(t).*fn)();
            return 0;
          }};
}

// A notification code from control id: void T::fn(). A button's click
// (BN_CLICKED, code 0) arrives like a command and is bound with OnCommand.
template <class T>
MessageMapEntry OnControl(UINT code, UINT id, void (T::*fn)()) {
  MessageMapEntry e{EntryKind::kControl, id, [fn](CCmdTarget& t, WPARAM, LPARAM, CCmdUI*) -> LRESULT {
                      (detail::As<T>(t).*fn)();
                      return 0;
                    }};
  e.code = code;
  return e;
}

// The state of a command (enabled, checked): void T::fn(CCmdUI*).
template <class T>
MessageMapEntry OnUpdateCommand(UINT id, void (T::*fn)(CCmdUI*)) {
  return {EntryKind::kUpdateCommand, id, [fn](CCmdTarget& t, WPARAM, LPARAM, CCmdUI* ui) -> LRESULT {
            (detail::As<T>(t).*fn)(ui);
            return 0;
          }};
}

// A window message. The handler takes (WPARAM, LPARAM) and returns LRESULT,
// or takes nothing (void or LRESULT), or - for WM_TIMER - the timer id, or -
// for WM_CREATE - the creation parameters (int T::fn(CREATESTRUCT*)).
template <class T, class Fn>
MessageMapEntry OnMessage(UINT msg, Fn T::*fn);

// A message known by its registered name (RegisterWindowMessage): any
// process that registers the same name gets the same number.
template <class T, class Fn>
MessageMapEntry OnRegisteredMessage(const char* name, Fn T::*fn) {
  return OnMessage<T, Fn>(plat::RegisterWindowMessage(name), fn);
}

// The header every notification starts with.
struct NMHDR {
  plat::Window* hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};
constexpr UINT NM_CUSTOMDRAW = static_cast<UINT>(-12);

// A notification the control's own class handles: void T::fn(NMHDR*, LRESULT*).
// The handler gets the notification (whose first member is the NMHDR) and
// writes the answer.
template <class T>
MessageMapEntry OnNotifyReflect(UINT code, void (T::*fn)(NMHDR*, LRESULT*));

// ---------------------------------------------------------------- dispatch maps
// Automation values: VT_BOOL, VT_I4, VT_BSTR (used as 8-bit text).
enum class VarType { kEmpty, kBool, kI4, kBstr };
using Variant = std::variant<std::monostate, bool, std::int32_t, std::string>;

struct DispatchEntry {
  std::string name;
  long dispid = 0;
  VarType result = VarType::kEmpty;
  std::vector<VarType> params;
  std::vector<std::string> paramNames;
  // Called with exactly params.size() values of the listed kinds.
  std::function<Variant(CCmdTarget& target, const std::vector<Variant>& args)> invoke;
};

struct DispatchMap {
  std::vector<DispatchEntry> entries;  // in dispatch-id order
  const DispatchEntry* Find(const std::string& name) const;
};

namespace detail {
template <class A>
constexpr VarType VarTypeOf() {
  using U = std::remove_cvref_t<A>;
  if constexpr (std::is_same_v<U, bool>) return VarType::kBool;
  else if constexpr (std::is_same_v<U, std::int32_t>) return VarType::kI4;
  else if constexpr (std::is_same_v<U, std::string>) return VarType::kBstr;
  else static_assert(kUnsupported<U>, "automation parameters are bool, std::int32_t or std::string");
}

template <class A>
decltype(auto) Arg(const Variant& v) {
  using U = std::remove_cvref_t<A>;
  return std::get<U>(v);
}

template <class T, class R, class... A, std::size_t... I>
R CallDispatch(T& self, R (T::*fn)(A...), const std::vector<Variant>& args, std::index_sequence<I...>) {
  return (self.*fn)(Arg<A>(args[I])...);
}
}  // namespace detail

// A method that returns BOOL (VT_BOOL) and takes automation parameters.
template <class T, class... A>
DispatchEntry DispFunction(const char* name, long dispid, BOOL (T::*fn)(A...),
                           std::initializer_list<const char*> paramNames) {
  DispatchEntry e;
  e.name = name;
  e.dispid = dispid;
  e.result = VarType::kBool;
  e.params = {detail::VarTypeOf<A>()...};
  for (const char* p : paramNames) e.paramNames.emplace_back(p);
  e.paramNames.resize(e.params.size());
  e.invoke = [fn](CCmdTarget& t, const std::vector<Variant>& args) -> Variant {
    return detail::CallDispatch(detail::As<T>(t), fn, args, std::index_sequence_for<A...>{}) != FALSE;
  };
  return e;
}

// ---------------------------------------------------------------- command state
// What an update handler is asked about one command, and what it answers.
class CCmdUI {
 public:
  explicit CCmdUI(UINT id) : m_nID(id) {}
  UINT m_nID;
  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL on = TRUE);
  virtual void SetCheck(int check = 1);  // 0 clear, 1 checked, 2 indeterminate
  // Asks target (and what it routes to) for the state; without an update
  // handler, disableIfNoHandler leaves enabled only a command that some
  // handler would run.
  void DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);

  bool IsEnabled() const { return enabled_; }
  int Checked() const { return checked_; }
  bool EnableChanged() const { return enableChanged_; }

 private:
  bool enabled_ = true;
  bool enableChanged_ = false;
  int checked_ = 0;
};

// ---------------------------------------------------------------- command targets
// How a command arrives at OnCmdMsg.
enum class CmdCode { kCommand, kUpdateCommandUI };

class CCmdTarget : public CObject {
 public:
  CCmdTarget() = default;
  ~CCmdTarget() override;

  virtual const MessageMap* GetMessageMap() const;
  virtual const DispatchMap* GetDispatchMap() const { return nullptr; }

  // Runs the handler of this target for the command (or its state handler).
  // With probe set nothing runs: the answer says whether a handler exists.
  // Targets that route (frame, view) pass on what they do not handle.
  virtual BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe = false);

  // Automation: the object answers its dispatch map to clients.
  void EnableAutomation() { automation_ = true; }
  bool AutomationEnabled() const { return automation_; }
  // Clients holding the object (each creation counts once).
  void ExternalAddRef();
  void ExternalRelease();
  int ExternalRefs() const { return externalRefs_; }

 protected:
  // The last client let go of the object.
  virtual void OnFinalRelease() {}
  // Runs this target's own handler from its map chain only.
  BOOL DispatchOwnCommand(UINT id, CmdCode code, CCmdUI* ui, bool probe);

 private:
  bool automation_ = false;
  int externalRefs_ = 0;
};

namespace detail {
template <class T>
T& As(CCmdTarget& target) {
  static_assert(std::is_base_of_v<CCmdTarget, T>, "message-map handlers belong to command targets");
  return static_cast<T&>(target);
}
}  // namespace detail

// ---------------------------------------------------------------- message-map helpers
struct CREATESTRUCT;

template <class T, class Fn>
MessageMapEntry OnMessage(UINT msg, Fn T::*fn) {
  MessageMapEntry e;
  e.kind = EntryKind::kMessage;
  e.id = msg;
  if constexpr (std::is_same_v<Fn, LRESULT(WPARAM, LPARAM)>) {
    e.call = [fn](CCmdTarget& t, WPARAM w, LPARAM l, CCmdUI*) -> LRESULT { return (detail::As<T>(t).*fn)(w, l); };
  } else if constexpr (std::is_same_v<Fn, void()>) {
    e.call = [fn](CCmdTarget& t, WPARAM, LPARAM, CCmdUI*) -> LRESULT {
      (detail::As<T>(t).*fn)();
      return 0;
    };
  } else if constexpr (std::is_same_v<Fn, LRESULT()>) {
    e.call = [fn](CCmdTarget& t, WPARAM, LPARAM, CCmdUI*) -> LRESULT { return (detail::As<T>(t).*fn)(); };
  } else if constexpr (std::is_same_v<Fn, void(UINT_PTR)>) {
    e.call = [fn](CCmdTarget& t, WPARAM w, LPARAM, CCmdUI*) -> LRESULT {
      (detail::As<T>(t).*fn)(static_cast<UINT_PTR>(w));
      return 0;
    };
  } else if constexpr (std::is_same_v<Fn, int(CREATESTRUCT*)>) {
    e.call = [fn](CCmdTarget& t, WPARAM, LPARAM l, CCmdUI*) -> LRESULT {
      return (detail::As<T>(t).*fn)(reinterpret_cast<CREATESTRUCT*>(l));
    };
  } else {
    static_assert(detail::kUnsupported<Fn>, "unsupported message handler signature");
  }
  return e;
}

template <class T>
MessageMapEntry OnNotifyReflect(UINT code, void (T::*fn)(NMHDR*, LRESULT*)) {
  MessageMapEntry e;
  e.kind = EntryKind::kNotifyReflect;
  e.id = code;
  e.call = [fn](CCmdTarget& t, WPARAM, LPARAM l, CCmdUI*) -> LRESULT {
    LRESULT result = 0;
    (detail::As<T>(t).*fn)(reinterpret_cast<NMHDR*>(l), &result);
    return result;
  };
  return e;
}

}  // namespace afx
