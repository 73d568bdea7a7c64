// The windows of the frame/document/view façade as widgets: a frame with
// its menu bar and accelerators, tool bars and status bars. What a person
// does goes back through the façade's input path (afx::person), so the
// core decides everything: command states, what a command does, layout.

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>

#include <map>

#include "gui/frame_rendering.h"
#include "painted_caption.h"
#include "dialog_views.h"
#include "frame_input.h"
#include "pictures.h"
#include "platform/afx/bars.h"
#include "platform/afx/gdi.h"
#include "window_view.h"

namespace gui {

namespace {

namespace person = afx::person;

class FrameWidget : public QWidget {
 public:
  FrameWidget() : QWidget(nullptr, Qt::Window) {}
  std::function<void()> onClose, onResize, onMove;

 protected:
  // The window manager may close any window: the frame decides.
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (onClose) onClose();
  }
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (onResize) onResize();
  }
  void moveEvent(QMoveEvent* e) override {
    QWidget::moveEvent(e);
    if (onMove) onMove();
  }
};

// An accelerator's key as Qt names it; empty for a key Qt has no name for.
QKeySequence AcceleratorKeys(const afx::AccelEntry& a) {
  int key = 0;
  if (a.key >= 'A' && a.key <= 'Z') key = Qt::Key_A + (a.key - 'A');
  else if (a.key >= '0' && a.key <= '9') key = Qt::Key_0 + (a.key - '0');
  else if (a.key >= afx::VK_F1 && a.key < afx::VK_F1 + 24) key = Qt::Key_F1 + (a.key - afx::VK_F1);
  else if (a.key == afx::VK_BACK) key = Qt::Key_Backspace;
  else if (a.key == afx::VK_DELETE) key = Qt::Key_Delete;
  else if (a.key == afx::VK_INSERT) key = Qt::Key_Insert;
  if (key == 0) return {};
  Qt::KeyboardModifiers mods;
  if (a.fVirt & afx::FCONTROL) mods |= Qt::ControlModifier;
  if (a.fVirt & afx::FSHIFT) mods |= Qt::ShiftModifier;
  if (a.fVirt & afx::FALT) mods |= Qt::AltModifier;
  return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(key)));
}

// ---------------------------------------------------------------- frames
class FrameView : public TypedView<FrameWidget> {
 public:
  FrameView(QtBackend& b, Component& c) : TypedView(b, c, new FrameWidget) {
    client_ = new QWidget(Get());
    TagWidget(client_, id_);
    bar_ = new QMenuBar(Get());
    const std::uint64_t id = id_;
    QtBackend* backend = &backend_;
    Get()->onClose = [backend, id] { Act<afx::CWnd>(*backend, id, [](afx::CWnd* w) { person::Close(w); }); };
    Get()->onResize = [this] { Resized(); };
    Get()->onMove = [this] { Moved(); };
    caption_ = new PaintedCaption(b, id_, Get());
    input_ = std::make_unique<FrameInput>(b, id_, Get(), client_);
  }

  QWidget* ChildContainer() const override { return client_; }

  void Detach() override {
    if (Get()) {
      Get()->onClose = nullptr;
      Get()->onResize = nullptr;
      Get()->onMove = nullptr;
    }
    shortcuts_.clear();
    input_.reset();
    TypedView::Detach();
  }

 protected:
  void Place(plat::Window&) override { placed_ = true; }
  // Input to the frame stays with it while a box is up (the box is modal).
  void SyncEnabled(plat::Window&) override {}

