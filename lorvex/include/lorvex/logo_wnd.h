#pragma once
// The splash window shown while the main frame is being made: it closes
// after 750 ms, or at the first key press or mouse-button press anywhere in
// the application, which it swallows.

#include "lorvex/dib.h"
#include "platform/afx/window.h"

class CLogoWnd : public afx::CWnd {
 public:
  ~CLogoWnd() override;
  const char* ClassName() const override { return "CLogoWnd"; }

  static void EnableLogo(afx::BOOL enable);
  // Shows the one splash window over parent, unless disabled or shown already.
  static void ShowLogo(afx::CWnd* parent);
  // Every queue message: a key or button press closes the splash and is consumed.
  static afx::BOOL PreTranslateAppMessage(afx::MSG* msg);
  // The splash shown now, or null.
  static CLogoWnd* Instance() { return instance_; }
  const CDib& GetDib() const { return m_dib; }
  // The owner goes: so does the splash it owns.
  static void OwnerDestroyed(afx::CWnd* owner);

  void HideLogo();
  const afx::MessageMap* GetMessageMap() const override;

 protected:
  afx::BOOL Create(afx::CWnd* parent);
  int OnCreate(afx::CREATESTRUCT* cs);
  void OnPaint();
  void OnTimer(afx::UINT_PTR id);
  void PostNcDestroy() override { Free(); }

 private:
  static inline afx::BOOL enabled_ = 0;
  static inline CLogoWnd* instance_ = nullptr;
  std::uint64_t owner_ = 0;
  // Bitmap 102: painted from the DIB, the window sized from the bitmap.
  CDib m_dib;
  afx::CBitmap m_bitmap;
};
