#pragma once
// The controls that dialogs hold, on the window core: static texts, frames
// and pictures, buttons (push buttons, check boxes, group frames), edit
// fields, list boxes (also the owner-drawn check list), progress bars and
// the tab strip of a property sheet; and the drawing surfaces (CDC) that a
// window's own painting uses.
//
// A control tells its parent what happened with WM_COMMAND: the low word of
// wParam is the control's id, the high word the notification code, lParam
// the control. A button's click (code 0) arrives like a menu command and is
// bound with OnCommand; every other code with OnControl:
//
//   afx::OnControl(afx::LBN_SELCHANGE, 1001, &CDlgSpalten::OnSelChangeIdList)
//
// Changes made by the program never notify; only a person's do (the
// functions of afx::person in dialog.h, which the Qt backend calls too).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/afx/gdi.h"
#include "platform/afx/window.h"
#include "platform/ui/canvas.h"

namespace afx {

using DWORD = std::uint32_t;
using COLORREF = plat::TColor;

// ---------------------------------------------------------------- window classes
inline constexpr const char* WC_BUTTON = "Button";
inline constexpr const char* WC_EDIT = "Edit";
inline constexpr const char* WC_STATIC = "Static";
inline constexpr const char* WC_LISTBOX = "ListBox";
inline constexpr const char* PROGRESS_CLASS = "msctls_progress32";
inline constexpr const char* WC_TABCONTROL = "SysTabControl32";

// ---------------------------------------------------------------- styles
constexpr DWORD WS_DISABLED = 0x08000000, WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000,
                WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200, WS_EX_STATICEDGE = 0x00020000;

// Buttons: the kind in the low four bits.
constexpr DWORD BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2, BS_AUTOCHECKBOX = 0x3,
                BS_GROUPBOX = 0x7, BS_TYPEMASK = 0xF;
// Statics: the kind in the low five bits.
constexpr DWORD SS_LEFT = 0x0, SS_CENTER = 0x1, SS_RIGHT = 0x2, SS_BLACKFRAME = 0x7, SS_BITMAP = 0xE,
                SS_TYPEMASK = 0x1F, SS_NOTIFY = 0x100, SS_CENTERIMAGE = 0x200, SS_SUNKEN = 0x1000;
constexpr DWORD ES_LEFT = 0x0, ES_AUTOHSCROLL = 0x80;
constexpr DWORD LBS_NOTIFY = 0x1, LBS_SORT = 0x2, LBS_OWNERDRAWFIXED = 0x10, LBS_HASSTRINGS = 0x40,
                LBS_NOINTEGRALHEIGHT = 0x100;
constexpr DWORD PBS_SMOOTH = 0x1;

// ---------------------------------------------------------------- notifications
constexpr UINT BN_CLICKED = 0, STN_CLICKED = 0, LBN_SELCHANGE = 1, LBN_DBLCLK = 2, EN_CHANGE = 0x0300,
               CLBN_CHKCHANGE = 40;
// The tab strip tells its parent that the person chose another tab.
constexpr UINT TCN_SELCHANGE = 1;
constexpr int LB_ERR = -1;
constexpr int BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2;
// The id of a control that nobody addresses (a static text).
constexpr UINT IDC_STATIC = 0xFFFF;

// Messages of the controls' look and of the mouse's way to them.
constexpr UINT WM_CTLCOLOR = 0x0019, WM_SETCURSOR = 0x0020, WM_SETFONT = 0x0030, WM_NCHITTEST = 0x0084;
// A message the parent hands back to the control it is about ("reflected").
constexpr UINT WM_REFLECT_BASE = 0xBC00;
constexpr UINT CTLCOLOR_STATIC = 6;
constexpr LRESULT HTCLIENT = 1, HTCAPTION = 2, HTMENU = 5;
constexpr std::uint16_t VK_SPACE = 0x20;

inline WPARAM MakeWParam(UINT low, UINT high) { return static_cast<WPARAM>((high & 0xFFFF) << 16 | (low & 0xFFFF)); }

// Tells the control's parent about it (WM_COMMAND with id and code).
void NotifyParent(CWnd& control, UINT code);

// ---------------------------------------------------------------- drawing
class CBrush {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color) {
    color_ = color;
    made_ = true;
    return TRUE;
  }
  void DeleteObject() { made_ = false; }
  COLORREF GetColor() const { return color_; }
  bool IsMade() const { return made_; }

 private:
  COLORREF color_ = 0;
  bool made_ = false;
};

constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr int BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4;
constexpr DWORD SRCCOPY = 0x00CC0020;
// A stock object's place; the null brush paints nothing.
struct HBRUSH__;
using HBRUSH = const HBRUSH__*;
HBRUSH GetStockNullBrush();

// A drawing surface of a window. What is drawn stays with the window (its
// surface keeps the operations and their pixels) until drawn over, and the
// backend shows it over the control's own look. Coordinates start at the
// window's outer corner (CWindowDC) or its client area (CPaintDC).
class CDC {
 public:
  explicit CDC(CWnd* window, int originX = 0, int originY = 0);
  virtual ~CDC() = default;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  // Fills with the brush's colour. A fill that covers everything drawn so
  // far starts the surface's record anew (what lies below no longer shows).
  void FillRect(const RECT& rect, const CBrush* brush);
  void FillSolidRect(const RECT& rect, COLORREF color);
  CWnd* GetWindow() const { return window_; }

  // ---- memory surfaces, bitmaps and palettes
  // A surface in memory that holds a selected bitmap (the source of blits).
  BOOL CreateCompatibleDC(CDC* like);
  // Answers the bitmap selected before (null for none).
  CBitmap* SelectObject(CBitmap* bitmap);
  CBitmap* GetSelectedBitmap() const { return bitmap_; }
  // Answers the palette selected before (null for the default one).
  CPalette* SelectPalette(CPalette* palette, BOOL forceBackground);
  CPalette* GetCurrentPalette() const { return palette_; }
  bool PaletteInBackground() const { return paletteBackground_; }
  // Maps the selected palette's colours: their number. A true-colour
  // surface shows every colour as it is.
  UINT RealizePalette();
  int SetStretchBltMode(int mode);
  int GetStretchBltMode() const { return stretchMode_; }
  // Copies from the source's selected bitmap: a block copy, or stretched
  // in the stretch mode. FALSE without a window or a source bitmap.
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth, int srcHeight,
                  DWORD rop);
  // Draws part of a picture (what DrawDibDraw and the blits come to).
  BOOL DrawImage(const RECT& dest, std::shared_ptr<const plat::Dib> image, const RECT& source);

  // ---- text
  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const { return textColor_; }
  int SetBkMode(int mode);
  int GetBkMode() const { return bkMode_; }
  // The size of the text in the window's font.
  struct SIZE {
    int cx = 0, cy = 0;
  };
  SIZE GetTextExtent(const std::string& text) const;

 private:
  CWnd* window_;
  int originX_, originY_;
  CBitmap* bitmap_ = nullptr;
  CPalette* palette_ = nullptr;
  bool paletteBackground_ = false;
  int stretchMode_ = BLACKONWHITE;
  COLORREF textColor_ = 0;
  int bkMode_ = OPAQUE;
};

// The whole window, from its outer corner.
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* window) : CDC(window) {}
};

// A window's own painting in its WM_PAINT handler: begins it (the window
// is no longer waiting to be painted) and ends it when it goes.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
};

// ---------------------------------------------------------------- controls
// A static control: text (left, centred, right), a black frame, or a
// picture (SS_BITMAP: the text names the picture resource), optionally with
// a sunken edge; SS_NOTIFY makes a click notify the parent (STN_CLICKED).
class CStatic : public CWnd {
 public:
  const char* ClassName() const override { return "CStatic"; }
  DWORD Kind() const { return Style & SS_TYPEMASK; }
  // The picture resource shown (SS_BITMAP); empty for none.
  void SetBitmap(const std::string& picture);
  std::string GetBitmap() const { return Kind() == SS_BITMAP ? GetWindowText() : std::string(); }
  // The width of the edges (sunken, static edge, black frame, border) on each side.
  int EdgeWidth() const;
  // The colours its text is drawn in: the control's class may choose them
  // when asked (the reflected WM_CTLCOLOR with a CDC to set them on, whose
  // nonzero answer says it chose); otherwise the dialog's own.
  struct PaintColors {
    bool own = false;
    COLORREF text = 0;
    bool transparent = false;
  };
  PaintColors QueryPaintColors();

 protected:
  int FrameWidth() const override { return 2 * EdgeWidth(); }
  int FrameHeight() const override { return 2 * EdgeWidth(); }
  void DefaultHandler(plat::Message& m) override;
};

class CButton : public CWnd {
 public:
  const char* ClassName() const override { return "CButton"; }
  DWORD Kind() const { return Style & BS_TYPEMASK; }
  bool IsCheckBox() const { return Kind() == BS_CHECKBOX || Kind() == BS_AUTOCHECKBOX; }
  bool IsDefault() const { return Kind() == BS_DEFPUSHBUTTON; }
  // BST_UNCHECKED, BST_CHECKED (check boxes only; a push button stays 0).
  int GetCheck() const { return check_; }
  void SetCheck(int check);

