#include "pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <map>
#include <span>

#include "convert.h"
#include "platform/ascii.h"
#include "platform/ui/canvas.h"
#include "platform/ui/dib.h"
#include "platform/vcl/strings.h"

namespace gui {

namespace {
// Each painter draws in its entry's own size (0, 0, width, height); the
// caller scales that to wherever the picture goes.

const QColor kInk(30, 30, 40);
const QColor kFace(212, 208, 200);  // the button face the transparent windows key on

// A gradient over the rectangle from one colour at its top to another at its bottom.
QLinearGradient TopToBottom(const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

void Pen(QPainter& p, const QColor& c, qreal w = 1.5) {
  p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal w = 3) {
  Pen(p, c, w);
  p.drawLine(from, to);
  const qreal a = std::atan2(to.y() - from.y(), to.x() - from.x());
  const qreal head = 3 * w;
  QPolygonF tip;
  tip << to << to - QPointF(head * std::cos(a - 0.5), head * std::sin(a - 0.5))
      << to - QPointF(head * std::cos(a + 0.5), head * std::sin(a + 0.5));
  p.setBrush(c);
  p.drawPolygon(tip);
}

// A chip: the EEPROM and the firmware.
void Chip(QPainter& p, QRectF r, const QColor& body = QColor(50, 50, 60)) {
  Pen(p, QColor(170, 170, 170), 1.2);
  const int legs = 4;
  for (int i = 0; i < legs; ++i) {
    const qreal x = r.left() + r.width() * (i + 0.5) / legs;
    p.drawLine(QPointF(x, r.top() - 3), QPointF(x, r.top()));
    p.drawLine(QPointF(x, r.bottom()), QPointF(x, r.bottom() + 3));
  }
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(body);
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setBrush(QColor(120, 120, 130));
  p.drawEllipse(QRectF(r.left() + 2, r.top() + 2, 3, 3));
}

// A slave device: a box with a status light.
void DeviceBox(QPainter& p, QRectF r, const QColor& body) {
  QLinearGradient g(r.topLeft(), r.bottomRight());
  g.setColorAt(0, body.lighter(140));
  g.setColorAt(1, body.darker(130));
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(g);
  p.drawRoundedRect(r, 3, 3);
  p.setBrush(QColor(40, 220, 60));
  p.drawEllipse(QRectF(r.right() - 7, r.top() + 3, 4, 4));
  Pen(p, QColor(60, 60, 60), 1);
  for (int i = 0; i < 3; ++i) {
    const qreal y = r.top() + r.height() * 0.45 + i * 3.5;
    p.drawLine(QPointF(r.left() + 4, y), QPointF(r.right() - 10, y));
  }
}

void Board(QPainter& p, QRectF r, const QColor& pcb, const QString& label) {
  p.setPen(QPen(pcb.darker(160), 1.5));
  p.setBrush(pcb);
  p.drawRect(r);
  p.setBrush(QColor(220, 180, 60));
  p.setPen(Qt::NoPen);
  for (qreal x = r.left() + 6; x < r.right() - 6; x += 5) p.drawRect(QRectF(x, r.bottom() - 6, 3, 6));
  Chip(p, QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.2, r.width() * 0.3, r.height() * 0.35));
  Chip(p, QRectF(r.left() + r.width() * 0.55, r.top() + r.height() * 0.25, r.width() * 0.18, r.height() * 0.25),
       QColor(30, 30, 90));
  QFont f;
  f.setPixelSize(static_cast<int>(r.height() * 0.16));
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(r.left(), r.top() + r.height() * 0.62, r.width(), r.height() * 0.2), Qt::AlignCenter, label);
}

void Splash(QPainter& p, const QRectF& r) {
  const QLinearGradient g = TopToBottom(r, QColor(10, 36, 106), QColor(58, 110, 165));
  p.fillRect(r, g);
  // The network: a trunk line with drop lines to a row of slaves.
  Pen(p, QColor(255, 210, 80), 4);
  p.drawLine(QPointF(40, 250), QPointF(450, 250));
  for (int i = 0; i < 6; ++i) {
    const qreal x = 60 + i * 72;
    Pen(p, QColor(255, 210, 80), 2.5);
    p.drawLine(QPointF(x + 16, 250), QPointF(x + 16, 280));
    DeviceBox(p, QRectF(x, 280, 34, 28), QColor(90, 140, 200));
  }
  Board(p, QRectF(190, 170, 110, 60), QColor(20, 110, 50), "MASTER");
  Pen(p, QColor(255, 210, 80), 2.5);
  p.drawLine(QPointF(245, 230), QPointF(245, 250));
  QFont title;
  title.setPixelSize(64);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 90));
  p.drawText(QRectF(3, 33, r.width(), 80), Qt::AlignHCenter | Qt::AlignVCenter, "Kestrum");
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 30, r.width(), 80), Qt::AlignHCenter | Qt::AlignVCenter, "Kestrum");
  QFont sub;
  sub.setPixelSize(18);
  p.setFont(sub);
  p.drawText(QRectF(0, 110, r.width(), 30), Qt::AlignHCenter, "DeviceNet master configuration");
  sub.setPixelSize(14);
  p.setFont(sub);
  p.setPen(QColor(200, 215, 240));
  p.drawText(QRectF(0, 330, r.width() - 16, 24), Qt::AlignRight | Qt::AlignVCenter, "V2.2");
}

