#pragma once
// The viewer's main frame: the window class senders look for, its geometry
// from the settings and back into them when it goes.

#include "platform/afx/window.h"

// The class trace senders find the viewer by.
inline constexpr const char* kLorvexWindowClass = "Lorvex 230174";

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

 protected:
  int OnCreate(afx::CREATESTRUCT* cs);
};
