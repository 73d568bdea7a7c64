#pragma once
// Menus and control bars of the frame/document/view façade: the frame's
// menu, control bars docked at an edge of their frame (a rebar holding
// bands, a tool bar, a status bar), and how they take their command states.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/afx/resources.h"
#include "platform/afx/window.h"

namespace afx {

using DWORD = std::uint32_t;

struct CSize {
  int cx = 0, cy = 0;
  bool operator==(const CSize&) const = default;
};

// ---------------------------------------------------------------- menus
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT kNoMenuItem = 0xFFFFFFFFu;

// A menu loaded from a resource. A change of an item's state marks its
// owner (the frame that shows it) so that a backend shows the new state.
class CMenu {
 public:
  struct Item {
    std::string text;
    UINT id = 0;
    UINT state = MF_ENABLED;  // MF_GRAYED, MF_CHECKED
    bool separator = false;
    bool popup = false;
    std::vector<Item> items;  // a popup's
  };

  BOOL LoadMenu(UINT resourceId);
  BOOL IsLoaded() const { return loaded_; }
  const std::vector<Item>& Items() const { return items_; }
  // Changes every item of the command; answers the previous state, or
  // kNoMenuItem when no item has that command.
  UINT EnableMenuItem(UINT id, UINT enable);
  UINT CheckMenuItem(UINT id, UINT check);
  UINT GetMenuState(UINT id) const;
  void SetOwner(plat::Component* owner) { owner_ = owner ? owner->Id() : 0; }

 private:
  UINT Change(UINT id, UINT mask, UINT bits);
  std::vector<Item> items_;
  bool loaded_ = false;
  std::uint64_t owner_ = 0;
};

// ---------------------------------------------------------------- control bars
// Bar styles.
constexpr DWORD CBRS_FLOATING = 0x0001, CBRS_SIZE_FIXED = 0x0002, CBRS_SIZE_DYNAMIC = 0x0004,
                CBRS_HIDE_INPLACE = 0x0008, CBRS_TOOLTIPS = 0x0010, CBRS_FLYBY = 0x0020,
                CBRS_BORDER_LEFT = 0x0100, CBRS_BORDER_TOP = 0x0200, CBRS_BORDER_RIGHT = 0x0400,
                CBRS_BORDER_BOTTOM = 0x0800, CBRS_ALIGN_LEFT = 0x1000, CBRS_ALIGN_TOP = 0x2000,
                CBRS_ALIGN_RIGHT = 0x4000, CBRS_ALIGN_BOTTOM = 0x8000, CBRS_ALIGN_ANY = 0xF000,
                CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM, CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
// Layout modes of CalcDynamicLayout.
constexpr DWORD LM_STRETCH = 0x01, LM_HORZ = 0x02;
// The length a bar asks for when it stretches over its frame.
constexpr int kStretchLength = 32767;

// The rebar common control (a bar created with the class "ReBarWindow32").
inline constexpr const char* REBARCLASSNAME = "ReBarWindow32";
constexpr UINT RB_INSERTBAND = WM_USER + 1, RB_GETBANDCOUNT = WM_USER + 12;
constexpr UINT RBN_HEIGHTCHANGE = static_cast<UINT>(-831);
constexpr UINT RBBIM_STYLE = 0x0001, RBBIM_COLORS = 0x0002, RBBIM_CHILD = 0x0010, RBBIM_CHILDSIZE = 0x0020,
               RBBIM_BACKGROUND = 0x0080;
constexpr UINT RBBS_FIXEDBMP = 0x0020;
constexpr DWORD RBS_TOOLTIPS = 0x0100, RBS_VARHEIGHT = 0x0200, RBS_BANDBORDERS = 0x0400;
constexpr DWORD CCS_NORESIZE = 0x0004, CCS_NOPARENTALIGN = 0x0008, CCS_NODIVIDER = 0x0040;
constexpr DWORD TBSTYLE_FLAT = 0x0800;

struct REBARBANDINFO {
  UINT fMask = 0;
  UINT fStyle = 0;
  plat::TColor clrFore = 0;
  plat::TColor clrBack = 0;
  CWnd* hwndChild = nullptr;
  UINT cxMinChild = 0;
  UINT cyMinChild = 0;
};

class CFrameWnd;

class CControlBar : public CWnd {
 public:
  const char* ClassName() const override { return "CControlBar"; }
  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD style) { m_dwStyle = style; }
  // The size the bar takes in its frame's layout: its window's, with the
  // stretching length along the edge it is docked at.
  virtual CSize CalcFixedLayout(BOOL stretch, BOOL horizontal);
  virtual CSize CalcDynamicLayout(int length, DWORD mode);
  // Asked on idle: the bar shows its commands' states.
  virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler);
  // The bar's child bars take their states (a rebar's tool bar).
  void UpdateDialogControls(CFrameWnd* target, BOOL disableIfNoHandler);
  CFrameWnd* GetParentFrame() const;

  // The rebar's bands, in order (a bar of another class has none).
  struct Band {
    REBARBANDINFO info;
    std::uint64_t child = 0;
  };
  const std::vector<Band>& Bands() const { return bands_; }

  const MessageMap* GetMessageMap() const override;

 protected:
  void WindowProcedure(plat::Message& m) override;
  LRESULT OnSizeMessage(WPARAM, LPARAM);
  DWORD m_dwStyle = 0;

 private:
  bool IsReBar() const { return GetWindowClass() == REBARCLASSNAME; }
  LRESULT InsertBand(int index, const REBARBANDINFO* info);
  void LayoutBands();
  std::vector<Band> bands_;
};

