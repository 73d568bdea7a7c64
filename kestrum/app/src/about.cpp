#include "kestrum/app/about.h"

#include "kestrum/app/pictures.h"
#include "layout.h"
#include "platform/format.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_About* Form_About = nullptr;

TForm_About::TForm_About(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_About";
  Caption = "About";
  BorderStyle = bsDialog;
  Position = poScreenCenter;
  Width = 523;
  Height = 578;

  Image_Logo = Picture(this, "Image_Logo", this, 4, 4, 505, 89, "ABOUT_LOGO", /*stretch=*/true);
  Image_Logo->Transparent = true;

  TImage* TForm_About::*const images[] = {&TForm_About::Image1, &TForm_About::Image2, &TForm_About::Image3,
                                          &TForm_About::Image4, &TForm_About::Image5, &TForm_About::Image6,
                                          &TForm_About::Image7, &TForm_About::Image8, &TForm_About::Image9,
                                          &TForm_About::Image10};
  void (TForm_About::*const clicks[])(TObject*) = {
      &TForm_About::Image1Click, &TForm_About::Image2Click, &TForm_About::Image3Click, &TForm_About::Image4Click,
      &TForm_About::Image5Click, &TForm_About::Image6Click, &TForm_About::Image7Click, &TForm_About::Image8Click,
      &TForm_About::Image9Click, &TForm_About::Image10Click};
  for (int n = 1; n <= 10; ++n) {
    TImage* image = Picture(this, plat::Format("Image%d", n), this, 44, 108, 420, 300,
                            plat::Format("PRODUCT_%d", n), /*stretch=*/false);
    image->AutoSize = true;
    image->OnClick = Method(this, clicks[n - 1]);
    this->*images[n - 1] = image;
  }

  // The three links, in the style of a web page's links.
  auto link = [this](const char* name, int top, const char* caption, void (TForm_About::*click)(TObject*)) {
    TSpeedButton* b = SpeedButton(this, name, this, 44, top, 420, 22, caption);
    b->Flat = true;
    BoldFont(b->Font, 13, clBlue);
    b->Font->Style = TFontStyles(fsBold) | fsUnderline;
    b->OnClick = Method(this, click);
    return b;
  };
  SpeedButton_WebSite = link("SpeedButton_WebSite", 420, "www.brantel.example", &TForm_About::SpeedButton_WebSiteClick);
  SpeedButton_Mail = link("SpeedButton_Mail", 446, "service@brantel.example", &TForm_About::SpeedButton_MailClick);
  SpeedButton_DeviceNetIntroduction = link("SpeedButton_DeviceNetIntroduction", 472,
                                           "Learn more about DeviceNet at Brantel",
                                           &TForm_About::SpeedButton_DeviceNetIntroductionClick);

  Button_OK = Make<TButton>(this, "Button_OK", this, 216, 504, 84, 26);
  Button_OK->Caption = "OK";
  Button_OK->Default = true;
  Button_OK->OnClick = Method(this, &TForm_About::Button_OKClick);

  Timer1 = Timer(this, "Timer1", 3000, /*enabled=*/true, Method(this, &TForm_About::Timer1Timer));
  OnCreate = Method(this, &TForm_About::FormCreate);
}

void TForm_About::FormCreate(TObject*) {
  // Filled by the about box.
}

void TForm_About::Timer1Timer(TObject*) {
  // Filled by the about box.
}

void TForm_About::Button_OKClick(TObject*) {
  // Filled by the about box.
}

void TForm_About::SpeedButton_WebSiteClick(TObject*) {
  // Filled by the about box.
}

void TForm_About::SpeedButton_MailClick(TObject*) {
  // Filled by the about box.
}

void TForm_About::SpeedButton_DeviceNetIntroductionClick(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image1Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image2Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image3Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image4Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image5Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image6Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image7Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image8Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image9Click(TObject*) {
  // Filled by the about box.
}

void TForm_About::Image10Click(TObject*) {
  // Filled by the about box.
}
