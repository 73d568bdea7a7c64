#pragma once
// The parts of the renderings that every file of views shares: reaching a
// component from Qt, the base view of a window (its place, geometry, colours,
// font, enabled state and visibility) and the entries of the rendering table.

#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <type_traits>

#include "convert.h"
#include "qt_backend.h"
#include "views.h"

namespace gui {

using plat::Component;
using plat::dfAppearance;
using plat::dfContent;
using plat::dfCreated;
using plat::dfGeometry;
using plat::dfState;
using plat::dfStructure;
using plat::dfText;
using plat::dfVisibility;

inline const char* const kIdProperty = "platComponentId";

template <class T>
T* Live(std::uint64_t id) {
  return dynamic_cast<T*>(Component::FromId(id));
}

// Runs a person's action on the component of that id, if it still exists.
template <class T, class F>
void Act(QtBackend& b, std::uint64_t id, F f) {
  b.Deliver([id, f] {
    if (T* t = Live<T>(id)) f(t);
  });
}

// Mirrors once more what the person's action may have changed locally in Qt
// but the core did not take (a check mark the core refused...).
inline void Resync(QtBackend& b, std::uint64_t id, std::uint32_t flags) {
  b.Deliver([&b, id, flags] {
    Component* c = Component::FromId(id);
    View* v = c ? b.FindView(id) : nullptr;
    if (v) v->Sync(*c, flags);
  });
}

inline void SetColor(QPalette& pal, QPalette::ColorRole role, const QColor& c, bool allGroups) {
  if (allGroups) {
    pal.setColor(role, c);
  } else {  // disabled controls keep the desktop's greyed text
    pal.setColor(QPalette::Active, role, c);
    pal.setColor(QPalette::Inactive, role, c);
  }
}

inline bool HasMouseHandlers(const vcl::TControl& c) {
  return c.OnClick || c.OnMouseMove || c.OnDragOver || c.OnDragDrop;
}
// ---------------------------------------------------------------- windows
class WindowView : public View {
 public:
  WindowView(QtBackend& b, Component& c, QWidget* w) : View(b, c), widget_(w) { TagWidget(w, id_); }
  QWidget* Widget() const override { return widget_; }

  void Sync(Component& c, std::uint32_t flags) override {
    auto& w = static_cast<plat::Window&>(c);
    if (!widget_) return;
    if (flags & (dfCreated | dfStructure)) Place(w);
    if (flags & (dfCreated | dfGeometry)) SyncGeometry(w);
    if (flags & (dfCreated | dfAppearance)) SyncAppearance(w);
    if (flags & (dfCreated | dfState)) SyncEnabled(w);
    SyncOwn(w, flags);
    if (flags & (dfCreated | dfVisibility | dfStructure)) SyncVisibility(w);
  }

  void Detach() override {
    if (!widget_) return;
    // Children that belong to other, living components are not taken along.
    if (QWidget* box = ChildContainer()) {
      for (QObject* o : box->children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (child && TaggedId(child) != id_ && backend_.FindView(child->property(kIdProperty).toULongLong())) {
          child->hide();
          child->setParent(nullptr);
        }
      }
    }
    widget_->hide();
    widget_->deleteLater();
    widget_ = nullptr;
  }

 protected:
  virtual void SyncOwn(plat::Window&, std::uint32_t) {}
  virtual QPalette::ColorRole BackgroundRole() const { return QPalette::Window; }
  virtual QPalette::ColorRole TextRole() const { return QPalette::WindowText; }
  virtual bool FillsBackground(const plat::Window&) const { return true; }

  virtual void Place(plat::Window& w) {
    plat::Window* parent = w.GetParent();
    QWidget* box = nullptr;
    if (parent) {
      if (View* pv = backend_.ViewFor(*parent)) box = pv->ChildContainer();
      backend_.NeedRestack(parent->Id());
    }
    placed_ = box != nullptr;
    if (widget_->parentWidget() != box) {
      widget_->setParent(box);  // hides it; the visibility below shows it again
      SyncGeometry(w);
    }
  }

  virtual void SyncGeometry(plat::Window& w) {
    widget_->setGeometry(w.Left, w.Top, std::max(0, w.Width.Get()), std::max(0, w.Height.Get()));
  }

  virtual void SyncAppearance(plat::Window& w) {
    QPalette pal = widget_->palette();
    const QPalette::ColorRole bg = BackgroundRole();
    const bool fill = Paints(w.Color) && FillsBackground(w);
    if (fill) SetColor(pal, bg, ToQColor(w.Color), true);
    if (bg == QPalette::Window) widget_->setAutoFillBackground(fill);
    SetColor(pal, TextRole(), ToQColor(w.Font->Color), false);
    widget_->setPalette(pal);
    widget_->setFont(ToQFont(*w.Font));
    widget_->setToolTip(ToQString(w.Hint));
    if (w.Cursor == plat::crDefault) widget_->unsetCursor();
    else widget_->setCursor(ToCursorShape(w.Cursor));
    if (Graphic()) {
      // A picture, shape or label without handlers lets the mouse through to
      // what lies below, as drawings on the parent's surface do.
      auto* control = dynamic_cast<vcl::TControl*>(&w);
      widget_->setAttribute(Qt::WA_TransparentForMouseEvents, !control || !HasMouseHandlers(*control));
      widget_->setMouseTracking(control && control->OnMouseMove);
    }
  }

  virtual void SyncVisibility(plat::Window& w) { widget_->setVisible(placed_ && w.Visible); }
  virtual void SyncEnabled(plat::Window& w) { widget_->setEnabled(w.Enabled); }

  QPointer<QWidget> widget_;
  bool placed_ = false;
};

// Wayland leaves the place of a program's windows to the compositor.
inline bool CanPlaceWindows() { return QGuiApplication::platformName() != "wayland"; }

// A window that may be one of its own on the desktop, not in a parent: then
// the window manager places it, it takes the size given, and it stands where
// the core has it wherever a program may place its windows.
class TopLevelView : public WindowView {
 public:
  using WindowView::WindowView;

 protected:
  virtual bool TopLevel() const = 0;
  virtual QSize TopLevelSize(plat::Window& w) const = 0;

  void Place(plat::Window& w) override {
    if (TopLevel()) {
      placed_ = true;
      return;
    }
    WindowView::Place(w);
  }
  void SyncGeometry(plat::Window& w) override {
    if (!TopLevel()) {
      WindowView::SyncGeometry(w);
      return;
    }
    widget_->setFixedSize(TopLevelSize(w));
    if (CanPlaceWindows()) widget_->move(w.Left, w.Top);
  }
};

template <class W>
class TypedView : public WindowView {
 public:
  TypedView(QtBackend& b, Component& c, W* w) : WindowView(b, c, w) {}

 protected:
  W* Get() const { return static_cast<W*>(widget_.data()); }
};
template <class T>
bool Is(Component& c) {
  if constexpr (std::is_same_v<T, Component>) {
    return true;
  } else {
    return dynamic_cast<T*>(&c) != nullptr;
  }
}

template <class V>
std::unique_ptr<View> Make(QtBackend& b, Component& c) {
  return std::make_unique<V>(b, c);
}

template <class T, class V>
Rendering Entry(const char* name) {
  return {name, &Is<T>, &Make<V>};
}

// The renderings that live in files of their own.
std::unique_ptr<View> MakeListViewView(QtBackend& b, Component& c);

}  // namespace gui
