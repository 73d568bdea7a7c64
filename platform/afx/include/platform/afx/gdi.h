#pragma once
// The drawing objects of the façade: bitmaps made from the program's
// device-independent bitmap resources, logical palettes, and the DrawDib
// functions, drawn through the window core's canvas (see CDC in
// dialog_controls.h).
//
// A bitmap resource is registered by id under the name of an embedded DIB
// (plat::RegisterDibResource); LoadImageA reads it with the bounded reader,
// so a damaged resource loads as nothing. A loaded bitmap is a DIB section:
// its header says what the resource stored (size, bits a pixel, colour
// table), and its bits are kept as 32-bit pixels 0x00BBGGRR, top row first,
// which is what the blits and DrawDibDraw read.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/afx/cmd_target.h"
#include "platform/ui/core.h"
#include "platform/ui/dib.h"

namespace afx {

using WORD = std::uint16_t;
using COLORREF = plat::TColor;
using BYTE = std::uint8_t;

// ---------------------------------------------------------------- records
struct BITMAP {
  int bmType = 0;
  int bmWidth = 0;
  int bmHeight = 0;
  int bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  const void* bmBits = nullptr;
};

struct BITMAPINFOHEADER {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
};

// A header followed by room for 256 colour-table entries.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  std::uint32_t dsBitfields[3] = {0, 0, 0};
  void* dshSection = nullptr;
  std::uint32_t dsOffset = 0;
};

struct PALETTEENTRY {
  BYTE peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};

struct LOGPALETTE {
  WORD palVersion = 0x300;
  WORD palNumEntries = 0;
  PALETTEENTRY palPalEntry[256];
};

// ---------------------------------------------------------------- bitmaps
// What a bitmap handle names: the picture and the record of it.
struct BitmapObject {
  std::shared_ptr<const plat::Dib> dib;
};
using HBITMAP = BitmapObject*;
using HINSTANCE = const void*;

constexpr UINT IMAGE_BITMAP = 0, LR_DEFAULTSIZE = 0x0040, LR_CREATEDIBSECTION = 0x2000;

// The program's resources (there is one module: the program).
HINSTANCE AfxGetResourceHandle();

// Bitmap resource id under the name of its embedded DIB.
void AfxRegisterBitmap(UINT id, std::string dibName);
// The name registered for the id, empty for none.
std::string AfxBitmapName(UINT id);

// A new handle for the bitmap resource (by id), null when it is missing or
// cannot be read. The caller deletes it with DeleteObject (or a CBitmap does).
HBITMAP LoadImageA(HINSTANCE module, UINT id, UINT type, int cx, int cy, UINT flags);
BOOL DeleteObject(HBITMAP bitmap);
// The bitmap's record (0 for no bitmap), answering the bytes written.
int GetObjectA(HBITMAP bitmap, BITMAP* out);
int GetObjectA(HBITMAP bitmap, DIBSECTION* out);

class CBitmap : public CObject {
 public:
  CBitmap() = default;
  ~CBitmap() override { DeleteObject(); }
  HBITMAP m_hObject = nullptr;
  HBITMAP GetSafeHandle() const { return m_hObject; }
  // Takes the handle over (it is deleted with the object). FALSE for none
  // or when the object holds one already.
  BOOL Attach(HBITMAP bitmap);
  HBITMAP Detach();
  virtual BOOL DeleteObject();
  BOOL LoadBitmap(UINT id);
  int GetBitmap(BITMAP* out) const { return GetObjectA(m_hObject, out); }
};

class CDC;
// Copies up to n entries of the colour table of the bitmap selected into
// the memory surface, from entry `start`: the number copied.
UINT GetDIBColorTable(CDC* dc, UINT start, UINT n, RGBQUAD* out);

// ---------------------------------------------------------------- palettes

class CPalette : public CObject {
 public:
  ~CPalette() override = default;
  BOOL CreatePalette(const LOGPALETTE* palette);
  // The standard palette of 256 colours for pictures without their own.
  BOOL CreateHalftonePalette(CDC* dc);
  BOOL DeleteObject();
  bool IsMade() const { return made_; }
  int GetEntryCount() const { return made_ ? static_cast<int>(entries_.size()) : 0; }
  PALETTEENTRY GetEntry(int index) const { return entries_.at(static_cast<std::size_t>(index)); }

 private:
  bool made_ = false;
  std::vector<PALETTEENTRY> entries_;
};

// ---------------------------------------------------------------- fonts
struct LOGFONT {
  int lfHeight = 0;  // negative: the character height in pixels
  int lfWeight = 400;
  BYTE lfItalic = 0, lfUnderline = 0, lfStrikeOut = 0;
  std::string lfFaceName;
};
constexpr int FW_BOLD = 700;

// A font object. A window has a font when its face has a name; sending it
// WM_SETFONT with a font object gives it that font.
class CFont : public CObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* font);
  BOOL DeleteObject();
  bool IsMade() const { return made_; }
  // The font's description; 0 without one.
  int GetLogFont(LOGFONT* out) const;
  // The window font's description (FALSE when the window has no font).
  static BOOL FromWindowFont(const plat::TFont& font, LOGFONT* out);
  void ApplyTo(plat::TFont& font) const;

 private:
  bool made_ = false;
  LOGFONT font_;
};

// ---------------------------------------------------------------- DrawDib
struct DrawDibObject {
  int draws = 0;
};
using HDRAWDIB = DrawDibObject*;
constexpr UINT DDF_BACKGROUND = 0x200;

HDRAWDIB DrawDibOpen();
BOOL DrawDibClose(HDRAWDIB handle);
// Draws the bits (32-bit pixels as a loaded bitmap keeps them, of the size
// the header gives) from the source rectangle into the destination one; a
// width or height of -1 means the image's.
BOOL DrawDibDraw(HDRAWDIB handle, CDC* dc, int xDst, int yDst, int dxDst, int dyDst, const BITMAPINFOHEADER* info,
                 const void* bits, int xSrc, int ySrc, int dxSrc, int dySrc, UINT flags);

// ---------------------------------------------------------------- window classes
using HCURSOR = plat::TCursor;
constexpr HCURSOR IDC_ARROW = plat::crArrow;
// A window class of the program's own, named after what it is made of
// ("Afx:" and its style, cursor, background and icon): windows of such a
// class draw all they show themselves (WM_PAINT). No background is 0, no
// icon an empty name.
std::string AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = 0, COLORREF background = 0,
                                const std::string& icon = {});
bool IsAfxRegisteredClass(const std::string& className);

// ---------------------------------------------------------------- beeps
// The system's sound for the kind of message. Tests (and the backend, which
// rings the desktop's bell) see each through the hook.
BOOL MessageBeep(UINT type);
using BeepHook = std::function<void(UINT type)>;
BeepHook SetBeepHook(BeepHook hook);

}  // namespace afx
