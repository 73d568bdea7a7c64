// The controls of the façade's dialogs as widgets: statics (texts, frames,
// pictures, and what the program drew on them), buttons (push buttons,
// check boxes, group frames), edit fields, list boxes with and without
// check boxes, progress bars. What a person does goes back through
// afx::person; the widget then shows what the core holds.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

#include "dialog_views.h"
#include "pictures.h"
#include "platform/afx/dialog.h"
#include "window_view.h"

namespace gui {

namespace {

namespace person = afx::person;

// ---------------------------------------------------------------- statics
class StaticWidget : public QWidget {
 public:
  StaticWidget(QtBackend& b, std::uint64_t id) : backend_(b), id_(id) { setMouseTracking(true); }

 protected:
  void paintEvent(QPaintEvent*) override {
    auto* s = Live<afx::CStatic>(id_);
    if (!s) return;
    QPainter p(this);
    const QRect outer = rect();
    const int edge = s->EdgeWidth();
    const QRect inner = outer.adjusted(edge, edge, -edge, -edge);
    switch (s->Kind()) {
      case afx::SS_BITMAP:
        PaintPicture(p, s->GetBitmap(), QRectF(inner));
        break;
      case afx::SS_BLACKFRAME:
        break;
      default: {
        p.setFont(font());
        // The control's class may choose its text colour (a link does, by its state).
        const afx::CStatic::PaintColors colors = s->QueryPaintColors();
        p.setPen(colors.own ? ToQColor(colors.text)
                            : palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        int align = Qt::TextWordWrap;
        align |= (s->Style & afx::SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
        if (s->Kind() == afx::SS_CENTER) align |= Qt::AlignHCenter;
        else if (s->Kind() == afx::SS_RIGHT) align |= Qt::AlignRight;
        else align |= Qt::AlignLeft;
        p.drawText(inner, align, WithoutMnemonic(s->GetWindowText()));
        break;
      }
    }
    // The edges: sunken (shadow above and left, light below and right), then the black frame.
    if (s->Style & afx::SS_SUNKEN || s->ExStyle & (afx::WS_EX_STATICEDGE | afx::WS_EX_CLIENTEDGE)) {
      const QRect r = outer.adjusted(0, 0, -1, -1);
      p.setPen(palette().color(QPalette::Dark));
      p.drawLine(r.topLeft(), r.topRight());
      p.drawLine(r.topLeft(), r.bottomLeft());
      p.setPen(palette().color(QPalette::Light));
      p.drawLine(r.bottomLeft(), r.bottomRight());
      p.drawLine(r.topRight(), r.bottomRight());
    }
    if (s->Kind() == afx::SS_BLACKFRAME || (s->Style & afx::WS_BORDER)) {
      const int in = (s->Style & afx::SS_SUNKEN) ? 1 : 0;
      p.setPen(Qt::black);
      p.drawRect(outer.adjusted(in, in, -1 - in, -1 - in));
    }
    // What the program drew on the window, from its outer corner.
    if (const plat::TCanvas* drawn = s->DrawnSurface()) ReplayCanvas(p, *drawn);
  }

  // The mouse goes to the control as the classic loop delivers it; its
  // class decides (a notifying static tells its parent of a click).
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    Send(afx::WM_LBUTTONDOWN, e->position().toPoint());
    // A control that took the focus with the click gets the keys.
    if (auto* s = Live<afx::CStatic>(id_); s && afx::CWnd::GetFocus() == s) {
      setFocusPolicy(Qt::ClickFocus);
      setFocus(Qt::MouseFocusReason);
    }
  }
  // The mouse left: a control that holds the capture hears of a point outside it.
  void leaveEvent(QEvent*) override {
    if (auto* s = Live<afx::CStatic>(id_); s && afx::CWnd::GetCapture() == s) Send(afx::WM_MOUSEMOVE, QPoint(-1, -1));
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() != Qt::Key_Space) {
      QWidget::keyPressEvent(e);
      return;
    }
    Act<afx::CStatic>(backend_, id_, [](afx::CStatic* s) { afx::person::PressKey(s, afx::VK_SPACE); });
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) Send(afx::WM_LBUTTONUP, e->position().toPoint());
  }
  void mouseMoveEvent(QMouseEvent* e) override { Send(afx::WM_MOUSEMOVE, e->position().toPoint()); }

