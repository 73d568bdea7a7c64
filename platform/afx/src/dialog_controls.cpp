#include "platform/afx/dialog_controls.h"

#include <algorithm>

#include "platform/ascii.h"

namespace afx {

namespace {
// A class's own map entry for the message comes before the control's behaviour.
bool MapHandles(const CWnd& w, UINT msg) { return w.GetMessageMap()->Find(EntryKind::kMessage, msg) != nullptr; }
}  // namespace

void NotifyParent(CWnd& control, UINT code) {
  if (CWnd* parent = control.GetParentWnd()) {
    parent->SendMessage(WM_COMMAND, MakeWParam(control.GetDlgCtrlID(), code), reinterpret_cast<LPARAM>(&control));
  }
}

// ---------------------------------------------------------------- drawing
CDC::CDC(CWnd* window, int originX, int originY) : window_(window), originX_(originX), originY_(originY) {}

void CDC::FillSolidRect(const RECT& rect, COLORREF color) {
  if (!window_) return;
  plat::TCanvas* canvas = window_->Surface();
  const plat::TRect r = plat::Rect(rect.left + originX_, rect.top + originY_, rect.right + originX_,
                                   rect.bottom + originY_);
  // An opaque fill over everything drawn before hides it: the record starts
  // anew, so that painting the same thing at every paint keeps it small.
  bool coversAll = true;
  for (const plat::CanvasOp& op : canvas->Operations()) {
    const int left = std::min(op.rect.Left, op.rect.Right), right = std::max(op.rect.Left, op.rect.Right);
    const int top = std::min(op.rect.Top, op.rect.Bottom), bottom = std::max(op.rect.Top, op.rect.Bottom);
    if (op.kind == plat::CanvasOp::TextOut || left < r.Left || top < r.Top || right > r.Right || bottom > r.Bottom) {
      coversAll = false;
      break;
    }
  }
  if (coversAll) canvas->ClearOperations();
  canvas->Brush->Color = color & 0x00FFFFFFu;
  canvas->Brush->Style = plat::bsSolid;
  canvas->FillRect(r);
}

void CDC::FillRect(const RECT& rect, const CBrush* brush) {
  if (brush && brush->IsMade()) FillSolidRect(rect, brush->GetColor());
}

CPaintDC::CPaintDC(CWnd* window) : CDC(window) {
  // The paint has begun: the window no longer waits for one.
  if (window && window->NeedsPaint()) window->UpdateWindow();
}

// ---------------------------------------------------------------- statics
void CStatic::SetBitmap(const std::string& picture) {
  ModifyStyle(SS_TYPEMASK, SS_BITMAP);
  Text = picture;
}

int CStatic::EdgeWidth() const {
  int edge = 0;
  if (Style & SS_SUNKEN) edge += 1;
  if (ExStyle & WS_EX_STATICEDGE) edge += 1;
  if (ExStyle & WS_EX_CLIENTEDGE) edge += 2;
  if (Style & WS_BORDER) edge += 1;
  if (Kind() == SS_BLACKFRAME) edge += 1;
  return edge;
}


void CStatic::DefaultHandler(plat::Message& m) {
  if (m.msg == WM_LBUTTONUP && (Style & SS_NOTIFY) && !MapHandles(*this, m.msg)) {
    NotifyParent(*this, STN_CLICKED);
    m.result = 0;
    return;
  }
  CWnd::DefaultHandler(m);
}

// ---------------------------------------------------------------- buttons
void CButton::SetCheck(int check) {
  if (!IsCheckBox()) return;
  const int value = std::clamp(check, BST_UNCHECKED, BST_INDETERMINATE);
  if (value == check_) return;
  check_ = value;
  Changed(plat::dfState);
}

void CButton::DefaultHandler(plat::Message& m) {
  if (m.msg == WM_LBUTTONUP && Kind() != BS_GROUPBOX && !MapHandles(*this, m.msg)) {
    const std::uint64_t self = Id();
    if (Kind() == BS_AUTOCHECKBOX) SetCheck(check_ == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    // The parent may end the dialog (and this button with it).
    NotifyParent(*this, BN_CLICKED);
    if (plat::Component::FromId(self)) m.result = 0;
    return;
  }
  CWnd::DefaultHandler(m);
}

// ---------------------------------------------------------------- list boxes
int CListBox::AddString(const std::string& text) {
  int at = GetCount();
  if (Style & LBS_SORT) {
    at = 0;
    while (at < GetCount() && plat::CompareText(items_[static_cast<std::size_t>(at)].text, text) <= 0) ++at;
  }
  return InsertString(at, text);
}

int CListBox::InsertString(int index, const std::string& text) {
  if (index == -1) index = GetCount();
  if (index < 0 || index > GetCount()) return LB_ERR;
  items_.insert(items_.begin() + index, Item{text, BST_UNCHECKED});
  if (sel_ >= index) ++sel_;
  Changed(plat::dfContent);
  return index;
}

int CListBox::DeleteString(int index) {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  items_.erase(items_.begin() + index);
  if (sel_ == index) sel_ = LB_ERR;
  else if (sel_ > index) --sel_;
  top_ = std::clamp(top_, 0, std::max(0, GetCount() - 1));
  Changed(plat::dfContent | plat::dfState);
  return GetCount();
}

void CListBox::ResetContent() {
  items_.clear();
  sel_ = LB_ERR;
  top_ = 0;
  Changed(plat::dfContent | plat::dfState);
}

std::string CListBox::GetText(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return items_[static_cast<std::size_t>(index)].text;
}

int CListBox::SetCurSel(int index) {
  const int value = index >= 0 && index < GetCount() ? index : LB_ERR;
  if (value != sel_) {
    sel_ = value;
    Changed(plat::dfState);
  }
  return value == LB_ERR ? LB_ERR : value;
}

int CListBox::SetTopIndex(int index) {
  if (index < 0 || index >= std::max(1, GetCount())) return LB_ERR;
  top_ = index;
  Changed(plat::dfState);
  return 0;
}

int CListBox::CheckOf(int index) const {
  if (index < 0 || index >= GetCount()) return BST_UNCHECKED;
  return items_[static_cast<std::size_t>(index)].check;
}

void CListBox::TakeOver(CWnd& from) {
  if (auto* list = dynamic_cast<CListBox*>(&from)) {
    items_ = list->items_;
    sel_ = list->sel_;
    top_ = list->top_;
  }
}

int CCheckListBox::GetCheck(int index) const {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  return CheckOf(index);
}

void CCheckListBox::SetCheck(int index, int check) {
  if (index < 0 || index >= GetCount()) return;
  const int value = std::clamp(check, BST_UNCHECKED, BST_INDETERMINATE);
  Item& item = items_[static_cast<std::size_t>(index)];
  if (item.check == value) return;
  item.check = value;
  Changed(plat::dfContent);
}

// ---------------------------------------------------------------- progress bars
void CProgressCtrl::SetRange32(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  pos_ = std::clamp(pos_, std::min(lower_, upper_), std::max(lower_, upper_));
  Changed(plat::dfState);
}

int CProgressCtrl::SetPos(int pos) {
  const int previous = pos_;
  pos_ = std::clamp(pos, std::min(lower_, upper_), std::max(lower_, upper_));
  if (pos_ != previous) Changed(plat::dfState);
  return previous;
}

int CProgressCtrl::SetStep(int step) {
  const int previous = step_;
  step_ = step;
  return previous;
}

int CProgressCtrl::StepIt() {
  const int previous = pos_;
  int next = pos_ + step_;
  if (next > upper_) next = lower_ + (next - upper_);
  if (next < lower_) next = upper_ - (lower_ - next);
  pos_ = std::clamp(next, std::min(lower_, upper_), std::max(lower_, upper_));
  if (pos_ != previous) Changed(plat::dfState);
  return previous;
}

// ---------------------------------------------------------------- tab strips
void CTabCtrl::InsertItem(int index, const std::string& text) {
  index = std::clamp(index, 0, GetItemCount());
  tabs_.insert(tabs_.begin() + index, text);
  Changed(plat::dfContent);
}

std::string CTabCtrl::GetItemText(int index) const {
  if (index < 0 || index >= GetItemCount()) return {};
  return tabs_[static_cast<std::size_t>(index)];
}

int CTabCtrl::SetCurSel(int index) {
  const int previous = sel_;
  if (index < 0 || index >= GetItemCount()) return -1;
  if (index != sel_) {
    sel_ = index;
    Changed(plat::dfState);
  }
  return previous;
}

}  // namespace afx
