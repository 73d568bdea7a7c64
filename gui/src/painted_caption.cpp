#include "painted_caption.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "pictures.h"
#include "qt_backend.h"
#include "window_view.h"

namespace gui {

namespace {

QFont FontOf(const afx::LOGFONTA& f) {
  QFont font(QString::fromLatin1(f.lfFaceName));
  font.setPixelSize(std::max(1, std::abs(static_cast<int>(f.lfHeight))));
  font.setBold(f.lfWeight >= afx::FW_BOLD);
  font.setItalic(f.lfItalic != 0);
  return font;
}

QColor ColorOf(afx::COLORREF c) { return QColor(afx::GetRValue(c), afx::GetGValue(c), afx::GetBValue(c)); }

QRect RectOf(const afx::RECT& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

Qt::Edges EdgesOf(afx::LRESULT hit) {
  switch (hit) {
    case afx::HTLEFT: return Qt::LeftEdge;
    case afx::HTRIGHT: return Qt::RightEdge;
    case afx::HTTOP: return Qt::TopEdge;
    case afx::HTBOTTOM: return Qt::BottomEdge;
    case afx::HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case afx::HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case afx::HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case afx::HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
  }
}

Qt::CursorShape CursorOf(afx::LRESULT hit) {
  switch (hit) {
    case afx::HTLEFT:
    case afx::HTRIGHT: return Qt::SizeHorCursor;
    case afx::HTTOP:
    case afx::HTBOTTOM: return Qt::SizeVerCursor;
    case afx::HTTOPLEFT:
    case afx::HTBOTTOMRIGHT: return Qt::SizeFDiagCursor;
    case afx::HTTOPRIGHT:
    case afx::HTBOTTOMLEFT: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

bool IsButton(afx::LRESULT hit) { return hit == afx::HTCLOSE || hit == afx::HTMAXBUTTON || hit == afx::HTMINBUTTON; }

}  // namespace

void InstallTextMeasure() {
  static const bool installed = [] {
    afx::SetTextMeasure([](const afx::LOGFONTA& font, std::string_view text) {
      return QFontMetrics(FontOf(font)).horizontalAdvance(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    });
    return true;
  }();
  (void)installed;
}

PaintedCaption::PaintedCaption(QtBackend& backend, std::uint64_t id, QWidget* top)
    : QObject(top), backend_(backend), id_(id), top_(top) {
  InstallTextMeasure();  // Qt shows the program: its fonts measure the texts
  top->installEventFilter(this);
  top->setMouseTracking(true);
}

bool PaintedCaption::Sync(afx::CWnd& w) {
  QWidget* top = top_;
  if (!top) return false;
  const bool want = w.CaptionPaintedByProgram();
  if (want != on_) {
    on_ = want;
    const bool shown = top->isVisible();
    // Only the window's kind and no decoration: hints for the window
    // manager's buttons would bring its decoration back.
    if (want) decorated_ = top->windowFlags();
    top->setWindowFlags(want ? (top->windowType() | Qt::FramelessWindowHint) : decorated_);
    if (shown) top->show();  // new flags take effect on a window shown anew
  }
  origin_ = QPoint(w.Left, w.Top);
  delta_ = QSize(std::max(0, afx::RECT::WrappedDifference(w.Width, w.ClientWidth)),
                 std::max(0, afx::RECT::WrappedDifference(w.Height, w.ClientHeight)));
  const int side = delta_.width() / 2;
  const int clientTop = std::max(0, delta_.height() - side);
  client_ = QRect(side, clientTop, std::max(0, w.ClientWidth.Get()), std::max(0, w.ClientHeight.Get()));
  const bool thick = (w.Style & afx::WS_THICKFRAME) != 0;
  const int menuTop = afx::GetSystemMetrics(thick ? afx::SM_CYFRAME : afx::SM_CYDLGFRAME) +
                      afx::GetSystemMetrics(afx::SM_CYCAPTION);
  menu_ = QRect(side, menuTop, client_.width(), std::max(0, clientTop - menuTop));
  if (const afx::GdiBitmap* s = w.NonClientPicture(); s && s->width > 0 && s->height > 0) {
    QImage image(s->width, s->height, QImage::Format_RGB32);
    for (int y = 0; y < s->height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < s->width; ++x) {
        const afx::COLORREF c = s->Pixel(x, y);
        line[x] = qRgb(afx::GetRValue(c), afx::GetGValue(c), afx::GetBValue(c));
      }
    }
    image_ = std::move(image);
    texts_ = s->texts;
    icons_ = s->icons;
  }
  if (w.Minimised() && !top->isMinimized() && top->isVisible()) top->showMinimized();
  if (!w.Minimised() && top->isMinimized()) top->showNormal();
  if (on_) top->update();
  return on_;
}

afx::LRESULT PaintedCaption::HitTest(const QPoint& at) const {
  afx::LRESULT hit = afx::HTNOWHERE;
  if (backend_.Mirroring()) return hit;  // a delivery now would wait: no answer
  // In the core's own coordinates: where the window manager put the window
  // may be unknown (Wayland), the place within it is not.
  const afx::LPARAM where = afx::MakeLParam(afx::RECT::WrappedSum(origin_.x(), at.x()), afx::RECT::WrappedSum(origin_.y(), at.y()));
  const std::uint64_t id = id_;
  backend_.Deliver([&hit, id, where] {
    if (auto* w = Live<afx::CWnd>(id)) hit = w->SendMessage(afx::WM_NCHITTEST, 0, where);
  });
  return hit;
}

void PaintedCaption::Send(afx::UINT message, afx::LRESULT hit, const QPoint& at) {
  const afx::LPARAM where = afx::MakeLParam(afx::RECT::WrappedSum(origin_.x(), at.x()), afx::RECT::WrappedSum(origin_.y(), at.y()));
  Act<afx::CWnd>(backend_, id_, [message, hit, where](afx::CWnd* w) {
    w->SendMessage(message, static_cast<afx::WPARAM>(hit), where);
  });
}

void PaintedCaption::Paint() {
  QPainter p(top_);
  if (!image_.isNull()) p.drawImage(0, 0, image_);
  for (const afx::IconRun& icon : icons_) {
    p.save();
    p.setClipRect(RectOf(icon.clip));
    PaintPicture(p, icon.picture, QRectF(RectOf(icon.box)));
    p.restore();
  }
  for (const afx::TextRun& t : texts_) {
    p.save();
    p.setClipRect(RectOf(t.clip));
    p.setFont(FontOf(t.font));
    p.setPen(ColorOf(t.color));
    int align = Qt::TextSingleLine;
    align |= (t.format & afx::DT_CENTER) ? Qt::AlignHCenter : (t.format & afx::DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    align |= (t.format & afx::DT_VCENTER) ? Qt::AlignVCenter : Qt::AlignTop;
    p.drawText(RectOf(t.layout), align, QString::fromUtf8(t.text.c_str()));
    p.restore();
  }
}

bool PaintedCaption::eventFilter(QObject* watched, QEvent* event) {
  if (watched != top_) return false;
  switch (event->type()) {
    case QEvent::WindowActivate:
      Act<afx::CWnd>(backend_, id_, [](afx::CWnd* w) {
        if (afx::GetActiveWindow() != w && w->IsWindowEnabled()) afx::SetActiveWindow(w);
      });
      return false;
    case QEvent::WindowDeactivate:
      // Only when the program as a whole lost the activation; between its
      // own windows the core decides.
      if (!QApplication::activeWindow()) {
        Act<afx::CWnd>(backend_, id_, [](afx::CWnd* w) {
          if (afx::GetActiveWindow() == w) afx::SetActiveWindow(nullptr);
        });
      }
      return false;
    case QEvent::WindowStateChange: {
      const bool minimised = top_->isMinimized();
      Act<afx::CWnd>(backend_, id_, [minimised](afx::CWnd* w) {
        if (minimised != w->Minimised()) w->ShowWindow(minimised ? afx::SW_MINIMIZE : afx::SW_RESTORE);
      });
      return false;
    }
    default: break;
  }
  if (!on_) return false;
  switch (event->type()) {
    case QEvent::Paint: Paint(); return true;
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton) return false;
      const QPoint at = e->position().toPoint();
      const afx::LRESULT hit = HitTest(at);
      pressed_ = hit;
      if (hit == afx::HTCAPTION || hit == afx::HTSYSMENU) {
        Send(afx::WM_NCLBUTTONDOWN, hit, at);
        if (QWindow* window = top_->windowHandle()) window->startSystemMove();
      } else if (const Qt::Edges edges = EdgesOf(hit); edges) {
        if (QWindow* window = top_->windowHandle()) window->startSystemResize(edges);
      }
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton) return false;
      const QPoint at = e->position().toPoint();
      // A caption button acts when the press and the release are both on it.
      if (IsButton(pressed_) && HitTest(at) == pressed_) Send(afx::WM_NCLBUTTONDOWN, pressed_, at);
      pressed_ = afx::HTNOWHERE;
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint at = e->position().toPoint();
      const afx::LRESULT hit = HitTest(at);
      if (hit == afx::HTCAPTION || hit == afx::HTSYSMENU) Send(afx::WM_NCLBUTTONDBLCLK, hit, at);
      return true;
    }
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->buttons() != Qt::NoButton) return false;
      const QPoint at = e->position().toPoint();
      const afx::LRESULT hit = HitTest(at);
      if (hit != hovered_) {
        hovered_ = hit;
        top_->setCursor(CursorOf(hit));
        Send(afx::WM_NCMOUSEMOVE, hit, at);
      }
      return false;
    }
    default: return false;
  }
}

}  // namespace gui
