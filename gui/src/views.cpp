#include "views.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBitmap>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <map>
#include <set>

#include "convert.h"
#include "pictures.h"
#include "platform/ui/list_view.h"
#include "qt_backend.h"
#include "window_view.h"

namespace gui {

// The core's names the renderings use come with window_view.h.
namespace person = vcl::person;

View::~View() = default;
void View::Detach() {}

namespace {

void Frame3D(QPainter& p, QRect r, const QColor& topLeft, const QColor& bottomRight, int width) {
  for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.topRight(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.bottomRight());
    r.adjust(1, 1, -1, -1);
  }
}

Qt::Alignment ToAlignment(vcl::TAlignment a, Qt::Alignment vertical) {
  switch (a) {
    case vcl::taRightJustify: return Qt::AlignRight | vertical;
    case vcl::taCenter: return Qt::AlignHCenter | vertical;
    default: return Qt::AlignLeft | vertical;
  }
}

Qt::PenStyle ToPenStyle(plat::TPenStyle s) {
  switch (s) {
    case plat::psDash: return Qt::DashLine;
    case plat::psDot: return Qt::DotLine;
    case plat::psDashDot: return Qt::DashDotLine;
    case plat::psDashDotDot: return Qt::DashDotDotLine;
    case plat::psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

QBrush ToQBrush(plat::TColor color, plat::TBrushStyle s) {
  Qt::BrushStyle style = Qt::SolidPattern;
  switch (s) {
    case plat::bsClear: return QBrush(Qt::NoBrush);
    case plat::bsHorizontal: style = Qt::HorPattern; break;
    case plat::bsVertical: style = Qt::VerPattern; break;
    case plat::bsFDiagonal: style = Qt::BDiagPattern; break;  // "/" in the classic naming
    case plat::bsBDiagonal: style = Qt::FDiagPattern; break;
    case plat::bsCross: style = Qt::CrossPattern; break;
    case plat::bsDiagCross: style = Qt::DiagCrossPattern; break;
    default: break;
  }
  return QBrush(ToQColor(color), style);
}

// ---------------------------------------------------------------- widgets
// A widget that tells the core about clicks and mouse moves.
template <class Base>
class Clickable : public Base {
 public:
  template <class... A>
  explicit Clickable(QtBackend& b, std::uint64_t id, A&&... a) : Base(std::forward<A>(a)...), backend_(&b), id_(id) {}

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    Base::mousePressEvent(e);
    if (e->button() == Qt::LeftButton) pressed_ = true;
    e->accept();
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    const bool click = pressed_ && e->button() == Qt::LeftButton && this->rect().contains(e->position().toPoint());
    pressed_ = false;
    Base::mouseReleaseEvent(e);
    if (click) Act<vcl::TControl>(*backend_, id_, [](vcl::TControl* c) { person::Click(c); });
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    Base::mouseMoveEvent(e);
    const QPoint at = e->position().toPoint();
    if (this->hasMouseTracking()) {
      Act<vcl::TControl>(*backend_, id_, [at](vcl::TControl* c) { person::MouseMove(c, at.x(), at.y()); });
    }
  }

  QtBackend* backend_;
  std::uint64_t id_;
  bool pressed_ = false;
};

class FormWidget : public QWidget {
 public:
  FormWidget(QtBackend& b, std::uint64_t id) : QWidget(nullptr, Qt::Window), backend_(b), id_(id) {}
  std::function<void()> onResize;
  // A disabled form takes no input but keeps its look (behind a modal form,
  // under the wait window), as the classic desktop shows it.
  bool blocked = false;

 protected:
  // The window manager may close any window, close box or not: the core
  // decides what happens, Qt closes nothing by itself.
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    Act<vcl::TForm>(backend_, id_, [](vcl::TForm* f) { person::CloseByWindowManager(f); });
  }
  // Escape and Enter are the form's (its Cancel and Default buttons), never
  // a rule of Qt's that closes the window.
  void keyPressEvent(QKeyEvent* e) override {
    const char* key = nullptr;
    if (e->key() == Qt::Key_Escape) key = "Esc";
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) key = "Enter";
    if (!key || (e->modifiers() & ~Qt::KeypadModifier)) {
      QWidget::keyPressEvent(e);
      return;
    }
    e->accept();
    Act<vcl::TForm>(backend_, id_, [key](vcl::TForm* f) { person::PressKeys(f, key); });
  }
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (onResize) onResize();
  }

 private:
  QtBackend& backend_;
  std::uint64_t id_;
};

class PictureWidget : public Clickable<QWidget> {
 public:
  using Clickable::Clickable;
  void Set(QPixmap pm, bool stretch, bool center) {
    pixmap_ = std::move(pm);
    stretch_ = stretch;
    center_ = center;
    update();
  }
  const QPixmap& Pixmap() const { return pixmap_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (pixmap_.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (stretch_) {
      p.drawPixmap(rect(), pixmap_);
    } else if (center_) {
      p.drawPixmap((width() - pixmap_.width()) / 2, (height() - pixmap_.height()) / 2, pixmap_);
    } else {
      p.drawPixmap(0, 0, pixmap_);
    }
  }

 private:
  QPixmap pixmap_;
  bool stretch_ = false;
  bool center_ = false;
};

struct ShapeLook {
  vcl::TShapeType type = vcl::stRectangle;
  plat::PenState pen;
  plat::BrushState brush;
};

class ShapeWidget : public Clickable<QWidget> {
 public:
  using Clickable::Clickable;
  void Set(const ShapeLook& look) {
    look_ = look;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = look_.pen.style == plat::psClear ? 0 : std::max(1, look_.pen.width);
    QRectF r = rect();
    const bool square = look_.type == vcl::stSquare || look_.type == vcl::stRoundSquare || look_.type == vcl::stCircle;
    if (square) {
      const qreal side = std::min(r.width(), r.height());
      r = QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
    }
    r.adjust(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0);  // the pen stays inside, as the core draws it
    if (w > 0) {
      QPen pen(ToQColor(look_.pen.color), w, ToPenStyle(look_.pen.style));
      pen.setJoinStyle(Qt::MiterJoin);
      p.setPen(pen);
    } else {
      p.setPen(Qt::NoPen);
    }
    p.setBrush(ToQBrush(look_.brush.color, look_.brush.style));
    switch (look_.type) {
      case vcl::stEllipse:
      case vcl::stCircle: p.drawEllipse(r); break;
      case vcl::stRoundRect:
      case vcl::stRoundSquare: {
        const qreal radius = std::min(r.width(), r.height()) / 4;
        p.drawRoundedRect(r, radius, radius);
        break;
      }
      default: p.drawRect(r); break;
    }
  }

