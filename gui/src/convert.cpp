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
// The keys that Qt and the core name differently (letters and digits are
// ASCII in both).
struct KeyName {
  std::uint16_t vk;
  int qt;
};
constexpr KeyName kKeyNames[] = {
    {vcl::VK_BACK, Qt::Key_Backspace}, {vcl::VK_TAB, Qt::Key_Tab},      {vcl::VK_RETURN, Qt::Key_Return},
    {vcl::VK_ESCAPE, Qt::Key_Escape},  {vcl::VK_SPACE, Qt::Key_Space},  {0x21, Qt::Key_PageUp},
    {0x22, Qt::Key_PageDown},          {0x23, Qt::Key_End},             {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},              {0x26, Qt::Key_Up},              {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},              {vcl::VK_INSERT, Qt::Key_Insert}, {vcl::VK_DELETE, Qt::Key_Delete},
};
// Keys only ever read from Qt: a second name of a key above, the modifier
// keys and the punctuation keys of a US layout.
constexpr KeyName kMoreQtKeys[] = {
    {vcl::VK_RETURN, Qt::Key_Enter}, {vcl::VK_TAB, Qt::Key_Backtab}, {0x10, Qt::Key_Shift},   {0x11, Qt::Key_Control},
    {0x12, Qt::Key_Alt},             {0x13, Qt::Key_Pause},          {0x14, Qt::Key_CapsLock}, {0x90, Qt::Key_NumLock},
    {0x91, Qt::Key_ScrollLock},      {0x2C, Qt::Key_Print},          {0x5D, Qt::Key_Menu},     {0xBA, Qt::Key_Semicolon},
    {0xBB, Qt::Key_Equal},           {0xBB, Qt::Key_Plus},           {0xBC, Qt::Key_Comma},    {0xBD, Qt::Key_Minus},
    {0xBE, Qt::Key_Period},          {0xBF, Qt::Key_Slash},          {0xC0, Qt::Key_QuoteLeft}, {0xDB, Qt::Key_BracketLeft},
    {0xDC, Qt::Key_Backslash},       {0xDD, Qt::Key_BracketRight},   {0xDE, Qt::Key_Apostrophe},
};

int QtKeyOf(std::uint16_t key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;  // Qt uses ASCII there
  if (key >= vcl::VK_F1 && key < vcl::VK_F1 + 24) return Qt::Key_F1 + (key - vcl::VK_F1);
  for (const KeyName& k : kKeyNames) {
    if (k.vk == key) return k.qt;
  }
  return 0;
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

std::uint16_t VirtualKeyOf(int qtKey) {
  if ((qtKey >= 'A' && qtKey <= 'Z') || (qtKey >= '0' && qtKey <= '9')) return static_cast<std::uint16_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + 24) return static_cast<std::uint16_t>(vcl::VK_F1 + (qtKey - Qt::Key_F1));
  for (const KeyName& k : kKeyNames) {
    if (k.qt == qtKey) return k.vk;
  }
  for (const KeyName& k : kMoreQtKeys) {
    if (k.qt == qtKey) return k.vk;
  }
  return kUnnamedKey;
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
