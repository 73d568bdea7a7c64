// Draws the viewer's bitmap and icon resources and writes them as the files
// that lorvex/res holds (and the viewer embeds): the start picture 102 in 24
// bits, the info banner 136 and the option pages' art 138 to 140 in 8 bits
// with their palettes, and icon 128 (32 and 16 pixels, 8 bits with masks).
//
//   QT_QPA_PLATFORM=offscreen lorvex_pictures lorvex/res
//
// The files are committed; run it again after changing a picture.
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// The information header; height counts the mask rows of an icon image.
void InfoHeader(Bytes& b, int width, int height, int bits, std::uint32_t imageSize, std::uint32_t colors) {
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(bits));
  Put32(b, 0);
  Put32(b, imageSize);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, colors);
  Put32(b, 0);
}

int Stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// Rows bottom-up: 24-bit blue-green-red, or 8-bit indexes.
Bytes Rows(const QImage& img) {
  const int bits = img.format() == QImage::Format_Indexed8 ? 8 : 24;
  const int stride = Stride(img.width(), bits);
  Bytes rows;
  for (int y = img.height() - 1; y >= 0; --y) {
    Bytes row(static_cast<std::size_t>(stride), 0);
    for (int x = 0; x < img.width(); ++x) {
      if (bits == 8) {
        row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(img.pixelIndex(x, y));
      } else {
        const QRgb c = img.pixel(x, y);
        row[static_cast<std::size_t>(3 * x)] = static_cast<std::uint8_t>(qBlue(c));
        row[static_cast<std::size_t>(3 * x + 1)] = static_cast<std::uint8_t>(qGreen(c));
        row[static_cast<std::size_t>(3 * x + 2)] = static_cast<std::uint8_t>(qRed(c));
      }
    }
    rows.insert(rows.end(), row.begin(), row.end());
  }
  return rows;
}

void Table(Bytes& b, const QImage& img) {
  for (QRgb c : img.colorTable()) {
    b.push_back(static_cast<std::uint8_t>(qBlue(c)));
    b.push_back(static_cast<std::uint8_t>(qGreen(c)));
    b.push_back(static_cast<std::uint8_t>(qRed(c)));
    b.push_back(0);
  }
}

// Up to 256 colours: the most frequent of the picture's colours at five
// bits a channel, each the mean of what fell into it.
QImage ToEightBits(const QImage& source) {
  const QImage img = source.convertToFormat(QImage::Format_RGB32);
  struct Bin {
    long n = 0, r = 0, g = 0, b = 0;
  };
  std::map<int, Bin> bins;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = img.pixel(x, y);
      Bin& bin = bins[(qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3)];
      ++bin.n;
      bin.r += qRed(c);
      bin.g += qGreen(c);
      bin.b += qBlue(c);
    }
  }
  std::vector<Bin> sorted;
  for (const auto& [key, bin] : bins) sorted.push_back(bin);
  std::sort(sorted.begin(), sorted.end(), [](const Bin& a, const Bin& b) { return a.n > b.n; });
  if (sorted.size() > 256) sorted.resize(256);
  QVector<QRgb> table;
  for (const Bin& bin : sorted) table.push_back(qRgb(int(bin.r / bin.n), int(bin.g / bin.n), int(bin.b / bin.n)));
  return img.convertToFormat(QImage::Format_Indexed8, table, Qt::DiffuseDither | Qt::ThresholdAlphaDither);
}

bool WriteFile(const QString& path, const Bytes& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
         static_cast<qint64>(bytes.size());
}

bool WriteBitmap(const QString& path, const QImage& img) {
  const bool indexed = img.format() == QImage::Format_Indexed8;
  const Bytes rows = Rows(img);
  Bytes info;
  InfoHeader(info, img.width(), img.height(), indexed ? 8 : 24, static_cast<std::uint32_t>(rows.size()),
             indexed ? static_cast<std::uint32_t>(img.colorCount()) : 0);
  if (indexed) Table(info, img);
  Bytes file{'B', 'M'};
  Put32(file, static_cast<std::uint32_t>(14 + info.size() + rows.size()));
  Put32(file, 0);
  Put32(file, static_cast<std::uint32_t>(14 + info.size()));
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), rows.begin(), rows.end());
  return WriteFile(path, file);
}