 private:
  ShapeLook look_;
};

struct PanelLook {
  vcl::TBevelCut outer = vcl::bvRaised;
  vcl::TBevelCut inner = vcl::bvNone;
  int bevelWidth = 1;
  int borderWidth = 0;
  Qt::Alignment alignment = Qt::AlignCenter;
  QString caption;
};

void PaintBevelCut(QPainter& p, QRect& r, vcl::TBevelCut cut, int width) {
  const QColor light = ToQColor(plat::clBtnHighlight);
  const QColor dark = ToQColor(plat::clBtnShadow);
  if (cut == vcl::bvRaised) Frame3D(p, r, light, dark, width);
  if (cut == vcl::bvLowered) Frame3D(p, r, dark, light, width);
  if (cut != vcl::bvNone) r.adjust(width, width, -width, -width);
}

class PanelWidget : public Clickable<QWidget> {
 public:
  using Clickable::Clickable;
  void Set(PanelLook look) {
    look_ = std::move(look);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QRect r = rect();
    PaintBevelCut(p, r, look_.outer, look_.bevelWidth);
    r.adjust(look_.borderWidth, look_.borderWidth, -look_.borderWidth, -look_.borderWidth);
    PaintBevelCut(p, r, look_.inner, look_.bevelWidth);
    if (look_.caption.isEmpty()) return;
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    p.drawText(r.adjusted(2, 0, -2, 0), static_cast<int>(look_.alignment), look_.caption);
  }

 private:
  PanelLook look_;
};

class BevelWidget : public QWidget {
 public:
  BevelWidget() { setAttribute(Qt::WA_TransparentForMouseEvents); }
  void Set(vcl::TBevelShape shape, vcl::TBevelStyle style) {
    shape_ = shape;
    style_ = style;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QColor first = ToQColor(plat::clBtnShadow), second = ToQColor(plat::clBtnHighlight);
    if (style_ == vcl::bsRaised) std::swap(first, second);
    const QRect r = rect();
    switch (shape_) {
      case vcl::bsBox: Frame3D(p, r, first, second, 1); break;
      case vcl::bsFrame:
        Frame3D(p, r, first, second, 1);
        Frame3D(p, r.adjusted(1, 1, -1, -1), second, first, 1);
        break;
      case vcl::bsTopLine:
        p.setPen(first); p.drawLine(r.topLeft(), r.topRight());
        p.setPen(second); p.drawLine(r.topLeft() + QPoint(0, 1), r.topRight() + QPoint(0, 1));
        break;
      case vcl::bsBottomLine:
        p.setPen(first); p.drawLine(r.bottomLeft() - QPoint(0, 1), r.bottomRight() - QPoint(0, 1));
        p.setPen(second); p.drawLine(r.bottomLeft(), r.bottomRight());
        break;
      case vcl::bsLeftLine:
        p.setPen(first); p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(second); p.drawLine(r.topLeft() + QPoint(1, 0), r.bottomLeft() + QPoint(1, 0));
        break;
      case vcl::bsRightLine:
        p.setPen(first); p.drawLine(r.topRight() - QPoint(1, 0), r.bottomRight() - QPoint(1, 0));
        p.setPen(second); p.drawLine(r.topRight(), r.bottomRight());
        break;
      case vcl::bsSpacer: break;
    }
  }

 private:
  vcl::TBevelShape shape_ = vcl::bsBox;
  vcl::TBevelStyle style_ = vcl::bsLowered;
};

// The framework's little search animations: a magnifier that circles over
// a folder while the control is active.
class AnimateWidget : public QWidget {
 public:
  AnimateWidget() {
    timer_.setInterval(120);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      ++phase_;
      update();
    });
  }
  void Set(vcl::TCommonAVI avi, bool active) {
    avi_ = avi;
    if (active && !timer_.isActive()) timer_.start();
    if (!active) timer_.stop();
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (avi_ == vcl::aviNone) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    p.setPen(QPen(QColor(150, 120, 30), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(r.width() * 0.2, r.height() * 0.35, r.width() * 0.5, r.height() * 0.45));
    const qreal a = phase_ * 0.5;
    const QPointF c(r.width() * (0.45 + 0.15 * std::cos(a)), r.height() * (0.5 + 0.15 * std::sin(a)));
    const qreal radius = std::min(r.width(), r.height()) * 0.15;
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawLine(c + QPointF(radius * 0.7, radius * 0.7), c + QPointF(radius * 1.8, radius * 1.8));
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(180, 220, 255, 180));
    p.drawEllipse(c, radius, radius);
  }

 private:
  QTimer timer_;
  int phase_ = 0;
  vcl::TCommonAVI avi_ = vcl::aviNone;
};


class GenericView : public TypedView<QWidget> {
 public:
  GenericView(QtBackend& b, Component& c) : TypedView(b, c, new QWidget) {}
};

// ---------------------------------------------------------------- simple controls
class LabelView : public TypedView<QLabel> {
 public:
  LabelView(QtBackend& b, Component& c) : TypedView(b, c, new Clickable<QLabel>(b, c.Id())) {
    Get()->setTextFormat(Qt::PlainText);
  }
  bool Graphic() const override { return true; }

 protected:
  // The framework's labels take their parent's colour unless given their own.
  bool FillsBackground(const plat::Window& w) const override {
    const auto& l = static_cast<const vcl::TLabel&>(w);
    return !l.Transparent && l.Color != plat::clBtnFace;
  }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& l = static_cast<vcl::TLabel&>(w);
    if (flags & (dfCreated | dfText)) Get()->setText(WithoutMnemonic(l.Caption));
    if (flags & (dfCreated | dfAppearance)) {
      Get()->setWordWrap(l.WordWrap);
      Get()->setAlignment(ToAlignment(l.Alignment, Qt::AlignTop));
    }
    if ((flags & (dfCreated | dfText | dfAppearance | dfGeometry)) && l.AutoSize && !l.WordWrap) {
      Get()->resize(Get()->sizeHint());
    }
  }
};

class EditView : public TypedView<QLineEdit> {
 public:
  EditView(QtBackend& b, Component& c) : TypedView(b, c, new QLineEdit) {
    const auto id = c.Id();
    QObject::connect(Get(), &QLineEdit::textEdited, [&b, id](const QString& text) {
      Act<vcl::TEdit>(b, id, [text](vcl::TEdit* e) { person::Type(e, FromQString(text)); });
      Resync(b, id, dfText);
    });
  }

 protected:
  QPalette::ColorRole BackgroundRole() const override { return QPalette::Base; }
  QPalette::ColorRole TextRole() const override { return QPalette::Text; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& e = static_cast<vcl::TEdit&>(w);
    QSignalBlocker block(Get());
    const QString text = ToQString(e.Text);
    if (Get()->text() != text) Get()->setText(text);  // an equal text keeps the cursor where it is
    if (flags & (dfCreated | dfState)) {
      Get()->setReadOnly(e.ReadOnly);
      Get()->setMaxLength(e.MaxLength > 0 ? e.MaxLength.Get() : 32767);
    }
  }
};

class MemoView : public TypedView<QPlainTextEdit> {
 public:
  MemoView(QtBackend& b, Component& c) : TypedView(b, c, new QPlainTextEdit) {
    const auto id = c.Id();
    QPlainTextEdit* edit = Get();
    QObject::connect(edit, &QPlainTextEdit::textChanged, [&b, id, edit] {
      if (b.Mirroring()) return;
      const std::string text = FromQString(edit->toPlainText());
      Act<vcl::TMemo>(b, id, [text](vcl::TMemo* m) { person::Type(m, text); });
    });
  }

