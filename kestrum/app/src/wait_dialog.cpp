#include "kestrum/app/wait_dialog.h"

#include "kestrum/app/helix.h"
#include "kestrum/app/pictures.h"
#include "kestrum/app/program_state.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_Wait* Form_Wait = nullptr;

TForm_Wait::TForm_Wait(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_Wait";
  Caption = "Searching....";
  BorderStyle = bsNone;
  BorderIcons = TBorderIcons();
  FormStyle = fsStayOnTop;
  Position = poScreenCenter;
  Cursor = crHourGlass;
  ClientWidth = 388;
  ClientHeight = 99;

  Image1 = Picture(this, "Image1", this, 0, 0, 389, 99, "SEARCH_PANEL", /*stretch=*/true);
  Label_Message = Label(this, "Label_Message", this, 48, 10, "Searching the slave devices...");
  BoldFont(Label_Message->Font, 19);
  Label_Message->Transparent = true;
  Image_DNA = Picture(this, "Image_DNA", this, 0, 42, 389, 45, "", /*stretch=*/false);
  Animate1 = Make<TAnimate>(this, "Animate1", this, 24, 10, 16, 16);
  Animate1->CommonAVI = aviFindFile;
  Animate1->StopFrame = 8;
  Animate1->Active = true;

  Timer_DNA2 = Timer(this, "Timer_DNA2", 200, /*enabled=*/true, Method(this, &TForm_Wait::Timer_DNA2Timer));
  Timer_DNA1 = Timer(this, "Timer_DNA1", 200, /*enabled=*/false, Method(this, &TForm_Wait::Timer_DNA1Timer));
  Timer_DNA3 = Timer(this, "Timer_DNA3", 50, /*enabled=*/false, Method(this, &TForm_Wait::Timer_DNA3Timer));
}

// Styles 1 and 3 are never switched on: their timers stay disabled for the
// whole run, so only style 2 turns.
void TForm_Wait::Timer_DNA1Timer(TObject*) {}

void TForm_Wait::Timer_DNA3Timer(TObject*) {}

void TForm_Wait::DrawHelix1(int, std::uint32_t, TImage*) {}

void TForm_Wait::DrawHelix3(int, std::uint32_t, TImage*) {}

// Runs from the window's creation to the end of the program, shown or hidden,
// so each search shows the helix turning on from where it was.
void TForm_Wait::Timer_DNA2Timer(TObject*) {
  DrawHelix2(kSearchHelixRungs, SearchHelixPhase, Image_DNA);
  ++SearchHelixPhase;
}

void TForm_Wait::DrawHelix2(int rungs, std::uint32_t phase, TImage* image) {
  kestrum::DrawHelix(rungs, phase, image, SearchHelixDepth);
}

void TForm_Wait::ClearCanvas(TCanvas* canvas, TColor color) { kestrum::ClearCanvas(canvas, color); }
