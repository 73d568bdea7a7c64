#include "platform/afx/dialog.h"

#include <algorithm>
#include <map>

#include "platform/afx/app.h"
#include "platform/ascii.h"

namespace afx {

namespace {
plat::Application* Loop() { return plat::Application::Current(); }

std::map<UINT, DialogTemplate>& Templates() {
  static auto* templates = new std::map<UINT, DialogTemplate>;
  return *templates;
}

int MulDiv(int a, int b, int c) { return static_cast<int>(static_cast<long long>(a) * b / c); }

// Nominal sizes of what the window manager adds around a dialog.
// A dialog's frame and caption as the system metrics have them (a painted
// caption covers exactly that room).
int DialogBorder() { return GetSystemMetrics(SM_CXDLGFRAME); }
int DialogFrameWidth(std::uint32_t style) { return (style & WS_CHILD) ? 0 : 2 * DialogBorder(); }
int DialogFrameHeight(std::uint32_t style) {
  if (style & WS_CHILD) return 0;
  return 2 * DialogBorder() + ((style & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0);
}

// A control made from a template goes with its dialog's window.
template <class C>
class TemplateControl : public C {
 protected:
  void PostNcDestroy() override { this->Free(); }
};

CWnd* MakeControl(const DialogItemTemplate& item) {
  if (plat::SameText(item.windowClass, WC_BUTTON)) return new TemplateControl<CButton>;
  if (plat::SameText(item.windowClass, WC_EDIT)) return new TemplateControl<CEdit>;
  if (plat::SameText(item.windowClass, WC_STATIC)) return new TemplateControl<CStatic>;
  if (plat::SameText(item.windowClass, WC_LISTBOX)) return new TemplateControl<CListBox>;
  if (plat::SameText(item.windowClass, PROGRESS_CLASS)) return new TemplateControl<CProgressCtrl>;
  return new TemplateControl<CWnd>;
}

void CopyFont(plat::TFont& to, const std::string& name, int points) {
  to.Name = name;
  to.Size = points;
}

// Why a person cannot reach the window now (empty when they can).
std::string Unreachable(const CWnd* w) {
  if (!w) return "there is no such control";
  if (!w->IsWindowCreated()) return "the control is not a window";
  if (!w->IsWindowVisible()) return "control " + std::to_string(w->GetDlgCtrlID()) + " is not shown";
  if (!w->EffectivelyEnabled()) return "control " + std::to_string(w->GetDlgCtrlID()) + " is disabled";
  return {};
}

// Runs a person's action like every event: an escaping exception ends in the box.
template <class F>
void AsPerson(F f) {
  AfxOleSetUserCtrl(TRUE);
  if (plat::Application* loop = Loop()) loop->Dispatch(f);
  else f();
}

// The key a dialog or sheet takes for itself: Escape, Enter, F1.
bool DialogKey(CWnd& dialog, const MSG* msg, UINT defaultId) {
  if (!msg || msg->message != WM_KEYDOWN) return false;
  if (msg->wParam == VK_ESCAPE) {
    dialog.SendMessage(WM_COMMAND, IDCANCEL);
    return true;
  }
  if (msg->wParam == VK_RETURN) {
    CWnd* button = defaultId ? dialog.GetDlgItem(defaultId) : nullptr;
    if (button && button->IsWindowVisible() && button->EffectivelyEnabled()) {
      NotifyParent(*button, BN_CLICKED);
    } else if (!button) {
      dialog.SendMessage(WM_COMMAND, IDOK);
    }
    return true;
  }
  if (msg->wParam == VK_F1) {
    auto* target = dynamic_cast<plat::Window*>(msg->hwnd);
    (target ? target : &dialog)->SendMessage(WM_HELP);
    return true;
  }
  return false;
}

// Turns the loop for a modal window until ended (or the window is gone).
void ModalLoop(CWnd& w, const bool& ended) {
  plat::Application* loop = Loop();
  if (!loop) return;
  const std::uint64_t id = w.Id();
  loop->BeginModal(w);
  w.ShowWindow(SW_SHOW);
  w.UpdateWindow();
  loop->RunLoopUntil([&] { return ended || !plat::Component::FromId(id) || !w.IsWindowCreated(); });
  if (plat::Component::FromId(id)) {
    w.ShowWindow(SW_HIDE);
    loop->EndModal(w);
  }
}

// A made modal window, marked modal while its loop turns: the result it was
// ended with (IDCANCEL when it went another way), and the window gone.
int RunModal(CWnd& w, bool& modal, const bool& ended, const int& result) {
  modal = true;
  w.Changed(plat::dfState);
  if (!ended) ModalLoop(w, ended);
  modal = false;
  const int outcome = ended ? result : IDCANCEL;
  if (w.IsWindowCreated()) w.DestroyWindow();
  return outcome;
}

// A visible control of the parent, in the rectangle r of its client area.
CREATESTRUCT ChildControl(CWnd* parent, const std::string& cls, const std::string& text, UINT id, DWORD style,
                          const RECT& r) {
  CREATESTRUCT cs;
  cs.lpszClass = cls;
  cs.lpszName = text;
  cs.style = style | WS_CHILD | WS_VISIBLE;
  cs.x = r.left;
  cs.y = r.top;
  cs.cx = r.Width();
  cs.cy = r.Height();
  cs.hwndParent = parent;
  cs.id = id;
  return cs;
}

void CenterOn(CWnd& w, const CWnd* owner) {
  if (owner && owner->IsWindowVisible()) {
    w.Left = owner->Left + (owner->Width - w.Width) / 2;
    w.Top = owner->Top + (owner->Height - w.Height) / 2;
    // Over a small owner near the screen's edge it stays on the screen, as dialogs do.
    if (plat::Application* loop = Loop()) {
      const int right = loop->GetScreen()->Width - w.Width, bottom = loop->GetScreen()->Height - w.Height;
      w.Left = std::max(0, std::min(w.Left.Get(), right));
      w.Top = std::max(0, std::min(w.Top.Get(), bottom));
    }
  } else {
    w.CenterWindow();
  }
}
}  // namespace

// ---------------------------------------------------------------- templates
void AfxRegisterDialog(UINT id, DialogTemplate dialog) { Templates()[id] = std::move(dialog); }

const DialogTemplate* AfxFindDialog(UINT id) {
  auto it = Templates().find(id);
  return it == Templates().end() ? nullptr : &it->second;
}

DialogItemTemplate Control(std::string text, UINT id, std::string windowClass, DWORD style, int x, int y, int cx,
                           int cy, DWORD exStyle) {
  return DialogItemTemplate{std::move(windowClass), std::move(text), id, style, exStyle, x, y, cx, cy};
}

DialogItemTemplate LText(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control(std::move(text), id, WC_STATIC, SS_LEFT | WS_GROUP | style, x, y, cx, cy);
}

DialogItemTemplate PushButton(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control(std::move(text), id, WC_BUTTON, BS_PUSHBUTTON | style, x, y, cx, cy);
}

DialogItemTemplate DefPushButton(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control(std::move(text), id, WC_BUTTON, BS_DEFPUSHBUTTON | style, x, y, cx, cy);
}

DialogItemTemplate AutoCheckBox(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control(std::move(text), id, WC_BUTTON, BS_AUTOCHECKBOX | style, x, y, cx, cy);
}

DialogItemTemplate GroupBox(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control(std::move(text), id, WC_BUTTON, BS_GROUPBOX | style, x, y, cx, cy);
}

DialogItemTemplate EditText(UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control({}, id, WC_EDIT, ES_LEFT | WS_BORDER | style, x, y, cx, cy);
}

DialogItemTemplate ListBox(UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control({}, id, WC_LISTBOX, WS_BORDER | style, x, y, cx, cy);
}

DialogItemTemplate Picture(std::string picture, UINT id, int x, int y, int cx, int cy, DWORD style) {
  return Control(std::move(picture), id, WC_STATIC, SS_BITMAP | style, x, y, cx, cy);
}

DialogBaseUnits BaseUnitsFor(const std::string&, int pointSize) {
  // The classic face at 8 points is 6 by 13 pixels; other sizes scale with it.
  if (pointSize <= 0 || pointSize == 8) return {};
  return {MulDiv(6, pointSize, 8), MulDiv(13, pointSize, 8)};
}

// ---------------------------------------------------------------- data exchange
CWnd* CDataExchange::PrepareCtrl(UINT id) {
  CWnd* control = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
  if (!control) failed_ = true;
  return control;
}

void DDX_Control(CDataExchange* dx, UINT id, CWnd& control) {
  if (control.IsWindowCreated()) return;
  if (!dx->PrepareCtrl(id)) return;
  control.SubclassDlgItem(id, dx->m_pDlgWnd);
}

void DDX_Check(CDataExchange* dx, UINT id, int& value) {
  auto* button = dynamic_cast<CButton*>(dx->PrepareCtrl(id));
  if (!button) return;
  if (dx->m_bSaveAndValidate) value = button->GetCheck();
  else button->SetCheck(value);
}

void DDX_Text(CDataExchange* dx, UINT id, std::string& value) {
  CWnd* control = dx->PrepareCtrl(id);
  if (!control) return;
  if (dx->m_bSaveAndValidate) value = control->GetWindowText();
  else control->SetWindowText(value);
}

// ---------------------------------------------------------------- CDialog
CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), owner_(parent ? parent->Id() : 0) {}

CDialog::~CDialog() {
  if (IsWindowCreated()) DestroyWindow();
}

const MessageMap* CDialog::GetMessageMap() const {
  static const MessageMap map{CWnd::GetMessageMap(),
                              {afx::OnCommand(IDOK, &CDialog::OnOKCommand),
                               afx::OnCommand(IDCANCEL, &CDialog::OnCancelCommand),
                               OnMessage(WM_CLOSE, &CDialog::OnCloseMessage)}};
  return &map;
}

CWnd* CDialog::GetOwnerWnd() const { return dynamic_cast<CWnd*>(plat::Component::FromId(owner_)); }

int CDialog::FrameWidth() const { return DialogFrameWidth(Style); }
int CDialog::FrameHeight() const { return DialogFrameHeight(Style); }

void CDialog::MapDialogRect(RECT& rect) const {
  rect.left = MulDiv(rect.left, units_.x, 4);
  rect.right = MulDiv(rect.right, units_.x, 4);
  rect.top = MulDiv(rect.top, units_.y, 8);
  rect.bottom = MulDiv(rect.bottom, units_.y, 8);
}

BOOL CDialog::CreateFromTemplate(CWnd* owner) {
  const DialogTemplate* t = AfxFindDialog(templateId_);
  if (!t) return FALSE;
  const DialogTemplate tmpl = *t;  // a handler may register templates anew
  units_ = BaseUnitsFor(tmpl.fontName, tmpl.pointSize);
  ended_ = false;
  result_ = IDCANCEL;
  RECT client{tmpl.x, tmpl.y, tmpl.x + tmpl.cx, tmpl.y + tmpl.cy};
  MapDialogRect(client);
  CREATESTRUCT cs;
  cs.lpszClass = "#32770";
  cs.lpszName = tmpl.caption;
  cs.style = tmpl.style & ~WS_VISIBLE;
  cs.dwExStyle = tmpl.exStyle;
  cs.x = client.left;
  cs.y = client.top;
  cs.cx = client.Width() + DialogFrameWidth(tmpl.style);
  cs.cy = client.Height() + DialogFrameHeight(tmpl.style);
  cs.hwndParent = owner;
  CopyFont(*Font, tmpl.fontName, tmpl.pointSize);
  if (!CreateEx(cs)) return FALSE;
  const std::uint64_t self = Id();
  for (const DialogItemTemplate& item : tmpl.items) {
    RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
    MapDialogRect(r);
    CWnd* control = MakeControl(item);
    CopyFont(*control->Font, tmpl.fontName, tmpl.pointSize);
    CREATESTRUCT ccs = ChildControl(this, item.windowClass, item.text, item.id, item.style, r);
    ccs.dwExStyle = item.exStyle;
    control->CreateEx(ccs);
  }
  if (!(tmpl.style & WS_CHILD)) CenterOn(*this, owner);
  BOOL ok = TRUE;
  auto init = [&] {
    SendMessage(WM_INITDIALOG);
    OnInitDialog();
  };
  if (plat::Application* loop = Loop()) loop->Dispatch(init);
  else init();
  if (!plat::Component::FromId(self)) ok = FALSE;
  if ((tmpl.style & WS_VISIBLE) && ok) ShowWindow(SW_SHOW);
  return ok;
}

INT_PTR CDialog::DoModal() {
  if (IsWindowCreated()) return -1;
  CWnd* owner = GetOwnerWnd();
  if (!owner) owner = AfxGetMainWnd();
  if (!CreateFromTemplate(owner)) return -1;
  return RunModal(*this, modal_, ended_, result_);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  if (IsWindowCreated()) return FALSE;
  templateId_ = templateId;
  owner_ = parent ? parent->Id() : 0;
  return CreateFromTemplate(parent ? parent : AfxGetMainWnd());
}

void CDialog::EndDialog(int result) {
  result_ = result;
  ended_ = true;
  if (!modal_) ShowWindow(SW_HIDE);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return dx.Failed() ? FALSE : TRUE;
}

void CDialog::CheckDlgButton(UINT id, UINT check) {
  if (auto* button = dynamic_cast<CButton*>(GetDlgItem(id))) button->SetCheck(static_cast<int>(check));
}

UINT CDialog::IsDlgButtonChecked(UINT id) const {
  auto* button = dynamic_cast<CButton*>(GetDlgItem(id));
  return button ? static_cast<UINT>(button->GetCheck()) : 0;
}

void CDialog::SetDlgItemText(UINT id, const std::string& text) {
  if (CWnd* control = GetDlgItem(id)) control->SetWindowText(text);
}

std::string CDialog::GetDlgItemText(UINT id) const {
  CWnd* control = GetDlgItem(id);
  return control ? control->GetWindowText() : std::string();
}

UINT CDialog::GetDefID() const {
  for (int i = 0; i < GetControlCount(); ++i) {
    auto* button = dynamic_cast<CButton*>(Controls(i));
    if (button && button->IsWindowCreated() && button->IsDefault()) return button->GetDlgCtrlID();
  }
  return 0;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  // A page leaves its keys to its sheet.
  if (Style & WS_CHILD) return FALSE;
  return DialogKey(*this, msg, GetDefID()) ? TRUE : FALSE;
}

BOOL CDialog::OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe) {
  if (CWnd::OnCmdMsg(id, code, ui, probe)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app ? app->OnCmdMsg(id, code, ui, probe) : FALSE;
}

// ---------------------------------------------------------------- CPropertyPage
CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) : CDialog(templateId, nullptr), captionId_(captionId) {}

