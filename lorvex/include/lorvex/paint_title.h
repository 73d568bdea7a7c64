#pragma once
// The gradient caption painter that the main frame and the options sheet
// install on themselves.
//
// STAND-IN: the painter itself is not built yet. Until it is, Install and
// SetColors only keep what they were given (the window shows the window
// manager's own caption), so that the windows that use it are complete.

#include <cstdint>

#include "platform/afx/window.h"

class CPaintTitle {
 public:
  // Paints window's caption from now on; -1 colours take the caption's text
  // colours automatically; paintMinimised paints it also when minimised.
  void Install(afx::CWnd* window, std::int32_t activeText, std::int32_t inactiveText, afx::BOOL paintMinimised) {
    window_ = window ? window->Id() : 0;
    activeText_ = activeText;
    inactiveText_ = inactiveText;
    paintMinimised_ = paintMinimised;
  }
  // The gradients: active from activeLeft to activeRight, inactive from
  // inactiveLeft to inactiveRight (-1: the system's caption colour).
  void SetColors(std::int32_t activeLeft, std::int32_t activeRight, std::int32_t inactiveLeft,
                 std::int32_t inactiveRight, afx::BOOL redraw) {
    activeLeft_ = activeLeft;
    activeRight_ = activeRight;
    inactiveLeft_ = inactiveLeft;
    inactiveRight_ = inactiveRight;
    redraw_ = redraw;
  }

  std::uint64_t Window() const { return window_; }
  std::int32_t activeText_ = 0, inactiveText_ = 0, activeLeft_ = 0, activeRight_ = 0, inactiveLeft_ = 0,
               inactiveRight_ = 0;
  afx::BOOL paintMinimised_ = afx::FALSE, redraw_ = afx::FALSE;

 private:
  std::uint64_t window_ = 0;
};
