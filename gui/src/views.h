#pragma once
// What shows one component: its widget (none for non-visual components) and
// how each dirty flag reaches it. One rendering per component class, in one
// table; the tests hold every class of the façade's registry against it.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/forms.h"

namespace gui {

class QtBackend;

class View {
 public:
  View(QtBackend& backend, plat::Component& c) : backend_(backend), id_(c.Id()) {}
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  std::uint64_t Id() const { return id_; }
  // The widget that shows the component (nullptr: nothing to show).
  virtual QWidget* Widget() const { return nullptr; }
  // Where the widgets of child windows go.
  virtual QWidget* ChildContainer() const { return Widget(); }
  // Mirrors what the flags say changed.
  virtual void Sync(plat::Component& c, std::uint32_t flags) = 0;
  // Drawn on the parent's surface, below every windowed control.
  virtual bool Graphic() const { return false; }
  // Called once the component is gone: the widgets go (later: a signal of
  // theirs may be running).
  virtual void Detach();

 protected:
  QtBackend& backend_;
  std::uint64_t id_;
};

struct Rendering {
  const char* className;
  bool (*matches)(plat::Component& c);
  std::unique_ptr<View> (*make)(QtBackend& backend, plat::Component& c);
};
// Most derived classes first; the first match renders a component.
const std::vector<Rendering>& Renderings();
const Rendering* RenderingFor(plat::Component& c);
// Renderings of another façade's classes, tried before the table (the
// latest added first). Added at start, before anything is mirrored.
void AddRenderings(const std::vector<Rendering>& renderings);

// Whether w lies on a form the core has disabled (its input goes nowhere).
bool InputBlocked(const QWidget* w);

// Tags a widget with the component it shows.
void TagWidget(QWidget* w, std::uint64_t id);
// The component id of the nearest tagged widget at or above w (0: none).
std::uint64_t TaggedId(const QWidget* w);

// A bitmap as a picture: its resource drawn by the picture table, then what
// was drawn on its canvas replayed. With numGlyphs > 1 only the first glyph.
QPixmap RenderBitmap(plat::TBitmap& bmp, int numGlyphs = 1);
// Replays a canvas's display list.
void ReplayCanvas(QPainter& p, const plat::TCanvas& canvas);

// What the backend asks of particular views (nothing happens for others).
void SetFormModal(View* v, bool modal, bool visible);
void SyncFormMenu(View* v, vcl::TForm& form);
void UpdateFormMask(View* v, vcl::TForm& form);
void RefreshTreePictures(View* v, vcl::TTreeView& tree);

}  // namespace gui