std::string CPropertyPage::GetCaption() const {
  if (captionId_ != 0) {
    if (std::optional<std::string> s = AfxFindString(captionId_)) return *s;
  }
  const DialogTemplate* t = AfxFindDialog(templateId_);
  return t ? t->caption : std::string();
}

CPropertySheet* CPropertyPage::GetParentSheet() const { return dynamic_cast<CPropertySheet*>(GetParent()); }

BOOL CPropertyPage::CreatePage(CPropertySheet* sheet, const RECT& area) {
  if (!CreateFromTemplate(sheet)) return FALSE;
  // The page's caption is its tab's; the page itself shows none.
  ModifyStyle(WS_CAPTION, 0);
  MoveWindow(area.left, area.top, area.Width(), area.Height());
  return TRUE;
}

BOOL CPropertyPage::OnSetActive() {
  if (firstActive_) {
    firstActive_ = false;
    return TRUE;
  }
  return UpdateData(FALSE);
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}

void CPropertyPage::SetModified(BOOL changed) {
  CPropertySheet* sheet = GetParentSheet();
  if (CWnd* apply = sheet ? sheet->GetDlgItem(ID_APPLY_NOW) : nullptr) apply->EnableWindow(changed);
}

// ---------------------------------------------------------------- CPropertySheet
namespace {
// The sheet's buttons and tab strip, in pixels.
constexpr int kSheetMargin = 7, kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 6;
}  // namespace

