#pragma once
// The viewer's about box: the banner picture, the author's lines and the
// homepage as a link.

#include "lorvex/hyperlink.h"
#include "platform/afx/dialog.h"

// The homepage address, the text of the link control.
inline constexpr const char* kLorvexHomepage = "http://www.lorvex.example/";

class CDlgInfo : public afx::CDialog {
 public:
  CDlgInfo();
  const char* ClassName() const override { return "CDlgInfo"; }
  afx::BOOL OnInitDialog() override;
  void DoDataExchange(afx::CDataExchange*) override {}
  CHyperLink m_Link;
};

// Template 100 (with the dialog's pictures registered before).
void RegisterInfoDialogTemplate();