 protected:
  QPalette::ColorRole BackgroundRole() const override { return QPalette::Base; }
  QPalette::ColorRole TextRole() const override { return QPalette::Text; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& m = static_cast<vcl::TMemo&>(w);
    QSignalBlocker block(Get());
    // The core drops the empty line after a final line break: what the
    // person typed stays as typed when it means the same lines.
    plat::TStringList shown;
    shown.Text = FromQString(Get()->toPlainText());
    if (shown.Text() != m.Text()) {
      plat::TStringList lines;
      lines.Text = m.Text;
      QStringList out;
      for (const std::string& line : lines) out << ToQString(line);
      Get()->setPlainText(out.join('\n'));
    }
    if (flags & (dfCreated | dfState)) Get()->setReadOnly(m.ReadOnly);
    if (flags & (dfCreated | dfAppearance)) {
      const vcl::TScrollStyle s = m.ScrollBars;
      const bool v = s == vcl::ssVertical || s == vcl::ssBoth;
      const bool h = s == vcl::ssHorizontal || s == vcl::ssBoth;
      Get()->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      Get()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      Get()->setLineWrapMode(m.WordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    }
  }
};

class ComboView : public TypedView<QComboBox> {
 public:
  ComboView(QtBackend& b, Component& c) : TypedView(b, c, new QComboBox) {
    const auto id = c.Id();
    // activated: a person's choice only, never one made from code.
    QObject::connect(Get(), &QComboBox::activated, [&b, id](int index) {
      Act<vcl::TComboBox>(b, id, [index](vcl::TComboBox* cb) { person::Select(cb, index); });
      Resync(b, id, dfContent | dfState | dfText);
    });
  }

 protected:
  QPalette::ColorRole BackgroundRole() const override { return QPalette::Base; }
  QPalette::ColorRole TextRole() const override { return QPalette::Text; }
  void SyncAppearance(plat::Window& w) override {
    WindowView::SyncAppearance(w);
    if (!Paints(w.Color)) return;
    QPalette pal = widget_->palette();  // a drop-down list shows its colour on its face
    SetColor(pal, QPalette::Button, ToQColor(w.Color), true);
    widget_->setPalette(pal);
  }
  void SyncOwn(plat::Window& w, std::uint32_t) override {
    auto& cb = static_cast<vcl::TComboBox&>(w);
    QComboBox* q = Get();
    QSignalBlocker block(q);
    const bool editable = cb.Style != vcl::csDropDownList;
    if (q->isEditable() != editable) {
      q->setEditable(editable);
      if (editable) {
        const auto id = id_;
        QtBackend* b = &backend_;
        QObject::connect(q->lineEdit(), &QLineEdit::textEdited, [b, id](const QString& text) {
          Act<vcl::TComboBox>(*b, id, [text](vcl::TComboBox* c) { person::Type(c, FromQString(text)); });
        });
      }
    }
    QStringList items;
    for (const std::string& s : *cb.Items) items << ToQString(s);
    QStringList shown;
    for (int i = 0; i < q->count(); ++i) shown << q->itemText(i);
    if (items != shown) {
      q->clear();
      q->addItems(items);
    }
    q->setMaxVisibleItems(std::max(1, cb.DropDownCount.Get()));
    q->setCurrentIndex(cb.ItemIndex);
    if (editable) {
      QSignalBlocker blockEdit(q->lineEdit());
      const QString text = ToQString(cb.Text);
      if (q->currentText() != text) q->setEditText(text);
    }
  }
};

QPixmap KindGlyph(vcl::TBitBtnKind kind) {
  switch (kind) {
    case vcl::bkOK:
    case vcl::bkYes:
    case vcl::bkAll: return RenderPicture("BITBTN_OK");
    case vcl::bkCancel:
    case vcl::bkNo:
    case vcl::bkAbort: return RenderPicture("BITBTN_Cancel");
    case vcl::bkHelp: return RenderPicture("BITBTN_Help");
    case vcl::bkClose: return RenderPicture("TB_EXIT", QSize(16, 16));
    case vcl::bkRetry: return RenderPicture("TOOL_Reset", QSize(16, 16));
    default: return {};
  }
}

class ButtonView : public TypedView<QPushButton> {
 public:
  ButtonView(QtBackend& b, Component& c) : TypedView(b, c, new QPushButton) {
    const auto id = c.Id();
    Get()->setAutoDefault(false);
    QObject::connect(Get(), &QPushButton::clicked, [&b, id] {
      Act<vcl::TControl>(b, id, [](vcl::TControl* t) { person::Click(t); });
    });
  }

 protected:
  QPalette::ColorRole TextRole() const override { return QPalette::ButtonText; }
  bool FillsBackground(const plat::Window&) const override { return false; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& b = static_cast<vcl::TButton&>(w);
    if (flags & (dfCreated | dfText)) Get()->setText(ToQString(b.Caption));
    if (flags & (dfCreated | dfState)) Get()->setDefault(b.Default);
    if (auto* bit = dynamic_cast<vcl::TBitBtn*>(&w); bit && (flags & (dfCreated | dfAppearance | dfContent))) {
      QPixmap pm = bit->Glyph->Empty ? KindGlyph(bit->Kind) : RenderBitmap(*bit->Glyph, bit->NumGlyphs);
      Get()->setIcon(pm.isNull() ? QIcon() : QIcon(pm));
      if (!pm.isNull()) Get()->setIconSize(pm.size());
    }
  }
};

// Our faces are wider than the one the forms were laid out for: a caption
// that would be cut short beside its picture goes under it, with the picture
// made smaller to leave the room, so that the whole caption shows.
void FitCaptionUnderPicture(QToolButton& q, int width, int height) {
  constexpr int kMargins = 8;   // the style's frame and padding, both sides
  constexpr int kSpacing = 4;   // between picture and caption
  const QFontMetrics fm(q.font());
  const int text = fm.horizontalAdvance(q.text());
  const QSize icon = q.iconSize();
  if (icon.width() + kSpacing + text + kMargins <= width) return;
  const int side = std::min(icon.height(), height - fm.height() - kSpacing - kMargins);
  if (side < 12 || text + kMargins > width) return;  // no better way: as it was
  q.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  q.setIconSize(QSize(side * icon.width() / std::max(1, icon.height()), side));
}

class SpeedButtonView : public TypedView<QToolButton> {
 public:
  SpeedButtonView(QtBackend& b, Component& c) : TypedView(b, c, new QToolButton) {
    const auto id = c.Id();
    QObject::connect(Get(), &QToolButton::clicked, [&b, id] {
      Act<vcl::TSpeedButton>(b, id, [](vcl::TSpeedButton* s) { person::Click(s); });
      Resync(b, id, dfState);  // Qt toggled the button; the core says whether it is down
    });
  }
  bool Graphic() const override { return true; }