CPropertySheet::CPropertySheet(std::string caption, CWnd* parent, UINT selectPage)
    : caption_(std::move(caption)), owner_(parent ? parent->Id() : 0), startPage_(selectPage) {}

CPropertySheet::~CPropertySheet() {
  if (IsWindowCreated()) DestroyWindow();
}

const MessageMap* CPropertySheet::GetMessageMap() const {
  static const MessageMap map{CWnd::GetMessageMap(),
                              {OnMessage(WM_CREATE, &CPropertySheet::OnCreate),
                               afx::OnCommand(IDOK, &CPropertySheet::OnOkButton),
                               afx::OnCommand(IDCANCEL, &CPropertySheet::OnCancelButton),
                               afx::OnCommand(ID_APPLY_NOW, &CPropertySheet::OnApplyButton),
                               afx::OnCommand(IDHELP, &CPropertySheet::OnHelpButton),
                               OnMessage(WM_CLOSE, &CPropertySheet::OnCloseMessage),
                               OnControl(TCN_SELCHANGE, AFX_IDC_TAB_CONTROL, &CPropertySheet::OnTabChanged)}};
  return &map;
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (page) pages_.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  if (index < 0 || index >= GetPageCount()) return nullptr;
  return pages_[static_cast<std::size_t>(index)];
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(active_); }