  void SyncGeometry(plat::Window& w) override {
    client_size_ = ToQtWindowSize(w.ClientWidth.Get(), w.ClientHeight.Get());
    caption_->Sync(static_cast<afx::CWnd&>(w));
    ApplySize();
    if (CanPlaceWindows()) Get()->move(ToQtWindowPosition(w.Left, w.Top));
  }

  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& frame = static_cast<afx::CFrameWnd&>(w);
    if (flags & (dfCreated | dfText)) {
      Get()->setWindowTitle(ToQString(w.Text));
      Get()->setObjectName(QString::fromLatin1(w.ClassName()));
    }
    if (flags & (dfCreated | dfStructure)) {
      BuildMenu(frame);
      BuildShortcuts(frame);
      ApplySize();
    }
    if (flags & (dfCreated | dfStructure | dfState)) UpdateActions(frame);
    if (flags & (dfCreated | dfAppearance | dfContent | dfState)) {
      const bool was = caption_->On();
      if (caption_->Sync(frame) != was) ApplySize();
    }
  }

  void SyncVisibility(plat::Window& w) override {
    FrameWidget* q = Get();
    if (w.Visible && !q->isVisible()) {
      q->show();
      if (QGuiApplication::platformName() != "offscreen") q->raise();
      q->activateWindow();
    } else if (!w.Visible && q->isVisible()) {
      q->hide();
    }
  }

 private:
  int MenuHeight() const { return bar_->actions().isEmpty() ? 0 : bar_->sizeHint().height(); }

  void ApplySize() {
    // A painted caption: the widget is the whole window, frame and all.
    if (caption_->On()) Get()->resize(client_size_ + caption_->FrameDelta());
    else Get()->resize(client_size_.width(), client_size_.height() + MenuHeight());
    Layout();
  }

  void Layout() {
    FrameWidget* q = Get();
    if (caption_->On()) {
      const QRect menu = caption_->MenuArea();
      bar_->setVisible(!bar_->actions().isEmpty() && menu.height() > 0);
      bar_->setGeometry(menu);
      const QSize delta = caption_->FrameDelta();
      const QRect client = caption_->ClientArea();
      client_->setGeometry(client.x(), client.y(), std::max(0, q->width() - delta.width()),
                           std::max(0, q->height() - delta.height()));
      return;
    }
    const int mh = MenuHeight();
    bar_->setVisible(mh > 0);
    bar_->setGeometry(0, 0, q->width(), mh);
    client_->setGeometry(0, mh, q->width(), std::max(0, q->height() - mh));
  }

  // A person (or the window manager) gave the window another size.
  void Resized() {
    Layout();
    const QSize client = caption_->On() ? (Get()->size() - caption_->FrameDelta()).expandedTo(QSize(0, 0))
                                        : QSize(Get()->width(), std::max(0, Get()->height() - MenuHeight()));
    if (client == client_size_) return;
    client_size_ = client;
    Act<afx::CWnd>(backend_, id_, [client](afx::CWnd* w) { person::Resize(w, client.width(), client.height()); });
  }

  void Moved() {
    if (!CanPlaceWindows() || backend_.Mirroring()) return;
    const QPoint at = Get()->pos();
    Act<afx::CWnd>(backend_, id_, [at](afx::CWnd* w) {
      if (w->Left != at.x() || w->Top != at.y()) person::Move(w, at.x(), at.y());
    });
  }

  void BuildMenu(afx::CFrameWnd& frame) {
    bar_->clear();
    actions_.clear();
    for (QMenu* m : menus_) {
      if (m) m->deleteLater();  // one of its actions may be running
    }
    menus_.clear();
    const std::uint64_t id = id_;
    QtBackend* b = &backend_;
    const auto& popups = frame.GetMenu().Items();
    for (std::size_t i = 0; i < popups.size(); ++i) {
      const afx::CMenu::Item& popup = popups[i];
      QMenu* menu = bar_->addMenu(ToQString(popup.text));
      menus_.emplace_back(menu);
      const int index = static_cast<int>(i);
      // The items take their command states as the menu opens.
      QObject::connect(menu, &QMenu::aboutToShow, [b, id, index] {
        Act<afx::CFrameWnd>(*b, id, [index](afx::CFrameWnd* f) { f->OnInitMenuPopup(index); });
        auto* view = dynamic_cast<FrameView*>(b->FindView(id));
        if (auto* f = Live<afx::CFrameWnd>(id); f && view) view->UpdateActions(*f);
      });
      QObject::connect(menu, &QMenu::aboutToHide, [b, id] {
        Act<afx::CFrameWnd>(*b, id, [](afx::CFrameWnd* f) { f->OnMenuSelect(0); });
      });
      for (const afx::CMenu::Item& item : popup.items) {
        if (item.separator) {
          menu->addSeparator();
          continue;
        }
        QAction* action = menu->addAction(ToQString(item.text));
        const afx::UINT command = item.id;
        QObject::connect(action, &QAction::triggered, [b, id, command] {
          Act<afx::CFrameWnd>(*b, id, [command](afx::CFrameWnd* f) { person::ChooseCommand(f, command); });
        });
        QObject::connect(action, &QAction::hovered, [b, id, command] {
          Act<afx::CFrameWnd>(*b, id, [command](afx::CFrameWnd* f) { f->OnMenuSelect(command); });
        });
        actions_.emplace_back(command, action);
      }
    }
  }

  void UpdateActions(afx::CFrameWnd& frame) {
    for (auto& [command, action] : actions_) {
      if (!action) continue;
      const afx::UINT state = frame.GetMenu().GetMenuState(command);
      action->setEnabled((state & (afx::MF_GRAYED | afx::MF_DISABLED)) == 0);
      action->setCheckable((state & afx::MF_CHECKED) != 0);
      action->setChecked((state & afx::MF_CHECKED) != 0);
    }
  }

  // The accelerators as shortcuts of the window; the key goes to the view
  // (where it would land) as a key press, and the frame translates it.
  void BuildShortcuts(afx::CFrameWnd& frame) {
    shortcuts_.clear();
    const std::uint64_t id = id_;
    QtBackend* b = &backend_;
    for (const afx::AccelEntry& a : frame.Accelerators()) {
      const QKeySequence keys = AcceleratorKeys(a);
      if (keys.isEmpty()) continue;
      auto shortcut = std::make_unique<QShortcut>(keys, Get());
      shortcut->setContext(Qt::WindowShortcut);
      const std::uint16_t key = a.key;
      const std::uint8_t modifiers = a.fVirt & (afx::FSHIFT | afx::FCONTROL | afx::FALT);
      QObject::connect(shortcut.get(), &QShortcut::activated, [b, id, key, modifiers] {
        Act<afx::CFrameWnd>(*b, id, [key, modifiers](afx::CFrameWnd* f) {
          afx::CWnd* target = f->GetActiveView() ? static_cast<afx::CWnd*>(f->GetActiveView()) : f;
          person::PressKey(target, key, modifiers);
        });
      });
      shortcuts_.push_back(std::move(shortcut));
    }
  }

  QWidget* client_ = nullptr;
  QMenuBar* bar_ = nullptr;
  PaintedCaption* caption_ = nullptr;  // owned by the widget
  QSize client_size_;
  std::vector<std::pair<afx::UINT, QPointer<QAction>>> actions_;
  std::vector<QPointer<QMenu>> menus_;
  std::vector<std::unique_ptr<QShortcut>> shortcuts_;
  std::unique_ptr<FrameInput> input_;
};

