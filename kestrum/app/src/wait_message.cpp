#include "kestrum/app/wait_message.h"

#include "kestrum/app/pictures.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_WaitMessage* Form_WaitMessage = nullptr;

TForm_WaitMessage::TForm_WaitMessage(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_WaitMessage";
  BorderStyle = bsNone;
  FormStyle = fsStayOnTop;
  Position = poScreenCenter;
  // Pixels of the button-face colour are see-through.
  Color = clBtnFace;
  TransparentColor = true;
  TransparentColorValue = clBtnFace;
  ClientWidth = 609;
  ClientHeight = 259;

  Image_Panel = Picture(this, "Image_Panel", this, 0, 0, 609, 259, "WAIT_PANEL", /*stretch=*/true);
  Label_Message = Label(this, "Label_Message", this, 30, 36, "This is a message.");
  Label_Message->Transparent = true;
  Label_Message->Font->Name = "MS Sans Serif";
  BoldFont(Label_Message->Font, 16, clBlue);
}

void TForm_WaitMessage::SetWindowSize(int width, int height) {
  Width = width;
  Height = height;
  Position = poScreenCenter;
  Image_Panel->Width = width;
  Image_Panel->Height = height;
  Label_Message->Left = width / 20;
  Label_Message->Top = height / 7;
}