CTabCtrl* CPropertySheet::GetTabControl() const { return dynamic_cast<CTabCtrl*>(GetDlgItem(AFX_IDC_TAB_CONTROL)); }

bool CPropertySheet::HasHelpButton() const {
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(ID_HELP, CmdCode::kCommand, nullptr, true);
}

int CPropertySheet::FrameWidth() const { return DialogFrameWidth(Style); }
int CPropertySheet::FrameHeight() const { return DialogFrameHeight(Style); }

RECT CPropertySheet::PageArea() const {
  const int left = kSheetMargin + 2, top = kSheetMargin + CTabCtrl::kTabHeight + 2;
  return RECT{left, top, left + pageWidth_, top + pageHeight_};
}

int CPropertySheet::OnCreate(CREATESTRUCT*) {
  // The largest page decides the size.
  pageWidth_ = pageHeight_ = 0;
  for (CPropertyPage* page : pages_) {
    const DialogTemplate* t = AfxFindDialog(page->GetTemplateId());
    if (!t) return -1;
    const DialogBaseUnits units = BaseUnitsFor(t->fontName, t->pointSize);
    pageWidth_ = std::max(pageWidth_, MulDiv(t->cx, units.x, 4));
    pageHeight_ = std::max(pageHeight_, MulDiv(t->cy, units.y, 8));
    if (page == pages_.front()) CopyFont(*Font, t->fontName, t->pointSize);
  }
  const int tabWidth = pageWidth_ + 4, tabHeight = pageHeight_ + CTabCtrl::kTabHeight + 4;
  const int clientWidth = 2 * kSheetMargin + tabWidth;
  const int buttonsTop = kSheetMargin + tabHeight + kSheetMargin;
  const int clientHeight = buttonsTop + kButtonHeight + kSheetMargin;
  Width = clientWidth + FrameWidth();
  Height = clientHeight + FrameHeight();

  auto make = [this](CWnd* w, const char* cls, const std::string& text, UINT id, DWORD style, int x, int y, int cx,
                     int cy) {
    w->Font->Assign(*Font);
    w->CreateEx(ChildControl(this, cls, text, id, style, RECT{x, y, x + cx, y + cy}));
  };
  auto* tab = new TemplateControl<CTabCtrl>;
  make(tab, WC_TABCONTROL, "", AFX_IDC_TAB_CONTROL, WS_TABSTOP, kSheetMargin, kSheetMargin, tabWidth, tabHeight);
  for (int i = 0; i < GetPageCount(); ++i) tab->InsertItem(i, GetPage(i)->GetCaption());

  // OK, Abbrechen, Übernehmen and Hilfe from the right, as the platform places them.
  struct ButtonSpec {
    const char* text;
    UINT id;
    DWORD style;
  };
  std::vector<ButtonSpec> buttons = {{"OK", static_cast<UINT>(IDOK), BS_DEFPUSHBUTTON | WS_TABSTOP},
                                     {"Abbrechen", static_cast<UINT>(IDCANCEL), WS_TABSTOP},
                                     {"\xc3\x9c" "&bernehmen", ID_APPLY_NOW, WS_TABSTOP | WS_DISABLED}};
  if (HasHelpButton()) buttons.push_back({"Hilfe", static_cast<UINT>(IDHELP), WS_TABSTOP});
  int x = clientWidth - kSheetMargin - static_cast<int>(buttons.size()) * (kButtonWidth + kButtonGap) + kButtonGap;
  for (const ButtonSpec& b : buttons) {
    make(new TemplateControl<CButton>, WC_BUTTON, b.text, b.id, b.style, x, buttonsTop, kButtonWidth, kButtonHeight);
    x += kButtonWidth + kButtonGap;
  }
  return 0;
}

