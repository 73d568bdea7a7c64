#pragma once
// A static text control as a web link: underlined, coloured by its state
// (unvisited, visited, focused), the pointing hand over it, a tool tip with
// its address, opened by a click or the space bar.

#include <string>

#include "platform/afx/dialog.h"

class CHyperLink : public afx::CStatic {
 public:
  // Link colours (0x00BBGGRR).
  static constexpr afx::COLORREF kUnvisited = 0x00FF0000, kVisited = 0x00800080, kFocused = 0x00808000;
  // Style flags.
  static constexpr afx::DWORD kUnderline = 0x01, kAutoSize = 0x04, kFocusOnClick = 0x10;

  CHyperLink();
  ~CHyperLink() override;
  const char* ClassName() const override { return "CHyperLink"; }

  void SetURL(const std::string& url) { m_strURL = url; }
  const std::string& GetURL() const { return m_strURL; }
  bool HasFocusFlag() const { return m_bHasFocus; }
  bool IsHovering() const { return m_bOverControl; }
  bool IsVisited() const { return m_bVisited; }
  afx::DWORD GetStyleFlags() const { return m_dwStyle; }
  const afx::CToolTipCtrl& GetToolTip() const { return m_ToolTip; }
  // The colour the text is drawn in now.
  afx::COLORREF CurrentColor() const;

  // Opens the address: the desktop's handler first, then the ".htm" open
  // command of the class-root store. Above 32 on success.
  static int GotoURL(const std::string& url, int showCmd);
  // Opens the link's address: visited on success, else a beep and the error box.
  void FollowLink();
  // The box "Can't open link:" with the reason for the code.
  static void ReportError(int code);
  // The reason's text for the code.
  static std::string ErrorText(int code);

  afx::BOOL PreTranslateMessage(afx::MSG* msg) override;
  const afx::MessageMap* GetMessageMap() const override;

  // The pointing hand, shared by every link (none until the first link is made).
  static plat::TCursor SharedCursor() { return g_hLinkCursor; }

 protected:
  void PreSubclassWindow() override;
  afx::HBRUSH CtlColor(afx::CDC* dc, afx::UINT ctlColor);
  afx::BOOL OnSetCursor();
  void OnMouseMove(int x, int y);
  void OnLButtonDown();
  void OnLButtonUp();
  void OnSetFocus();
  void OnKillFocus();
  // Answers whether the key was the link's own.
  bool OnKeyDown(afx::UINT key);
  afx::LRESULT OnNcHitTest() { return afx::HTCLIENT; }

 private:
  void PositionWindow();
  static void SetDefaultCursor();
  // The message-map adaptors of the handlers above.
  afx::LRESULT OnCtlColorMessage(afx::WPARAM dc, afx::LPARAM ctlColor);
  afx::LRESULT OnSetCursorMessage(afx::WPARAM, afx::LPARAM);
  afx::LRESULT OnMouseMoveMessage(afx::WPARAM, afx::LPARAM point);
  afx::LRESULT OnKeyDownMessage(afx::WPARAM key, afx::LPARAM);

  bool m_bHasFocus = false;
  bool m_bOverControl = false;
  bool m_bVisited = false;
  afx::DWORD m_dwStyle;
  std::string m_strURL;
  afx::CFont m_Font;
  afx::CToolTipCtrl m_ToolTip;
  static inline plat::TCursor g_hLinkCursor = plat::crDefault;
};
