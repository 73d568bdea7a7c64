#include "kestrum/app/about.h"

#include <cstdint>

#include "kestrum/app/pictures.h"
#include "kestrum/app/program_state.h"
#include "layout.h"
#include "platform/format.h"
#include "platform/shell.h"

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

namespace {

constexpr const char* kHomePage = "https://www.brantel.example/";
constexpr const char* kServiceMail = "mailto:service@brantel.example";
constexpr const char* kDeviceNetIntroduction = "https://www.brantel.example/devicenet/introduction";
// The product page of each picture, Image1 to Image10.
constexpr const char* kProductPages[10] = {
    "https://www.brantel.example/products/calvory-pci-devicenet-master",
    "https://www.brantel.example/products/merrow-devicenet-master-module",
    "https://www.brantel.example/products/gadrow-embedded-devicenet-master",
    "https://www.brantel.example/products/tolquin-can-board",
    "https://www.brantel.example/products/devicenet-slave-io-module",
    "https://www.brantel.example/products/devicenet-gateway",
    "https://www.brantel.example/products/can-repeater",
    "https://www.brantel.example/products/can-bus-analyser",
    "https://www.brantel.example/products/devicenet-tap",
    "https://www.brantel.example/products/devicenet-terminator",
};
// The picture each slide index shows.
constexpr int kSlideOrder[10] = {3, 1, 4, 2, 5, 6, 7, 8, 9, 10};

// The shell's "open"; whether it worked is not looked at: with no browser or
// mail program the box says nothing.
void Open(const char* address) {
  if (address) static_cast<void>(plat::OpenAddress(address));
}

}  // namespace

TImage* TForm_About::ProductImage(int n) const {
  TImage* const images[] = {Image1, Image2, Image3, Image4, Image5, Image6, Image7, Image8, Image9, Image10};
  return n >= 1 && n <= 10 ? images[n - 1] : nullptr;
}

const char* TForm_About::ProductPage(int n) { return n >= 1 && n <= 10 ? kProductPages[n - 1] : nullptr; }

void TForm_About::FormCreate(TObject*) {
  for (int n = 1; n <= 10; ++n) {
    TImage* image = ProductImage(n);
    image->Left = 44;
    image->Top = 108;
    image->Visible = n == 1;
  }
}

void TForm_About::Timer1Timer(TObject*) {
  for (int n = 1; n <= 10; ++n) ProductImage(n)->Visible = false;
  const std::int32_t index = SlideIndex >= 0 && SlideIndex < 10 ? SlideIndex : 0;
  ProductImage(kSlideOrder[index])->Visible = true;
  SlideIndex = (index + 1) % 10;
}

void TForm_About::Button_OKClick(TObject*) { Close(); }

void TForm_About::SpeedButton_WebSiteClick(TObject*) { Open(kHomePage); }

void TForm_About::SpeedButton_MailClick(TObject*) { Open(kServiceMail); }

void TForm_About::SpeedButton_DeviceNetIntroductionClick(TObject*) { Open(kDeviceNetIntroduction); }

void TForm_About::Image1Click(TObject*) { Open(ProductPage(1)); }
void TForm_About::Image2Click(TObject*) { Open(ProductPage(2)); }
void TForm_About::Image3Click(TObject*) { Open(ProductPage(3)); }
void TForm_About::Image4Click(TObject*) { Open(ProductPage(4)); }
void TForm_About::Image5Click(TObject*) { Open(ProductPage(5)); }
void TForm_About::Image6Click(TObject*) { Open(ProductPage(6)); }
void TForm_About::Image7Click(TObject*) { Open(ProductPage(7)); }
void TForm_About::Image8Click(TObject*) { Open(ProductPage(8)); }
void TForm_About::Image9Click(TObject*) { Open(ProductPage(9)); }
void TForm_About::Image10Click(TObject*) { Open(ProductPage(10)); }