 private:
  void Send(afx::UINT message, QPoint at) {
    if (InputBlocked(this)) return;
    Act<afx::CStatic>(backend_, id_, [message, at](afx::CStatic* s) {
      const int edge = s->EdgeWidth();
      person::Mouse(s, message, at.x() - edge, at.y() - edge);
    });
  }

  QtBackend& backend_;
  std::uint64_t id_;
};

class StaticView : public TypedView<StaticWidget> {
 public:
  StaticView(QtBackend& b, Component& c) : TypedView(b, c, new StaticWidget(b, c.Id())) {}

 protected:
  bool FillsBackground(const plat::Window&) const override { return false; }
  void SyncOwn(plat::Window&, std::uint32_t flags) override {
    if (flags & (dfText | dfContent | dfAppearance | dfState)) Get()->update();
  }
};

// ---------------------------------------------------------------- buttons
template <class W>
class ButtonView : public TypedView<W> {
 public:
  ButtonView(QtBackend& b, Component& c) : TypedView<W>(b, c, new W) {
    const std::uint64_t id = c.Id();
    QObject::connect(this->Get(), &QAbstractButton::clicked, [&b, id] {
      Act<afx::CButton>(b, id, [](afx::CButton* button) { person::Click(button); });
      Resync(b, id, dfState);
    });
  }

 protected:
  // A check box shows its dialog's face behind its text.
  bool FillsBackground(const plat::Window&) const override { return std::is_same_v<W, QPushButton>; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& button = static_cast<afx::CButton&>(w);
    W* q = this->Get();
    if (flags & (dfCreated | dfText)) q->setText(ToQString(button.GetWindowText()));
    if constexpr (std::is_same_v<W, QPushButton>) {
      q->setDefault(button.IsDefault());
      q->setAutoDefault(false);
    } else {
      QSignalBlocker block(q);
      q->setChecked(button.GetCheck() == afx::BST_CHECKED);
    }
  }
};

class GroupView : public TypedView<QGroupBox> {
 public:
  GroupView(QtBackend& b, Component& c) : TypedView(b, c, new QGroupBox) {}

 protected:
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (flags & (dfCreated | dfText)) Get()->setTitle(WithoutMnemonic(w.Text));
  }
};

std::unique_ptr<View> MakeButtonView(QtBackend& b, Component& c) {
  auto& button = static_cast<afx::CButton&>(c);
  if (button.IsCheckBox()) return std::make_unique<ButtonView<QCheckBox>>(b, c);
  if (button.Kind() == afx::BS_GROUPBOX) return std::make_unique<GroupView>(b, c);
  return std::make_unique<ButtonView<QPushButton>>(b, c);
}

// ---------------------------------------------------------------- edit fields
class EditView : public TypedView<QLineEdit> {
 public:
  EditView(QtBackend& b, Component& c) : TypedView(b, c, new QLineEdit) {
    const std::uint64_t id = c.Id();
    QObject::connect(Get(), &QLineEdit::textEdited, [&b, id](const QString& text) {
      Act<afx::CEdit>(b, id, [text](afx::CEdit* e) { person::Type(e, FromQString(text)); });
      Resync(b, id, dfText);
    });
  }

 protected:
  QPalette::ColorRole BackgroundRole() const override { return QPalette::Base; }
  QPalette::ColorRole TextRole() const override { return QPalette::Text; }
  void SyncOwn(plat::Window& w, std::uint32_t) override {
    QSignalBlocker block(Get());
    const QString text = ToQString(w.Text);
    if (Get()->text() != text) Get()->setText(text);  // an equal text keeps the cursor where it is
    Get()->setFrame((w.Style & afx::WS_BORDER) != 0);
  }
};

