#pragma once
// The splash window (unit Logo): shown first, while the windows are made and
// the hardware is chosen; the main window's first show destroys it. The
// hourglass cursor lasts exactly as long as the splash.

#include "platform/vcl/forms.h"

class TForm_Logo : public vcl::TForm {
 public:
  explicit TForm_Logo(vcl::TComponent* owner);
  // Forgets itself in Form_Logo, however it goes (destroyed by the first show
  // or, when start-up ended early, with the application).
  ~TForm_Logo() override;
  const char* ClassName() const override { return "TForm_Logo"; }

  vcl::TImage* Image1{};

  void FormShow(vcl::TObject* Sender);     // hourglass cursor
  void FormDestroy(vcl::TObject* Sender);  // default cursor
};

extern TForm_Logo* Form_Logo;
