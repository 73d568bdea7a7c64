#pragma once
// The master MAC ID and baud-rate dialog (unit ChangeMACID). Its handlers
// belong to the board handling.

#include <string>

#include "platform/vcl/forms.h"

namespace kestrum {
// The baud-rate texts, by BaudRateIndex, as the status line and the dialog show them.
inline constexpr const char* kBaudRateTexts[] = {"125K bps", "250K bps", "500K bps"};
inline constexpr int kBaudRateCount = 3;
inline constexpr int kMaxMasterMACID = 63;
}  // namespace kestrum

class TForm_ChangeMACID : public vcl::TForm {
 public:
  explicit TForm_ChangeMACID(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_ChangeMACID"; }

  vcl::TImage* Image1{};
  vcl::TPanel* Panel1{};
  vcl::TLabel* Label1{};
  vcl::TLabel* Label2{};
  vcl::TLabel* Label3{};
  vcl::TLabel* Label4{};
  vcl::TEdit* Edit_CurrentMACID{};
  vcl::TEdit* Edit_CurrentBaudRate{};
  vcl::TComboBox* ComboBox_NewMACID{};     // item index = MAC ID sent
  vcl::TComboBox* ComboBox_NewBaudRate{};  // item index = baud-rate index sent
  vcl::TSpeedButton* SpeedButton_OK{};
  vcl::TSpeedButton* SpeedButton_Cancel{};
  // Hidden: Escape cancels, as the window manager's close does.
  vcl::TMainMenu* MainMenu{};
  vcl::TMenuItem* Menu_Escape{};

  // The current values as the main window's status fields show them; the
  // lists select the MAC ID of that text (0 for any text that is not 0 to
  // 63) and the baud rate of that text ("125K bps" for any other).
  void Prefill(const std::string& mac_text, const std::string& baud_text);

  void SpeedButton_OKClick(vcl::TObject* Sender);
  void SpeedButton_CancelClick(vcl::TObject* Sender);
  void Menu_EscapeClick(vcl::TObject* Sender);
};

extern TForm_ChangeMACID* Form_ChangeMACID;
