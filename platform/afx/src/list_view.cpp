#include "platform/afx/list_view.h"

namespace afx {

CListView::CListView() {
  // Owned by the view: it goes when the view goes.
  auto* list = new CListCtrl(this);
  list->Visible.Init(false);
  list_ = list->Id();
  list->OnCustomDraw = [self = Id()](plat::ListCustomDraw& cd) -> std::intptr_t {
    auto* view = dynamic_cast<CListView*>(plat::Component::FromId(self));
    return view ? view->CustomDraw(cd) : CDRF_DODEFAULT;
  };
}

CListCtrl& CListView::GetListCtrl() const { return *static_cast<CListCtrl*>(plat::Component::FromId(list_)); }

const MessageMap* CListView::GetMessageMap() const {
  static const MessageMap map{CView::GetMessageMap(),
                              {OnMessage(WM_CREATE, &CListView::OnCreate), OnMessage(WM_SIZE, &CListView::OnSizeMessage)}};
  return &map;
}

BOOL CListView::PreCreateWindow(CREATESTRUCT& cs) {
  if (cs.lpszClass.empty()) cs.lpszClass = WC_LISTVIEW;
  return CView::PreCreateWindow(cs);
}

int CListView::OnCreate(CREATESTRUCT* cs) {
  CListCtrl& list = GetListCtrl();
  // The control's own styles are the low word of the view's.
  list.Style = cs ? (cs->style & 0xFFFFu) : LVS_REPORT;
  list.SetParent(this);
  list.SetBounds(0, 0, ClientWidth, ClientHeight);
  list.Visible = true;
  return 0;
}

LRESULT CListView::OnSizeMessage(WPARAM, LPARAM) {
  GetListCtrl().SetBounds(0, 0, ClientWidth, ClientHeight);
  return 0;
}

std::intptr_t CListView::CustomDraw(plat::ListCustomDraw& cd) {
  NMLVCUSTOMDRAW nm;
  nm.nmcd.hdr = {&GetListCtrl(), AFX_IDW_PANE_FIRST, NM_CUSTOMDRAW};
  nm.nmcd.dwDrawStage = cd.stage;
  nm.nmcd.dwItemSpec = cd.item < 0 ? 0 : static_cast<std::uintptr_t>(cd.item);
  nm.clrText = cd.textColor;
  nm.clrTextBk = cd.textBkColor;
  const LRESULT result = ReflectNotify(nm.nmcd.hdr);
  cd.textColor = nm.clrText;
  cd.textBkColor = nm.clrTextBk;
  return result;
}

}  // namespace afx