BOOL CPropertySheet::SetActivePage(int index) {
  CPropertyPage* next = GetPage(index);
  if (!next) return FALSE;
  if (index == active_) return TRUE;
  CPropertyPage* current = GetActivePage();
  if (current && current->IsWindowCreated()) {
    if (!current->OnKillActive()) return FALSE;
    current->ShowWindow(SW_HIDE);
  }
  if (!next->IsWindowCreated() && !next->CreatePage(this, PageArea())) return FALSE;
  active_ = index;
  if (CTabCtrl* tab = GetTabControl()) tab->SetCurSel(index);
  next->OnSetActive();
  next->ShowWindow(SW_SHOW);
  next->InvalidateRect(nullptr);
  next->UpdateWindow();
  return TRUE;
}

INT_PTR CPropertySheet::DoModal() {
  if (IsWindowCreated() || pages_.empty()) return -1;
  for (CPropertyPage* page : pages_) {
    if (!AfxFindDialog(page->GetTemplateId())) return -1;
  }
  CWnd* owner = dynamic_cast<CWnd*>(plat::Component::FromId(owner_));
  if (!owner) owner = AfxGetMainWnd();
  ended_ = false;
  result_ = IDCANCEL;
  active_ = -1;
  CREATESTRUCT cs;
  cs.lpszClass = "#32770";
  cs.lpszName = caption_;
  cs.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
  cs.hwndParent = owner;
  cs.x = cs.y = 0;
  cs.cx = cs.cy = 100;  // OnCreate gives the size the pages need
  if (!CreateEx(cs)) return -1;
  CenterOn(*this, owner);
  const UINT start = startPage_ < static_cast<UINT>(GetPageCount()) ? startPage_ : 0;
  if (!SetActivePage(static_cast<int>(start))) {
    DestroyWindow();
    return -1;
  }
  return RunModal(*this, modal_, ended_, result_);
}

