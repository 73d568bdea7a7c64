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
//
// Code that paints parts of a window itself (a caption) draws through
// device contexts: memory bitmaps, solid brushes, fonts, regions and the
// operations a caption needs - pattern fills, blits, single-line text with
// an ellipsis, icons and caption buttons. A memory bitmap keeps its pixels
// and, for what its pixels do not hold here (text in a real face, a
// picture), runs that a backend draws over them; every operation on it is
// recorded too, so tests read what was drawn and a few pixels. System
// metrics and colours are fixed (GetSystemMetrics, GetSysColor), so what is
// drawn is exact in tests and the same everywhere.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/afx/cmd_target.h"
#include "platform/ui/core.h"
#include "platform/ui/dib.h"

namespace afx {

class CWnd;
using HWND = CWnd*;
using BYTE = std::uint8_t;
using COLORREF = plat::TColor;
using LONG = std::int32_t;
using DWORD = std::uint32_t;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return plat::Rgb(r, g, b); }
constexpr BYTE GetRValue(COLORREF c) { return plat::RedOf(c); }
constexpr BYTE GetGValue(COLORREF c) { return plat::GreenOf(c); }
constexpr BYTE GetBValue(COLORREF c) { return plat::BlueOf(c); }

// Edges are 32-bit and wrap as the window system's own do: a window at the
// far end of the range gives back the width it was given, never an overflow.
struct RECT {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return WrappedDifference(right, left); }
  int Height() const { return WrappedDifference(bottom, top); }
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const RECT&, const RECT&) = default;
  static int WrappedSum(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
  }
  static int WrappedDifference(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
  }
};
struct POINT {
  int x = 0, y = 0;
};

// ---------------------------------------------------------------- system metrics
// | metric          | value | what                                   |
// | SM_CXBORDER/CY  | 1     | a thin border                          |
// | SM_CYCAPTION    | 23    | caption height, its bottom border too  |
// | SM_CXDLGFRAME/CY| 3     | frame of a window that cannot be sized |
// | SM_CXFRAME/CY   | 4     | frame of a sizing window               |
// | SM_CXSIZE/CY    | 21    | caption button cell                    |
// | SM_CYSMCAPTION  | 17    | a tool window's caption                |
// | SM_CXSMSIZE/CY  | 15    | a tool window's caption button cell    |
// | SM_CXSMICON/CY  | 16    | small icon                             |
// | SM_CYMENU       | 20    | menu bar                               |
constexpr int SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CYCAPTION = 4, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8,
              SM_CYMENU = 15, SM_CXSIZE = 30, SM_CYSIZE = 31, SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CXSMICON = 49,
              SM_CYSMICON = 50, SM_CYSMCAPTION = 51, SM_CXSMSIZE = 52, SM_CYSMSIZE = 53;
// 0 for a metric not in the table.
int GetSystemMetrics(int index);

// ---------------------------------------------------------------- system colours
// The window core's default desktop palette: active caption RGB(10, 36, 106),
// inactive caption RGB(128, 128, 128), caption text white, inactive caption
// text RGB(212, 208, 200), button face RGB(212, 208, 200), button shadow
// RGB(128, 128, 128), button highlight white, dark shadow RGB(64, 64, 64).
constexpr int COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3, COLOR_WINDOW = 5, COLOR_WINDOWTEXT = 8,
              COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11, COLOR_BTNFACE = 15,
              COLOR_BTNSHADOW = 16, COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19,
              COLOR_BTNHIGHLIGHT = 20, COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22;
COLORREF GetSysColor(int index);
// Replaces system colours (until the process ends); tests use it to try
// other desktops. The previous values are not kept.
int SetSysColors(int count, const int* indexes, const COLORREF* values);