// ---------------------------------------------------------------- tool bars
// The pointer leaves the tool bar: the status bar's prompt gives way.
class LeaveFilter : public QObject {
 public:
  explicit LeaveFilter(std::function<void()> onLeave) : onLeave_(std::move(onLeave)) {}

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Leave) onLeave_();
    return QObject::eventFilter(o, e);
  }

 private:
  std::function<void()> onLeave_;
};

class ToolBarView : public TypedView<QToolBar> {
 public:
  ToolBarView(QtBackend& b, Component& c) : TypedView(b, c, new QToolBar) {
    const std::uint64_t id = id_;
    QtBackend* backend = &backend_;
    leave_ = std::make_unique<LeaveFilter>([backend, id] {
      Act<afx::CToolBar>(*backend, id, [](afx::CToolBar* t) {
        if (afx::CFrameWnd* f = t->GetParentFrame()) f->OnMenuSelect(0);
      });
    });
    Get()->installEventFilter(leave_.get());
    Get()->setMovable(false);
    Get()->setFloatable(false);
    Get()->setContentsMargins(0, 0, 0, 0);
    Get()->layout()->setContentsMargins(0, 0, 0, 0);
    Get()->layout()->setSpacing(0);
  }

 protected:
  bool FillsBackground(const plat::Window&) const override { return false; }

  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& bar = static_cast<afx::CToolBar&>(w);
    if (flags & (dfCreated | dfContent | dfAppearance)) Build(bar);
    if (flags & (dfCreated | dfContent | dfAppearance | dfState)) UpdateStates(bar);
  }

 private:
  void Build(afx::CToolBar& bar) {
    QToolBar* q = Get();
    q->clear();
    actions_.clear();
    const afx::CSize image = bar.ImageSize();
    q->setIconSize(QSize(image.cx, image.cy));
    const QPixmap strip = bar.Bitmap().empty() ? QPixmap() : RenderPicture(bar.Bitmap());
    const bool tips = (bar.GetBarStyle() & afx::CBRS_TOOLTIPS) != 0;
    const std::uint64_t id = id_;
    QtBackend* b = &backend_;
    for (const afx::ToolButton& button : bar.Buttons()) {
      if (button.separator()) {
        q->addSeparator();
        continue;
      }
      const QPixmap face = strip.isNull() ? QPixmap() : strip.copy(button.image * image.cx, 0, image.cx, image.cy);
      QAction* action = q->addAction(face.isNull() ? QIcon() : QIcon(face), QString());
      if (tips) action->setToolTip(ToQString(afx::CommandToolTip(button.id)));
      const afx::UINT command = button.id;
      QObject::connect(action, &QAction::triggered, [b, id, command] {
        Act<afx::CToolBar>(*b, id, [command](afx::CToolBar* t) { person::ChooseCommand(t->GetParentFrame(), command); });
      });
      // Pointing at a button shows its prompt, as pointing at a menu item does.
      QObject::connect(action, &QAction::hovered, [b, id, command] {
        Act<afx::CToolBar>(*b, id, [command](afx::CToolBar* t) {
          if (afx::CFrameWnd* f = t->GetParentFrame()) f->OnMenuSelect(command);
        });
      });
      actions_.emplace_back(command, action);
    }
  }

  void UpdateStates(afx::CToolBar& bar) {
    std::size_t i = 0;
    for (const afx::ToolButton& button : bar.Buttons()) {
      if (button.separator()) continue;
      if (i >= actions_.size()) break;
      if (QAction* action = actions_[i++].second) {
        action->setEnabled(button.enabled);
        action->setCheckable(button.checked != 0);
        action->setChecked(button.checked != 0);
      }
    }
  }

  std::vector<std::pair<afx::UINT, QPointer<QAction>>> actions_;
  std::unique_ptr<LeaveFilter> leave_;
};