void CPropertySheet::EndDialog(int result) {
  result_ = result;
  ended_ = true;
}

void CPropertySheet::OnOkButton() {
  if (CPropertyPage* page = GetActivePage(); page && !page->OnKillActive()) return;
  for (CPropertyPage* page : pages_) {
    if (page->IsWindowCreated()) page->OnOK();
  }
  EndDialog(IDOK);
}

void CPropertySheet::OnCancelButton() {
  for (CPropertyPage* page : pages_) {
    if (page->IsWindowCreated()) page->OnCancel();
  }
  EndDialog(IDCANCEL);
}

void CPropertySheet::OnApplyButton() {
  if (CPropertyPage* page = GetActivePage(); page && !page->OnKillActive()) return;
  for (CPropertyPage* page : pages_) {
    if (page->IsWindowCreated()) page->OnApply();
  }
  if (CWnd* apply = GetDlgItem(ID_APPLY_NOW)) apply->EnableWindow(FALSE);
}

void CPropertySheet::OnHelpButton() {
  if (CPropertyPage* page = GetActivePage()) page->SendMessage(WM_COMMAND, ID_HELP);
}

void CPropertySheet::OnTabChanged() {
  CTabCtrl* tab = GetTabControl();
  if (!tab) return;
  const int wanted = tab->GetCurSel();
  // A page that refuses to be left keeps its tab.
  if (!SetActivePage(wanted)) tab->SetCurSel(active_);
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) { return DialogKey(*this, msg, IDOK) ? TRUE : FALSE; }

// ---------------------------------------------------------------- common dialogs
INT_PTR CColorDialog::DoModal() {
  plat::Application* loop = Loop();
  if (!loop) return IDCANCEL;
  plat::ColorDialogRequest request;
  request.dialog = plat::Component::FromId(parent_);
  request.dialogName = "CColorDialog";
  // A colour reference is its three bytes; above them stands no colour code.
  request.color = color_ & 0x00FFFFFFu;
  const std::optional<plat::TColor> chosen = loop->RunColorDialog(request);
  if (!chosen) return IDCANCEL;
  color_ = *chosen & 0x00FFFFFFu;
  return IDOK;
}

CFileDialog::CFileDialog(BOOL openFileDialog, std::string defaultExt, std::string fileName, DWORD flags,
                         std::string filter, CWnd* parent)
    : open_(openFileDialog),
      defaultExt_(std::move(defaultExt)),
      fileName_(std::move(fileName)),
      filter_(std::move(filter)),
      initial_(fileName_),
      flags_(flags),
      parent_(parent ? parent->Id() : 0) {
  // The classic filter ends with "||"; the request wants pairs only.
  while (!filter_.empty() && filter_.back() == '|') filter_.pop_back();
}