void ChooserCalvory(QPainter& p, const QRectF& r) { Board(p, r.adjusted(4, 8, -4, -8), QColor(20, 110, 50), "PCI"); }

void ChooserMerrow(QPainter& p, const QRectF& r) {
  const QRectF box = r.adjusted(14, 6, -14, -6);
  DeviceBox(p, box, QColor(120, 120, 140));
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(QRectF(box.center().x() - 10, box.bottom() - 12, 20, 8));  // the bus connector
}

void ChooserGadrow(QPainter& p, const QRectF& r) {
  const QRectF screen = r.adjusted(12, 6, -12, -20);
  p.setPen(QPen(kInk, 2));
  p.setBrush(QColor(30, 60, 120));
  p.drawRoundedRect(screen, 3, 3);
  QLinearGradient g(screen.topLeft(), screen.bottomRight());
  g.setColorAt(0, QColor(60, 130, 220));
  g.setColorAt(1, QColor(20, 50, 110));
  p.setBrush(g);
  p.drawRect(screen.adjusted(4, 4, -4, -4));
  p.setBrush(QColor(140, 140, 150));
  p.drawRect(QRectF(r.center().x() - 14, screen.bottom(), 28, 6));
  p.drawRect(QRectF(r.center().x() - 26, screen.bottom() + 6, 52, 5));
  QFont f;
  f.setPixelSize(11);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(screen, Qt::AlignCenter, "XPe");
}

void ChooserWenlow(QPainter& p, const QRectF& r) {
  Board(p, r.adjusted(4, 8, -4, -8), QColor(20, 60, 140), "CAN");
}

void ToolExit(QPainter& p, const QRectF&) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(QColor(150, 90, 40));
  p.drawRect(QRectF(6, 3, 14, 26));
  p.setBrush(QColor(230, 200, 60));
  p.drawEllipse(QRectF(16, 15, 3, 3));
  Arrow(p, QPointF(16, 16), QPointF(30, 16), QColor(200, 30, 30), 3);
}

void ToolReset(QPainter& p, const QRectF&) {
  Pen(p, QColor(20, 120, 40), 3.5);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(5, 5, 22, 22), 60 * 16, 280 * 16);
  p.setBrush(QColor(20, 120, 40));
  p.setPen(Qt::NoPen);
  QPolygonF tip;
  tip << QPointF(19, 1) << QPointF(27, 7) << QPointF(17, 11);
  p.drawPolygon(tip);
}

void Magnifier(QPainter& p, QPointF c, qreal radius) {
  Pen(p, QColor(90, 60, 30), 4);
  p.drawLine(c + QPointF(radius * 0.7, radius * 0.7), c + QPointF(radius * 1.8, radius * 1.8));
  p.setPen(QPen(kInk, 2));
  p.setBrush(QColor(180, 220, 255, 200));
  p.drawEllipse(c, radius, radius);
}

void ToolSearch(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(2, 14, 18, 14), QColor(90, 140, 200));
  Magnifier(p, QPointF(17, 12), 8);
}

void ToolDebug(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(2, 4, 20, 16), QColor(90, 140, 200));
  Pen(p, QColor(120, 120, 130), 4);
  p.drawLine(QPointF(14, 28), QPointF(26, 16));  // a wrench at work
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(QColor(160, 160, 170));
  p.drawEllipse(QRectF(23, 10, 8, 8));
}

void ToolNew(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(2, 8, 20, 18), QColor(90, 140, 200));
  Pen(p, QColor(20, 140, 40), 4);
  p.drawLine(QPointF(25, 2), QPointF(25, 16));
  p.drawLine(QPointF(18, 9), QPointF(32, 9));
}

