// The façade's dialog windows as widgets: a dialog or property sheet is a
// window of its own (a page is a plain child), modal while the core runs it
// modally; the tab strip of a sheet. The window manager's close box and the
// keys a dialog takes (Escape, Enter, F1) go back through afx::person, so
// the core decides what they do.

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTabBar>
#include <QVBoxLayout>

#include "dialog_views.h"
#include "platform/afx/dialog.h"
#include "window_view.h"

namespace gui {

namespace {

namespace person = afx::person;

// The key as the façade names it (0: not one a dialog takes).
std::uint16_t DialogKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Escape: return afx::VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return afx::VK_RETURN;
    case Qt::Key_F1: return afx::VK_F1;
    default: return 0;
  }
}

std::uint8_t Modifiers(Qt::KeyboardModifiers m) {
  std::uint8_t out = 0;
  if (m & Qt::ShiftModifier) out |= afx::FSHIFT;
  if (m & Qt::ControlModifier) out |= afx::FCONTROL;
  if (m & Qt::AltModifier) out |= afx::FALT;
  return out;
}

class DialogWidget : public QWidget {
 public:
  DialogWidget(QtBackend& b, std::uint64_t id) : QWidget(nullptr, Qt::Dialog), backend_(b), id_(id) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
  }

 protected:
  // The window manager may close any window: the dialog decides (Cancel).
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    Act<afx::CWnd>(backend_, id_, [](afx::CWnd* w) { person::Close(w); });
  }
  // The key goes to the control that has the focus, as a queue message: the
  // dialog's own look at it (PreTranslateMessage) comes through the chain.
  void keyPressEvent(QKeyEvent* e) override {
    const std::uint16_t key = DialogKey(e->key());
    if (key == 0) {
      QWidget::keyPressEvent(e);
      return;
    }
    e->accept();
    const std::uint64_t focus = TaggedId(QApplication::focusWidget());
    const std::uint8_t mods = Modifiers(e->modifiers());
    const std::uint64_t dialog = id_;
    backend_.Deliver([focus, dialog, key, mods] {
      auto* target = Live<afx::CWnd>(focus);
      if (!target || target->TopLevel() != Live<plat::Window>(dialog)) target = Live<afx::CWnd>(dialog);
      if (target) person::PressKey(target, key, mods);
    });
  }

 private:
  QtBackend& backend_;
  std::uint64_t id_;
};

// A dialog or sheet that is a window of its own; a page (a child dialog) is
// shown like any child window.
class DialogView : public TopLevelView {
 public:
  DialogView(QtBackend& b, Component& c) : TopLevelView(b, c, MakeWidget(b, c)) {}

  // A dialog object may be shown before its window is made (a sheet's page
  // exists from the start, its window from when it is first shown): once it
  // is made, its widget becomes the kind its style asks for.
  void Sync(Component& c, std::uint32_t flags) override {
    auto& w = static_cast<afx::CWnd&>(c);
    if (widget_ && w.IsWindowCreated() && TopLevel() == ((w.Style & afx::WS_CHILD) != 0)) {
      widget_->hide();
      widget_->deleteLater();
      widget_ = MakeWidget(backend_, c);
      TagWidget(widget_, id_);
      placed_ = false;
      flags |= dfCreated | dfStructure | dfGeometry | dfAppearance | dfState | dfText | dfVisibility;
    }
    WindowView::Sync(c, flags);
  }

 protected:
  static QWidget* MakeWidget(QtBackend& b, Component& c) {
    auto& w = static_cast<afx::CWnd&>(c);
    if (w.Style & afx::WS_CHILD) return new QWidget;
    return new DialogWidget(b, c.Id());
  }
  bool TopLevel() const override { return dynamic_cast<DialogWidget*>(widget_.data()) != nullptr; }
  QSize TopLevelSize(plat::Window& w) const override {
    return QSize(std::max(0, w.ClientWidth.Get()), std::max(0, w.ClientHeight.Get()));
  }
  // A modal window keeps its own input; the others are blocked by Qt's modality.
  void SyncEnabled(plat::Window& w) override {
    if (!TopLevel()) WindowView::SyncEnabled(w);
  }

  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (!TopLevel()) return;
    if (flags & (dfCreated | dfText)) {
      widget_->setWindowTitle(ToQString(w.Text));
      widget_->setObjectName(QString::fromLatin1(w.ClassName()));
    }
    if (flags & (dfCreated | dfState)) {
      bool modal = false;
      if (auto* d = dynamic_cast<afx::CDialog*>(&w)) modal = d->IsModal();
      if (auto* s = dynamic_cast<afx::CPropertySheet*>(&w)) modal = s->IsModal();
      const Qt::WindowModality want = modal ? Qt::ApplicationModal : Qt::NonModal;
      if (widget_->windowModality() != want) {
        const bool shown = widget_->isVisible();
        if (shown) widget_->hide();  // Qt takes a new modality only while hidden
        widget_->setWindowModality(want);
        if (shown && w.Visible) widget_->show();
      }
    }
  }

  void SyncVisibility(plat::Window& w) override {
    if (!TopLevel()) {
      WindowView::SyncVisibility(w);
      return;
    }
    if (w.Visible && !widget_->isVisible()) {
      widget_->show();
      if (QGuiApplication::platformName() != "offscreen") widget_->raise();
      widget_->activateWindow();
    } else if (!w.Visible && widget_->isVisible()) {
      widget_->hide();
    }
  }
};

// ---------------------------------------------------------------- the tab strip
// The tabs above a panel; the pages lie on the panel (they are the sheet's
// children, stacked over the strip).
class TabWidget : public QWidget {
 public:
  TabWidget() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar = new QTabBar(this);
    bar->setDrawBase(false);
    bar->setExpanding(false);
    panel = new QFrame(this);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    layout->addWidget(bar);
    layout->addWidget(panel, 1);
  }
  QTabBar* bar;
  QFrame* panel;
};

class TabView : public TypedView<TabWidget> {
 public:
  TabView(QtBackend& b, Component& c) : TypedView(b, c, new TabWidget) {
    const std::uint64_t id = c.Id();
    QObject::connect(Get()->bar, &QTabBar::currentChanged, [&b, id](int index) {
      if (b.Mirroring() || index < 0) return;
      Act<afx::CTabCtrl>(b, id, [index](afx::CTabCtrl* tab) {
        if (auto* sheet = dynamic_cast<afx::CPropertySheet*>(tab->GetParent())) person::ChooseTab(sheet, index);
      });
      Resync(b, id, dfState);
    });
  }

 protected:
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& tab = static_cast<afx::CTabCtrl&>(w);
    QTabBar* bar = Get()->bar;
    QSignalBlocker block(bar);
    if (flags & (dfCreated | dfContent)) {
      while (bar->count() > 0) bar->removeTab(0);
      for (int i = 0; i < tab.GetItemCount(); ++i) bar->addTab(WithoutMnemonic(tab.GetItemText(i)));
      bar->setFixedHeight(afx::CTabCtrl::kTabHeight);
    }
    if (tab.GetCurSel() >= 0 && bar->currentIndex() != tab.GetCurSel()) bar->setCurrentIndex(tab.GetCurSel());
  }
};

}  // namespace

std::vector<Rendering> DialogRenderings() {
  return {
      Entry<afx::CDialog, DialogView>("CDialog"),
      Entry<afx::CPropertySheet, DialogView>("CPropertySheet"),
      Entry<afx::CTabCtrl, TabView>("CTabCtrl"),
  };
}

}  // namespace gui