// An icon image: header (twice the height), palette, colour rows, mask rows.
Bytes IconImage(const QImage& argb) {
  const QImage colours = ToEightBits(argb);
  const int side = argb.width();
  const Bytes rows = Rows(colours);
  Bytes mask;
  const int maskStride = Stride(side, 1);
  for (int y = side - 1; y >= 0; --y) {
    Bytes row(static_cast<std::size_t>(maskStride), 0);
    for (int x = 0; x < side; ++x) {
      if (qAlpha(argb.pixel(x, y)) < 128) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    mask.insert(mask.end(), row.begin(), row.end());
  }
  Bytes b;
  InfoHeader(b, side, 2 * side, 8, static_cast<std::uint32_t>(rows.size() + mask.size()),
             static_cast<std::uint32_t>(colours.colorCount()));
  Table(b, colours);
  b.insert(b.end(), rows.begin(), rows.end());
  b.insert(b.end(), mask.begin(), mask.end());
  return b;
}

bool WriteIcon(const QString& path, const std::vector<QImage>& images) {
  std::vector<Bytes> parts;
  for (const QImage& img : images) parts.push_back(IconImage(img));
  Bytes file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<std::uint32_t>(parts.size()));
  std::uint32_t at = static_cast<std::uint32_t>(6 + 16 * parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto side = static_cast<std::uint8_t>(images[i].width());
    file.insert(file.end(), {side, side, 0, 0});
    Put16(file, 1);
    Put16(file, 8);
    Put32(file, static_cast<std::uint32_t>(parts[i].size()));
    Put32(file, at);
    at += static_cast<std::uint32_t>(parts[i].size());
  }
  for (const Bytes& p : parts) file.insert(file.end(), p.begin(), p.end());
  return WriteFile(path, file);
}

// ---------------------------------------------------------------- the pictures
const QColor kNight(8, 20, 48), kDeep(14, 48, 102), kTeal(0, 150, 160), kTrace(90, 255, 170), kAmber(255, 190, 60);

