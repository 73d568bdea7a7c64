#pragma once
// Dialogs of the frame/document/view façade, built on the window core.
//
// Templates are data: a program registers each of its dialog templates once
// under its id, with the dialog's caption, styles and font, and its controls
// (window class, text, id, styles, geometry), all geometry in dialog units as
// resource scripts give it:
//
//   afx::AfxRegisterDialog(137, {afx::WS_POPUP | afx::WS_CAPTION | afx::WS_SYSMENU, 0, 0, 0, 186, 180,
//       "Ausgabe von...", "MS Sans Serif", 8, {
//       afx::DefPushButton("OK", afx::IDOK, 129, 7, 50, 14),
//       afx::LText("Traces mit ...", afx::IDC_STATIC, 7, 7, 110, 20),
//       afx::Control("", 1001, afx::WC_LISTBOX, afx::LBS_OWNERDRAWFIXED | ..., 7, 30, 110, 143)}});
//
// A dialog class names its template and binds its members to the controls
// in DoDataExchange (DDX_Check, DDX_Text, DDX_Control), which UpdateData runs
// both ways: UpdateData(FALSE) writes the members into the controls (at
// initialisation), UpdateData(TRUE) reads them back (OK, page changes).
//
//   CDlgAnzeige dlg(nullptr);             // CDialog(137, parent)
//   if (dlg.DoModal() == IDOK) ...        // OK and Cancel end it
//
// A modal dialog (DoModal) disables the other top-level windows and turns
// the application's loop (timers, posted work, synchronised calls go on)
// until EndDialog; it is then destroyed and DoModal answers the result. A
// modeless one (Create) stays until DestroyWindow; EndDialog only hides it.
//
// A property sheet (CPropertySheet) holds pages (CPropertyPage, each a
// dialog from a child-style template) behind a tab strip, with the buttons
// OK, Cancel ("Abbrechen"), Apply ("&Übernehmen", disabled until a page
// calls SetModified) and, when the application handles ID_HELP, Help
// ("Hilfe"). A page's window is made when the page is first shown; OK ends
// the sheet after the shown page's OnKillActive and every made page's OnOK.
//
// Keys (a person's, as queue messages): Escape presses Cancel, Enter the
// default button (OK), F1 asks for help (WM_HELP): a child passes it to its
// parent; a top-level window sends ID_HELP to the main window when no
// Shift, Ctrl or Alt is held.
//
// The colour dialog and the file dialog are the window core's common
// dialogs (scripted in tests, Qt's on screen).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/afx/dialog_controls.h"

namespace afx {

using INT_PTR = std::intptr_t;
using plat::IDCANCEL;
using plat::IDOK;
constexpr int IDHELP = 9;
// The sheet's own controls.
constexpr UINT ID_APPLY_NOW = 0x3021, AFX_IDC_TAB_CONTROL = 0x3020;

constexpr UINT WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_INITDIALOG = 0x0110;
constexpr std::uint16_t VK_RETURN = 0x0D, VK_ESCAPE = 0x1B;

// Dialog styles.
constexpr DWORD DS_3DLOOK = 0x0004, DS_SETFONT = 0x0040, DS_MODALFRAME = 0x0080, DS_CONTROL = 0x0400;

// ---------------------------------------------------------------- templates
struct DialogItemTemplate {
  std::string windowClass;  // WC_BUTTON, WC_EDIT, WC_STATIC, WC_LISTBOX, PROGRESS_CLASS
  std::string text;         // the caption; for a picture (SS_BITMAP) the picture resource's name
  UINT id = IDC_STATIC;
  DWORD style = 0;          // every item is a visible child besides (WS_DISABLED: made disabled)
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct DialogTemplate {
  DWORD style = 0;  // WS_POPUP | WS_CAPTION | WS_SYSMENU for a dialog, WS_CHILD for a page
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units; cx and cy the client area
  std::string caption;               // a page's tab text
  std::string fontName = "MS Sans Serif";
  int pointSize = 8;
  std::vector<DialogItemTemplate> items;
};

void AfxRegisterDialog(UINT id, DialogTemplate dialog);
const DialogTemplate* AfxFindDialog(UINT id);

// The statements of a resource script, as template items.
DialogItemTemplate LText(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style = 0);
DialogItemTemplate PushButton(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style = WS_TABSTOP);
DialogItemTemplate DefPushButton(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style = WS_TABSTOP);
DialogItemTemplate AutoCheckBox(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style = WS_TABSTOP);
DialogItemTemplate GroupBox(std::string text, UINT id, int x, int y, int cx, int cy, DWORD style = 0);
DialogItemTemplate EditText(UINT id, int x, int y, int cx, int cy, DWORD style = ES_AUTOHSCROLL | WS_TABSTOP);
DialogItemTemplate ListBox(UINT id, int x, int y, int cx, int cy, DWORD style = LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP);
// A picture control showing the picture resource `picture`.
DialogItemTemplate Picture(std::string picture, UINT id, int x, int y, int cx, int cy, DWORD style = 0);
DialogItemTemplate Control(std::string text, UINT id, std::string windowClass, DWORD style, int x, int y, int cx,
                           int cy, DWORD exStyle = 0);

// Dialog units to pixels for a template's font: a horizontal unit is a
// quarter of the font's average character width, a vertical one an eighth
// of its height ("MS Sans Serif" 8: 6 by 13 pixels).
struct DialogBaseUnits {
  int x = 6;
  int y = 13;
};
DialogBaseUnits BaseUnitsFor(const std::string& fontName, int pointSize);

// ---------------------------------------------------------------- data exchange
class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;  // TRUE: controls into members; FALSE: members into controls
  // The control, or null (the exchange then fails).
  CWnd* PrepareCtrl(UINT id);
  bool Failed() const { return failed_; }