void PlaySign(QPainter& p, QRectF r, const QColor& c) {
  QPolygonF tri;
  tri << r.topLeft() << QPointF(r.right(), r.center().y()) << r.bottomLeft();
  p.setPen(QPen(c.darker(150), 1.2));
  p.setBrush(c);
  p.drawPolygon(tri);
}

void StopSign(QPainter& p, QRectF r, const QColor& c) {
  p.setPen(QPen(c.darker(150), 1.2));
  p.setBrush(c);
  p.drawRect(r);
}

void ToolStartAll(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(1, 2, 14, 11), QColor(90, 140, 200));
  DeviceBox(p, QRectF(1, 17, 14, 11), QColor(90, 140, 200));
  PlaySign(p, QRectF(17, 6, 14, 20), QColor(30, 170, 50));
}

void ToolStopAll(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(1, 2, 14, 11), QColor(90, 140, 200));
  DeviceBox(p, QRectF(1, 17, 14, 11), QColor(90, 140, 200));
  StopSign(p, QRectF(17, 8, 14, 14), QColor(210, 40, 40));
}

void ToolClear(QPainter& p, const QRectF&) {
  Chip(p, QRectF(4, 8, 20, 16));
  Pen(p, QColor(220, 30, 30), 3.5);
  p.drawLine(QPointF(18, 2), QPointF(30, 14));
  p.drawLine(QPointF(30, 2), QPointF(18, 14));
}

void Disk(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(QColor(40, 70, 160));
  p.drawRect(r);
  p.setBrush(QColor(230, 230, 230));
  p.drawRect(QRectF(r.left() + r.width() * 0.2, r.top(), r.width() * 0.6, r.height() * 0.35));
  p.setBrush(QColor(250, 250, 250));
  p.drawRect(QRectF(r.left() + r.width() * 0.15, r.top() + r.height() * 0.55, r.width() * 0.7, r.height() * 0.45));
}

void ToolExport(QPainter& p, const QRectF&) {
  Chip(p, QRectF(2, 5, 13, 11));
  Disk(p, QRectF(16, 16, 14, 14));
  Arrow(p, QPointF(9, 20), QPointF(15, 27), QColor(20, 140, 40), 2.5);
}

void ToolImport(QPainter& p, const QRectF&) {
  Disk(p, QRectF(2, 2, 14, 14));
  Chip(p, QRectF(17, 18, 13, 10));
  Arrow(p, QPointF(12, 19), QPointF(19, 14), QColor(20, 140, 40), 2.5);
}

void ToolStartDevice(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(1, 6, 16, 20), QColor(90, 140, 200));
  PlaySign(p, QRectF(19, 8, 12, 16), QColor(30, 170, 50));
}

void ToolStopDevice(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(1, 6, 16, 20), QColor(90, 140, 200));
  StopSign(p, QRectF(19, 10, 12, 12), QColor(210, 40, 40));
}

void ToolRefreshIO(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(1, 10, 16, 18), QColor(90, 140, 200));
  Pen(p, QColor(20, 120, 40), 3);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(14, 2, 16, 16), 90 * 16, 270 * 16);
  Arrow(p, QPointF(22, 2), QPointF(25, 2.5), QColor(20, 120, 40), 2.5);
}

// The plug of activation and the firmware download, in the colours of the
// three hardware families.
void Activate(QPainter& p, const QColor& c) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(c);
  p.drawRoundedRect(QRectF(7, 10, 18, 14), 3, 3);
  Pen(p, QColor(120, 120, 120), 3);
  p.drawLine(QPointF(12, 3), QPointF(12, 10));
  p.drawLine(QPointF(20, 3), QPointF(20, 10));
  Pen(p, kInk, 3);
  p.drawLine(QPointF(16, 24), QPointF(16, 31));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 230, 60));
  QPolygonF bolt;
  bolt << QPointF(17, 11) << QPointF(12, 18) << QPointF(16, 18) << QPointF(14, 23) << QPointF(20, 15)
       << QPointF(16, 15);
  p.drawPolygon(bolt);
}

void Update(QPainter& p, const QColor& c) {
  Chip(p, QRectF(4, 16, 24, 12), c);
  Arrow(p, QPointF(16, 1), QPointF(16, 13), QColor(20, 140, 40), 3.5);
}

