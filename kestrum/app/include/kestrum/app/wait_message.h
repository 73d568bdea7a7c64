#pragma once
// The please-wait window (unit WaitMessage) of board activation and firmware
// reset. It has no handlers; the board handling sizes it and sets its text.

#include "platform/vcl/forms.h"

class TForm_WaitMessage : public vcl::TForm {
 public:
  explicit TForm_WaitMessage(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_WaitMessage"; }

  vcl::TImage* Image_Panel{};
  vcl::TLabel* Label_Message{};

  // Window and panel to width x height, screen-centred, the label at
  // (width / 20, height / 7).
  void SetWindowSize(int width, int height);
};

extern TForm_WaitMessage* Form_WaitMessage;