 protected:
  // A click (button down and up on it): an automatic check box changes its
  // mark, then the parent hears BN_CLICKED. A group frame does nothing.
  void DefaultHandler(plat::Message& m) override;

 private:
  int check_ = BST_UNCHECKED;
};

// An edit field of one line; its text is the window text.
class CEdit : public CWnd {
 public:
  const char* ClassName() const override { return "CEdit"; }
};

class CListBox : public CWnd {
 public:
  const char* ClassName() const override { return "CListBox"; }
  // Adds at the end (LBS_SORT: in order, without regard to case); answers the position.
  int AddString(const std::string& text);
  // Inserts at index (-1: at the end); LB_ERR past the end.
  int InsertString(int index, const std::string& text);
  // Answers the items left, or LB_ERR.
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const { return static_cast<int>(items_.size()); }
  std::string GetText(int index) const;
  // The selected position, LB_ERR for none.
  int GetCurSel() const { return sel_; }
  // Selects index (-1 clears); LB_ERR for a position past the end or -1.
  int SetCurSel(int index);
  int GetTopIndex() const { return top_; }
  int SetTopIndex(int index);
  // The items' check marks (used by the check list; 0 here).
  int CheckOf(int index) const;

 protected:
  struct Item {
    std::string text;
    int check = BST_UNCHECKED;
  };
  std::vector<Item> items_;
  int sel_ = LB_ERR;
  int top_ = 0;

  friend class CWnd;
  void TakeOver(CWnd& from) override;
};

// A list box whose items carry a check box each (owner-drawn, fixed height, with strings).
class CCheckListBox : public CListBox {
 public:
  const char* ClassName() const override { return "CCheckListBox"; }
  void SetCheckStyle(UINT style) { checkStyle_ = style; }
  UINT GetCheckStyle() const { return checkStyle_; }
  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; LB_ERR past the end.
  int GetCheck(int index) const;
  void SetCheck(int index, int check);

 private:
  UINT checkStyle_ = BS_AUTOCHECKBOX;
};

class CProgressCtrl : public CWnd {
 public:
  const char* ClassName() const override { return "CProgressCtrl"; }
  void SetRange(short lower, short upper) { SetRange32(lower, upper); }
  void SetRange32(int lower, int upper);
  void GetRange(int& lower, int& upper) const {
    lower = lower_;
    upper = upper_;
  }
  // Each set answers the previous position.
  int SetPos(int pos);
  int GetPos() const { return pos_; }
  int OffsetPos(int delta) { return SetPos(pos_ + delta); }
  int SetStep(int step);
  // Advances by the step; past the upper end it starts again from the lower end.
  int StepIt();

 private:
  int lower_ = 0, upper_ = 100, pos_ = 0, step_ = 10;
};

// The tab strip of a property sheet: one tab per page caption.
class CTabCtrl : public CWnd {
 public:
  const char* ClassName() const override { return "CTabCtrl"; }
  void InsertItem(int index, const std::string& text);
  int GetItemCount() const { return static_cast<int>(tabs_.size()); }
  std::string GetItemText(int index) const;
  int GetCurSel() const { return sel_; }
  int SetCurSel(int index);
  // The height of the tabs above the pages' area.
  static constexpr int kTabHeight = 24;

 private:
  std::vector<std::string> tabs_;
  int sel_ = -1;
};

// A tool tip: the text shown while the mouse rests over a tool (a window,
// or a rectangle of it). On screen the tool's window shows the text as its
// hint; the control is told every message that reaches the tools.
constexpr UINT TTM_RELAYEVENT = 0x0407;

class CToolTipCtrl {
 public:
  BOOL Create(CWnd* parent);
  // Tool id of window `tool` (its client rectangle `rect`) with its text.
  BOOL AddTool(CWnd* tool, const std::string& text, const RECT& rect, UINT id);
  // The tool's text, empty for no such tool.
  std::string GetToolText(CWnd* tool, UINT id) const;
  void RelayEvent(const MSG* msg);
  int RelayedCount() const { return relayed_; }
  bool IsMade() const { return parent_ != 0; }

 private:
  struct Tool {
    std::uint64_t window = 0;
    UINT id = 0;
    RECT rect;
    std::string text;
  };
  std::uint64_t parent_ = 0;
  std::vector<Tool> tools_;
  int relayed_ = 0;
};

}  // namespace afx