void ActiveCalvory(QPainter& p, const QRectF&) { Activate(p, QColor(20, 130, 60)); }
void UpdateCalvory(QPainter& p, const QRectF&) { Update(p, QColor(20, 90, 40)); }
void ActiveSandle(QPainter& p, const QRectF&) { Activate(p, QColor(200, 120, 20)); }
void UpdateSandle(QPainter& p, const QRectF&) { Update(p, QColor(150, 80, 10)); }
void ActiveGadrow(QPainter& p, const QRectF&) { Activate(p, QColor(40, 90, 190)); }
void UpdateGadrow(QPainter& p, const QRectF&) { Update(p, QColor(30, 50, 140)); }

void DeviceMaster(QPainter& p, const QRectF&) { Board(p, QRectF(1, 5, 30, 22), QColor(20, 110, 50), ""); }

void Device(QPainter& p, const QRectF&) { DeviceBox(p, QRectF(3, 5, 26, 22), QColor(90, 140, 200)); }

// A connection kind's letter in white, centred on its 32-pixel picture.
void ConnectionLetter(QPainter& p, const QString& letter) {
  QFont f;
  f.setPixelSize(letter.size() > 1 ? 10 : 16);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, letter);
}

void Connection(QPainter& p, const QColor& c, const QString& letter) {
  p.setPen(QPen(c.darker(160), 1.2));
  QLinearGradient g(0, 0, 0, 32);
  g.setColorAt(0, c.lighter(150));
  g.setColorAt(1, c);
  p.setBrush(g);
  p.drawEllipse(QRectF(3, 3, 26, 26));
  ConnectionLetter(p, letter);
}

void DevicePoll(QPainter& p, const QRectF&) { Connection(p, QColor(40, 150, 60), "P"); }
void DeviceStrobe(QPainter& p, const QRectF&) { Connection(p, QColor(210, 150, 20), "S"); }
void DeviceCos(QPainter& p, const QRectF&) { Connection(p, QColor(180, 50, 160), "COS"); }
void DeviceCyclic(QPainter& p, const QRectF&) { Connection(p, QColor(40, 110, 200), "C"); }

void Trash(QPainter& p, bool full) {
  p.setPen(QPen(kInk, 1.5));
  QLinearGradient g(8, 0, 40, 0);
  g.setColorAt(0, QColor(150, 155, 165));
  g.setColorAt(1, QColor(90, 95, 105));
  p.setBrush(g);
  QPolygonF can;
  can << QPointF(10, 14) << QPointF(38, 14) << QPointF(35, 44) << QPointF(13, 44);
  p.drawPolygon(can);
  Pen(p, QColor(60, 60, 70), 1.5);
  for (qreal x : {17.0, 24.0, 31.0}) p.drawLine(QPointF(x, 18), QPointF(x, 40));
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(QColor(120, 125, 135));
  if (full) {
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(QRectF(14, 4, 12, 12));  // what was dropped sticks out
    p.setBrush(QColor(255, 240, 150));
    p.drawRect(QRectF(22, 2, 11, 12));
    p.save();
    p.translate(24, 11);
    p.rotate(-20);
    p.setBrush(QColor(120, 125, 135));
    p.drawRect(QRectF(-16, -2, 32, 4));
    p.restore();
  } else {
    p.drawRect(QRectF(7, 10, 34, 4));
    p.drawRect(QRectF(20, 6, 8, 4));
  }
}

void RecEmpty(QPainter& p, const QRectF&) { Trash(p, false); }
void RecItem(QPainter& p, const QRectF&) { Trash(p, true); }

void WaitPanel(QPainter& p, const QRectF& r) {
  // The corners keep the button face, which the wait window shows through.
  p.fillRect(r, kFace);
  const QLinearGradient g = TopToBottom(r, QColor(250, 250, 255), QColor(190, 205, 235));
  p.setPen(QPen(QColor(40, 70, 140), 4));
  p.setBrush(g);
  p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 30, 30);
}

void SearchWait(QPainter& p, const QRectF& r) {
  QLinearGradient g(r.topLeft(), r.topRight());
  g.setColorAt(0, QColor(10, 36, 106));
  g.setColorAt(1, QColor(90, 130, 200));
  p.fillRect(r, g);
}

