#include "lorvex/dlg_info.h"

#include "lorvex/resource.h"

CDlgInfo::CDlgInfo() : CDialog(IDD_ABOUTBOX, nullptr) {}

afx::BOOL CDlgInfo::OnInitDialog() {
  CDialog::OnInitDialog();
  m_Link.SetURL("");
  // The link takes the control's text, the homepage, as its address.
  m_Link.SubclassDlgItem(IDC_HOMEPAGE, this);
  UpdateData(afx::FALSE);
  return afx::TRUE;
}

void RegisterInfoDialogTemplate() {
  using afx::IDC_STATIC;
  using afx::LText;
  constexpr afx::DWORD kPopup = afx::WS_POPUP | afx::WS_CAPTION | afx::WS_SYSMENU | afx::DS_MODALFRAME | afx::DS_3DLOOK;
  afx::AfxRegisterDialog(
      IDD_ABOUTBOX,
      {kPopup, 0, 0, 0, 274, 170, "Info \xc3\xbc" "ber Lorvex ", "MS Sans Serif", 8,
       {LText("Lorvex \xc2\xa9 1997-2004 Jan Ostrander", IDC_STATIC, 68, 88, 137, 8),
        afx::DefPushButton("Cool", afx::IDOK, 109, 148, 55, 14),
        afx::Picture(afx::AfxBitmapName(IDB_INFO), IDB_INFO, 7, 7, 261, 76, afx::SS_SUNKEN),
        afx::Control("E-Mail: jan.ostrander@lorvex.example", IDC_STATIC, afx::WC_STATIC, afx::SS_CENTER, 65, 112, 146,
                     10),
        LText("Jan Ostrander, Am Kreuzacker 12, 31134 Hildesheim", IDC_STATIC, 35, 135, 200, 8),
        LText("Lorvex ist Freeware.", IDC_STATIC, 97, 100, 78, 8),
        // Two units wider than drawn for the classic face, so the caption stays whole in ours.
        LText("Homepage:", IDC_STATIC, 73, 122, 40, 8),
        LText(kLorvexHomepage, IDC_HOMEPAGE, 114, 122, 89, 8)}});
}