// One button of a tool bar (or a separator).
struct ToolButton {
  UINT id = ID_SEPARATOR;
  int image = -1;  // index into the bar's picture; -1 for a separator
  bool enabled = true;
  int checked = 0;
  bool separator() const { return id == ID_SEPARATOR; }
  bool operator==(const ToolButton&) const = default;
};

class CToolBar : public CControlBar {
 public:
  const char* ClassName() const override { return "CToolBar"; }
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
  // The buttons, their picture and its image size from the resource.
  BOOL LoadToolBar(UINT resourceId);
  const std::vector<ToolButton>& Buttons() const { return buttons_; }
  const std::string& Bitmap() const { return bitmap_; }
  CSize ImageSize() const { return image_; }
  // A button's face: the image with its margins; a separator's width.
  CSize ButtonSize() const { return {image_.cx + 7, image_.cy + 6}; }
  static constexpr int kSeparatorWidth = 8;

  CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
  CSize CalcDynamicLayout(int length, DWORD mode) override;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 private:
  CSize Layout(bool horizontal) const;
  std::vector<ToolButton> buttons_;
  std::string bitmap_;
  CSize image_{16, 15};
};

// One pane of a status bar.
struct StatusPane {
  UINT id = ID_SEPARATOR;  // ID_SEPARATOR: the message pane, which stretches
  std::string text;
  bool enabled = true;
  bool operator==(const StatusPane&) const = default;
};

class CStatusBar : public CControlBar {
 public:
  const char* ClassName() const override { return "CStatusBar"; }
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
  // One pane per id, showing the id's string; FALSE when an id other than
  // ID_SEPARATOR has no string (the panes are then as they were).
  BOOL SetIndicators(const UINT* ids, int count);
  int GetCount() const { return static_cast<int>(panes_.size()); }
  const std::vector<StatusPane>& Panes() const { return panes_; }
  BOOL SetPaneText(int index, const std::string& text);
  std::string GetPaneText(int index) const;
  static constexpr int kHeight = 20;

  CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
  // An indicator pane shows its text only while its command is enabled.
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 private:
  std::vector<StatusPane> panes_;
};

}  // namespace afx