void Led(QPainter& p, const QRectF& r) {
  QRadialGradient g(r.width() * 0.35, r.height() * 0.35, r.width() * 0.6);
  g.setColorAt(0, QColor(220, 255, 220));
  g.setColorAt(1, QColor(0, 200, 0));
  p.setPen(QPen(QColor(0, 90, 0), 1));
  p.setBrush(g);
  p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

void BusHLine(QPainter& p, const QRectF& r) {
  Pen(p, QColor(128, 128, 128), 3);
  p.drawLine(QPointF(0, 3), QPointF(r.width(), 3));
}

void BusVLine(QPainter& p, const QRectF& r) {
  Pen(p, QColor(128, 128, 128), 3);
  p.drawLine(QPointF(3, 0), QPointF(3, r.height()));
}

void BitBtnOk(QPainter& p, const QRectF&) {
  Pen(p, QColor(20, 140, 40), 3);
  p.drawLine(QPointF(3, 9), QPointF(7, 13));
  p.drawLine(QPointF(7, 13), QPointF(14, 3));
}

void BitBtnCancel(QPainter& p, const QRectF&) {
  Pen(p, QColor(200, 30, 30), 3);
  p.drawLine(QPointF(4, 4), QPointF(12, 12));
  p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void BitBtnHelp(QPainter& p, const QRectF& r) {
  QFont f;
  f.setPixelSize(14);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(20, 60, 160));
  p.drawText(r, Qt::AlignCenter, "?");
}

// Tool bar 128 of the viewer, one 16 x 15 image per button: save as, print,
// clear the list, start, stop, about.
void LorvexToolBar(QPainter& p, const QRectF&) {
  p.setRenderHint(QPainter::Antialiasing);
  const auto cell = [](int i) { return QRectF(16.0 * i, 0, 16, 15); };
  // Save as: a disk with its shutter and label, a pencil over its corner.
  {
    const QRectF r = cell(0).adjusted(1.5, 1.5, -3.5, -1.5);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(40, 80, 170));
    p.drawRect(r);
    p.setBrush(QColor(205, 205, 215));
    p.drawRect(QRectF(r.left() + 3, r.top(), r.width() - 6, 4));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(r.left() + 2, r.top() + 7, r.width() - 4, r.height() - 7));
    Pen(p, QColor(200, 120, 20), 2);
    p.drawLine(QPointF(r.right() - 1, r.bottom() - 1), QPointF(r.right() + 2.5, r.top() + 5));
  }
  // Print: the printer with a sheet coming out.
  {
    const QRectF r = cell(1);
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(r.left() + 4.5, r.top() + 1.5, 7, 5));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(r.left() + 1.5, r.top() + 6.5, 13, 5), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(r.left() + 4.5, r.top() + 10.5, 7, 3.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 60));
    p.drawEllipse(QRectF(r.left() + 11.5, r.top() + 7.5, 2, 2));
  }
  // Clear the list: its lines, crossed out in red.
  {
    const QRectF r = cell(2);
    Pen(p, QColor(90, 90, 100), 1.5);
    for (int i = 0; i < 4; ++i) {
      const qreal y = r.top() + 2.5 + i * 3.2;
      p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.left() + 12, y));
    }
    Pen(p, QColor(210, 30, 30), 2.2);
    p.drawLine(QPointF(r.left() + 6, r.top() + 5), QPointF(r.left() + 14.5, r.top() + 13.5));
    p.drawLine(QPointF(r.left() + 14.5, r.top() + 5), QPointF(r.left() + 6, r.top() + 13.5));
  }
  // Start: a green arrow head.
  {
    const QRectF r = cell(3);
    QPolygonF play;
    play << QPointF(r.left() + 4, r.top() + 2) << QPointF(r.left() + 13, r.top() + 7.5)
         << QPointF(r.left() + 4, r.top() + 13);
    p.setPen(QPen(QColor(10, 100, 20), 1));
    p.setBrush(QColor(40, 190, 60));
    p.drawPolygon(play);
  }
  // Stop: a red square.
  {
    const QRectF r = cell(4);
    p.setPen(QPen(QColor(120, 10, 10), 1));
    p.setBrush(QColor(215, 40, 40));
    p.drawRect(QRectF(r.left() + 3.5, r.top() + 3, 9, 9));
  }
  // About: the letter i on a blue disc.
  {
    const QRectF r = cell(5);
    p.setPen(QPen(QColor(20, 50, 130), 1));
    p.setBrush(QColor(50, 100, 210));
    p.drawEllipse(QRectF(r.left() + 1.5, r.top() + 0.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(r.left() + 7, r.top() + 2.8, 2, 2));
    p.drawRect(QRectF(r.left() + 7, r.top() + 5.8, 2, 5.5));
  }
}