 private:
  bool failed_ = false;
};

// Binds the member control to the dialog's control id (once: SubclassDlgItem).
void DDX_Control(CDataExchange* dx, UINT id, CWnd& control);
// A check box's state: 0, 1 or 2.
void DDX_Check(CDataExchange* dx, UINT id, int& value);
// A control's text (an edit field's contents).
void DDX_Text(CDataExchange* dx, UINT id, std::string& value);

// ---------------------------------------------------------------- dialogs
class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;
  const char* ClassName() const override { return "CDialog"; }

  // Runs the dialog modally: IDOK, IDCANCEL (or what EndDialog was given);
  // -1 when the template is missing or the window could not be made.
  virtual INT_PTR DoModal();
  // Makes the dialog modeless (shown when its template says WS_VISIBLE, or
  // with ShowWindow). FALSE when the template is missing.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  void EndDialog(int result);
  bool IsModal() const { return modal_; }
  UINT GetTemplateId() const { return templateId_; }
  CWnd* GetOwnerWnd() const;

  // After the controls are made: the data goes into them. Answer TRUE to
  // let the framework choose the focus.
  virtual BOOL OnInitDialog();
  // OK: the controls' data is read back (the dialog stays when that fails), then EndDialog(IDOK).
  virtual void OnOK();
  virtual void OnCancel();
  // Runs DoDataExchange; FALSE when a bound control is missing.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange*) {}

  void CheckDlgButton(UINT id, UINT check);
  UINT IsDlgButtonChecked(UINT id) const;
  void SetDlgItemText(UINT id, const std::string& text);
  std::string GetDlgItemText(UINT id) const;
  // Dialog units to pixels, with this dialog's font.
  void MapDialogRect(RECT& rect) const;
  // The id of the default push button (0: none).
  UINT GetDefID() const;

  BOOL PreTranslateMessage(MSG* msg) override;
  const MessageMap* GetMessageMap() const override;

 protected:
  // Makes the window and its controls from the template: a top-level
  // window owned by `owner`, or (WS_CHILD templates) a child of it.
  BOOL CreateFromTemplate(CWnd* owner);
  int FrameWidth() const override;
  int FrameHeight() const override;
  void OnOKCommand() { OnOK(); }
  void OnCancelCommand() { OnCancel(); }
  void OnCloseMessage() { OnCancel(); }
  // A dialog's commands not its own go to the application.
  BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui, bool probe = false) override;

  UINT templateId_;
  std::uint64_t owner_ = 0;
  bool modal_ = false;
  bool ended_ = false;
  int result_ = IDCANCEL;
  DialogBaseUnits units_;
};

// ---------------------------------------------------------------- property sheets
class CPropertySheet;

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);
  const char* ClassName() const override { return "CPropertyPage"; }
  // The tab's text: the caption string when given, else the template's caption.
  std::string GetCaption() const;
  CPropertySheet* GetParentSheet() const;
  // The page is about to show: its members go into the controls again
  // (the first time OnInitDialog did it). FALSE keeps the previous page.
  virtual BOOL OnSetActive();
  // The page is left (another page, OK): its controls are read. FALSE keeps it shown.
  virtual BOOL OnKillActive();
  // The sheet ends with OK (each page that was made) or Cancel: nothing by default.
  void OnOK() override {}
  void OnCancel() override {}
  // Apply: the page's OnOK; answers TRUE.
  virtual BOOL OnApply();
  // The page reports a change: the sheet enables Apply.
  void SetModified(BOOL changed = TRUE);
  bool WasMade() const { return IsWindowCreated(); }

 private:
  friend class CPropertySheet;
  BOOL CreatePage(CPropertySheet* sheet, const RECT& area);
  UINT captionId_;
  bool firstActive_ = true;
};

