#pragma once
// Small helpers for building the forms' component trees: each makes one
// component of the form (owned by it, named, placed in a parent) with the
// properties that components of its kind share in this program.

#include <string>

#include "platform/vcl/forms.h"

namespace kestrum::layout {

template <class T>
T* Make(vcl::TComponent* form, const std::string& name, plat::Window* parent, int left, int top, int width,
        int height) {
  T* c = vcl::Create<T>(form, name, parent);
  c->SetBounds(left, top, width, height);
  return c;
}

// A font of that height in pixels, bold unless told otherwise.
inline void BoldFont(vcl::TFont* font, int pixels, vcl::TColor color = vcl::clWindowText) {
  font->Height = -pixels;
  font->Style = vcl::TFontStyles(vcl::fsBold);
  font->Color = color;
}

inline vcl::TLabel* Label(vcl::TComponent* form, const std::string& name, plat::Window* parent, int left,
                          int top, const std::string& caption) {
  auto* l = vcl::Create<vcl::TLabel>(form, name, parent);
  l->Left = left;
  l->Top = top;
  l->Caption = caption;
  return l;
}

inline vcl::TEdit* Edit(vcl::TComponent* form, const std::string& name, plat::Window* parent, int left, int top,
                        int width, bool read_only = false) {
  auto* e = Make<vcl::TEdit>(form, name, parent, left, top, width, 21);
  e->ReadOnly = read_only;
  return e;
}

inline vcl::TSpeedButton* SpeedButton(vcl::TComponent* form, const std::string& name, plat::Window* parent,
                                      int left, int top, int width, int height, const std::string& caption,
                                      const std::string& glyph = {}) {
  auto* b = Make<vcl::TSpeedButton>(form, name, parent, left, top, width, height);
  b->Caption = caption;
  if (!glyph.empty()) b->Glyph->LoadFromResourceName(glyph);
  return b;
}

// A tool-bar picture button whose hint shows.
inline vcl::TSpeedButton* ToolButton(vcl::TComponent* form, const std::string& name, plat::Window* parent,
                                     int left, int top, int size, const std::string& hint,
                                     const std::string& glyph) {
  auto* b = SpeedButton(form, name, parent, left, top, size, size, "", glyph);
  b->Hint = hint;
  b->ShowHint = true;
  b->Flat = true;
  return b;
}

inline vcl::TTimer* Timer(vcl::TComponent* form, const std::string& name, unsigned interval, bool enabled,
                          vcl::TNotifyEvent on_timer) {
  auto* t = vcl::Create<vcl::TTimer>(form, name);
  t->Enabled = false;
  t->Interval = interval;
  t->OnTimer = std::move(on_timer);
  t->Enabled = enabled;
  return t;
}

// A drop-down list of the numbers first to last in order, with one selected.
inline vcl::TComboBox* NumberList(vcl::TComponent* form, const std::string& name, plat::Window* parent,
                                  int left, int top, int width, int first, int last, int selected) {
  auto* c = Make<vcl::TComboBox>(form, name, parent, left, top, width, 21);
  c->Style = vcl::csDropDownList;
  for (int n = first; n <= last; ++n) c->Items->Add(std::to_string(n));
  c->ItemIndex = selected;
  return c;
}

inline vcl::TImage* Picture(vcl::TComponent* form, const std::string& name, plat::Window* parent, int left,
                            int top, int width, int height, const std::string& picture, bool stretch) {
  auto* i = Make<vcl::TImage>(form, name, parent, left, top, width, height);
  if (!picture.empty()) i->Picture->LoadFromResourceName(picture);
  i->Stretch = stretch;
  return i;
}

}  // namespace kestrum::layout
