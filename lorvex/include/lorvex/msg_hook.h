#pragma once
// Window hooks: an object that sees every message of an existing window
// first, without the window being of a special class. The first hook of a
// window replaces its window procedure with HookWndProc; later hooks of the
// same window join a chain, newest first; each passes on what it does not
// consume to the next older hook and at last to the window's own procedure.
// A window's hooks all go when the window is destroyed, before its own
// procedure handles WM_NCDESTROY.

#include <cstddef>
#include <vector>

#include "platform/afx/window.h"

class CHookMap;

// The window procedure of every hooked window.
afx::LRESULT HookWndProc(afx::HWND window, afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam);

class CMsgHook : public afx::CObject {
 public:
  static const afx::CRuntimeClass classCMsgHook;
  virtual const afx::CRuntimeClass* GetRuntimeClass() const { return &classCMsgHook; }

  CMsgHook() = default;
  // A hook still attached to a window leaves it.
  ~CMsgHook() override;

  // With a window: attaches to it as its newest hook (a hook attached
  // elsewhere leaves that window first; one already on this window stays
  // where it is). With none: leaves its window. FALSE for a handle that is
  // not a window; 1 otherwise.
  afx::BOOL HookWindow(afx::HWND window);
  bool IsHooked() const { return m_hWnd != nullptr; }
  afx::HWND GetHookedWindow() const { return m_hWnd; }

  // Sees the message first. This base passes it on: to the next older
  // hook, else to the window's own procedure (0 while unhooked).
  virtual afx::LRESULT WindowProc(afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam);

 protected:
  // Passes the message the thread handles now on, as this base does.
  afx::LRESULT Default();

  afx::HWND m_hWnd = nullptr;
  afx::WNDPROC m_pOldWndProc = nullptr;  // the window's own procedure
  CMsgHook* m_pNext = nullptr;           // the next older hook of the window

 private:
  friend class CHookMap;
  friend afx::LRESULT HookWndProc(afx::HWND, afx::UINT, afx::WPARAM, afx::LPARAM);
};

// The process-wide map from a window to its newest hook.
class CHookMap {
 public:
  static CHookMap& GetHookMap();
  CMsgHook* Lookup(afx::HWND window) const;
  void Add(afx::HWND window, CMsgHook* hook);
  // A hook that is not in its window's chain is left alone.
  void Remove(CMsgHook* hook);
  void RemoveAll(afx::HWND window);
  std::size_t GetCount() const;

 private:
  CHookMap() = default;
  struct Entry {
    afx::HWND window;
    CMsgHook* hook;
  };
  std::vector<Entry> map_;
};

// Realizes a palette for a window that has one (no window of the viewer
// hooks one; the class is kept for windows that show pictures with a palette).
class CPalMsgHandler : public CMsgHook {
 public:
  static const afx::CRuntimeClass classCPalMsgHandler;
  const afx::CRuntimeClass* GetRuntimeClass() const override { return &classCPalMsgHandler; }

  void SetPalette(afx::CPalette* palette) { m_pPalette = palette; }
  afx::CPalette* GetPalette() const { return m_pPalette; }
  afx::LRESULT WindowProc(afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) override;

 protected:
  virtual void OnPaletteChanged(afx::HWND changedBy);
  virtual afx::BOOL OnQueryNewPalette();
  virtual void OnSetFocus(afx::HWND losing);
  // The number of colours that changed.
  virtual int DoRealizePalette(afx::BOOL foreground);

 private:
  afx::CPalette* m_pPalette = nullptr;
};
