#include "kestrum/app/select_hardware.h"

#include <string>

#include "driver/hardware_kind.h"
#include "kestrum/app/pictures.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_SelectHardware* Form_SelectHardware = nullptr;

namespace kestrum {

std::string WenlowCaption() {
  // The CAN boards that run the master firmware; each line indented by two
  // blanks and padded to one width, so that the block stands centred.
  constexpr const char* kModels[] = {"Wenlow-200 PCI CAN board", "Wenlow-202 PCI CAN board",
                                     "Wenlow-104 PC/104 CAN board", "Wenlow-320 CompactPCI CAN board",
                                     "Wenlow-USB CAN module"};
  constexpr std::size_t kWidth = 34;
  std::string caption;
  for (const char* model : kModels) {
    std::string line = std::string("  ") + model;
    line.resize(kWidth, ' ');
    if (!caption.empty()) caption += '\n';
    caption += line;
  }
  return caption;
}

}  // namespace kestrum

TForm_SelectHardware::TForm_SelectHardware(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_SelectHardware";
  Caption = "Select Hardware";
  BorderStyle = bsSingle;
  BorderIcons = TBorderIcons(biMinimize) | biMaximize;  // no system menu: no close box
  FormStyle = fsStayOnTop;
  Position = poDesktopCenter;

  Label1 = Label(this, "Label1", this, 16, 12, "Please select the hardware which you are using.");
  auto button = [this](const char* name, int left, int top, int width, int height, const char* caption,
                       const char* glyph, void (TForm_SelectHardware::*click)(TObject*)) {
    TSpeedButton* b = SpeedButton(this, name, this, left, top, width, height, caption, glyph);
    b->Layout = blGlyphTop;  // picture above the caption
    b->OnClick = Method(this, click);
    return b;
  };
  SpeedButton_PCI = button("SpeedButton_PCI", 16, 40, 190, 110, "Calvory(U) ", "HW_CALVORY",
                           &TForm_SelectHardware::SpeedButton_PCIClick);
  SpeedButton_Module = button("SpeedButton_Module", 214, 40, 190, 110, "Merrow", "HW_MERROW",
                              &TForm_SelectHardware::SpeedButton_ModuleClick);
  SpeedButton_Gadrow = button("SpeedButton_Gadrow", 16, 158, 388, 90, "Gadrow for XPe OS.", "HW_GADROW",
                              &TForm_SelectHardware::SpeedButton_GadrowClick);
  // Tall enough for the picture and all five lines of the caption.
  SpeedButton_Wenlow = button("SpeedButton_Wenlow", 16, 256, 388, 180, "", "HW_WENLOW",
                              &TForm_SelectHardware::SpeedButton_WenlowClick);
  BoldFont(SpeedButton_Wenlow->Font, 13, clBlue);

  MainMenu = Create<TMainMenu>(this, "MainMenu");
  Menu_Escape = Create<TMenuItem>(this, "Menu_Escape");
  Menu_Escape->Visible = false;
  Menu_Escape->ShortCut = TextToShortCut("Esc");
  Menu_Escape->OnClick = Method(this, &TForm_SelectHardware::Menu_EscapeClick);
  MainMenu->Items->Add(Menu_Escape);
  Menu = MainMenu;

  ClientWidth = 420;
  ClientHeight = 448;
  OnShow = Method(this, &TForm_SelectHardware::FormShow);
}

void TForm_SelectHardware::FormShow(TObject*) { SpeedButton_Wenlow->Caption = kestrum::WenlowCaption(); }

void TForm_SelectHardware::SpeedButton_PCIClick(TObject*) {
  HardwareKind = driver::kKindCalvory;
  Close();
}

void TForm_SelectHardware::SpeedButton_ModuleClick(TObject*) {
  HardwareKind = driver::kKindMerrow;
  Close();
}

void TForm_SelectHardware::SpeedButton_GadrowClick(TObject*) {
  HardwareKind = driver::kKindGadrow;
  Close();
}

void TForm_SelectHardware::SpeedButton_WenlowClick(TObject*) {
  HardwareKind = driver::kKindTolquin;
  Close();
}

void TForm_SelectHardware::Menu_EscapeClick(TObject*) { Close(); }
