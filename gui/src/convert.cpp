#include "convert.h"

#include <QWidget>

#include <algorithm>
#include <cctype>

namespace gui {

QColor ToQColor(plat::TColor c) {
  const plat::TColor rgb = plat::ResolveColor(c);
  return QColor(plat::RedOf(rgb), plat::GreenOf(rgb), plat::BlueOf(rgb));
}

plat::TColor FromQColor(const QColor& c) {
  return plat::Rgb(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                   static_cast<std::uint8_t>(c.blue()));
}

bool Paints(plat::TColor c) { return c != plat::clNone; }

QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string FromQString(const QString& s) { return s.toStdString(); }

QFont ToQFont(const plat::TFont& font) {
  QFont f;
  f.setFamily(ToQString(font.Name));
  f.setStyleHint(QFont::SansSerif);
  // The forms were laid out for a narrow face; a condensed face (where one is
  // installed) keeps their captions within the widths they give.
  f.setStretch(QFont::SemiCondensed);
  const int h = font.Height;
  int pixels = 11;
  if (h < 0) pixels = -h;
  else if (h > 0) pixels = h * 4 / 5;  // the cell holds about a fifth of leading
  f.setPixelSize(pixels < 1 ? 1 : pixels);
  const plat::TFontStyles style = font.Style;
  f.setBold(style.Contains(plat::fsBold));
  f.setItalic(style.Contains(plat::fsItalic));
  f.setUnderline(style.Contains(plat::fsUnderline));
  f.setStrikeOut(style.Contains(plat::fsStrikeOut));
  return f;
}

Qt::CursorShape ToCursorShape(plat::TCursor cursor) {
  switch (cursor) {
    case plat::crCross: return Qt::CrossCursor;
    case plat::crIBeam: return Qt::IBeamCursor;
    case plat::crHourGlass: return Qt::WaitCursor;
    case plat::crDrag: return Qt::DragMoveCursor;
    case plat::crNoDrop: return Qt::ForbiddenCursor;
    case plat::crHandPoint: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
  }
}

namespace {
int QtKeyOf(std::uint16_t key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;  // Qt uses ASCII there
  if (key >= vcl::VK_F1 && key < vcl::VK_F1 + 24) return Qt::Key_F1 + (key - vcl::VK_F1);
  switch (key) {
    case vcl::VK_BACK: return Qt::Key_Backspace;
    case vcl::VK_TAB: return Qt::Key_Tab;
    case vcl::VK_RETURN: return Qt::Key_Return;
    case vcl::VK_ESCAPE: return Qt::Key_Escape;
    case vcl::VK_SPACE: return Qt::Key_Space;
    case 0x21: return Qt::Key_PageUp;
    case 0x22: return Qt::Key_PageDown;
    case 0x23: return Qt::Key_End;
    case 0x24: return Qt::Key_Home;
    case 0x25: return Qt::Key_Left;
    case 0x26: return Qt::Key_Up;
    case 0x27: return Qt::Key_Right;
    case 0x28: return Qt::Key_Down;
    case vcl::VK_INSERT: return Qt::Key_Insert;
    case vcl::VK_DELETE: return Qt::Key_Delete;
    default: return 0;
  }
}

QString EitherCase(const QString& pattern) {
  QString out;
  for (QChar ch : pattern) {
    if (ch.isLetter() && ch.toLower() != ch.toUpper()) {
      out += '[';
      out += ch.toUpper();
      out += ch.toLower();
      out += ']';
    } else {
      out += ch;
    }
  }
  return out;
}
}  // namespace

QKeySequence ToKeySequence(vcl::TShortCut sc) {
  const int key = QtKeyOf(sc & 0x1FFF);
  if (key == 0) return {};
  int mods = 0;
  if (sc & vcl::scCtrl) mods |= Qt::CTRL;
  if (sc & vcl::scShift) mods |= Qt::SHIFT;
  if (sc & vcl::scAlt) mods |= Qt::ALT;
  return QKeySequence(mods | key);
}

QStringList ToNameFilters(const std::string& filter) {
  const QStringList parts = ToQString(filter).split('|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& raw : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      const QString p = raw.trimmed();
      if (p.isEmpty()) continue;
      patterns << (p == "*.*" ? QString("*") : EitherCase(p));
    }
    if (patterns.isEmpty()) continue;
    out << parts[i].trimmed() + " (" + patterns.join(' ') + ")";
  }
  return out;
}

QString WithoutMnemonic(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return ToQString(out);
}

QSize ToQtWindowSize(int width, int height) {
  return QSize(std::clamp(width, 0, QWIDGETSIZE_MAX), std::clamp(height, 0, QWIDGETSIZE_MAX));
}

QPoint ToQtWindowPosition(int left, int top) {
  return QPoint(std::clamp(left, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), std::clamp(top, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

}  // namespace gui
