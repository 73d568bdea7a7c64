#pragma once
// The mouse and the keys in the façade's windows, handed to the framework
// as the queue messages the classic loop makes of them: the application
// looks at each one first (a person taking the viewer over from its
// automation client, the splash window closing, the accelerators), then
// the window's own handlers run. When the application took the message,
// Qt does nothing with the event either: the click that closed the splash
// selects no row.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <cstdint>

class QKeyEvent;
class QMouseEvent;

namespace gui {

class QtBackend;

// A button press, double click, release or a move on the window of that id
// at `at` in its client area. Answers false when the application took the
// message before the window (or the window is gone).
bool DeliverMouse(QtBackend& b, std::uint64_t windowId, const QMouseEvent& e, QPoint at);
// A key press in the window, with its modifiers; answers as DeliverMouse.
bool DeliverKey(QtBackend& b, std::uint64_t windowId, const QKeyEvent& e);

// The input in a frame's window. In its client area it goes to the view or
// bar under the mouse (a control of a view, like the list, counts as its
// view: the view is where its messages land), keys to the view that has the
// focus; a button press anywhere else on the window (the menu bar) is a
// non-client press on the frame. The frame's controls that hand their own
// input to the framework are left to themselves.
class FrameInput : public QObject {
 public:
  FrameInput(QtBackend& b, std::uint64_t frameId, QWidget* frame, QWidget* client);
  ~FrameInput() override;
  FrameInput(const FrameInput&) = delete;
  FrameInput& operator=(const FrameInput&) = delete;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  bool InClient(const QWidget* w) const;
  // The framework's window that takes input at widget w (0: none here).
  std::uint64_t TargetOf(const QWidget* w) const;
  bool Mouse(QWidget* w, const QMouseEvent& e);
  bool Key(QWidget* w, const QKeyEvent& e);

  QtBackend& backend_;
  std::uint64_t frameId_;
  QPointer<QWidget> frame_;
  QPointer<QWidget> client_;
  // The key press last handled and where (it may be offered to the parents).
  const QEvent* lastKey_ = nullptr;
  QPointer<QWidget> lastKeyAt_;
};

}  // namespace gui