// The network as the configuration tree's root: a bus with three drops.
void TreeNetwork(QPainter& p, const QRectF&) {
  Pen(p, QColor(60, 60, 70), 2.5);
  p.drawLine(QPointF(2, 8), QPointF(30, 8));
  for (qreal x : {6.0, 16.0, 26.0}) {
    Pen(p, QColor(60, 60, 70), 1.5);
    p.drawLine(QPointF(x, 8), QPointF(x, 18));
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(90, 140, 200));
    p.drawRect(QRectF(x - 3.5, 18.5, 7, 8));
  }
}

// A slot of the I/O monitor: a slave module with its connector.
void SlotDevice(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(3, 3, 26, 24), QColor(110, 160, 110));
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(200, 170, 60));
  p.drawRect(QRectF(11.5, 27.5, 9, 3));
}

// Explicit messaging: a sheet with an arrow out of it (get) or into it (set).
void AttributeSheet(QPainter& p, bool get) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3.5, 2.5, 12, 17));
  Pen(p, QColor(120, 120, 130), 1);
  for (qreal y : {7.0, 10.0, 13.0, 16.0}) p.drawLine(QPointF(6, y), QPointF(13, y));
  if (get) Arrow(p, QPointF(12, 14), QPointF(22, 14), QColor(20, 140, 40), 2.5);
  else Arrow(p, QPointF(23, 9), QPointF(12, 9), QColor(200, 110, 20), 2.5);
}
void AttributeGet(QPainter& p, const QRectF&) { AttributeSheet(p, true); }
void AttributeSet(QPainter& p, const QRectF&) { AttributeSheet(p, false); }

// The diagnosis dialog's start: a green bar with a play mark.
void DiagnosisStart(QPainter& p, const QRectF& r) {
  const QLinearGradient g = TopToBottom(r, QColor(120, 210, 120), QColor(30, 140, 40));
  p.setPen(QPen(QColor(20, 90, 30), 1));
  p.setBrush(g);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  const qreal cy = r.center().y();
  p.drawPolygon(QPolygonF({QPointF(26, cy - 6), QPointF(38, cy), QPointF(26, cy + 6)}));
}

// The diagnosis dialog's connection kinds: a square tile, the tree's letters.
void ConnectionTile(QPainter& p, const QColor& c, const QString& letter) {
  p.setPen(QPen(c.darker(160), 1.2));
  p.setBrush(c);
  p.drawRoundedRect(QRectF(3, 3, 26, 26), 5, 5);
  ConnectionLetter(p, letter);
}
void ConnPoll(QPainter& p, const QRectF&) { ConnectionTile(p, QColor(40, 150, 60), "P"); }
void ConnStrobe(QPainter& p, const QRectF&) { ConnectionTile(p, QColor(210, 150, 20), "S"); }
void ConnCos(QPainter& p, const QRectF&) { ConnectionTile(p, QColor(180, 50, 160), "COS"); }
void ConnCyclic(QPainter& p, const QRectF&) { ConnectionTile(p, QColor(40, 110, 200), "C"); }

// The new-device dialog: a slave module with a plus.
void NewDevice(QPainter& p, const QRectF&) {
  DeviceBox(p, QRectF(6, 14, 44, 40), QColor(90, 140, 200));
  p.setPen(QPen(QColor(20, 110, 40), 1));
  p.setBrush(QColor(60, 180, 80));
  p.drawEllipse(QRectF(38, 4, 22, 22));
  Pen(p, Qt::white, 3.5);
  p.drawLine(QPointF(49, 9), QPointF(49, 21));
  p.drawLine(QPointF(43, 15), QPointF(55, 15));
}

// The MAC ID and baud-rate dialog's background: a soft panel with the bus.
void MacIdPanel(QPainter& p, const QRectF& r) {
  const QLinearGradient g = TopToBottom(r, QColor(245, 245, 250), QColor(200, 210, 230));
  p.fillRect(r, g);
  Pen(p, QColor(150, 160, 190), 3);
  p.drawLine(QPointF(10, r.height() - 14), QPointF(r.width() - 10, r.height() - 14));
}

