#pragma once
// The gradient caption painter that the main frame and the options sheet
// install on themselves: a hook that paints the caption bar - a horizontal
// gradient in bands, the small icon, the caption buttons and the title in
// bold "Arial" - from one cached bitmap per state (active, inactive),
// rebuilt only when the caption's rectangle, the text or the system's
// settings change.

#include "lorvex/msg_hook.h"

// -1 as a colour: chosen automatically.
inline constexpr afx::COLORREF kAutoColor = static_cast<afx::COLORREF>(-1);

// ((largest channel + smallest channel) * 240 + 255) / 510: 0 to 240.
int GetLightness(afx::COLORREF color);

class CPaintTitle : public CMsgHook {
 public:
  static const afx::CRuntimeClass classCPaintTitle;
  const afx::CRuntimeClass* GetRuntimeClass() const override { return &classCPaintTitle; }

  CPaintTitle();
  // Unhooks a painter still attached and deletes its bitmaps and fonts.
  ~CPaintTitle() override;

  // Paints window's caption from now on (none: unhooks). -1 text colours
  // are automatic; paintIconic 0 leaves a minimised window's caption to the
  // system. A window handle is the window object here, so one overload
  // serves both. Answers HookWindow's answer.
  virtual afx::BOOL Install(afx::HWND window, afx::COLORREF activeText, afx::COLORREF inactiveText,
                            afx::BOOL paintIconic);
  // -1: active left black, active right the system's active caption colour,
  // inactive left black, inactive right the system's inactive caption colour.
  virtual afx::BOOL SetColors(afx::COLORREF activeLeft, afx::COLORREF activeRight, afx::COLORREF inactiveLeft,
                              afx::COLORREF inactiveRight, afx::BOOL gradientInactive);
  virtual afx::UINT DefaultNumBands() const { return 64; }
  virtual afx::UINT SetNumBands(afx::UINT bands);
  virtual afx::UINT GetNumBands() const { return m_nBands; }
  // The caption bitmap of the state, built when it is missing or the
  // caption's rectangle changed; none for a caption without area.
  virtual afx::HBITMAP GetCaptionBitmap(afx::BOOL active);
  virtual void PaintGradient(afx::BOOL active, afx::HDC dc, int width, int height);
  virtual void PaintBackground(afx::BOOL active, afx::HDC dc, int width, int height);
  virtual afx::LRESULT OnNcPaint(afx::WPARAM region, afx::LPARAM lParam);
  virtual afx::LRESULT OnNcActivate(afx::BOOL active);
  virtual afx::LRESULT OnSetText(afx::WPARAM wParam, afx::LPARAM lParam);
  virtual void OnSettingChange(afx::WPARAM flags, afx::LPARAM section);
  virtual void ResetFonts();
  virtual void PaintCaption();
  virtual void PaintCaption(afx::BOOL active);
  virtual void CreateFonts();

  afx::LRESULT WindowProc(afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) override;

  // The caption in window coordinates.
  afx::RECT GetCaptionRect() const;
  // The text colour of the state.
  afx::COLORREF GetTextColor(afx::BOOL active) const;
  afx::BOOL IsActive() const { return m_bActive; }
  const afx::RECT& CachedCaptionRect() const { return m_rcCaption; }
  afx::HFONT GetCaptionFont() const { return m_hCaptionFont; }

 private:
  bool FullCaption() const;
  void DeleteBitmaps();
  void DeleteFonts();

  afx::UINT m_nBands = 64;
  afx::COLORREF m_clrActiveLeft = 0, m_clrActiveRight = 0;
  afx::COLORREF m_clrInactiveLeft = 0, m_clrInactiveRight = 0;
  afx::BOOL m_bGradientInactive = afx::TRUE;
  afx::BOOL m_bPaintIconic = afx::TRUE;
  afx::COLORREF m_clrActiveText = kAutoColor, m_clrInactiveText = kAutoColor;
  afx::HFONT m_hSysFont = nullptr, m_hCaptionFont = nullptr;
  afx::BOOL m_bActive = afx::FALSE;
  afx::RECT m_rcCaption;
  bool m_bZoomed = false;  // the maximised state the bitmaps show
  afx::HBITMAP m_hInactive = nullptr, m_hActive = nullptr;
  // Gone with this object: a message passed on may destroy the window and
  // its owner with it, painter included.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