// ---------------------------------------------------------------- status bars
class StatusBarView : public TypedView<QWidget> {
 public:
  StatusBarView(QtBackend& b, Component& c) : TypedView(b, c, new QWidget) {
    auto* layout = new QHBoxLayout(Get());
    layout->setContentsMargins(2, 2, 2, 1);
    layout->setSpacing(2);
  }

 protected:
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (!(flags & (dfCreated | dfContent | dfState | dfAppearance))) return;
    auto& bar = static_cast<afx::CStatusBar&>(w);
    auto* layout = static_cast<QHBoxLayout*>(Get()->layout());
    const auto& panes = bar.Panes();
    if (labels_.size() != panes.size()) {
      for (QLabel* l : labels_) delete l;
      labels_.clear();
      for (std::size_t i = 0; i < panes.size(); ++i) {
        auto* label = new QLabel(Get());
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label, panes[i].id == afx::ID_SEPARATOR ? 1 : 0);
        labels_.push_back(label);
      }
    }
    for (std::size_t i = 0; i < panes.size(); ++i) {
      const afx::StatusPane& pane = panes[i];
      QLabel* label = labels_[i];
      // An indicator is as wide as its text and shows it only while enabled.
      if (pane.id != afx::ID_SEPARATOR) {
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(ToQString(pane.text)) + 10);
        label->setAlignment(Qt::AlignCenter);
      }
      const bool shown = pane.id == afx::ID_SEPARATOR || pane.enabled;
      label->setText(shown ? ToQString(pane.text) : QString());
    }
  }

 private:
  std::vector<QLabel*> labels_;
};