// The dialog's big OK and Cancel: the bit buttons' marks on a round plate.
void Plate(QPainter& p, const QColor& c) {
  p.setPen(QPen(c.darker(140), 1.5));
  p.setBrush(c.lighter(180));
  p.drawEllipse(QRectF(2, 2, 44, 44));
}
void MacIdOk(QPainter& p, const QRectF&) {
  Plate(p, QColor(20, 140, 40));
  p.translate(8, 8);
  p.scale(2, 2);
  BitBtnOk(p, QRectF(0, 0, 16, 16));
}
void MacIdCancel(QPainter& p, const QRectF&) {
  Plate(p, QColor(200, 30, 30));
  p.translate(8, 8);
  p.scale(2, 2);
  BitBtnCancel(p, QRectF(0, 0, 16, 16));
}

// The about box's banner.
void AboutLogo(QPainter& p, const QRectF& r) {
  QLinearGradient g(r.topLeft(), r.topRight());
  g.setColorAt(0, QColor(10, 36, 106));
  g.setColorAt(1, QColor(90, 130, 200));
  p.fillRect(r, g);
  Board(p, QRectF(12, 14, 90, 60), QColor(20, 110, 50), "DNET");
  QFont f;
  f.setPixelSize(40);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(120, 0, r.width() - 130, r.height()), Qt::AlignVCenter | Qt::AlignLeft, "Kestrum");
}

// The about box's product pictures: a board each, in a colour and with a number of its own.
template <int N>
void Product(QPainter& p, const QRectF& r) {
  p.fillRect(r, QColor(250, 250, 250));
  const QColor pcb = QColor::fromHsv((N * 36) % 360, 170, 130);
  Board(p, QRectF(40, 50, r.width() - 80, r.height() - 100), pcb, QString("No. %1").arg(N));
}

const std::vector<PictureEntry> kTable = {
    {"SPLASH", 489, 367, Splash},
    {"HW_CALVORY", 96, 72, ChooserCalvory},
    {"HW_MERROW", 96, 72, ChooserMerrow},
    {"HW_GADROW", 96, 72, ChooserGadrow},
    {"HW_WENLOW", 96, 72, ChooserWenlow},
    {"TB_EXIT", 32, 32, ToolExit},
    {"TB_RESET", 32, 32, ToolReset},
    {"TB_SEARCH", 32, 32, ToolSearch},
    {"TB_DIAGNOSE", 32, 32, ToolDebug},
    {"TB_NEWDEVICE", 32, 32, ToolNew},
    {"TB_STARTALL", 32, 32, ToolStartAll},
    {"TB_STOPALL", 32, 32, ToolStopAll},
    {"TB_CLEAR", 32, 32, ToolClear},
    {"TB_EXPORT", 32, 32, ToolExport},
    {"TB_IMPORT", 32, 32, ToolImport},
    {"IO_START", 32, 32, ToolStartDevice},
    {"IO_STOP", 32, 32, ToolStopDevice},
    {"IO_REFRESH", 32, 32, ToolRefreshIO},
    {"ACTIVE_Calvory", 32, 32, ActiveCalvory},
    {"UPDATE_Calvory", 32, 32, UpdateCalvory},
    {"ACTIVE_Sandle", 32, 32, ActiveSandle},
    {"UPDATE_Sandle", 32, 32, UpdateSandle},
    {"ACTIVE_Gadrow", 32, 32, ActiveGadrow},
    {"UPDATE_Gadrow", 32, 32, UpdateGadrow},
    {"TREE_NETWORK", 32, 32, TreeNetwork},
    {"TREE_MASTER", 32, 32, DeviceMaster},
    {"TREE_DEVICE", 32, 32, Device},
    {"SLOT_DEVICE", 32, 32, SlotDevice},
    {"TREE_POLL", 32, 32, DevicePoll},
    {"TREE_STROBE", 32, 32, DeviceStrobe},
    {"TREE_COS", 32, 32, DeviceCos},
    {"TREE_CYCLIC", 32, 32, DeviceCyclic},
    {"REC_EMPTY", 48, 48, RecEmpty},
    {"REC_ITEM", 48, 48, RecItem},
    {"WAIT_PANEL", 609, 259, WaitPanel},
    {"SEARCH_PANEL", 389, 99, SearchWait},
    {"ATTR_GET", 24, 24, AttributeGet},
    {"ATTR_SET", 24, 24, AttributeSet},
    {"DIAG_START", 64, 24, DiagnosisStart},
    {"CONN_POLL", 32, 32, ConnPoll},
    {"CONN_STROBE", 32, 32, ConnStrobe},
    {"CONN_COS", 32, 32, ConnCos},
    {"CONN_CYCLIC", 32, 32, ConnCyclic},
    {"NEW_DEVICE", 64, 64, NewDevice},
    {"MACID_PANEL", 413, 207, MacIdPanel},
    {"MACID_OK", 48, 48, MacIdOk},
    {"MACID_CANCEL", 48, 48, MacIdCancel},
    {"ABOUT_LOGO", 505, 89, AboutLogo},
    {"PRODUCT_1", 420, 300, Product<1>},
    {"PRODUCT_2", 420, 300, Product<2>},
    {"PRODUCT_3", 420, 300, Product<3>},
    {"PRODUCT_4", 420, 300, Product<4>},
    {"PRODUCT_5", 420, 300, Product<5>},
    {"PRODUCT_6", 420, 300, Product<6>},
    {"PRODUCT_7", 420, 300, Product<7>},
    {"PRODUCT_8", 420, 300, Product<8>},
    {"PRODUCT_9", 420, 300, Product<9>},
    {"PRODUCT_10", 420, 300, Product<10>},
    {"LED", 15, 15, Led},
    {"BUS_HLine", 845, 13, BusHLine},
    {"BUS_VLine", 14, 285, BusVLine},
    {"LorvexToolBar", 96, 15, LorvexToolBar},
    // The standard pictures of the bit-button kinds.
    {"BITBTN_OK", 16, 16, BitBtnOk},
    {"BITBTN_Cancel", 16, 16, BitBtnCancel},
    {"BITBTN_Help", 16, 16, BitBtnHelp},
};

