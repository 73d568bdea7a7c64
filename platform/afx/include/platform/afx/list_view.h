#pragma once
// The list view of the frame/document/view façade: a view whose client area
// is the window core's list-view control, with the control's custom draw
// reflected to the view's own class (its NM_CUSTOMDRAW map entry).

#include <cstdint>

#include "platform/afx/window.h"
#include "platform/ui/list_view.h"

namespace afx {

using CListCtrl = plat::ListView;
using plat::CDDS_ITEM;
using plat::CDDS_ITEMPREPAINT;
using plat::CDDS_POSTPAINT;
using plat::CDDS_PREPAINT;
using plat::CDRF_DODEFAULT;
using plat::CDRF_NEWFONT;
using plat::CDRF_NOTIFYITEMDRAW;
using plat::CDRF_SKIPDEFAULT;
using plat::LVCFMT_CENTER;
using plat::LVCFMT_LEFT;
using plat::LVCFMT_RIGHT;
using plat::LVS_EX_GRIDLINES;
using plat::LVS_EX_HEADERDRAGDROP;
using plat::LVS_REPORT;
using plat::LVS_TYPEMASK;

// The list-view window class.
inline constexpr const char* WC_LISTVIEW = "SysListView32";

struct NMCUSTOMDRAW {
  NMHDR hdr;
  std::uint32_t dwDrawStage = 0;
  std::uintptr_t dwItemSpec = 0;  // the row, in the item stages
};

struct NMLVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  plat::TColor clrText = 0;
  plat::TColor clrTextBk = 0;
  int iSubItem = 0;
};

// System colour indexes and their values (from the desktop's palette).
constexpr int COLOR_WINDOW = 5, COLOR_WINDOWTEXT = 8, COLOR_BTNFACE = 15, COLOR_BTNTEXT = 18;
plat::TColor GetSysColor(int index);

class CListView : public CView {
 public:
  CListView();
  const char* ClassName() const override { return "CListView"; }

  // The control that fills the view (it exists from construction on).
  CListCtrl& GetListCtrl() const;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  const MessageMap* GetMessageMap() const override;

 protected:
  // The control takes the view's list styles and its whole client area.
  int OnCreate(CREATESTRUCT* cs);
  LRESULT OnSizeMessage(WPARAM, LPARAM);

 private:
  std::intptr_t CustomDraw(plat::ListCustomDraw& cd);
  std::uint64_t list_ = 0;
};

// The find dialog: built and destroyed by a command that never shows it.
class CFindReplaceDialog : public CCmdTarget {
 public:
  CFindReplaceDialog() = default;
};

}  // namespace afx
