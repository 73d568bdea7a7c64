#pragma once
// The search wait window (unit WaitDialog), shown while a network search runs,
// with its helix animation. Its handlers belong to the network search.

#include <cstdint>

#include "platform/vcl/forms.h"

class TForm_Wait : public vcl::TForm {
 public:
  static constexpr int kSearchHelixRungs = 50;

  explicit TForm_Wait(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_Wait"; }

  vcl::TImage* Image1{};
  vcl::TLabel* Label_Message{};
  vcl::TImage* Image_DNA{};
  vcl::TAnimate* Animate1{};
  vcl::TTimer* Timer_DNA2{};  // enabled for the whole run
  vcl::TTimer* Timer_DNA1{};  // never enabled
  vcl::TTimer* Timer_DNA3{};  // never enabled

  void Timer_DNA1Timer(vcl::TObject* Sender);
  // One frame of kSearchHelixRungs rungs, then the phase goes on by one.
  void Timer_DNA2Timer(vcl::TObject* Sender);
  void Timer_DNA3Timer(vcl::TObject* Sender);
  void DrawHelix1(int rungs, std::uint32_t phase, vcl::TImage* image);
  // The shared helix (kestrum/app/helix.h) with this window's depth flag.
  void DrawHelix2(int rungs, std::uint32_t phase, vcl::TImage* image);
  void DrawHelix3(int rungs, std::uint32_t phase, vcl::TImage* image);
  void ClearCanvas(vcl::TCanvas* canvas, vcl::TColor color);
};

extern TForm_Wait* Form_Wait;