INT_PTR CFileDialog::DoModal() {
  plat::Application* loop = Loop();
  if (!loop) return IDCANCEL;
  plat::FileDialogRequest request;
  request.kind = open_ ? plat::FileDialogKind::Open : plat::FileDialogKind::Save;
  request.dialog = plat::Component::FromId(parent_);
  request.dialogName = "CFileDialog";
  request.filter = filter_;
  request.defaultExt = defaultExt_;
  request.fileName = initial_;
  if (flags_ & OFN_OVERWRITEPROMPT) request.options.Include(plat::ofOverwritePrompt);
  if (flags_ & OFN_HIDEREADONLY) request.options.Include(plat::ofHideReadOnly);
  if (flags_ & OFN_PATHMUSTEXIST) request.options.Include(plat::ofPathMustExist);
  if (flags_ & OFN_FILEMUSTEXIST) request.options.Include(plat::ofFileMustExist);
  const std::optional<std::string> chosen = loop->RunFileDialog(request);
  if (!chosen) return IDCANCEL;
  path_ = *chosen;
  return IDOK;
}

std::string CFileDialog::GetFileName() const {
  const std::size_t slash = path_.find_last_of('/');
  return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

// ---------------------------------------------------------------- what a person does
namespace person {

std::string Click(CWnd* control) {
  if (std::string why = Unreachable(control); !why.empty()) return why;
  const int x = control->ClientWidth / 2, y = control->ClientHeight / 2;
  const std::uint64_t id = control->Id();
  Mouse(control, WM_LBUTTONDOWN, x, y);
  // The press may have ended the dialog and the control with it.
  if (auto* w = dynamic_cast<CWnd*>(plat::Component::FromId(id))) Mouse(w, WM_LBUTTONUP, x, y);
  return {};
}

std::string Mouse(CWnd* control, UINT message, int x, int y) {
  if (std::string why = Unreachable(control); !why.empty()) return why;
  const WPARAM buttons = message == WM_LBUTTONDOWN ? 1 : 0;  // MK_LBUTTON while pressed
  // Before a move the window says which cursor shows over it.
  if (message == WM_MOUSEMOVE) control->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(control), HTCLIENT);
  DispatchQueuedMessage(MSG{control, message, buttons, MakeLParam(x, y)});
  return {};
}

std::string Type(CEdit* edit, const std::string& text) {
  if (std::string why = Unreachable(edit); !why.empty()) return why;
  AsPerson([&] {
    if (edit->GetWindowText() == text) return;
    edit->SetWindowText(text);
    NotifyParent(*edit, EN_CHANGE);
  });
  return {};
}

std::string Select(CListBox* list, int index) {
  if (std::string why = Unreachable(list); !why.empty()) return why;
  if (index < 0 || index >= list->GetCount()) return "list " + std::to_string(list->GetDlgCtrlID()) + " has no item " + std::to_string(index);
  AsPerson([&] {
    if (list->GetCurSel() == index) return;
    list->SetCurSel(index);
    if (list->Style & LBS_NOTIFY) NotifyParent(*list, LBN_SELCHANGE);
  });
  return {};
}

std::string ToggleCheck(CCheckListBox* list, int index) {
  if (std::string why = Select(list, index); !why.empty()) return why;
  AsPerson([&] {
    const int before = list->GetCheck(index);
    int after = before == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    if (list->GetCheckStyle() == BS_CHECKBOX) after = before;  // a manual box changes only by the program
    list->SetCheck(index, after);
    NotifyParent(*list, CLBN_CHKCHANGE);
  });
  return {};
}

std::string ChooseTab(CPropertySheet* sheet, int index) {
  CTabCtrl* tab = sheet ? sheet->GetTabControl() : nullptr;
  if (std::string why = Unreachable(tab); !why.empty()) return why;
  if (index < 0 || index >= tab->GetItemCount()) return "the sheet has no tab " + std::to_string(index);
  AsPerson([&] {
    if (tab->GetCurSel() == index) return;
    tab->SetCurSel(index);
    NotifyParent(*tab, TCN_SELCHANGE);
  });
  return {};
}

}  // namespace person

}  // namespace afx
