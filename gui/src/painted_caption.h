#pragma once
// A top-level window whose caption the program paints itself is shown
// without the window manager's decoration: its whole non-client surface
// (frame, painted caption) is drawn as the core drew it, and a person's
// mouse on it is answered as a caption and frame answer it - moving and
// sizing through the window system's own move and resize requests (so it
// works on X11 and Wayland alike), the caption buttons through the core's
// hit-testing and system commands. Other windows keep the window manager's
// decoration.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "platform/afx/window.h"

namespace gui {

class QtBackend;

class PaintedCaption : public QObject {
 public:
  PaintedCaption(QtBackend& backend, std::uint64_t id, QWidget* top);
  // Takes the window's state: whether the program paints its caption (the
  // widget loses or gets its decoration), its surface, its minimised state.
  // Answers whether the window shows its painted caption.
  bool Sync(afx::CWnd& w);
  bool On() const { return on_; }
  // Where the client area and the menu bar lie in the top-level widget
  // while the caption is painted.
  QRect ClientArea() const { return client_; }
  QRect MenuArea() const { return menu_; }
  // The outer size less the client size.
  QSize FrameDelta() const { return delta_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  afx::LRESULT HitTest(const QPoint& at) const;
  void Send(afx::UINT message, afx::LRESULT hit, const QPoint& at);
  void Paint();

  QtBackend& backend_;
  std::uint64_t id_;
  QPointer<QWidget> top_;
  bool on_ = false;
  Qt::WindowFlags decorated_;  // the flags with the window manager's decoration
  QRect client_, menu_;
  QSize delta_;
  QPoint origin_;  // the window's place as the core knows it
  QImage image_;
  std::vector<afx::TextRun> texts_;
  std::vector<afx::IconRun> icons_;
  afx::LRESULT pressed_ = afx::HTNOWHERE;
  afx::LRESULT hovered_ = afx::HTNOWHERE;
};

// The text measure of the fonts the backend draws with, for the core's
// ellipsis (installed once).
void InstallTextMeasure();

}  // namespace gui