// ---------------------------------------------------------------- fonts and settings
struct LOGFONTA {
  LONG lfHeight = 0, lfWidth = 0, lfEscapement = 0, lfOrientation = 0, lfWeight = 0;
  BYTE lfItalic = 0, lfUnderline = 0, lfStrikeOut = 0, lfCharSet = 0, lfOutPrecision = 0, lfClipPrecision = 0,
       lfQuality = 0, lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};
constexpr LONG FW_NORMAL = 400;  // FW_BOLD below
constexpr BYTE ANSI_CHARSET = 0, DEFAULT_CHARSET = 1;

struct NONCLIENTMETRICSA {
  std::uint32_t cbSize = 0;
  int iBorderWidth = 0, iScrollWidth = 0, iScrollHeight = 0, iCaptionWidth = 0, iCaptionHeight = 0;
  LOGFONTA lfCaptionFont;
  int iSmCaptionWidth = 0, iSmCaptionHeight = 0;
  LOGFONTA lfSmCaptionFont;
  int iMenuWidth = 0, iMenuHeight = 0;
  LOGFONTA lfMenuFont, lfStatusFont, lfMessageFont;
};
static_assert(sizeof(LOGFONTA) == 60 && sizeof(NONCLIENTMETRICSA) == 340, "the classic structure sizes");

constexpr std::uint32_t SPI_GETNONCLIENTMETRICS = 0x0029;
// SPI_GETNONCLIENTMETRICS fills a NONCLIENTMETRICSA whose cbSize is its
// size: the caption font is "Tahoma", 13 pixels, bold; the others the same
// face, normal weight. FALSE for another request or size.
int SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* data, std::uint32_t winIni);

// How wide a text is in a font, in pixels. The fixed measure gives every
// character 3/5 of the font's pixel height (at least 1); a backend that
// draws the text installs the measure of its real fonts, so that where an
// ellipsis cuts a text is where the text really runs out of room.
using TextMeasure = std::function<int(const LOGFONTA& font, std::string_view text)>;
void SetTextMeasure(TextMeasure measure);
int MeasureText(const LOGFONTA& font, std::string_view text);

// ---------------------------------------------------------------- drawing objects
struct GdiObject {
  virtual ~GdiObject() = default;
  bool counted = false;  // made by a Create function (LiveGdiObjects)
};
using HGDIOBJ = GdiObject*;

struct GdiBrush : GdiObject {
  COLORREF color = 0;
};
struct GdiFont : GdiObject {
  LOGFONTA font;
};
// A picture resource shown as an icon.
struct GdiIcon : GdiObject {
  std::string picture;
};

// Text drawn on a bitmap: the text as shown (an ellipsis already applied),
// laid out in `layout` with the DrawTextA format, visible within `clip`.
struct TextRun {
  RECT layout, clip;
  std::string text;
  COLORREF color = 0;
  LOGFONTA font;
  std::uint32_t format = 0;
};
struct IconRun {
  RECT box, clip;
  std::string picture;
};

// What was done to a bitmap, in order.
struct GdiOp {
  enum Kind { kPatBlt, kBitBlt, kText, kFrameControl, kIcon };
  Kind kind = kPatBlt;
  RECT rect;
  COLORREF color = 0;   // fill colour, text colour
  std::string text;     // text as shown, icon picture
  std::uint32_t type = 0, state = 0;  // frame control; text format
};


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
// A loaded bitmap holds its DIB; a memory bitmap (CreateCompatibleBitmap)
// its pixels and the runs drawn on it.
struct BitmapObject : GdiObject {
  std::shared_ptr<const plat::Dib> dib;
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  std::vector<TextRun> texts;
  std::vector<IconRun> icons;
  std::vector<GdiOp> ops;
  COLORREF Pixel(int x, int y) const;
  void Resize(int w, int h, COLORREF fill);
};
using HBITMAP = BitmapObject*;
using GdiBitmap = BitmapObject;
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

// ---------------------------------------------------------------- device contexts and what they draw
struct GdiRegion : GdiObject {
  std::vector<RECT> rects;  // disjoint
};