// ---------------------------------------------------------------- windows that paint themselves
// A window of a class the program registered itself (a splash window):
// what its painting drew, nothing else. A top-level one is a window of its
// own without the window manager's frame; the mouse and the keys on it go
// back as the queue messages the classic loop makes of them.
class PaintedWidget : public QWidget {
 public:
  PaintedWidget(QtBackend& b, std::uint64_t id, bool topLevel)
      : QWidget(nullptr, topLevel ? Qt::SplashScreen | Qt::FramelessWindowHint : Qt::Widget), backend_(b), id_(id) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    // A pop-up stays above the windows shown after it (its owner among them), as owned windows do.
    if (topLevel) qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o != this && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow() &&
        isVisible()) {
      QTimer::singleShot(0, this, [this] { raise(); });
    }
    return false;
  }
  void paintEvent(QPaintEvent*) override {
    auto* w = Live<afx::CWnd>(id_);
    if (!w) return;
    QPainter p(this);
    if (const plat::TCanvas* drawn = w->DrawnSurface()) ReplayCanvas(p, *drawn);
  }
  void mousePressEvent(QMouseEvent* e) override { DeliverMouse(backend_, id_, *e, e->position().toPoint()); }
  void mouseReleaseEvent(QMouseEvent* e) override { DeliverMouse(backend_, id_, *e, e->position().toPoint()); }
  void mouseMoveEvent(QMouseEvent* e) override { DeliverMouse(backend_, id_, *e, e->position().toPoint()); }
  void keyPressEvent(QKeyEvent* e) override { DeliverKey(backend_, id_, *e); }

 private:
  QtBackend& backend_;
  std::uint64_t id_;
};

class PaintedView : public TopLevelView {
 public:
  PaintedView(QtBackend& b, Component& c)
      : TopLevelView(b, c, new PaintedWidget(b, c.Id(), !(static_cast<plat::Window&>(c).Style & afx::WS_CHILD))) {}

 protected:
  bool TopLevel() const override { return widget_ && widget_->isWindow(); }
  QSize TopLevelSize(plat::Window& w) const override {
    return QSize(std::max(0, w.Width.Get()), std::max(0, w.Height.Get()));
  }
  void SyncOwn(plat::Window&, std::uint32_t flags) override {
    if (flags & (dfContent | dfAppearance)) widget_->update();
  }
  void SyncVisibility(plat::Window& w) override {
    if (!TopLevel()) {
      WindowView::SyncVisibility(w);
      return;
    }
    if (w.Visible && !widget_->isVisible()) {
      widget_->show();
      widget_->raise();
    } else if (!w.Visible && widget_->isVisible()) {
      widget_->hide();
    }
  }
};

bool IsPainted(Component& c) {
  auto* w = dynamic_cast<afx::CWnd*>(&c);
  return w && afx::IsAfxRegisteredClass(w->GetWindowClass());
}

}  // namespace

void UseFrameRenderings() {
  static const bool added = [] {
    std::vector<Rendering> renderings = {
        Rendering{"painted window", &IsPainted, &Make<PaintedView>},
        Entry<afx::CFrameWnd, FrameView>("CFrameWnd"),
        Entry<afx::CToolBar, ToolBarView>("CToolBar"),
        Entry<afx::CStatusBar, StatusBarView>("CStatusBar"),
    };
    for (auto more : {DialogRenderings(), DialogControlRenderings()}) {
      renderings.insert(renderings.end(), more.begin(), more.end());
    }
    AddRenderings(renderings);
    // The framework's beeps ring the desktop's bell.
    afx::SetBeepHook([](afx::UINT) { QApplication::beep(); });
    return true;
  }();
  (void)added;
}

}  // namespace gui