 protected:
  QPalette::ColorRole TextRole() const override { return QPalette::ButtonText; }
  bool FillsBackground(const plat::Window&) const override { return false; }
  void SyncAppearance(plat::Window& w) override {
    WindowView::SyncAppearance(w);
    // A speed button takes clicks whatever handlers it has.
    widget_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
  }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& s = static_cast<vcl::TSpeedButton&>(w);
    QToolButton* q = Get();
    QSignalBlocker block(q);
    if (flags & (dfCreated | dfText | dfAppearance | dfContent)) {
      q->setText(ToQString(s.Caption));
      QPixmap pm = s.Glyph->Empty ? QPixmap() : RenderBitmap(*s.Glyph, s.NumGlyphs);
      q->setIcon(pm.isNull() ? QIcon() : QIcon(pm));
      if (!pm.isNull()) q->setIconSize(pm.size());
      const bool text = !s.Caption().empty();
      if (pm.isNull()) q->setToolButtonStyle(Qt::ToolButtonTextOnly);
      else if (!text) q->setToolButtonStyle(Qt::ToolButtonIconOnly);
      else if (s.Layout == vcl::blGlyphTop || s.Layout == vcl::blGlyphBottom) q->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
      else q->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      if (q->toolButtonStyle() == Qt::ToolButtonTextBesideIcon) FitCaptionUnderPicture(*q, s.Width, s.Height);
      q->setAutoRaise(s.Flat);
    }
    if (flags & (dfCreated | dfState)) {
      q->setCheckable(s.GroupIndex != 0);
      q->setChecked(s.Down);
    }
  }
};

class PanelView : public TypedView<PanelWidget> {
 public:
  PanelView(QtBackend& b, Component& c) : TypedView(b, c, new PanelWidget(b, c.Id())) {}

 protected:
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (!(flags & (dfCreated | dfText | dfAppearance))) return;
    auto& p = static_cast<vcl::TPanel&>(w);
    Get()->Set(PanelLook{p.BevelOuter, p.BevelInner, std::max(0, p.BevelWidth.Get()),
                         std::max(0, p.BorderWidth.Get()), ToAlignment(p.Alignment, Qt::AlignVCenter),
                         WithoutMnemonic(p.Caption)});
  }
};

class GroupBoxView : public TypedView<QGroupBox> {
 public:
  GroupBoxView(QtBackend& b, Component& c) : TypedView(b, c, new QGroupBox) {}

 protected:
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (flags & (dfCreated | dfText)) Get()->setTitle(ToQString(static_cast<vcl::TGroupBox&>(w).Caption));
  }
};

class BevelView : public TypedView<BevelWidget> {
 public:
  BevelView(QtBackend& b, Component& c) : TypedView(b, c, new BevelWidget) {}
  bool Graphic() const override { return true; }

 protected:
  bool FillsBackground(const plat::Window&) const override { return false; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& bv = static_cast<vcl::TBevel&>(w);
    if (flags & (dfCreated | dfAppearance)) Get()->Set(bv.Shape, bv.Style);
  }
  void SyncAppearance(plat::Window& w) override {
    WindowView::SyncAppearance(w);
    widget_->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  }
};

template <class Q>
class CheckView : public TypedView<Q> {
 public:
  CheckView(QtBackend& b, Component& c) : TypedView<Q>(b, c, new Q) {
    const auto id = c.Id();
    this->Get()->setAutoExclusive(false);  // the core unchecks the other radio buttons
    QObject::connect(this->Get(), &QAbstractButton::clicked, [&b, id] {
      Act<vcl::TButtonControl>(b, id, [](vcl::TButtonControl* t) { person::Click(t); });
      Resync(b, id, dfState);
    });
  }

 protected:
  bool FillsBackground(const plat::Window& w) const override { return w.Color != plat::clBtnFace; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& bc = static_cast<vcl::TButtonControl&>(w);
    QSignalBlocker block(this->Get());
    if (flags & (dfCreated | dfText)) this->Get()->setText(ToQString(bc.Caption));
    if (flags & (dfCreated | dfState)) this->Get()->setChecked(bc.Checked);
  }
};

// ---------------------------------------------------------------- pages
class PageControlView : public TypedView<QTabWidget> {
 public:
  PageControlView(QtBackend& b, Component& c) : TypedView(b, c, new QTabWidget) {
    const auto id = c.Id();
    QTabWidget* tabs = Get();
    QObject::connect(tabs, &QTabWidget::currentChanged, [&b, id, tabs](int index) {
      if (b.Mirroring()) return;
      const std::uint64_t sheetId = TaggedId(tabs->widget(index));
      Act<vcl::TPageControl>(b, id, [sheetId](vcl::TPageControl* pc) {
        if (auto* sheet = Live<vcl::TTabSheet>(sheetId)) person::ShowPage(pc, sheet);
      });
      Resync(b, id, dfState);  // the core may keep the page it had
    });
  }

  void SyncTabs(vcl::TPageControl& pc) {
    QTabWidget* tabs = Get();
    if (!tabs || inTabs_) return;  // a sheet made below asks again: this call does it all
    inTabs_ = true;
    QSignalBlocker block(tabs);
    std::vector<QWidget*> want;
    for (int i = 0; i < pc.GetPageCount(); ++i) {
      View* v = backend_.ViewFor(*pc.Pages(i));
      want.push_back(v ? v->Widget() : nullptr);
    }
    bool same = tabs->count() == static_cast<int>(want.size());
    for (int i = 0; same && i < tabs->count(); ++i) same = tabs->widget(i) == want[static_cast<std::size_t>(i)];
    if (!same) {
      while (tabs->count() > 0) tabs->removeTab(0);
      for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i]) tabs->addTab(want[i], QString());
      }
    }
    for (int i = 0; i < tabs->count(); ++i) {
      vcl::TTabSheet* sheet = pc.Pages(i);
      tabs->setTabText(i, ToQString(sheet->Caption));
      tabs->setTabVisible(i, sheet->TabVisible && sheet->Visible);
    }
    const int active = pc.ActivePageIndex;
    if (active >= 0 && active < tabs->count()) tabs->setCurrentIndex(active);
    inTabs_ = false;
  }

 protected:
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (flags & (dfCreated | dfStructure | dfState | dfContent | dfVisibility)) SyncTabs(static_cast<vcl::TPageControl&>(w));
  }

 private:
  bool inTabs_ = false;
};

class TabSheetView : public TypedView<QWidget> {
 public:
  TabSheetView(QtBackend& b, Component& c) : TypedView(b, c, new QWidget) {}

 protected:
  void Place(plat::Window& w) override {
    auto& sheet = static_cast<vcl::TTabSheet&>(w);
    vcl::TPageControl* pc = sheet.PageControl;
    placed_ = pc != nullptr;
    if (pc) {
      if (auto* pv = dynamic_cast<PageControlView*>(backend_.ViewFor(*pc))) pv->SyncTabs(*pc);
    } else if (widget_->parentWidget()) {
      widget_->setParent(nullptr);
    }
  }
  // The tab widget places and shows its pages.
  void SyncGeometry(plat::Window&) override {}
  void SyncVisibility(plat::Window& w) override {
    if (!placed_) {
      widget_->hide();
      return;
    }
    auto& sheet = static_cast<vcl::TTabSheet&>(w);
    if (auto* pv = dynamic_cast<PageControlView*>(backend_.FindView(sheet.PageControl->Id()))) {
      pv->SyncTabs(*sheet.PageControl);
    }
  }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if ((flags & dfText) && !(flags & (dfCreated | dfStructure | dfVisibility))) SyncVisibility(w);
  }
};