// ---------------------------------------------------------------- list boxes
class ListBoxView : public TypedView<QListWidget> {
 public:
  ListBoxView(QtBackend& b, Component& c) : TypedView(b, c, new QListWidget) {
    const std::uint64_t id = c.Id();
    QListWidget* q = Get();
    q->setSelectionMode(QAbstractItemView::SingleSelection);
    q->setUniformItemSizes(true);
    QObject::connect(q, &QListWidget::currentRowChanged, [this, &b, id](int row) {
      if (syncing_ || row < 0) return;
      Act<afx::CListBox>(b, id, [row](afx::CListBox* list) { person::Select(list, row); });
      Resync(b, id, dfState | dfContent);
    });
    QObject::connect(q, &QListWidget::itemChanged, [this, &b, id, q](QListWidgetItem* item) {
      if (syncing_ || !item) return;
      const int row = q->row(item);
      const int wanted = item->checkState() == Qt::Checked ? afx::BST_CHECKED : afx::BST_UNCHECKED;
      Act<afx::CCheckListBox>(b, id, [row, wanted](afx::CCheckListBox* list) {
        if (list->GetCheck(row) != wanted) person::ToggleCheck(list, row);
      });
      Resync(b, id, dfState | dfContent);
    });
  }

 protected:
  QPalette::ColorRole BackgroundRole() const override { return QPalette::Base; }
  QPalette::ColorRole TextRole() const override { return QPalette::Text; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& list = static_cast<afx::CListBox&>(w);
    const bool checks = dynamic_cast<afx::CCheckListBox*>(&list) != nullptr;
    QListWidget* q = Get();
    syncing_ = true;
    if (flags & (dfCreated | dfContent)) {
      if (q->count() != list.GetCount()) {
        q->clear();
        for (int i = 0; i < list.GetCount(); ++i) q->addItem(QString());
      }
      for (int i = 0; i < list.GetCount(); ++i) {
        QListWidgetItem* item = q->item(i);
        const QString text = ToQString(list.GetText(i));
        if (item->text() != text) item->setText(text);
        if (checks) {
          item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
          item->setCheckState(list.CheckOf(i) == afx::BST_CHECKED ? Qt::Checked : Qt::Unchecked);
        }
      }
      q->setVerticalScrollBarPolicy((list.Style & afx::WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
      q->setFrameShape((list.Style & afx::WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
    }
    if (q->currentRow() != list.GetCurSel()) {
      q->setCurrentRow(list.GetCurSel());
      if (list.GetCurSel() < 0) q->clearSelection();
    }
    syncing_ = false;
  }

 private:
  bool syncing_ = false;
};

// ---------------------------------------------------------------- progress bars
class ProgressView : public TypedView<QProgressBar> {
 public:
  ProgressView(QtBackend& b, Component& c) : TypedView(b, c, new QProgressBar) { Get()->setTextVisible(false); }

 protected:
  void SyncOwn(plat::Window& w, std::uint32_t) override {
    auto& bar = static_cast<afx::CProgressCtrl&>(w);
    int lower = 0, upper = 0;
    bar.GetRange(lower, upper);
    Get()->setRange(std::min(lower, upper), std::max(lower, upper));
    Get()->setValue(bar.GetPos());
  }
};

}  // namespace

std::vector<Rendering> DialogControlRenderings() {
  return {
      Entry<afx::CStatic, StaticView>("CStatic"),
      {"CButton", &Is<afx::CButton>, &MakeButtonView},
      Entry<afx::CEdit, EditView>("CEdit"),
      Entry<afx::CListBox, ListBoxView>("CListBox"),
      Entry<afx::CProgressCtrl, ProgressView>("CProgressCtrl"),
  };
}

}  // namespace gui