void Placeholder(QPainter& p, const QRectF& r, const std::string& name) {
  p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DashLine));
  p.setBrush(QColor(235, 235, 235));
  p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
  QFont f;
  f.setPixelSize(std::max(6, std::min(12, static_cast<int>(r.height() / 3))));
  p.setFont(f);
  p.setPen(QColor(60, 60, 60));
  p.drawText(r.adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWrapAnywhere, ToQString(name));
}
}  // namespace

const std::vector<PictureEntry>& PictureTable() { return kTable; }

const PictureEntry* FindPicture(const std::string& name) {
  for (const auto& e : kTable) {
    if (plat::SameText(e.name, name)) return &e;
  }
  return nullptr;
}

QImage ToQImage(const plat::Dib& dib) {
  if (dib.Empty()) return {};
  QImage image(dib.width, dib.height, QImage::Format_ARGB32);
  for (int y = 0; y < dib.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < dib.width; ++x) {
      const std::uint32_t c = dib.At(x, y);
      line[x] = c == plat::kDibTransparent ? qRgba(0, 0, 0, 0) : qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
  }
  return image;
}

namespace {
// The embedded bitmap of that name, read once (null when there is none or it is damaged).
const QImage* EmbeddedPicture(const std::string& name) {
  static std::map<std::string, QImage> read;
  const std::span<const std::uint8_t> bytes = plat::FindDibResource(name);
  if (bytes.empty()) return nullptr;
  const std::string key = plat::AsciiFold(name);
  auto it = read.find(key);
  if (it == read.end()) it = read.emplace(key, ToQImage(plat::ReadDib(bytes))).first;
  return it->second.isNull() ? nullptr : &it->second;
}
}  // namespace

void PaintPicture(QPainter& p, const std::string& name, const QRectF& r) {
  if (r.width() <= 0 || r.height() <= 0) return;
  if (const QImage* image = EmbeddedPicture(name)) {
    // A bitmap shows at its own size from the top-left corner, as a picture control shows it.
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.drawImage(r.topLeft(), *image);
    p.restore();
    return;
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (const PictureEntry* e = FindPicture(name)) {
    p.translate(r.topLeft());
    p.scale(r.width() / e->width, r.height() / e->height);
    p.setClipRect(QRectF(0, 0, e->width, e->height));
    e->paint(p, QRectF(0, 0, e->width, e->height));
  } else {
    Placeholder(p, r, name);
  }
  p.restore();
}

QSize PictureSize(const std::string& name) {
  if (const QImage* image = EmbeddedPicture(name)) return image->size();
  if (const plat::PictureResource* res = plat::FindPictureResource(name); res && res->width > 0 && res->height > 0) {
    return {res->width, res->height};
  }
  if (const PictureEntry* e = FindPicture(name)) return {e->width, e->height};
  return {32, 32};
}

QPixmap RenderPicture(const std::string& name, QSize size) {
  if (size.isEmpty()) size = PictureSize(name);
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  PaintPicture(p, name, QRectF(0, 0, size.width(), size.height()));
  return pm;
}

}  // namespace gui