// ---------------------------------------------------------------- tree view
bool NodeIn(const vcl::TTreeNode* n, const vcl::TTreeNode* wanted) {
  if (n == wanted) return true;
  for (int i = 0; i < n->GetCount(); ++i) {
    if (NodeIn(n->ItemAt(i), wanted)) return true;
  }
  return false;
}

// Whether node (perhaps a stale pointer, never read) is a node of the tree now.
bool TreeHolds(vcl::TTreeView& tree, const vcl::TTreeNode* node) {
  for (const auto& root : tree.Items->Roots()) {
    if (NodeIn(root.get(), node)) return true;
  }
  return false;
}

class TreeWidget : public QTreeWidget {
 public:
  TreeWidget(QtBackend& b, std::uint64_t id) : backend_(b), id_(id) {
    setHeaderHidden(true);
    setColumnCount(1);
    setDragEnabled(false);  // the core runs drags; Qt's own would bypass it
    setSelectionMode(QAbstractItemView::SingleSelection);
  }

  vcl::TTreeNode* NodeOf(QTreeWidgetItem* item) const {
    return item ? reinterpret_cast<vcl::TTreeNode*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
  }

 protected:
  // The press selects the node (and runs the tree's OnClick) before anything
  // else, a drag included: the drop handlers read what the click chose.
  void mousePressEvent(QMouseEvent* e) override {
    dragArmed_ = false;
    QTreeWidgetItem* item = itemAt(e->position().toPoint());
    const bool onNode = item && e->position().toPoint().x() >= visualItemRect(item).left();
    if (e->button() == Qt::LeftButton && onNode) {
      vcl::TTreeNode* node = NodeOf(item);
      Act<vcl::TTreeView>(backend_, id_, [node](vcl::TTreeView* t) {
        if (TreeHolds(*t, node)) person::ClickNode(t, node);
      });
      dragArmed_ = true;
      pressAt_ = e->position().toPoint();
    }
    QTreeWidget::mousePressEvent(e);
  }

  void mouseMoveEvent(QMouseEvent* e) override {
    if (!(e->buttons() & Qt::LeftButton) || !dragArmed_ || backend_.Mirroring()) {
      QTreeWidget::mouseMoveEvent(e);
      return;
    }
    if (!dragging_) {
      if ((e->position().toPoint() - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
      bool started = false;
      Act<vcl::TTreeView>(backend_, id_, [&started](vcl::TTreeView* t) {
        if (t->DragMode == vcl::dmAutomatic && !person::Dragging() && person::BeginDrag(t).empty()) started = true;
      });
      dragArmed_ = started;
      dragging_ = started;
      if (!started) return;
    }
    backend_.DragMoveTo(e->globalPosition().toPoint());
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    dragArmed_ = false;
    if (dragging_ && e->button() == Qt::LeftButton) {
      dragging_ = false;
      backend_.DragDropAt(e->globalPosition().toPoint());
      return;
    }
    QTreeWidget::mouseReleaseEvent(e);
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (dragging_ && e->key() == Qt::Key_Escape) {
      dragging_ = false;
      dragArmed_ = false;
      backend_.Deliver([] { person::CancelDrag(); });
      QGuiApplication::restoreOverrideCursor();
      return;
    }
    QTreeWidget::keyPressEvent(e);
  }

 private:
  QtBackend& backend_;
  std::uint64_t id_;
  bool dragArmed_ = false;
  bool dragging_ = false;
  QPoint pressAt_;
};

class TreeView : public TypedView<TreeWidget> {
 public:
  TreeView(QtBackend& b, Component& c) : TypedView(b, c, new TreeWidget(b, c.Id())) {
    const auto id = c.Id();
    TreeWidget* tree = Get();
    QObject::connect(tree, &QTreeWidget::itemChanged, [&b, id, tree](QTreeWidgetItem* item, int) {
      if (b.Mirroring()) return;
      vcl::TTreeNode* node = tree->NodeOf(item);
      const std::string text = FromQString(item->text(0));
      Act<vcl::TTreeView>(b, id, [node, text](vcl::TTreeView* t) {
        if (TreeHolds(*t, node)) person::EditLabel(t, node, text);
      });
      Resync(b, id, dfContent);
    });
  }

  void RefreshImages() { rebuild_ = true; }

 protected:
  QPalette::ColorRole BackgroundRole() const override { return QPalette::Base; }
  QPalette::ColorRole TextRole() const override { return QPalette::Text; }

  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& t = static_cast<vcl::TTreeView&>(w);
    TreeWidget* q = Get();
    QSignalBlocker block(q);
    if (flags & (dfCreated | dfAppearance)) {
      q->setIndentation(std::max(0, t.Indent.Get()));
      q->setRootIsDecorated(t.ShowRoot);
      if (vcl::TImageList* images = t.Images) q->setIconSize(QSize(images->Width, images->Height));
    }
    if (flags & (dfCreated | dfState)) {
      q->setEditTriggers(t.ReadOnly ? QAbstractItemView::NoEditTriggers
                                    : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    }
    const bool rebuilt = rebuild_ || (flags & (dfCreated | dfContent | dfAppearance));
    if (rebuilt) Rebuild(t);
    if (rebuilt || (flags & dfState)) {
      QTreeWidgetItem* current = nullptr;
      for (auto& [node, item] : items_) {
        if (node == t.Selected.Get()) current = item;
      }
      if (current) {
        q->setCurrentItem(current);
      } else {
        q->clearSelection();
        q->setCurrentItem(nullptr);
      }
    }
  }

 private:
  QIcon IconOf(vcl::TTreeView& t, const vcl::TTreeNode& n) {
    vcl::TImageList* images = t.Images;
    if (!images) return {};
    const QSize size(images->Width, images->Height);
    auto picture = [&](int index) -> QPixmap {
      if (index < 0 || index >= images->GetCount()) return {};
      const std::string& name = images->PictureName(index);
      auto key = std::make_pair(name, std::make_pair(size.width(), size.height()));
      auto it = cache_.find(key);
      if (it == cache_.end()) it = cache_.emplace(key, RenderPicture(name, size)).first;
      return it->second;
    };
    QIcon icon;
    const QPixmap normal = picture(n.ImageIndex);
    if (!normal.isNull()) icon.addPixmap(normal, QIcon::Normal);
    const QPixmap selected = picture(n.SelectedIndex);
    if (!selected.isNull()) icon.addPixmap(selected, QIcon::Selected);
    return icon;
  }

  void Add(vcl::TTreeView& t, vcl::TTreeNode* n, QTreeWidgetItem* parent, const std::set<const void*>& expanded) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(Get());
    item->setText(0, ToQString(n->Text));
    item->setIcon(0, IconOf(t, *n));
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(n)));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    items_.emplace_back(n, item);
    for (int i = 0; i < n->GetCount(); ++i) Add(t, n->ItemAt(i), item, expanded);
    if (expanded.count(n)) item->setExpanded(true);
  }

  void Rebuild(vcl::TTreeView& t) {
    rebuild_ = false;
    std::set<const void*> expanded;  // compared as addresses only: a gone node is never read
    for (auto& [node, item] : items_) {
      if (item->isExpanded()) expanded.insert(node);
    }
    items_.clear();
    Get()->clear();
    for (const auto& root : t.Items->Roots()) Add(t, root.get(), nullptr, expanded);
  }

  std::vector<std::pair<const vcl::TTreeNode*, QTreeWidgetItem*>> items_;
  std::map<std::pair<std::string, std::pair<int, int>>, QPixmap> cache_;
  bool rebuild_ = false;
};

