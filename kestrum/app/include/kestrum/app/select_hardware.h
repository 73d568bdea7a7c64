#pragma once
// The hardware chooser (unit SelectHardwareDialog), shown modally by the main
// window's first show. Each of its four buttons sets HardwareKind and closes
// it; closed any other way (the window manager, Escape) it leaves the kind at
// 0, and the program runs with no driver bound.

#include <string>

#include "platform/vcl/forms.h"

class TForm_SelectHardware : public vcl::TForm {
 public:
  explicit TForm_SelectHardware(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_SelectHardware"; }

  vcl::TLabel* Label1{};
  vcl::TSpeedButton* SpeedButton_PCI{};     // kind 1
  vcl::TSpeedButton* SpeedButton_Module{};  // kind 2
  vcl::TSpeedButton* SpeedButton_Gadrow{};  // kind 4
  vcl::TSpeedButton* SpeedButton_Wenlow{};  // kind 3, the CAN boards
  // The chooser has no Cancel button; this hidden item gives Escape its
  // usual meaning on a dialog: close without a choice.
  vcl::TMainMenu* MainMenu{};
  vcl::TMenuItem* Menu_Escape{};

  void FormShow(vcl::TObject* Sender);
  void SpeedButton_PCIClick(vcl::TObject* Sender);
  void SpeedButton_ModuleClick(vcl::TObject* Sender);
  void SpeedButton_GadrowClick(vcl::TObject* Sender);
  void SpeedButton_WenlowClick(vcl::TObject* Sender);
  void Menu_EscapeClick(vcl::TObject* Sender);
};

extern TForm_SelectHardware* Form_SelectHardware;

namespace kestrum {
// The caption that the chooser's first show gives SpeedButton_Wenlow: the
// five CAN board models that run the master firmware, one per line.
std::string WenlowCaption();
}  // namespace kestrum