class CPropertySheet : public CWnd {
 public:
  explicit CPropertySheet(std::string caption, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;
  const char* ClassName() const override { return "CPropertySheet"; }

  // The pages are the caller's; they are shown in the order added.
  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  CPropertyPage* GetPage(int index) const;
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const { return active_; }
  // Leaves the shown page (its OnKillActive may refuse) and shows page index.
  BOOL SetActivePage(int index);
  CTabCtrl* GetTabControl() const;
  const std::string& GetCaption() const { return caption_; }

  // IDOK or IDCANCEL; -1 without pages or when a page's template is missing.
  virtual INT_PTR DoModal();
  void EndDialog(int result);
  bool IsModal() const { return modal_; }
  // Whether the sheet shows a Help button (the application handles ID_HELP).
  bool HasHelpButton() const;

  BOOL PreTranslateMessage(MSG* msg) override;
  const MessageMap* GetMessageMap() const override;

 protected:
  // The framework's creation: the tab strip, one tab per page, and the
  // buttons. Derived sheets call it first in their own WM_CREATE handler.
  int OnCreate(CREATESTRUCT* cs);
  void OnOkButton();
  void OnCancelButton();
  void OnApplyButton();
  // The Help button: the shown page gets ID_HELP, as if it sent the command itself.
  void OnHelpButton();
  void OnCloseMessage() { OnCancelButton(); }
  void OnTabChanged();
  int FrameWidth() const override;
  int FrameHeight() const override;

 private:
  friend class CPropertyPage;
  RECT PageArea() const;
  std::string caption_;
  std::uint64_t owner_ = 0;
  UINT startPage_;
  std::vector<CPropertyPage*> pages_;
  int active_ = -1;
  bool modal_ = false;
  bool ended_ = false;
  int result_ = IDCANCEL;
  int pageWidth_ = 0, pageHeight_ = 0;
};

// ---------------------------------------------------------------- common dialogs
constexpr DWORD CC_RGBINIT = 0x1, CC_FULLOPEN = 0x2;

class CColorDialog {
 public:
  explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr)
      : color_(initial), flags_(flags), parent_(parent ? parent->Id() : 0) {}
  // IDOK (GetColor is the chosen colour) or IDCANCEL (it stays the initial one).
  INT_PTR DoModal();
  COLORREF GetColor() const { return color_; }

 private:
  COLORREF color_;
  DWORD flags_;
  std::uint64_t parent_;
};

constexpr DWORD OFN_READONLY = 0x1, OFN_OVERWRITEPROMPT = 0x2, OFN_HIDEREADONLY = 0x4, OFN_PATHMUSTEXIST = 0x800,
                OFN_FILEMUSTEXIST = 0x1000;

class CFileDialog {
 public:
  // filter: "description|pattern|...", optionally ended by "||". A pattern
  // "*.*" matches every file, also one without an extension.
  CFileDialog(BOOL openFileDialog, std::string defaultExt = {}, std::string fileName = {},
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, std::string filter = {}, CWnd* parent = nullptr);
  INT_PTR DoModal();
  // The chosen file's full path (after IDOK).
  std::string GetPathName() const { return path_; }
  std::string GetFileName() const;
  // Where the dialog starts (a path this system can use; the default is the given file name).
  void SetInitialPath(std::string path) { initial_ = std::move(path); }

 private:
  BOOL open_;
  std::string defaultExt_, fileName_, filter_, initial_, path_;
  DWORD flags_;
  std::uint64_t parent_;
};

// ---------------------------------------------------------------- what a person does
// Each answers why a person could not do it (empty when done): the control
// is not shown, is disabled, or lies under another modal window. They go
// the way the classic loop takes input, so that a test and the Qt backend
// drive the dialogs alike.
namespace person {
// A push button, check box or notifying static: button down and up on it.
std::string Click(CWnd* control);
// The mouse on a control at (x, y) of its client area: WM_MOUSEMOVE,
// WM_LBUTTONDOWN or WM_LBUTTONUP as a queue message (its class decides).
std::string Mouse(CWnd* control, UINT message, int x, int y);
// The person replaces the field's text by typing (EN_CHANGE follows).
std::string Type(CEdit* edit, const std::string& text);
// Selects a list position (LBN_SELCHANGE follows, with LBS_NOTIFY).
std::string Select(CListBox* list, int index);
// Clicks an item's check box (CLBN_CHKCHANGE follows; the item is selected too).
std::string ToggleCheck(CCheckListBox* list, int index);
// Clicks the sheet's tab of page index.
std::string ChooseTab(CPropertySheet* sheet, int index);
}  // namespace person

}  // namespace afx
