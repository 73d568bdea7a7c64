#pragma once
// Translations between the window core's values and Qt's: colours, fonts,
// cursors, shortcuts, file-dialog filters and texts.

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QCursor>
#include <QFont>
#include <QKeySequence>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

#include "platform/vcl/controls.h"

namespace gui {

// A colour value is 0x00BBGGRR; system colours come from the core's palette.
QColor ToQColor(plat::TColor c);
// Back to 0x00BBGGRR.
plat::TColor FromQColor(const QColor& c);
// Whether the colour paints anything (clNone does not).
bool Paints(plat::TColor c);

// A top-level window's client size and position as Qt can hold them: the
// core keeps whatever a program stored (any 32-bit value), Qt's rectangles
// overflow near the ends of the range and no window system goes that far.
QSize ToQtWindowSize(int width, int height);
QPoint ToQtWindowPosition(int left, int top);

QString ToQString(const std::string& s);
std::string FromQString(const QString& s);

// A negative height is the character height in pixels, a positive one the
// cell height, which holds some leading above the characters.
QFont ToQFont(const plat::TFont& font);

Qt::CursorShape ToCursorShape(plat::TCursor cursor);

// Ctrl+Alt+D and the like; an empty sequence for a shortcut Qt cannot name.
QKeySequence ToKeySequence(vcl::TShortCut sc);

// The core's virtual-key code of a key Qt names; kUnnamedKey for a key
// that has none (a letter of another alphabet...).
inline constexpr std::uint16_t kUnnamedKey = 0xFF;
std::uint16_t VirtualKeyOf(int qtKey);

// "Text|*.EEP|All|*.*" as Qt name filters. Patterns match their extension in
// either case (the files come from a case-insensitive file system) and "*.*"
// also matches names without a dot, as it did there.
QStringList ToNameFilters(const std::string& filter);

// A caption shown on a label: "&&" is one ampersand, a single "&" only marks
// the mnemonic and is not shown.
QString WithoutMnemonic(const std::string& caption);

}  // namespace gui
