#pragma once
// The viewer's main frame: the window class senders look for, the cool bar
// with its flat tool bar, the status bar, and the geometry from the settings
// and back into them when it goes.

#include "platform/afx/bars.h"
#include "platform/afx/window.h"

// The class trace senders find the viewer by.
inline constexpr const char* kLorvexWindowClass = "Lorvex 230174";

// A rebar as a control bar: its bands are made by a subclass.
class CCoolBar : public afx::CControlBar {
 public:
  const char* ClassName() const override { return "CCoolBar"; }
  // The rebar window with the bar style (and CBRS_HIDE_INPLACE for the
  // framework's tool-bar id), an empty rectangle and no title.
  afx::BOOL Create(afx::CWnd* parent, afx::DWORD style, afx::DWORD barStyle, afx::UINT id);
  // Each band's tool bar shows its commands' states.
  void OnUpdateCmdUI(afx::CFrameWnd* target, afx::BOOL disableIfNoHandler) override;
  const afx::MessageMap* GetMessageMap() const override;

 protected:
  int OnCreate(afx::CREATESTRUCT* cs);
  // Makes the bands; 1 on success, 0 on failure.
  virtual afx::BOOL OnCreateBands() = 0;
  // The rebar's height changed: the frame lays out its bars again.
  void OnHeightChange(afx::NMHDR* notification, afx::LRESULT* result);
  virtual void OnHeightChange(const afx::RECT& rect);
};

// A tool bar that lives in a rebar band. The rebar draws the band around
// it, so the bar has no borders of its own to paint.
class CCoolToolBar : public afx::CToolBar {
 public:
  const char* ClassName() const override { return "CCoolToolBar"; }
};

// The viewer's cool bar: one band holding tool bar 128.
class CLorvexCoolBar : public CCoolBar {
 public:
  const char* ClassName() const override { return "CLorvexCoolBar"; }
  CCoolToolBar& ToolBar() { return m_wndToolBar; }

 protected:
  afx::BOOL OnCreateBands() override;

 private:
  CCoolToolBar m_wndToolBar;
};

class CMainFrame : public afx::CFrameWnd {
 public:
  CMainFrame() = default;
  const char* ClassName() const override { return "CMainFrame"; }

  afx::BOOL PreCreateWindow(afx::CREATESTRUCT& cs) override;
  // Stores the window's rectangle (as it is now, normal, minimised or
  // maximised) into SizeX, SizeY, PositionX, PositionY; a backend that
  // cannot know where the window is leaves the position as it was loaded.
  afx::BOOL DestroyWindow() override;
  const afx::MessageMap* GetMessageMap() const override;

  afx::CStatusBar& StatusBar() { return m_wndStatusBar; }
  CLorvexCoolBar& CoolBar() { return m_wndCoolBar; }

 protected:
  int OnCreate(afx::CREATESTRUCT* cs);
  // "Auf neue &Version prüfen": the application's web version check.
  void OnCheckForNewVersion();

 private:
  afx::CStatusBar m_wndStatusBar;
  CLorvexCoolBar m_wndCoolBar;
};
