#include "kestrum/app/logo.h"

#include "kestrum/app/pictures.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_Logo* Form_Logo = nullptr;

TForm_Logo::TForm_Logo(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_Logo";
  BorderStyle = bsNone;
  Position = poScreenCenter;
  ClientWidth = 489;
  ClientHeight = 367;
  Image1 = Picture(this, "Image1", this, 0, 0, 489, 367, "SPLASH", /*stretch=*/true);
  OnShow = Method(this, &TForm_Logo::FormShow);
  OnDestroy = Method(this, &TForm_Logo::FormDestroy);
}

TForm_Logo::~TForm_Logo() {
  if (Form_Logo == this) Form_Logo = nullptr;
}

void TForm_Logo::FormShow(TObject*) {
  if (Screen) Screen->Cursor = crHourGlass;
}

void TForm_Logo::FormDestroy(TObject*) {
  if (Screen) Screen->Cursor = crDefault;
}
