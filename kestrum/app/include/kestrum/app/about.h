#pragma once
// The about box (unit About): banner, a slide show of ten product pictures,
// links to the maker's pages.

#include "platform/vcl/forms.h"

class TForm_About : public vcl::TForm {
 public:
  explicit TForm_About(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_About"; }

  vcl::TImage* Image_Logo{};
  vcl::TImage* Image1{};
  vcl::TImage* Image2{};
  vcl::TImage* Image3{};
  vcl::TImage* Image4{};
  vcl::TImage* Image5{};
  vcl::TImage* Image6{};
  vcl::TImage* Image7{};
  vcl::TImage* Image8{};
  vcl::TImage* Image9{};
  vcl::TImage* Image10{};
  vcl::TSpeedButton* SpeedButton_WebSite{};
  vcl::TSpeedButton* SpeedButton_Mail{};
  vcl::TSpeedButton* SpeedButton_DeviceNetIntroduction{};
  vcl::TButton* Button_OK{};
  vcl::TTimer* Timer1{};  // the slide show, from start-up on

  // Image1 to Image10 by number; null for any other.
  vcl::TImage* ProductImage(int n) const;
  // The address that the product picture n opens.
  static const char* ProductPage(int n);

  void FormCreate(vcl::TObject* Sender);
  void Timer1Timer(vcl::TObject* Sender);
  void Button_OKClick(vcl::TObject* Sender);
  void SpeedButton_WebSiteClick(vcl::TObject* Sender);
  void SpeedButton_MailClick(vcl::TObject* Sender);
  void SpeedButton_DeviceNetIntroductionClick(vcl::TObject* Sender);
  void Image1Click(vcl::TObject* Sender);
  void Image2Click(vcl::TObject* Sender);
  void Image3Click(vcl::TObject* Sender);
  void Image4Click(vcl::TObject* Sender);
  void Image5Click(vcl::TObject* Sender);
  void Image6Click(vcl::TObject* Sender);
  void Image7Click(vcl::TObject* Sender);
  void Image8Click(vcl::TObject* Sender);
  void Image9Click(vcl::TObject* Sender);
  void Image10Click(vcl::TObject* Sender);
};

extern TForm_About* Form_About;