QFont Face(int pixels, bool bold, const char* family = "DejaVu Sans") {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

// The faint measuring grid of a trace display.
void Grid(QPainter& p, const QRectF& r, int step, int alpha) {
  p.setPen(QPen(QColor(120, 200, 255, alpha), 1));
  for (qreal x = r.left(); x <= r.right(); x += step) p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
  for (qreal y = r.top(); y <= r.bottom(); y += step) p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
}

// A glowing trace: a bus telegram (square pulses) running into a damped wave.
QPainterPath TracePath(const QRectF& r) {
  QPainterPath path;
  const qreal mid = r.center().y(), amp = r.height() * 0.32;
  const int bitsPattern[] = {1, 0, 1, 1, 0, 0, 1, 0, 1, 1, 1, 0, 1};
  qreal x = r.left();
  path.moveTo(x, mid);
  const qreal bit = r.width() * 0.45 / 13;
  for (int b : bitsPattern) {
    const qreal y = b ? mid - amp * 0.8 : mid + amp * 0.2;
    path.lineTo(x, y);
    x += bit;
    path.lineTo(x, y);
  }
  path.lineTo(x, mid);
  for (qreal t = 0; x < r.right(); t += 0.08) {
    x += 1.2;
    path.lineTo(x, mid - amp * std::exp(-t * 0.18) * std::sin(t * 2.1));
  }
  return path;
}

void Glow(QPainter& p, const QPainterPath& path, const QColor& c) {
  for (int w : {9, 5, 3}) {
    QColor halo = c;
    halo.setAlpha(w == 9 ? 40 : w == 5 ? 90 : 255);
    p.setPen(QPen(halo, w == 3 ? 2 : w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
  }
}

// Rows of trace output: time, channel colour, a bar of text.
void TraceRows(QPainter& p, const QRectF& r, int rows) {
  const QColor channel[] = {QColor(255, 110, 110), kTrace, QColor(120, 170, 255), kAmber, QColor(220, 140, 255)};
  const qreal h = r.height() / rows;
  for (int i = 0; i < rows; ++i) {
    const qreal y = r.top() + i * h + h * 0.3;
    p.fillRect(QRectF(r.left(), y, r.width() * 0.12, h * 0.4), QColor(255, 255, 255, 60));
    p.fillRect(QRectF(r.left() + r.width() * 0.15, y, r.width() * 0.05, h * 0.4), channel[i % 5]);
    const qreal len = r.width() * (0.35 + 0.4 * std::fabs(std::sin(i * 1.7 + 0.4)));
    p.fillRect(QRectF(r.left() + r.width() * 0.23, y, len, h * 0.4), QColor(255, 255, 255, 35 + 10 * (i % 3)));
  }
}

QImage Splash() {
  const int w = 420, h = 260;
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, w, h);
  bg.setColorAt(0, kNight);
  bg.setColorAt(0.55, kDeep);
  bg.setColorAt(1, QColor(0, 96, 120));
  p.fillRect(img.rect(), bg);
  QRadialGradient light(QPointF(w * 0.78, h * 0.2), w * 0.5);
  light.setColorAt(0, QColor(80, 200, 255, 70));
  light.setColorAt(1, QColor(80, 200, 255, 0));
  p.fillRect(img.rect(), light);
  // The display: a grid with the trace across it, the output rows below.
  const QRectF scope(24, 120, w - 48, 70);
  Grid(p, scope, 14, 28);
  Glow(p, TracePath(scope), kTrace);
  TraceRows(p, QRectF(24, 196, w * 0.55, 44), 4);
  // The name and what it is.
  p.setPen(QColor(255, 255, 255));
  p.setFont(Face(58, true));
  p.drawText(QRectF(24, 16, w - 48, 70), Qt::AlignLeft | Qt::AlignVCenter, "Lorvex");
  p.setPen(kTrace);
  p.setFont(Face(15, false));
  p.drawText(QRectF(28, 82, w - 48, 22), Qt::AlignLeft | Qt::AlignVCenter, "Trace-Viewer f\u00fcr DeviceNet-Systeme");
  p.setPen(QColor(255, 255, 255, 200));
  p.setFont(Face(13, true));
  p.drawText(QRectF(24, 16, w - 48, 30), Qt::AlignRight | Qt::AlignVCenter, "Version 1.4.1");
  p.setPen(QColor(255, 255, 255, 150));
  p.setFont(Face(10, false));
  p.drawText(QRectF(24, h - 26, w - 48, 18), Qt::AlignRight | Qt::AlignVCenter,
             "\u00a9 1997-2004 Jan Ostrander \u00b7 Freeware");
  // A thin frame so the borderless window stands off the desktop.
  p.setPen(QPen(QColor(120, 200, 255, 160), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
  return img;
}

QImage InfoBanner() {
  const int w = 389, h = 121;
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, w, 0);
  bg.setColorAt(0, kNight);
  bg.setColorAt(1, QColor(0, 110, 130));
  p.fillRect(img.rect(), bg);
  const QRectF scope(w * 0.46, 14, w * 0.5, h - 28);
  Grid(p, scope, 12, 30);
  Glow(p, TracePath(scope), kTrace);
  p.setPen(Qt::white);
  p.setFont(Face(40, true));
  p.drawText(QRectF(16, 12, w * 0.5, 56), Qt::AlignLeft | Qt::AlignVCenter, "Lorvex");
  p.setPen(kTrace);
  p.setFont(Face(12, false));
  p.drawText(QRectF(18, 66, w * 0.5, 18), Qt::AlignLeft | Qt::AlignVCenter, "Trace-Viewer V.1.4.1");
  p.setPen(QColor(255, 255, 255, 170));
  p.setFont(Face(10, false));
  p.drawText(QRectF(18, 86, w * 0.5, 16), Qt::AlignLeft | Qt::AlignVCenter, "f\u00fcr Kestrum und Quenmark");
  return ToEightBits(img);
}

// The option pages' art: a tall panel with what the page sets drawn on it.
QImage PagePanel(void (*motif)(QPainter&, const QRectF&)) {
  const int w = 105, h = 227;
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, h);
  bg.setColorAt(0, kNight);
  bg.setColorAt(1, QColor(0, 100, 128));
  p.fillRect(img.rect(), bg);
  Grid(p, QRectF(0, 0, w, h), 15, 18);
  QPainterPath wave = TracePath(QRectF(-10, h - 60, w + 20, 40));
  Glow(p, wave, QColor(90, 255, 170, 160));
  motif(p, QRectF(0, 0, w, h));
  return ToEightBits(img);
}

void ColumnsMotif(QPainter& p, const QRectF& r) {
  const QRectF sheet(12, 28, r.width() - 24, 90);
  p.setPen(QPen(QColor(200, 230, 255), 1));
  p.setBrush(QColor(250, 252, 255));
  p.drawRoundedRect(sheet, 3, 3);
  p.fillRect(QRectF(sheet.left() + 1, sheet.top() + 1, sheet.width() - 2, 12), QColor(200, 212, 228));
  p.setPen(QColor(120, 130, 150));
  for (int i = 1; i < 4; ++i) {
    const qreal x = sheet.left() + sheet.width() * i / 4;
    p.drawLine(QPointF(x, sheet.top() + 1), QPointF(x, sheet.bottom() - 1));
  }
  const QColor rows[] = {QColor(200, 40, 40), QColor(30, 140, 60), QColor(30, 70, 200), QColor(60, 60, 60)};
  for (int row = 0; row < 5; ++row) {
    p.setPen(QPen(rows[row % 4], 2));
    const qreal y = sheet.top() + 24 + row * 14;
    p.drawLine(QPointF(sheet.left() + 5, y), QPointF(sheet.right() - 5 - 8 * (row % 3), y));
  }
}

void ColoursMotif(QPainter& p, const QRectF& r) {
  const QPointF c(r.width() / 2, 72);
  p.setPen(QPen(QColor(90, 60, 30), 1));
  p.setBrush(QColor(236, 214, 170));
  QPainterPath board;
  board.addEllipse(c, 40, 31);
  QPainterPath hole;
  hole.addEllipse(QPointF(c.x() + 16, c.y() + 13), 6, 6);
  p.drawPath(board.subtracted(hole));
  const QColor dabs[] = {QColor(220, 30, 30), QColor(250, 200, 20), QColor(30, 160, 70), QColor(30, 90, 230),
                         QColor(170, 50, 180)};
  for (int i = 0; i < 5; ++i) {
    const qreal a = -2.7 + i * 0.72;
    p.setPen(Qt::NoPen);
    p.setBrush(dabs[i]);
    p.drawEllipse(QPointF(c.x() + 25 * std::cos(a), c.y() + 18 * std::sin(a)), 7, 6);
  }
  p.setPen(QPen(QColor(120, 80, 40), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(c.x() - 30, c.y() + 50), QPointF(c.x() + 10, c.y() + 20));
}

void MediaMotif(QPainter& p, const QRectF& r) {
  const qreal x = r.width() / 2;
  p.setPen(QPen(QColor(40, 40, 50), 1));
  p.setBrush(QColor(222, 224, 228));
  p.drawRoundedRect(QRectF(x - 28, 20, 56, 40), 3, 3);
  p.setBrush(QColor(20, 60, 120));
  p.drawRect(QRectF(x - 23, 25, 46, 29));
  p.setPen(QPen(kTrace, 1.5));
  p.drawLine(QPointF(x - 19, 40), QPointF(x - 8, 40));
  p.drawLine(QPointF(x - 8, 40), QPointF(x - 8, 31));
  p.drawLine(QPointF(x - 8, 31), QPointF(x + 4, 31));
  p.drawLine(QPointF(x + 4, 31), QPointF(x + 4, 46));
  p.drawLine(QPointF(x + 4, 46), QPointF(x + 19, 46));
  p.setPen(QPen(QColor(40, 40, 50), 1));
  p.setBrush(QColor(222, 224, 228));
  p.drawRect(QRectF(x - 10, 60, 20, 5));
  // The printer.
  p.drawRoundedRect(QRectF(x - 28, 84, 56, 22), 3, 3);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(x - 18, 76, 36, 10));
  p.drawRect(QRectF(x - 18, 104, 36, 9));
  // The file.
  QPolygonF page;
  page << QPointF(x - 17, 128) << QPointF(x + 8, 128) << QPointF(x + 17, 137) << QPointF(x + 17, 166)
       << QPointF(x - 17, 166);
  p.drawPolygon(page);
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(x - 12, 141 + i * 6), QPointF(x + 12, 141 + i * 6));
}

QImage Icon(int side) {
  QImage img(side, side, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = side / 32.0;
  p.scale(s, s);
  QLinearGradient bg(0, 0, 32, 32);
  bg.setColorAt(0, kDeep);
  bg.setColorAt(1, kTeal);
  p.setPen(QPen(kNight, 1));
  p.setBrush(bg);
  p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);
  p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.drawPolyline(QPolygonF({QPointF(8, 6), QPointF(8, 24), QPointF(20, 24)}));
  p.setPen(QPen(kTrace, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(13, 17), QPointF(16, 17), QPointF(18, 9), QPointF(21, 21), QPointF(23, 13),
                            QPointF(26, 13)}));
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: lorvex_pictures FOLDER\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]) + "/";
  bool ok = WriteBitmap(dir + "bitmap102.bmp", Splash());
  ok = WriteBitmap(dir + "bitmap136.bmp", InfoBanner()) && ok;
  ok = WriteBitmap(dir + "bitmap138.bmp", PagePanel(ColumnsMotif)) && ok;
  ok = WriteBitmap(dir + "bitmap139.bmp", PagePanel(ColoursMotif)) && ok;
  ok = WriteBitmap(dir + "bitmap140.bmp", PagePanel(MediaMotif)) && ok;
  ok = WriteIcon(dir + "icon128.ico", {Icon(32), Icon(16)}) && ok;
  if (!ok) std::fprintf(stderr, "lorvex_pictures: could not write to %s\n", argv[1]);
  return ok ? 0 : 1;
}