// ---------------------------------------------------------------- pictures and shapes
class ImageView : public TypedView<PictureWidget> {
 public:
  ImageView(QtBackend& b, Component& c) : TypedView(b, c, new PictureWidget(b, c.Id())) {}
  bool Graphic() const override { return true; }

 protected:
  bool FillsBackground(const plat::Window&) const override { return false; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (!(flags & (dfCreated | dfContent | dfAppearance | dfGeometry))) return;
    auto& img = static_cast<vcl::TImage&>(w);
    Get()->Set(RenderBitmap(*img.Picture->Bitmap), img.Stretch, img.Center);
  }
};

class ShapeView : public TypedView<ShapeWidget> {
 public:
  ShapeView(QtBackend& b, Component& c) : TypedView(b, c, new ShapeWidget(b, c.Id())) {}
  bool Graphic() const override { return true; }

 protected:
  bool FillsBackground(const plat::Window&) const override { return false; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (!(flags & (dfCreated | dfAppearance))) return;
    auto& s = static_cast<vcl::TShape&>(w);
    Get()->Set(ShapeLook{s.Shape, {s.Pen->Color, s.Pen->Width, s.Pen->Style}, {s.Brush->Color, s.Brush->Style}});
  }
};

class AnimateView : public TypedView<AnimateWidget> {
 public:
  AnimateView(QtBackend& b, Component& c) : TypedView(b, c, new AnimateWidget) {}

 protected:
  bool FillsBackground(const plat::Window&) const override { return false; }
  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& a = static_cast<vcl::TAnimate&>(w);
    if (flags & (dfCreated | dfContent | dfState)) Get()->Set(a.CommonAVI, a.Active && a.Showing());
  }
};

// ---------------------------------------------------------------- forms and menus
class FormView : public TypedView<FormWidget> {
 public:
  FormView(QtBackend& b, Component& c) : TypedView(b, c, new FormWidget(b, c.Id())) {
    client_ = new QWidget(Get());
    TagWidget(client_, c.Id());
    Get()->onResize = [this] { Layout(); };
  }

  QWidget* ChildContainer() const override { return client_; }

  void Detach() override {
    if (Get()) Get()->onResize = nullptr;
    shortcuts_.clear();
    menuHolder_.reset();
    TypedView::Detach();
  }

  void SetModal(bool modal, bool visible) {
    FormWidget* q = Get();
    if (!q) return;
    const Qt::WindowModality want = modal ? Qt::ApplicationModal : Qt::NonModal;
    if (q->windowModality() == want) return;
    const bool shown = q->isVisible();
    if (shown) q->hide();  // Qt takes a new modality only while hidden
    q->setWindowModality(want);
    if (shown && visible) q->show();
  }

  // The menu bar and the form's shortcuts, from the form's main menu. A
  // hidden item's shortcut still works: a QShortcut of the form, never the
  // (hidden, so dead) QAction's.
  void SyncMenu(vcl::TForm& f) {
    FormWidget* q = Get();
    if (!q) return;
    vcl::TMainMenu* menu = f.Menu;
    std::vector<std::uint64_t> shape;
    if (menu) Shape(menu->Items, shape);
    if (shape != shape_ || !menuHolder_ != !menu) {
      shape_ = shape;
      BuildMenu(f, menu);
    }
    for (auto& [itemId, action] : actions_) {
      if (auto* item = Live<vcl::TMenuItem>(itemId); item && action) UpdateAction(*item, *action);
    }
    BuildShortcuts(f, menu);
    ApplySize();
  }

  // Pixels of the transparent colour let what lies behind show through.
  void UpdateMask(vcl::TForm& f) {
    FormWidget* q = Get();
    if (!q) return;
    if (!f.TransparentColor) {
      if (masked_) q->clearMask();
      masked_ = false;
      return;
    }
    if (!q->isVisible()) return;
    const QImage image = q->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The image's mask sets the key-colour pixels; as a widget mask's bitmap
    // those are the cut-away ones.
    q->setMask(QBitmap::fromImage(image.createMaskFromColor(ToQColor(f.TransparentColorValue).rgb(), Qt::MaskInColor)));
    masked_ = true;
  }

 protected:
  void Place(plat::Window&) override { placed_ = true; }
  void SyncEnabled(plat::Window& w) override { Get()->blocked = !w.Enabled; }

  void SyncGeometry(plat::Window& w) override {
    auto& f = static_cast<vcl::TForm&>(w);
    FormWidget* q = Get();
    clientSize_ = ToQtWindowSize(f.ClientWidth.Get(), f.ClientHeight.Get());
    const vcl::TFormBorderStyle bs = f.BorderStyle;
    sizeable_ = bs == vcl::bsSizeable || bs == vcl::bsSizeToolWin;
    ApplySize();
    // A Wayland compositor places windows itself; the core keeps its position.
    if (QGuiApplication::platformName() != "wayland") q->move(ToQtWindowPosition(f.Left, f.Top));
  }

  // The client area has the core's size; the menu bar comes on top of it.
  void ApplySize() {
    FormWidget* q = Get();
    const QSize outer(clientSize_.width(), clientSize_.height() + MenuHeight());
    if (sizeable_) {
      q->setMinimumSize(0, 0);
      q->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      q->resize(outer);
    } else {
      q->setFixedSize(outer);
    }
    Layout();
  }