struct DeviceContext;
using HBRUSH = GdiBrush*;
using HFONT = GdiFont*;
using HRGN = GdiRegion*;
using HICON = GdiIcon*;
using HDC = DeviceContext*;

HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontIndirectA(const LOGFONTA* font);
// The largest side of a bitmap or a window's surface: what lies beyond is
// not drawn (a window of absurd size costs no absurd memory).
constexpr int kMaxSurfaceSide = 4096;
// None for an empty size, a side beyond kMaxSurfaceSide or no DC.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// Deletes a brush, font, bitmap, region or icon (not a stock one, nor one
// selected into a DC).
int DeleteObject(HGDIOBJ object);
// How many objects are made and not deleted (tests find leaks with it).
int LiveGdiObjects();
// Counts an object made elsewhere in the façade as one its caller deletes.
void TrackGdiObject(GdiObject* object);

// The icon of a picture resource (owned by the caller; DestroyIcon).
HICON LoadIconPicture(const std::string& picture);
int DestroyIcon(HICON icon);

// Regions: RGN_DIFF and RGN_COPY; the result kind, ERROR on bad arguments.
constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
constexpr int ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
// Whether any part of the rectangle lies in the region.
int RectInRegion(HRGN region, const RECT* rect);

// ---------------------------------------------------------------- device contexts
// The whole window, from its outer corner: its non-client surface. None
// while the window is not made or has no area.
HDC GetWindowDC(HWND window);
// A DC of the client area, for palettes only: drawing on it does nothing
// (a window paints its client area through CDC).
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A memory DC (none for a null DC when asked to fail, see
// FailNextMemoryDC); it starts with a 1 × 1 stock bitmap selected.
HDC CreateCompatibleDC(HDC dc);
int DeleteDC(HDC dc);
// For tests of what happens when a DC cannot be made.
void FailNextWindowDC();
void FailNextMemoryDC();

// Selects a brush, font or bitmap (a bitmap only into a memory DC) and
// answers the one it replaces; none (and nothing changes) for none.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
constexpr int TRANSPARENT = 1, OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);

constexpr DWORD SRCCOPY = 0x00CC0020, PATCOPY = 0x00F00021;
// Fills with the selected brush (PATCOPY only).
int PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// Copies pixels and runs (SRCCOPY only).
int BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);

constexpr std::uint32_t DT_LEFT = 0x0000, DT_CENTER = 0x0001, DT_RIGHT = 0x0002, DT_VCENTER = 0x0004,
                        DT_SINGLELINE = 0x0020, DT_END_ELLIPSIS = 0x8000;
// One line of text in the selected font and text colour; with
// DT_END_ELLIPSIS a text wider than the rectangle ends in "..." so that it
// fits. count -1: up to the terminating zero. Answers the text's height.
int DrawTextA(HDC dc, const char* text, int count, RECT* rect, std::uint32_t format);

constexpr std::uint32_t DFC_CAPTION = 1;
constexpr std::uint32_t DFCS_CAPTIONCLOSE = 0x0000, DFCS_CAPTIONMIN = 0x0001, DFCS_CAPTIONMAX = 0x0002,
                        DFCS_CAPTIONRESTORE = 0x0003, DFCS_INACTIVE = 0x0100, DFCS_PUSHED = 0x0200;
// A raised caption button with its glyph (greyed when inactive).
int DrawFrameControl(HDC dc, RECT* rect, std::uint32_t type, std::uint32_t state);

constexpr std::uint32_t DI_NORMAL = 0x0003;
int DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, std::uint32_t step, HBRUSH flicker,
               std::uint32_t flags);

// Palettes: the display has true colour, so realizing changes no colour.
CPalette* SelectPalette(HDC dc, CPalette* palette, int forceBackground);
std::uint32_t RealizePalette(HDC dc);

// The bitmap a DC draws on (tests, a backend).
HBITMAP TargetOf(HDC dc);

}  // namespace afx
