#include "frame_input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>

#include <memory>

#include "platform/afx/bars.h"
#include "platform/afx/dialog_controls.h"
#include "platform/afx/window.h"
#include "window_view.h"

namespace gui {

namespace {

std::uint8_t KeyModifiers(Qt::KeyboardModifiers m) {
  std::uint8_t out = 0;
  if (m & Qt::ShiftModifier) out |= afx::FSHIFT;
  if (m & Qt::ControlModifier) out |= afx::FCONTROL;
  if (m & Qt::AltModifier) out |= afx::FALT;
  return out;
}

// What is held down, as a mouse message says it.
afx::WPARAM MouseKeys(const QMouseEvent& e) {
  afx::WPARAM keys = 0;
  if (e.buttons() & Qt::LeftButton) keys |= afx::MK_LBUTTON;
  if (e.buttons() & Qt::RightButton) keys |= afx::MK_RBUTTON;
  if (e.buttons() & Qt::MiddleButton) keys |= afx::MK_MBUTTON;
  if (e.modifiers() & Qt::ShiftModifier) keys |= afx::MK_SHIFT;
  if (e.modifiers() & Qt::ControlModifier) keys |= afx::MK_CONTROL;
  return keys;
}

// The message of a button going down or up (a double click is a press: the
// framework's windows take no double clicks); 0 for other buttons.
afx::UINT ButtonMessage(const QMouseEvent& e, bool nonClient) {
  const bool down = e.type() != QEvent::MouseButtonRelease;
  switch (e.button()) {
    case Qt::LeftButton: return nonClient ? afx::WM_NCLBUTTONDOWN : down ? afx::WM_LBUTTONDOWN : afx::WM_LBUTTONUP;
    case Qt::RightButton: return nonClient ? afx::WM_NCRBUTTONDOWN : down ? afx::WM_RBUTTONDOWN : afx::WM_RBUTTONUP;
    case Qt::MiddleButton: return nonClient ? afx::WM_NCMBUTTONDOWN : down ? afx::WM_MBUTTONDOWN : afx::WM_MBUTTONUP;
    default: return 0;
  }
}

// Sends the message through the application now; answers whether it went
// on to the window. While the backend mirrors it goes later, and Qt acts.
bool Dispatch(QtBackend& b, std::uint64_t id, afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) {
  auto through = std::make_shared<bool>(true);
  b.Deliver([through, id, message, wParam, lParam] {
    auto* w = Live<plat::Window>(id);
    *through = w && afx::DispatchQueuedMessage(afx::MSG{w, message, wParam, lParam});
  });
  return *through;
}

bool IsMouse(QEvent::Type t) {
  return t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick || t == QEvent::MouseButtonRelease ||
         t == QEvent::MouseMove;
}

}  // namespace

bool DeliverMouse(QtBackend& b, std::uint64_t windowId, const QMouseEvent& e, QPoint at) {
  const afx::UINT message = e.type() == QEvent::MouseMove ? afx::WM_MOUSEMOVE : ButtonMessage(e, false);
  if (message == 0) return true;
  return Dispatch(b, windowId, message, MouseKeys(e), afx::MakeLParam(at.x(), at.y()));
}

bool DeliverKey(QtBackend& b, std::uint64_t windowId, const QKeyEvent& e) {
  const std::uint16_t key = VirtualKeyOf(e.key());
  const std::uint8_t modifiers = KeyModifiers(e.modifiers());
  auto through = std::make_shared<bool>(true);
  b.Deliver([through, windowId, key, modifiers] {
    *through = afx::person::PressKey(Live<plat::Window>(windowId), key, modifiers);
  });
  return *through;
}

// ---------------------------------------------------------------- a frame's window
FrameInput::FrameInput(QtBackend& b, std::uint64_t frameId, QWidget* frame, QWidget* client)
    : backend_(b), frameId_(frameId), frame_(frame), client_(client) {
  // Every widget of the window, also those made later (the view, its list).
  qApp->installEventFilter(this);
}

FrameInput::~FrameInput() {
  if (qApp) qApp->removeEventFilter(this);
}

bool FrameInput::InClient(const QWidget* w) const { return client_ && (w == client_ || client_->isAncestorOf(w)); }

std::uint64_t FrameInput::TargetOf(const QWidget* w) const {
  if (!InClient(w)) return frameId_;
  // A core control inside a view (the list) is part of its view.
  plat::Window* at = Live<plat::Window>(TaggedId(w));
  while (at && !dynamic_cast<afx::CWnd*>(at)) at = at->GetParent();
  if (!at) return 0;
  if (at->Id() == frameId_ || dynamic_cast<afx::CView*>(at) || dynamic_cast<afx::CControlBar*>(at)) return at->Id();
  return 0;
}

bool FrameInput::eventFilter(QObject* o, QEvent* e) {
  const QEvent::Type type = e->type();
  if (type == QEvent::KeyRelease || type == QEvent::ShortcutOverride) lastKey_ = nullptr;
  if (!(IsMouse(type) || type == QEvent::KeyPress) || !o->isWidgetType() || !frame_) return false;
  auto* w = static_cast<QWidget*>(o);
  if (w->window() != frame_ || InputBlocked(w)) return false;
  const bool through = type == QEvent::KeyPress ? Key(w, static_cast<QKeyEvent&>(*e))
                                                : Mouse(w, static_cast<QMouseEvent&>(*e));
  if (through) return false;
  e->accept();
  return true;
}

bool FrameInput::Mouse(QWidget* w, const QMouseEvent& e) {
  // A press the widget left is offered to its parents again, as a copy that
  // is no longer the window system's: only the first delivery counts.
  if (!e.spontaneous()) return true;
  if (InClient(w)) {
    const std::uint64_t target = TargetOf(w);
    View* view = target ? backend_.FindView(target) : nullptr;
    QWidget* area = view ? view->ChildContainer() : nullptr;
    if (!area) return true;
    return DeliverMouse(backend_, target, e, area->mapFromGlobal(e.globalPosition().toPoint()));
  }
  // Outside the client area only a press is the framework's.
  if (e.type() != QEvent::MouseButtonPress && e.type() != QEvent::MouseButtonDblClick) return true;
  const afx::UINT message = ButtonMessage(e, true);
  if (message == 0) return true;
  bool onMenu = false;
  for (const QWidget* at = w; at && at != frame_; at = at->parentWidget()) onMenu = onMenu || qobject_cast<const QMenuBar*>(at);
  const QPoint screen = e.globalPosition().toPoint();
  return Dispatch(backend_, frameId_, message, static_cast<afx::WPARAM>(onMenu ? afx::HTMENU : afx::HTCAPTION),
                  afx::MakeLParam(screen.x(), screen.y()));
}

bool FrameInput::Key(QWidget* w, const QKeyEvent& e) {
  // A key the widget left goes on to its parents, the same event: only the
  // first delivery counts. A new key comes after the last one's release.
  if (&e == lastKey_ && lastKeyAt_ && lastKeyAt_ != w && w->isAncestorOf(lastKeyAt_)) return true;
  lastKey_ = &e;
  lastKeyAt_ = w;
  std::uint64_t target = InClient(w) ? TargetOf(w) : 0;
  if (!InClient(w)) {
    // The frame's own keys go to its active view, as the focus does.
    auto* frame = Live<afx::CFrameWnd>(frameId_);
    if (!frame) return true;
    target = frame->GetActiveView() ? frame->GetActiveView()->Id() : frameId_;
  }
  return target == 0 || DeliverKey(backend_, target, e);
}

}  // namespace gui