  void SyncAppearance(plat::Window& w) override {
    auto& f = static_cast<vcl::TForm&>(w);
    FormWidget* q = Get();
    Qt::WindowFlags flags = Qt::Window;
    const vcl::TFormBorderStyle bs = f.BorderStyle;
    if (bs == vcl::bsDialog) flags = Qt::Dialog;
    if (bs == vcl::bsToolWindow || bs == vcl::bsSizeToolWin) flags = Qt::Tool;
    if (bs == vcl::bsNone) {
      flags |= Qt::FramelessWindowHint;
    } else {
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      const vcl::TBorderIcons icons = f.BorderIcons;
      if (icons.Contains(vcl::biSystemMenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      const bool framed = bs == vcl::bsSingle || bs == vcl::bsSizeable;
      if (framed && icons.Contains(vcl::biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
      if (framed && icons.Contains(vcl::biMaximize)) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (f.FormStyle == vcl::fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (q->windowFlags() != flags) {
      const bool shown = q->isVisible();
      q->setWindowFlags(flags);  // hides the window
      if (shown) q->show();
    }
    QPalette pal = client_->palette();
    if (Paints(f.Color)) SetColor(pal, QPalette::Window, ToQColor(f.Color), true);
    client_->setPalette(pal);
    client_->setAutoFillBackground(Paints(f.Color));
    q->setFont(ToQFont(*f.Font));
    const std::string icon = f.Icon;
    q->setWindowIcon(icon.empty() ? QIcon() : QIcon(RenderPicture(icon)));
    if (f.Cursor == plat::crDefault) q->unsetCursor();
    else q->setCursor(ToCursorShape(f.Cursor));
  }

  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    if (flags & (dfCreated | dfText)) {
      Get()->setWindowTitle(ToQString(w.Text));
      Get()->setObjectName(ToQString(w.Name));
    }
    if (flags & (dfCreated | dfStructure)) backend_.NeedMenus();
  }

  void SyncVisibility(plat::Window& w) override {
    FormWidget* q = Get();
    if (w.Visible && !static_cast<vcl::TForm&>(w).InShowHandler()) {
      if (!q->isVisible()) {
        q->show();
        if (QGuiApplication::platformName() != "offscreen") q->raise();  // it has no stacking
        q->activateWindow();
      }
    } else if (q->isVisible()) {
      q->hide();
    }
  }

 private:
  int MenuHeight() const { return bar_ ? bar_->sizeHint().height() : 0; }

  void Layout() {
    FormWidget* q = Get();
    if (!q) return;
    const int mh = MenuHeight();
    if (bar_) bar_->setGeometry(0, 0, q->width(), mh);
    client_->setGeometry(0, mh, q->width(), std::max(0, q->height() - mh));
  }

  static void Shape(vcl::TMenuItem* item, std::vector<std::uint64_t>& out) {
    for (int i = 0; i < item->GetCount(); ++i) {
      vcl::TMenuItem* child = item->ItemAt(i);
      out.push_back(child->Id());
      Shape(child, out);
      out.push_back(0);  // closes the level
    }
  }

  void UpdateAction(vcl::TMenuItem& item, QAction& action) {
    QString text = ToQString(item.Caption);
    if (item.ShortCut.Get() != 0) text += "\t" + ToQString(vcl::ShortCutToText(item.ShortCut));
    action.setText(text);
    action.setVisible(item.Visible);
    action.setEnabled(item.Enabled);
    action.setCheckable(item.Checked);
    action.setChecked(item.Checked);
    action.setStatusTip(ToQString(item.Hint));
  }

  void AddItems(vcl::TMenuItem* parent, QMenu* into, QMenuBar* bar) {
    for (int i = 0; i < parent->GetCount(); ++i) {
      vcl::TMenuItem* item = parent->ItemAt(i);
      QAction* action = nullptr;
      if (item->Caption() == "-") {
        action = into ? into->addSeparator() : bar->addSeparator();
      } else if (item->GetCount() > 0) {
        auto* sub = new QMenu(ToQString(item->Caption), into ? static_cast<QWidget*>(into) : bar);
        AddItems(item, sub, nullptr);
        action = into ? into->addMenu(sub) : bar->addMenu(sub);
      } else {
        action = into ? into->addAction(QString()) : bar->addAction(QString());
        const auto itemId = item->Id();
        QtBackend* b = &backend_;
        QObject::connect(action, &QAction::triggered, [b, itemId] {
          Act<vcl::TMenuItem>(*b, itemId, [](vcl::TMenuItem* m) { person::ChooseMenu(m); });
        });
      }
      actions_.emplace_back(item->Id(), action);
    }
  }

  void BuildMenu(vcl::TForm&, vcl::TMainMenu* menu) {
    actions_.clear();
    if (bar_) bar_->hide();
    menuHolder_.reset();
    bar_ = nullptr;
    if (!menu || menu->Items->GetCount() == 0) return;
    menuHolder_.reset(new QMenuBar(Get()));
    bar_ = static_cast<QMenuBar*>(menuHolder_.get());
    AddItems(menu->Items, nullptr, bar_);
    bar_->show();
  }

  static void Shortcuts(vcl::TMenuItem* item, std::set<vcl::TShortCut>& out) {
    for (int i = 0; i < item->GetCount(); ++i) {
      vcl::TMenuItem* child = item->ItemAt(i);
      if (child->ShortCut.Get() != 0) out.insert(child->ShortCut);
      Shortcuts(child, out);
    }
  }

  void BuildShortcuts(vcl::TForm&, vcl::TMainMenu* menu) {
    std::set<vcl::TShortCut> keys;
    if (menu) Shortcuts(menu->Items, keys);
    if (keys == shortcutKeys_) return;
    shortcutKeys_ = keys;
    shortcuts_.clear();
    for (vcl::TShortCut sc : keys) {
      const QKeySequence seq = ToKeySequence(sc);
      if (seq.isEmpty()) continue;
      auto* shortcut = new QShortcut(seq, Get());
      shortcut->setContext(Qt::WindowShortcut);
      const auto formId = id_;
      const std::string text = vcl::ShortCutToText(sc);
      QtBackend* b = &backend_;
      QObject::connect(shortcut, &QShortcut::activated, [b, formId, text] {
        Act<vcl::TForm>(*b, formId, [text](vcl::TForm* f) { person::PressKeys(f, text); });
      });
      shortcuts_.emplace_back(shortcut);
    }
  }

  struct Later {
    void operator()(QObject* o) const {
      if (o) o->deleteLater();  // a menu's action may be running
    }
  };

  QWidget* client_ = nullptr;
  QMenuBar* bar_ = nullptr;
  std::unique_ptr<QObject, Later> menuHolder_;
  std::vector<std::pair<std::uint64_t, QPointer<QAction>>> actions_;
  std::vector<std::unique_ptr<QShortcut, Later>> shortcuts_;
  std::set<vcl::TShortCut> shortcutKeys_;
  std::vector<std::uint64_t> shape_;
  QSize clientSize_;
  bool sizeable_ = false;
  bool masked_ = false;
};

// ---------------------------------------------------------------- non-visual
class NonVisualView : public View {
 public:
  using View::View;
  void Sync(Component&, std::uint32_t) override {}
};

class MenuView : public View {
 public:
  using View::View;
  void Sync(Component&, std::uint32_t) override { backend_.NeedMenus(); }
};

class ImageListView : public View {
 public:
  using View::View;
  void Sync(Component&, std::uint32_t) override { backend_.NeedTreeImages(); }
};

class ScreenView : public View {
 public:
  using View::View;
  void Sync(Component& c, std::uint32_t) override { backend_.ApplyScreenCursor(static_cast<plat::Screen&>(c).Cursor); }
};

}  // namespace

// ---------------------------------------------------------------- the table
const std::vector<Rendering>& Renderings() {
  static const std::vector<Rendering> table = {
      Entry<vcl::TForm, FormView>("TForm"),
      Entry<vcl::TLabel, LabelView>("TLabel"),
      Entry<vcl::TEdit, EditView>("TEdit"),
      Entry<vcl::TMemo, MemoView>("TMemo"),
      Entry<vcl::TComboBox, ComboView>("TComboBox"),
      Entry<vcl::TBitBtn, ButtonView>("TBitBtn"),
      Entry<vcl::TButton, ButtonView>("TButton"),
      Entry<vcl::TSpeedButton, SpeedButtonView>("TSpeedButton"),
      Entry<vcl::TPanel, PanelView>("TPanel"),
      Entry<vcl::TGroupBox, GroupBoxView>("TGroupBox"),
      Entry<vcl::TBevel, BevelView>("TBevel"),
      Entry<vcl::TRadioButton, CheckView<QRadioButton>>("TRadioButton"),
      Entry<vcl::TCheckBox, CheckView<QCheckBox>>("TCheckBox"),
      Entry<vcl::TPageControl, PageControlView>("TPageControl"),
      Entry<vcl::TTabSheet, TabSheetView>("TTabSheet"),
      Entry<vcl::TTreeView, TreeView>("TTreeView"),
      Entry<vcl::TImage, ImageView>("TImage"),
      Entry<vcl::TShape, ShapeView>("TShape"),
      Entry<vcl::TAnimate, AnimateView>("TAnimate"),
      Entry<vcl::TMainMenu, MenuView>("TMainMenu"),
      Entry<vcl::TMenuItem, MenuView>("TMenuItem"),
      Entry<vcl::TImageList, ImageListView>("TImageList"),
      // Nothing to show: they act through the core and the boxes and dialogs.
      Entry<vcl::TTimer, NonVisualView>("TTimer"),
      Entry<vcl::TSaveDialog, NonVisualView>("TSaveDialog"),
      Entry<vcl::TOpenDialog, NonVisualView>("TOpenDialog"),
      Entry<vcl::TColorDialog, NonVisualView>("TColorDialog"),
      {"ListView", &Is<plat::ListView>, &MakeListViewView},
      // Any other window of the core: a plain surface in its colour.
      Entry<plat::Window, GenericView>("Window"),
      Entry<plat::Screen, ScreenView>("TScreen"),
      Entry<plat::Application, NonVisualView>("TApplication"),
      // Whatever else the core makes shows nothing.
      Entry<plat::Component, NonVisualView>("TComponent"),
  };
  return table;
}

namespace {
std::vector<Rendering>& AddedRenderings() {
  static auto* added = new std::vector<Rendering>;
  return *added;
}
}  // namespace

void AddRenderings(const std::vector<Rendering>& renderings) {
  auto& added = AddedRenderings();
  added.insert(added.begin(), renderings.begin(), renderings.end());
}

const Rendering* RenderingFor(Component& c) {
  for (const Rendering& r : AddedRenderings()) {
    if (r.matches(c)) return &r;
  }
  for (const Rendering& r : Renderings()) {
    if (r.matches(c)) return &r;
  }
  return nullptr;
}

bool InputBlocked(const QWidget* w) {
  auto* form = w ? dynamic_cast<const FormWidget*>(w->window()) : nullptr;
  return form && form->blocked;
}

void TagWidget(QWidget* w, std::uint64_t id) { w->setProperty(kIdProperty, QVariant::fromValue<qulonglong>(id)); }

std::uint64_t TaggedId(const QWidget* w) {
  for (; w; w = w->parentWidget()) {
    const QVariant v = w->property(kIdProperty);
    if (v.isValid()) return v.toULongLong();
  }
  return 0;
}

// Friend access for the backend: forms' modality, menus, masks, tree pictures.
void SetFormModal(View* v, bool modal, bool visible) {
  if (auto* f = dynamic_cast<FormView*>(v)) f->SetModal(modal, visible);
}
void SyncFormMenu(View* v, vcl::TForm& form) {
  if (auto* f = dynamic_cast<FormView*>(v)) f->SyncMenu(form);
}
void UpdateFormMask(View* v, vcl::TForm& form) {
  if (auto* f = dynamic_cast<FormView*>(v)) f->UpdateMask(form);
}
void RefreshTreePictures(View* v, vcl::TTreeView& tree) {
  if (auto* t = dynamic_cast<TreeView*>(v)) {
    t->RefreshImages();
    t->Sync(tree, dfAppearance);
  }
}

// ---------------------------------------------------------------- bitmaps and canvases
void ReplayCanvas(QPainter& p, const plat::TCanvas& canvas) {
  const auto& ops = canvas.Operations();
  if (ops.empty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  for (const plat::CanvasOp& op : ops) {
    const plat::TRect& r = op.rect;
    const int w = op.pen.style == plat::psClear ? 0 : std::max(1, op.pen.width);
    const QColor penColor = ToQColor(op.pen.color);
    const QBrush brush = ToQBrush(op.brush.color, op.brush.style);
    switch (op.kind) {
      case plat::CanvasOp::MoveTo: break;
      case plat::CanvasOp::LineTo:
        if (w > 0) {
          QPen pen(penColor, w, ToPenStyle(op.pen.style), Qt::SquareCap, Qt::MiterJoin);
          p.setPen(pen);
          p.drawLine(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom));
        }
        break;
      case plat::CanvasOp::FillRect:
        p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), brush);
        break;
      case plat::CanvasOp::Rectangle: {
        // The pen lies inside the box and the brush fills what it leaves.
        const QRect box(r.Left, r.Top, r.Width(), r.Height());
        p.fillRect(box.adjusted(w, w, -w, -w), brush);
        if (w > 0) {
          p.fillRect(QRect(box.left(), box.top(), box.width(), w), penColor);
          p.fillRect(QRect(box.left(), box.bottom() - w + 1, box.width(), w), penColor);
          p.fillRect(QRect(box.left(), box.top(), w, box.height()), penColor);
          p.fillRect(QRect(box.right() - w + 1, box.top(), w, box.height()), penColor);
        }
        break;
      }
      case plat::CanvasOp::Ellipse: {
        p.setPen(w > 0 ? QPen(penColor, w) : QPen(Qt::NoPen));
        p.setBrush(brush);
        p.drawEllipse(QRectF(r.Left + w / 2.0, r.Top + w / 2.0, r.Width() - w, r.Height() - w));
        break;
      }
      case plat::CanvasOp::TextOut: {
        const QFont font = ToQFont(*canvas.Font);
        p.setFont(font);
        const QFontMetrics fm(font);
        const QString text = ToQString(op.text);
        const QRect box(r.Left, r.Top, fm.horizontalAdvance(text), fm.height());
        if (op.brush.style != plat::bsClear) p.fillRect(box, brush);
        p.setPen(ToQColor(op.fontColor));
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
        break;
      }
      case plat::CanvasOp::CopyImage:
      case plat::CanvasOp::StretchImage:
        if (op.image) {
          // Rows and columns are dropped or repeated, never blended, as the
          // core's own pixels have it.
          p.setRenderHint(QPainter::SmoothPixmapTransform, false);
          p.drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQImage(*op.image),
                      QRect(op.source.Left, op.source.Top, op.source.Width(), op.source.Height()));
        }
        break;
    }
  }
  p.restore();
}

QPixmap RenderBitmap(plat::TBitmap& bmp, int numGlyphs) {
  const std::string resource = bmp.ResourceName;
  int w = bmp.Width, h = bmp.Height;
  if (w <= 0 || h <= 0) {
    if (resource.empty()) return {};
    const QSize s = PictureSize(resource);
    w = s.width();
    h = s.height();
  }
  // A strip of glyphs (up, disabled, ...) shows its first one; Qt greys a
  // disabled button's picture itself.
  const int cell = numGlyphs > 1 ? std::max(1, w / numGlyphs) : w;
  QPixmap pm(cell, h);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  if (!resource.empty()) PaintPicture(p, resource, QRectF(0, 0, cell, h));
  ReplayCanvas(p, *bmp.Canvas);
  return pm;
}

}  // namespace gui
